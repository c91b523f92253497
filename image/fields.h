// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "image/layout.h"

namespace tarvik {

// Where decoding puts the field texts: the editor's edit fields, or a plain
// container in tests and tools.
class FieldSink {
public:
    virtual ~FieldSink() = default;
    virtual void SetFieldText(Family family, int index, std::string_view text) = 0;
};

// Where storing and plotting read the field texts from (UTF-8).
class FieldSource {
public:
    virtual ~FieldSource() = default;
    [[nodiscard]] virtual std::string FieldText(Family family, int index) const = 0;

    // The number the field's text stands for, as ParseLeadingNumber reads
    // it. Storing and plotting ask only for this, once per field and per
    // keystroke: a source that holds its texts in another form answers
    // without making a copy of each text.
    [[nodiscard]] virtual double FieldNumber(Family family, int index) const;
};

// The 310 field texts without any window around them.
class FieldTexts final : public FieldSink, public FieldSource, public PerFamily<std::string> {
public:
    void SetFieldText(Family family, int index, std::string_view text) override { At(family, index) = text; }
    [[nodiscard]] std::string FieldText(Family family, int index) const override { return At(family, index); }
    [[nodiscard]] double FieldNumber(Family family, int index) const override;
};

}  // namespace tarvik

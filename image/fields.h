#pragma once

#include <array>
#include <string>
#include <string_view>

#include "image_bytes.h"

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
};

// The 310 field texts without any window around them.
class FieldTexts final : public FieldSink, public FieldSource {
public:
    void SetFieldText(Family family, int index, std::string_view text) override;
    [[nodiscard]] std::string FieldText(Family family, int index) const override;

    [[nodiscard]] std::string& At(Family family, int index);
    [[nodiscard]] const std::string& At(Family family, int index) const;

private:
    std::array<std::string, kFuelCells> data_;
    std::array<std::string, 17> we_;
    std::array<std::string, 17> fle_;
    std::array<std::string, 9> ae_;
    std::array<std::string, 9> is_;
    std::string rl_;
    std::string cc_;
};

}  // namespace tarvik

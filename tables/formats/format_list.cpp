// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/format_list.h"

#include <algorithm>

namespace tarvik::tables {

// Each defined in its unit, <name>_format.cpp.
extern const TableFormat kTextFormat;
extern const TableFormat kJsonFormat;
extern const TableFormat kCsvFormat;

const std::vector<const TableFormat*>& Formats() {
    static const std::vector<const TableFormat*> formats{&kTextFormat, &kJsonFormat, &kCsvFormat};
    return formats;
}

std::vector<const TableFormat*> ReadableFormats() {
    std::vector<const TableFormat*> readable;
    std::ranges::copy_if(Formats(), std::back_inserter(readable),
                         [](const TableFormat* format) { return format->readEdits != nullptr; });
    return readable;
}

namespace {

[[nodiscard]] char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const TableFormat* FindFormat(std::string_view name) {
    const auto sameName = [name](const TableFormat* format) {
        return std::ranges::equal(format->name, name, {}, Lower, Lower);
    };
    const auto found = std::ranges::find_if(Formats(), sameName);
    return found == Formats().end() ? nullptr : *found;
}

const TableFormat& TextFormat() { return *Formats().front(); }

const TableFormat& JsonFormat() { return kJsonFormat; }

}  // namespace tarvik::tables

// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/codec.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

namespace tarvik {

namespace {

constexpr double kFuelHighLimit = 32768.0;  // 128 high parts of 256

[[nodiscard]] constexpr bool IsBlank(unsigned c) { return c == ' ' || c == '\t' || c == '\n'; }
[[nodiscard]] constexpr bool IsDigit(unsigned c) { return c >= '0' && c <= '9'; }

[[nodiscard]] std::string DecimalText(unsigned value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The fuel map's working copy during one store.
struct FuelCells {
    std::array<double, kFuelCells> high{};
    std::array<std::uint8_t, kFuelCells> low{};
};

}  // namespace

std::string ByteToBits(unsigned value) {
    std::string bits;
    do {
        bits.insert(bits.begin(), static_cast<char>('0' + value % 2));
        value /= 2;
    } while (value != 0);
    return bits;
}

namespace {

// One reading for UTF-8 texts and for the editor's UTF-16 ones. Only ASCII
// characters take part in a number, so any other code unit ends it
// wherever it stands, in either form.
template <typename Char>
[[nodiscard]] double ParseLeadingNumberOf(std::basic_string_view<Char> text) {
    // The number's characters, blanks skipped wherever they stand. Field
    // texts are short: they are gathered on the stack, and only a pasted
    // monster spills over to the heap.
    char local[64];
    std::string spill;
    std::size_t length = 0;
    auto keep = [&](char c) {
        if (length < sizeof local) {
            local[length] = c;
        } else {
            if (spill.empty()) spill.assign(local, sizeof local);
            spill.push_back(c);
        }
        ++length;
    };

    std::size_t pos = 0;
    auto code = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(text[at]));
    };
    auto peek = [&]() -> int {
        while (pos < text.size() && IsBlank(code(pos))) ++pos;
        return pos < text.size() ? static_cast<int>(code(pos)) : -1;
    };

    bool negative = false;
    if (const int sign = peek(); sign == '+' || sign == '-') {
        negative = sign == '-';
        ++pos;
    }
    bool seenPoint = false;
    bool seenDigit = false;
    std::uint64_t whole = 0;  // exact while there are at most 15 digits
    for (int c = peek(); c != -1; c = peek()) {
        if (IsDigit(static_cast<unsigned>(c))) {
            seenDigit = true;
            if (length < 15) whole = whole * 10 + static_cast<unsigned>(c - '0');
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        keep(static_cast<char>(c));
        ++pos;
    }
    if (!seenDigit) return 0.0;

    double magnitude = 0.0;
    if (!seenPoint && length <= 15) {
        magnitude = static_cast<double>(whole);  // the common case: a plain integer
    } else {
        const char* first = spill.empty() ? local : spill.data();
        const char* last = first + length;
        const auto result = std::from_chars(first, last, magnitude, std::chars_format::fixed);
        if (result.ec == std::errc::result_out_of_range) {
            // Too many digits for a double: either a huge value or a vanishing
            // fraction. A huge value must stay huge so that it is judged illegal.
            bool wholePart = false;
            for (const char* c = first; c != last && *c != '.'; ++c) wholePart = wholePart || *c != '0';
            magnitude = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
        } else if (result.ec != std::errc{}) {
            return 0.0;
        }
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace

double ParseLeadingNumber(std::string_view text) { return ParseLeadingNumberOf(text); }

double ParseLeadingNumber(std::u16string_view text) { return ParseLeadingNumberOf(text); }

double FieldSource::FieldNumber(Family family, int index) const { return ParseLeadingNumber(FieldText(family, index)); }

double FieldTexts::FieldNumber(Family family, int index) const { return ParseLeadingNumber(At(family, index)); }

std::optional<std::uint8_t> ConvertToByte(double value) {
    // nearbyint rounds half to even in the default rounding mode; the range
    // test comes before any conversion to an integer type, and rejects NaN.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= 0.0 && rounded <= 255.0)) return std::nullopt;
    return static_cast<std::uint8_t>(rounded);
}

std::string ControlConstantText(std::uint8_t byte) {
    char buffer[32];
    const double value = static_cast<double>(byte) / Layout(Family::CC).scale;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    if (text.size() == 1) text += ".00";
    return text;
}

void LoadFieldsFromImage(const ImageBytes& image, FieldSink& fields) {
    for (int i = 0; i < kFuelCells; ++i) {
        const std::uint8_t packed = image[kFuelPackedOffset + static_cast<std::size_t>(i / 4)];
        const unsigned high = (packed >> (6 - 2 * (i % 4))) & 3u;
        const unsigned low = image[kFuelLowOffset + static_cast<std::size_t>(i)];
        fields.SetFieldText(Family::Data, i, DecimalText(256 * high + low));
    }
    for (Family family : {Family::RL, Family::WE, Family::FLE, Family::AE, Family::IS}) {
        const TableLayout& table = Layout(family);
        for (int i = 0; i < table.count; ++i) {
            fields.SetFieldText(family, i, DecimalText(image[table.offset + static_cast<std::size_t>(i)]));
        }
    }
    fields.SetFieldText(Family::CC, 0, ControlConstantText(image[Layout(Family::CC).offset]));
}

namespace {

constexpr int kNoCell = -1;

// Step 1 of the fuel map: convert every cell, writing nothing. Returns the
// first cell read that cannot be converted, or kNoCell.
[[nodiscard]] int ConvertFuelCells(const FieldSource& fields, FuelCells& cells) {
    for (int i = kFuelCells - 1; i >= 0; --i) {
        const double x = fields.FieldNumber(Family::Data, i);
        if (!(x >= 0.0 && x < kFuelHighLimit)) return i;
        const double high = std::floor(x / 256.0);
        const auto low = ConvertToByte(x - 256.0 * high);
        if (!low) return i;
        cells.high[static_cast<std::size_t>(i)] = high;
        cells.low[static_cast<std::size_t>(i)] = *low;
    }
    return kNoCell;
}

// Returns the cell that stopped the store, or kNoCell when all were stored.
[[nodiscard]] int StoreFuelMap(const FieldSource& fields, ImageBytes& image) {
    FuelCells cells;
    if (const int failed = ConvertFuelCells(fields, cells); failed != kNoCell) return failed;

    for (std::size_t i = 0; i < kFuelCells; ++i) image[kFuelLowOffset + i] = cells.low[i];

    // All packed bytes are formed before any is written, so a cell of 1024
    // or more leaves the old high bits whole.
    std::array<std::uint8_t, kFuelPackedCount> packed{};
    for (std::size_t q = 0; q < kFuelPackedCount; ++q) {
        unsigned byte = 0;
        for (std::size_t m = 0; m < 4; ++m) {
            const double high = cells.high[4 * q + m];
            if (high > 3.0) return static_cast<int>(4 * q + m);
            byte = byte * 4 + static_cast<unsigned>(high);
        }
        packed[q] = static_cast<std::uint8_t>(byte);
    }
    for (std::size_t q = 0; q < kFuelPackedCount; ++q) image[kFuelPackedOffset + q] = packed[q];
    return kNoCell;
}

}  // namespace

std::string IllegalValueMessage(std::string_view tableName) {
    return "Illegal value in the " + std::string(tableName) + " field(s)";
}

StoreResult StoreFieldsToImage(const FieldSource& fields, ImageBytes& image) {
    for (const TableLayout& table : kStoreOrder) {
        if (table.family == Family::Data) {
            if (const int failed = StoreFuelMap(fields, image); failed != kNoCell) return {false, &table, failed};
            continue;
        }
        for (int i = 0; i < table.count; ++i) {
            // An overflowing product is infinite and so fails the range test.
            const auto byte = ConvertToByte(fields.FieldNumber(table.family, i) * table.scale);
            if (!byte) return {false, &table, i};
            image[table.offset + static_cast<std::size_t>(i)] = *byte;
        }
    }
    return {};
}

}  // namespace tarvik

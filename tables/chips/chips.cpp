// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/chips/chips.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <cstdio>

#include "tables/cells.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "a, b and c"
[[nodiscard]] std::string Listed(const std::vector<std::string>& items, std::string_view last) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? std::string(" ") + std::string(last) + " " : std::string(", ");
        text += items[i];
    }
    return text;
}

[[nodiscard]] std::string Indented(const std::string& text, std::string_view indent) {
    std::string out;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        out += std::string(indent) + text.substr(from, end - from) + '\n';
        from = end + 1;
    }
    return out;
}

[[nodiscard]] std::string Capitalised(std::string_view text) {
    std::string capitalised(text);
    if (!capitalised.empty()) capitalised[0] = Upper(capitalised[0]);
    return capitalised;
}

[[nodiscard]] std::string Bytes(std::size_t count) { return Counted(count, "byte", "bytes"); }

}  // namespace

const ChipType* FindChip(std::string_view name) {
    for (const ChipType& chip : kChipTypes) {
        if (chip.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), chip.name.begin(), [](char a, char b) { return Upper(a) == b; }))
            return &chip;
    }
    return nullptr;
}

std::string ChipNames() {
    std::vector<std::string> names;
    for (const ChipType& chip : kChipTypes) names.emplace_back(chip.name);
    return Listed(names, "and");
}

bool IsDumpSize(std::size_t bytes) {
    return std::any_of(kChipTypes.begin(), kChipTypes.end(), [&](const ChipType& chip) { return chip.bytes == bytes; });
}

std::string DumpSizes() {
    std::vector<std::string> sizes;
    for (const ChipType& chip : kChipTypes) {
        const std::string size = std::to_string(chip.bytes / 1024);
        if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) sizes.push_back(size);
    }
    return Listed(sizes, "or") + " KB";
}

std::string BlankText(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || std::any_of(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return b != bytes.front(); }))
        return {};
    if (bytes.front() == 0xFF) return "only 0xFF bytes, as an erased chip or an empty socket reads";
    if (bytes.front() == 0x00) return "only 0x00 bytes, as an empty socket or a chip without contact may read";
    return {};
}

std::vector<std::uint8_t> ChipContents(const ImageBytes& image, std::size_t bytes) {
    std::vector<std::uint8_t> contents;
    contents.reserve(bytes);
    while (contents.size() < bytes) contents.insert(contents.end(), image.begin(), image.end());
    return contents;
}

std::size_t CopyCount(std::span<const std::uint8_t> dump) { return dump.size() / kImageSize; }

ImageBytes CopyOf(std::span<const std::uint8_t> dump, std::size_t copy) {
    ImageBytes image{};
    std::copy_n(dump.begin() + static_cast<std::ptrdiff_t>(copy * kImageSize), kImageSize, image.begin());
    return image;
}

std::string CopyName(std::size_t copy) {
    return "copy " + std::to_string(copy) + " (" + RangeText({copy * kImageSize, (copy + 1) * kImageSize - 1}) + ")";
}

std::vector<CopyCheck> CheckCopies(const ImageBytes& image, std::span<const std::uint8_t> dump) {
    // Where the image stands in the dump, at any 256-byte step: found once,
    // asked by every copy that differs in most of its bytes.
    std::optional<std::vector<std::size_t>> found;
    const auto imageFoundAt = [&] {
        if (!found) {
            found.emplace();
            for (std::size_t start = 0; start < dump.size(); start += 256) {
                bool same = true;
                for (std::size_t i = 0; same && i < kImageSize; ++i) same = dump[(start + i) % dump.size()] == image[i];
                if (same) found->push_back(start);
            }
        }
        return *found;
    };

    std::vector<CopyCheck> checks;
    for (std::size_t copy = 0; copy < CopyCount(dump); ++copy) {
        CopyCheck check;
        check.copy = copy;
        const ImageBytes chip = CopyOf(dump, copy);
        check.erased = std::all_of(chip.begin(), chip.end(), [](std::uint8_t b) { return b == 0xFF; });
        for (std::size_t i = 0; i < kImageSize; ++i) {
            if (chip[i] == image[i]) continue;
            ++check.differing;
            if ((chip[i] & ~image[i]) != 0) ++check.notProgrammed;
            if ((~chip[i] & image[i]) != 0) ++check.notErased;
        }
        if (check.differing > 0 && !check.erased) {
            check.diff = DiffImages(image, chip);
            if (check.differing > kImageSize / 2) check.imageFoundAt = imageFoundAt();
        }
        checks.push_back(std::move(check));
    }
    return checks;
}

std::string FormatCopyChecks(const std::vector<CopyCheck>& checks, std::string_view reference, bool burned) {
    if (std::all_of(checks.begin(), checks.end(), [](const CopyCheck& c) { return c.differing == 0; })) return {};
    std::string out;
    for (const CopyCheck& check : checks) {
        const std::string name = Capitalised(CopyName(check.copy));
        if (check.differing == 0) {
            out += name + ": same\n";
            continue;
        }
        if (check.erased) {
            out += name + ": erased (all 0xFF)\n";
            continue;
        }
        out += name + ": " + Bytes(check.differing) + " of " + std::to_string(kImageSize) +
               (check.differing == 1 ? " differs (" : " differ (") + std::string(reference) + " -> this copy)\n";
        if (check.differing > kImageSize / 2) {
            // Not a faulty burn of the image but something else: its cells
            // would only be noise.
            out += "  Most bytes differ: not " + std::string(reference) + " at this address, cells not listed.\n";
            if (check.imageFoundAt.empty()) {
                out += "  " + Capitalised(reference) + " is nowhere in the dump, at any 256-byte step.\n";
            } else {
                std::vector<std::string> at;
                for (const std::size_t offset : check.imageFoundAt) at.push_back(OffsetText(offset));
                out += "  " + Capitalised(reference) + " is in the dump at " + Listed(at, "and") +
                       ": written from a wrong start address?\n";
            }
        } else {
            out += Indented(TextFormat().diff(check.diff), "  ");
        }
        if (burned && check.notProgrammed > 0) {
            out += "  " + Bytes(check.notProgrammed) + " with bits at 1 here where " + std::string(reference) +
                   " has 0: not programmed (an EPROM programs 1 to 0 "
                   "only)\n";
        }
        if (burned && check.notErased > 0) {
            out += "  " + Bytes(check.notErased) + " with bits at 0 here where " + std::string(reference) +
                   " has 1: not erased before programming, or another "
                   "image\n";
        }
    }
    return out;
}

Fingerprint FingerprintOf(std::span<const std::uint8_t> bytes) {
    Fingerprint print;
    unsigned sum = 0;
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        sum += byte;
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    print.sum = static_cast<std::uint16_t>(sum & 0xFFFFu);
    print.crc32 = ~crc;
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    print.sha256 = QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
    return print;
}

std::string SumText(std::uint16_t sum) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%04X", static_cast<unsigned>(sum));
    return buffer;
}

std::string CrcText(std::uint32_t crc) {
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(crc));
    return buffer;
}

}  // namespace tarvik::tables

// SPDX-License-Identifier: GPL-3.0-or-later
// Any table file, read as apply reads it: it is refused, or refused for an
// illegal value, or stored. What is stored touches no byte outside the
// tables, and the stored image's own dump, read back and applied to the
// same image, stores exactly the same bytes: the file's cells are what the
// image now holds.
//
// Input: one byte choosing among the formats that are read back, in the
// order of their list (0: JSON, 1: CSV), then the file.

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tables/formats/dump.h"
#include "tables/formats/edits.h"
#include "tables/formats/format_list.h"
#include "tests/support/image_oracle.h"

namespace tarvik::fuzz {
namespace {

using namespace tables;

[[nodiscard]] const ImageBytes& Image() {
    static const ImageBytes image = [] {
        std::mt19937 rng(22);
        return testing::oracle::RandomImage(rng);
    }();
    return image;
}

[[nodiscard]] const std::vector<const TableFormat*>& Readers() {
    static const std::vector<const TableFormat*> readers = ReadableFormats();
    return readers;
}

void Run(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const TableFormat& format = *Readers()[data[0] % Readers().size()];
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
    const ImageBytes& image = Image();

    const EditsResult edits = ReadEdits(format, file);
    if (!edits.error.empty()) {
        FUZZ_CHECK(edits.edits.empty(), edits.edits.size());
        return;
    }
    const ApplyResult applied = ApplyEdits(image, edits.edits);
    if (!applied.error.empty()) {
        FUZZ_CHECK(applied.error.starts_with("Illegal value in the "), applied.error.size());
        return;
    }
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        if (!testing::oracle::IsTableOffset(offset)) FUZZ_CHECK(applied.image[offset] == image[offset], offset);
    }
    for (std::size_t again = 0; again < Readers().size(); ++again) {
        const TableFormat& other = *Readers()[again];
        const EditsResult dumped = ReadEdits(other, DumpTables(applied.image, other));
        FUZZ_CHECK(dumped.error.empty(), again);
        const ApplyResult reapplied = ApplyEdits(image, dumped.edits);
        FUZZ_CHECK(reapplied.error.empty(), again);
        for (std::size_t offset = 0; offset < kImageSize; ++offset)
            FUZZ_CHECK(reapplied.image[offset] == applied.image[offset], offset);
    }
}

}  // namespace
}  // namespace tarvik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvik::fuzz::Run(data, size);
    return 0;
}

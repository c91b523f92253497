// SPDX-License-Identifier: GPL-3.0-or-later
// Any table file, read as apply reads it: it is refused, or refused for an
// illegal value, or stored. What is stored touches no byte outside the
// tables, and the stored image's own dump, read back and applied to the
// same image, stores exactly the same bytes: the file's cells are what the
// image now holds.
//
// Input: one byte for the format (even: CSV, odd: JSON), then the file.

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "tables/formats/dump.h"
#include "tables/formats/edits.h"
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

void Run(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const Format format = data[0] % 2 == 0 ? Format::Csv : Format::Json;
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
    for (const Format again : {Format::Csv, Format::Json}) {
        const EditsResult dumped = ReadEdits(again, DumpTables(applied.image, again));
        FUZZ_CHECK(dumped.error.empty(), static_cast<int>(again));
        const ApplyResult reapplied = ApplyEdits(image, dumped.edits);
        FUZZ_CHECK(reapplied.error.empty(), static_cast<int>(again));
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

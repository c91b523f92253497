// SPDX-License-Identifier: GPL-3.0-or-later
// Any image, decoded and stored again without an edit, must come back
// byte for byte, and its texts must be the plain forms the layout gives.
//
// Input: the image's bytes, table bytes first: the first 374 input bytes
// fill the table bytes in ascending offset order, the rest fill the other
// offsets in order, and whatever the input does not reach stays 0. So even
// a short input sets every table cell.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "image/codec.h"
#include "tests/support/image_oracle.h"

namespace tarvik::fuzz {
namespace {

using namespace testing::oracle;

[[nodiscard]] ImageBytes ImageFrom(const std::uint8_t* data, std::size_t size) {
    std::vector<std::size_t> order = TableOffsets();
    FUZZ_CHECK(order.size() == 374, order.size());
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        if (!IsTableOffset(offset)) order.push_back(offset);
    }
    ImageBytes image{};
    for (std::size_t n = 0; n < size && n < order.size(); ++n) image[order[n]] = data[n];
    return image;
}

void Run(const std::uint8_t* data, std::size_t size) {
    const ImageBytes opened = ImageFrom(data, size);
    const std::array<FieldRef, 310> fields = AllFields();

    FieldTexts texts;
    LoadFieldsFromImage(opened, texts);
    const FieldTexts shown = ShownTexts(opened);
    for (const FieldRef& f : fields) FUZZ_CHECK(texts.At(f.family, f.index) == shown.At(f.family, f.index), f.index);

    ImageBytes saved = opened;
    const StoreResult result = StoreFieldsToImage(texts, saved);
    FUZZ_CHECK(result.ok, result.failedIndex);
    for (std::size_t offset = 0; offset < kImageSize; ++offset) FUZZ_CHECK(saved[offset] == opened[offset], offset);

    FieldTexts again;
    LoadFieldsFromImage(saved, again);
    for (const FieldRef& f : fields) FUZZ_CHECK(again.At(f.family, f.index) == texts.At(f.family, f.index), f.index);
}

}  // namespace
}  // namespace tarvik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvik::fuzz::Run(data, size);
    return 0;
}

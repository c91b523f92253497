// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary texts in any of the 310 fields, stored into an arbitrary image.
//
// Input: the fuzzer's bytes, read by FuzzedDataProvider: a 64-bit seed for
// the image (taken from the end), then pairs of (field number, text) until
// the input is used up. Fields not named keep the texts the image decodes
// to, so a short input edits a few fields of an otherwise unedited image.
//
// Checked on every input:
// - no byte outside the 374 table bytes changes;
// - success, and the table named on failure, are those the rules give;
// - the whole image afterwards is exactly the expected one, including the
//   partial state a failure leaves;
// - a successful store decodes back to the values the texts stand for.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "image/codec.h"
#include "tests/support/image_oracle.h"

namespace tarvik::fuzz {
namespace {

using namespace testing::oracle;

[[nodiscard]] ImageBytes SeededImage(std::uint64_t seed) {
    ImageBytes image{};
    for (std::size_t i = 0; i < image.size(); i += 8) {
        // splitmix64: every seed gives a well-mixed image.
        seed += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        for (std::size_t b = 0; b < 8; ++b) image[i + b] = static_cast<std::uint8_t>(z >> (8 * b));
    }
    return image;
}

void Run(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const ImageBytes before = SeededImage(input.ConsumeIntegral<std::uint64_t>());

    FieldTexts texts;
    LoadFieldsFromImage(before, texts);
    const std::array<FieldRef, 310> fields = AllFields();
    while (input.remaining_bytes() > 0) {
        const FieldRef f = fields[input.ConsumeIntegralInRange<std::size_t>(0, fields.size() - 1)];
        texts.At(f.family, f.index) = input.ConsumeRandomLengthString(4096);
    }
    for (const FieldRef& f : fields) FUZZ_CHECK(!std::isnan(ParseLeadingNumber(texts.At(f.family, f.index))), f.index);

    const StoreExpectation expected = ExpectStore(texts, before);
    ImageBytes image = before;
    const StoreResult result = StoreFieldsToImage(texts, image);

    for (std::size_t offset = 0; offset < image.size(); ++offset) {
        if (!IsTableOffset(offset)) FUZZ_CHECK(image[offset] == before[offset], offset);
    }
    FUZZ_CHECK(result.ok == expected.ok, result.ok);
    FUZZ_CHECK((result.ok ? std::string_view() : result.failedTable->name) == expected.failedTable, result.ok);
    for (std::size_t offset = 0; offset < image.size(); ++offset) {
        FUZZ_CHECK(image[offset] == expected.image[offset], offset);
    }
    if (!result.ok) return;

    FieldTexts decoded;
    LoadFieldsFromImage(image, decoded);
    const FieldTexts shown = ShownTexts(expected.image);
    for (const FieldRef& f : fields) {
        FUZZ_CHECK(decoded.At(f.family, f.index) == shown.At(f.family, f.index), f.index);
    }
}

}  // namespace
}  // namespace tarvik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvik::fuzz::Run(data, size);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "image/codec.h"
#include "image/fields.h"
#include "image/image_bytes.h"

namespace tarvik {
namespace {

// A fixed random image: every fuel-map cell, every byte cell and every
// control-constant form occurs with realistic variety.
[[nodiscard]] ImageBytes BenchImage() {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    ImageBytes image{};
    for (auto& b : image) b = static_cast<std::uint8_t>(byte(rng));
    return image;
}

// One iteration decodes one whole image into the 310 texts.
void BM_DecodeImage(benchmark::State& state) {
    const ImageBytes image = BenchImage();
    FieldTexts texts;
    for (auto _ : state) {
        LoadFieldsFromImage(image, texts);
        benchmark::DoNotOptimize(texts);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("one iteration = one image, 310 fields");
}
BENCHMARK(BM_DecodeImage);

// One iteration stores all 310 texts into one image.
void BM_StoreImage(benchmark::State& state) {
    ImageBytes image = BenchImage();
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    for (auto _ : state) {
        const StoreResult result = StoreFieldsToImage(texts, image);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(image);
        benchmark::ClobberMemory();
        if (!result.ok) {
            state.SkipWithError("decoded texts did not store");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("one iteration = one image, 310 fields");
}
BENCHMARK(BM_StoreImage);

}  // namespace
}  // namespace tarvik

BENCHMARK_MAIN();

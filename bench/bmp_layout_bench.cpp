// The BMP writer's arithmetic and headers, and the PNG path's reduction to 1-bit pixels, for the
// largest symbol.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "export/bmp_layout.h"
#include "export/indexed_pixels.h"
#include "symbol/raster.h"

namespace qrl {
namespace {

constexpr int kLargestSizePx = rasterSizePx(177);

void BM_BmpLayoutAndHeaders(benchmark::State& state) {
    for (auto _ : state) {
        const auto layout = computeBmpLayout(kLargestSizePx, kLargestSizePx, 32);
        benchmark::DoNotOptimize(serialiseBmpHeaders(*layout));
    }
}

// Black and white stripes a module wide: only the two colours a symbol has, as a symbol has them.
std::vector<std::uint8_t> stripedPixels(std::size_t strideBytes) {
    std::vector<std::uint8_t> pixels(strideBytes * kLargestSizePx);
    auto* pixel = reinterpret_cast<std::uint32_t*>(pixels.data());
    for (std::size_t i = 0; i < pixels.size() / 4; ++i) {
        pixel[i] = ((i % kLargestSizePx) / kModulePx) % 2 ? 0x00000000u : 0x00FFFFFFu;  // black, white
    }
    return pixels;
}

void BM_ClassifyAndPackBlackWhite(benchmark::State& state) {
    const std::size_t strideBytes = static_cast<std::size_t>(kLargestSizePx) * 4;
    const std::vector<std::uint8_t> pixels = stripedPixels(strideBytes);
    std::vector<std::uint8_t> packed(indexedRowStrideBytes(kLargestSizePx, 1) * kLargestSizePx);
    for (auto _ : state) {
        benchmark::DoNotOptimize(classifyPixels(pixels.data(), kLargestSizePx, kLargestSizePx, strideBytes));
        packBlackWhite(pixels.data(), kLargestSizePx, kLargestSizePx, strideBytes, packed.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * pixels.size()));
}

BENCHMARK(BM_BmpLayoutAndHeaders);
BENCHMARK(BM_ClassifyAndPackBlackWhite)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qrl

// The platform-free part of rendering and lossless export: packing a symbol's modules into one bit
// each, and expanding them to the full-size 1-bit image the PNG encoder is given.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "symbol/qr_symbol.h"
#include "symbol/raster.h"

namespace qrl {
namespace {

// state.range(0): letters of text; 17, 500 and 2953 give versions 1, 15 and 40.
void BM_PackAndExpandModules(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text.push_back(static_cast<char>('a' + i % 26));
    const UniqueSymbol symbol = encodeSymbol(text.c_str());
    if (!symbol) {
        state.SkipWithError("text does not encode");
        return;
    }
    const int widthModules = symbolWidthModules(*symbol);
    const int sizePx = rasterSizePx(widthModules);
    const std::size_t strideBytes = oneBitRowStrideBytes(sizePx);
    std::vector<std::uint8_t> pixels(strideBytes * sizePx);
    for (auto _ : state) {
        const ModuleBits bits = packModules(symbolModules(*symbol), widthModules);
        expandModuleBits(bits, kModulePx, pixels.data(), strideBytes);
        benchmark::ClobberMemory();
    }
    state.SetLabel("v" + std::to_string(symbolVersion(*symbol)) + " " + std::to_string(sizePx) + " px");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * pixels.size()));
}

void BM_EncodeSymbol(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text.push_back(static_cast<char>('a' + i % 26));
    for (auto _ : state) benchmark::DoNotOptimize(encodeSymbol(text.c_str()));
}

BENCHMARK(BM_PackAndExpandModules)->Arg(17)->Arg(500)->Arg(2953)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeSymbol)->Arg(17)->Arg(500)->Arg(2953)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qrl

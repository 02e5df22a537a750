// Rendering alone: the plugin's path, where its time goes, and the baseline it replaced.
#include <windows.h>

#include <cstring>
#include <memory>

#include "baselines.h"
#include "cases.h"
#include "symbol/qr_symbol.h"
#include "symbol/raster.h"
#include "symbol/symbol_image.h"

namespace qrl::bench {
namespace {

// Keeps the compiler from dropping stores into memory that is freed right after.
inline void escape(void* memory) noexcept { asm volatile("" : : "r"(memory) : "memory"); }

}  // namespace

RenderTimings addRenderRows(Report& report, const SymbolCase& symbol) {
    const UniqueSymbol encoded = encodeSymbol(symbol.text.c_str());
    const std::size_t pixelBytes = static_cast<std::size_t>(symbol.sizePx) * symbol.sizePx * 4;
    const std::vector<Timing> timings = measureInterleaved(
        kMidRuns, {[&](Stopwatch& watch) {
                       watch.start();
                       UniqueBitmap image = renderSymbol(*encoded);
                       watch.stop();
                   },
                   [&](Stopwatch& watch) {
                       watch.start();
                       UniqueBitmap image = renderWithBrushPerModule(*encoded);
                       watch.stop();
                   },
                   // The floor of any rendering: writing as many pixels into fresh pages.
                   [&](Stopwatch& watch) {
                       watch.start();
                       std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[pixelBytes]);
                       std::memset(buffer.get(), 0xFF, pixelBytes);
                       escape(buffer.get());
                       watch.stop();
                   }});
    const RenderTimings result{timings[0], timings[1], timings[2]};
    report.add("render: renderSymbol (DIB section + paintModules)", symbol.label, result.render);

    // Where rendering's time goes: the fresh surface, and painting into pixels already touched.
    const Timing surface = measure(kFastRuns, [&](Stopwatch& watch) {
        void* bits = nullptr;
        watch.start();
        UniqueBitmap image = createRaster(symbol.sizePx, symbol.sizePx, &bits);
        watch.stop();
    });
    report.add("  render phase: createRaster (fresh DIB section)", symbol.label, surface);
    void* bits = nullptr;
    const UniqueBitmap image = createRaster(symbol.sizePx, symbol.sizePx, &bits);
    const std::size_t strideBytes = static_cast<std::size_t>(symbol.sizePx) * 4;
    const Timing paint = measure(kFastRuns, [&](Stopwatch& watch) {
        watch.start();
        paintModules(symbolModules(*encoded), symbolWidthModules(*encoded), static_cast<std::uint8_t*>(bits),
                     strideBytes);
        watch.stop();
    });
    report.add("  render phase: paintModules into touched pixels", symbol.label, paint);

    report.add("render baseline: brush per module", symbol.label, result.baseline);
    report.add("memset, fresh buffer", symbol.label, result.freshFill);
    const Timing warm = measure(kFastRuns, [&](Stopwatch& watch) {
        watch.start();
        std::memset(bits, 0xFF, pixelBytes);
        escape(bits);
        watch.stop();
    });
    report.add("memset, warm buffer", symbol.label, warm);
    return result;
}

}  // namespace qrl::bench

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
                       UniqueBitmap image = renderModules(packModules(symbolModules(*encoded), symbolWidthModules(*encoded)));
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
    report.add("render: packModules + renderModules", symbol.label, result.render);

    // Where rendering's time goes: packing the modules, and scaling them up into a fresh surface.
    report.add("  render phase: packModules", symbol.label, measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   const ModuleBits bits = packModules(symbolModules(*encoded), symbolWidthModules(*encoded));
                   watch.stop();
               }));
    const ModuleBits bits = packModules(symbolModules(*encoded), symbolWidthModules(*encoded));
    report.add("  render phase: renderModules (compatible bitmap + one StretchDIBits)", symbol.label,
               measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   UniqueBitmap image = renderModules(bits);
                   watch.stop();
               }));
    report.add("render baseline: brush per module", symbol.label, result.baseline);
    report.add("memset, fresh buffer", symbol.label, result.freshFill);
    std::unique_ptr<std::uint8_t[]> touched(new std::uint8_t[pixelBytes]);
    std::memset(touched.get(), 0, pixelBytes);
    const Timing warm = measure(kFastRuns, [&](Stopwatch& watch) {
        watch.start();
        std::memset(touched.get(), 0xFF, pixelBytes);
        escape(touched.get());
        watch.stop();
    });
    report.add("memset, warm buffer", symbol.label, warm);
    return result;
}

}  // namespace qrl::bench

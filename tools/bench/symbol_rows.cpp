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

void addRenderRows(Report& report, const SymbolCase& symbol) {
    const UniqueSymbol encoded = encodeSymbol(symbol.text.c_str());
    const int widthModules = symbolWidthModules(*encoded);
    const std::size_t pixelBytes = static_cast<std::size_t>(symbol.sizePx) * symbol.sizePx * 4;
    const std::vector<Timing> timings = measureInterleaved(
        kMidRuns, {[&](Stopwatch& watch) {
                       watch.start();
                       UniqueBitmap image = renderModules(packModules(symbolModules(*encoded), widthModules));
                       watch.stop();
                   },
                   [&](Stopwatch& watch) {
                       watch.start();
                       UniqueBitmap image = renderWithBrushPerModule(*encoded);
                       watch.stop();
                   },
                   // What a rendering that writes its own pixels would pay at least: fresh pages.
                   [&](Stopwatch& watch) {
                       watch.start();
                       std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[pixelBytes]);
                       std::memset(buffer.get(), 0xFF, pixelBytes);
                       escape(buffer.get());
                       watch.stop();
                   }});
    report.add("render: packModules + renderModules", symbol.label, timings[0]);
    const ModuleBits bits = packModules(symbolModules(*encoded), widthModules);
    report.add("  render phase: packModules", symbol.label, measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   const ModuleBits packed = packModules(symbolModules(*encoded), widthModules);
                   watch.stop();
               }));
    report.add("  render phase: renderModules (compatible bitmap, 1-bit bands copied unscaled)", symbol.label,
               measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   UniqueBitmap image = renderModules(bits);
                   watch.stop();
               }));
    report.add("render baseline: brush per module", symbol.label, timings[1]);
    report.add("memset of as many pixels, fresh buffer", symbol.label, timings[2]);
    std::unique_ptr<std::uint8_t[]> touched(new std::uint8_t[pixelBytes]);
    std::memset(touched.get(), 0, pixelBytes);
    report.add("memset of as many pixels, warm buffer", symbol.label, measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   std::memset(touched.get(), 0xFF, pixelBytes);
                   escape(touched.get());
                   watch.stop();
               }));
    if (symbol.largest) {
        report.compare("render", symbol.label, timings[0], "brush per module", timings[1], {false, 5});
    }
}

}  // namespace qrl::bench

// The viewer's costs: ListLoadW end to end, the fit and a resize, beside the bare stretch.
#include <windows.h>

#include <cstdio>

#include "baselines.h"
#include "cases.h"
#include "comctl6.h"
#include "plugin/stretch.h"
#include "plugin/viewer.h"
#include "symbol/content_file.h"
#include "symbol/qr_symbol.h"
#include "symbol/symbol_image.h"

namespace qrl::bench {
namespace {

constexpr wchar_t kHostClass[] = L"QrlBenchHost";

// A visible top-level window standing in for the file manager's lister window. Popup without a
// sizing frame: such windows are not clamped to the screen, so the host can hold a 1770-px symbol.
UniqueWindow createHost(int clientWidthPx, int clientHeightPx) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
        windowClass.lpszClassName = kHostClass;
        return ::RegisterClassW(&windowClass) != 0;
    }();
    if (!registered) return {};
    UniqueWindow host(::CreateWindowExW(0, kHostClass, L"bench host", WS_POPUP | WS_VISIBLE, 0, 0, clientWidthPx,
                                        clientHeightPx, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    pumpMessages();
    return host;
}

}  // namespace

void pumpMessages() noexcept {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

namespace {

// A runner that times ListLoadW into host and closes the viewer untimed.
Runner listLoadRunner(const PluginEntries& plugin, HWND host, std::wstring& path) {
    return [&plugin, host, &path](Stopwatch& watch) {
        watch.start();
        const HWND viewer = plugin.listLoadW(host, path.data(), 0);
        watch.stop();
        if (viewer) plugin.listCloseWindow(viewer);
        pumpMessages();
    };
}

// The same load in a host with common controls 6: its static control reads the whole image back
// to look for alpha at every STM_SETIMAGE, which costs as much as the rest of the load.
void addComctl6Rows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol, const Timing& encode) {
    const Comctl6Scope comctl6;
    if (!comctl6) {
        report.addNote("Common controls 6 could not be activated: its rows are missing.");
        return;
    }
    std::wstring path = symbol.contentPath;
    const UniqueWindow host = createHost(symbol.sizePx + 20, symbol.sizePx + 20);
    const Timing load = measure(kFastRuns, listLoadRunner(plugin, host.get(), path));
    report.add("ListLoadW, host holds the symbol, common controls 6", symbol.label, load);
    const SymbolImage image = renderSymbolImage(symbol.text);
    report.add("  of which STM_SETIMAGE to a common-controls-6 static control", symbol.label,
               measure(kFastRuns, [&](Stopwatch& watch) {
                   const UniqueWindow control(::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | SS_BITMAP, 0, 0, 1,
                                                                1, host.get(), nullptr, nullptr, nullptr));
                   watch.start();
                   ::SendMessageW(control.get(), STM_SETIMAGE, IMAGE_BITMAP,
                                  reinterpret_cast<LPARAM>(image.bitmap.get()));
                   watch.stop();
               }));
    char note[320];
    std::snprintf(note, sizeof(note),
                  "In a host with common controls 6 (the file manager's) ListLoadW of %s takes %.1f ms, %.1f x the "
                  "encoding: Wine's version 6 static control reads every pixel of a 32-bit image back into a fresh "
                  "buffer at STM_SETIMAGE to look for alpha, which the plugin can't avoid.",
                  symbol.label.c_str(), load.medianMs, encode.medianMs > 0 ? load.medianMs / encode.medianMs : 0.0);
    report.addNote(note);
}

}  // namespace

void addLoadRows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol) {
    std::wstring path = symbol.contentPath;
    const UniqueSymbol encoded = encodeSymbol(symbol.text.c_str());
    std::vector<Timing> timings;
    {
        const UniqueWindow host = createHost(symbol.sizePx + 20, symbol.sizePx + 20);
        timings = measureInterleaved(kFastRuns, {listLoadRunner(plugin, host.get(), path),
                                                 [&](Stopwatch& watch) {
                                                     watch.start();
                                                     UniqueSymbol again = encodeSymbol(symbol.text.c_str());
                                                     watch.stop();
                                                 },
                                                 [&](Stopwatch& watch) {
                                                     watch.start();
                                                     UniqueBitmap image = renderWithBrushPerModule(*encoded);
                                                     watch.stop();
                                                 }});
    }
    report.add("ListLoadW, host holds the symbol", symbol.label, timings[0]);
    if (symbol.sizePx > 900) {
        const UniqueWindow host = createHost(1200, 900);
        report.add("ListLoadW, host 1200x900 (fits to 900)", symbol.label,
                   measure(kFastRuns, listLoadRunner(plugin, host.get(), path)));
    }
    report.add("  ListLoadW phase: loadContentText", symbol.label, measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   const std::string text = loadContentText(symbol.contentPath.c_str());
                   watch.stop();
               }));
    report.add("  ListLoadW phase: encode (libqrencode alone)", symbol.label, timings[1]);
    report.add("  ListLoadW phase: renderSymbolImage (encode, pack, render)", symbol.label,
               measure(kFastRuns, [&](Stopwatch& watch) {
                   watch.start();
                   SymbolImage image = renderSymbolImage(symbol.text);
                   watch.stop();
               }));
    const UniqueWindow host = createHost(symbol.sizePx + 20, symbol.sizePx + 20);
    report.add("  ListLoadW phase: openViewer (host holds the symbol)", symbol.label,
               measure(kFastRuns, [&](Stopwatch& watch) {
                   SymbolImage image = renderSymbolImage(symbol.text);
                   watch.start();
                   const HWND viewer = openViewer(::GetModuleHandleW(nullptr), host.get(), std::move(image));
                   watch.stop();
                   if (viewer) ::DestroyWindow(viewer);
                   pumpMessages();
               }));
    if (symbol.largest) addComctl6Rows(report, plugin, symbol, timings[1]);
    if (symbol.largest) {
        report.compare("ListLoadW, host holds the symbol", symbol.label, timings[0], "encode alone", timings[1],
                       {true, 3});
        report.compare("ListLoadW, host holds the symbol", symbol.label, timings[0], "brush-per-module rendering",
                       timings[2], {true, 0.6});
    }
}

void addFitRows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol) {
    const SymbolImage rendered = renderSymbolImage(symbol.text);
    const HBITMAP full = rendered.bitmap.get();
    const SizePx fullSize{symbol.sizePx, symbol.sizePx};

    // A resize as the host does it: the viewer gets a new size, refits from the full-size
    // rendering and recentres. Heights alternate so every resize is a real refit.
    const UniqueWindow host = createHost(1200, 900);
    std::wstring path = symbol.contentPath;
    const HWND viewer = plugin.listLoadW(host.get(), path.data(), 0);
    pumpMessages();
    int heightPx = 900;
    int widthPx = 1200;
    // The same viewer made one pixel wider or narrower: the window work of a resize without a fit.
    const Runner widen = [&](Stopwatch& watch) {
        widthPx = (widthPx == 1200) ? 1199 : 1200;
        watch.start();
        ::SetWindowPos(viewer, nullptr, 0, 0, widthPx, heightPx, SWP_NOZORDER | SWP_NOACTIVATE);
        watch.stop();
        pumpMessages();
    };
    const Runner resize = [&](Stopwatch& watch) {
        heightPx = (heightPx == 900) ? 899 : 900;
        watch.start();
        ::SetWindowPos(viewer, nullptr, 0, 0, widthPx, heightPx, SWP_NOZORDER | SWP_NOACTIVATE);
        watch.stop();
        pumpMessages();
    };

    for (const int targetPx : {900, 300}) {
        const SizePx target{targetPx, targetPx};
        const Runner fit = [&](Stopwatch& watch) {
            watch.start();
            UniqueBitmap fitted = stretchHalftone(full, fullSize, target);
            watch.stop();
        };
        // Everything made beforehand; only the stretch itself is timed. The full-size rendering
        // is selected around each stretch only: a bitmap can be in one context at a time, and the
        // fit selects it too.
        UniqueBitmap targetImage;
        {
            const ScreenDc screen;
            targetImage.reset(::CreateCompatibleBitmap(screen.get(), targetPx, targetPx));
        }
        const UniqueMemoryDc sourceDc(::CreateCompatibleDC(nullptr));
        const UniqueMemoryDc targetDc(::CreateCompatibleDC(nullptr));
        SelectGuard selectTarget(targetDc.get(), targetImage.get());
        ::SetStretchBltMode(targetDc.get(), HALFTONE);
        ::SetBrushOrgEx(targetDc.get(), 0, 0, nullptr);
        const Runner bare = [&](Stopwatch& watch) {
            SelectGuard selectSource(sourceDc.get(), full);
            watch.start();
            ::StretchBlt(targetDc.get(), 0, 0, targetPx, targetPx, sourceDc.get(), 0, 0, fullSize.width,
                         fullSize.height, SRCCOPY);
            ::GdiFlush();
            watch.stop();
        };
        std::vector<Runner> runners{fit, bare};
        if (targetPx == 900 && viewer) {
            runners.push_back(resize);
            runners.push_back(widen);
        }
        const std::vector<Timing> timings = measureInterleaved(kFastRuns, runners);
        const std::string to = " to " + std::to_string(targetPx) + " px";
        report.add("fit: stretchHalftone" + to, symbol.label, timings[0]);
        report.add("bare HALFTONE StretchBlt" + to, symbol.label, timings[1]);
        if (targetPx == 900) {
            report.compare("fit: stretchHalftone" + to, symbol.label, timings[0], "bare HALFTONE StretchBlt",
                           timings[1], {true, 1.3});
            if (timings.size() > 2) {
                report.add("viewer resize 900<->899 px high (refit + recentre)", symbol.label, timings[2]);
                report.add("  viewer resize 1200<->1199 px wide (recentre only, no refit)", symbol.label, timings[3]);
                report.compare("viewer resize 900<->899 px high", symbol.label, timings[2],
                               "bare HALFTONE StretchBlt", timings[1], {true, 1.5});
            }
        }
    }
    if (viewer) plugin.listCloseWindow(viewer);
    pumpMessages();
}

}  // namespace qrl::bench

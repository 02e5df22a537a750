// bench.exe PLUGIN.wlx64 — times the plugin under the current (Wine) desktop and prints a
// Markdown table of medians, minima and maxima, then the ratios the plugin is held to.
// Content files and saved images are written to the current directory.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "cases.h"
#include "symbol/qr_symbol.h"
#include "symbol/raster.h"

namespace qrl::bench {
namespace {

// Byte-mode capacities at level L: 17 letters fill version 1, 500 land on 15, 2953 fill 40.
constexpr int kTextLengths[] = {17, 500, 2953};

std::string lowerCaseText(int length) {
    std::string text;
    for (int i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
    return text;
}

std::wstring absolutePath(const std::wstring& relative) {
    wchar_t full[MAX_PATH * 2];
    const DWORD length = ::GetFullPathNameW(relative.c_str(), MAX_PATH * 2, full, nullptr);
    return (length > 0 && length < MAX_PATH * 2) ? std::wstring(full, length) : relative;
}

// Writes the content file and fills in the version the text encodes at. False when it doesn't encode.
bool prepareCase(int textLength, SymbolCase* symbol) {
    symbol->text = lowerCaseText(textLength);
    const UniqueSymbol encoded = encodeSymbol(symbol->text.c_str());
    if (!encoded) return false;
    symbol->version = symbolVersion(*encoded);
    symbol->sizePx = rasterSizePx(symbolWidthModules(*encoded));
    symbol->label = "v" + std::to_string(symbol->version) + " " + std::to_string(symbol->sizePx) + " px";
    symbol->stem = L"v" + std::to_wstring(symbol->version);
    symbol->contentPath = absolutePath(symbol->stem + L".qr");
    std::ofstream(symbol->contentPath.c_str(), std::ios::binary) << symbol->text;
    return true;
}

bool loadPlugin(const wchar_t* path, PluginEntries* plugin) {
    const HMODULE module = ::LoadLibraryW(path);
    if (!module) return false;
    // Through void*: a FARPROC has no parameters, the entries do.
    plugin->listLoadW = reinterpret_cast<ListLoadWFn>(reinterpret_cast<void*>(::GetProcAddress(module, "ListLoadW")));
    plugin->listCloseWindow = reinterpret_cast<ListCloseWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "ListCloseWindow")));
    return plugin->listLoadW && plugin->listCloseWindow;
}

int run(const wchar_t* pluginPath) {
    PluginEntries plugin;
    if (!loadPlugin(pluginPath, &plugin)) {
        std::fprintf(stderr, "bench: can't load the plugin %ls\n", pluginPath);
        return 1;
    }
    Report report;
    // The ratios are taken on the largest symbol, the last of the loop.
    LoadTimings load;
    RenderTimings render;
    SymbolCase largest;
    for (const int textLength : kTextLengths) {
        SymbolCase symbol;
        if (!prepareCase(textLength, &symbol)) {
            std::fprintf(stderr, "bench: %d letters don't encode\n", textLength);
            return 1;
        }
        load = addLoadRows(report, plugin, symbol);
        render = addRenderRows(report, symbol);
        largest = symbol;
    }
    const FitTimings fit = addFitRows(report, plugin, largest);
    ExportTimings exports;
    for (const int textLength : kTextLengths) {
        SymbolCase symbol;
        prepareCase(textLength, &symbol);
        exports = addExportRows(report, symbol);
    }

    const std::string v = " (" + largest.label + ")";
    report.addRatio("ListLoadW / encode" + v, load.listLoad, load.encode, true, 3);
    report.addRatio("baseline render / our render" + v, render.baseline, render.render, false, 3);
    report.addRatio("fit to 900 / bare stretch" + v, fit.fit, fit.bareStretch, true, 2);
    report.addRatio("viewer resize / bare stretch" + v, fit.resize, fit.bareStretch, true, 2);
    report.addRatio("32-bit PNG time / our PNG time" + v, exports.png32, exports.png, false, 3);
    // What no ListLoadW can beat: encoding, plus writing every pixel once into fresh memory.
    const double floorMs = load.encode.medianMs + render.freshFill.medianMs;
    char floor[240];
    std::snprintf(floor, sizeof(floor),
                  "Floor of ListLoadW%s: encode + fresh memset = %.2f ms = %.2f x encode (medians); "
                  "ListLoadW takes %.2f x that floor.",
                  v.c_str(), floorMs, floorMs / load.encode.medianMs, load.listLoad.medianMs / floorMs);
    report.addNote(floor);
    report.print(stdout);
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace qrl::bench

int wmain() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc != 2) {
        std::fprintf(stderr, "usage: bench.exe PLUGIN.wlx64\n");
        return 2;
    }
    try {
        return qrl::bench::run(argv[1]);
    } catch (...) {
        std::fprintf(stderr, "bench: failed\n");
        return 1;
    }
}

// bench.exe PLUGIN.wlx64 [QRENCODE_PNG_TIMING] — times the plugin under the current (Wine) desktop and prints a
// Markdown table of medians, minima and maxima, then the ratios the plugin is held to.
// Content files and saved images are written to the current directory.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <vector>
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

int run(const wchar_t* pluginPath, const Timing& qrencodePng) {
    PluginEntries plugin;
    if (!loadPlugin(pluginPath, &plugin)) {
        std::fprintf(stderr, "bench: can't load the plugin %ls\n", pluginPath);
        return 1;
    }
    Report report;
    std::vector<SymbolCase> symbols;
    for (const int textLength : kTextLengths) {
        SymbolCase symbol;
        if (!prepareCase(textLength, &symbol)) {
            std::fprintf(stderr, "bench: %d letters don't encode\n", textLength);
            return 1;
        }
        symbol.largest = textLength == kTextLengths[std::size(kTextLengths) - 1];
        symbols.push_back(symbol);
    }
    for (const SymbolCase& symbol : symbols) {
        addLoadRows(report, plugin, symbol);
        addRenderRows(report, symbol);
    }
    addFitRows(report, plugin, symbols.back());
    for (const SymbolCase& symbol : symbols) addExportRows(report, symbol, symbol.largest ? qrencodePng : Timing{});
    report.print(stdout);
    std::fflush(stdout);
    return 0;
}

// "median,min,max,runs" in milliseconds: a timing measured outside (qrencode, natively).
Timing parseTiming(const wchar_t* text) {
    Timing timing;
    if (std::swscanf(text, L"%lf,%lf,%lf,%d", &timing.medianMs, &timing.minMs, &timing.maxMs, &timing.runs) != 4) {
        return {};
    }
    return timing;
}

}  // namespace
}  // namespace qrl::bench

// bench.exe PLUGIN.wlx64 [QRENCODE_PNG_TIMING]
int wmain() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: bench.exe PLUGIN.wlx64 [QRENCODE_PNG_MS as median,min,max,runs]\n");
        return 2;
    }
    try {
        return qrl::bench::run(argv[1], argc == 3 ? qrl::bench::parseTiming(argv[2]) : qrl::bench::Timing{});
    } catch (...) {
        std::fprintf(stderr, "bench: failed\n");
        return 1;
    }
}

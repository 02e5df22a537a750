#pragma once
// The symbols the bench times, and the row groups that time them.
#include <string>

#include "report.h"

namespace qrl::bench {

// One benchmarked symbol: lower-case letters sized to land on a given version.
struct SymbolCase {
    std::string label;         // e.g. "v40 1770 px", filled in once encoded
    std::string text;          // the content, ASCII lower-case
    std::wstring contentPath;  // absolute path of a content file holding text
    std::wstring stem;         // file name stem for saved images, e.g. L"v40"
    int version = 0;
    int sizePx = 0;
};

// Run counts: fast rows get many runs; rows that take tens of milliseconds fewer.
constexpr int kFastRuns = 30;
constexpr int kMidRuns = 20;
constexpr int kSlowRuns = 10;

// Functions exported by the plugin DLL, looked up by name like a host does.
using ListLoadWFn = HWND(__stdcall*)(HWND, wchar_t*, int);
using ListCloseWindowFn = void(__stdcall*)(HWND);
struct PluginEntries {
    ListLoadWFn listLoadW = nullptr;
    ListCloseWindowFn listCloseWindow = nullptr;
};

// The timings the ratios are made of. Each pair compared in a ratio is measured interleaved.
struct LoadTimings {
    Timing listLoad;  // ListLoadW into a host that holds the symbol
    Timing encode;    // libqrencode alone
};
struct RenderTimings {
    Timing render;     // the plugin's renderSymbol
    Timing baseline;   // one brush per module
    Timing freshFill;  // writing as many pixels into memory never touched before
};
struct FitTimings {
    Timing fit;          // stretchHalftone to 900 px
    Timing bareStretch;  // StretchBlt alone, to 900 px
    Timing resize;       // a viewer resize that refits
};
struct ExportTimings {
    Timing png;    // indexed, as the plugin saves
    Timing png32;  // from the 32-bit pixels
};

// ListLoadW, call to return (closed with ListCloseWindow between runs), interleaved with encoding
// alone; when the symbol is taller than 900 px also into a host that makes the viewer fit it;
// then ListLoadW's other phases: reading the file, opening the viewer.
LoadTimings addLoadRows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol);

// Rendering alone (ours, its phases, the brush-per-module baseline) and a memset of as many pixels.
RenderTimings addRenderRows(Report& report, const SymbolCase& symbol);

// The viewer's fit to 900 and 300 px beside the bare HALFTONE StretchBlt, and a viewer resize.
FitTimings addFitRows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol);

// Saving as BMP, PNG, JPEG (bytes in the notes), the 32-bit PNG baseline, the clipboard copy.
// Files are left beside the bench as <stem>.bmp/.png/.jpg and <stem>-32bit.png.
ExportTimings addExportRows(Report& report, const SymbolCase& symbol);

// Pumps the calling thread's pending messages, so closed windows are fully gone between runs.
void pumpMessages() noexcept;

}  // namespace qrl::bench

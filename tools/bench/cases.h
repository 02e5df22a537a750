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
    bool largest = false;      // the comparisons with targets are made on the largest symbol
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

// ListLoadW, call to return (closed with ListCloseWindow between runs), interleaved with encoding
// alone and the brush-per-module rendering; when the symbol is taller than 900 px also into a
// host that makes the viewer fit it; then ListLoadW's phases.
void addLoadRows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol);

// Rendering alone (ours and its phases) against the brush-per-module baseline, and a memset of
// as many pixels into fresh and into touched memory.
void addRenderRows(Report& report, const SymbolCase& symbol);

// The viewer's fit to 900 and 300 px beside the bare HALFTONE StretchBlt, and a viewer resize.
void addFitRows(Report& report, const PluginEntries& plugin, const SymbolCase& symbol);

// Saving as BMP (against writing the same bytes from warm memory), PNG (against qrencodePngMs,
// Debian's qrencode writing the same PNG as a whole process, when given) and JPEG, the 32-bit
// PNG baseline, and the clipboard copy (its bitmap against a bare BitBlt, and the platform's
// own clipboard calls). Files are left beside the bench as <stem>.bmp/.png/.jpg.
void addExportRows(Report& report, const SymbolCase& symbol, const Timing& qrencodePng);

// Pumps the calling thread's pending messages, so closed windows are fully gone between runs.
void pumpMessages() noexcept;

}  // namespace qrl::bench

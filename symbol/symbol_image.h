#pragma once
// Content file to symbol image, on the Windows side.
#include <string>

#include "../base/win32_handles.h"
#include "raster.h"

namespace qrl {

// Reads the file at path whole and normalises it (see normaliseContent). A file that can't be
// opened or read, a folder, or a file above kMaxContentBytes gives an empty text; nothing is
// reported here. Long absolute paths are opened through the \\?\ prefix.
std::string loadContentText(const wchar_t* path);

// A rendered symbol: the full-size screen image and the modules it was scaled up from.
struct SymbolImage {
    UniqueBitmap bitmap;  // rasterSizePx square, display-compatible, black on white
    ModuleBits modules;
};

// Encodes the text and renders it (see renderModules). When the text can't be encoded (empty, or
// beyond the largest symbol) a modal error box owned by boxOwner says so and the bitmap is empty;
// a bitmap that can't be made gives an empty one silently. May throw std::bad_alloc.
SymbolImage renderSymbolImage(const std::string& text, HWND boxOwner = nullptr);

// Expands the modules ten times into 1-bit pixels and copies them, unscaled, into a new
// display-compatible bitmap: each module 10 × 10 pixels, black (00 00 00, fourth byte 0) for dark
// modules, white (FF FF FF, fourth byte 0) for light ones. The caller owns the bitmap; empty
// when it can't be made. No message.
UniqueBitmap renderModules(const ModuleBits& modules) noexcept;

// The modal box shown when a file gives no symbol, owned by owner (null: none).
void showNotHandledBox(HWND owner) noexcept;

}  // namespace qrl

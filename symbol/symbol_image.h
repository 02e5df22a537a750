#pragma once
// Content text to symbol image, on the Windows side.
#include <string>

#include "../base/win32_handles.h"
#include "raster.h"

namespace qrl {

// A rendered symbol: the full-size screen image and the modules it was scaled up from.
struct SymbolImage {
    UniqueBitmap bitmap;  // rasterSizePx square, display-compatible, black on white
    ModuleBits modules;

    // False when the text gave no symbol; a symbol whose bitmap couldn't be made has modules.
    bool hasSymbol() const noexcept { return modules.widthModules > 0; }
};

// Encodes the text and renders it (see renderModules). A text that can't be encoded (empty, or
// beyond the largest symbol) gives no symbol; a bitmap that can't be made gives the modules
// without one. Nothing is reported here. May throw std::bad_alloc.
SymbolImage renderSymbolImage(const std::string& text);

// Expands the modules ten times into 1-bit pixels and copies them, unscaled, into a new
// display-compatible bitmap: each module 10 × 10 pixels, black (00 00 00, fourth byte 0) for dark
// modules, white (FF FF FF, fourth byte 0) for light ones. The caller owns the bitmap; empty
// when it can't be made. No message.
UniqueBitmap renderModules(const ModuleBits& modules) noexcept;

}  // namespace qrl

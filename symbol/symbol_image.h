#pragma once
// Content file to symbol image, on the Windows side.
#include <qrencode.h>

#include <string>

#include "../plugin/win32_handles.h"

namespace qrl {

// Reads the file at path whole and normalises it (see normaliseContent). A file that can't be
// opened or read, a folder, or a file above kMaxContentBytes gives an empty text; nothing is
// reported here. Long absolute paths are opened through the \\?\ prefix.
std::string loadContentText(const wchar_t* path);

// Encodes the text and paints it into a new 32-bit top-down DIB section, ten pixels per module,
// black on white, fourth byte 0. The caller owns the bitmap.
// When the text can't be encoded (empty, or beyond the largest symbol) a modal error box without
// owner says so and the result is empty; a bitmap that can't be made gives empty silently.
UniqueBitmap renderSymbolImage(const std::string& text);

// Paints an encoded symbol into a new 32-bit top-down DIB section, ten pixels per module, black
// on white, fourth byte 0. The caller owns the bitmap; empty when it can't be made. No message.
UniqueBitmap renderSymbol(const QRcode& symbol) noexcept;

// The modal box shown when a file gives no symbol.
void showNotHandledBox() noexcept;

// Makes a w × h 32-bit top-down DIB section; bits receives its first row. Empty on failure.
UniqueBitmap createRaster(int widthPx, int heightPx, void** bits) noexcept;

}  // namespace qrl

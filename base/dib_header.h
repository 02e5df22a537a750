#pragma once
// The header every device-independent pixel transfer of this module describes its rows with.
#include <windows.h>

namespace qrl {

// Uncompressed rows of widthPx pixels at bitsPerPixel; heightPx > 0 stores the bottom row first,
// heightPx < 0 the top row first.
inline BITMAPINFOHEADER dibHeader(int widthPx, int heightPx, int bitsPerPixel) noexcept {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = widthPx;
    header.biHeight = heightPx;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = BI_RGB;
    return header;
}

}  // namespace qrl

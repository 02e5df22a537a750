#pragma once
// Getting pixels out of bitmaps and windows, and into BMP and PNG files.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testhost {

// 32-bit pixels, top row first, as B, G, R and a fourth byte in each uint32_t.
struct Raster {
    int widthPx = 0;
    int heightPx = 0;
    std::vector<std::uint32_t> pixels;
};

// Reads any bitmap's pixels through GetDIBits. bitsPerPixel receives the bitmap's own depth.
// False when the handle is not a readable bitmap.
bool readBitmap(HBITMAP bitmap, Raster& raster, int& bitsPerPixel);

// Copies what window's client area shows, children included, after repainting it.
bool captureClient(HWND window, Raster& raster);

// Writes a 32-bit top-down BMP, or a PNG (through GDI+) when path ends in .png. False on failure.
bool writeImageFile(const std::wstring& path, const Raster& raster);

}  // namespace testhost

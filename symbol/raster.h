#pragma once
// The symbol as pixels: ten pixels per module, no margin, black on white.
// The modules are kept as a 1-bit image, one bit per module; the screen image is that image
// scaled up in one transfer, and lossless export expands it to full size without ever reading
// the screen image back.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qrl {

constexpr int kModulePx = 10;

// Side of the full-size image in pixels for a symbol widthModules wide.
constexpr int rasterSizePx(int widthModules) noexcept { return widthModules * kModulePx; }

// Bytes per row of a 1-bit image widthPx wide, padded to 4 bytes as device-independent bitmaps
// (and the PNG encoder's input) require. 0 for widthPx <= 0.
std::size_t oneBitRowStrideBytes(int widthPx) noexcept;

// One bit per module, top row first, leftmost module in the high bit, 1 = light: index 1 of a
// black-and-white palette is white. Bits past the last module of a row are 0.
struct ModuleBits {
    int widthModules = 0;
    std::size_t rowStrideBytes = 0;  // oneBitRowStrideBytes(widthModules)
    std::vector<std::uint8_t> rows;  // widthModules rows
};

// Packs row-major module bytes (only bit 0 is read: set = dark) of a widthModules-square symbol.
// Empty bits for widthModules <= 0. May throw std::bad_alloc.
ModuleBits packModules(const std::uint8_t* modules, int widthModules);

// Writes the modules at pixelsPerModule pixels each as 1-bit rows (1 = light), top row first,
// outStrideBytes apart. Each row's first oneBitRowStrideBytes(widthModules × pixelsPerModule)
// bytes are written, pad bits 0; any bytes after them are left alone.
void expandModuleBits(const ModuleBits& bits, int pixelsPerModule, std::uint8_t* out,
                      std::size_t outStrideBytes) noexcept;

// The same for module rows firstRow to firstRow + rowCount - 1 only (clamped to the symbol):
// out receives rowCount × pixelsPerModule pixel rows, the first of them module row firstRow's.
void expandModuleRows(const ModuleBits& bits, int firstRow, int rowCount, int pixelsPerModule, std::uint8_t* out,
                      std::size_t outStrideBytes) noexcept;

}  // namespace qrl

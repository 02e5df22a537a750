#include "raster.h"

#include <algorithm>
#include <cstring>

namespace qrl {

std::size_t oneBitRowStrideBytes(int widthPx) noexcept {
    if (widthPx <= 0) return 0;
    return (static_cast<std::size_t>(widthPx) + 31) / 32 * 4;
}

ModuleBits packModules(const std::uint8_t* modules, int widthModules) {
    ModuleBits bits;
    if (modules == nullptr || widthModules <= 0) return bits;
    bits.widthModules = widthModules;
    bits.rowStrideBytes = oneBitRowStrideBytes(widthModules);
    bits.rows.assign(bits.rowStrideBytes * static_cast<std::size_t>(widthModules), 0);
    for (int y = 0; y < widthModules; ++y) {
        const std::uint8_t* source = modules + static_cast<std::size_t>(y) * widthModules;
        std::uint8_t* target = bits.rows.data() + static_cast<std::size_t>(y) * bits.rowStrideBytes;
        for (int x = 0; x < widthModules; ++x) {
            if (!(source[x] & 1u)) target[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
        }
    }
    return bits;
}

void expandModuleBits(const ModuleBits& bits, int pixelsPerModule, std::uint8_t* out,
                      std::size_t outStrideBytes) noexcept {
    expandModuleRows(bits, 0, bits.widthModules, pixelsPerModule, out, outStrideBytes);
}

void expandModuleRows(const ModuleBits& bits, int firstRow, int rowCount, int pixelsPerModule, std::uint8_t* out,
                      std::size_t outStrideBytes) noexcept {
    if (bits.widthModules <= 0 || pixelsPerModule <= 0 || out == nullptr || firstRow < 0) return;
    const int endRow = firstRow + std::min(rowCount, bits.widthModules - firstRow);
    const int widthPx = bits.widthModules * pixelsPerModule;
    const std::size_t usedBytes = oneBitRowStrideBytes(widthPx);
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* source = bits.rows.data() + static_cast<std::size_t>(y) * bits.rowStrideBytes;
        std::uint8_t* first = out + static_cast<std::size_t>(y - firstRow) * pixelsPerModule * outStrideBytes;
        std::memset(first, 0, usedBytes);
        // Runs of equal modules become runs of set bits; light modules only, the rest stay 0.
        for (int x = 0; x < bits.widthModules; ++x) {
            if (!(source[x >> 3] & (0x80u >> (x & 7)))) continue;
            for (int px = x * pixelsPerModule, end = px + pixelsPerModule; px < end; ++px) {
                first[px >> 3] |= static_cast<std::uint8_t>(0x80u >> (px & 7));
            }
        }
        // Every pixel row of a module row is the same.
        for (int k = 1; k < pixelsPerModule; ++k) {
            std::memcpy(first + static_cast<std::size_t>(k) * outStrideBytes, first, usedBytes);
        }
    }
}

}  // namespace qrl

#include "bmp_layout.h"

#include <limits>

namespace qrl {
namespace {

void putLe(std::uint8_t* at, std::uint32_t value, int bytes) noexcept {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int bmpFileBitsPerPixel(int imageBitsPerPixel) noexcept {
    return imageBitsPerPixel <= 8 ? 32 : imageBitsPerPixel;
}

std::optional<BmpLayout> computeBmpLayout(int widthPx, int heightPx, int bitsPerPixel) noexcept {
    if (widthPx <= 0 || heightPx <= 0) return std::nullopt;
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return std::nullopt;
    // 64-bit arithmetic, then a range check: the header fields are 32-bit and the pixel fetch
    // takes a signed 32-bit row count and buffer size.
    const std::uint64_t rowSizeBytes = (static_cast<std::uint64_t>(bitsPerPixel) * widthPx + 31) / 32 * 4;
    const std::uint64_t imageSizeBytes = rowSizeBytes * static_cast<std::uint64_t>(heightPx);
    const std::uint64_t fileSizeBytes = imageSizeBytes + kBmpHeadersBytes;
    if (fileSizeBytes > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;

    BmpLayout layout;
    layout.widthPx = widthPx;
    layout.heightPx = heightPx;
    layout.bitsPerPixel = static_cast<std::uint16_t>(bitsPerPixel);
    layout.rowSizeBytes = static_cast<std::uint32_t>(rowSizeBytes);
    layout.imageSizeBytes = static_cast<std::uint32_t>(imageSizeBytes);
    layout.fileSizeBytes = static_cast<std::uint32_t>(fileSizeBytes);
    return layout;
}

std::array<std::uint8_t, kBmpHeadersBytes> serialiseBmpHeaders(const BmpLayout& layout) noexcept {
    std::array<std::uint8_t, kBmpHeadersBytes> out{};  // reserved, resolution and colour fields stay 0
    std::uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    putLe(p + 2, layout.fileSizeBytes, 4);
    putLe(p + 10, kBmpHeadersBytes, 4);
    putLe(p + 14, kBmpInfoHeaderBytes, 4);
    putLe(p + 18, static_cast<std::uint32_t>(layout.widthPx), 4);
    putLe(p + 22, static_cast<std::uint32_t>(layout.heightPx), 4);
    putLe(p + 26, 1, 2);  // planes
    putLe(p + 28, layout.bitsPerPixel, 2);
    putLe(p + 30, 0, 4);  // uncompressed
    putLe(p + 34, layout.imageSizeBytes, 4);
    return out;
}

}  // namespace qrl

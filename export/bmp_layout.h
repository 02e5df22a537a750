#pragma once
// The layout of an uncompressed Windows bitmap file: 14-byte file header, 40-byte information
// header, then the rows bottom-up, each padded to a multiple of 4 bytes. No colour table.
#include <array>
#include <cstdint>
#include <optional>

namespace qrl {

constexpr int kBmpHeadersBytes = 54;
constexpr int kBmpFileHeaderBytes = 14;
constexpr int kBmpInfoHeaderBytes = 40;

struct BmpLayout {
    std::int32_t widthPx = 0;
    std::int32_t heightPx = 0;  // positive: bottom-up rows
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t rowSizeBytes = 0;
    std::uint32_t imageSizeBytes = 0;  // rowSizeBytes × heightPx
    std::uint32_t fileSizeBytes = 0;   // imageSizeBytes + 54
};

// The depth a file is written at for an image of imageBitsPerPixel: the image's own, except that
// 8 or fewer become 32, because those depths would need a colour table the file never carries.
int bmpFileBitsPerPixel(int imageBitsPerPixel) noexcept;

// Sizes for a widthPx × heightPx image stored at bitsPerPixel (16, 24 or 32). Empty when a side is
// not positive, the depth is not one of those, or the file would not fit the 32-bit size fields.
std::optional<BmpLayout> computeBmpLayout(int widthPx, int heightPx, int bitsPerPixel) noexcept;

// Both headers, little-endian, exactly as they open the file.
std::array<std::uint8_t, kBmpHeadersBytes> serialiseBmpHeaders(const BmpLayout& layout) noexcept;

}  // namespace qrl

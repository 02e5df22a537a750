// The BMP writer's files, byte for byte, for the depths and sizes it meets: rows fetched in
// bands must come out in order, bottom row first, with the fourth byte of 32-bit pixels 0.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/dib_header.h"
#include "check.h"
#include "export/bmp_writer.h"

namespace qrl::wintest {
namespace {

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// A top-down DIB section of widthPx × heightPx at bitsPerPixel, every byte of row y set from
// fill(x_byte, y). The caller owns it.
template <typename Fill>
HBITMAP dibSection(int widthPx, int heightPx, int bitsPerPixel, Fill fill) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header = dibHeader(widthPx, -heightPx, bitsPerPixel);
    for (int i = 0; i < 256; ++i) info.colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                              nullptr, 0);
    if (!bitmap) return nullptr;
    const std::size_t rowBytes = (static_cast<std::size_t>(widthPx) * bitsPerPixel + 31) / 32 * 4;
    auto* rows = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < heightPx; ++y) {
        for (std::size_t k = 0; k < rowBytes; ++k) rows[y * rowBytes + k] = fill(k, y);
    }
    ::GdiFlush();
    return bitmap;
}

}  // namespace

// 32-bit pixels whose fourth byte is set, in more rows than one band holds: every row lands at
// its place, bottom-up, and every fourth byte is 0.
WT_TEST(rowsComeOutBottomUpAcrossBandsWithTheFourthByteZero) {
    const int widthPx = 300, heightPx = 1000;  // 1,200-byte rows: bands of 109 rows
    const auto fill = [](std::size_t k, int y) { return static_cast<std::uint8_t>(k % 4 == 3 ? 0xFF : (k * 7 + y * 13) & 0xFF); };
    const HBITMAP image = dibSection(widthPx, heightPx, 32, fill);
    const std::wstring path = folder() + L"bands.bmp";
    WT_CHECK(writeBmpFile(image, path.c_str()));
    const std::string file = readFile(path);
    WT_CHECK(file.size() == 54u + 1200u * heightPx);
    WT_CHECK(file.substr(0, 2) == "BM" && le32(file, 2) == file.size() && le32(file, 10) == 54);
    WT_CHECK(le32(file, 18) == static_cast<std::uint32_t>(widthPx) && le32(file, 22) == static_cast<std::uint32_t>(heightPx));
    bool rowsInPlace = file.size() == 54u + 1200u * heightPx;
    for (int fileRow = 0; rowsInPlace && fileRow < heightPx; ++fileRow) {
        const int imageRow = heightPx - 1 - fileRow;
        for (std::size_t k = 0; k < 1200; ++k) {
            const std::uint8_t expected = k % 4 == 3 ? 0 : fill(k, imageRow);
            rowsInPlace = rowsInPlace && static_cast<std::uint8_t>(file[54 + fileRow * 1200 + k]) == expected;
        }
    }
    WT_CHECK(rowsInPlace);
    ::DeleteObject(image);
}

// A 24-bit image keeps its depth, rows padded to 4 bytes: 150 pixels make 452-byte rows.
WT_TEST(twentyFourBitRowsArePaddedToFourBytes) {
    const HBITMAP image = dibSection(150, 10, 24, [](std::size_t k, int y) { return static_cast<std::uint8_t>(k + y); });
    const std::wstring path = folder() + L"rgb.bmp";
    WT_CHECK(writeBmpFile(image, path.c_str()));
    const std::string file = readFile(path);
    WT_CHECK(file.size() == 54u + 452u * 10);
    WT_CHECK(le32(file, 34) == 452u * 10 && file[28] == 24);
    WT_CHECK(static_cast<std::uint8_t>(file[54 + 9 * 452 + 5]) == 5);  // the top row comes last
    ::DeleteObject(image);
}

// Eight bits or fewer would need a colour table the file never carries: such images go out at 32.
WT_TEST(paletteImagesAreWrittenAtThirtyTwoBits) {
    const HBITMAP image = dibSection(8, 2, 8, [](std::size_t k, int y) { return static_cast<std::uint8_t>(y ? 0x80 : k); });
    const std::wstring path = folder() + L"grey.bmp";
    WT_CHECK(writeBmpFile(image, path.c_str()));
    const std::string file = readFile(path);
    WT_CHECK(file.size() == 54u + 32u * 2 && file[28] == 32);
    WT_CHECK(le32(file, 54) == 0x00808080u);      // bottom row: grey 0x80 from the palette
    WT_CHECK(le32(file, 54 + 32 + 12) == 0x00030303u);  // top row, fourth pixel: grey 3
    ::DeleteObject(image);
}

WT_TEST(noImageWritesNothing) {
    WT_CHECK(!writeBmpFile(nullptr, (folder() + L"none.bmp").c_str()));
    WT_CHECK(namesIn(folder()).empty());
}

}  // namespace qrl::wintest

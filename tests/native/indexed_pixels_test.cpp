#include "export/indexed_pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace qrl {
namespace {

constexpr std::uint32_t kBlack = 0x00000000u;
constexpr std::uint32_t kWhite = 0x00FFFFFFu;

// A top-down 32-bit image with rows padded by padPx unused pixels, which hold junk.
struct Image {
    int widthPx, heightPx, padPx;
    std::vector<std::uint32_t> pixels;
    Image(int w, int h, int pad = 0) : widthPx(w), heightPx(h), padPx(pad),
                                       pixels(static_cast<std::size_t>(w + pad) * h, 0x00123456u) {}
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * (widthPx + padPx) + x]; }
    const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(pixels.data()); }
    std::size_t strideBytes() const { return static_cast<std::size_t>(widthPx + padPx) * 4; }
};

Image filled(int w, int h, std::uint32_t colour, int pad = 0) {
    Image image(w, h, pad);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.at(x, y) = colour;
    return image;
}

PixelPalette classify(const Image& image) {
    return classifyPixels(image.bytes(), image.widthPx, image.heightPx, image.strideBytes());
}

TEST(ClassifyPixels, PicksTheSmallestFormatThatKeepsEveryPixel) {
    struct Case { std::uint32_t odd; PixelPalette expected; };
    const Case cases[] = {
        {kWhite, PixelPalette::BlackWhite},
        {kBlack, PixelPalette::BlackWhite},
        {0xFF000000u, PixelPalette::BlackWhite},  // the fourth byte is not part of the colour
        {0xFFFFFFFFu, PixelPalette::BlackWhite},
        {0x00808080u, PixelPalette::Grey},
        {0x00010101u, PixelPalette::Grey},
        {0x00FEFEFEu, PixelPalette::Grey},
        {0x00808081u, PixelPalette::Colour},  // blue differs
        {0x00807F80u, PixelPalette::Colour},  // green differs
        {0x00FFFFFEu, PixelPalette::Colour},
        {0x00000001u, PixelPalette::Colour},
    };
    for (const Case& c : cases) {
        Image image = filled(7, 5, kWhite, 3);  // the padding's junk colour must be ignored
        image.at(6, 4) = c.odd;                 // the last pixel read
        EXPECT_EQ(classify(image), c.expected) << std::hex << c.odd;
    }
    EXPECT_EQ(classifyPixels(nullptr, 0, 0, 0), PixelPalette::BlackWhite);
}

TEST(ClassifyPixels, ColourAnywhereWinsOverGrey) {
    Image image = filled(4, 4, kBlack);
    image.at(0, 0) = 0x00404040u;
    image.at(3, 3) = 0x00400040u;
    EXPECT_EQ(classify(image), PixelPalette::Colour);
}

TEST(IndexedRowStride, PadsToFourBytes) {
    struct Case { int widthPx, bitsPerPixel; std::size_t stride; };
    const Case cases[] = {{32, 1, 4}, {33, 1, 8}, {1770, 1, 224}, {4, 8, 4}, {5, 8, 8}, {150, 8, 152}};
    for (const Case& c : cases) EXPECT_EQ(indexedRowStrideBytes(c.widthPx, c.bitsPerPixel), c.stride) << c.widthPx;
}

TEST(PackBlackWhite, HighBitIsLeftmostAndWhiteIsOne) {
    Image image = filled(10, 2, kBlack, 1);
    image.at(0, 0) = kWhite;
    image.at(9, 0) = kWhite;
    image.at(7, 1) = 0xFFFFFFFFu;  // fourth byte set: still white
    image.at(8, 1) = kWhite;
    std::vector<std::uint8_t> out(indexedRowStrideBytes(10, 1) * 2, 0xAA);
    packBlackWhite(image.bytes(), 10, 2, image.strideBytes(), out.data());
    const std::vector<std::uint8_t> expected = {0x80, 0x40, 0, 0,   // row padding cleared
                                                0x01, 0x80, 0, 0};
    EXPECT_EQ(out, expected);
}

TEST(PackGrey, IndexIsTheGreyLevel) {
    Image image(3, 2, 2);
    const std::uint32_t levels[] = {0x000000u, 0x7F7F7Fu, 0xFFFFFFu, 0x010101u, 0xFEFEFEu, 0xFF808080u};
    for (int i = 0; i < 6; ++i) image.at(i % 3, i / 3) = levels[i];
    std::vector<std::uint8_t> out(indexedRowStrideBytes(3, 8) * 2, 0xAA);
    packGrey(image.bytes(), 3, 2, image.strideBytes(), out.data());
    const std::vector<std::uint8_t> expected = {0x00, 0x7F, 0xFF, 0, 0x01, 0xFE, 0x80, 0};
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace qrl

// BMP layout on any sizes and depths: either no layout, or one whose sizes add up exactly, whose
// rows are padded minimally to 4 bytes, and whose serialised headers read back the same.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>

#include "export/bmp_layout.h"
#include "fuzz_check.h"

namespace {

std::uint32_t readLe(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

// Whether a file of these sizes fits the signed 32-bit size fields, worked out in 128 bits.
bool fitsFile(int widthPx, int heightPx, int bitsPerPixel) {
    const unsigned __int128 rowBytes = ((static_cast<unsigned __int128>(bitsPerPixel) * widthPx + 31) / 32) * 4;
    return rowBytes * static_cast<unsigned>(heightPx) + 54 <= 0x7FFFFFFFu;
}

void checkLayout(int widthPx, int heightPx, int bitsPerPixel) {
    const std::optional<qrl::BmpLayout> layout = qrl::computeBmpLayout(widthPx, heightPx, bitsPerPixel);
    const bool depthKnown = bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    const bool expected = widthPx > 0 && heightPx > 0 && depthKnown && fitsFile(widthPx, heightPx, bitsPerPixel);
    FUZZ_REQUIRE(layout.has_value() == expected);
    if (!layout) return;

    const std::uint64_t rowBits = static_cast<std::uint64_t>(bitsPerPixel) * static_cast<std::uint64_t>(widthPx);
    FUZZ_REQUIRE(layout->widthPx == widthPx && layout->heightPx == heightPx && layout->bitsPerPixel == bitsPerPixel);
    FUZZ_REQUIRE(layout->rowSizeBytes % 4 == 0);
    FUZZ_REQUIRE(std::uint64_t{layout->rowSizeBytes} * 8 >= rowBits);
    FUZZ_REQUIRE(std::uint64_t{layout->rowSizeBytes} * 8 < rowBits + 32);
    FUZZ_REQUIRE(std::uint64_t{layout->imageSizeBytes} == std::uint64_t{layout->rowSizeBytes} * static_cast<std::uint64_t>(heightPx));
    FUZZ_REQUIRE(std::uint64_t{layout->fileSizeBytes} == std::uint64_t{layout->imageSizeBytes} + 54);

    const auto headers = qrl::serialiseBmpHeaders(*layout);
    const std::uint8_t* p = headers.data();
    FUZZ_REQUIRE(p[0] == 'B' && p[1] == 'M');
    FUZZ_REQUIRE(readLe(p + 2, 4) == layout->fileSizeBytes);
    FUZZ_REQUIRE(readLe(p + 6, 4) == 0);
    FUZZ_REQUIRE(readLe(p + 10, 4) == 54);
    FUZZ_REQUIRE(readLe(p + 14, 4) == 40);
    FUZZ_REQUIRE(static_cast<std::int32_t>(readLe(p + 18, 4)) == widthPx);
    FUZZ_REQUIRE(static_cast<std::int32_t>(readLe(p + 22, 4)) == heightPx);  // positive: bottom-up
    FUZZ_REQUIRE(readLe(p + 26, 2) == 1);
    FUZZ_REQUIRE(readLe(p + 28, 2) == static_cast<std::uint32_t>(bitsPerPixel));
    FUZZ_REQUIRE(readLe(p + 30, 4) == 0);
    FUZZ_REQUIRE(readLe(p + 34, 4) == layout->imageSizeBytes);
    for (int i = 38; i < 54; ++i) FUZZ_REQUIRE(p[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int widthPx = input.ConsumeIntegral<int>();
    const int heightPx = input.ConsumeIntegral<int>();
    const int imageBitsPerPixel = input.ConsumeIntegral<int>();

    checkLayout(widthPx, heightPx, imageBitsPerPixel);
    // Whatever depth a screen reports, the file depth is one the layout knows, or the image's own.
    const int fileBitsPerPixel = qrl::bmpFileBitsPerPixel(imageBitsPerPixel);
    FUZZ_REQUIRE(imageBitsPerPixel <= 8 ? fileBitsPerPixel == 32 : fileBitsPerPixel == imageBitsPerPixel);
    checkLayout(widthPx, heightPx, fileBitsPerPixel);
    return 0;
}

// Encoding plus raster: any text either gives no symbol or a symbol whose 1-bit module image and
// its ten-fold expansion are exactly the modules (bit 0 only), with nothing written outside the
// rows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "symbol/qr_symbol.h"
#include "symbol/raster.h"

namespace {

constexpr std::size_t kLargestByteModeText = 2953;  // version 40, level L
constexpr std::size_t kLargestNumericText = 7089;
constexpr std::size_t kGuardBytes = 12;             // between rows: must stay untouched
constexpr std::uint8_t kGuardByte = 0xA5;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlphanumericMode(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'Z') || std::strchr(" $%*+-./:", c) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // the encoder stops at a NUL
    const std::size_t textBytes = std::strlen(text.c_str());
    const qrl::UniqueSymbol symbol = qrl::encodeSymbol(text.c_str());

    if (textBytes == 0) {
        FUZZ_REQUIRE(!symbol);
        return 0;
    }
    // Capacity of version 40 at level L. A text the library may split into numeric or
    // alphanumeric runs can fall short of the 8-bit figure (each run's header costs more than it
    // saves near the limit), so the 8-bit figure holds only for texts without such characters.
    if (textBytes <= kLargestByteModeText && std::none_of(text.c_str(), text.c_str() + textBytes, isAlphanumericMode)) {
        FUZZ_REQUIRE(symbol);
    }
    if (textBytes <= kLargestNumericText && std::all_of(text.c_str(), text.c_str() + textBytes, isDigit)) {
        FUZZ_REQUIRE(symbol);
    }
    if (!symbol) return 0;

    const int version = qrl::symbolVersion(*symbol);
    const int widthModules = qrl::symbolWidthModules(*symbol);
    FUZZ_REQUIRE(version >= 1 && version <= 40);
    FUZZ_REQUIRE(widthModules == 17 + 4 * version);

    const std::uint8_t* modules = qrl::symbolModules(*symbol);
    const qrl::ModuleBits bits = qrl::packModules(modules, widthModules);
    FUZZ_REQUIRE(bits.widthModules == widthModules);
    FUZZ_REQUIRE(bits.rowStrideBytes % 4 == 0 && bits.rowStrideBytes * 8 >= static_cast<std::size_t>(widthModules) &&
                 bits.rowStrideBytes * 8 < static_cast<std::size_t>(widthModules) + 32);

    const int sizePx = qrl::rasterSizePx(widthModules);
    FUZZ_REQUIRE(sizePx == 10 * widthModules);
    const std::size_t rowBytes = qrl::oneBitRowStrideBytes(sizePx);
    const std::size_t strideBytes = rowBytes + kGuardBytes;
    std::vector<std::uint8_t> raster(strideBytes * sizePx, kGuardByte);
    qrl::expandModuleBits(bits, qrl::kModulePx, raster.data(), strideBytes);

    // Each pixel row must equal the row its module row implies (light = 1, padding 0), and leave
    // the gap after it alone.
    std::vector<std::uint8_t> expectedRow(rowBytes);
    for (int y = 0; y < sizePx; ++y) {
        if (y % 10 == 0) {
            std::fill(expectedRow.begin(), expectedRow.end(), 0);
            for (int x = 0; x < sizePx; ++x) {
                const std::uint8_t module = modules[(y / 10) * widthModules + (x / 10)];
                if (!(module & 1u)) expectedRow[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
            }
        }
        const std::uint8_t* row = raster.data() + static_cast<std::size_t>(y) * strideBytes;
        FUZZ_REQUIRE(std::memcmp(row, expectedRow.data(), rowBytes) == 0);
        for (std::size_t g = rowBytes; g < strideBytes; ++g) FUZZ_REQUIRE(row[g] == kGuardByte);
    }
    return 0;
}

#include "qr_symbol.h"

#include <qrencode.h>

namespace qrl {

void SymbolDeleter::operator()(QRcode* symbol) const noexcept { QRcode_free(symbol); }

UniqueSymbol encodeSymbol(const char* utf8Text) noexcept {
    if (utf8Text == nullptr || *utf8Text == '\0') return nullptr;
    constexpr int kSmallestFitting = 0;
    constexpr int kCaseSensitive = 1;
    return UniqueSymbol(QRcode_encodeString(utf8Text, kSmallestFitting, QR_ECLEVEL_L, QR_MODE_8, kCaseSensitive));
}

int symbolWidthModules(const QRcode& symbol) noexcept { return symbol.width; }
const std::uint8_t* symbolModules(const QRcode& symbol) noexcept { return symbol.data; }
int symbolVersion(const QRcode& symbol) noexcept { return symbol.version; }

}  // namespace qrl

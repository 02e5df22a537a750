#pragma once
// Encoding the content text as a QR Code symbol with libqrencode.
#include <qrencode.h>

#include <cstdint>
#include <memory>

namespace qrl {

struct SymbolDeleter {
    void operator()(QRcode* symbol) const noexcept;
};
// A libqrencode symbol, released with QRcode_free.
using UniqueSymbol = std::unique_ptr<QRcode, SymbolDeleter>;

// Encodes a NUL-terminated UTF-8 text at the smallest version that holds it, level L, full-size
// symbols only. The 8-bit hint keeps every non-ASCII byte in 8-bit mode, so readers decode the
// text as UTF-8; digits and upper-case runs still get their compact modes.
// Returns null for an empty text, a text beyond version 40 at level L, or the library's own
// allocation failures.
UniqueSymbol encodeSymbol(const char* utf8Text) noexcept;

// Width in modules (21 to 177) and the row-major module bytes (bit 0 = dark) of a symbol.
int symbolWidthModules(const QRcode& symbol) noexcept;
const std::uint8_t* symbolModules(const QRcode& symbol) noexcept;
int symbolVersion(const QRcode& symbol) noexcept;

}  // namespace qrl

#pragma once
// The slower ways the bench compares the plugin against. Kept here only, never in the plugin.
#include <qrencode.h>

#include "base/win32_handles.h"

namespace qrl::bench {

// The straightforward rendering: a screen-compatible bitmap, one white fill, then one FillRect
// per module with a freshly created and deleted solid brush. Same pixels as renderSymbol.
UniqueBitmap renderWithBrushPerModule(const QRcode& symbol) noexcept;

}  // namespace qrl::bench

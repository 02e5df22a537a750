#pragma once
// What one viewer owns: the full-size rendering with its modules, and the fitted copy it shows
// when the viewer is shorter than the rendering. Fits always start from the full-size rendering.
#include "../base/win32_handles.h"
#include "../export/export_image.h"
#include "../symbol/symbol_image.h"
#include "fit.h"

namespace qrl {

struct ViewerState {
    SymbolImage symbol;
    SizePx fullSize;
    UniqueBitmap fitted;
    SizePx fittedSize;

    HBITMAP shown() const noexcept { return fitted ? fitted.get() : symbol.bitmap.get(); }
    SizePx shownSize() const noexcept { return fitted ? fittedSize : fullSize; }
    ExportImage exportImage() const noexcept {
        return fitted ? ExportImage{fitted.get(), nullptr} : ExportImage{symbol.bitmap.get(), &symbol.modules};
    }
};

}  // namespace qrl

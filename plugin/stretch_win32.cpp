#include "stretch.h"

namespace qrl {

UniqueBitmap stretchHalftone(HBITMAP source, SizePx sourceSize, SizePx target) noexcept {
    UniqueBitmap result;
    UniqueMemoryDc sourceDc;
    UniqueMemoryDc targetDc;
    {
        const ScreenDc screen;
        if (!screen.get()) return {};
        result.reset(::CreateCompatibleBitmap(screen.get(), target.width, target.height));
        sourceDc.reset(::CreateCompatibleDC(screen.get()));
        targetDc.reset(::CreateCompatibleDC(screen.get()));
    }
    if (!result || !sourceDc || !targetDc) return {};
    {
        const SelectGuard selectSource(sourceDc.get(), source);
        const SelectGuard selectTarget(targetDc.get(), result.get());
        if (!selectSource.ok() || !selectTarget.ok()) return {};
        ::SetStretchBltMode(targetDc.get(), HALFTONE);
        ::SetBrushOrgEx(targetDc.get(), 0, 0, nullptr);  // HALFTONE asks for it after the mode
        if (!::StretchBlt(targetDc.get(), 0, 0, target.width, target.height, sourceDc.get(), 0, 0,
                          sourceSize.width, sourceSize.height, SRCCOPY)) {
            return {};
        }
    }
    ::GdiFlush();
    return result;
}

}  // namespace qrl

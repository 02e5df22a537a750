#include "stretch.h"

#include <cstdint>

#include "../symbol/symbol_image.h"

namespace qrl {

UniqueBitmap stretchHalftone(HBITMAP source, SizePx sourceSize, SizePx target) noexcept {
    void* bits = nullptr;
    UniqueBitmap result = createRaster(target.width, target.height, &bits);
    UniqueMemoryDc sourceDc(::CreateCompatibleDC(nullptr));
    UniqueMemoryDc targetDc(::CreateCompatibleDC(nullptr));
    if (!result || !sourceDc || !targetDc) return {};
    {
        SelectGuard selectSource(sourceDc.get(), source);
        SelectGuard selectTarget(targetDc.get(), result.get());
        if (!selectSource.ok() || !selectTarget.ok()) return {};
        ::SetStretchBltMode(targetDc.get(), HALFTONE);
        ::SetBrushOrgEx(targetDc.get(), 0, 0, nullptr);
        if (!::StretchBlt(targetDc.get(), 0, 0, target.width, target.height, sourceDc.get(), 0, 0,
                          sourceSize.width, sourceSize.height, SRCCOPY)) {
            return {};
        }
    }
    ::GdiFlush();
    // Some stretch implementations write the fourth byte; it must stay 0.
    auto* pixel = static_cast<std::uint32_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(target.width) * target.height;
    for (std::size_t i = 0; i < count; ++i) pixel[i] &= 0x00FFFFFFu;
    return result;
}

}  // namespace qrl

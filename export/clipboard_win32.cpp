#include "clipboard.h"

namespace qrl {

UniqueBitmap clipboardCopyOf(HBITMAP image) noexcept {
    BITMAP description{};
    if (::GetObjectW(image, sizeof(description), &description) == 0) return {};
    const ScreenDc screen;
    if (!screen.get()) return {};
    UniqueBitmap copy(::CreateCompatibleBitmap(screen.get(), description.bmWidth, description.bmHeight));
    UniqueMemoryDc sourceDc(::CreateCompatibleDC(screen.get()));
    UniqueMemoryDc targetDc(::CreateCompatibleDC(screen.get()));
    if (!copy || !sourceDc || !targetDc) return {};
    {
        const SelectGuard selectSource(sourceDc.get(), image);
        const SelectGuard selectTarget(targetDc.get(), copy.get());
        if (!selectSource.ok() || !selectTarget.ok()) return {};
        if (!::BitBlt(targetDc.get(), 0, 0, description.bmWidth, description.bmHeight, sourceDc.get(), 0, 0,
                      SRCCOPY)) {
            return {};
        }
    }
    ::GdiFlush();
    return copy;
}

bool copyToClipboard(HBITMAP image, HWND owner) noexcept {
    if (!image || !owner) return false;
    UniqueBitmap copy = clipboardCopyOf(image);
    if (!copy) return false;
    if (!::OpenClipboard(owner)) return false;
    const bool placed = ::EmptyClipboard() && ::SetClipboardData(CF_BITMAP, copy.get()) != nullptr;
    if (placed) copy.release();  // the clipboard's now; it deletes it when emptied
    const bool closed = ::CloseClipboard() != 0;
    return placed && closed;
}

}  // namespace qrl

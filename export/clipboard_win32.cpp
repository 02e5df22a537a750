#include "clipboard.h"

#include <algorithm>

#include "../base/module_hold.h"

namespace qrl {
namespace {

// Clipboard history, clipboard managers and remote-desktop sharing open the clipboard for a few
// milliseconds after every change: a copy waits that long for it, never much longer.
constexpr DWORD kClipboardPatienceMs = 400;
constexpr DWORD kFirstRetryMs = 5;
constexpr DWORD kLongestRetryMs = 50;

// Waits about waitMs, answering the messages other threads send this one meanwhile (a holder
// closing the clipboard may wait on this thread's windows). Nothing posted is taken out of the
// queue: no input or host command runs inside the copy.
void waitAnsweringSentMessages(DWORD waitMs) noexcept {
    const DWORD start = ::GetTickCount();
    for (DWORD elapsed = 0; elapsed < waitMs; elapsed = ::GetTickCount() - start) {
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, waitMs - elapsed, QS_SENDMESSAGE, 0) == WAIT_TIMEOUT) return;
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Answering sent messages runs the host's window procedures, which may close the viewer and free
// the library (quick view moving on): the wait holds the module, and ends with its owner.
bool openClipboardPatiently(HWND owner) noexcept {
    const ModuleHold hold;
    const DWORD start = ::GetTickCount();
    for (DWORD retryMs = kFirstRetryMs;; retryMs = std::min(retryMs * 2, kLongestRetryMs)) {
        if (::OpenClipboard(owner)) return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= kClipboardPatienceMs) return false;
        waitAnsweringSentMessages(std::min(retryMs, kClipboardPatienceMs - elapsed));
        if (!::IsWindow(owner)) return false;
    }
}

}  // namespace

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
    if (!openClipboardPatiently(owner)) return false;
    const bool placed = ::EmptyClipboard() && ::SetClipboardData(CF_BITMAP, copy.get()) != nullptr;
    if (placed) copy.release();  // the clipboard's now; it deletes it when emptied
    // Once placed, the bitmap is there for every program, whatever the close answers.
    ::CloseClipboard();
    return placed;
}

}  // namespace qrl

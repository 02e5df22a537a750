// The copy's clipboard side: a holder of a moment is waited for, a lasting one is not, and what
// is placed becomes the clipboard's.
#include <windows.h>

#include "base/modal_box.h"
#include "check.h"
#include "export/clipboard.h"
#include "symbol/symbol_image.h"

namespace qrl::wintest {
namespace {

struct Holder {
    DWORD holdMs = 0;
    HANDLE opened = nullptr;
};

// Another program: a window of another thread that opens the clipboard, keeps it holdMs and
// answers its messages meanwhile.
DWORD WINAPI holdClipboard(void* parameter) {
    auto* holder = static_cast<Holder*>(parameter);
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                          nullptr);
    const BOOL held = ::OpenClipboard(window);
    ::SetEvent(holder->opened);
    const DWORD start = ::GetTickCount();
    for (DWORD elapsed = 0; elapsed < holder->holdMs; elapsed = ::GetTickCount() - start) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, holder->holdMs - elapsed, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    if (held) ::CloseClipboard();
    ::DestroyWindow(window);
    return 0;
}

// Copies image while another thread holds the clipboard for holdMs.
bool copyWhileHeld(HBITMAP image, HWND owner, DWORD holdMs) {
    Holder holder{holdMs, ::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    const HANDLE thread = ::CreateThread(nullptr, 0, holdClipboard, &holder, 0, nullptr);
    ::WaitForSingleObject(holder.opened, 5000);
    const bool copied = copyToClipboard(image, owner);
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    ::CloseHandle(thread);
    ::CloseHandle(holder.opened);
    return copied;
}

}  // namespace

WT_TEST(aClipboardHeldForAMomentIsWaitedForAndOneHeldLongerIsNot) {
    const HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                         nullptr);
    const SymbolImage symbol = renderSymbolImage("clipboard");
    WT_CHECK(copyWhileHeld(symbol.bitmap.get(), owner, 60));
    const auto placed = static_cast<HBITMAP>(::OpenClipboard(owner) ? ::GetClipboardData(CF_BITMAP) : nullptr);
    ::CloseClipboard();
    WT_CHECK(placed && placed != symbol.bitmap.get());  // a copy of its own, the clipboard's
    WT_CHECK(!copyWhileHeld(symbol.bitmap.get(), owner, 3000));
    WT_CHECK(!copyToClipboard(nullptr, owner));
    WT_CHECK(!copyToClipboard(symbol.bitmap.get(), nullptr));  // an ownerless copy Windows refuses
    ::DestroyWindow(owner);
}

// The window a box must disable for the host to take no input: the top-level one.
WT_TEST(aBoxIsOwnedByTheTopLevelWindow) {
    const HWND frame = ::CreateWindowExW(0, L"STATIC", L"frame", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                         nullptr, nullptr);
    const HWND panel = ::CreateWindowExW(0, L"STATIC", L"panel", WS_CHILD, 0, 0, 50, 50, frame, nullptr, nullptr,
                                         nullptr);
    const HWND inner = ::CreateWindowExW(0, L"STATIC", L"inner", WS_CHILD, 0, 0, 10, 10, panel, nullptr, nullptr,
                                         nullptr);
    WT_CHECK(topLevelOwnerOf(inner) == frame);
    WT_CHECK(topLevelOwnerOf(frame) == frame);
    WT_CHECK(topLevelOwnerOf(nullptr) == nullptr);
    ::DestroyWindow(frame);
    WT_CHECK(topLevelOwnerOf(inner) == nullptr);  // gone: no owner rather than a stale one
}

}  // namespace qrl::wintest

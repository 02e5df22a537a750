#include "clipboard_hold.h"

#include <windows.h>

#include "host_log.h"
#include "host_state.h"

namespace testhost {
namespace {

constexpr DWORD kHoldStartMs = 5000;

struct Hold {
    HANDLE thread = nullptr;
    HANDLE opened = nullptr;   // set by the holder once it has tried
    HANDLE release = nullptr;  // set by the host to let go
    bool held = false;
    DWORD forMs = INFINITE;    // lets go by itself after this long; INFINITE: at cliprelease
};

Hold hold;

// Another thread, another window: the clipboard is then held by someone else than anything the
// plugin (on the host's thread) may open it with. It keeps pumping while it holds, as a program
// would.
DWORD WINAPI holdClipboard(void*) {
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"testhost clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, nullptr, nullptr);
    hold.held = window && ::OpenClipboard(window);
    ::SetEvent(hold.opened);
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (hold.forMs != INFINITE && elapsed >= hold.forMs) break;
        const DWORD leftMs = hold.forMs == INFINITE ? INFINITE : hold.forMs - elapsed;
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &hold.release, FALSE, leftMs, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_TIMEOUT) break;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    if (hold.held) ::CloseClipboard();
    if (window) ::DestroyWindow(window);
    return 0;
}

// Waits for handle while this thread keeps answering: opening and closing the clipboard may
// send messages to its owner, which may be a window of this thread (the viewer that copied).
bool waitPumping(HANDLE handle, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs) return false;
        const DWORD leftMs = timeoutMs == INFINITE ? INFINITE : timeoutMs - elapsed;
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, leftMs, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        pumpPending();
    }
}

void endHold() {
    ::SetEvent(hold.release);
    waitPumping(hold.thread, INFINITE);
    for (HANDLE handle : {hold.thread, hold.opened, hold.release}) ::CloseHandle(handle);
    hold = Hold{};
}

}  // namespace

std::string runClipHold(const std::vector<Token>& args) {
    int forMs = 0;
    if (args.size() > 1 || (args.size() == 1 && (!parseInt(args[0].text, forMs) || forMs < 0))) {
        return "usage: cliphold [MS]";
    }
    if (hold.thread) {
        // One that let go by itself is over: cleared for the next.
        if (::WaitForSingleObject(hold.thread, 0) != WAIT_OBJECT_0) return "the clipboard is already held";
        endHold();
    }
    hold.forMs = args.empty() ? INFINITE : static_cast<DWORD>(forMs);
    hold.opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    hold.release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    hold.thread = hold.opened && hold.release ? ::CreateThread(nullptr, 0, holdClipboard, nullptr, 0, nullptr) : nullptr;
    if (!hold.thread) {
        for (HANDLE handle : {hold.opened, hold.release}) if (handle) ::CloseHandle(handle);
        hold = Hold{};
        return "can't start the clipboard holder";
    }
    const bool started = waitPumping(hold.opened, kHoldStartMs);
    const bool held = started && hold.held;
    if (!held) endHold();
    logLine(held ? "cliphold ok" : "cliphold failed");
    return {};
}

std::string runClipRelease(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: cliprelease";
    if (!hold.thread) return "the clipboard is not held";
    endHold();
    logLine("cliprelease");
    return {};
}

}  // namespace testhost

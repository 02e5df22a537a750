#include "clipboard_hold.h"

#include <windows.h>

#include <algorithm>

#include "host_log.h"
#include "host_state.h"
#include "lister_window.h"
#include "plugin_lifetime.h"
#include "script_commands.h"

namespace testhost {
namespace {

constexpr DWORD kHoldStartMs = 5000;
constexpr UINT kFreeMessage = WM_APP + 0x51;
constexpr wchar_t kFreeClass[] = L"QrlTestHostClipboardFreer";

struct Hold {
    HANDLE thread = nullptr;
    HANDLE opened = nullptr;   // set by the holder once it has tried
    HANDLE release = nullptr;  // set by the host to let go
    bool held = false;
    DWORD forMs = INFINITE;    // lets go by itself after this long; INFINITE: at cliprelease
    DWORD freeAtMs = INFINITE; // when the holder sends the host the message that frees the library
    HWND freer = nullptr;      // the host's window that gets it
    std::string freeId;        // the lister whose plugin window it closes
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
        if (hold.freeAtMs != INFINITE && elapsed >= hold.freeAtMs) {
            // Answered only once the host's thread takes sent messages: inside the plugin's wait.
            hold.freeAtMs = INFINITE;
            ::SendMessageW(hold.freer, kFreeMessage, 0, 0);
            continue;
        }
        DWORD leftMs = hold.forMs == INFINITE ? INFINITE : hold.forMs - elapsed;
        if (hold.freeAtMs != INFINITE) leftMs = std::min(leftMs, hold.freeAtMs - elapsed);
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &hold.release, FALSE, leftMs, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) break;
        if (woken == WAIT_TIMEOUT) continue;  // the hold's end or the message's time: seen above
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    if (hold.held) ::CloseClipboard();
    if (window) ::DestroyWindow(window);
    return 0;
}

// On the host's thread: what a message from another thread may make the file manager do, as
// quick view moving on: the viewer closed and the library freed.
LRESULT CALLBACK freerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kFreeMessage) return ::DefWindowProcW(window, message, wParam, lParam);
    logLine("free " + hold.freeId);
    if (const HWND frame = listerOf(hold.freeId)) closePluginWindow(frame);
    runUnload({});
    return 0;
}

HWND createFreer() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = freerProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kFreeClass;
        registered = ::RegisterClassW(&windowClass) != 0;
    }
    return ::CreateWindowExW(0, kFreeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr),
                             nullptr);
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
    if (hold.freer) ::DestroyWindow(hold.freer);
    hold = Hold{};
}

}  // namespace

std::string runClipHold(const std::vector<Token>& args) {
    const char* usage = "usage: cliphold [MS [free ID AFTER_MS]]";
    int forMs = 0, freeAtMs = -1;
    if (args.size() != 0 && args.size() != 1 && args.size() != 4) return usage;
    if (!args.empty() && (!parseInt(args[0].text, forMs) || forMs < 0)) return usage;
    if (args.size() == 4 && (args[1].text != "free" || !parseInt(args[3].text, freeAtMs) || freeAtMs < 0)) return usage;
    if (freeAtMs >= 0 && !listerOf(args[2].text)) return "unknown lister " + args[2].text;
    if (hold.thread) {
        // One that let go by itself is over: cleared for the next.
        if (::WaitForSingleObject(hold.thread, 0) != WAIT_OBJECT_0) return "the clipboard is already held";
        endHold();
    }
    hold.forMs = args.empty() ? INFINITE : static_cast<DWORD>(forMs);
    if (freeAtMs >= 0) {
        hold.freer = createFreer();
        if (!hold.freer) return "can't create the host's window for the freeing message";
        hold.freeAtMs = static_cast<DWORD>(freeAtMs);
        hold.freeId = args[2].text;
    }
    hold.opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    hold.release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    hold.thread = hold.opened && hold.release ? ::CreateThread(nullptr, 0, holdClipboard, nullptr, 0, nullptr) : nullptr;
    if (!hold.thread) {
        for (HANDLE handle : {hold.opened, hold.release}) if (handle) ::CloseHandle(handle);
        if (hold.freer) ::DestroyWindow(hold.freer);
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

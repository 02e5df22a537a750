#include "host_state.h"

#include "host_log.h"
#include "lister_window.h"

namespace testhost {
namespace {

// Ctrl+C anywhere in a lister window goes to the plugin as command 1, never to the window.
bool translateCopyKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != 'C' || !(::GetKeyState(VK_CONTROL) & 0x8000)) {
        return false;
    }
    const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
    HostState& host = hostState();
    for (const auto& [id, frame] : host.listers) {
        if (frame != root) continue;
        const HWND pluginWindow = pluginWindowOf(frame);
        if (!pluginWindow || !host.plugin.command) return false;
        const int result = host.plugin.command(pluginWindow, 1, 0);
        logLine("command " + id + " 1 " + std::to_string(result));
        return true;
    }
    return false;
}

}  // namespace

HostState& hostState() {
    static HostState state;
    return state;
}

std::string listerIdOf(HWND frame) {
    for (const auto& [id, lister] : hostState().listers) {
        if (lister == frame) return id;
    }
    return {};
}

void pumpPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        if (translateCopyKey(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void pumpFor(DWORD durationMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        pumpPending();
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= durationMs) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, durationMs - elapsed, QS_ALLINPUT);
    }
}

void runMessageLoop() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (translateCopyKey(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace testhost

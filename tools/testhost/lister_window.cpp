#include "lister_window.h"

#include "host_log.h"
#include "host_state.h"
#include "key_input.h"

namespace testhost {
namespace {

constexpr DWORD kListerStyle = WS_OVERLAPPEDWINDOW;
int interactiveWindows = 0;
int cascade = 0;

constexpr wchar_t kPanelClass[] = L"QrlTestHostPanel";

// The plugin's parent is a child panel of the frame, not the frame itself: a top-level window
// can't be made 0 pixels high under Wine, a child can.
struct FrameData {
    HWND panel = nullptr;
    HWND pluginWindow = nullptr;
    PluginApi plugin;          // this window's own reference to the library, while it shows one
    HostMode mode = HostMode::Plain;  // how pluginWindow was taken over
    bool interactive = false;  // the panel follows the frame as the user resizes it
};

FrameData* dataOf(HWND frame) { return reinterpret_cast<FrameData*>(::GetWindowLongPtrW(frame, GWLP_USERDATA)); }

void fillWithPlugin(HWND panel) {
    const HWND frame = ::GetParent(panel);
    FrameData* data = frame ? dataOf(frame) : nullptr;
    if (!data || !data->pluginWindow || !::IsWindow(data->pluginWindow)) return;
    RECT client{};
    ::GetClientRect(panel, &client);
    if (data->mode == HostMode::Dc) {
        ::MoveWindow(data->pluginWindow, 0, 0, client.right, client.bottom, TRUE);
    } else {
        ::SetWindowPos(data->pluginWindow, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Gives the plugin window the focus whenever the lister window gets it or is activated (Ctrl+S
// must reach the plugin). False when there is no plugin window to give it to.
bool focusPlugin(HWND frame) {
    FrameData* data = dataOf(frame);
    if (!data || !data->pluginWindow || !::IsWindow(data->pluginWindow)) return false;
    ::SetFocus(data->pluginWindow);
    return true;
}

LRESULT CALLBACK panelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        fillWithPlugin(panel);
        return 0;
    case WM_KEYDOWN:
        // Only the Dc host's replacement procedure posts key-downs here.
        logLine("parentkey " + listerIdOf(::GetParent(panel)) + " " + keyName(static_cast<unsigned>(wParam)));
        return 0;
    default:
        return ::DefWindowProcW(panel, message, wParam, lParam);
    }
}

LRESULT CALLBACK listerProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_GETMINMAXINFO:
    {
        // Tests shrink the client area to nothing and grow it past the screen (the largest
        // symbol is 1770 pixels high): no tracking limits.
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = POINT{0, 0};
        limits->ptMaxTrackSize = POINT{16384, 16384};
        return 0;
    }
    case WM_SIZE:
        if (FrameData* data = dataOf(frame); data && data->interactive && data->panel) {
            ::MoveWindow(data->panel, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && focusPlugin(frame)) return 0;
        break;
    case WM_SETFOCUS:
        focusPlugin(frame);
        return 0;
    case WM_CLOSE:
        closeListerWindow(frame);
        return 0;
    case WM_NCDESTROY: {
        FrameData* data = dataOf(frame);
        ::SetWindowLongPtrW(frame, GWLP_USERDATA, 0);
        if (data && data->interactive && --interactiveWindows == 0) ::PostQuitMessage(0);
        // A plugin window that went with this window (never closed through the plugin) no
        // longer needs the library.
        if (data) unloadPlugin(data->plugin);
        delete data;
        break;
    }
    default:
        break;
    }
    return ::DefWindowProcW(frame, message, wParam, lParam);
}

void registerListerClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = listerProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    // Grey, so that a screenshot tells the host's area from the plugin's.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kListerClassName;
    registered = ::RegisterClassW(&windowClass) != 0;
    windowClass.lpfnWndProc = panelProc;
    windowClass.lpszClassName = kPanelClass;
    registered = ::RegisterClassW(&windowClass) != 0 && registered;
}

SIZE frameSizeFor(int clientWidthPx, int clientHeightPx) {
    RECT rect{0, 0, clientWidthPx, clientHeightPx};
    ::AdjustWindowRectEx(&rect, kListerStyle, FALSE, 0);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

HWND createListerWindow(int clientWidthPx, int clientHeightPx, const std::wstring& title, bool interactive) {
    registerListerClass();
    auto* data = new FrameData{};
    data->interactive = interactive;
    const SIZE size = frameSizeFor(clientWidthPx, clientHeightPx);
    const int offset = 24 * (cascade++ % 8);
    const HWND frame = ::CreateWindowExW(0, kListerClassName, title.c_str(), kListerStyle, 10 + offset, 10 + offset,
                                         size.cx, size.cy, nullptr, nullptr, ::GetModuleHandleW(nullptr), data);
    if (!frame) {
        delete data;
        return nullptr;
    }
    if (interactive) ++interactiveWindows;
    data->panel = ::CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, clientWidthPx, clientHeightPx,
                                    frame, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::ShowWindow(frame, SW_SHOWNORMAL);
    ::UpdateWindow(frame);
    resizeListerClient(frame, clientWidthPx, clientHeightPx);
    return frame;
}

void resizeListerClient(HWND frame, int clientWidthPx, int clientHeightPx) {
    SIZE size = frameSizeFor(clientWidthPx, clientHeightPx);
    ::SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame's own non-client area may differ from the computed one (menus wrap, themes):
    // correct once by what actually came out.
    RECT client{};
    ::GetClientRect(frame, &client);
    if (client.right != clientWidthPx || client.bottom != clientHeightPx) {
        size.cx += clientWidthPx - client.right;
        size.cy += clientHeightPx - client.bottom;
        ::SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Exactly the size asked for, whatever the frame could be given.
    if (FrameData* data = dataOf(frame); data && data->panel) {
        ::SetWindowPos(data->panel, nullptr, 0, 0, clientWidthPx, clientHeightPx, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND panelOf(HWND frame) {
    FrameData* data = frame ? dataOf(frame) : nullptr;
    return data ? data->panel : nullptr;
}

HWND pluginWindowOf(HWND frame) {
    FrameData* data = frame ? dataOf(frame) : nullptr;
    return data ? data->pluginWindow : nullptr;
}

void attachPluginWindow(HWND frame, HWND pluginWindow, const PluginApi& api, HostMode mode) {
    FrameData* data = dataOf(frame);
    if (!data || !pluginWindow) return;
    if (!holdPlugin(api, data->plugin)) return;
    data->pluginWindow = pluginWindow;
    data->mode = mode;
    subclassPluginWindow(pluginWindow, mode);
    // A lister window already active doesn't hear of its new plugin window otherwise.
    if (::GetActiveWindow() == frame) focusPlugin(frame);
}

void clickListerWindow(HWND frame) {
    ::SetForegroundWindow(frame);
    // Already in front: the activation that hands on the focus doesn't come again.
    if (::GetFocus() != pluginWindowOf(frame) && !focusPlugin(frame)) ::SetFocus(frame);
}

void closePluginWindow(HWND frame) {
    FrameData* data = dataOf(frame);
    if (!data || !data->pluginWindow) return;
    const HWND pluginWindow = data->pluginWindow;
    data->pluginWindow = nullptr;
    restoreBeforeClose(pluginWindow, data->mode);
    if (data->plugin.close) data->plugin.close(pluginWindow);
    unloadPlugin(data->plugin);
    hostState().closedPluginWindow = pluginWindow;
}

void closeListerWindow(HWND frame) {
    closePluginWindow(frame);
    ::DestroyWindow(frame);
}

}  // namespace testhost

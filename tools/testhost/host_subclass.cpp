#include "host_subclass.h"

#include "host_log.h"
#include "host_state.h"
#include "key_input.h"

namespace testhost {
namespace {

// One property per layer: each replacement finds the procedure it replaced by its own name,
// whatever was put on top of it since.
constexpr wchar_t kListerKeysPrevious[] = L"QrlTestHostListerKeysPrevious";
constexpr wchar_t kOuterPrevious[] = L"QrlTestHostOuterPrevious";
constexpr wchar_t kPostsToParent[] = L"QrlTestHostPostsToParent";

std::string idOfPluginWindow(HWND window) {
    const std::string id = listerIdOf(::GetAncestor(window, GA_ROOT));
    return id.empty() ? "?" : id;
}

bool isModifierDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// Forwards to the procedure this layer replaced; the layer lets go of it with the window.
LRESULT forward(const wchar_t* property, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(::GetPropW(window, property));
    if (message == WM_NCDESTROY) ::RemovePropW(window, property);
    return previous ? ::CallWindowProcW(previous, window, message, wParam, lParam)
                    : ::DefWindowProcW(window, message, wParam, lParam);
}

// The file manager's own keys: N and P step to the next and previous file and never reach the
// plugin. Double Commander also posts every key-down to the lister (the plugin's parent).
LRESULT CALLBACK listerKeysProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) {
        if (::GetPropW(window, kPostsToParent)) {
            const HWND parent = ::GetParent(window);
            if (parent) ::PostMessageW(parent, WM_KEYDOWN, wParam, lParam);
        }
        if ((wParam == 'N' || wParam == 'P') && !isModifierDown(VK_CONTROL) && !isModifierDown(VK_MENU)) {
            logLine("hostkey " + idOfPluginWindow(window) + " " + keyName(static_cast<unsigned>(wParam)));
            return 0;
        }
    }
    if (message == WM_NCDESTROY) ::RemovePropW(window, kPostsToParent);
    return forward(kListerKeysPrevious, window, message, wParam, lParam);
}

// A second taker on top of the first (another tool hooking the same window): passes all on.
LRESULT CALLBACK outerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return forward(kOuterPrevious, window, message, wParam, lParam);
}

void replaceProcedure(HWND window, const wchar_t* property, WNDPROC replacement) {
    // The property is set first: the replacement may be called as soon as it is in place.
    ::SetPropW(window, property, reinterpret_cast<HANDLE>(::GetWindowLongPtrW(window, GWLP_WNDPROC)));
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replacement));
}

}  // namespace

bool parseHostMode(const std::string& name, HostMode& mode) {
    if (name == "plain") mode = HostMode::Plain;
    else if (name == "tc") mode = HostMode::Tc;
    else if (name == "tc2") mode = HostMode::Tc2;
    else if (name == "dc") mode = HostMode::Dc;
    else return false;
    return true;
}

void subclassPluginWindow(HWND pluginWindow, HostMode mode) {
    if (!pluginWindow || mode == HostMode::Plain) return;
    if (mode == HostMode::Dc) ::SetPropW(pluginWindow, kPostsToParent, reinterpret_cast<HANDLE>(1));
    replaceProcedure(pluginWindow, kListerKeysPrevious, listerKeysProc);
    if (mode == HostMode::Tc2) replaceProcedure(pluginWindow, kOuterPrevious, outerProc);
}

void restoreBeforeClose(HWND pluginWindow, HostMode mode) {
    if (mode != HostMode::Dc || !::IsWindow(pluginWindow)) return;
    // As Double Commander does it: straight back to the stored procedure, no questions asked.
    const HANDLE previous = ::GetPropW(pluginWindow, kListerKeysPrevious);
    if (previous) ::SetWindowLongPtrW(pluginWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    ::RemovePropW(pluginWindow, kListerKeysPrevious);
    ::RemovePropW(pluginWindow, kPostsToParent);
}

}  // namespace testhost

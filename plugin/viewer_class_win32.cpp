#include "viewer_class.h"

#include "viewer_list.h"

namespace qrl {

ATOM viewerClass(HINSTANCE instance, WNDPROC procedure) noexcept {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (const ATOM existing = static_cast<ATOM>(::GetClassInfoExW(instance, kViewerClassName, &windowClass))) {
        // Registered by an earlier open. One whose procedure is not ours was left by a module
        // unloaded without unregistering it (another build, mapped at the same address): its
        // procedure points into code that is gone or different. (A global class of another
        // module's can't be unregistered here; a class of our own then takes precedence.)
        if (windowClass.lpfnWndProc == procedure) return existing;
        ::UnregisterClassW(kViewerClassName, instance);
    }
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    // White around the symbol: the symbol's quiet zone on screen.
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kViewerClassName;
    return ::RegisterClassExW(&windowClass);
}

void unregisterViewerClass(HINSTANCE instance) noexcept {
    if (!anyLiveViewer()) ::UnregisterClassW(kViewerClassName, instance);
}

}  // namespace qrl

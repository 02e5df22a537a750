#include "viewer.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "../base/entry_thunk.h"
#include "../base/module_hold.h"
#include "../export/save_command.h"
#include "fit.h"
#include "stretch.h"

// The viewer's window procedure: a thunk (entry_thunk.h) around the body below, since the save
// command's dialog and boxes may leave the library to be given back once it has returned.
extern "C" LRESULT CALLBACK qrlViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern "C" LRESULT qrlViewerProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

namespace qrl {
namespace {

// What one viewer owns: the full-size rendering with its modules, and the fitted copy it shows
// when the viewer is shorter than the rendering. Fits always start from the full-size rendering.
struct ViewerState {
    SymbolImage symbol;
    SizePx fullSize;
    UniqueBitmap fitted;
    SizePx fittedSize;
    bool ownedByWindow = false;  // set once creation has succeeded; WM_NCDESTROY frees it then

    HBITMAP shown() const noexcept { return fitted ? fitted.get() : symbol.bitmap.get(); }
    SizePx shownSize() const noexcept { return fitted ? fittedSize : fullSize; }
    ExportImage exportImage() const noexcept {
        return fitted ? ExportImage{fitted.get(), nullptr} : ExportImage{symbol.bitmap.get(), &symbol.modules};
    }
};

// A viewer from its creation (WM_NCCREATE) to its end (WM_NCDESTROY).
struct LiveViewer {
    HWND window;
    HINSTANCE instance;
    ViewerState* state;
};

// The module's live viewers, a few at most. Kept here rather than on the window (GWLP_USERDATA
// is the host's, and the host replaces the window procedure to catch its keys): telling a viewer
// then takes no platform call that could fail, and no window of another module or process, nor
// a stale handle, is ever taken for one.
std::vector<LiveViewer> liveViewers;

LiveViewer* findViewer(HWND window) noexcept {
    const auto found = std::find_if(liveViewers.begin(), liveViewers.end(),
                                    [window](const LiveViewer& viewer) { return viewer.window == window; });
    return found == liveViewers.end() ? nullptr : &*found;
}

ViewerState* stateOf(HWND window) noexcept {
    const LiveViewer* viewer = window ? findViewer(window) : nullptr;
    return viewer ? viewer->state : nullptr;
}

// The state of a live viewer of instance; null for any other window.
ViewerState* liveViewerState(HINSTANCE instance, HWND window) noexcept {
    const LiveViewer* viewer = window ? findViewer(window) : nullptr;
    return viewer && viewer->instance == instance ? viewer->state : nullptr;
}

SizePx bitmapSize(HBITMAP bitmap) noexcept {
    BITMAP description{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(description), &description) != sizeof(description)) return {};
    return {description.bmWidth, description.bmHeight};
}

// The viewer's own image control is its first (and only) child; never a recorded handle that
// may belong to another viewer or be gone.
HWND imageControlOf(HWND viewer) noexcept { return ::GetWindow(viewer, GW_CHILD); }

void setControlImage(HWND control, const ViewerState& state, HBITMAP image) noexcept {
    if (control) replaceControlImage(control, image, {state.symbol.bitmap.get(), state.fitted.get()});
}

// Fits the shown image to the client height from the full-size rendering, then centres the
// image control. A fit that would have no pixels is skipped: the viewer keeps what it shows.
void fitAndCentre(HWND viewer, ViewerState& state) noexcept {
    if (!state.symbol.bitmap) return;
    RECT client{};
    if (!::GetClientRect(viewer, &client)) return;
    const HWND control = imageControlOf(viewer);
    const SizePx target = fitToHeight(state.fullSize, client.bottom - client.top);
    if (isDrawable(target) && target != state.shownSize()) {
        if (target == state.fullSize) {
            setControlImage(control, state, state.symbol.bitmap.get());
            state.fitted.reset();
        } else if (UniqueBitmap fitted = stretchHalftone(state.symbol.bitmap.get(), state.fullSize, target)) {
            setControlImage(control, state, fitted.get());
            state.fitted = std::move(fitted);  // the replaced copy is released only now
            state.fittedSize = target;
        }
    }
    if (control) {
        const SizePx size = state.shownSize();
        const PointPx at = centreIn(size, client.right, client.bottom);
        ::SetWindowPos(control, nullptr, at.x, at.y, size.width, size.height, SWP_NOZORDER | SWP_FRAMECHANGED);
    }
}

// The image is looked up only once the dialog has closed: a resize while it was up may have
// replaced it, and the viewer itself may be gone (its boxes then have no owner).
void runSaveCommand(HWND viewer) noexcept {
    try {
        const std::wstring path = askSavePath(viewer);
        if (path.empty()) return;
        const ViewerState* alive = stateOf(viewer);
        saveImageTo(alive ? viewer : nullptr, alive ? alive->exportImage() : ExportImage{}, path);
    } catch (...) {
        // Nothing may leave the window procedure; an allocation failure ends the command quietly.
    }
}

// The class of this module instance, registered on first use; 0 when it can't be.
ATOM viewerClass(HINSTANCE instance) noexcept {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (const ATOM existing = static_cast<ATOM>(::GetClassInfoExW(instance, kViewerClassName, &windowClass))) {
        // Registered by an earlier open. One whose procedure is not ours was left by a module
        // unloaded without unregistering it (another build, mapped at the same address): its
        // procedure points into code that is gone or different. (A global class of another
        // module's can't be unregistered here; a class of our own then takes precedence.)
        if (windowClass.lpfnWndProc == qrlViewerProc) return existing;
        ::UnregisterClassW(kViewerClassName, instance);
    }
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = qrlViewerProc;
    windowClass.hInstance = instance;
    // White around the symbol: the symbol's quiet zone on screen.
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kViewerClassName;
    return ::RegisterClassExW(&windowClass);
}

LRESULT viewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        // Only openViewer's windows carry a state. One that can't be noted could never free it:
        // the creation fails instead, and the state stays the caller's.
        if (auto* state = static_cast<ViewerState*>(create->lpCreateParams)) {
            try {
                liveViewers.push_back(LiveViewer{window, create->hInstance, state});
            } catch (...) {
                return FALSE;
            }
        }
        break;
    }
    case WM_CREATE:
        return 0;
    case WM_SIZE:
        if (ViewerState* state = stateOf(window)) fitAndCentre(window, *state);
        return 0;
    case WM_KEYDOWN:
        if ((::GetKeyState(VK_CONTROL) & 0x8000) && wParam == 'S') runSaveCommand(window);
        return 0;
    case WM_DESTROY:
        // The control goes after this: it must not keep, nor leak, a copy of its own.
        if (ViewerState* state = stateOf(window)) setControlImage(imageControlOf(window), *state, nullptr);
        break;
    case WM_NCDESTROY:
        // Whatever destroys the viewer (ListCloseWindow, or the host destroying its own window),
        // its images go with it.
    {
        if (LiveViewer* viewer = findViewer(window)) {
            ViewerState* state = viewer->state;
            liveViewers.erase(liveViewers.begin() + (viewer - liveViewers.data()));
            if (state->ownedByWindow) delete state;
        }
        break;
    }
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void replaceControlImage(HWND control, HBITMAP image, std::initializer_list<HBITMAP> owned) noexcept {
    const auto previous = reinterpret_cast<HBITMAP>(
        ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image)));
    if (!previous || previous == image) return;
    for (HBITMAP mine : owned) {
        if (previous == mine) return;
    }
    // A copy the control made of an image of ours (common controls 6 copy bitmaps whose fourth
    // byte is not 0); nobody else would release it.
    ::DeleteObject(previous);
}

void unregisterViewerClass(HINSTANCE instance) noexcept {
    if (liveViewers.empty()) ::UnregisterClassW(kViewerClassName, instance);
}

bool isViewer(HINSTANCE instance, HWND window) noexcept { return liveViewerState(instance, window) != nullptr; }

ExportImage viewerImage(HINSTANCE instance, HWND window) noexcept {
    const ViewerState* state = liveViewerState(instance, window);
    return state ? state->exportImage() : ExportImage{};
}

HWND openViewer(HINSTANCE instance, HWND parent, SymbolImage symbol) {
    auto state = std::make_unique<ViewerState>();
    state->fullSize = bitmapSize(symbol.bitmap.get());
    state->symbol = std::move(symbol);

    if (!viewerClass(instance)) return nullptr;
    RECT area{};
    ::GetClientRect(parent, &area);
    // Creation sends the first WM_SIZE, which already fits the image: the control made below
    // shows the fitted image from the start. The viewer clips its child, so a resize never
    // paints the background over the symbol before the symbol is painted again.
    const HWND viewer =
        ::CreateWindowExW(0, kViewerClassName, kViewerTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, area.left,
                          area.top, area.right - area.left, area.bottom - area.top, parent, nullptr, instance,
                          state.get());
    if (!viewer) return nullptr;  // the state (and image) is released here
    ViewerState* owned = state.release();  // the window's now: WM_NCDESTROY frees it
    owned->ownedByWindow = true;

    const SizePx size = owned->shownSize();
    const PointPx at = centreIn(size, area.right, area.bottom);
    // Made hidden and shown once it has its image: some static controls paint at once when a
    // visible one is given an image, and the first WM_PAINT would paint it all over again.
    const HWND control = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | SS_BITMAP, at.x, at.y, size.width,
                                           size.height, viewer, nullptr, instance, nullptr);
    // Sent, not posted: a posted handle could be released by a fit before it arrives.
    setControlImage(control, *owned, owned->shown());
    if (control) ::ShowWindow(control, SW_SHOWNA);
    return viewer;
}

}  // namespace qrl

extern "C" LRESULT qrlViewerProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const qrl::ModuleEntry entry;
    return qrl::viewerProc(window, message, wParam, lParam);
}

QRL_ENTRY_THUNK(qrlViewerProc, 16, qrlViewerProcBody);

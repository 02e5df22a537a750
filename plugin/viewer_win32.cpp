#include "viewer.h"

#include <memory>

#include "../export/save_command.h"
#include "fit.h"
#include "stretch.h"

namespace qrl {
namespace {

// What one viewer owns: the full-size rendering, and the fitted copy it shows when the viewer
// is shorter than the rendering. Fits always start from the full-size rendering.
struct ViewerState {
    UniqueBitmap full;
    SizePx fullSize;
    UniqueBitmap fitted;
    SizePx fittedSize;
    bool ownedByWindow = false;  // set once creation has succeeded; WM_NCDESTROY frees it then

    HBITMAP shown() const noexcept { return fitted ? fitted.get() : full.get(); }
    SizePx shownSize() const noexcept { return fitted ? fittedSize : fullSize; }
};

LRESULT CALLBACK viewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

ViewerState* stateOf(HWND window) noexcept {
    if (!isViewer(window)) return nullptr;
    return reinterpret_cast<ViewerState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

SizePx bitmapSize(HBITMAP bitmap) noexcept {
    BITMAP description{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(description), &description) != sizeof(description)) return {};
    return {description.bmWidth, description.bmHeight};
}

// The viewer's own image control is its first (and only) child; never a recorded handle that
// may belong to another viewer or be gone.
HWND imageControlOf(HWND viewer) noexcept { return ::GetWindow(viewer, GW_CHILD); }

void setControlImage(HWND control, HBITMAP image) noexcept {
    if (control) ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

// Fits the shown image to the client height from the full-size rendering, then centres the
// image control. A fit that would have no pixels is skipped: the viewer keeps what it shows.
void fitAndCentre(HWND viewer, ViewerState& state) noexcept {
    if (!state.full) return;
    RECT client{};
    if (!::GetClientRect(viewer, &client)) return;
    const HWND control = imageControlOf(viewer);
    const SizePx target = fitToHeight(state.fullSize, client.bottom - client.top);
    if (isDrawable(target) && target != state.shownSize()) {
        if (target == state.fullSize) {
            setControlImage(control, state.full.get());
            state.fitted.reset();
        } else if (UniqueBitmap fitted = stretchHalftone(state.full.get(), state.fullSize, target)) {
            setControlImage(control, fitted.get());
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

void registerViewerClass(HINSTANCE instance) noexcept {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = viewerProc;
    windowClass.hInstance = instance;
    // White around the symbol: repainted on resize, and the symbol's quiet zone on screen.
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kViewerClassName;
    ::RegisterClassW(&windowClass);  // fails harmlessly when the class already exists
}

LRESULT CALLBACK viewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
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
    case WM_NCDESTROY: {
        auto* state = reinterpret_cast<ViewerState*>(::SetWindowLongPtrW(window, GWLP_USERDATA, 0));
        if (state && state->ownedByWindow) delete state;
        break;
    }
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool isViewer(HWND window) noexcept {
    if (!window || !::IsWindow(window)) return false;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != ::GetCurrentProcessId()) return false;
    return ::GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&viewerProc) &&
           ::GetWindowLongPtrW(window, GWLP_USERDATA) != 0;
}

HBITMAP viewerImage(HWND window) noexcept {
    const ViewerState* state = stateOf(window);
    return state ? state->shown() : nullptr;
}

HWND openViewer(HINSTANCE instance, HWND parent, UniqueBitmap image) {
    auto state = std::make_unique<ViewerState>();
    state->fullSize = bitmapSize(image.get());
    state->full = std::move(image);

    registerViewerClass(instance);
    RECT area{};
    ::GetClientRect(parent, &area);
    // Creation sends the first WM_SIZE, which already fits the image: the control made below
    // shows the fitted image from the start.
    const HWND viewer = ::CreateWindowExW(0, kViewerClassName, kViewerTitle, WS_CHILD | WS_VISIBLE, area.left,
                                          area.top, area.right - area.left, area.bottom - area.top, parent,
                                          nullptr, instance, state.get());
    if (!viewer) return nullptr;  // the state (and image) is released here
    ViewerState* owned = state.release();
    owned->ownedByWindow = true;

    const SizePx size = owned->shownSize();
    const PointPx at = centreIn(size, area.right, area.bottom);
    // Made hidden and shown once it has its image: some static controls paint at once when a
    // visible one is given an image, and the first WM_PAINT would paint it all over again.
    const HWND control = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | SS_BITMAP, at.x, at.y, size.width,
                                           size.height, viewer, nullptr, instance, nullptr);
    // Sent, not posted: a posted handle could be released by a fit before it arrives.
    setControlImage(control, owned->shown());
    if (control) ::ShowWindow(control, SW_SHOWNA);
    return viewer;
}

}  // namespace qrl

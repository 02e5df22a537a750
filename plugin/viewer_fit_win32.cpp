#include "viewer_fit.h"

#include "stretch.h"

namespace qrl {

HWND imageControlOf(HWND viewer) noexcept { return ::GetWindow(viewer, GW_CHILD); }

void setControlImage(HWND control, const ViewerState& state, HBITMAP image) noexcept {
    if (control) replaceControlImage(control, image, {state.symbol.bitmap.get(), state.fitted.get()});
}

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

}  // namespace qrl

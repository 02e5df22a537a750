#include "viewer.h"

#include <memory>

#include "../base/entry_thunk.h"
#include "../base/module_hold.h"
#include "../base/texts.h"
#include "../export/save_command.h"
#include "viewer_class.h"
#include "viewer_fit.h"
#include "viewer_list.h"

// The viewer's window procedure: a thunk (entry_thunk.h) around the body below, since the save
// command's dialog and boxes may leave the library to be given back once it has returned.
extern "C" LRESULT CALLBACK qrlViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern "C" LRESULT qrlViewerProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

namespace qrl {
namespace {

SizePx bitmapSize(HBITMAP bitmap) noexcept {
    BITMAP description{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(description), &description) != sizeof(description)) return {};
    return {description.bmWidth, description.bmHeight};
}

// The image is looked up only once the dialog has closed: a resize while it was up may have
// replaced it, and the viewer itself may be gone (its boxes then have no owner).
void runSaveCommand(HWND viewer) noexcept {
    try {
        const std::wstring path = askSavePath(viewer);
        if (path.empty()) return;
        const ViewerState* alive = liveViewerState(viewer);
        saveImageTo(alive ? viewer : nullptr, alive ? alive->exportImage() : ExportImage{}, path);
    } catch (...) {
        // Nothing may leave the window procedure; an allocation failure ends the command quietly.
    }
}

LRESULT viewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        // Only openViewer's windows carry a state, which the list of live viewers takes over
        // here. One that can't be noted could never be released: the creation fails instead,
        // and the state stays openViewer's.
        if (auto* state = static_cast<std::unique_ptr<ViewerState>*>(create->lpCreateParams)) {
            if (!addLiveViewer(window, create->hInstance, *state)) return FALSE;
        }
        break;
    }
    case WM_CREATE:
        return 0;
    case WM_SIZE:
        if (ViewerState* state = liveViewerState(window)) fitAndCentre(window, *state);
        return 0;
    case WM_KEYDOWN:
        if ((::GetKeyState(VK_CONTROL) & 0x8000) && wParam == 'S') runSaveCommand(window);
        return 0;
    case WM_DESTROY:
        // The control goes after this: it must not keep, nor leak, a copy of its own.
        if (const ViewerState* state = liveViewerState(window)) {
            setControlImage(imageControlOf(window), *state, nullptr);
        }
        break;
    case WM_NCDESTROY:
        // Whatever destroys the viewer (ListCloseWindow, or the host destroying its own window),
        // its images go with it.
        removeLiveViewer(window);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool isViewer(HINSTANCE instance, HWND window) noexcept { return liveViewerState(instance, window) != nullptr; }

ExportImage viewerImage(HINSTANCE instance, HWND window) noexcept {
    const ViewerState* state = liveViewerState(instance, window);
    return state ? state->exportImage() : ExportImage{};
}

HWND openViewer(HINSTANCE instance, HWND parent, SymbolImage symbol) {
    auto created = std::make_unique<ViewerState>();
    created->fullSize = bitmapSize(symbol.bitmap.get());
    created->symbol = std::move(symbol);

    if (!viewerClass(instance, qrlViewerProc)) return nullptr;
    RECT area{};
    ::GetClientRect(parent, &area);
    // Creation sends the first WM_SIZE, which already fits the image: the control made below
    // shows the fitted image from the start. The viewer clips its child, so a resize never
    // paints the background over the symbol before the symbol is painted again. The window
    // takes the state over at WM_NCCREATE; a creation that fails releases it either way.
    const HWND viewer =
        ::CreateWindowExW(0, kViewerClassName, kViewerTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, area.left,
                          area.top, area.right - area.left, area.bottom - area.top, parent, nullptr, instance,
                          &created);
    if (!viewer) return nullptr;
    const ViewerState* state = liveViewerState(viewer);
    if (!state) return viewer;  // a hook kept WM_NCCREATE from us: the viewer stays empty

    const SizePx size = state->shownSize();
    const PointPx at = centreIn(size, area.right, area.bottom);
    // Made hidden and shown once it has its image: some static controls paint at once when a
    // visible one is given an image, and the first WM_PAINT would paint it all over again.
    const HWND control = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | SS_BITMAP, at.x, at.y, size.width,
                                           size.height, viewer, nullptr, instance, nullptr);
    // Sent, not posted: a posted handle could be released by a fit before it arrives.
    setControlImage(control, *state, state->shown());
    if (control) ::ShowWindow(control, SW_SHOWNA);
    return viewer;
}

}  // namespace qrl

extern "C" LRESULT qrlViewerProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const qrl::ModuleEntry entry;
    return qrl::viewerProc(window, message, wParam, lParam);
}

QRL_ENTRY_THUNK(qrlViewerProc, 16, qrlViewerProcBody);

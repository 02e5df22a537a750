// The viewer as the hosts treat it: found by class and module whatever procedure the host has put
// over it, and showing the full-size rendering (with its modules) or a fitted copy.
#include "check.h"
#include "plugin/viewer.h"

namespace qrl::wintest {
namespace {

WNDPROC previousProc = nullptr;

// What a file manager puts over the plugin's window: everything passed on.
LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(previousProc, window, message, wParam, lParam);
}

HWND makeParent(int widthPx, int heightPx) {
    return ::CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP, 0, 0, widthPx, heightPx, nullptr, nullptr, nullptr,
                             nullptr);
}

BITMAP describe(HBITMAP bitmap) {
    BITMAP description{};
    ::GetObjectW(bitmap, sizeof(description), &description);
    return description;
}

}  // namespace

WT_TEST(viewersAreKnownByClassAndModuleEvenWhenSubclassed) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const HWND parent = makeParent(400, 300);
    const HWND viewer = openViewer(instance, parent, renderSymbolImage("a"));
    WT_CHECK(viewer != nullptr);
    WT_CHECK(isViewer(instance, viewer));
    WT_CHECK(!isViewer(instance, parent));
    WT_CHECK(!isViewer(instance, ::GetWindow(viewer, GW_CHILD)));  // the image control
    WT_CHECK(!isViewer(instance, nullptr));
    WT_CHECK(!isViewer(reinterpret_cast<HINSTANCE>(0x10000), viewer));  // another module's class

    previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&hostProc)));
    WT_CHECK(isViewer(instance, viewer));
    WT_CHECK(viewerImage(instance, viewer).bitmap != nullptr);

    ::DestroyWindow(viewer);
    WT_CHECK(!isViewer(instance, viewer));
    WT_CHECK(viewerImage(instance, viewer).bitmap == nullptr);
    ::DestroyWindow(parent);
}

// The full-size rendering comes with its modules (lossless export builds on them); a fitted copy
// never does, and growing back brings both back.
WT_TEST(theModulesGoWithTheFullSizeRenderingOnly) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const HWND parent = makeParent(400, 300);
    const HWND viewer = openViewer(instance, parent, renderSymbolImage("a"));  // 210 px fits
    ExportImage shown = viewerImage(instance, viewer);
    WT_CHECK(shown.modules && shown.modules->widthModules == 21 && describe(shown.bitmap).bmHeight == 210);

    previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&hostProc)));
    ::SetWindowPos(viewer, nullptr, 0, 0, 400, 150, SWP_NOZORDER | SWP_NOACTIVATE);
    shown = viewerImage(instance, viewer);
    WT_CHECK(!shown.modules && describe(shown.bitmap).bmHeight == 150);
    WT_CHECK(reinterpret_cast<HBITMAP>(::SendMessageW(::GetWindow(viewer, GW_CHILD), STM_GETIMAGE, IMAGE_BITMAP,
                                                      0)) == shown.bitmap);

    ::SetWindowPos(viewer, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    shown = viewerImage(instance, viewer);
    WT_CHECK(shown.modules && describe(shown.bitmap).bmHeight == 210);
    ::DestroyWindow(parent);  // takes the viewer with it
    WT_CHECK(!::IsWindow(viewer));
}

WT_TEST(aViewerThatCantBeCreatedIsNone) {
    const HWND gone = makeParent(10, 10);
    ::DestroyWindow(gone);
    WT_CHECK(openViewer(::GetModuleHandleW(nullptr), gone, renderSymbolImage("a")) == nullptr);
}

}  // namespace qrl::wintest

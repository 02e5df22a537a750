// The viewer as the hosts treat it: found in the module's own list whatever procedure the host has
// put over it, and showing the full-size rendering (with its modules) or a fitted copy.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "check.h"
#include "plugin/viewer.h"
#include "plugin/viewer_class.h"
#include "plugin/viewer_fit.h"

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

WT_TEST(viewersAreKnownByTheirModuleEvenWhenSubclassed) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const HWND parent = makeParent(400, 300);
    const HWND viewer = openViewer(instance, parent, renderSymbolImage("a"));
    WT_CHECK(viewer != nullptr);
    WT_CHECK(isViewer(instance, viewer));
    WT_CHECK(!isViewer(instance, parent));
    WT_CHECK(!isViewer(instance, ::GetWindow(viewer, GW_CHILD)));  // the image control
    WT_CHECK(!isViewer(instance, nullptr));
    WT_CHECK(!isViewer(reinterpret_cast<HINSTANCE>(0x10000), viewer));  // another module's list

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

namespace qrl::wintest {
namespace {

int foreignMessages = 0;

LRESULT CALLBACK foreignProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ++foreignMessages;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A 32-bit bitmap whose fourth bytes are not 0, as common controls 6 copy rather than show.
HBITMAP translucentBitmap() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) std::fill_n(static_cast<std::uint32_t*>(bits), 64, 0x80FFFFFFu);
    return bitmap;
}

}  // namespace

// A class of the same name left registered for this module by code that is gone (another build
// unloaded without unregistering it) is replaced, never used; and the class goes with the last
// viewer.
WT_TEST(aLeftoverClassIsReplacedAndTheClassGoesWithTheLastViewer) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW leftover{};
    leftover.cbSize = sizeof(leftover);
    leftover.lpfnWndProc = foreignProc;
    leftover.hInstance = instance;
    leftover.lpszClassName = kViewerClassName;
    ::UnregisterClassW(kViewerClassName, instance);
    WT_CHECK(::RegisterClassExW(&leftover) != 0);
    const HWND parent = makeParent(400, 300);
    const HWND first = openViewer(instance, parent, renderSymbolImage("a"));
    const HWND second = openViewer(instance, parent, renderSymbolImage("b"));
    WT_CHECK(first && second && isViewer(instance, first));
    WT_CHECK(foreignMessages == 0);

    WNDCLASSEXW found{};
    found.cbSize = sizeof(found);
    ::DestroyWindow(first);
    unregisterViewerClass(instance);  // one viewer is still alive: the class stays
    WT_CHECK(::GetClassInfoExW(instance, kViewerClassName, &found) != 0);
    ::DestroyWindow(second);
    unregisterViewerClass(instance);
    WT_CHECK(::GetClassInfoExW(instance, kViewerClassName, &found) == 0);
    ::DestroyWindow(parent);
}

// What the image control hands back when it is given a new image is deleted only when it is not
// one the viewer owns: the control's own copy of a translucent bitmap would leak otherwise.
WT_TEST(theControlsOwnCopiesAreDeletedAndOursAreKept) {
    const HWND control = ::CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | SS_BITMAP, 0, 0, 8, 8, nullptr, nullptr,
                                           nullptr, nullptr);
    const HBITMAP translucent = translucentBitmap();
    const HBITMAP opaque = ::CreateBitmap(8, 8, 1, 32, nullptr);
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(translucent));
    const auto held = reinterpret_cast<HBITMAP>(::SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    replaceControlImage(control, opaque, {translucent, opaque});
    WT_CHECK(::GetObjectType(translucent) == OBJ_BITMAP);  // ours: kept
    if (held != translucent) WT_CHECK(::GetObjectType(held) == 0);  // the control's copy: deleted
    std::printf("control copies translucent bitmaps: %s\n", held != translucent ? "yes" : "no");
    replaceControlImage(control, nullptr, {opaque});
    WT_CHECK(::GetObjectType(opaque) == OBJ_BITMAP);
    ::DestroyWindow(control);
    ::DeleteObject(translucent);
    ::DeleteObject(opaque);
}

}  // namespace qrl::wintest

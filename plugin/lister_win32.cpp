#include "lister.h"

#include <string>

#include "../base/modal_box.h"
#include "../export/copy_command.h"
#include "../export/host_command.h"
#include "../symbol/symbol_image.h"
#include "detect_string.h"
#include "viewer.h"

namespace qrl {
namespace {

HWND loadViewer(HWND parent, const wchar_t* path) {
    const std::string text = loadContentText(path);
    // The refusal box is the host's window's: while it is up the host takes no input there.
    SymbolImage symbol = renderSymbolImage(text, topLevelOwnerOf(parent));
    if (!symbol.bitmap) return nullptr;
    return openViewer(moduleState().moduleInstance, parent, std::move(symbol));
}

}  // namespace

ModuleState& moduleState() noexcept {
    static ModuleState state;
    return state;
}

}  // namespace qrl

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    qrl::moduleState().moduleInstance = instance;
    // Freed by the host (not the process ending): a class left registered would outlive the code
    // of its procedure. Fails harmlessly while a viewer is still alive.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) ::UnregisterClassW(qrl::kViewerClassName, instance);
    return TRUE;
}

// No exception may leave an exported function: the host would go down with it. Each first lets
// go of what the module's ended boxes held of it (see modal_box.h): its caller holds the library.

void __stdcall ListGetDetectString(char* DetectString, int maxlen) {
    qrl::releaseModuleHolds();
    qrl::copyDetectString(DetectString, maxlen);
}

HWND __stdcall ListLoadW(HWND ParentWin, wchar_t* FileToLoad, int /*ShowFlags*/) {
    qrl::releaseModuleHolds();
    try {
        return qrl::loadViewer(ParentWin, FileToLoad);
    } catch (...) {
        return nullptr;
    }
}

#ifndef _WIN64
HWND __stdcall ListLoad(HWND ParentWin, char* FileToLoad, int /*ShowFlags*/) {
    qrl::releaseModuleHolds();
    try {
        std::wstring path;
        if (FileToLoad && *FileToLoad) {
            const int units = ::MultiByteToWideChar(CP_ACP, 0, FileToLoad, -1, nullptr, 0);
            if (units > 0) {
                path.resize(static_cast<std::size_t>(units));
                ::MultiByteToWideChar(CP_ACP, 0, FileToLoad, -1, &path[0], units);
                path.resize(static_cast<std::size_t>(units) - 1);  // the NUL
            }
        }
        // A path that doesn't convert loads as an empty one: refused with the usual box.
        return qrl::loadViewer(ParentWin, FileToLoad ? path.c_str() : nullptr);
    } catch (...) {
        return nullptr;
    }
}
#endif

int __stdcall ListSendCommand(HWND ListWin, int Command, int /*Parameter*/) {
    qrl::releaseModuleHolds();
    try {
        // Looked up once: a second lookup that failed would turn the copy into a copy of nothing,
        // which answers success. The image control, the viewer's first child, is what marks a
        // viewer that shows something.
        const qrl::ExportImage image = qrl::viewerImage(qrl::moduleState().moduleInstance, ListWin);
        const bool viewerWithControl = image.bitmap && ::GetWindow(ListWin, GW_CHILD) != nullptr;
        const qrl::HostAction action = qrl::hostActionFor(Command, viewerWithControl);
        if (action != qrl::HostAction::CopyImage) return qrl::hostCommandResult(action);
        return qrl::hostCommandResult(action, qrl::copyWithNotice(ListWin, image.bitmap));
    } catch (...) {
        return qrl::kHostResultError;
    }
}

void __stdcall ListCloseWindow(HWND ListWin) {
    qrl::releaseModuleHolds();
    const HINSTANCE instance = qrl::moduleState().moduleInstance;
    // Only our own viewers are destroyed; their images go with them (WM_NCDESTROY). A viewer left
    // alive here outlives the code of its procedure once the host frees the library, as quick
    // view does next: a destroy that failed is tried again.
    if (!qrl::isViewer(instance, ListWin)) return;
    if (!::DestroyWindow(ListWin)) ::DestroyWindow(ListWin);
    // The host may free the library next, as quick view does between files.
    qrl::unregisterViewerClass(instance);
}

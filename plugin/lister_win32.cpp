#include "lister.h"

#include <string>

#include "../base/entry_thunk.h"
#include "../base/modal_box.h"
#include "../base/texts.h"
#include "../export/copy_command.h"
#include "../export/host_command.h"
#include "../symbol/content_file.h"
#include "../symbol/symbol_image.h"
#include "detect_string.h"
#include "viewer.h"
#include "viewer_class.h"

namespace qrl {
namespace {

HWND loadViewer(HWND parent, const wchar_t* path) {
    SymbolImage symbol = renderSymbolImage(loadContentText(path));
    // A file that gives no symbol is refused here; a bitmap that can't be made ends the load
    // without a word. The box is the host's window's: while it is up the host takes no input there.
    if (!symbol.hasSymbol()) showModalBox(topLevelOwnerOf(parent), kNotHandledText, kErrorCaption, MB_ICONERROR);
    if (!symbol.bitmap) return nullptr;
    return openViewer(moduleState().moduleInstance, parent, std::move(symbol));
}

}  // namespace

ModuleState& moduleState() noexcept {
    static ModuleState state;
    return state;
}

}  // namespace qrl

#if defined(__GLIBCXX__)
// The C++ runtime linked into the library: frees what it keeps for the process's lifetime.
namespace __gnu_cxx {
void __freeres() noexcept;
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    qrl::moduleState().moduleInstance = instance;
    // Freed by the host (not the process ending): a class left registered would outlive the code
    // of its procedure. Fails harmlessly while a viewer is still alive.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        ::UnregisterClassW(qrl::kViewerClassName, instance);
        qrl::endModuleExit();
#if defined(__GLIBCXX__)
        // The runtime's emergency pool for exceptions (about 70 KB), taken from the process's
        // heap at load and otherwise never given back: quick view unloads the plugin between
        // files, and every file would leave one behind.
        __gnu_cxx::__freeres();
#endif
    }
    return TRUE;
}

// The exported functions are thunks (entry_thunk.h) around these bodies: a body that showed a
// box or waited may have to give the library back once it has returned. No exception may leave
// a body: the host would go down with it.

extern "C" void qrlListGetDetectString(char* DetectString, int maxlen) noexcept {
    const qrl::ModuleEntry entry;
    qrl::copyDetectString(DetectString, maxlen);
}

extern "C" HWND qrlListLoadW(HWND ParentWin, wchar_t* FileToLoad, int /*ShowFlags*/) noexcept {
    const qrl::ModuleEntry entry;
    try {
        return qrl::loadViewer(ParentWin, FileToLoad);
    } catch (...) {
        return nullptr;
    }
}

#ifndef _WIN64
extern "C" HWND qrlListLoad(HWND ParentWin, char* FileToLoad, int /*ShowFlags*/) noexcept {
    const qrl::ModuleEntry entry;
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

extern "C" int qrlListSendCommand(HWND ListWin, int Command, int /*Parameter*/) noexcept {
    const qrl::ModuleEntry entry;
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

extern "C" void qrlListCloseWindow(HWND ListWin) noexcept {
    const qrl::ModuleEntry entry;
    const HINSTANCE instance = qrl::moduleState().moduleInstance;
    // Only our own viewers are destroyed; their images go with them (WM_NCDESTROY). A viewer left
    // alive here outlives the code of its procedure once the host frees the library, as quick
    // view does next: a destroy that failed is tried again.
    if (!qrl::isViewer(instance, ListWin)) return;
    if (!::DestroyWindow(ListWin)) ::DestroyWindow(ListWin);
    // The host may free the library next, as quick view does between files.
    qrl::unregisterViewerClass(instance);
}

QRL_ENTRY_THUNK(ListGetDetectString, 8, qrlListGetDetectString);
QRL_ENTRY_THUNK(ListLoadW, 12, qrlListLoadW);
#ifndef _WIN64
QRL_ENTRY_THUNK(ListLoad, 12, qrlListLoad);
#endif
QRL_ENTRY_THUNK(ListSendCommand, 12, qrlListSendCommand);
QRL_ENTRY_THUNK(ListCloseWindow, 4, qrlListCloseWindow);

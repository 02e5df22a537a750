#include "lister.h"

#include <string>

#include "../export/copy_command.h"
#include "../export/host_command.h"
#include "../symbol/symbol_image.h"
#include "detect_string.h"
#include "viewer.h"

namespace qrl {
namespace {

HWND loadViewer(HWND parent, const wchar_t* path) {
    const std::string text = loadContentText(path);
    SymbolImage symbol = renderSymbolImage(text);
    if (!symbol.bitmap) return nullptr;
    return openViewer(moduleState().moduleInstance, parent, std::move(symbol));
}

}  // namespace

ModuleState& moduleState() noexcept {
    static ModuleState state;
    return state;
}

}  // namespace qrl

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    qrl::moduleState().moduleInstance = instance;
    return TRUE;
}

// No exception may leave an exported function: the host would go down with it.

void __stdcall ListGetDetectString(char* DetectString, int maxlen) {
    qrl::copyDetectString(DetectString, maxlen);
}

HWND __stdcall ListLoadW(HWND ParentWin, wchar_t* FileToLoad, int /*ShowFlags*/) {
    try {
        return qrl::loadViewer(ParentWin, FileToLoad);
    } catch (...) {
        return nullptr;
    }
}

#ifndef _WIN64
HWND __stdcall ListLoad(HWND ParentWin, char* FileToLoad, int /*ShowFlags*/) {
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
    try {
        const HINSTANCE instance = qrl::moduleState().moduleInstance;
        // The image control, the viewer's first child, is what marks a viewer that shows something.
        const bool viewerWithControl = qrl::isViewer(instance, ListWin) && ::GetWindow(ListWin, GW_CHILD) != nullptr;
        const qrl::HostAction action = qrl::hostActionFor(Command, viewerWithControl);
        if (action != qrl::HostAction::CopyImage) return qrl::hostCommandResult(action);
        return qrl::hostCommandResult(action, qrl::copyWithNotice(ListWin, qrl::viewerImage(instance, ListWin).bitmap));
    } catch (...) {
        return qrl::kHostResultError;
    }
}

void __stdcall ListCloseWindow(HWND ListWin) {
    // Only our own viewers are destroyed; their images go with them (WM_NCDESTROY).
    if (qrl::isViewer(qrl::moduleState().moduleInstance, ListWin)) ::DestroyWindow(ListWin);
}

#include "lister.h"

#include "../export/host_commands.h"
#include "../symbol/symbol_image.h"
#include "detect_string.h"
#include "viewer.h"

namespace qrl {

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
        const std::string text = qrl::loadContentText(FileToLoad);
        qrl::UniqueBitmap image = qrl::renderSymbolImage(text);
        if (!image) return nullptr;
        return qrl::openViewer(qrl::moduleState().moduleInstance, ParentWin, std::move(image));
    } catch (...) {
        return nullptr;
    }
}

int __stdcall ListSendCommand(HWND ListWin, int Command, int /*Parameter*/) {
    return qrl::sendHostCommand(ListWin, Command);
}

void __stdcall ListCloseWindow(HWND ListWin) {
    // Only our own viewers are destroyed; their images go with them (WM_NCDESTROY).
    if (qrl::isViewer(ListWin)) ::DestroyWindow(ListWin);
}

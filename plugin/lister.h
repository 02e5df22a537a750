#pragma once
// The lister plugin interface this module exports, and the module's process-wide state.
#include <windows.h>

extern "C" {
__declspec(dllexport) void __stdcall ListGetDetectString(char* DetectString, int maxlen);
__declspec(dllexport) HWND __stdcall ListLoadW(HWND ParentWin, wchar_t* FileToLoad, int ShowFlags);
__declspec(dllexport) int __stdcall ListSendCommand(HWND ListWin, int Command, int Parameter);
__declspec(dllexport) void __stdcall ListCloseWindow(HWND ListWin);
#ifndef _WIN64
// 32-bit hosts look for the 8-bit entry too; 64-bit ones take a Unicode-only plugin.
__declspec(dllexport) HWND __stdcall ListLoad(HWND ParentWin, char* FileToLoad, int ShowFlags);
#endif
}

namespace qrl {

// Everything the module keeps between calls. Images are not here: each viewer owns its own
// (see viewer.h), so two viewers open at once never release each other's.
struct ModuleState {
    HINSTANCE moduleInstance = nullptr;
};

ModuleState& moduleState() noexcept;

}  // namespace qrl

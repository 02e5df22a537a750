#pragma once
// The plugin as the host knows it: a library and the four entry points of the lister interface.
#include <windows.h>

#include <string>

namespace testhost {

struct PluginApi {
    using DetectFn = void(__stdcall*)(char* detectString, int maxlen);
    using LoadFn = HWND(__stdcall*)(HWND parent, wchar_t* fileToLoad, int showFlags);
    using LoadAnsiFn = HWND(__stdcall*)(HWND parent, char* fileToLoad, int showFlags);
    using CommandFn = int(__stdcall*)(HWND listWin, int command, int parameter);
    using CloseFn = void(__stdcall*)(HWND listWin);

    HMODULE module = nullptr;
    DetectFn detect = nullptr;
    LoadFn load = nullptr;
    LoadAnsiFn loadAnsi = nullptr;  // ListLoad: 32-bit plugins only, null where it is missing
    CommandFn command = nullptr;
    CloseFn close = nullptr;
    std::string detectString;  // asked for once, right after loading

    bool loaded() const noexcept { return module != nullptr; }
};

// Loads the library at path and resolves the four functions; false (api left empty) when the
// library can't be loaded or lacks one of them.
bool loadPlugin(const std::wstring& path, PluginApi& api);

// FreeLibrary; every entry point becomes null. True when the library has left the process,
// false while other references (open viewers) still hold it.
bool unloadPlugin(PluginApi& api);

// A reference of its own to api's library (for a viewer that must outlive the host's `unload`,
// as a lister window holds the plugin it shows); release it with unloadPlugin. False (held left
// empty) when the library is not loaded.
bool holdPlugin(const PluginApi& api, PluginApi& held);

}  // namespace testhost

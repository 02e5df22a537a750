#include "plugin_api.h"

namespace testhost {
namespace {

// GetProcAddress knows no signatures; the lister interface fixes them.
template <typename Fn>
Fn entryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

bool loadPlugin(const std::wstring& path, PluginApi& api) {
    api = PluginApi{};
    HMODULE module = ::LoadLibraryW(path.c_str());
    if (!module) return false;
    api.module = module;
    api.detect = entryPoint<PluginApi::DetectFn>(module, "ListGetDetectString");
    api.load = entryPoint<PluginApi::LoadFn>(module, "ListLoadW");
    api.loadAnsi = entryPoint<PluginApi::LoadAnsiFn>(module, "ListLoad");
    api.command = entryPoint<PluginApi::CommandFn>(module, "ListSendCommand");
    api.close = entryPoint<PluginApi::CloseFn>(module, "ListCloseWindow");
    if (!api.detect || !api.load || !api.command || !api.close) {
        unloadPlugin(api);
        return false;
    }
    // The file manager's own buffer is generous; the string's length is the plugin's business.
    char buffer[1024] = {};
    api.detect(buffer, static_cast<int>(sizeof(buffer)));
    buffer[sizeof(buffer) - 1] = '\0';
    api.detectString = buffer;
    return true;
}

bool unloadPlugin(PluginApi& api) {
    const HMODULE module = api.module;
    api = PluginApi{};
    if (!module) return true;
    ::FreeLibrary(module);
    // Asked by address, not by name: the same file may be mapped again later.
    HMODULE still = nullptr;
    return !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(module), &still);
}

bool holdPlugin(const PluginApi& api, PluginApi& held) {
    held = PluginApi{};
    HMODULE module = nullptr;
    if (!api.module ||
        !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(api.module), &module)) {
        return false;
    }
    held = api;
    held.module = module;
    return true;
}

}  // namespace testhost

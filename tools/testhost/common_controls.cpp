#include "common_controls.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <vector>

#include "host_log.h"

namespace testhost {
namespace {

// DllGetVersion of the comctl32 this program's import was bound to.
std::string libraryVersion() {
    HMODULE library = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&::InitCommonControlsEx)), &library);
    const auto getVersion = library ? reinterpret_cast<DLLGETVERSIONPROC>(
                                          reinterpret_cast<void*>(::GetProcAddress(library, "DllGetVersion")))
                                    : nullptr;
    DLLVERSIONINFO version{};
    version.cbSize = sizeof(version);
    if (!getVersion || FAILED(getVersion(&version))) return "none";
    return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion);
}

// The version of the assembly the process's activation context takes comctl32.dll from: what
// the manifest chose. Under Wine one DLL serves both versions and DllGetVersion says 5.81 either
// way; the binding says which set of controls (the versioned classes) the plugin gets.
std::string assemblyVersion() {
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof(found);
    if (!::FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                    ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &found)) {
        return "none";  // not redirected: the system's default, version 5
    }
    DWORD index = found.ulAssemblyRosterIndex;
    SIZE_T neededBytes = 0;
    ::QueryActCtxW(0, found.hActCtx, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &neededBytes);
    std::vector<unsigned char> buffer(neededBytes + sizeof(ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION));
    const bool queried = ::QueryActCtxW(0, found.hActCtx, &index, AssemblyDetailedInformationInActivationContext,
                                        buffer.data(), buffer.size(), &neededBytes);
    ::ReleaseActCtx(found.hActCtx);
    const auto* assembly = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    if (!queried || !assembly->lpAssemblyEncodedAssemblyIdentity) return "none";
    // name,processorArchitecture="amd64",...,version="6.0.2600.2982"
    const std::string identity = utf8(assembly->lpAssemblyEncodedAssemblyIdentity);
    const std::string key = "version=\"";
    const size_t start = identity.find(key);
    const size_t end = start == std::string::npos ? start : identity.find('"', start + key.size());
    return end == std::string::npos ? "none" : identity.substr(start + key.size(), end - start - key.size());
}

}  // namespace

bool initCommonControls() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
    return ::InitCommonControlsEx(&classes) != FALSE;
}

std::string runComctl(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: comctl";
    logLine("comctl " + assemblyVersion() + " dll=" + libraryVersion());
    return {};
}

}  // namespace testhost

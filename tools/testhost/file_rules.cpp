#include "file_rules.h"

#include <cstdio>
#include <cstdlib>
#include <cwctype>

#include "host_log.h"
#include "import_table.h"

namespace testhost {
namespace {

using CreateFileFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
CreateFileFn realCreateFile = nullptr;
std::vector<std::wstring> closedFolders;  // lower case, no extended-length prefix, no trailing separator

std::wstring comparable(std::wstring path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

bool createsInClosedFolder(LPCWSTR path, DWORD disposition) {
    if (!path || closedFolders.empty()) return false;
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return false;
    if (disposition != CREATE_NEW && ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;
    const std::wstring file = comparable(path);
    const std::size_t slash = file.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
    for (const std::wstring& closed : closedFolders) {
        if (folder == closed) return true;
    }
    return false;
}

HANDLE WINAPI ruledCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (createsInClosedFolder(path, disposition)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return realCreateFile(path, access, share, security, disposition, flags, templateFile);
}

}  // namespace

std::string runAttrib(const std::vector<Token>& args) {
    if (args.empty() || args.size() > 2) return "usage: attrib PATH [ATTRIBUTES]";
    const std::wstring path = wide(args[0].text);
    if (args.size() == 2) {
        char* end = nullptr;
        const unsigned long attributes = std::strtoul(args[1].text.c_str(), &end, 0);
        if (!end || *end) return "bad attributes " + args[1].text;
        if (!::SetFileAttributesW(path.c_str(), attributes)) return "can't set the attributes";
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    char text[32];
    std::snprintf(text, sizeof(text), "attrib 0x%lX", static_cast<unsigned long>(attributes));
    logLine(attributes == INVALID_FILE_ATTRIBUTES ? "attrib none" : text);
    return {};
}

std::string runNoCreate(const std::vector<Token>& args) {
    if (args.size() != 1) return "usage: nocreate FOLDER";
    if (!realCreateFile) return "the plugin's CreateFileW is not routed";
    closedFolders.push_back(comparable(wide(args[0].text)));
    logLine("nocreate " + args[0].text);
    return {};
}

bool hookFileRules(HMODULE plugin) {
    void* previous = reinterpret_cast<void*>(realCreateFile);
    const bool routed =
        patchImport(plugin, "kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&ruledCreateFile), &previous);
    realCreateFile = reinterpret_cast<CreateFileFn>(previous);
    return routed;
}

}  // namespace testhost

#include "file_lock.h"

#include <windows.h>

#include <map>

#include "host_log.h"

namespace testhost {
namespace {

// Held until `unlock` or the end of the process (the system closes them then).
std::map<std::wstring, HANDLE>& heldFiles() {
    static std::map<std::wstring, HANDLE> files;
    return files;
}

}  // namespace

std::string runLock(const std::vector<Token>& args) {
    if (args.size() != 1) return "usage: lock PATH";
    const std::wstring path = wide(args[0].text);
    if (heldFiles().count(path)) return "already locked";
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        logLine("lock failed " + std::to_string(::GetLastError()));
        return {};
    }
    heldFiles()[path] = file;
    logLine("lock ok");
    return {};
}

std::string runUnlock(const std::vector<Token>& args) {
    if (args.size() != 1) return "usage: unlock PATH";
    auto found = heldFiles().find(wide(args[0].text));
    if (found == heldFiles().end()) return "not locked";
    ::CloseHandle(found->second);
    heldFiles().erase(found);
    logLine("unlock");
    return {};
}

}  // namespace testhost

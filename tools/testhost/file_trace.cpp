#include "file_trace.h"

#include <cstdio>
#include <map>

#include "host_log.h"

namespace testhost {
namespace {

enum TracedCall { kCreateFile, kWriteFile, kFlush, kSetInformation, kCloseHandle, kReplace, kMove, kDelete, kTraced };
constexpr const char* kNames[kTraced] = {"CreateFileW", "WriteFile", "FlushFileBuffers", "SetFileInformationByHandle",
                                         "CloseHandle", "ReplaceFileW", "MoveFileExW", "DeleteFileW"};

bool tracing = false;
unsigned handlesNamed = 0;
std::map<HANDLE, std::string> handleNames;  // the files CreateFileW gave while tracing
void* reals[kTraced] = {};                   // where each stand-in goes on: set just before it is entered

std::string nameOf(HANDLE handle) {
    const auto found = handleNames.find(handle);
    return found == handleNames.end() ? "?" : found->second;
}

std::string pathField(LPCWSTR path) { return quoted(path ? utf8(path) : std::string()); }

std::string hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%lX", value);
    return text;
}

std::string outcome(bool succeeded, DWORD lastError) {
    return succeeded ? "ok" : "failed " + std::to_string(lastError);
}

// Logs "file CALL FIELDS = RESULT" for a call that has returned succeeded, leaving its last
// error as it was. Never throws: a line that can't be made is lost, the call's result is not.
template <typename Fields>
void logCall(int call, bool succeeded, Fields fields) noexcept {
    const DWORD lastError = ::GetLastError();
    try {
        logLine(std::string("file ") + kNames[call] + " " + fields() + " = " + outcome(succeeded, lastError));
    } catch (...) {
    }
    ::SetLastError(lastError);
}

template <typename Function>
Function realOf(int call) {
    return reinterpret_cast<Function>(reals[call]);
}

HANDLE WINAPI tracedCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) {
    const auto real = realOf<decltype(&tracedCreateFile)>(kCreateFile);
    const HANDLE file = real(path, access, share, security, disposition, flags, templateFile);
    const bool opened = file != INVALID_HANDLE_VALUE;
    std::string name;
    if (opened) {
        const DWORD lastError = ::GetLastError();
        try {
            name = "f" + std::to_string(++handlesNamed);
            handleNames[file] = name;
        } catch (...) {
            name = "?";
        }
        ::SetLastError(lastError);
    }
    logCall(kCreateFile, opened, [&] { return pathField(path) + " " + hex(access) + (opened ? " " + name : ""); });
    return file;
}

BOOL WINAPI tracedWriteFile(HANDLE file, LPCVOID bytes, DWORD byteCount, LPDWORD written, LPOVERLAPPED overlapped) {
    const BOOL succeeded = realOf<decltype(&tracedWriteFile)>(kWriteFile)(file, bytes, byteCount, written, overlapped);
    logCall(kWriteFile, succeeded, [&] { return nameOf(file) + " " + std::to_string(byteCount); });
    return succeeded;
}

BOOL WINAPI tracedFlush(HANDLE file) {
    const BOOL succeeded = realOf<decltype(&tracedFlush)>(kFlush)(file);
    logCall(kFlush, succeeded, [&] { return nameOf(file); });
    return succeeded;
}

BOOL WINAPI tracedSetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD sizeBytes) {
    const BOOL succeeded = realOf<decltype(&tracedSetInformation)>(kSetInformation)(file, infoClass, info, sizeBytes);
    logCall(kSetInformation, succeeded, [&] { return nameOf(file) + " " + std::to_string(infoClass); });
    return succeeded;
}

BOOL WINAPI tracedCloseHandle(HANDLE handle) {
    const BOOL succeeded = realOf<decltype(&tracedCloseHandle)>(kCloseHandle)(handle);
    const auto found = handleNames.find(handle);
    if (found == handleNames.end()) return succeeded;  // not a file: events, threads, ...
    logCall(kCloseHandle, succeeded, [&] { return found->second; });
    handleNames.erase(found);
    return succeeded;
}

BOOL WINAPI tracedReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                          LPVOID reserved) {
    const BOOL succeeded = realOf<decltype(&tracedReplace)>(kReplace)(replaced, replacement, backup, flags, exclude,
                                                                     reserved);
    logCall(kReplace, succeeded, [&] {
        return pathField(replaced) + " " + pathField(replacement) + " " + pathField(backup) + " " + hex(flags);
    });
    return succeeded;
}

BOOL WINAPI tracedMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const BOOL succeeded = realOf<decltype(&tracedMove)>(kMove)(from, to, flags);
    logCall(kMove, succeeded, [&] { return pathField(from) + " " + pathField(to) + " " + hex(flags); });
    return succeeded;
}

BOOL WINAPI tracedDelete(LPCWSTR path) {
    const BOOL succeeded = realOf<decltype(&tracedDelete)>(kDelete)(path);
    logCall(kDelete, succeeded, [&] { return pathField(path); });
    return succeeded;
}

void* const kStandIns[kTraced] = {
    reinterpret_cast<void*>(&tracedCreateFile),     reinterpret_cast<void*>(&tracedWriteFile),
    reinterpret_cast<void*>(&tracedFlush),          reinterpret_cast<void*>(&tracedSetInformation),
    reinterpret_cast<void*>(&tracedCloseHandle),    reinterpret_cast<void*>(&tracedReplace),
    reinterpret_cast<void*>(&tracedMove),           reinterpret_cast<void*>(&tracedDelete),
};

}  // namespace

int tracedCallOf(const std::string& name) {
    for (int call = 0; call < kTraced; ++call) {
        if (name == kNames[call]) return call;
    }
    return -1;
}

void startFileTrace() {
    tracing = true;
    handlesNamed = 0;
    handleNames.clear();
}

void stopFileTrace() {
    tracing = false;
    handleNames.clear();
}

bool fileTraceOn() { return tracing; }

void* traceStandIn(int tracedCall, void* real) noexcept {
    reals[tracedCall] = real;
    return kStandIns[tracedCall];
}

void logFailedCall(int tracedCall, const ULONG_PTR* arguments, DWORD lastError) noexcept {
    try {
        const auto handle = reinterpret_cast<HANDLE>(arguments[0]);
        const auto path = [&](int at) { return pathField(reinterpret_cast<LPCWSTR>(arguments[at])); };
        std::string fields;
        switch (tracedCall) {
        case kCreateFile: fields = path(0) + " " + hex(static_cast<unsigned long>(arguments[1])); break;
        case kWriteFile: fields = nameOf(handle) + " " + std::to_string(static_cast<DWORD>(arguments[2])); break;
        case kSetInformation: fields = nameOf(handle) + " " + std::to_string(static_cast<int>(arguments[1])); break;
        case kFlush: fields = nameOf(handle); break;
        case kCloseHandle:
            // Closed all the same (the failure comes after the call): the name goes.
            if (handleNames.find(handle) == handleNames.end()) return;
            fields = nameOf(handle);
            handleNames.erase(handle);
            break;
        case kReplace:
            fields = path(0) + " " + path(1) + " " + path(2) + " " + hex(static_cast<DWORD>(arguments[3]));
            break;
        case kMove: fields = path(0) + " " + path(1) + " " + hex(static_cast<DWORD>(arguments[2])); break;
        case kDelete: fields = path(0); break;
        default: return;
        }
        const DWORD callersError = ::GetLastError();
        ::SetLastError(lastError);
        logCall(tracedCall, false, [&] { return fields; });
        ::SetLastError(callersError);
    } catch (...) {
    }
}

}  // namespace testhost

#include "fault_rules.h"

#include <cderr.h>

#include <cstring>

#include "save_dialog_hook.h"

namespace testhost {
namespace {

constexpr ULONG_PTR kMinusOne = ~ULONG_PTR{0};  // EOF, INVALID_HANDLE_VALUE, WAIT_FAILED (in eax)
constexpr ULONG_PTR kGdiplusOutOfMemory = 3;
constexpr ULONG_PTR kGdiplusWin32Error = 7;

// Calls that report no failure: there is nothing for the plugin to handle.
constexpr const char* kNoFailure = "reports no failure";
// The C++ runtime's own machinery (exception unwinding, thread-local storage, its locks): it
// does not report their failure to the plugin's code but aborts or corrupts its own state, and
// none of them fails for the valid contexts, indexes and handles it passes.
constexpr const char* kRuntime = "the C++ runtime's own machinery, which has no failure path";

void dialogRanOutOfMemory(const ULONG_PTR*, DWORD) { answerNextExtendedError(CDERR_MEMALLOCFAILURE); }

// ReplaceFileW(replaced, replacement, backup, ...) failing as its documentation says each code
// leaves the files. ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the first step was done, the replaced
// file is under the backup name and the replacement still under its own. The other two codes
// (and any without a backup name) leave both files under their original names.
void replacementFailedHalfWay(const ULONG_PTR* arguments, DWORD lastError) {
    const auto* replaced = reinterpret_cast<const wchar_t*>(arguments[0]);
    const auto* backup = reinterpret_cast<const wchar_t*>(arguments[2]);
    if (lastError != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || !replaced || !backup) return;
    ::MoveFileExW(replaced, backup, MOVEFILE_REPLACE_EXISTING);
}

struct NamedRule {
    const char* name;
    FailureRule rule;
};

constexpr FailureRule never(const char* why) { return {FailureMode::Never, 0, 0, why, nullptr}; }
constexpr FailureRule answer(ULONG_PTR value, DWORD lastError) { return {FailureMode::Answer, value, lastError, "", nullptr}; }
constexpr FailureRule released(ULONG_PTR value) {
    return {FailureMode::AfterTheCall, value, ERROR_INVALID_HANDLE, "", nullptr};
}

const NamedRule kRules[] = {
    // Files: the disk fills, the folder goes away, another program holds the file.
    {"CreateFileW", answer(kMinusOne, ERROR_ACCESS_DENIED)},
    {"WriteFile", answer(FALSE, ERROR_DISK_FULL)},
    {"FlushFileBuffers", answer(FALSE, ERROR_DISK_FULL)},
    {"ReadFile", answer(FALSE, ERROR_READ_FAULT)},
    {"GetFileSizeEx", answer(FALSE, ERROR_ACCESS_DENIED)},
    {"MoveFileExW", answer(FALSE, ERROR_ACCESS_DENIED)},
    // By default neither file touched: the platform's code for a replacement that changed
    // nothing. `inject fail ReplaceFileW K CODE` picks another code, and the files follow it.
    {"ReplaceFileW",
     {FailureMode::Answer, FALSE, ERROR_UNABLE_TO_REMOVE_REPLACED, "", replacementFailedHalfWay}},
    {"DeleteFileW", answer(FALSE, ERROR_ACCESS_DENIED)},
    {"CloseHandle", {FailureMode::AfterTheCall, FALSE, ERROR_DISK_FULL, "", nullptr}},
    // The clipboard is closed all the same: left open, it would block every other program.
    {"CloseClipboard", {FailureMode::AfterTheCall, FALSE, ERROR_ACCESS_DENIED, "", nullptr}},
    {"OpenClipboard", answer(FALSE, ERROR_ACCESS_DENIED)},
    {"GetClassInfoExW", answer(0, ERROR_CLASS_DOES_NOT_EXIST)},
    {"GetFileAttributesW", answer(kMinusOne, ERROR_ACCESS_DENIED)},  // INVALID_FILE_ATTRIBUTES
    {"GetFileAttributesExW", answer(FALSE, ERROR_ACCESS_DENIED)},
    {"SetFileInformationByHandle", answer(FALSE, ERROR_ACCESS_DENIED)},
    {"MsgWaitForMultipleObjectsEx", answer(kMinusOne, ERROR_NOT_ENOUGH_MEMORY)},  // WAIT_FAILED
    // GDI+ statuses and COM results.
    {"GdiplusStartup", answer(kGdiplusOutOfMemory, ERROR_NOT_ENOUGH_MEMORY)},
    {"GdipCreateBitmapFromHBITMAP", answer(kGdiplusOutOfMemory, ERROR_NOT_ENOUGH_MEMORY)},
    {"GdipCreateBitmapFromScan0", answer(kGdiplusOutOfMemory, ERROR_NOT_ENOUGH_MEMORY)},
    {"GdipSetImagePalette", answer(kGdiplusOutOfMemory, ERROR_NOT_ENOUGH_MEMORY)},
    {"GdipSaveImageToFile", answer(kGdiplusWin32Error, ERROR_DISK_FULL)},
    {"CLSIDFromString", answer(static_cast<ULONG>(E_OUTOFMEMORY), ERROR_NOT_ENOUGH_MEMORY)},
    // A dialog that could not run: its extended error says why.
    {"GetSaveFileNameW", {FailureMode::Answer, FALSE, ERROR_NOT_ENOUGH_MEMORY, "", dialogRanOutOfMemory}},
    // The C runtime: streams answer EOF (WEOF for a wide character), fwrite no item.
    {"fputws", answer(kMinusOne, 0)},  {"fputs", answer(kMinusOne, 0)},    {"fputc", answer(kMinusOne, 0)},
    {"fflush", answer(kMinusOne, 0)},  {"fwprintf", answer(kMinusOne, 0)}, {"vfprintf", answer(kMinusOne, 0)},
    {"fputwc", answer(0xFFFF, 0)},     {"fwrite", answer(0, 0)},           {"_read", answer(kMinusOne, 0)},
    {"_close", answer(kMinusOne, 0)},
    {"CommDlgExtendedError", never(kNoFailure)}, {"GetLastError", never(kNoFailure)},
    {"SetLastError", never(kNoFailure)},         {"GetCurrentProcessId", never(kNoFailure)},
    {"GetCurrentThreadId", never(kNoFailure)},   {"GetTickCount", never(kNoFailure)},
    {"Sleep", never(kNoFailure)},                {"GetKeyState", never(kNoFailure)},
    {"DefWindowProcW", never(kNoFailure)},       {"IsDBCSLeadByteEx", never(kNoFailure)},
    {"GdiplusShutdown", never(kNoFailure)},      {"abort", never(kNoFailure)},
    {"_amsg_exit", never(kNoFailure)},           {"strerror", never(kNoFailure)},
    {"memchr", never(kNoFailure)},  {"memcmp", never(kNoFailure)},  {"memcpy", never(kNoFailure)},
    {"memmove", never(kNoFailure)}, {"memset", never(kNoFailure)},  {"strcmp", never(kNoFailure)},
    {"strlen", never(kNoFailure)},  {"strncmp", never(kNoFailure)}, {"wcscmp", never(kNoFailure)},
    {"wcslen", never(kNoFailure)},  {"free", never(kNoFailure)},
    // Releases fail after releasing: a failure that kept the object would be a leak no caller
    // can repair, which the leak check would blame on the plugin.
    {"DeleteObject", released(FALSE)}, {"DeleteDC", released(FALSE)},     {"ReleaseDC", released(0)},
    {"GdipDisposeImage", released(kGdiplusOutOfMemory)},                  {"FreeLibrary", released(FALSE)},
    {"DestroyAcceleratorTable", released(FALSE)},  {"VirtualFree", released(FALSE)},
    {"RtlDeleteFunctionTable", released(FALSE)},
    {"RaiseException", never(kRuntime)},         {"RtlCaptureContext", never(kRuntime)},
    {"RtlLookupFunctionEntry", never(kRuntime)}, {"RtlUnwindEx", never(kRuntime)},
    {"RtlVirtualUnwind", never(kRuntime)},       {"TlsAlloc", never(kRuntime)},
    {"TlsFree", never(kRuntime)},                {"TlsGetValue", never(kRuntime)},
    {"TlsSetValue", never(kRuntime)},            {"EnterCriticalSection", never(kRuntime)},
    {"LeaveCriticalSection", never(kRuntime)},   {"InitializeCriticalSection", never(kRuntime)},
    {"DeleteCriticalSection", never(kRuntime)},  {"_initterm", never(kRuntime)},
    {"_lock", never(kRuntime)},                  {"_unlock", never(kRuntime)},
    {"_errno", never(kRuntime)},                 {"__iob_func", never(kRuntime)},
    {"___lc_codepage_func", never(kRuntime)},    {"___mb_cur_max_func", never(kRuntime)},
    {"localeconv", never(kRuntime)},             {"CreateSemaphoreW", never(kRuntime)},
    {"ReleaseSemaphore", never(kRuntime)},       {"WaitForSingleObject", never(kRuntime)},
    {"VirtualQuery", never(kRuntime)},
};

}  // namespace

FailureRule failureRuleFor(const std::string& name) {
    for (const NamedRule& named : kRules) {
        if (name == named.name) return named.rule;
    }
    return FailureRule{};
}

}  // namespace testhost

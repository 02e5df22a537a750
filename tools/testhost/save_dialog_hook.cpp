#include "save_dialog_hook.h"

#include <commdlg.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "dialog_driver.h"
#include "host_log.h"
#include "import_table.h"

namespace testhost {
namespace {

using GetSaveFileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);
using ExtendedErrorFn = DWORD(WINAPI*)();
GetSaveFileNameFn realGetSaveFileName = nullptr;
ExtendedErrorFn realExtendedError = nullptr;
DWORD pendingFailure = 0;   // what the next dialog fails with; 0: it opens
DWORD reportedFailure = 0;  // what the plugin's next CommDlgExtendedError answers; 0: the real one

std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%lX", static_cast<unsigned long>(value));
    return text;
}

// The filter list is pairs of NUL-terminated strings ending with an empty one.
std::wstring joinFilters(const wchar_t* filters) {
    std::wstring joined;
    for (const wchar_t* part = filters; part && *part; part += std::wcslen(part) + 1) {
        if (!joined.empty()) joined += L'|';
        joined += part;
    }
    return joined;
}

BOOL WINAPI loggingGetSaveFileName(OPENFILENAMEW* dialog) {
    if (dialog) {
        logLine("dialog filters=" + quoted(utf8(joinFilters(dialog->lpstrFilter))) +
                " index=" + std::to_string(dialog->nFilterIndex) +
                " defext=" + utf8(dialog->lpstrDefExt ? dialog->lpstrDefExt : L"") +
                " maxfile=" + std::to_string(dialog->nMaxFile) + " flags=" + hex(dialog->Flags));
        noteSaveDialogLogged();
    }
    if (pendingFailure) {
        reportedFailure = std::exchange(pendingFailure, 0);
        logLine("dialog failed " + hex(reportedFailure));
        return FALSE;
    }
    reportedFailure = 0;
    return realGetSaveFileName(dialog);
}

DWORD WINAPI failingExtendedError() {
    if (reportedFailure) return std::exchange(reportedFailure, 0);
    return realExtendedError ? realExtendedError() : 0;
}

template <typename Fn>
bool routeImport(HMODULE plugin, const char* name, Fn replacement, Fn& real) {
    void* previous = reinterpret_cast<void*>(real);
    const bool routed = patchImport(plugin, "comdlg32.dll", name, reinterpret_cast<void*>(replacement), &previous);
    real = reinterpret_cast<Fn>(previous);
    return routed;
}

}  // namespace

void failNextSaveDialog(DWORD extendedError) { pendingFailure = extendedError; }

void answerNextExtendedError(DWORD extendedError) { reportedFailure = extendedError; }

bool hookSaveDialog(HMODULE plugin) {
    routeImport<ExtendedErrorFn>(plugin, "CommDlgExtendedError", &failingExtendedError, realExtendedError);
    return routeImport<GetSaveFileNameFn>(plugin, "GetSaveFileNameW", &loggingGetSaveFileName, realGetSaveFileName);
}

}  // namespace testhost

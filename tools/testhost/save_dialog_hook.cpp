#include "save_dialog_hook.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "dialog_driver.h"
#include "host_log.h"

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

// Points the plugin's import of name from comdlg32 at replacement; real receives what it was.
// False when the plugin doesn't import it.
template <typename Fn>
bool routeImport(HMODULE plugin, const char* name, Fn replacement, Fn& real) {
    auto* base = reinterpret_cast<BYTE*>(plugin);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return false;
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name;
         ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "comdlg32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            // Already routed: the library was loaded again while a viewer kept this mapping.
            if (slots->u1.Function == reinterpret_cast<ULONG_PTR>(replacement)) return true;
            DWORD oldProtection = 0;
            if (!::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &oldProtection)) {
                return false;
            }
            real = reinterpret_cast<Fn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), oldProtection, &oldProtection);
            return true;
        }
    }
    return false;
}

}  // namespace

void failNextSaveDialog(DWORD extendedError) { pendingFailure = extendedError; }

bool hookSaveDialog(HMODULE plugin) {
    routeImport<ExtendedErrorFn>(plugin, "CommDlgExtendedError", &failingExtendedError, realExtendedError);
    return routeImport<GetSaveFileNameFn>(plugin, "GetSaveFileNameW", &loggingGetSaveFileName, realGetSaveFileName);
}

}  // namespace testhost

#include "clipboard_data_hook.h"

#include "host_log.h"
#include "import_table.h"

namespace testhost {
namespace {

using SetClipboardDataFn = HANDLE(WINAPI*)(UINT, HANDLE);
using DeleteObjectFn = BOOL(WINAPI*)(HGDIOBJ);
SetClipboardDataFn realSetClipboardData = nullptr;
DeleteObjectFn realDeleteObject = nullptr;
// Kept as a value only: the host never uses it as a bitmap, it only asks what it is now.
HANDLE lastPlacedBitmap = nullptr;
bool deletedByPlugin = false;  // the plugin passed lastPlacedBitmap to DeleteObject after placing it

HANDLE WINAPI notingSetClipboardData(UINT format, HANDLE data) {
    if (format == CF_BITMAP && data) {
        lastPlacedBitmap = data;
        deletedByPlugin = false;
    }
    if (!realSetClipboardData) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return realSetClipboardData(format, data);
}

// Wine makes a placed bitmap a system object that DeleteObject leaves alone, so a bitmap the
// plugin deletes after handing it over stays live there: only the call itself shows the fault.
BOOL WINAPI notingDeleteObject(HGDIOBJ object) {
    if (object && object == lastPlacedBitmap) deletedByPlugin = true;
    return realDeleteObject ? realDeleteObject(object) : FALSE;
}

template <typename Fn>
bool routeImport(HMODULE plugin, const char* library, const char* name, Fn replacement, Fn& real) {
    void* previous = reinterpret_cast<void*>(real);
    const bool routed = patchImport(plugin, library, name, reinterpret_cast<void*>(replacement), &previous);
    real = reinterpret_cast<Fn>(previous);
    return routed;
}

}  // namespace

bool hookClipboardData(HMODULE plugin) {
    routeImport<DeleteObjectFn>(plugin, "gdi32.dll", "DeleteObject", &notingDeleteObject, realDeleteObject);
    return routeImport<SetClipboardDataFn>(plugin, "user32.dll", "SetClipboardData", &notingSetClipboardData,
                                           realSetClipboardData);
}

std::string runClipData(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: clipdata";
    if (!lastPlacedBitmap) {
        logLine("clipdata none");
        return {};
    }
    if (deletedByPlugin) {
        logLine("clipdata deleted");
        return {};
    }
    BITMAP description{};
    const auto bitmap = static_cast<HBITMAP>(lastPlacedBitmap);
    if (::GetObjectType(bitmap) != OBJ_BITMAP || ::GetObjectW(bitmap, sizeof(description), &description) == 0) {
        logLine("clipdata dead");
        return {};
    }
    logLine("clipdata bitmap " + std::to_string(description.bmWidth) + " " + std::to_string(description.bmHeight));
    return {};
}

}  // namespace testhost

#include "save_command.h"

#include <commdlg.h>

#include <cstdio>
#include <string>

#include "../plugin/viewer.h"
#include "bmp_writer.h"
#include "dialog_leftovers.h"
#include "encoder_export.h"
#include "save_format.h"

namespace qrl {
namespace {

constexpr DWORD kFileNameUnits = 260;
// Pairs of display name and pattern, double-NUL terminated.
constexpr wchar_t kFilters[] = L"JPEG\0*.jpg\0PNG\0*.png\0BitMap\0*.bmp\0Tutti i file\0*.*\0";

// The chosen path, or empty when the dialog was cancelled or failed; may throw std::bad_alloc.
std::wstring askForPath(HWND viewer) {
    wchar_t path[kFileNameUnits] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = viewer;
    dialog.lpstrFilter = kFilters;
    dialog.nFilterIndex = 1;  // JPEG
    dialog.lpstrFile = path;
    dialog.nMaxFile = kFileNameUnits;
    dialog.lpstrDefExt = L"bmp";
    // The file need not exist yet, and replacing one that does is asked first.
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    BOOL chosen = FALSE;
    {
        const DialogLeftoverSweep sweep;
        chosen = ::GetSaveFileNameW(&dialog);
    }
    if (!chosen) return {};
    return path;
}

bool write(HBITMAP image, SaveFormat format, const wchar_t* path) noexcept {
    if (!image) return false;
    if (format == SaveFormat::Bmp) return writeBmpFile(image, path);
    return exportWithEncoder(image, path, mimeTypeOf(format));
}

}  // namespace

void runSaveCommand(HWND viewer) noexcept {
    try {
        const std::wstring path = askForPath(viewer);
        if (path.empty()) return;
        // The viewer may have gone while the dialog was up; its boxes then have no owner.
        const HWND owner = ::IsWindow(viewer) ? viewer : nullptr;
        const SaveFormat format = saveFormatOf(path);
        if (format == SaveFormat::Unsupported) {
            ::MessageBoxW(owner, path.c_str(), L"Format not supported", MB_ICONERROR);
            std::fputws(L"Formato file non supportato.\n", stdout);
            std::fflush(stdout);
            return;
        }
        // Looked up only now: a resize while the dialog was up may have replaced the image.
        if (write(viewerImage(viewer), format, path.c_str())) {
            ::MessageBoxW(owner, path.c_str(), L"File saved in:", MB_OK);
        } else {
            const std::wstring text = L"The image could not be saved to\n" + path;
            ::MessageBoxW(owner, text.c_str(), L"Error", MB_ICONERROR);
        }
    } catch (...) {
        // Nothing may leave the window procedure; an allocation failure ends the command quietly.
    }
}

}  // namespace qrl

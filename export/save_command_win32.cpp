#include "save_command.h"

#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "../base/modal_box.h"
#include "../base/texts.h"
#include "bmp_writer.h"
#include "encoder_export.h"
#include "save_format.h"

namespace qrl {
namespace {

// The longest path the file functions take: a user may pick a deep folder.
constexpr DWORD kFileNameUnits = 32768;

const wchar_t* dialogFailureName(DWORD code) noexcept {
    switch (code) {
    case FNERR_BUFFERTOOSMALL: return kDialogNameTooLong;
    case FNERR_INVALIDFILENAME: return kDialogNameInvalid;
    case FNERR_SUBCLASSFAILURE: return kDialogListFailed;
    case CDERR_MEMALLOCFAILURE:
    case CDERR_MEMLOCKFAILURE: return kDialogOutOfMemory;
    case CDERR_INITIALIZATION: return kDialogNotInitialised;
    default: return kDialogFailed;
    }
}

void showDialogFailure(HWND owner, DWORD code) {
    wchar_t text[160];
    std::swprintf(text, sizeof(text) / sizeof(text[0]), kDialogFailedFormat, dialogFailureName(code),
                  static_cast<unsigned long>(code));
    showModalBox(owner, text, kErrorCaption, MB_ICONERROR);
}

WriteOutcome write(HWND owner, const ExportImage& image, SaveFormat format, const wchar_t* path) noexcept {
    if (!image.bitmap) return WriteOutcome::Failed;
    if (format == SaveFormat::Bmp) return writeBmpFile(image.bitmap, path) ? WriteOutcome::Written : WriteOutcome::Failed;
    return exportWithEncoder(image, path, mimeTypeOf(format), EncoderPixels::Smallest, owner);
}

}  // namespace

std::wstring askSavePath(HWND owner) {
    std::vector<wchar_t> path(kFileNameUnits, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kSaveFilters;
    // JPEG preselected yet "bmp" as default extension: deliberate, the dialog users have always had.
    dialog.nFilterIndex = 1;  // JPEG
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kFileNameUnits;
    dialog.lpstrDefExt = L"bmp";
    // The file need not exist yet; replacing one that does is asked first; and the host's current
    // folder is not moved to (and held in) the folder the user saved into.
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
    BOOL chosen = FALSE;
    {
        const ModuleHold hold;  // the dialog runs its own message loop, as a box does
        chosen = ::GetSaveFileNameW(&dialog);
    }
    if (chosen) return path.data();
    // False is also what a failed dialog answers; only the extended error tells it from Cancel.
    if (const DWORD failure = ::CommDlgExtendedError()) showDialogFailure(::IsWindow(owner) ? owner : nullptr, failure);
    return {};
}

void saveImageTo(HWND owner, const ExportImage& image, const std::wstring& path) noexcept {
    try {
        const SaveFormat format = saveFormatOf(path);
        if (format == SaveFormat::Unsupported) {
            showModalBox(owner, path.c_str(), kUnsupportedFormatCaption, MB_ICONERROR);
            std::fputws(kUnsupportedFormatLine, stdout);
            std::fflush(stdout);
            return;
        }
        switch (write(owner, image, format, path.c_str())) {
        case WriteOutcome::Written:
            showModalBox(owner, path.c_str(), kSavedCaption, MB_OK);
            break;
        case WriteOutcome::Failed: {
            const std::wstring text = kSaveFailedText + path;
            showModalBox(owner, text.c_str(), kErrorCaption, MB_ICONERROR);
            break;
        }
        case WriteOutcome::FailedReported:
            break;
        }
    } catch (...) {
        // Nothing may leave the window procedure; an allocation failure ends the command quietly.
    }
}

}  // namespace qrl

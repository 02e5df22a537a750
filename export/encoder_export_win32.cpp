#include "encoder_export.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "../base/gdiplus_handles.h"
#include "../base/modal_box.h"
#include "../base/texts.h"
#include "encoder_pixels_win32.h"
#include "replacement_file.h"

namespace qrl {
namespace {

struct EncoderRow {
    const wchar_t* mimeType;
    const wchar_t* classId;       // the library's built-in encoder
    const wchar_t* parseFailure;  // box text should the class identifier not parse
};

constexpr EncoderRow kEncoders[] = {
    {L"image/jpeg", L"{557cf401-1a04-11d3-9a73-0000f81ef32e}", kJpegClassIdFailedText},
    {L"image/png", L"{557cf406-1a04-11d3-9a73-0000f81ef32e}", kPngClassIdFailedText},
};

const EncoderRow* encoderFor(const wchar_t* mimeType) noexcept {
    if (!mimeType) return nullptr;
    for (const EncoderRow& row : kEncoders) {
        if (std::wcscmp(row.mimeType, mimeType) == 0) return &row;
    }
    return nullptr;
}

bool isPng(const EncoderRow& row) noexcept { return std::wcscmp(row.mimeType, L"image/png") == 0; }

bool saveThroughReplacement(Gdiplus::GpImage* source, const CLSID& encoder, const wchar_t* path) {
    ReplacementFile file{std::wstring(path)};
    // The encoder opens the file by name: our handle must be gone first.
    if (!file.ok() || !file.close()) return false;
    if (Gdiplus::DllExports::GdipSaveImageToFile(source, file.temporaryPath().c_str(), &encoder, nullptr) !=
        Gdiplus::Ok) {
        return false;
    }
    return file.commit();
}

}  // namespace

WriteOutcome exportWithEncoder(const ExportImage& image, const wchar_t* path, const wchar_t* mimeType,
                               EncoderPixels pixels, HWND boxOwner) noexcept {
    try {
        const EncoderRow* row = encoderFor(mimeType);
        if (!row) {
            std::fputws(kNoEncoderLine, stdout);
            std::fflush(stdout);
            return WriteOutcome::Failed;
        }
        if (!image.bitmap || !path || !*path) return WriteOutcome::Failed;
        const GdiplusSession session;
        if (!session) return WriteOutcome::Failed;
        CLSID encoder{};
        if (FAILED(::CLSIDFromString(row->classId, &encoder))) {
            showModalBox(boxOwner, row->parseFailure, kErrorCaption, MB_ICONERROR);
            return WriteOutcome::FailedReported;
        }
        // JPEG is always encoded from the full-colour image: indexed input gains it nothing.
        const EncoderPixels chosen = isPng(*row) ? pixels : EncoderPixels::Full;
        // Declared after the session: the image is disposed before GDI+ shuts down.
        const EncoderSource source = makeEncoderSource(image, chosen);
        if (!source.image) return WriteOutcome::Failed;
        return saveThroughReplacement(source.image.get(), encoder, path) ? WriteOutcome::Written : WriteOutcome::Failed;
    } catch (...) {
        return WriteOutcome::Failed;
    }
}

}  // namespace qrl

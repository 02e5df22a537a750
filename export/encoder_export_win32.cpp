#include "encoder_export.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "encoder_pixels_win32.h"
#include "gdiplus_win32.h"

namespace qrl {
namespace {

struct EncoderRow {
    const wchar_t* mimeType;
    const wchar_t* classId;       // the library's built-in encoder
    const wchar_t* parseFailure;  // box text should the class identifier not parse
};

constexpr EncoderRow kEncoders[] = {
    {L"image/jpeg", L"{557cf401-1a04-11d3-9a73-0000f81ef32e}", L"CLSID for JPEG."},
    {L"image/png", L"{557cf406-1a04-11d3-9a73-0000f81ef32e}", L"CLSID for PNG."},
};

const EncoderRow* encoderFor(const wchar_t* mimeType) noexcept {
    if (!mimeType) return nullptr;
    for (const EncoderRow& row : kEncoders) {
        if (std::wcscmp(row.mimeType, mimeType) == 0) return &row;
    }
    return nullptr;
}

bool isPng(const EncoderRow& row) noexcept { return std::wcscmp(row.mimeType, L"image/png") == 0; }

// A fresh empty file in path's folder, for the encoder to fill before it replaces path.
// Same folder, so the final move is a rename on the same volume. Empty when none can be made.
std::wstring temporaryFileBeside(const wchar_t* path) {
    std::wstring folder(path);
    const std::size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash + 1);
    wchar_t name[MAX_PATH] = {};
    if (!::GetTempFileNameW(folder.c_str(), L"qrl", 0, name)) return {};
    return name;
}

// Saves source to a temporary file and moves it over path. A file at path that another program
// holds open can't be replaced: the move fails, and that file stays as it was.
bool saveThroughTemporary(Gdiplus::GpImage* source, const CLSID& encoder, const wchar_t* path) {
    const std::wstring temporary = temporaryFileBeside(path);
    if (temporary.empty()) return false;
    const Gdiplus::GpStatus status =
        Gdiplus::DllExports::GdipSaveImageToFile(source, temporary.c_str(), &encoder, nullptr);
    if (status == Gdiplus::Ok && ::MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return true;
    ::DeleteFileW(temporary.c_str());
    return false;
}

}  // namespace

bool exportWithEncoder(HBITMAP image, const wchar_t* path, const wchar_t* mimeType, EncoderPixels pixels) noexcept {
    try {
        const EncoderRow* row = encoderFor(mimeType);
        if (!row) {
            std::fputws(L"Formato non supportato.", stdout);
            std::fflush(stdout);
            return false;
        }
        if (!image || !path || !*path) return false;
        const GdiplusSession session;
        if (!session) return false;
        CLSID encoder{};
        if (FAILED(::CLSIDFromString(row->classId, &encoder))) {
            ::MessageBoxW(nullptr, row->parseFailure, L"Error", MB_ICONERROR);
            return false;
        }
        // JPEG is always encoded from the full-colour image: indexed input gains it nothing.
        const EncoderPixels chosen = isPng(*row) ? pixels : EncoderPixels::Full;
        // Declared after the session: the image is disposed before GDI+ shuts down.
        const EncoderSource source = makeEncoderSource(image, chosen);
        if (!source.image) return false;
        return saveThroughTemporary(source.image.get(), encoder, path);
    } catch (...) {
        return false;
    }
}

bool exportWithEncoder(HBITMAP image, const wchar_t* path, const wchar_t* mimeType) noexcept {
    return exportWithEncoder(image, path, mimeType, EncoderPixels::Smallest);
}

}  // namespace qrl

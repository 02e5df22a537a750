#include "save_format.h"

namespace qrl {
namespace {

// ASCII folding only: the extensions are ASCII, and a locale-dependent fold could let a
// non-ASCII letter match one of them.
bool equalsIgnoringAsciiCase(std::wstring_view text, std::wstring_view lowerCase) noexcept {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lowerCase[i]) return false;
    }
    return true;
}

}  // namespace

SaveFormat saveFormatOf(std::wstring_view path) noexcept {
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos) return SaveFormat::Unsupported;
    const std::wstring_view extension = path.substr(dot + 1);
    if (equalsIgnoringAsciiCase(extension, L"jpg") || equalsIgnoringAsciiCase(extension, L"jpeg")) {
        return SaveFormat::Jpeg;
    }
    if (equalsIgnoringAsciiCase(extension, L"png")) return SaveFormat::Png;
    if (equalsIgnoringAsciiCase(extension, L"bmp")) return SaveFormat::Bmp;
    return SaveFormat::Unsupported;
}

const wchar_t* mimeTypeOf(SaveFormat format) noexcept {
    switch (format) {
    case SaveFormat::Jpeg: return L"image/jpeg";
    case SaveFormat::Png: return L"image/png";
    default: return nullptr;
    }
}

}  // namespace qrl

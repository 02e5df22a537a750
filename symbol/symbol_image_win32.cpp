#include "symbol_image.h"

#include <qrencode.h>

#include "content_text.h"
#include "qr_symbol.h"
#include "raster.h"

namespace qrl {
namespace {

// Paths at or beyond MAX_PATH need the extended-length prefix to open at all.
std::wstring extendedLengthPath(const wchar_t* path) {
    std::wstring p(path);
    if (p.size() < MAX_PATH || p.rfind(L"\\\\?\\", 0) == 0) return p;
    if (p.size() > 2 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) return L"\\\\?\\" + p;
    if (p.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + p.substr(2);
    return p;
}

}  // namespace

std::string loadContentText(const wchar_t* path) {
    if (path == nullptr || *path == L'\0') return {};
    UniqueFile file(::CreateFileW(extendedLengthPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return {};
    LARGE_INTEGER sizeBytes{};
    if (!::GetFileSizeEx(file.get(), &sizeBytes) || sizeBytes.QuadPart < 0 ||
        static_cast<unsigned long long>(sizeBytes.QuadPart) > kMaxContentBytes) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(sizeBytes.QuadPart), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD readBytes = 0;
        if (!::ReadFile(file.get(), &bytes[filled], static_cast<DWORD>(bytes.size() - filled), &readBytes, nullptr)) {
            return {};
        }
        if (readBytes == 0) break;  // the file shrank while we read it
        filled += readBytes;
    }
    bytes.resize(filled);
    return normaliseContent(std::move(bytes));
}

void showNotHandledBox() noexcept {
    ::MessageBoxW(nullptr, L"The file is too large or not handled", L"Error", MB_ICONERROR);
}

UniqueBitmap createRaster(int widthPx, int heightPx, void** bits) noexcept {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = widthPx;
    info.bmiHeader.biHeight = -heightPx;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (!bitmap || *bits == nullptr) return {};
    return bitmap;
}

UniqueBitmap renderSymbol(const QRcode& symbol) noexcept {
    const int widthModules = symbolWidthModules(symbol);
    const int sizePx = rasterSizePx(widthModules);
    void* bits = nullptr;
    UniqueBitmap bitmap = createRaster(sizePx, sizePx, &bits);
    if (!bitmap) return {};
    // Painted straight into the surface that becomes the image: no second copy.
    paintModules(symbolModules(symbol), widthModules, static_cast<std::uint8_t*>(bits),
                 static_cast<std::size_t>(sizePx) * 4);
    ::GdiFlush();
    return bitmap;
}

UniqueBitmap renderSymbolImage(const std::string& text) {
    UniqueSymbol symbol = encodeSymbol(text.c_str());
    if (!symbol) {
        showNotHandledBox();
        return {};
    }
    return renderSymbol(*symbol);
}

}  // namespace qrl

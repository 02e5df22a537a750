#include "image_files.h"

#include <cwctype>

#include "base/win32_handles.h"

// The few GDI+ flat functions used here; the class headers are not needed.
extern "C" {
struct GdiplusStartupInput {
    UINT32 version;
    void* debugCallback;
    BOOL suppressBackgroundThread;
    BOOL suppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, INT format, BYTE* scan0, void** bitmap);
int WINAPI GdipSaveImageToFile(void* image, const WCHAR* file, const CLSID* encoder, const void* parameters);
int WINAPI GdipDisposeImage(void* image);
}

namespace testhost {
namespace {

constexpr INT kPixelFormat32bppRgb = 0x00022009;
constexpr CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

bool endsWithPng(const std::wstring& path) {
    if (path.size() < 4) return false;
    std::wstring tail = path.substr(path.size() - 4);
    for (wchar_t& c : tail) c = static_cast<wchar_t>(std::towlower(c));
    return tail == L".png";
}

BITMAPINFOHEADER topDownHeader(int widthPx, int heightPx) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = widthPx;
    header.biHeight = -heightPx;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(widthPx) * heightPx * 4;
    return header;
}

bool writeBmp(const std::wstring& path, const Raster& raster) {
    const BITMAPINFOHEADER info = topDownHeader(raster.widthPx, raster.heightPx);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    qrl::UniqueFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    return ::WriteFile(out.get(), &file, sizeof(file), &written, nullptr) &&
           ::WriteFile(out.get(), &info, sizeof(info), &written, nullptr) &&
           ::WriteFile(out.get(), raster.pixels.data(), info.biSizeImage, &written, nullptr) &&
           written == info.biSizeImage;
}

bool writePng(const std::wstring& path, const Raster& raster) {
    GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != 0) return false;
    bool ok = false;
    void* image = nullptr;
    auto* scan0 = reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(raster.pixels.data()));
    if (GdipCreateBitmapFromScan0(raster.widthPx, raster.heightPx, raster.widthPx * 4, kPixelFormat32bppRgb, scan0,
                                  &image) == 0) {
        ok = GdipSaveImageToFile(image, path.c_str(), &kPngEncoder, nullptr) == 0;
        GdipDisposeImage(image);
    }
    GdiplusShutdown(token);
    return ok;
}

}  // namespace

bool readBitmap(HBITMAP bitmap, Raster& raster, int& bitsPerPixel) {
    BITMAP description{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(description), &description) != sizeof(description)) return false;
    raster.widthPx = description.bmWidth;
    raster.heightPx = description.bmHeight;
    bitsPerPixel = description.bmBitsPixel;
    raster.pixels.assign(static_cast<size_t>(raster.widthPx) * raster.heightPx, 0);
    BITMAPINFO info{};
    info.bmiHeader = topDownHeader(raster.widthPx, raster.heightPx);
    qrl::ScreenDc screen;
    return ::GetDIBits(screen.get(), bitmap, 0, raster.heightPx, raster.pixels.data(), &info, DIB_RGB_COLORS) ==
           raster.heightPx;
}

bool captureClient(HWND window, Raster& raster) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT client{};
    if (!::GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return false;
    raster.widthPx = client.right;
    raster.heightPx = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = topDownHeader(raster.widthPx, raster.heightPx);
    void* bits = nullptr;
    qrl::UniqueBitmap target(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    qrl::UniqueMemoryDc memory(::CreateCompatibleDC(nullptr));
    if (!target || !memory) return false;
    const HDC source = ::GetDC(window);
    bool ok = false;
    {
        qrl::SelectGuard select(memory.get(), target.get());
        ok = select.ok() && ::BitBlt(memory.get(), 0, 0, raster.widthPx, raster.heightPx, source, 0, 0, SRCCOPY);
    }
    ::ReleaseDC(window, source);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    raster.pixels.assign(pixels, pixels + static_cast<size_t>(raster.widthPx) * raster.heightPx);
    return ok;
}

bool writeImageFile(const std::wstring& path, const Raster& raster) {
    if (raster.widthPx <= 0 || raster.heightPx <= 0) return false;
    return endsWithPng(path) ? writePng(path, raster) : writeBmp(path, raster);
}

}  // namespace testhost

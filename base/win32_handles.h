#pragma once
// Owners for the Win32 handles the plugin creates, one alias per release call.
#include <windows.h>

#include "unique_handle.h"

namespace qrl {

namespace detail {
template <typename T, auto Release>
struct NullTraits {
    using Type = T;
    static Type empty() noexcept { return nullptr; }
    static void release(Type h) noexcept { Release(h); }
};
inline void deleteGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void deleteDc(HDC h) noexcept { ::DeleteDC(h); }
inline void destroyWindow(HWND h) noexcept { ::DestroyWindow(h); }
struct FileTraits {
    using Type = HANDLE;
    static Type empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void release(Type h) noexcept { ::CloseHandle(h); }
};
}  // namespace detail

using UniqueBitmap = UniqueHandle<detail::NullTraits<HBITMAP, detail::deleteGdiObject>>;
using UniqueBrush = UniqueHandle<detail::NullTraits<HBRUSH, detail::deleteGdiObject>>;
using UniqueMemoryDc = UniqueHandle<detail::NullTraits<HDC, detail::deleteDc>>;
using UniqueWindow = UniqueHandle<detail::NullTraits<HWND, detail::destroyWindow>>;
using UniqueFile = UniqueHandle<detail::FileTraits>;

// The screen's drawing context, released on scope exit.
class ScreenDc {
public:
    ScreenDc() noexcept : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() { if (dc_) ::ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const noexcept { return dc_; }
private:
    HDC dc_;
};

// Selects an object into a context and puts the previous one back on scope exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectGuard() { if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    bool ok() const noexcept { return previous_ && previous_ != HGDI_ERROR; }
private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace qrl

#pragma once
// Owners for GDI+ (flat interface): the library's start-up token and its images.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "unique_handle.h"

namespace qrl {

// GDI+ is alive while one of these is. Start-up with the default input, no output.
class GdiplusSession {
public:
    GdiplusSession() noexcept {
        const Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
    }
    ~GdiplusSession() { if (token_) Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    explicit operator bool() const noexcept { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

namespace detail {
struct GpImageTraits {
    using Type = Gdiplus::GpImage*;
    static Type empty() noexcept { return nullptr; }
    static void release(Type image) noexcept { Gdiplus::DllExports::GdipDisposeImage(image); }
};
}  // namespace detail

// Must be released before the session that made it ends: declare it after the session.
using UniqueGpImage = UniqueHandle<detail::GpImageTraits>;

}  // namespace qrl

#pragma once
// The GDI+ image an encoder is given for a bitmap of the module.
#include <cstdint>
#include <vector>

#include "encoder_export.h"
#include "gdiplus_win32.h"

namespace qrl {

// An encoder's input. An indexed image reads its pixels from `pixels` without copying them,
// so the image is declared last and goes first.
struct EncoderSource {
    std::vector<std::uint8_t> pixels;
    UniqueGpImage image;
};

// For Full, the library's own copy of image (32-bit, no palette). For Smallest, a 1-bit
// black/white or 8-bit grey indexed image when that keeps every pixel, else as Full.
// GDI+ must be running. An empty image on failure; image stays the caller's.
EncoderSource makeEncoderSource(HBITMAP image, EncoderPixels pixels);

}  // namespace qrl

#pragma once
// The GDI+ image an encoder is given for a bitmap of the module.
#include <cstdint>
#include <vector>

#include "../base/gdiplus_handles.h"
#include "encoder_export.h"

namespace qrl {

// An encoder's input. An indexed image reads its pixels from `pixels` without copying them,
// so the image is declared last and goes first.
struct EncoderSource {
    std::vector<std::uint8_t> pixels;
    UniqueGpImage image;
};

// For Full, the library's own copy of the bitmap (32-bit, no palette). For Smallest: the full-size
// rendering as a 1-bit image expanded from its modules (the bitmap is not read at all); any other
// image as a 1-bit black/white or 8-bit grey indexed image when that keeps every pixel, else as
// Full. GDI+ must be running. An empty image on failure; the bitmap stays the caller's.
EncoderSource makeEncoderSource(const ExportImage& image, EncoderPixels pixels);

}  // namespace qrl

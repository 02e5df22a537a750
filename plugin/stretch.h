#pragma once
// The viewer's fit: a halftone (smoothed) shrink of an image into a new one.
#include "fit.h"
#include "win32_handles.h"

namespace qrl {

// Stretches all of source (sourceSize pixels) onto a new 32-bit top-down DIB section of target
// pixels with HALFTONE, fourth byte 0. The caller owns the result; empty on any failure.
UniqueBitmap stretchHalftone(HBITMAP source, SizePx sourceSize, SizePx target) noexcept;

}  // namespace qrl

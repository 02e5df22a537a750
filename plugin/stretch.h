#pragma once
// The viewer's fit: a halftone (smoothed) shrink of an image into a new one.
#include "../base/win32_handles.h"
#include "fit.h"

namespace qrl {

// Stretches all of source (sourceSize pixels) onto a new display-compatible bitmap of target
// pixels with HALFTONE. The caller owns the result; empty on any failure.
UniqueBitmap stretchHalftone(HBITMAP source, SizePx sourceSize, SizePx target) noexcept;

}  // namespace qrl

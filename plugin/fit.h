#pragma once
// Fit-to-height and centring arithmetic of the viewer.

namespace qrl {

struct SizePx {
    int width = 0;
    int height = 0;
    friend bool operator==(SizePx a, SizePx b) noexcept { return a.width == b.width && a.height == b.height; }
    friend bool operator!=(SizePx a, SizePx b) noexcept { return !(a == b); }
};

struct PointPx {
    int x = 0;
    int y = 0;
};

// The size an image of `image` pixels is shown at in a client area clientHeightPx tall.
// Unchanged when it is no taller than the client area; otherwise scaled by the single-precision
// s = clientHeightPx / image.width, each side truncated toward zero. The result may hold a 0
// (client height 0, or a sliver against a large image): callers then keep what they show.
SizePx fitToHeight(SizePx image, int clientHeightPx) noexcept;

// True when a fitted size can be drawn (both sides at least one pixel).
constexpr bool isDrawable(SizePx size) noexcept { return size.width > 0 && size.height > 0; }

// Top-left corner that centres an image in a client area whose left and top are 0.
// Truncating division: an image larger than the area overflows equally on both sides.
PointPx centreIn(SizePx image, int clientRight, int clientBottom) noexcept;

}  // namespace qrl

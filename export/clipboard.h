#pragma once
// The clipboard side of the host's copy command.
#include <windows.h>

#include "../base/win32_handles.h"

namespace qrl {

// Puts a new device-dependent copy of image on the clipboard as CF_BITMAP. The copy becomes the
// clipboard's: it outlives the viewer and the module; image stays the caller's and untouched.
// True once the clipboard holds the copy; false (clipboard unchanged where possible) when the copy
// can't be made or the clipboard can't be emptied or given the bitmap, or stays busy (another
// program holding it open) for longer than a few hundred milliseconds.
// owner: the window that opens the clipboard (the viewer). It must not be null: with no owner,
// EmptyClipboard leaves the clipboard ownerless and Windows then refuses SetClipboardData.
// Shows nothing: boxes belong to the caller.
bool copyToClipboard(HBITMAP image, HWND owner) noexcept;

// The copy copyToClipboard places: a new display-compatible bitmap with image's pixels, made by
// one BitBlt. The caller owns it; empty on failure.
UniqueBitmap clipboardCopyOf(HBITMAP image) noexcept;

}  // namespace qrl

#pragma once
// The module's own writer for uncompressed Windows bitmap files.
#include <windows.h>

namespace qrl {

// Writes image to path as an uncompressed bitmap file at the image's own depth (32 bits per pixel
// for 8 or fewer), bottom-up rows, no colour table, the fourth byte of 32-bit pixels 0.
// Over an existing file, the new one is written beside it and moved over it once complete; a free
// name is written in place (ReplacementFile). On failure an existing file at path is left exactly
// as it was and no partial file remains; a file another program holds open is a failure. True only when path holds the whole file. image stays the caller's.
// Rows are fetched and written in bands: memory use does not grow with the image.
bool writeBmpFile(HBITMAP image, const wchar_t* path) noexcept;

}  // namespace qrl

#pragma once
// The module's own writer for uncompressed Windows bitmap files.
#include <windows.h>

namespace qrl {

// Writes image to path as an uncompressed bitmap file at the image's own depth (32 bits per pixel
// for 8 or fewer), bottom-up rows, no colour table. The file is created anew, write access only,
// no sharing: a file another program holds open is a failure and is left as it is.
// True only when the whole file was written; otherwise no file is left at path (an existing one
// may be gone if the failure came after it was replaced). Does not take ownership of image.
bool writeBmpFile(HBITMAP image, const wchar_t* path) noexcept;

}  // namespace qrl

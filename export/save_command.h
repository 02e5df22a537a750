#pragma once
// Ctrl+S in the viewer: ask for a file name, write the image there, tell the user.
#include <windows.h>

#include <string>

#include "export_image.h"

namespace qrl {

// The platform's modal save dialog, owned by owner: filters JPEG, PNG, BitMap and all files (JPEG
// preselected), default extension "bmp", the overwrite prompt, the host's current folder kept.
// The chosen full path; empty when the user cancels, or when the dialog fails, which an "Error"
// box owned by owner then names. May throw std::bad_alloc.
std::wstring askSavePath(HWND owner);

// Writes image to path in the format the text after its last "." names (jpg/jpeg, png, bmp,
// any case) and tells the user: "File saved in:" once the file is complete, one "Error" box when
// it is not, or "Format not supported" (and its console line) for any other name. owner owns the
// boxes and may be null (the viewer went while the dialog was up).
void saveImageTo(HWND owner, const ExportImage& image, const std::wstring& path) noexcept;

}  // namespace qrl

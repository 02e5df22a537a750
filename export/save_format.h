#pragma once
// Which writer a chosen file name goes to.
#include <string_view>

namespace qrl {

enum class SaveFormat { Jpeg, Png, Bmp, Unsupported };

// The text after the last "." of the whole path, compared without regard to ASCII case:
// "jpg"/"jpeg" → Jpeg, "png" → Png, "bmp" → Bmp; anything else, or no "." at all, → Unsupported.
// Folder names count too: "C:\a.b\name" gives "b\name", which matches nothing.
SaveFormat saveFormatOf(std::wstring_view path) noexcept;

// The encoder's MIME type for Jpeg and Png; null for the formats no encoder writes.
const wchar_t* mimeTypeOf(SaveFormat format) noexcept;

}  // namespace qrl

#pragma once
// JPEG and PNG files through the platform's image encoders (GDI+).
#include <windows.h>

namespace qrl {

// How the pixels are handed to the PNG encoder: the smallest indexed format that keeps every
// pixel, or always the full 32-bit image (kept for comparison in benchmarks).
enum class EncoderPixels { Smallest, Full };

// Encodes image with the encoder for mimeType ("image/jpeg" or "image/png", exact case) and puts
// the file at path. GDI+ is started and shut down inside the call. PNG files keep every pixel;
// with Smallest, pure black-and-white and all-grey images go to the encoder 1- and 8-bit indexed,
// which is faster and smaller. JPEG always gets the full-colour image.
// The file is written beside path under a temporary name and moved over path only when complete:
// a failure leaves an existing file untouched and no partial one, and a file another program
// holds open is a failure. True only when the file at path is complete. An unknown MIME type
// writes the console line "Formato non supportato." and gives false. image stays the caller's.
bool exportWithEncoder(HBITMAP image, const wchar_t* path, const wchar_t* mimeType, EncoderPixels pixels) noexcept;

// The same with EncoderPixels::Smallest.
bool exportWithEncoder(HBITMAP image, const wchar_t* path, const wchar_t* mimeType) noexcept;

}  // namespace qrl

#pragma once
// JPEG and PNG files through the platform's image encoders (GDI+).
#include "export_image.h"

namespace qrl {

// How the pixels are handed to the PNG encoder: the smallest indexed format that keeps every
// pixel, or always the full 32-bit image (kept for comparison in benchmarks).
enum class EncoderPixels { Smallest, Full };

// Encodes image with the encoder for mimeType ("image/jpeg" or "image/png", exact case) and puts
// the file at path. GDI+ is started and shut down inside the call. PNG files keep every pixel;
// with Smallest they are 1-bit black and white, built from the modules when the image is the
// full-size rendering, or 8-bit grey for a fitted image. JPEG always gets the full-colour image.
// Over an existing file, the new one is written beside it and moved over it once complete; a free
// name is written in place (see ReplacementFile).
// An unknown MIME type writes the console line "Formato non supportato." and fails; a class
// identifier that doesn't parse shows its box, owned by boxOwner, and gives FailedReported.
WriteOutcome exportWithEncoder(const ExportImage& image, const wchar_t* path, const wchar_t* mimeType,
                               EncoderPixels pixels = EncoderPixels::Smallest, HWND boxOwner = nullptr) noexcept;

}  // namespace qrl

#pragma once
// The detect string the host asks for: which files this plugin views.

namespace qrl {

constexpr char kDetectString[] = "EXT=\"QR\"|EXT=\"QRCODE\"";

// Copies the detect string into buffer, truncated to maxLen - 1 characters plus NUL.
// A maxLen below 1 or a null buffer writes nothing.
void copyDetectString(char* buffer, int maxLen) noexcept;

}  // namespace qrl

#include "detect_string.h"

#include <algorithm>
#include <cstring>

namespace qrl {

void copyDetectString(char* buffer, int maxLen) noexcept {
    if (buffer == nullptr || maxLen < 1) return;
    const std::size_t capacity = static_cast<std::size_t>(maxLen) - 1;
    const std::size_t length = std::min(capacity, sizeof(kDetectString) - 1);
    std::memcpy(buffer, kDetectString, length);
    buffer[length] = '\0';
}

}  // namespace qrl

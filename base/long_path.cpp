#include "long_path.h"

#include <algorithm>

namespace qrl {
namespace {

constexpr std::size_t kMaxPathUnits = 260;  // the platform's MAX_PATH

}  // namespace

std::wstring extendedLengthPath(const std::wstring& path) {
    if (path.size() < kMaxPathUnits || path.rfind(L"\\\\?\\", 0) == 0) return path;
    std::wstring backslashed = path;
    std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
    if (backslashed.size() > 2 && backslashed[1] == L':' && backslashed[2] == L'\\') return L"\\\\?\\" + backslashed;
    if (backslashed.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + backslashed.substr(2);
    return path;
}

}  // namespace qrl

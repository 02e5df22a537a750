#include "content_file.h"

#include "../base/long_path.h"
#include "../base/win32_handles.h"
#include "content_text.h"

namespace qrl {

std::string loadContentText(const wchar_t* path) {
    if (path == nullptr || *path == L'\0') return {};
    UniqueFile file(::CreateFileW(extendedLengthPath(std::wstring(path)).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return {};
    LARGE_INTEGER sizeBytes{};
    if (!::GetFileSizeEx(file.get(), &sizeBytes) || sizeBytes.QuadPart < 0 ||
        static_cast<unsigned long long>(sizeBytes.QuadPart) > kMaxContentBytes) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(sizeBytes.QuadPart), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD readBytes = 0;
        if (!::ReadFile(file.get(), &bytes[filled], static_cast<DWORD>(bytes.size() - filled), &readBytes, nullptr)) {
            return {};
        }
        if (readBytes == 0) break;  // the file shrank while we read it
        filled += readBytes;
    }
    bytes.resize(filled);
    return normaliseContent(std::move(bytes));
}

}  // namespace qrl

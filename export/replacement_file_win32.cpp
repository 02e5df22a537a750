#include "replacement_file.h"

#include <cwchar>

#include "../base/long_path.h"

namespace qrl {
namespace {

constexpr int kNameAttempts = 16;

std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::wstring& targetPath) : targetPath_(extendedLengthPath(targetPath)) {
    // Nothing there to keep: write the target itself, made anew so that it is ours to delete.
    if (UniqueFile file(::CreateFileW(targetPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        file) {
        file_ = std::move(file);
        temporaryPath_ = targetPath_;
        return;
    }
    const std::wstring folder = folderOf(targetPath);
    // Unique enough within a folder: this process, this moment, a per-process count.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        wchar_t name[40];
        std::swprintf(name, sizeof(name) / sizeof(name[0]), L"~qrl%04lx%04lx%04x.tmp",
                      static_cast<unsigned long>(::GetCurrentProcessId() & 0xFFFF),
                      static_cast<unsigned long>(::GetTickCount() & 0xFFFF), ++counter & 0xFFFF);
        const std::wstring candidate = extendedLengthPath(folder + name);
        UniqueFile file(::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            file_ = std::move(file);
            temporaryPath_ = candidate;
            return;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

ReplacementFile::~ReplacementFile() {
    close();
    if (!temporaryPath_.empty() && !committed_) ::DeleteFileW(temporaryPath_.c_str());
}

bool ReplacementFile::close() noexcept {
    if (file_) closedCleanly_ = ::CloseHandle(file_.release()) != 0 && closedCleanly_;
    return closedCleanly_;
}

bool ReplacementFile::commit() noexcept {
    if (!ok() || committed_) return committed_;
    if (!close()) return false;
    committed_ = temporaryPath_ == targetPath_ ||
                 ::MoveFileExW(temporaryPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    return committed_;
}

}  // namespace qrl

#include "replacement_file.h"

#include <cwchar>

#include "../base/long_path.h"

namespace qrl {
namespace {

constexpr int kNameAttempts = 16;
// What a file of the user's keeps when it is replaced; the rest (compression, encryption,
// sparseness) is the file system's, which ReplaceFileW carries over itself.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_TEMPORARY;

std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A name in folder that no file has now: this process, this moment, a per-process count.
std::wstring unusedName(const std::wstring& folder) {
    static unsigned counter = 0;
    wchar_t name[40];
    std::swprintf(name, sizeof(name) / sizeof(name[0]), L"~qrl%04lx%04lx%04x.tmp",
                  static_cast<unsigned long>(::GetCurrentProcessId() & 0xFFFF),
                  static_cast<unsigned long>(::GetTickCount() & 0xFFFF), ++counter & 0xFFFF);
    return extendedLengthPath(folder + name);
}

UniqueFile createNew(const std::wstring& path) noexcept {
    return UniqueFile(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A delete that fails would leave a ~qrl file beside the user's (the old file itself, after a
// replacement): the second way goes through a handle, which the file loses with its last one.
void removeFile(const std::wstring& path) noexcept {
    if (::DeleteFileW(path.c_str())) return;
    const UniqueFile doomed(::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

}  // namespace

ReplacementFile::ReplacementFile(const std::wstring& targetPath)
    : targetPath_(extendedLengthPath(targetPath)), folder_(folderOf(targetPath)) {
    replacing_ = ::GetFileAttributesExW(targetPath_.c_str(), GetFileExInfoStandard, &replaced_) != 0;
    // A read-only file is one its owner asked not to be changed; a folder is no image.
    if (replacing_ && (replaced_.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return;
    if (!replacing_) {
        // Nothing there to keep: write the target itself, made anew so that it is ours to delete.
        // Its name is copied first: a copy that failed once the file existed would leave it behind
        // (a constructor that throws runs no destructor).
        std::wstring path = targetPath_;
        if (UniqueFile file = createNew(path)) {
            file_ = std::move(file);
            temporaryPath_ = std::move(path);
            return;
        }
        // There after all (it appeared, or can't be looked at): replaced without taking its
        // attributes over, which ReplaceFileW still merges.
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
    createTemporary(folder_);
}

bool ReplacementFile::createTemporary(const std::wstring& folder) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring candidate = unusedName(folder);
        if (UniqueFile file = createNew(candidate)) {
            file_ = std::move(file);
            temporaryPath_ = std::move(candidate);  // no allocation once the file exists
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

ReplacementFile::~ReplacementFile() {
    close();
    if (!temporaryPath_.empty() && !committed_) removeFile(temporaryPath_);
}

bool ReplacementFile::close() noexcept {
    if (file_) closedCleanly_ = ::CloseHandle(file_.release()) != 0 && closedCleanly_;
    return closedCleanly_;
}

// The replaced file's attributes and creation time (when one is replaced), set on the new file
// before it takes the old one's name; then the data, flushed, so that the name never points at
// data not on disk. A file written under a free name is flushed the same way before it is
// reported saved.
bool ReplacementFile::takeOverReplaced() noexcept {
    if (!file_) {
        // Written by name by another writer: opened again to be flushed.
        file_.reset(::CreateFileW(temporaryPath_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file_) return false;
    }
    if (replacing_) {
        FILE_BASIC_INFO basic{};  // times left 0 are left as they are
        basic.CreationTime.LowPart = replaced_.ftCreationTime.dwLowDateTime;
        basic.CreationTime.HighPart = static_cast<LONG>(replaced_.ftCreationTime.dwHighDateTime);
        const DWORD kept = replaced_.dwFileAttributes & kKeptAttributes;
        basic.FileAttributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
        if (!::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof(basic))) return false;
    }
    return ::FlushFileBuffers(file_.get()) != 0;
}

// ReplaceFileW with a backup name: without one, a replacement that can't be moved in can leave
// the old file under a name nobody knows. The backup is the old file until it is deleted.
// Permissions that can't be carried over (no WRITE_DAC on the new file: shares that refuse
// permission changes, an inherited OWNER RIGHTS entry) don't stop the save: the new file then
// has the folder's inherited permissions, as any new file there would.
bool ReplacementFile::replaceTarget() noexcept {
    try {
        std::wstring backup;
        for (int attempt = 0; attempt < kNameAttempts && backup.empty(); ++attempt) {
            backup = unusedName(folder_);
            if (::GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) backup.clear();
        }
        if (backup.empty()) return false;
        if (::ReplaceFileW(targetPath_.c_str(), temporaryPath_.c_str(), backup.c_str(),
                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
            removeFile(backup);
            return true;
        }
        // The old file moved aside and the new one unable to take its name (documented as
        // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2; known by what is on disk, not by the code, since the
        // code alone can't be trusted to say what was done): the old file is put back.
        const bool targetGone = ::GetFileAttributesW(targetPath_.c_str()) == INVALID_FILE_ATTRIBUTES &&
                                ::GetLastError() == ERROR_FILE_NOT_FOUND;
        if (targetGone && ::GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ::MoveFileExW(backup.c_str(), targetPath_.c_str(), 0);
        }
        return false;
    } catch (...) {
        return false;
    }
}

bool ReplacementFile::commit() noexcept {
    if (!ok() || committed_) return committed_;
    if (temporaryPath_ == targetPath_) {
        committed_ = closedCleanly_ && takeOverReplaced() && close();
        return committed_;
    }
    if (!closedCleanly_ || !takeOverReplaced() || !close()) return false;
    committed_ = replaceTarget();
    return committed_;
}

}  // namespace qrl

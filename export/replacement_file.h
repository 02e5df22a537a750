#pragma once
// Writing a file so that a failure never costs the user the file it was to replace.
#include <windows.h>

#include <string>

#include "../base/win32_handles.h"

namespace qrl {

// A new, empty temporary file in the target's folder, put in the target's place only by commit().
// Until then an existing target is not touched. The commit replaces it as the platform does
// (ReplaceFileW): the new file takes on the old one's attributes, creation time, security and
// streams, and its data is flushed to disk before the name moves. A target another program holds
// open makes the commit fail and stays as it was; so does any failed step. A read-only target, a
// folder, or a folder where no new file may be created gives no file at all (ok() false).
// The temporary file is deleted unless committed. When no file is at the target, the target
// itself is created anew and written: there is nothing to keep, and no rename to pay for; its
// data is flushed at the commit all the same (a failed flush fails it), and it is deleted unless
// committed, as a temporary one would be.
class ReplacementFile {
public:
    // Creates the temporary file, open for writing with no sharing. ok() tells whether it exists.
    // May throw std::bad_alloc.
    explicit ReplacementFile(const std::wstring& targetPath);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool ok() const noexcept { return !temporaryPath_.empty(); }
    // The open temporary file; invalid once closed.
    HANDLE handle() const noexcept { return file_.get(); }
    // The temporary file's path, for writers that open files by name (close() first).
    const std::wstring& temporaryPath() const noexcept { return temporaryPath_; }
    // Closes the handle; false when the close reports an error (data may not have been written).
    bool close() noexcept;
    // Puts what was written in the target's place. True when the target now holds it; on false
    // the temporary file is deleted and the target is as it was.
    bool commit() noexcept;

private:
    bool createTemporary(const std::wstring& folder);
    bool takeOverReplaced() noexcept;
    bool replaceTarget() noexcept;

    std::wstring targetPath_;     // extended-length form where needed
    std::wstring temporaryPath_;  // empty when none could be made; the target when it was free
    std::wstring folder_;         // the target's, extended-length where needed; empty: relative
    UniqueFile file_;
    WIN32_FILE_ATTRIBUTE_DATA replaced_{};  // the target's, when replacing one that was readable
    bool replacing_ = false;
    bool closedCleanly_ = true;
    bool committed_ = false;
};

}  // namespace qrl

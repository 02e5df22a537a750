#pragma once
// Writing a file so that a failure never costs the user the file it was to replace.
#include <windows.h>

#include <string>

#include "../base/win32_handles.h"

namespace qrl {

// A new, empty temporary file in the target's folder, moved over the target only by commit().
// Same folder, so the move is a rename on one volume. Until then an existing target is not
// touched; a target another program holds open makes the commit fail and stays as it was.
// The temporary file is deleted unless committed. When no file is at the target, the target
// itself is created anew and written: there is nothing to keep, and no rename to pay for; it is
// deleted unless committed, as a temporary one would be.
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
    // Closes the handle and moves the temporary file over the target. True when the target now
    // holds what was written; on false the temporary file is deleted and the target untouched.
    bool commit() noexcept;

private:
    std::wstring targetPath_;     // extended-length form where needed
    std::wstring temporaryPath_;  // empty when none could be made; the target when it was free
    UniqueFile file_;
    bool closedCleanly_ = true;
    bool committed_ = false;
};

}  // namespace qrl

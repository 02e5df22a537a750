// Writing beside a target and moving over it: what is left on disk after every outcome.
#include <string>

#include "check.h"
#include "export/replacement_file.h"

namespace qrl::wintest {
namespace {

bool write(ReplacementFile& file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file.handle(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

WT_TEST(aFreeNameIsWrittenDirectlyAndNothingElseIsLeft) {
    const std::wstring target = folder() + L"new.bmp";
    {
        ReplacementFile file(target);
        WT_CHECK(file.ok());
        WT_CHECK(write(file, "fresh"));
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(target) == "fresh");
    WT_CHECK(namesIn(folder()) == L"new.bmp");
}

WT_TEST(aFreeNameNotCommittedLeavesNoFile) {
    {
        ReplacementFile file(folder() + L"never.bmp");
        WT_CHECK(file.ok());
        WT_CHECK(write(file, "half"));
    }
    WT_CHECK(namesIn(folder()).empty());
}

WT_TEST(anExistingFileIsReplacedOnlyByACommit) {
    const std::wstring target = folder() + L"old.png";
    writeFile(target, "keep me");
    {
        ReplacementFile file(target);
        WT_CHECK(file.ok() && file.temporaryPath() != target);
        WT_CHECK(write(file, "half"));
        WT_CHECK(readFile(target) == "keep me");  // untouched until the commit
    }
    WT_CHECK(readFile(target) == "keep me");
    WT_CHECK(namesIn(folder()) == L"old.png");
    {
        ReplacementFile file(target);
        WT_CHECK(write(file, "replaced"));
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(target) == "replaced");
    WT_CHECK(namesIn(folder()) == L"old.png");
}

// Another program holds the target open without sharing: the commit fails, the target keeps
// what it had, and the temporary file goes.
WT_TEST(aTargetHeldOpenStaysAsItWas) {
    const std::wstring target = folder() + L"held.jpg";
    writeFile(target, "held");
    const HANDLE holder = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    WT_CHECK(holder != INVALID_HANDLE_VALUE);
    {
        ReplacementFile file(target);
        WT_CHECK(write(file, "new"));
        WT_CHECK(!file.commit());
    }
    ::CloseHandle(holder);
    WT_CHECK(readFile(target) == "held");
    WT_CHECK(namesIn(folder()) == L"held.jpg");
}

// A folder deeper than MAX_PATH: both the temporary file and the move need the long form.
WT_TEST(aTargetBeyondMaxPathIsReplacedToo) {
    std::wstring deep = folder();
    while (deep.size() < 300) {
        deep += std::wstring(60, L'd') + L"\\";
        ::CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    const std::wstring target = deep + L"long.bmp";
    writeFile(L"\\\\?\\" + target, "old");
    {
        ReplacementFile file(target);
        WT_CHECK(file.ok());
        WT_CHECK(write(file, "new"));
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(L"\\\\?\\" + target) == "new");
    WT_CHECK(namesIn(L"\\\\?\\" + deep) == L"long.bmp");
}

WT_TEST(aFolderThatDoesNotExistGivesNoFile) {
    ReplacementFile file(folder() + L"missing\\x.bmp");
    WT_CHECK(!file.ok());
    WT_CHECK(!file.commit());
}

// Replacing keeps what the user's file carried: its attributes (and, where the file system keeps
// them, its creation time, security and streams, which the platform's replacement carries over).
WT_TEST(aReplacedFileKeepsItsAttributes) {
    const std::wstring target = folder() + L"hidden.png";
    writeFile(target, "old");
    const DWORD marked = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    WT_CHECK(::SetFileAttributesW(target.c_str(), marked));
    {
        ReplacementFile file(target);
        WT_CHECK(write(file, "new"));
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(target) == "new");
    WT_CHECK(::GetFileAttributesW(target.c_str()) == marked);
    WT_CHECK(namesIn(folder()) == L"hidden.png");
}

// A read-only file is not replaced, and nothing is written beside it.
WT_TEST(aReadOnlyTargetIsRefusedUntouched) {
    const std::wstring target = folder() + L"kept.bmp";
    writeFile(target, "read only");
    WT_CHECK(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        ReplacementFile file(target);
        WT_CHECK(!file.ok());
        WT_CHECK(!file.commit());
    }
    WT_CHECK(readFile(target) == "read only");
    WT_CHECK(namesIn(folder()) == L"kept.bmp");
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The saved name gets the new file; another hard link of the old one keeps the old bytes, as
// with any program that saves through a new file.
WT_TEST(aSecondHardLinkKeepsTheOldBytes) {
    const std::wstring target = folder() + L"linked.bmp";
    const std::wstring other = folder() + L"other.bmp";
    writeFile(target, "shared");
    WT_CHECK(::CreateHardLinkW(other.c_str(), target.c_str(), nullptr));
    {
        ReplacementFile file(target);
        WT_CHECK(write(file, "saved"));
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(target) == "saved");
    WT_CHECK(readFile(other) == "shared");
    WT_CHECK(namesIn(folder()) == L"linked.bmp other.bmp");
}

// A writer that opens the file by name (the platform's encoders) closes the handle first; the
// replacement still takes over the attributes and leaves nothing beside the target.
WT_TEST(aFileWrittenByNameIsReplacedTheSameWay) {
    const std::wstring target = folder() + L"byname.jpg";
    writeFile(target, "old");
    WT_CHECK(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    {
        ReplacementFile file(target);
        WT_CHECK(file.ok() && file.close());
        writeFile(file.temporaryPath(), "written by name");
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(target) == "written by name");
    WT_CHECK(::GetFileAttributesW(target.c_str()) == (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    WT_CHECK(namesIn(folder()) == L"byname.jpg");
}

// Under a free name the file written by name is opened again to be flushed before the commit
// says it is there: one that went meanwhile is not reported saved.
WT_TEST(aFreeNameWrittenByNameIsCommittedOnlyWhileItIsThere) {
    const std::wstring target = folder() + L"byname.png";
    {
        ReplacementFile file(target);
        WT_CHECK(file.ok() && file.close());
        writeFile(file.temporaryPath(), "written by name");
        WT_CHECK(file.commit());
    }
    WT_CHECK(readFile(target) == "written by name");
    const std::wstring gone = folder() + L"gone.png";
    {
        ReplacementFile file(gone);
        WT_CHECK(file.ok() && file.close());
        WT_CHECK(::DeleteFileW(file.temporaryPath().c_str()));
        WT_CHECK(!file.commit());
    }
    WT_CHECK(namesIn(folder()) == L"byname.png");
}

// A folder is no image to replace: nothing is written into it or beside it.
WT_TEST(aFolderAtTheTargetIsRefused) {
    const std::wstring target = folder() + L"sub.png";
    WT_CHECK(::CreateDirectoryW(target.c_str(), nullptr));
    ReplacementFile file(target);
    WT_CHECK(!file.ok());
    WT_CHECK(namesIn(folder()) == L"sub.png" && namesIn(target + L"\\").empty());
}

}  // namespace qrl::wintest

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

}  // namespace qrl::wintest

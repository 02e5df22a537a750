#include "base/long_path.h"

#include <gtest/gtest.h>

namespace qrl {
namespace {

struct LongPathCase {
    const char* name;
    std::wstring path;
    std::wstring expected;
};

class ExtendedLengthPath : public ::testing::TestWithParam<LongPathCase> {};

TEST_P(ExtendedLengthPath, OnlyLongAbsolutePathsGetThePrefix) {
    EXPECT_EQ(extendedLengthPath(GetParam().path), GetParam().expected);
}

const std::wstring kDeep(300, L'd');

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtendedLengthPath,
    ::testing::Values(
        LongPathCase{"Short", L"C:\\a\\b.qr", L"C:\\a\\b.qr"},
        LongPathCase{"JustShortEnough", L"C:\\" + std::wstring(256, L'x'), L"C:\\" + std::wstring(256, L'x')},
        LongPathCase{"AtMaxPath", L"C:\\" + std::wstring(257, L'x'), L"\\\\?\\C:\\" + std::wstring(257, L'x')},
        LongPathCase{"Drive", L"C:\\" + kDeep + L"\\a.png", L"\\\\?\\C:\\" + kDeep + L"\\a.png"},
        // The extended form takes no forward slashes.
        LongPathCase{"ForwardSlashes", L"C:/" + kDeep + L"/a.png", L"\\\\?\\C:\\" + kDeep + L"\\a.png"},
        LongPathCase{"Unc", L"\\\\server\\share\\" + kDeep, L"\\\\?\\UNC\\server\\share\\" + kDeep},
        LongPathCase{"AlreadyExtended", L"\\\\?\\C:\\" + kDeep, L"\\\\?\\C:\\" + kDeep},
        // Relative paths can't be made extended: the prefix turns off the folder they are relative to.
        LongPathCase{"Relative", L"sub\\" + kDeep, L"sub\\" + kDeep},
        LongPathCase{"Empty", L"", L""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrl

#include "export/save_format.h"

#include <gtest/gtest.h>

namespace qrl {
namespace {

struct FormatCase {
    const wchar_t* path;
    SaveFormat expected;
};

class SaveFormatOf : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SaveFormatOf, UsesTheTextAfterTheLastDot) {
    EXPECT_EQ(saveFormatOf(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveFormatOf,
    ::testing::Values(
        FormatCase{L"C:\\out\\qr.jpg", SaveFormat::Jpeg},
        FormatCase{L"C:\\out\\qr.jpeg", SaveFormat::Jpeg},
        FormatCase{L"C:\\out\\qr.JPG", SaveFormat::Jpeg},
        FormatCase{L"C:\\out\\qr.JpEg", SaveFormat::Jpeg},
        FormatCase{L"C:\\out\\qr.png", SaveFormat::Png},
        FormatCase{L"C:\\out\\qr.PNG", SaveFormat::Png},
        FormatCase{L"C:\\out\\qr.bmp", SaveFormat::Bmp},
        FormatCase{L"C:\\out\\qr.png.bmp", SaveFormat::Bmp},        // only the last dot counts
        FormatCase{L"C:\\out\\qr.bmp.gif", SaveFormat::Unsupported},
        FormatCase{L"C:\\out\\qr.gif", SaveFormat::Unsupported},
        FormatCase{L"C:\\out.png\\qr", SaveFormat::Unsupported},     // dotted folder, no extension
        FormatCase{L"C:\\out\\qr", SaveFormat::Unsupported},
        FormatCase{L"C:\\out\\qr.", SaveFormat::Unsupported},
        FormatCase{L"", SaveFormat::Unsupported},
        FormatCase{L".png", SaveFormat::Png},
        FormatCase{L"C:\\out\\qr.pn", SaveFormat::Unsupported},
        FormatCase{L"C:\\out\\qr.pngx", SaveFormat::Unsupported},
        FormatCase{L"C:\\out\\qr.jpg ", SaveFormat::Unsupported},
        FormatCase{L"C:\\out\\qr.jp\u0261", SaveFormat::Unsupported},  // non-ASCII look-alike
        FormatCase{L"C:\\out\\qr.\u0130mp", SaveFormat::Unsupported}));  // dotted capital I

}  // namespace
}  // namespace qrl

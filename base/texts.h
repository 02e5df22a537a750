#pragma once
// The system's own texts, each written once: what its boxes, save dialog and window say, and its
// console lines. The tests compare them word for word.
// English and Italian mixed on purpose, as users have always seen them: don't translate them.

namespace qrl {

// The viewer window's title, and the caption of the copy notice.
constexpr wchar_t kViewerTitle[] = L"QR Code Viewer";
constexpr wchar_t kErrorCaption[] = L"Error";

// A file that gives no symbol.
constexpr wchar_t kNotHandledText[] = L"The file is too large or not handled";

// The copy command.
constexpr wchar_t kCopiedText[] = L"QRCode copied";
constexpr wchar_t kCopyFailedText[] = L"The QR Code could not be copied to the clipboard.";

// The save dialog's filters: pairs of display name and pattern, double-NUL terminated.
constexpr wchar_t kSaveFilters[] = L"JPEG\0*.jpg\0PNG\0*.png\0BitMap\0*.bmp\0Tutti i file\0*.*\0";
// Its failure: kDialogFailedFormat with one of the reasons below and the error code.
constexpr wchar_t kDialogFailedFormat[] = L"The save dialog could not be used: %ls (error 0x%04lX).";
constexpr wchar_t kDialogNameTooLong[] = L"the file name is too long";
constexpr wchar_t kDialogNameInvalid[] = L"the file name is not valid";
constexpr wchar_t kDialogListFailed[] = L"the file list could not be shown";
constexpr wchar_t kDialogOutOfMemory[] = L"out of memory";
constexpr wchar_t kDialogNotInitialised[] = L"the dialog could not be initialised";
constexpr wchar_t kDialogFailed[] = L"the dialog failed";

// Saving: the boxes' text is the path (after kSaveFailedText for a failure).
constexpr wchar_t kSavedCaption[] = L"File saved in:";
constexpr wchar_t kSaveFailedText[] = L"The image could not be saved to\n";
constexpr wchar_t kUnsupportedFormatCaption[] = L"Format not supported";
constexpr wchar_t kUnsupportedFormatLine[] = L"Formato file non supportato.\n";

// The encoder export: a type it has no encoder for (a console line), and the box for an encoder's
// class identifier that doesn't parse.
constexpr wchar_t kNoEncoderLine[] = L"Formato non supportato.";
constexpr wchar_t kJpegClassIdFailedText[] = L"CLSID for JPEG.";
constexpr wchar_t kPngClassIdFailedText[] = L"CLSID for PNG.";

}  // namespace qrl

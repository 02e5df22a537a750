// Getting the image out: the three file formats, the 32-bit PNG baseline and the clipboard.
#include <windows.h>

#include "cases.h"
#include "export/bmp_writer.h"
#include "export/clipboard.h"
#include "export/encoder_export.h"
#include "symbol/qr_symbol.h"
#include "symbol/symbol_image.h"

namespace qrl::bench {
namespace {

std::string fileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return "no file";
    const unsigned long long bytes = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return std::to_string(bytes) + " bytes";
}

// A runner that saves with save(path).
template <typename Save>
Runner saveRunner(const std::wstring& path, bool* saved, Save save) {
    return [&path, saved, save](Stopwatch& watch) {
        watch.start();
        const bool ok = save(path.c_str());
        watch.stop();
        *saved = *saved && ok;
    };
}

std::string savedNote(bool saved, const std::wstring& path) { return saved ? fileBytes(path) : "FAILED"; }

}  // namespace

ExportTimings addExportRows(Report& report, const SymbolCase& symbol) {
    const SymbolImage rendered = renderSymbolImage(symbol.text);
    const HBITMAP shown = rendered.bitmap.get();
    const ExportImage image{shown, &rendered.modules};

    const std::wstring bmpPath = symbol.stem + L".bmp";
    bool bmpSaved = true;
    report.add("save BMP: writeBmpFile", symbol.label,
               measure(kSlowRuns, saveRunner(bmpPath, &bmpSaved,
                                             [shown](const wchar_t* path) { return writeBmpFile(shown, path); })),
               savedNote(bmpSaved, bmpPath));

    const std::wstring pngPath = symbol.stem + L".png";
    const std::wstring png32Path = symbol.stem + L"-32bit.png";
    bool pngSaved = true, png32Saved = true;
    const std::vector<Timing> pngs = measureInterleaved(
        kSlowRuns, {saveRunner(pngPath, &pngSaved,
                               [&image](const wchar_t* path) {
                                   return exportWithEncoder(image, path, L"image/png") == WriteOutcome::Written;
                               }),
                    saveRunner(png32Path, &png32Saved, [&image](const wchar_t* path) {
                        return exportWithEncoder(image, path, L"image/png", EncoderPixels::Full) == WriteOutcome::Written;
                    })});
    const ExportTimings result{pngs[0], pngs[1]};
    report.add("save PNG: exportWithEncoder (indexed)", symbol.label, result.png, savedNote(pngSaved, pngPath));
    report.add("PNG baseline: exportWithEncoder, 32-bit pixels", symbol.label, result.png32,
               savedNote(png32Saved, png32Path));

    const std::wstring jpegPath = symbol.stem + L".jpg";
    bool jpegSaved = true;
    report.add("save JPEG: exportWithEncoder", symbol.label,
               measure(kSlowRuns, saveRunner(jpegPath, &jpegSaved,
                                             [&image](const wchar_t* path) {
                                                 return exportWithEncoder(image, path, L"image/jpeg") ==
                                                        WriteOutcome::Written;
                                             })),
               savedNote(jpegSaved, jpegPath));

    bool copied = true;
    // The clipboard wants an owner window, as the viewer is in the plugin.
    const UniqueWindow owner(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                               nullptr, nullptr));
    const Timing copy = measure(kFastRuns, [&](Stopwatch& watch) {
        watch.start();
        const bool ok = copyToClipboard(shown, owner.get());
        watch.stop();
        copied = copied && ok;
    });
    report.add("copy to clipboard: copyToClipboard", symbol.label, copy, copied ? "" : "FAILED");
    return result;
}

}  // namespace qrl::bench

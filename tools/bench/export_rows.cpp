// Getting the image out: the three file formats, the 32-bit PNG baseline and the clipboard.
#include <windows.h>

#include <memory>
#include <vector>

#include "cases.h"
#include "export/bmp_layout.h"
#include "export/bmp_writer.h"
#include "export/clipboard.h"
#include "export/encoder_export.h"
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

// What writing a BMP can't beat: the same number of bytes, already in memory, into a new file,
// flushed to disk.
Runner warmWriteRunner(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    return [&path, &bytes](Stopwatch& watch) {
        ::DeleteFileW(path.c_str());
        watch.start();
        {
            const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            // Flushed as a save is: the file is on disk before the box says it is saved.
            if (file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
                ::FlushFileBuffers(file.get());
            }
        }
        watch.stop();
    };
}

// The clipboard copy's baseline: one BitBlt into a new display-compatible bitmap, the contexts
// made beforehand.
Runner bareBitBltRunner(HBITMAP image, int sizePx, HDC sourceDc, HDC targetDc) {
    return [=](Stopwatch& watch) {
        const SelectGuard selectSource(sourceDc, image);
        watch.start();
        UniqueBitmap copy;
        {
            const ScreenDc screen;
            copy.reset(::CreateCompatibleBitmap(screen.get(), sizePx, sizePx));
        }
        {
            const SelectGuard selectTarget(targetDc, copy.get());
            ::BitBlt(targetDc, 0, 0, sizePx, sizePx, sourceDc, 0, 0, SRCCOPY);
        }
        ::GdiFlush();
        watch.stop();
    };
}

void addClipboardRows(Report& report, const SymbolCase& symbol, HBITMAP shown) {
    const UniqueMemoryDc sourceDc(::CreateCompatibleDC(nullptr));
    const UniqueMemoryDc targetDc(::CreateCompatibleDC(nullptr));
    const std::vector<Timing> copies = measureInterleaved(
        kFastRuns, {[&](Stopwatch& watch) {
                        watch.start();
                        UniqueBitmap copy = clipboardCopyOf(shown);
                        watch.stop();
                    },
                    bareBitBltRunner(shown, symbol.sizePx, sourceDc.get(), targetDc.get())});
    report.add("clipboard's bitmap: clipboardCopyOf", symbol.label, copies[0]);
    report.add("bare BitBlt into a new compatible bitmap", symbol.label, copies[1]);

    // The clipboard wants an owner window, as the viewer is in the plugin.
    const UniqueWindow owner(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                               nullptr, nullptr));
    bool placed = true;
    const Timing platform = measure(kSlowRuns, [&](Stopwatch& watch) {
        UniqueBitmap copy = clipboardCopyOf(shown);
        watch.start();
        bool ok = ::OpenClipboard(owner.get()) && ::EmptyClipboard() && ::SetClipboardData(CF_BITMAP, copy.get());
        if (ok) copy.release();
        ok = ::CloseClipboard() && ok;
        watch.stop();
        placed = placed && ok;
    });
    report.add("  the platform's own calls: OpenClipboard .. CloseClipboard", symbol.label, platform,
               placed ? "" : "FAILED");
    bool copied = true;
    const Timing whole = measure(kSlowRuns, [&](Stopwatch& watch) {
        watch.start();
        const bool ok = copyToClipboard(shown, owner.get());
        watch.stop();
        copied = copied && ok;
    });
    report.add("copy to clipboard: copyToClipboard (bitmap + platform calls)", symbol.label, whole,
               copied ? "" : "FAILED");
    if (symbol.largest) {
        report.compare("clipboard's bitmap", symbol.label, copies[0], "bare BitBlt into a new bitmap", copies[1],
                       {true, 3});
    }
}

}  // namespace

void addExportRows(Report& report, const SymbolCase& symbol, const Timing& qrencodePng) {
    const SymbolImage rendered = renderSymbolImage(symbol.text);
    const HBITMAP shown = rendered.bitmap.get();
    const ExportImage image{shown, &rendered.modules};

    const std::wstring bmpPath = symbol.stem + L".bmp";
    const std::wstring warmPath = symbol.stem + L"-warm.bin";
    const auto layout = computeBmpLayout(symbol.sizePx, symbol.sizePx, 32);
    std::vector<std::uint8_t> sameBytes(layout ? layout->fileSizeBytes : 0, 0x5A);
    bool bmpSaved = true;
    // Both into new files: replacing a file adds the file system's removal of the old one (a few
    // milliseconds for 12.5 MB here), which the row after shows on its own.
    const Runner newBmp = saveRunner(bmpPath, &bmpSaved, [shown](const wchar_t* path) {
        return writeBmpFile(shown, path);
    });
    const std::vector<Timing> bmps = measureInterleaved(
        kSlowRuns, {[&](Stopwatch& watch) {
                        ::DeleteFileW(bmpPath.c_str());
                        newBmp(watch);
                    },
                    warmWriteRunner(warmPath, sameBytes)});
    report.add("save BMP: writeBmpFile, new file", symbol.label, bmps[0], savedNote(bmpSaved, bmpPath));
    report.add("  its floor: WriteFile of as many bytes from warm memory, flushed, new file", symbol.label, bmps[1]);
    report.add("save BMP: writeBmpFile over the file of the run before", symbol.label, measure(kSlowRuns, newBmp));
    ::DeleteFileW(warmPath.c_str());

    const std::wstring pngPath = symbol.stem + L".png";
    const std::wstring png32Path = symbol.stem + L"-32bit.png";
    bool pngSaved = true, png32Saved = true;
    const std::vector<Timing> pngs = measureInterleaved(
        kSlowRuns, {saveRunner(pngPath, &pngSaved,
                               [&image](const wchar_t* path) {
                                   return exportWithEncoder(image, path, L"image/png") == WriteOutcome::Written;
                               }),
                    saveRunner(png32Path, &png32Saved, [&image](const wchar_t* path) {
                        return exportWithEncoder(image, path, L"image/png", EncoderPixels::Full) ==
                               WriteOutcome::Written;
                    })});
    report.add("save PNG: exportWithEncoder (1-bit from the modules)", symbol.label, pngs[0],
               savedNote(pngSaved, pngPath));
    report.add("PNG baseline: exportWithEncoder, 32-bit pixels", symbol.label, pngs[1],
               savedNote(png32Saved, png32Path));

    const std::wstring jpegPath = symbol.stem + L".jpg";
    bool jpegSaved = true;
    const Timing jpeg = measure(kSlowRuns, saveRunner(jpegPath, &jpegSaved, [&image](const wchar_t* path) {
                                    return exportWithEncoder(image, path, L"image/jpeg") == WriteOutcome::Written;
                                }));
    report.add("save JPEG: exportWithEncoder", symbol.label, jpeg, savedNote(jpegSaved, jpegPath));

    addClipboardRows(report, symbol, shown);
    if (symbol.largest) {
        report.compare("save BMP", symbol.label, bmps[0], "WriteFile of as many bytes, warm, flushed", bmps[1], {true, 2});
        if (qrencodePng.runs > 0) {
            report.compare("save PNG", symbol.label, pngs[0], "qrencode -o PNG, whole process", qrencodePng,
                           {true, 3});
        }
    }
}

}  // namespace qrl::bench

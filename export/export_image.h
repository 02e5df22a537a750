#pragma once
// What the viewer hands to copy and save, and what a writer reports back.
#include <windows.h>

#include "../symbol/raster.h"

namespace qrl {

struct ExportImage {
    HBITMAP bitmap = nullptr;             // what the viewer shows; stays the viewer's, never drawn into
    const ModuleBits* modules = nullptr;  // set only while bitmap is exactly these modules, kModulePx each
};

enum class WriteOutcome {
    Written,         // the file at the path is complete
    Failed,          // nothing usable was written; nobody has been told yet
    FailedReported,  // failed, and a box has already said why: the caller adds none of its own
};

}  // namespace qrl

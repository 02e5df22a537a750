#pragma once
// Which GDI objects the process holds, read from the handle table Wine maps into every process
// (the PEB's GdiSharedHandleTable, laid out as on Windows): for finding out whose objects a
// change in the leak probe's count is. GetGuiResources answers 0 under Wine.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// gdimark: remembers the objects held now. Logs `gdimark COUNT`.
std::string runGdiMark(const std::vector<Token>& args);

// gdichanges: what came and went since the last gdimark, by what the objects are (a bitmap's
// size, a DC's bitmap, a font's face; a region freed and made again is no change), one line
// each, then how many are held: `gdichange +N|-N t<slot type> WHAT` ... `gdichanges COUNT`.
// No lines but the count where the table is not mapped (32-bit hosts).
std::string runGdiChanges(const std::vector<Token>& args);

}  // namespace testhost

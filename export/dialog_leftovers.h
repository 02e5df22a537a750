#pragma once
// Wine's file dialogs leave shell32's accelerator table (F5: refresh) behind, one per dialog:
// its shell view loads the table anew each time and never frees it. Windows shares one loaded
// copy, which must not be destroyed, so the sweep does nothing there.
#include <windows.h>

#include <vector>

namespace qrl {

// Notes the refresh tables held on construction; on destruction destroys those that appeared
// in between (the dialog run inside its scope has returned, so nothing uses them any more).
class DialogLeftoverSweep {
public:
    DialogLeftoverSweep() noexcept;
    ~DialogLeftoverSweep();
    DialogLeftoverSweep(const DialogLeftoverSweep&) = delete;
    DialogLeftoverSweep& operator=(const DialogLeftoverSweep&) = delete;

private:
    bool active_ = false;
    std::vector<HACCEL> heldBefore_;
};

}  // namespace qrl

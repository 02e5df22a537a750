#pragma once
// How many GDI and USER objects the process holds, for leak checks under Wine, where
// GetGuiResources answers 0.

namespace testhost {

struct HandleTableUse {
    long gdiObjects = -1;   // slots in use plus a constant: compare two readings, not absolutes
    long userObjects = -1;  // this process's windows, menus, cursors, icons, accelerator tables
                            // (-1 for either when the table could not be measured)
};

// Takes fresh objects until the table hands out never-used slots at its end, then frees them in
// reverse order (which leaves the free list as it was). At that point every slot below is in
// use, so the highest slot less the objects taken counts the slots held by everyone else. The
// USER table is shared by every process the wineserver serves: its slots below that end are
// asked one by one whether they hold an object of this process.
// A single fresh object's slot would say nothing: freed slots are reused last-in first-out.
// Relies on Wine's handle layout: the generation of a never-used slot is 1.
HandleTableUse measureHandleTableUse();

}  // namespace testhost

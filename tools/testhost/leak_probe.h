#pragma once
// How many GDI and USER objects the process holds, for leak checks under Wine, where
// GetGuiResources answers 0.

namespace testhost {

struct HandleTableUse {
    long gdiObjects = -1;   // slots in use plus a constant: compare two readings, not absolutes;
    long userObjects = -1;  // -1 when the table could not be measured
};

// Takes fresh objects until the table hands out never-used slots at its end, then frees them in
// reverse order (which leaves the free list as it was). At that point every slot below is in
// use, so the highest slot less the objects taken counts the slots held by everyone else.
// A single fresh object's slot would say nothing: freed slots are reused last-in first-out.
// Relies on Wine's handle layout: the generation of a never-used slot is 1.
HandleTableUse measureHandleTableUse();

}  // namespace testhost

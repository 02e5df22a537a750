#pragma once
// Answers the modal dialogs the plugin raises on this thread: message boxes are logged and
// dismissed, save dialogs get a path typed in (or are cancelled). The dialogs run their own
// modal loops inside the plugin; the driver acts from within those loops through a CBT hook
// (activation) and a timer on a hidden window of its own.
#include <windows.h>

#include <string>

namespace testhost {

enum class Answer { Ok, Yes, No, Cancel };

// Installs the thread's CBT hook and the driver's window. False on failure.
bool startDialogDriver();

// How the next message boxes are dismissed (a box without that button gets OK, Yes or Cancel).
void setAnswer(Answer answer);

// What the next save dialog gets: path typed into its file-name box and OK, or cancel.
void setNextSaveDialog(const std::wstring& path, bool cancel);

// The driver's message-only window: also the host's clipboard owner.
HWND driverWindow();

// The save-dialog hook has logged the dialog about to open (the driver then doesn't).
void noteSaveDialogLogged();

}  // namespace testhost

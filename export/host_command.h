#pragma once
// What each host command does, and what ListSendCommand answers.

namespace qrl {

constexpr int kHostCommandCopy = 1;
constexpr int kHostCommandSelectAll = 3;
constexpr int kHostResultSuccess = 0;
constexpr int kHostResultError = 1;

enum class HostAction {
    CopyImage,    // put the shown image on the clipboard
    Acknowledge,  // nothing to do, success
    Refuse,       // not handled, error
};

// viewerWithControl: ListWin is one of our viewers and has its image control (first child).
// Anything else is refused, whatever the command.
HostAction hostActionFor(int command, bool viewerWithControl) noexcept;

enum class CopyOutcome { Copied, NoImage, Failed };

// Result of a command after its action: Refuse and a failed copy are errors; a copy with no
// image to copy does nothing and still succeeds.
int hostCommandResult(HostAction action, CopyOutcome copy = CopyOutcome::Copied) noexcept;

}  // namespace qrl

#include "host_command.h"

namespace qrl {

HostAction hostActionFor(int command, bool viewerWithControl) noexcept {
    if (!viewerWithControl) return HostAction::Refuse;
    switch (command) {
    case kHostCommandCopy: return HostAction::CopyImage;
    case kHostCommandSelectAll: return HostAction::Acknowledge;  // the image has no selection
    default: return HostAction::Refuse;
    }
}

int hostCommandResult(HostAction action, CopyOutcome copy) noexcept {
    switch (action) {
    case HostAction::CopyImage: return copy == CopyOutcome::Failed ? kHostResultError : kHostResultSuccess;
    case HostAction::Acknowledge: return kHostResultSuccess;
    case HostAction::Refuse: break;
    }
    return kHostResultError;
}

}  // namespace qrl

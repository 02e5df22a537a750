#include "export/host_command.h"

#include <gtest/gtest.h>

#include <climits>

namespace qrl {
namespace {

struct CommandCase {
    int command;
    bool viewerWithControl;
    HostAction action;
    int result;  // when the copy, if any, succeeded
};

class HostCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(HostCommands, ActionAndResult) {
    const CommandCase& c = GetParam();
    const HostAction action = hostActionFor(c.command, c.viewerWithControl);
    EXPECT_EQ(action, c.action);
    EXPECT_EQ(hostCommandResult(action), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostCommands,
    ::testing::Values(
        CommandCase{1, true, HostAction::CopyImage, 0},
        CommandCase{3, true, HostAction::Acknowledge, 0},
        CommandCase{2, true, HostAction::Refuse, 1},   // new parameters
        CommandCase{4, true, HostAction::Refuse, 1},   // set percent
        CommandCase{0, true, HostAction::Refuse, 1},
        CommandCase{INT_MAX, true, HostAction::Refuse, 1},
        // Not a viewer, or a viewer without its image control: refused whatever the command.
        CommandCase{1, false, HostAction::Refuse, 1},
        CommandCase{3, false, HostAction::Refuse, 1},
        CommandCase{4, false, HostAction::Refuse, 1}));

TEST(HostCommands, CopyResultFollowsTheClipboard) {
    EXPECT_EQ(hostCommandResult(HostAction::CopyImage, CopyOutcome::Copied), 0);
    EXPECT_EQ(hostCommandResult(HostAction::CopyImage, CopyOutcome::NoImage), 0);
    EXPECT_EQ(hostCommandResult(HostAction::CopyImage, CopyOutcome::Failed), 1);
    // Outcomes of a copy never turn a refusal into success.
    EXPECT_EQ(hostCommandResult(HostAction::Refuse, CopyOutcome::Copied), 1);
}

}  // namespace
}  // namespace qrl

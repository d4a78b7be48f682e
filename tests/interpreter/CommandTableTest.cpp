// The interpreter's dispatch over the event command table.
#include <gtest/gtest.h>

#include <set>

#include "ScriptWorld.h"
#include "data/LD_EventCommands.h"

namespace kestra {
namespace {

using namespace test;

TEST(CommandTable, EveryHandlerIsDispatchedForACommandOfTheTable) {
    std::set<std::int32_t> seen;
    for (const scripter::THandlerEntry& e : scripter::AllHandlers()) {
        EXPECT_TRUE(seen.insert(e.Code).second) << "two handlers for " << e.Code;
        const TEventCommand* command = FindEventCommand(e.Code);
        ASSERT_NE(command, nullptr) << "handler for a code not in the table: " << e.Code;
        EXPECT_TRUE(command->Kind == TEventLineKind::Command ||
                    command->Kind == TEventLineKind::Branch)
            << e.Code;
        const TScriptCommand* dispatch = FindScriptCommand(e.Code);
        ASSERT_NE(dispatch, nullptr) << e.Code;
        EXPECT_EQ(dispatch->Handler, e.Handler) << e.Code;
        EXPECT_STREQ(dispatch->Name, command->Name);
    }
    // Commands and branch lines are all dispatched (with or without a handler); the
    // end line and continuation lines never are.
    for (const TEventCommand& c : EventCommands()) {
        const bool dispatched =
            c.Kind == TEventLineKind::Command || c.Kind == TEventLineKind::Branch;
        EXPECT_EQ(FindScriptCommand(c.Code) != nullptr, dispatched) << c.Code;
    }
}

TEST(CommandTable, EveryCommandIsBuilt) {
    const std::set<std::int32_t> elsewhere{};
    for (const TEventCommand& c : EventCommands()) {
        const TScriptCommand* dispatch = FindScriptCommand(c.Code);
        if (dispatch == nullptr || dispatch->Handler != nullptr) continue;
        EXPECT_TRUE(elsewhere.contains(c.Code)) << c.Code << " (" << c.Name << ") is skipped";
    }
}

TEST(CommandTable, StrayContinuationsAreSilentAndTheListGoesOn) {
    // Every command is built, so nothing warns; a continuation line without its
    // command is passed over in silence.
    TScriptWorld w;
    w.Main.PushFrame(0, List({Cmd(20110, {}, 0, "stray text"), Cmd(22410, {}, 0, "stray"),
                              Cmd(10220, {0, 1, 1, 0, 0, 7})}));
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3 && w.Main.IsRunning(); ++i) w.Main.UpdateMain(w.Game);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.State.System.Variable(1), 7);
    EXPECT_TRUE(w.Warned().empty());
    EXPECT_EQ(log.find("stray"), std::string::npos) << log;
}

} // namespace
} // namespace kestra

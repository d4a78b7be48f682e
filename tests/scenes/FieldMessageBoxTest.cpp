// The game's message box on the field of the basic test game: the field's frames open
// and type it, it is drawn last onto the board, a close clears the already-open mark
// at the next frame, and a teleport closes it.
#include "MessageTestHost.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"

#include <gtest/gtest.h>

namespace kestra {
namespace {

std::vector<std::uint16_t> Row(TKandelBoard& board, int y) {
    return {board.ScanLine(y), board.ScanLine(y) + board.Width()};
}

TEST(FieldMessageBox, TheFieldRunsAndDrawsTheMessageBox) {
    testing::TTestWindowHost host;
    testing::TTestMessageHost keys(host); // at the bottom, not avoiding the party
    TVezFieldScene& field = *host.game.Session->Field;
    TVezMessageWindow& box = host.game.Session->MessageWindow;
    field.Update();
    field.Draw();
    const std::vector<std::uint16_t> bottom = Row(host.board, 200);

    box.BeginMessage();
    box.AddLine("On the field");
    for (int k = 0; k < 20; ++k) field.Update();
    EXPECT_EQ(box.TypeLine, 1); // opened and typed by the field's frames
    field.Draw();
    EXPECT_NE(Row(host.board, 200), bottom);

    // A close clears the mark at the next frame, so a later message opens anew.
    box.Close();
    EXPECT_TRUE(box.AlreadyOpen());
    field.Update();
    EXPECT_FALSE(box.AlreadyOpen());
    for (int k = 0; k < 8; ++k) field.Update();
    EXPECT_FALSE(box.Present());
    field.Draw();
    EXPECT_EQ(Row(host.board, 200), bottom);

    // A teleport closes the box.
    box.BeginMessage();
    box.AddLine("Going");
    field.RequestTeleport(1, 2, 3);
    field.Update();
    EXPECT_GT(box.ClosePhase(), 0);
}

} // namespace
} // namespace kestra

// The message box over the real game: names and variables in the text come from the
// game state, the state's message options place it, an entered number goes into the
// state's variables, and the state's message face is shown.
#include "../shell/TempDir.h"
#include "MessageTestHost.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"
#include "media/MultiInput.h"
#include "scenes/LS_Field.h"
#include "state/LGD_GameState.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

struct MessageOverTheGame : ::testing::Test {
    TTestWindowHost Host;
    TLcfgGameState& State = Host.State();
    TVezMessageWindow& Box = Host.game.Session->MessageWindow;
};

TEST_F(MessageOverTheGame, NamesAndVariablesComeFromTheState) {
    State.Actors.Get(2).SetName("Cid");
    State.System.SetVariable(4, -17);
    Box.BeginMessage();
    Box.AddLine("\\N[0]/\\N[2]/\\N[77]/\\V[4]");
    EXPECT_EQ(Box.Lines[0], "Rowan/Cid//-17");
    State.PartyInfo.RemoveMember(1);
    State.PartyInfo.RemoveMember(2);
    Box.AddLine("[\\N[0]]");
    EXPECT_EQ(Box.Lines[1], "[]");

    // An entered number goes into the state's variable.
    Box.BeginMessage();
    Box.AddLine("How many?");
    Box.SetNumberInput(2, 9);
    Host.game.Config.TestPlayMode = true;
    Host.game.Input->Held = KButtonShift;
    for (int k = 0; k < 12; ++k) Box.Update();
    Host.game.Input->Held = 0;
    Host.game.Input->Repeated = KButtonUp;
    Box.Update();
    Host.game.Input->Repeated = 0;
    Host.game.Input->Pressed = KButtonDecide;
    Box.Update();
    Host.game.Input->Pressed = 0;
    EXPECT_EQ(State.System.Variable(9), Box.NumberValue);
    EXPECT_NE(State.System.Variable(9), 0);
}

TEST_F(MessageOverTheGame, TheBoxAvoidsTheHeroWhereTheStateSaysSo) {
    State.System.MessageTransparent = 2; // only 1 means transparent
    State.System.MessageAvoidsParty = true;
    // The hero high on the screen: the box goes to the bottom whatever the position.
    State.System.MessagePosition = 0;
    ASSERT_LE(State.Hero.ScreenY(), 112);
    Box.BeginMessage();
    EXPECT_EQ(Box.Y, 160);
    EXPECT_FALSE(Box.WindowImage.Transparent);
    State.System.MessageAvoidsParty = false;
    State.System.MessageTransparent = 1;
    Box.BeginMessage();
    EXPECT_EQ(Box.Y, 0);
    EXPECT_TRUE(Box.WindowImage.Transparent);
}

// The menu test game's tall second map puts the hero low on the screen.
TEST(MessageOverTheMenuGame, TheBoxAvoidsAHeroLowOnTheScreen) {
    TTestWindowHost host(true, "menu");
    TLcfgGameState& state = host.State();
    TVezFieldScene& field = *host.game.Session->Field;
    field.RequestTeleport(2, 4, 10);
    field.PerformTeleport();
    ASSERT_GT(state.Hero.ScreenY(), 151);
    state.System.MessagePosition = 2;
    state.System.MessageAvoidsParty = true;
    TVezMessageWindow& box = host.game.Session->MessageWindow;
    box.BeginMessage();
    EXPECT_EQ(box.Y, 0);
    state.System.MessageAvoidsParty = false;
    box.BeginMessage();
    EXPECT_EQ(box.Y, 160);
}

// An entered number goes into the variable and the map's events choose their pages
// again: the watcher's third page waits for variable 9.
TEST(MessageOverTheMenuGame, AnEnteredNumberRefreshesTheMapEvents) {
    TTestWindowHost host(true, "menu");
    TLcfgGameState& state = host.State();
    TVezMessageWindow& box = host.game.Session->MessageWindow;
    const TLcfgEventItem* watcher = state.Map.Events.Find(2);
    ASSERT_NE(watcher, nullptr);
    ASSERT_NE(watcher->CurrentPage, nullptr);
    EXPECT_EQ(watcher->CurrentPage->Id, 1);
    box.BeginMessage();
    box.AddLine("How many?");
    box.SetNumberInput(1, 9);
    host.game.Config.TestPlayMode = true;
    host.game.Input->Held = KButtonShift;
    for (int k = 0; k < 12; ++k) box.Update();
    host.game.Input->Held = 0;
    host.game.Input->Repeated = KButtonUp;
    box.Update();
    host.game.Input->Repeated = 0;
    host.game.Input->Pressed = KButtonDecide;
    box.Update();
    host.game.Input->Pressed = 0;
    ASSERT_GE(state.System.Variable(9), 1);
    EXPECT_EQ(watcher->CurrentPage->Id, 3);
}

TEST_F(MessageOverTheGame, TheStateChoosesTheFace) {
    std::vector<std::uint8_t> bytes;
    WritePng(CodedFaceSet(), bytes);
    Host.Files.Dir.Write("FaceSet/Faces1.png", std::string(bytes.begin(), bytes.end()));
    Host.Files.Dir.Write("FaceSet/Broken.png", "not a picture");

    State.System.MessageActive = true;
    State.System.SetFace("Faces1", 6, false, true);
    Box.BeginMessage();
    ASSERT_TRUE(Box.FaceShown());
    EXPECT_EQ(Box.Face.ScanLine(0)[0], 10 + 6); // mirrored: the right half comes first
    State.System.SetFace("", 0, false, false);
    Box.BeginMessage();
    EXPECT_FALSE(Box.FaceShown());
    State.System.SetFace("Missing", 0, false, false);
    Box.BeginMessage();
    EXPECT_FALSE(Box.FaceShown());
    State.System.SetFace("Broken", 0, false, false);
    try {
        Box.BeginMessage();
        ADD_FAILURE() << "a broken face set loads";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("Broken.png"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(Box.FaceShown());
}

} // namespace

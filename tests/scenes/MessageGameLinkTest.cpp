// The message box over a real game state: names and variables in the text, the
// message options, the entered number and the face.
#include "scenes/MessageGameLink.h"
#include "../shell/TempDir.h"
#include "../state/GameFixture.h"
#include "MessageTestHost.h"
#include "base/AssetLookup.h"
#include "base/Errors.h"
#include "graphics/GR_ChipSet.h"
#include "graphics/KandelPng.h"
#include "media/MultiInput.h"
#include "media/ScriptedInput.h"
#include "scenes/SystemGraphicLink.h"
#include "state/LGD_GameState.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

struct MessageLink : ::testing::Test, kestra::test::TGameFixture {
    MessageLink() : State(Env()), Input(Device), Link(State, Input, false) {
        State.Reset();
        Link.VariablesChanged = [this] { ++refreshes; };
    }
    TLcfgGameState State;
    TScriptedInput Device;
    TMultiInput Input;
    TVezMessageGameLink Link;
    kestra::testing::TTestWindowHost Host;
    kestra::testing::TTestGold Gold;
    int refreshes = 0;
};

TEST_F(MessageLink, NamesAndVariablesComeFromTheState) {
    TVezMessageWindow box(Host, Gold, Link);
    State.System.SetVariable(4, -17);
    box.BeginMessage();
    box.AddLine("\\N[0]/\\N[3]/\\N[77]/\\V[4]");
    EXPECT_EQ(box.Lines[0], "Alex/Cid//-17");
    State.PartyInfo.RemoveMember(1);
    State.PartyInfo.RemoveMember(2);
    box.AddLine("[\\N[0]]");
    EXPECT_EQ(box.Lines[1], "[]");

    // Where an entered number goes.
    Link.SetVariable(9, 42);
    EXPECT_EQ(State.System.Variable(9), 42);
    EXPECT_EQ(refreshes, 1);
}

TEST_F(MessageLink, TheBoxAvoidsTheHeroWhereTheStateSaysSo) {
    State.System.MessageTransparent = 2; // only 1 means transparent
    Link.HeroScreenYSource = [] { return 200; };
    TVezMessageWindow box(Host, Gold, Link);
    box.BeginMessage();
    EXPECT_EQ(box.Y, 0);
    EXPECT_FALSE(box.WindowImage.Transparent);
    State.System.MessageAvoidsParty = false;
    State.System.MessageTransparent = 1;
    box.BeginMessage();
    EXPECT_EQ(box.Y, 160);
    EXPECT_TRUE(box.WindowImage.Transparent);
}

TEST_F(MessageLink, TheStateChoosesTheFace) {
    kestra::test::TempDir dir;
    std::vector<std::uint8_t> bytes;
    WritePng(kestra::testing::CodedFaceSet(), bytes);
    dir.Write("FaceSet/Faces1.png", std::string(bytes.begin(), bytes.end()));
    dir.Write("FaceSet/Broken.png", "not a picture");
    TAssetLookup lookup(dir.Dir(), "");
    TVezSystemGraphic system(kestra::testing::SharedFont(), nullptr);
    TVezSystemGraphicLink pictures(system);
    TVezMessageWindow box(Host, Gold, Link);
    pictures.MessageFace = MessageFaceLoader(box, PictureFinder(lookup));
    State.Env.Pictures = &pictures;

    State.System.MessageActive = true;
    State.System.SetFace("Faces1", 6, false, true);
    ASSERT_TRUE(box.FaceShown());
    EXPECT_EQ(box.Face.ScanLine(0)[0], 10 + 6); // mirrored: the right half comes first
    State.System.SetFace("", 0, false, false);
    EXPECT_FALSE(box.FaceShown());
    State.System.SetFace("Missing", 0, false, false);
    EXPECT_FALSE(box.FaceShown());
    try {
        State.System.SetFace("Broken", 0, false, false);
        ADD_FAILURE() << "a broken face set loads";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("Broken.png"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(box.FaceShown());
}

} // namespace

// The game's one interface skin follows the game state: the database's system
// graphic first, then an event's choice of picture, background mode and font.
#include "WindowTestHost.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

struct GameSkin : ::testing::Test {
    GameSkin() {
        std::vector<std::uint8_t> bytes;
        WritePng(CodedSystemBitmap(), bytes);
        Host.Files.Dir.Write("System/System1.png", std::string(bytes.begin(), bytes.end()));
    }
    TTestWindowHost Host{false};
};

TEST_F(GameSkin, TheStateLoadsTheSkinAndChoosesModeAndFont) {
    TVezSystemGraphic& skin = Host.game.SystemGraphic();
    EXPECT_NE(skin.ShadowIndex(), KCodedShadow); // the database's "Skin"
    EXPECT_EQ(skin.Face(), TFontFace::Gothic);
    Host.State().System.SetSystemGraphic("System1", 1, 1);
    EXPECT_EQ(&Host.game.SystemGraphic(), &skin); // one skin for the whole game
    EXPECT_EQ(skin.ShadowIndex(), KCodedShadow);
    EXPECT_TRUE(skin.Tiling);
    EXPECT_EQ(skin.Face(), TFontFace::Mincho);
    Host.State().System.SetSystemGraphic("System1", 0, 0);
    Host.game.SystemGraphic();
    EXPECT_FALSE(skin.Tiling); // 0: stretched
    EXPECT_EQ(skin.Face(), TFontFace::Gothic);
}

TEST_F(GameSkin, AMissingSkinIsAnErrorNamingItAndNoNameIsBlank) {
    Host.State().System.SetSystemGraphic("Nowhere", 0, 0);
    try {
        Host.game.SystemGraphic();
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Nowhere"), std::string::npos);
    }
    // An empty name is the database's picture again; a game without one has a blank skin.
    Host.State().System.SetSystemGraphic("", 0, 0);
    EXPECT_NE(Host.game.SystemGraphic().ShadowIndex(), 0);
    Host.game.Session->DataBase.System.SystemGraphic.clear();
    EXPECT_EQ(Host.game.SystemGraphic().ShadowIndex(), 0);
}

} // namespace

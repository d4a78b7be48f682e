// The game's one interface skin follows the game state: the database's system
// graphic first, then an event's choice of picture, background mode and font.
#include "../TestGame.h"
#include "WindowTestHost.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"
#include "shell/LS_Title.h"

#include <filesystem>

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

// The window background index at (16, 20) of a window `height` high drawn from `skin`:
// stretched (0) or tiled (anything else).
std::uint8_t BackgroundAt(TVezSystemGraphic& skin, int width, int height, bool tiled) {
    TKandelSheet& sheet = skin.SystemSheet();
    const int sx = tiled ? 16 % 32 : 16 * 32 / width;
    const int sy = tiled ? 20 % 32 : 20 * 32 / height;
    return sheet.ScanLine(sy)[sx];
}

std::uint8_t PixelAt(const TKandelSheet& sheet, int x, int y) {
    return sheet.ScanLine(y)[x];
}

} // namespace

// The title window of the very first frame already has the database's background mode
// and font (the skin object's own defaults are tiling and gothic).
TEST(GameSkinFromTheStart, TheFirstTitleWindowFollowsTheDataBase) {
    for (const int setting : {0, 1}) {
        test::TTestGame basic("basic");
        const std::string file = (basic.Dir.Path() / "KESTRA.ldb").string();
        TVezDataBase db;
        db.LoadFromFile(file);
        db.System.WindowTiled = setting;
        db.System.FontKind = setting;
        db.SaveToFile(file);
        TGameMain& game = basic.Play("0\n", 100);
        ASSERT_EQ(game.System().Scene, KSceneTitle);
        TVezWindow& w = game.Title->Window();
        ASSERT_TRUE(w.IsOpen());
        TVezSystemGraphic& skin = *game.Skin;
        // The skin's background has other colours in rows 10 and 20, so the two modes
        // differ at this point.
        ASSERT_NE(BackgroundAt(skin, w.Width, w.Height, false),
                  BackgroundAt(skin, w.Width, w.Height, true));
        EXPECT_EQ(PixelAt(w.BackImage, 16, 20), BackgroundAt(skin, w.Width, w.Height, setting != 0))
            << setting;
        EXPECT_EQ(skin.Face(), setting != 0 ? TFontFace::Mincho : TFontFace::Gothic);
    }
}

// The demo's first message box (the intro after New Game) is stretched as its database
// says, before any reset.
TEST(GameSkinFromTheStart, TheDemosFirstMessageBoxIsStretched) {
    test::TempDir dir;
    std::filesystem::copy(KESTRA_DEMO_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    test::TTestPlatform platform;
    TCommandLine line;
    line.Words = {"TestPlay"};
    line.GameDir = dir.Path();
    line.Headless = true;
    line.Frames = 240;
    line.InputScript = dir.Write("input.txt", "0\n99 Decide\n100\n105 Decide\n106\n").string();
    TGameMain game(line, platform);
    PrepareGame(game);
    ASSERT_EQ(game.Session->DataBase.System.WindowTiled, 0);
    EXPECT_THROW(game.Run(), EKandelDrawAbort);
    TVezMessageWindow& box = game.Session->MessageWindow;
    ASSERT_TRUE(box.IsPresent());
    EXPECT_EQ(PixelAt(box.BackImage, 16, 20), BackgroundAt(*game.Skin, 320, 80, false));
    EXPECT_NE(PixelAt(box.BackImage, 16, 20), BackgroundAt(*game.Skin, 320, 80, true));
}

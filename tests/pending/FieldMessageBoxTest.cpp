// Moved out of tests/scenes/FieldSceneTest.cpp: the message box on the field's own
// board, still over stand-in hosts (the field scene's tests move onto the real game).
#include "../GoldenPicture.h"
#include "../state/FieldWorld.h"
#include "MessageTestHost.h"
#include "data/Catalog.h"
#include "graphics/KandelPng.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace kestra {
namespace {

// The message box on the field's own board.
class TFieldWindowHost : public testing::TTestWindowHost {
public:
    explicit TFieldWindowHost(TKandelBoard& screen) : Screen(screen) {}
    TKandelBoard& Board() override { return Screen; }
    TKandelBoard& Screen;
};

TEST(FieldScene, RunsAndDrawsTheMessageBox) {
    TFieldRun run(11);
    TFieldWindowHost windows(run.Host.Screen);
    testing::TTestGold gold;
    testing::TTestMessageHost keys;
    keys.settings.AvoidsParty = false;
    TVezMessageWindow box(windows, gold, keys);
    run.Scene->MessageWindow = &box;
    run.Scene->Update();
    run.Scene->Draw();
    std::vector<std::uint16_t> bottom(run.Host.Screen.ScanLine(200),
                                      run.Host.Screen.ScanLine(200) + 320);

    box.BeginMessage();
    box.AddLine("On the field");
    for (int k = 0; k < 20; ++k) run.Scene->Update();
    EXPECT_EQ(box.TypeLine, 1); // opened and typed by the field's frames
    run.Scene->Draw();
    EXPECT_NE(std::vector<std::uint16_t>(run.Host.Screen.ScanLine(200),
                                         run.Host.Screen.ScanLine(200) + 320),
              bottom);

    // A close clears the mark at the next frame, so a later message opens anew.
    box.Close();
    EXPECT_TRUE(box.AlreadyOpen());
    run.Scene->Update();
    EXPECT_FALSE(box.AlreadyOpen());
    for (int k = 0; k < 8; ++k) run.Scene->Update();
    EXPECT_FALSE(box.Present());
    run.Scene->Draw();
    EXPECT_EQ(std::vector<std::uint16_t>(run.Host.Screen.ScanLine(200),
                                         run.Host.Screen.ScanLine(200) + 320),
              bottom);

    // A teleport closes the box.
    box.BeginMessage();
    box.AddLine("Going");
    run.Scene->RequestTeleport(1, 20, 20);
    run.Scene->Update();
    EXPECT_GT(box.ClosePhase(), 0);
}

} // namespace
} // namespace kestra

// The save and load scene over a fake game: the slot it starts on, scrolling and its
// limits, where Decide and Cancel lead, and failed saves and loads that keep the scene.
#include "scenes/LS_SaveFile.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>

#include "WindowTestHost.h"
#include "base/Errors.h"
#include "media/MultiInput.h"
#include "media/ScriptedInput.h"

using namespace kestra;
using namespace kestra::testing;

namespace {

class FakeHost : public TSceneHost {
public:
    explicit FakeHost(TKandelBoard& board) : board_(board) {}
    TKandelBoard& Board() override { return board_; }
    bool CanDraw() override { return true; }
    void Present() override {}
    void WaitFrame() override { ++frames; }
    void FlushInput() override {}
    TRandom& Random() override { return random_; }
    int frames = 0;

private:
    TKandelBoard& board_;
    TRandom random_{1};
};

class FakeSaveGame : public IVezSaveFileGame {
public:
    FakeSaveGame(TTestWindowHost& windows, TMultiInput& input) : windows_(windows), input_(input) {}
    IVezWindowHost& WindowHost() override { return windows_; }
    TMultiInput& Input() override { return input_; }
    std::string Term(int chunk) override { return chunk == KTermFile ? "File" : "T"; }
    std::optional<TLcfgSaveHeader> SlotHeader(int slot) override {
        auto it = headers.find(slot);
        if (it == headers.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> FindFace(const std::string&) override { return std::nullopt; }
    std::int32_t LastSaveSlot() override { return lastSlot; }
    void PlayCursorSound() override { ++cursorSounds; }
    void PlayDecisionSound() override { log += "decide;"; }
    void PlayCancelSound() override { log += "cancel;"; }
    void PlayBuzzerSound() override { log += "buzzer;"; }
    void FadeOutMusic(int ms) override { log += "fade" + std::to_string(ms) + ";"; }
    void StopMusic() override { log += "stop;"; }
    void SaveGame(int slot) override {
        if (saveFails) throw EFileError("Save07.lsd: disk full");
        log += "save" + std::to_string(slot) + ";";
        lastSlot = slot;
        Use(slot, 50.0);
    }
    void LoadGame(int slot) override {
        if (loadFails) {
            headers.erase(slot); // the file turned out unreadable
            throw EStreamReadError("Save03.lsd: offset 40: chunk 111 claims 90 bytes");
        }
        log += "load" + std::to_string(slot) + ";";
    }
    void EnterLoadedGame() override { log += "enter" + std::to_string(scene) + ";"; }
    void ReportError(const std::string& message) override { errors.push_back(message); }
    void SetScene(int s) override { scene = s; }

    void Use(int slot, double time) {
        TLcfgSaveHeader h;
        h.Time = time;
        h.LeaderName = "Alex";
        h.LeaderLevel = 3;
        headers[slot] = h;
    }

    std::map<int, TLcfgSaveHeader> headers;
    std::int32_t lastSlot = 0;
    bool saveFails = false, loadFails = false;
    int cursorSounds = 0;
    int scene = KSceneSaveFile;
    std::string log;
    std::vector<std::string> errors;

private:
    TTestWindowHost& windows_;
    TMultiInput& input_;
};

class SaveFileScene : public ::testing::Test {
protected:
    SaveFileScene() : input(device), host(windows.board), game(windows, input), scene(host, game) {}

    void Open(bool saveMode, bool fromMenu = false) {
        scene.Reset();
        windows.board.Brightness = 0; // the calling scene faded out
        scene.Request(saveMode, fromMenu);
        game.scene = KSceneSaveFile;
        Frame();
    }
    void Frame(std::uint16_t pressed = 0, std::uint16_t repeated = 0) {
        input.Pressed = pressed;
        input.Repeated = repeated;
        scene.Update();
        input.Pressed = input.Repeated = 0;
    }

    TScriptedInput device;
    TMultiInput input;
    TTestWindowHost windows;
    FakeHost host;
    FakeSaveGame game;
    TVezSaveFileScene scene;
};

} // namespace

TEST(SaveFileSlots, TheLatestSaveWinsAndTheLowestSlotBreaksTies) {
    std::array<double, KSaveFilePanels> times{};
    EXPECT_EQ(LatestSlot(times), 1);
    times[3] = 10.0;
    times[8] = 12.5;
    times[10] = 12.5;
    EXPECT_EQ(LatestSlot(times), 9);
    times[14] = std::nan("");
    times[13] = -40.0;
    EXPECT_EQ(LatestSlot(times), 9);
}

TEST_F(SaveFileScene, LoadModeOpensOnTheLatestSaveAndRefusesEmptySlots) {
    game.Use(4, 10.0);
    game.Use(9, 12.0);
    game.Use(11, 12.0);
    Open(false);
    EXPECT_TRUE(scene.Shown);
    EXPECT_EQ(windows.board.Brightness, 100);
    EXPECT_EQ(scene.Current, 9);
    EXPECT_EQ(scene.Top, 7);
    EXPECT_TRUE(scene.Panel(9).CursorActive);
    EXPECT_EQ(scene.TitleLine().Text(), "T");
    EXPECT_EQ(host.frames, 5); // fade in by 20

    // Slot 8 is empty: the buzzer and nothing else.
    Frame(0, KButtonUp);
    Frame(KButtonDecide);
    EXPECT_EQ(game.log, "buzzer;");
    EXPECT_EQ(game.scene, KSceneSaveFile);

    // Without any save the list starts on slot 1.
    game.headers.clear();
    Open(false);
    EXPECT_EQ(scene.Current, 1);
    EXPECT_EQ(scene.Top, 1);
}

TEST_F(SaveFileScene, MovingPastTheThirdPanelScrollsOnePanelOverEightFrames) {
    game.lastSlot = 3;
    Open(true);
    ASSERT_EQ(scene.Current, 3);
    ASSERT_EQ(scene.Top, 1);
    Frame(0, KButtonDown);
    EXPECT_EQ(scene.Current, 4);
    EXPECT_EQ(scene.Top, 2);
    EXPECT_EQ(scene.Scroll, -64);
    EXPECT_FALSE(scene.Panel(3).CursorVisible);
    EXPECT_TRUE(scene.Panel(4).CursorActive);
    scene.Draw();
    EXPECT_EQ(scene.Panel(2).Y, 40 + 64);
    // The list does not move on while it scrolls.
    for (int k = 0; k < 7; ++k) Frame(0, KButtonDown);
    EXPECT_EQ(scene.Current, 4);
    EXPECT_EQ(scene.Scroll, -8);
    Frame();
    EXPECT_EQ(scene.Scroll, 0);
    scene.Draw();
    EXPECT_EQ(scene.Panel(2).Y, 40);
    EXPECT_EQ(game.cursorSounds, 1);
}

TEST_F(SaveFileScene, TheListStopsAtSlotsOneAndFifteen) {
    game.lastSlot = 99; // a slot number from a save file
    Open(true);
    EXPECT_EQ(scene.Current, 15);
    EXPECT_EQ(scene.Top, 13);
    Frame(0, KButtonDown);
    EXPECT_EQ(scene.Current, 15);
    EXPECT_EQ(game.cursorSounds, 0);
    for (int k = 0; k < 200 && scene.Current > 1; ++k) Frame(0, KButtonUp);
    for (int k = 0; k < 8; ++k) Frame();
    EXPECT_EQ(scene.Current, 1);
    EXPECT_EQ(scene.Top, 1);
    EXPECT_EQ(scene.Scroll, 0);
    Frame(0, KButtonUp);
    EXPECT_EQ(scene.Current, 1);
    EXPECT_EQ(game.cursorSounds, 14);

    game.lastSlot = 0; // never saved
    Open(true);
    EXPECT_EQ(scene.Current, 1);
}

TEST_F(SaveFileScene, SavingGoesBackToTheCallerAndReopensOnTheSameSlot) {
    game.lastSlot = 7;
    Open(true, true);
    Frame(KButtonDecide);
    EXPECT_EQ(game.log, "save7;decide;");
    EXPECT_EQ(game.scene, KSceneMenu);
    EXPECT_FALSE(scene.Shown);
    EXPECT_FALSE(scene.TitleLine().IsPresent());

    // Saved twice into 7, the next opening is on 7 again; called by an event, the
    // scene returns to the field.
    Open(true, false);
    EXPECT_EQ(scene.Current, 7);
    Frame(KButtonDecide);
    EXPECT_EQ(game.scene, KSceneField);
    Open(true, false);
    EXPECT_EQ(scene.Current, 7);
    EXPECT_TRUE(scene.Panel(7).Used());
}

TEST_F(SaveFileScene, AFailedSaveSoundsTheBuzzerReportsAndStays) {
    game.lastSlot = 7;
    game.saveFails = true;
    Open(true, true);
    Frame(KButtonDecide);
    EXPECT_EQ(game.log, "buzzer;");
    ASSERT_EQ(game.errors.size(), 1u);
    EXPECT_NE(game.errors[0].find("Save07.lsd"), std::string::npos);
    EXPECT_EQ(game.scene, KSceneSaveFile);
    EXPECT_TRUE(scene.Shown);
    EXPECT_FALSE(scene.Panel(7).Used());
}

TEST_F(SaveFileScene, CancelReturnsToWhereTheSceneWasCalledFrom) {
    const struct {
        bool saveMode, fromMenu;
        int back;
    } cases[] = {{false, false, KSceneTitle},
                 {false, true, KSceneTitle},
                 {true, true, KSceneMenu},
                 {true, false, KSceneField}};
    for (const auto& c : cases) {
        game.log.clear();
        Open(c.saveMode, c.fromMenu);
        Frame(KButtonCancel);
        EXPECT_EQ(game.log, "cancel;");
        EXPECT_EQ(game.scene, c.back) << c.saveMode << c.fromMenu;
        EXPECT_FALSE(scene.Shown);
    }
}

TEST_F(SaveFileScene, LoadingFadesTheMusicWaitsAndEntersTheField) {
    game.Use(3, 5.0);
    Open(false);
    const int before = host.frames;
    Frame(KButtonDecide);
    EXPECT_EQ(game.log, "load3;decide;fade800;stop;enter0;");
    EXPECT_EQ(game.scene, KSceneField);
    // Fade out by 20 (5 frames), then 48 and 16 frames.
    EXPECT_EQ(host.frames - before, 5 + 48 + 16);
}

TEST_F(SaveFileScene, AFailedLoadKeepsTheListAndShowsTheSlotAsItIsNow) {
    game.Use(3, 5.0);
    game.loadFails = true;
    Open(false);
    Frame(KButtonDecide);
    EXPECT_EQ(game.log, "buzzer;");
    ASSERT_EQ(game.errors.size(), 1u);
    EXPECT_NE(game.errors[0].find("Save03.lsd"), std::string::npos);
    EXPECT_EQ(game.scene, KSceneSaveFile);
    EXPECT_TRUE(scene.Shown);
    EXPECT_FALSE(scene.Panel(3).Used());
    EXPECT_TRUE(scene.Panel(3).CursorActive);
}

// The game's save and load scene over the basic test game with real save files: the
// slot it starts on, scrolling and its limits, where Decide and Cancel lead, and failed
// saves and loads that keep the scene.
#include "scenes/LS_SaveFile.h"

#include <cmath>
#include <gtest/gtest.h>

#include "WindowTestHost.h"
#include "data/DataBase.h"
#include "media/MultiInput.h"

using namespace kestra;
using namespace kestra::testing;

namespace {

class SaveFileScene : public ::testing::Test {
protected:
    SaveFileScene() {
        game.Session->DataBase.Vocabulary.Term(KTermLoadWhere) = "Load which?";
        game.Session->DataBase.Vocabulary.Term(KTermSaveWhere) = "Save where?";
    }

    // Opens the scene as the menu, an event or the title does, and runs its first frame.
    void Open(bool saveMode, std::uint8_t returnScene = KSceneMenu) {
        scene.Reset();
        host.board.Brightness = 0; // the calling scene faded out
        if (saveMode)
            scene.OpenForSave(returnScene);
        else
            scene.OpenForLoad();
        Frame();
    }
    void Frame(std::uint16_t pressed = 0, std::uint16_t repeated = 0) {
        game.Input->Pressed = pressed;
        game.Input->Repeated = repeated;
        scene.Update();
        game.Input->Pressed = game.Input->Repeated = 0;
    }
    // Saves the running game into a slot; later saves of the same frame share its time.
    void SaveInto(int slot) { game.Session->Save->Save(slot); }
    void PassTime() {
        for (int k = 0; k < 120; ++k) game.Display->WaitFrame();
    }
    // The sound effects played from now on, as "Sound/<name>".
    std::size_t Mark() const { return host.Sounds().size(); }
    std::vector<std::string> SoundsSince(std::size_t mark) const {
        const auto all = host.Sounds();
        return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
    }
    int Scene() const { return host.scene; }
    std::uint64_t Frames() const { return game.Display->FramesWaited(); }

    TTestWindowHost host;
    TGameMain& game = host.game;
    TVezSaveFileScene& scene = *host.game.SaveFile;
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
    SaveInto(4);
    PassTime();
    SaveInto(9);
    SaveInto(11);
    const std::uint64_t before = Frames();
    Open(false);
    EXPECT_TRUE(scene.Shown);
    EXPECT_EQ(host.board.Brightness, 100);
    EXPECT_EQ(scene.Current, 9);
    EXPECT_EQ(scene.Top, 7);
    EXPECT_TRUE(scene.Panel(9).CursorActive);
    EXPECT_TRUE(scene.Panel(4).Used());
    EXPECT_FALSE(scene.Panel(8).Used());
    EXPECT_EQ(scene.TitleLine().Text(), "Load\x01which?");
    EXPECT_EQ(Frames() - before, 5u); // fade in by 20

    // Slot 8 is empty: the buzzer and nothing else.
    Frame(0, KButtonUp);
    const std::size_t mark = Mark();
    Frame(KButtonDecide);
    EXPECT_EQ(SoundsSince(mark), std::vector<std::string>{"Sound/Buzzer"});
    EXPECT_EQ(Scene(), KSceneSaveFile);

    // Without any save the list starts on slot 1.
    for (const char* name : {"Save04.lsd", "Save09.lsd", "Save11.lsd"})
        std::filesystem::remove(host.Files.Dir.Path() / name);
    Open(false);
    EXPECT_EQ(scene.Current, 1);
    EXPECT_EQ(scene.Top, 1);
}

TEST_F(SaveFileScene, MovingPastTheThirdPanelScrollsOnePanelOverEightFrames) {
    host.State().System.LastSaveSlot = 3;
    Open(true);
    ASSERT_EQ(scene.Current, 3);
    ASSERT_EQ(scene.Top, 1);
    EXPECT_EQ(scene.TitleLine().Text(), "Save\x01where?");
    const int cursorSounds = host.CursorSounds();
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
    EXPECT_EQ(host.CursorSounds() - cursorSounds, 1);
}

TEST_F(SaveFileScene, TheListStopsAtSlotsOneAndFifteen) {
    host.State().System.LastSaveSlot = 99; // a slot number from a save file
    Open(true);
    EXPECT_EQ(scene.Current, 15);
    EXPECT_EQ(scene.Top, 13);
    const int cursorSounds = host.CursorSounds();
    Frame(0, KButtonDown);
    EXPECT_EQ(scene.Current, 15);
    EXPECT_EQ(host.CursorSounds(), cursorSounds);
    for (int k = 0; k < 200 && scene.Current > 1; ++k) Frame(0, KButtonUp);
    for (int k = 0; k < 8; ++k) Frame();
    EXPECT_EQ(scene.Current, 1);
    EXPECT_EQ(scene.Top, 1);
    EXPECT_EQ(scene.Scroll, 0);
    Frame(0, KButtonUp);
    EXPECT_EQ(scene.Current, 1);
    EXPECT_EQ(host.CursorSounds() - cursorSounds, 14);

    host.State().System.LastSaveSlot = 0; // never saved
    Open(true);
    EXPECT_EQ(scene.Current, 1);
}

TEST_F(SaveFileScene, SavingGoesBackToTheCallerAndReopensOnTheSameSlot) {
    host.State().System.LastSaveSlot = 7;
    Open(true, KSceneMenu);
    const std::size_t mark = Mark();
    Frame(KButtonDecide);
    EXPECT_TRUE(host.Files.Exists("Save07.lsd"));
    EXPECT_EQ(SoundsSince(mark), std::vector<std::string>{"Sound/Decide"});
    EXPECT_EQ(Scene(), KSceneMenu);
    EXPECT_FALSE(scene.Shown);
    EXPECT_FALSE(scene.TitleLine().IsPresent());

    // Saved twice into 7, the next opening is on 7 again; called by an event, the
    // scene returns to the field.
    Open(true, KSceneField);
    EXPECT_EQ(scene.Current, 7);
    Frame(KButtonDecide);
    EXPECT_EQ(Scene(), KSceneField);
    Open(true, KSceneField);
    EXPECT_EQ(scene.Current, 7);
    EXPECT_TRUE(scene.Panel(7).Used());
}

TEST_F(SaveFileScene, AFailedSaveSoundsTheBuzzerReportsAndStays) {
    host.State().System.LastSaveSlot = 7;
    host.Files.Platform->DiskFull = true;
    Open(true, KSceneMenu);
    const std::size_t mark = Mark();
    Frame(KButtonDecide);
    EXPECT_EQ(SoundsSince(mark), std::vector<std::string>{"Sound/Buzzer"});
    ASSERT_EQ(host.Files.Platform->Messages.size(), 1u);
    EXPECT_NE(host.Files.Platform->Messages[0].find("Save07.lsd"), std::string::npos)
        << host.Files.Platform->Messages[0];
    EXPECT_FALSE(host.Files.Exists("Save07.lsd"));
    EXPECT_EQ(Scene(), KSceneSaveFile);
    EXPECT_TRUE(scene.Shown);
    EXPECT_FALSE(scene.Panel(7).Used());
}

TEST_F(SaveFileScene, CancelReturnsToWhereTheSceneWasCalledFrom) {
    SaveInto(2); // Continue needs a save to show
    const struct {
        bool saveMode;
        std::uint8_t from;
        int back;
    } cases[] = {{false, KSceneTitle, KSceneTitle},
                 {true, KSceneMenu, KSceneMenu},
                 {true, KSceneField, KSceneField}};
    for (const auto& c : cases) {
        Open(c.saveMode, c.from);
        const std::size_t mark = Mark();
        Frame(KButtonCancel);
        EXPECT_EQ(SoundsSince(mark), std::vector<std::string>{"Sound/Cancel"});
        EXPECT_EQ(Scene(), c.back) << c.saveMode << int{c.from};
        EXPECT_FALSE(scene.Shown);
    }
}

TEST_F(SaveFileScene, LoadingFadesTheMusicWaitsAndEntersTheField) {
    host.State().PartyInfo.Gold = 777;
    SaveInto(3);
    host.State().PartyInfo.Gold = 5;
    Open(false);
    ASSERT_EQ(scene.Current, 3);
    test::TRecordingTonica& sound = host.Files.Sound();
    const int stops = sound.MusicStops;
    const std::size_t mark = Mark();
    const std::uint64_t before = Frames();
    Frame(KButtonDecide);
    EXPECT_EQ(SoundsSince(mark), std::vector<std::string>{"Sound/Decide"});
    ASSERT_FALSE(sound.MusicFades.empty());
    EXPECT_EQ(sound.MusicFades.back(), 800);
    EXPECT_GT(sound.MusicStops, stops);
    EXPECT_EQ(Scene(), KSceneField);
    EXPECT_EQ(game.State().PartyInfo.Gold, 777); // the saved game runs
    // Fade out by 20 (5 frames), then 48 and 16 frames.
    EXPECT_EQ(Frames() - before, 5u + 48u + 16u);
}

TEST_F(SaveFileScene, AFailedLoadKeepsTheListAndShowsTheSlotAsItIsNow) {
    SaveInto(3);
    Open(false);
    ASSERT_TRUE(scene.Panel(3).Used());
    // The file turns out unreadable after the list was read.
    host.Files.Dir.Write("Save03.lsd", "not a save");
    const std::size_t mark = Mark();
    Frame(KButtonDecide);
    EXPECT_EQ(SoundsSince(mark), std::vector<std::string>{"Sound/Buzzer"});
    ASSERT_EQ(host.Files.Platform->Messages.size(), 1u);
    EXPECT_NE(host.Files.Platform->Messages[0].find("Save03.lsd"), std::string::npos)
        << host.Files.Platform->Messages[0];
    EXPECT_EQ(Scene(), KSceneSaveFile);
    EXPECT_TRUE(scene.Shown);
    EXPECT_FALSE(scene.Panel(3).Used());
    EXPECT_TRUE(scene.Panel(3).CursorActive);
}

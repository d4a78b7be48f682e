#include "state/LGD_System.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "GameFixture.h"
#include "media/Tonica.h"

using namespace kestra;
using namespace kestra::test;

namespace {

class RecordingTonica : public TNullTonica {
public:
    bool PlayMusic(const std::string& path) override {
        Started.push_back(path);
        return TNullTonica::PlayMusic(path);
    }
    void SetMusicVolume(std::int32_t volume) override { Volume = volume; }
    bool ReserveSound(const std::string& path) override {
        Reserved.push_back(path);
        return true;
    }
    void CancelSound(const std::string& path) override { Cancelled.push_back(path); }

    std::vector<std::string> Started, Reserved, Cancelled;
    std::int32_t Volume = -1;
};

struct SystemState : ::testing::Test, TGameFixture {
    SystemState() : State(Env()) { State.Reset(); }
    TLcfgGameState State;
    TLcfgSystem& Sys = State.System;
};

} // namespace

TEST_F(SystemState, OverridesFallBackToTheDataBaseAndClearOnItsValue) {
    EXPECT_EQ(Sys.Music(KMusicBattle).Name, "Battle1");
    TVezMusic other;
    other.Name = "Boss";
    Sys.SetMusic(KMusicBattle, other);
    EXPECT_EQ(Sys.Music(KMusicBattle).Name, "Boss");
    Sys.SetMusic(KMusicBattle, DataBase.System.Music[1]);
    EXPECT_TRUE(Sys.MusicOverrides[1].Name.empty());
    EXPECT_EQ(Sys.Music(KMusicBattle).Name, "Battle1");

    // Same name, other volume: still an override.
    TVezMusic louder = DataBase.System.Music[1];
    louder.Volume = 80;
    Sys.SetMusic(KMusicBattle, louder);
    EXPECT_EQ(Sys.Music(KMusicBattle).Volume, 80);

    EXPECT_EQ(Sys.Transition(2), 7);
    Sys.SetTransition(2, 3);
    EXPECT_EQ(Sys.Transition(2), 3);
    Sys.SetTransition(2, 7);
    EXPECT_EQ(Sys.TransitionOverrides[2], KNoTransitionOverride);

    Sys.SetSystemGraphic("System2", 1, 1);
    EXPECT_EQ(Sys.SystemGraphic(), "System2");
    EXPECT_EQ(Sys.Font(), 1);
    Sys.SetSystemGraphic("System1", 0, 0);
    EXPECT_TRUE(Sys.SystemGraphicOverride.empty());
    EXPECT_EQ(Sys.SystemGraphic(), "System1");

    TVezSound buzz;
    buzz.Name = "Buzz2";
    Sys.SetSound(KSoundBuzzer, buzz);
    EXPECT_EQ(Sys.Sound(KSoundBuzzer).Name, "Buzz2");
    Sys.SetSound(KSoundBuzzer, DataBase.System.Sound[3]);
    EXPECT_TRUE(Sys.SoundOverrides[3].Name.empty());
}

TEST_F(SystemState, AnOverrideSetToTheDataBaseValueIsSavedAsAnEmptyName) {
    Sys.SetMusic(KMusicBattle, DataBase.System.Music[1]);
    TLcfgGameState copy(Env());
    copy.System.Decode(Sys.Encode());
    EXPECT_TRUE(copy.System.MusicOverrides[1].Name.empty());
    EXPECT_EQ(copy.System.Music(KMusicBattle).Name, "Battle1");
    // Chunk 72 is present, holding a music record whose name is empty.
    auto bytes = Sys.Encode();
    const std::vector<std::uint8_t> emptyName = {72, 0x03, 0x01, 0x00, 0x00};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), emptyName.begin(), emptyName.end()),
              bytes.end());
}

TEST_F(SystemState, SwitchesAndVariablesGrowOnWriteAndStayInRange) {
    Sys.ResizeSwitches(3);
    Sys.SetSwitch(10, true);
    EXPECT_EQ(Sys.SwitchCount(), 10);
    for (std::int32_t i = 4; i <= 9; ++i) EXPECT_FALSE(Sys.Switch(i));
    EXPECT_TRUE(Sys.Switch(10));
    EXPECT_FALSE(Sys.Switch(0));
    EXPECT_FALSE(Sys.Switch(11));
    Sys.SetSwitch(0, true);
    Sys.SetSwitch(KMaxSwitchId + 1, true);
    EXPECT_EQ(Sys.SwitchCount(), 10);

    EXPECT_EQ(Sys.Variable(0), 0);
    EXPECT_EQ(Sys.Variable(5000), 0);
    Sys.SetVariable(2, 5'000'000'000LL);
    EXPECT_EQ(Sys.Variable(2), KVariableMax);
    Sys.SetVariable(3, -5'000'000'000LL);
    EXPECT_EQ(Sys.Variable(3), KVariableMin);
    EXPECT_EQ(Sys.VariableCount(), 3);
    Sys.SetVariable(INT32_MAX, 1);
    EXPECT_EQ(Sys.VariableCount(), 3);
    Sys.ResizeVariables(1);
    EXPECT_EQ(Sys.Variable(2), 0);
}

TEST_F(SystemState, CountsAndBlocksThatDisagreeReadTheShorter) {
    // Variables block of 3 x 4 bytes cut to 9 bytes (one ragged tail) with count 3.
    TLcfgGameState other(Env());
    std::vector<std::uint8_t> raw = {33, 1, 3, 34, 9, 1, 0,  0, 0, 2, 0,
                                     0,  0, 9, 31, 1, 5, 32, 2, 0, 1, 0};
    other.System.Decode(raw);
    EXPECT_EQ(other.System.VariableCount(), 2);
    EXPECT_EQ(other.System.Variable(2), 2);
    EXPECT_EQ(other.System.SwitchCount(), 2);
    EXPECT_TRUE(other.System.Switch(2));
}

TEST_F(SystemState, ReplayingTheCurrentMusicOnlyChangesItsVolume) {
    RecordingTonica tonica;
    auto env = Env();
    env.Sound = &tonica;
    env.FindAsset = [](std::string_view name, std::string_view folder) {
        return std::string(folder) + "/" + std::string(name) + ".mid";
    };
    TLcfgGameState state(env);
    state.Reset();
    TVezMusic m;
    m.Name = "Town";
    state.System.PlayMusic(m);
    m.Volume = 40;
    state.System.PlayMusic(m);
    EXPECT_EQ(tonica.Started, std::vector<std::string>{"Music/Town.mid"});
    EXPECT_EQ(tonica.Volume, 40);
    EXPECT_EQ(state.System.CurrentMusic.Volume, 40);
    state.System.FadeOutMusic(800);
    EXPECT_TRUE(state.System.MusicStopped);
    state.System.PlayMusic(m);
    EXPECT_EQ(tonica.Started.size(), 2u);
    EXPECT_FALSE(state.System.MusicStopped);

    // The four interface sounds are preloaded, and a changed one swaps its file.
    state.ApplyToDevices();
    EXPECT_EQ(tonica.Reserved.front(), "Sound/Cursor1.mid");
    TVezSound click;
    click.Name = "Click";
    state.System.SetSound(KSoundCursor, click);
    EXPECT_EQ(tonica.Cancelled.back(), "Sound/Cursor1.mid");
    EXPECT_EQ(tonica.Reserved.back(), "Sound/Click.mid");
}

#include "media/Tonica.h"
#include "media/MusicPlayer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kestra;

TEST(NullTonica, SimulatesMusicDeterministically) {
    TNullTonica t;
    t.Create();
    EXPECT_FALSE(t.GetMusicPlaying());
    ASSERT_TRUE(t.PlayMusic("/game/Music/Town.MID"));
    EXPECT_TRUE(t.GetMusicPlaying());
    EXPECT_FALSE(t.GetMusicLooping());
    for (int i = 0; i < 10; ++i) t.AdvanceFrame();
    EXPECT_EQ(t.GetMidiTick(), 10 * TNullTonica::KNullMidiTicksPerFrame);
    t.SetMusicSpeed(150);
    t.AdvanceFrame();
    EXPECT_EQ(t.GetMidiTick(), 11 * TNullTonica::KNullMidiTicksPerFrame + 2);
    for (int i = 11; i < TNullTonica::KNullMusicFrames - 1; ++i) t.AdvanceFrame();
    EXPECT_FALSE(t.GetMusicLooping());
    t.AdvanceFrame();
    EXPECT_TRUE(t.GetMusicLooping());
    EXPECT_EQ(t.GetMidiTick(), 0);

    // 500 ms of fade-out are 30 frames.
    t.FadeOutMusic(500);
    for (int i = 0; i < 29; ++i) t.AdvanceFrame();
    EXPECT_TRUE(t.GetMusicPlaying());
    t.AdvanceFrame();
    EXPECT_FALSE(t.GetMusicPlaying());

    // WAV music has no tick; a new start clears the looping flag.
    t.PlayMusic("/game/Music/Sea.wav");
    EXPECT_FALSE(t.GetMusicLooping());
    t.AdvanceFrame();
    EXPECT_EQ(t.GetMidiTick(), 0);
    t.FadeOutMusic(0);
    EXPECT_FALSE(t.GetMusicPlaying());

    t.Release();
    t.Release();
    EXPECT_FALSE(t.PlayMusic("/game/Music/Town.mid"));
}

namespace {

// Records the calls that reach the sound interface.
class TRecordingTonica : public TNullTonica {
public:
    std::vector<std::string> Calls;
    bool PlayMusic(const std::string& path) override {
        Calls.push_back("play " + path);
        return TNullTonica::PlayMusic(path);
    }
    void FadeInMusic(std::int32_t ms) override { Calls.push_back("fadein " + std::to_string(ms)); }
    void SetMusicVolume(std::int32_t v) override { Calls.push_back("volume " + std::to_string(v)); }
    void SetMusicSpeed(std::int32_t t) override { Calls.push_back("tempo " + std::to_string(t)); }
    void SetMusicPanpot(std::int32_t b) override {
        Calls.push_back("balance " + std::to_string(b));
    }
    void FadeOutMusic(std::int32_t ms) override {
        Calls.push_back("fadeout " + std::to_string(ms));
    }
    void StopMusic() override {
        Calls.push_back("stop");
        TNullTonica::StopMusic();
    }
};

std::string Find(const std::string& name) {
    return name == "Missing" ? std::string() : "/g/Music/" + name + ".mid";
}

using TCalls = std::vector<std::string>;

} // namespace

TEST(MusicPlayer, RestartsOnlyWhenForcedStoppedOrRenamed) {
    TRecordingTonica t;
    TMusicPlayer player(t, Find);
    EXPECT_TRUE(player.Request("Town", 300, 100, 100, 50, false));
    EXPECT_EQ(t.Calls, (TCalls{"play /g/Music/Town.mid", "fadein 300", "volume 100", "tempo 100",
                               "balance 50"}));

    // The same music with other numbers only changes them.
    t.Calls.clear();
    EXPECT_FALSE(player.Request("Town", 300, 70, 120, 20, false));
    EXPECT_EQ(t.Calls, (TCalls{"volume 70", "tempo 120", "balance 20"}));

    t.Calls.clear();
    EXPECT_TRUE(player.Request("Town", 0, 70, 120, 20, true));
    EXPECT_EQ(t.Calls.front(), "play /g/Music/Town.mid");

    // After a fade-out the same name starts again; a second fade-out is ignored.
    player.FadeOut(800);
    player.FadeOut(800);
    t.Calls.clear();
    EXPECT_TRUE(player.Request("Town", 0, 100, 100, 50, false));
    EXPECT_EQ(t.Calls.front(), "play /g/Music/Town.mid");

    t.Calls.clear();
    EXPECT_TRUE(player.Request("(OFF)", 0, 100, 100, 50, false));
    EXPECT_EQ(t.Calls, (TCalls{"stop", "volume 100", "tempo 100", "balance 50"}));
    EXPECT_EQ(player.CurrentName, "(OFF)");

    // A music whose file is missing stops the old one instead of leaving it on.
    player.Request("Town", 0, 100, 100, 50, false);
    t.Calls.clear();
    EXPECT_TRUE(player.Request("Missing", 0, 100, 100, 50, false));
    EXPECT_EQ(t.Calls.front(), "stop");
}

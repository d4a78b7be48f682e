#include "platform/AudioMixer.h"

#include "SoundFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace kestra;
using namespace kestra::platform;
using kestra::test::MakeFlatWave;
using kestra::test::MakeMidi;
using kestra::test::TTempFile;

namespace {

constexpr int KRate = 22050;

struct TStereo {
    std::vector<std::int16_t> L, R;
};

TStereo Render(TAudioMixer& m, std::size_t frames) {
    std::vector<std::int16_t> buf(2 * frames, 12345);
    m.Render(buf.data(), frames);
    TStereo s;
    for (std::size_t i = 0; i < frames; ++i) {
        s.L.push_back(buf[2 * i]);
        s.R.push_back(buf[2 * i + 1]);
    }
    return s;
}

std::size_t NonZero(const std::vector<std::int16_t>& v) {
    return static_cast<std::size_t>(std::count_if(v.begin(), v.end(), [](auto x) { return x; }));
}

int Peak(const std::vector<std::int16_t>& v) {
    int p = 0;
    for (std::int16_t x : v) p = std::max(p, std::abs(static_cast<int>(x)));
    return p;
}

// A started mixer at KRate with its warnings collected.
struct TMixerFixture : ::testing::Test {
    std::vector<std::string> Warnings;
    std::unique_ptr<TAudioMixer> Mixer;

    void SetUp() override { Start(""); }
    void Start(const std::string& soundFont) {
        TAudioMixerOptions o;
        o.SampleRate = KRate;
        o.SoundFont = soundFont;
        o.Warn = [this](const std::string& w) { Warnings.push_back(w); };
        Mixer = std::make_unique<TAudioMixer>(o);
        Mixer->Create();
        Mixer->InitMidi();
        Mixer->InitWave();
    }
};

using AudioMixer = TMixerFixture;

} // namespace

TEST_F(AudioMixer, TempoResamplesLengthAndVolumeFollowsTheCurve) {
    TTempFile wav("flat.wav", MakeFlatWave(KRate, 1000, 8000));
    ASSERT_TRUE(Mixer->PlaySoundEx(wav.Path, 100, 100, 50));
    TStereo normal = Render(*Mixer, 3000);
    EXPECT_NEAR(static_cast<double>(NonZero(normal.L)), 1000, 2);
    EXPECT_EQ(normal.L[10], 8000);

    ASSERT_TRUE(Mixer->PlaySoundEx(wav.Path, 100, 50, 50));
    TStereo slow = Render(*Mixer, 3000);
    EXPECT_NEAR(static_cast<double>(NonZero(slow.L)), 2000, 2);

    ASSERT_TRUE(Mixer->PlaySoundEx(wav.Path, 100, 150, 50));
    EXPECT_NEAR(static_cast<double>(NonZero(Render(*Mixer, 3000).L)), 667, 2);

    // Volume 50 is a quarter of the amplitude; 0 is silent.
    ASSERT_TRUE(Mixer->PlaySoundEx(wav.Path, 50, 100, 50));
    EXPECT_EQ(Render(*Mixer, 100).L[10], 2000);
    Mixer->StopSound();
    ASSERT_TRUE(Mixer->PlaySoundEx(wav.Path, 0, 100, 50));
    EXPECT_EQ(Peak(Render(*Mixer, 100).L), 0);
}

TEST_F(AudioMixer, BalancePansBetweenTheSides) {
    TTempFile wav("flat.wav", MakeFlatWave(KRate, 500, 10000));
    Mixer->PlaySoundEx(wav.Path, 100, 100, 0);
    TStereo left = Render(*Mixer, 400);
    EXPECT_EQ(Peak(left.R), 0);
    EXPECT_EQ(left.L[100], 10000);

    Mixer->StopSound();
    Mixer->PlaySoundEx(wav.Path, 100, 100, 100);
    TStereo right = Render(*Mixer, 400);
    EXPECT_EQ(Peak(right.L), 0);
    EXPECT_EQ(right.R[100], 10000);

    Mixer->StopSound();
    Mixer->PlaySoundEx(wav.Path, 100, 100, 75);
    TStereo mostlyRight = Render(*Mixer, 400);
    EXPECT_EQ(mostlyRight.L[100], 5000);
    EXPECT_EQ(mostlyRight.R[100], 10000);
}

TEST_F(AudioMixer, OverlappingEffectsSumClipAndStop) {
    TTempFile up("up.wav", MakeFlatWave(KRate, 2000, 12000));
    TTempFile down("down.wav", MakeFlatWave(KRate, 2000, -20000));
    Mixer->PlaySoundEx(up.Path, 100, 100, 50);
    Mixer->PlaySoundEx(up.Path, 100, 100, 50);
    EXPECT_EQ(Render(*Mixer, 10).L[5], 24000);
    // A third voice passes full scale: the output clips instead of wrapping.
    Mixer->PlaySoundEx(up.Path, 100, 100, 50);
    EXPECT_EQ(Render(*Mixer, 10).L[5], 32767);
    EXPECT_EQ(Mixer->ActiveVoices(), 3u);

    Mixer->StopSound();
    EXPECT_EQ(Mixer->ActiveVoices(), 0u);
    EXPECT_EQ(Peak(Render(*Mixer, 500).L), 0);

    Mixer->PlaySoundEx(down.Path, 100, 100, 50);
    Mixer->PlaySoundEx(down.Path, 100, 100, 50);
    EXPECT_EQ(Render(*Mixer, 10).R[5], -32768);
    Mixer->StopSound();

    // More effects than voices: the oldest give way.
    for (int i = 0; i < 40; ++i) Mixer->PlaySoundEx(up.Path, 1, 100, 50);
    EXPECT_EQ(Mixer->ActiveVoices(), KMaxVoices);
}

TEST_F(AudioMixer, WaveMusicLoopsAndFades) {
    TTempFile wav("music.wav", MakeFlatWave(KRate, 1000, 8000));
    ASSERT_TRUE(Mixer->PlayMusic(wav.Path));
    EXPECT_TRUE(Mixer->GetMusicPlaying());
    EXPECT_FALSE(Mixer->GetMusicLooping());
    Render(*Mixer, 900);
    EXPECT_FALSE(Mixer->GetMusicLooping());
    TStereo wrap = Render(*Mixer, 300);
    EXPECT_TRUE(Mixer->GetMusicLooping());
    EXPECT_TRUE(Mixer->GetMusicPlaying());
    EXPECT_EQ(NonZero(wrap.L), 300u); // no gap at the loop point
    EXPECT_EQ(Mixer->GetMidiTick(), 0);

    // Fade-out over 100 ms = 2205 frames: falling, then silent and stopped.
    Mixer->FadeOutMusic(100);
    TStereo fade = Render(*Mixer, 2400);
    EXPECT_GT(fade.L[100], fade.L[1100]);
    EXPECT_GT(fade.L[1100], fade.L[2000]);
    EXPECT_EQ(Peak(std::vector<std::int16_t>(fade.L.begin() + 2210, fade.L.end())), 0);
    EXPECT_FALSE(Mixer->GetMusicPlaying());

    // A new start clears the looping flag; a fade-in rises from silence.
    ASSERT_TRUE(Mixer->PlayMusic(wav.Path));
    EXPECT_FALSE(Mixer->GetMusicLooping());
    Mixer->FadeInMusic(50);
    TStereo in = Render(*Mixer, 1500);
    EXPECT_LT(in.L[0], 10);
    EXPECT_LT(in.L[200], in.L[800]);
    EXPECT_EQ(in.L[1200], 8000);

    // Fade-out 0 stops at once.
    Mixer->FadeOutMusic(0);
    EXPECT_FALSE(Mixer->GetMusicPlaying());
    EXPECT_EQ(Peak(Render(*Mixer, 100).L), 0);
}

TEST_F(AudioMixer, BadFilesAreRefusedWithAWarning) {
    std::vector<std::uint8_t> good = MakeFlatWave(KRate, 100, 1000);
    TTempFile truncated("cut.wav", std::vector<std::uint8_t>(good.begin(), good.end() - 50));
    TTempFile garbage("noise.mid", {'M', 'Z', 1, 2, 3});
    EXPECT_FALSE(Mixer->PlaySoundEx(truncated.Path, 100, 100, 50));
    EXPECT_FALSE(Mixer->ReserveSound(truncated.Path));
    EXPECT_FALSE(Mixer->PlaySoundEx("/nonexistent/x.wav", 100, 100, 50));
    EXPECT_FALSE(Mixer->PlayMusic(garbage.Path));
    EXPECT_FALSE(Mixer->GetMusicPlaying());
    EXPECT_FALSE(Mixer->PlaySoundEx(std::filesystem::temp_directory_path().string(), 100, 100, 50));
    EXPECT_EQ(Peak(Render(*Mixer, 100).L), 0);
    // One warning per distinct problem, each naming its file.
    ASSERT_EQ(Warnings.size(), 4u);
    EXPECT_NE(Warnings[0].find("cut.wav"), std::string::npos);
    EXPECT_NE(Warnings[1].find("x.wav"), std::string::npos);
    EXPECT_NE(Warnings[2].find("noise.mid"), std::string::npos);
}

TEST_F(AudioMixer, WaveOutputClosesAroundAMovieAndReleaseIsFinal) {
    TTempFile wav("sfx.wav", MakeFlatWave(KRate, 100, 1000));
    EXPECT_TRUE(Mixer->ReserveSound(wav.Path));
    Mixer->PlaySoundEx(wav.Path, 100, 100, 50);
    Mixer->TermWave();
    EXPECT_EQ(Mixer->ActiveVoices(), 0u);
    EXPECT_FALSE(Mixer->PlaySoundEx(wav.Path, 100, 100, 50));
    Mixer->InitWave();
    EXPECT_TRUE(Mixer->PlaySoundEx(wav.Path, 100, 100, 50));

    Mixer->PlayMusic(wav.Path);
    Mixer->Release();
    Mixer->Release();
    EXPECT_FALSE(Mixer->GetMusicPlaying());
    EXPECT_FALSE(Mixer->PlaySoundEx(wav.Path, 100, 100, 50));
    EXPECT_FALSE(Mixer->PlayMusic(wav.Path));
    EXPECT_EQ(Peak(Render(*Mixer, 100).L), 0);
}

TEST_F(AudioMixer, MidiPlaysTicksAndLoops) {
    // 1 s of song: a half-second note, then rest to tick 192.
    TTempFile mid("song.mid", MakeMidi(96, 192));
    ASSERT_TRUE(Mixer->PlayMusic(mid.Path));
    EXPECT_TRUE(Mixer->GetMusicPlaying());
    TStereo first = Render(*Mixer, KRate / 2);
    std::int32_t tick = Mixer->GetMidiTick();
    EXPECT_GT(tick, 60);
    EXPECT_LT(tick, 130);
    EXPECT_FALSE(Mixer->GetMusicLooping());
    Render(*Mixer, KRate * 3 / 4);
    EXPECT_TRUE(Mixer->GetMusicLooping());
    EXPECT_TRUE(Mixer->GetMusicPlaying());
    EXPECT_LT(Mixer->GetMidiTick(), tick); // wrapped to the start

    // At tempo 150 the same time covers half as many ticks again.
    ASSERT_TRUE(Mixer->PlayMusic(mid.Path));
    Mixer->SetMusicSpeed(150);
    Render(*Mixer, KRate / 2);
    EXPECT_GT(Mixer->GetMidiTick(), tick + 30);

    Mixer->StopMusic();
    EXPECT_FALSE(Mixer->GetMusicPlaying());
    EXPECT_EQ(Mixer->GetMidiTick(), 0);

    if (!std::filesystem::exists(SoundFontPath()))
        GTEST_SKIP() << "no soundfont at " << SoundFontPath() << ": audibility not checked";
    EXPECT_TRUE(Warnings.empty());
    EXPECT_GT(Peak(first.L), 500);
    EXPECT_GT(Peak(first.R), 500);
}

TEST(AudioMixerNoSoundFont, MidiKeepsTimeSilentlyWithOneWarning) {
    std::vector<std::string> warnings;
    TAudioMixerOptions o;
    o.SampleRate = KRate;
    o.SoundFont = "/nonexistent/none.sf2";
    o.Warn = [&](const std::string& w) { warnings.push_back(w); };
    TAudioMixer m(o);
    m.Create();
    m.InitMidi();
    m.InitWave();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("none.sf2"), std::string::npos);
    TTempFile mid("song.mid", MakeMidi(96, 192));
    ASSERT_TRUE(m.PlayMusic(mid.Path));
    TStereo s = Render(m, KRate * 3 / 2);
    EXPECT_EQ(Peak(s.L), 0);
    EXPECT_TRUE(m.GetMusicLooping());
}

TEST_F(AudioMixer, BrokenMidiIsRefusedBeforeTheSynthesizer) {
    std::vector<std::uint8_t> midi = MakeMidi(96, 192);
    midi[18] = 0x7F; // the track claims far more bytes than the file holds
    TTempFile mid("broken.mid", midi);
    EXPECT_FALSE(Mixer->PlayMusic(mid.Path));
    EXPECT_FALSE(Mixer->GetMusicPlaying());
    ASSERT_EQ(Warnings.size(), 1u);
    EXPECT_NE(Warnings[0].find("broken.mid: truncated"), std::string::npos) << Warnings[0];
}

// The player's volumes scale the game's music and effects, also the ones already playing.
TEST_F(AudioMixer, ThePlayersVolumesScaleMusicAndEffects) {
    TTempFile wav("flat.wav", MakeFlatWave(KRate, 4000, 8000));
    ASSERT_TRUE(Mixer->PlaySoundEx(wav.Path, 100, 100, 50));
    EXPECT_EQ(Render(*Mixer, 100).L[10], 8000);
    Mixer->SetPlayerVolumes(100, 50); // gain 0.25
    EXPECT_EQ(Render(*Mixer, 100).L[10], 2000);
    Mixer->SetPlayerVolumes(100, 0);
    EXPECT_EQ(Peak(Render(*Mixer, 100).L), 0);
    Mixer->StopSound();

    Mixer->SetPlayerVolumes(50, 100);
    TTempFile music("music.wav", MakeFlatWave(KRate, 4000, 8000));
    ASSERT_TRUE(Mixer->PlayMusic(music.Path));
    Mixer->SetMusicVolume(100);
    EXPECT_EQ(Render(*Mixer, 100).L[10], 2000);
    Mixer->SetPlayerVolumes(100, 0); // the effects' volume leaves the music alone
    EXPECT_EQ(Render(*Mixer, 100).L[10], 8000);
}

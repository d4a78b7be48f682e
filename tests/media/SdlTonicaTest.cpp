#include "platform/SdlTonica.h"

#include "SoundFiles.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kestra;
using namespace kestra::platform;

namespace {

// Sets an environment variable for the lifetime of the object.
class TEnvOverride {
public:
    TEnvOverride(const char* name, const char* value) : Name(name) {
        const char* old = std::getenv(name);
        if (old) Old = old, HadOld = true;
        ::setenv(name, value, 1);
    }
    ~TEnvOverride() {
        if (HadOld)
            ::setenv(Name, Old.c_str(), 1);
        else
            ::unsetenv(Name);
    }

private:
    const char* Name;
    std::string Old;
    bool HadOld = false;
};

} // namespace

TEST(SdlTonica, PlaysOnTheDummyDeviceAndReleasesTwice) {
    TEnvOverride driver("SDL_AUDIODRIVER", "dummy");
    std::vector<std::string> warnings;
    TAudioMixerOptions o;
    o.Warn = [&](const std::string& w) { warnings.push_back(w); };
    SdlTonica t(o);
    t.Create();
    t.InitMidi();
    t.InitWave();
    ASSERT_TRUE(t.HasDevice()) << (warnings.empty() ? "" : warnings[0]);
    test::TTempFile wav("beep.wav", test::MakeFlatWave(22050, 2000, 3000));
    EXPECT_TRUE(t.ReserveSound(wav.Path));
    EXPECT_TRUE(t.PlaySoundEx(wav.Path, 100, 100, 50));
    EXPECT_TRUE(t.PlayMusic(wav.Path));
    EXPECT_TRUE(t.GetMusicPlaying());
    t.Release();
    t.Release();
    EXPECT_FALSE(t.GetMusicPlaying());
    EXPECT_FALSE(t.PlaySoundEx(wav.Path, 100, 100, 50));
}

TEST(SdlTonica, WithoutAudioRunsSilentWithSimulatedMusic) {
    TEnvOverride driver("SDL_AUDIODRIVER", "no-such-driver");
    std::vector<std::string> warnings;
    TAudioMixerOptions o;
    o.Warn = [&](const std::string& w) { warnings.push_back(w); };
    SdlTonica t(o);
    t.Create();
    t.InitMidi();
    t.InitWave();
    EXPECT_FALSE(t.HasDevice());
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(t.PlayMusic("/game/Music/Inn.mid"));
    for (int i = 0; i < TNullTonica::KNullMusicFrames; ++i) t.AdvanceFrame();
    EXPECT_TRUE(t.GetMusicLooping());
    EXPECT_TRUE(t.PlaySoundEx("/game/Sound/none.wav", 100, 100, 50));
    t.Release();
    EXPECT_EQ(warnings.size(), 1u);
}

TEST(SdlTonica, TheDeviceCallbackPullsTheMix) {
    // SDL's disk driver writes whatever the callback produced to a file.
    auto out = std::filesystem::temp_directory_path() /
               ("kestra-disk-audio-" + std::to_string(::getpid()) + ".raw");
    TEnvOverride driver("SDL_AUDIODRIVER", "disk");
    TEnvOverride file("SDL_DISKAUDIOFILE", out.c_str());
    test::TTempFile wav("tone.wav", test::MakeFlatWave(44100, 4410, 9000));
    {
        SdlTonica t;
        t.Create();
        t.InitMidi();
        t.InitWave();
        ASSERT_TRUE(t.HasDevice());
        ASSERT_TRUE(t.PlayMusic(wav.Path));
        t.SetMusicPanpot(0);
        SDL_Delay(300);
        t.Release();
    }
    std::ifstream in(out, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(out);
    // The callback may mix a few blocks at the centre before the balance call lands;
    // from the first hard-left sample on, the right channel must stay silent.
    std::size_t left = 0, right = 0;
    bool panned = false;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::int16_t l, r;
        std::memcpy(&l, &bytes[i], 2);
        std::memcpy(&r, &bytes[i + 2], 2);
        panned = panned || (l == 9000 && r == 0);
        if (!panned) continue;
        left += l == 9000;
        right += r != 0;
    }
    EXPECT_GT(left, 1000u);
    EXPECT_EQ(right, 0u);
}

// A movie's sound in the mixer: it plays while the effect output is closed (as it is
// during a movie), at the device's rate, and ends with the movie.
#include "platform/AudioMixer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kestra;
using namespace kestra::platform;

namespace {

std::vector<std::int16_t> Mix(TAudioMixer& m, std::size_t frames) {
    std::vector<std::int16_t> out(2 * frames, 12345);
    m.Render(out.data(), frames);
    return out;
}

// `frames` stereo frames, left rising by 10 from `from`, right its negative.
std::vector<std::int16_t> Ramp(std::size_t frames, int from = 0) {
    std::vector<std::int16_t> s;
    for (std::size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<std::int16_t>(from + 10 * static_cast<int>(i)));
        s.push_back(static_cast<std::int16_t>(-(from + 10 * static_cast<int>(i))));
    }
    return s;
}

TEST(MovieSound, PlaysInOrderWhileTheEffectOutputIsClosedAndStopsWithTheMovie) {
    TAudioMixerOptions o;
    o.SampleRate = KMovieSoundRate;
    o.Warn = [](const std::string&) {};
    TAudioMixer mixer(o);
    mixer.Create();
    mixer.InitWave();
    mixer.TermWave();
    const auto ramp = Ramp(1000);
    mixer.QueueMovieSound(ramp.data(), 600);
    mixer.QueueMovieSound(ramp.data() + 1200, 400);
    EXPECT_EQ(mixer.QueuedMovieFrames(), 1000u);
    const auto out = Mix(mixer, 1200);
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(out[2 * i], ramp[2 * i]) << i;
        ASSERT_EQ(out[2 * i + 1], ramp[2 * i + 1]) << i;
    }
    // Then silence: the queue ran dry.
    for (std::size_t i = 2000; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    EXPECT_EQ(mixer.QueuedMovieFrames(), 0u);

    mixer.QueueMovieSound(ramp.data(), 1000);
    Mix(mixer, 100);
    mixer.EndMovieSound();
    EXPECT_EQ(mixer.QueuedMovieFrames(), 0u);
    for (std::int16_t s : Mix(mixer, 100)) ASSERT_EQ(s, 0);
}

TEST(MovieSound, IsResampledToTheDeviceRateAndAFullQueueDropsTheOldest) {
    TAudioMixerOptions o;
    o.SampleRate = KMovieSoundRate / 2;
    o.Warn = [](const std::string&) {};
    TAudioMixer mixer(o);
    mixer.Create();
    const auto ramp = Ramp(1000);
    mixer.QueueMovieSound(ramp.data(), 1000);
    // Half the rate: every other frame.
    const auto out = Mix(mixer, 400);
    for (std::size_t i = 0; i < 400; ++i) ASSERT_EQ(out[2 * i], ramp[4 * i]) << i;
    EXPECT_EQ(mixer.QueuedMovieFrames(), 200u);

    mixer.EndMovieSound();
    const auto lots = Ramp(KMovieQueueFrames + 500, 1);
    mixer.QueueMovieSound(lots.data(), KMovieQueueFrames + 500);
    EXPECT_EQ(mixer.QueuedMovieFrames(), KMovieQueueFrames);
    // The first 500 frames gave way.
    EXPECT_EQ(Mix(mixer, 1)[0], lots[2 * 500]);

    // Before Create and after Release nothing is queued.
    mixer.Release();
    mixer.QueueMovieSound(ramp.data(), 10);
    EXPECT_EQ(mixer.QueuedMovieFrames(), 0u);
}

} // namespace

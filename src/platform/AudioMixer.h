#pragma once
// The sound engine behind the game's sound interface, without an audio device:
// MIDI music through FluidSynth, WAV music and overlapping WAV effects through
// our own resampling mixer. Render() produces the next frames of the mix; the
// audio device callback calls it, and tests call it directly.
//
// Threads: the interface calls come from the game thread, Render from the
// audio thread. Mixer and synthesizer state sit behind one mutex; the music
// status (playing, looping, tick) is published through atomics, so the getters
// never wait for the audio thread. Files are read and decoded outside the lock.
#include "media/Tonica.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestra::platform {

inline constexpr const char* KDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
inline constexpr const char* KSoundFontVariable = "KESTRA_SOUNDFONT";
inline constexpr std::size_t KMaxVoices = 32;
// The movie sound queue holds this many stereo frames (4 s at KMovieSoundRate).
inline constexpr std::size_t KMovieQueueFrames = 4 * 44100;

struct TAudioMixerOptions {
    std::int32_t SampleRate = 44100;
    // Empty: $KESTRA_SOUNDFONT, else KDefaultSoundFont.
    std::string SoundFont;
    // Receives each distinct warning once; empty: write it to stderr.
    std::function<void(const std::string&)> Warn;
};

// The soundfont path chosen when the options name none.
std::string SoundFontPath();

class TAudioMixer : public ITonica {
public:
    explicit TAudioMixer(TAudioMixerOptions options = {});
    ~TAudioMixer() override;
    TAudioMixer(const TAudioMixer&) = delete;
    TAudioMixer& operator=(const TAudioMixer&) = delete;

    void Create() override;
    // Starts the synthesizer and loads the soundfont. Without a soundfont MIDI
    // music keeps its timing (tick, looping) but is silent; one warning says so.
    void InitMidi() override;
    void InitWave() override;
    void Release() override;
    bool PlayMusic(const std::string& path) override;
    void FadeInMusic(std::int32_t ms) override;
    void SetMusicVolume(std::int32_t volume) override;
    void SetMusicSpeed(std::int32_t tempo) override;
    void SetMusicPanpot(std::int32_t balance) override;
    void FadeOutMusic(std::int32_t ms) override;
    void StopMusic() override;
    bool GetMusicPlaying() override;
    bool GetMusicLooping() override;
    std::int32_t GetMidiTick() override;
    bool PlaySoundEx(const std::string& path, std::int32_t volume, std::int32_t tempo,
                     std::int32_t balance) override;
    void StopSound() override;
    bool ReserveSound(const std::string& path) override;
    void CancelSound(const std::string& path) override;
    void TermWave() override;
    void QueueMovieSound(const std::int16_t* stereo, std::size_t frames) override;
    void EndMovieSound() override;
    void SetPlayerVolumes(std::int32_t music, std::int32_t sound) override;
    // Movie sound frames queued and not yet rendered.
    std::size_t QueuedMovieFrames();

    // Writes `frames` stereo frames (left, right interleaved, signed 16-bit)
    // of the mix; silence before Create or after Release.
    void Render(std::int16_t* out, std::size_t frames) noexcept;
    std::int32_t SampleRate() const;
    // Effects currently sounding.
    std::size_t ActiveVoices();

private:
    struct Impl;
    std::unique_ptr<Impl> P;
};

} // namespace kestra::platform

#pragma once
// The sound interface the game calls: background music (MIDI or WAV, looping)
// and overlapping sound effects. Paths are full file paths as byte strings.
//
// Scales of the numbers taken from music and sound records (clamped):
//   volume  0..100 percent; gain = (volume / 100)^2, a loudness-like curve
//           (50 is about -12 dB), 0 is silent;
//   tempo   50..150 percent, 100 normal. Wave data is resampled (50 doubles
//           the length and lowers the pitch an octave); MIDI plays faster or
//           slower at the same pitch;
//   balance 0..100: 0 left only, 50 centre (both sides at full gain), 100
//           right only; the far side falls linearly to 0.
//
// Calls come from the game thread only. Release may be called any number of
// times; after it every call is a harmless no-op until Create.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestra {

inline constexpr std::int32_t KTonicaMinTempo = 50;
inline constexpr std::int32_t KTonicaMaxTempo = 150;
// Movie sound comes as interleaved stereo signed 16-bit frames at this rate.
inline constexpr std::int32_t KMovieSoundRate = 44100;

struct TTonicaPan {
    float Left = 1.0f;
    float Right = 1.0f;
};

float TonicaGain(std::int32_t volume);      // 0..1
double TonicaSpeed(std::int32_t tempo);     // 0.5..1.5
TTonicaPan TonicaPan(std::int32_t balance); // per-side gain, 0..1 each

class ITonica {
public:
    virtual ~ITonica() = default;

    // Start-up, in this order; each is safe to repeat.
    virtual void Create() = 0;
    virtual void InitMidi() = 0;
    virtual void InitWave() = 0;
    virtual void Release() = 0;

    // Starts looping background music (".mid"/MIDI data or a WAV file),
    // replacing the current one. False when the file could not be played;
    // the music is then stopped and a warning was written.
    virtual bool PlayMusic(const std::string& path) = 0;
    // Ramps the music just started from silence to its volume.
    virtual void FadeInMusic(std::int32_t ms) = 0;
    virtual void SetMusicVolume(std::int32_t volume) = 0;
    virtual void SetMusicSpeed(std::int32_t tempo) = 0;
    virtual void SetMusicPanpot(std::int32_t balance) = 0;
    // Fades to silence over ms and then stops; 0 stops at once.
    virtual void FadeOutMusic(std::int32_t ms) = 0;
    virtual void StopMusic() = 0;
    virtual bool GetMusicPlaying() = 0;
    // True once the current music has played through to its end at least once.
    virtual bool GetMusicLooping() = 0;
    // Position of MIDI music in ticks; 0 for WAV music or none.
    virtual std::int32_t GetMidiTick() = 0;

    // Plays a WAV sound effect once, overlapping the others. False when the
    // file could not be played (a warning was written).
    virtual bool PlaySoundEx(const std::string& path, std::int32_t volume, std::int32_t tempo,
                             std::int32_t balance) = 0;
    virtual void StopSound() = 0;
    // Preloads / drops a sound so that playing it reads no file.
    virtual bool ReserveSound(const std::string& path) = 0;
    virtual void CancelSound(const std::string& path) = 0;
    // Closes the effect output (before a movie): effects stop, reserved sounds
    // are dropped, and effects and WAV music stay silent until InitWave.
    virtual void TermWave() = 0;

    // Movie sound: `frames` stereo frames at KMovieSoundRate, played after what is
    // queued, whether or not the effect output is open, at full volume. A queue that
    // is full (a few seconds) drops the oldest frames.
    virtual void QueueMovieSound(const std::int16_t* stereo, std::size_t frames) = 0;
    // Drops the movie sound still queued (the movie ended or was skipped).
    virtual void EndMovieSound() = 0;

    // The player's volumes (0..100, gain (v/100)^2) over everything the game asks:
    // music (MIDI and WAV) and sound effects. They act at once, also on what plays.
    virtual void SetPlayerVolumes(std::int32_t music, std::int32_t sound) = 0;

    // Called once per game frame by the frame loop. Real devices keep their own
    // clock and ignore it; the null implementation advances its simulated music.
    virtual void AdvanceFrame() {}
};

// Silent implementation for headless runs and tests, with deterministic music
// state driven by AdvanceFrame:
//   - PlayMusic (of any path) makes the music playing, not looping, at tick 0;
//   - each AdvanceFrame while playing adds KNullMidiTicksPerFrame x tempo / 100
//     (rounded down, tempo clamped to 50..150) to the tick of MIDI music
//     (paths ending in ".mid", any case); WAV music stays at tick 0;
//   - after KNullMusicFrames frames of playing the music counts as played
//     through: looping becomes true and the tick starts again from 0;
//   - FadeOutMusic(ms) stops after ceil(ms x 60 / 1000) frames (0: at once);
//     StopMusic stops at once. Sound effects are accepted and ignored.
class TNullTonica : public ITonica {
public:
    static constexpr std::int32_t KNullMusicFrames = 240;
    static constexpr std::int32_t KNullMidiTicksPerFrame = 4;

    void Create() override { Released = false; }
    void InitMidi() override {}
    void InitWave() override {}
    void Release() override;
    bool PlayMusic(const std::string& path) override;
    void FadeInMusic(std::int32_t) override {}
    void SetMusicVolume(std::int32_t) override {}
    void SetMusicSpeed(std::int32_t tempo) override;
    void SetMusicPanpot(std::int32_t) override {}
    void FadeOutMusic(std::int32_t ms) override;
    void StopMusic() override;
    bool GetMusicPlaying() override { return Playing; }
    bool GetMusicLooping() override { return Looping; }
    std::int32_t GetMidiTick() override { return Tick; }
    bool PlaySoundEx(const std::string&, std::int32_t, std::int32_t, std::int32_t) override {
        return !Released;
    }
    void StopSound() override {}
    bool ReserveSound(const std::string&) override { return !Released; }
    void CancelSound(const std::string&) override {}
    void TermWave() override {}
    void QueueMovieSound(const std::int16_t*, std::size_t) override {}
    void EndMovieSound() override {}
    void SetPlayerVolumes(std::int32_t music, std::int32_t sound) override {
        PlayerMusicVolume = music;
        PlayerSoundVolume = sound;
    }
    void AdvanceFrame() override;

    // The last player volumes set (100 until then).
    std::int32_t PlayerMusicVolume = 100, PlayerSoundVolume = 100;

private:
    bool Released = false;
    bool Playing = false;
    bool Looping = false;
    bool Midi = false;
    std::int32_t Tempo = 100;
    std::int32_t Tick = 0;
    std::int32_t FramesPlayed = 0;
    std::int32_t FadeFramesLeft = -1; // -1: no fade-out under way
};

} // namespace kestra

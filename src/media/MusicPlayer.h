#pragma once
// The rule for music requests over the sound interface: a request restarts the
// file only when forced, when the music was stopped or faded out, or when the
// name differs from the current one; volume, tempo and balance are always sent.
// The name "(OFF)" means silence.
#include "media/Tonica.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestra {

inline constexpr const char* KMusicOff = "(OFF)";

class TMusicPlayer {
public:
    // findMusic turns a music name into a file path, or "" when there is none.
    using TFinder = std::function<std::string(const std::string& name)>;

    TMusicPlayer(ITonica& tonica, TFinder findMusic);

    // Returns true when the music was (re)started or stopped, false when only
    // volume, tempo and balance changed. A missing file stops the music.
    bool Request(const std::string& name, std::int32_t fadeInMs, std::int32_t volume,
                 std::int32_t tempo, std::int32_t balance, bool force);
    // Fades out over ms unless already stopped.
    void FadeOut(std::int32_t ms);
    void Stop();

    // Name of the music last requested; "(OFF)" at first.
    std::string CurrentName = KMusicOff;
    // The current music was stopped or faded out since it was requested.
    bool Stopped = false;

private:
    ITonica& Tonica;
    TFinder FindMusic;
};

} // namespace kestra

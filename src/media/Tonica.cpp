#include "media/Tonica.h"

#include <algorithm>
#include <cctype>

namespace kestra {

float TonicaGain(std::int32_t volume) {
    float v = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
    return v * v;
}

double TonicaSpeed(std::int32_t tempo) {
    return std::clamp(tempo, KTonicaMinTempo, KTonicaMaxTempo) / 100.0;
}

TTonicaPan TonicaPan(std::int32_t balance) {
    std::int32_t b = std::clamp(balance, 0, 100);
    TTonicaPan pan;
    pan.Left = std::min(1.0f, static_cast<float>(100 - b) / 50.0f);
    pan.Right = std::min(1.0f, static_cast<float>(b) / 50.0f);
    return pan;
}

namespace {

bool EndsWithMid(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".mid";
}

} // namespace

void TNullTonica::Release() {
    StopMusic();
    Released = true;
}

bool TNullTonica::PlayMusic(const std::string& path) {
    if (Released) return false;
    Playing = true;
    Looping = false;
    Midi = EndsWithMid(path);
    Tick = 0;
    FramesPlayed = 0;
    FadeFramesLeft = -1;
    return true;
}

void TNullTonica::SetMusicSpeed(std::int32_t tempo) {
    Tempo = std::clamp(tempo, KTonicaMinTempo, KTonicaMaxTempo);
}

void TNullTonica::FadeOutMusic(std::int32_t ms) {
    if (!Playing) return;
    if (ms <= 0) {
        StopMusic();
        return;
    }
    FadeFramesLeft = static_cast<std::int32_t>((static_cast<std::int64_t>(ms) * 60 + 999) / 1000);
}

void TNullTonica::StopMusic() {
    Playing = false;
    Tick = 0;
    FadeFramesLeft = -1;
}

void TNullTonica::AdvanceFrame() {
    if (!Playing) return;
    if (Midi) Tick += KNullMidiTicksPerFrame * Tempo / 100;
    if (++FramesPlayed >= KNullMusicFrames) {
        FramesPlayed = 0;
        Looping = true;
        Tick = 0;
    }
    if (FadeFramesLeft > 0 && --FadeFramesLeft == 0) StopMusic();
}

} // namespace kestra

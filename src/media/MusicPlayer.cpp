#include "media/MusicPlayer.h"

#include <iostream>
#include <utility>

namespace kestra {

TMusicPlayer::TMusicPlayer(ITonica& tonica, TFinder findMusic)
    : Tonica(tonica), FindMusic(std::move(findMusic)) {}

bool TMusicPlayer::Request(const std::string& name, std::int32_t fadeInMs, std::int32_t volume,
                           std::int32_t tempo, std::int32_t balance, bool force) {
    bool restart = force || Stopped || name != CurrentName;
    if (restart) {
        if (name == KMusicOff) {
            Tonica.StopMusic();
        } else {
            std::string path = FindMusic ? FindMusic(name) : std::string();
            if (path.empty()) {
                std::cerr << "kestra: sound: music \"" << name << "\" not found\n";
                Tonica.StopMusic();
            } else if (Tonica.PlayMusic(path)) {
                Tonica.FadeInMusic(fadeInMs);
            }
        }
    }
    Tonica.SetMusicVolume(volume);
    Tonica.SetMusicSpeed(tempo);
    Tonica.SetMusicPanpot(balance);
    CurrentName = name;
    Stopped = false;
    return restart;
}

void TMusicPlayer::FadeOut(std::int32_t ms) {
    if (Stopped) return;
    Tonica.FadeOutMusic(ms);
    Stopped = true;
}

void TMusicPlayer::Stop() {
    Tonica.StopMusic();
    Stopped = true;
}

} // namespace kestra

#pragma once
// The sound interface on an SDL audio device. The device callback pulls the mix
// from a TAudioMixer on SDL's audio thread. When no device can be opened the
// game runs silent (one warning on stderr) and the music state follows the
// deterministic rules of TNullTonica, advanced by AdvanceFrame.
#include "media/Tonica.h"
#include "platform/AudioMixer.h"

#include <memory>

namespace kestra::platform {

class SdlTonica : public ITonica {
public:
    // options.SampleRate is the rate asked of the device; the device may choose
    // another, which the mixer then uses.
    explicit SdlTonica(TAudioMixerOptions options = {});
    ~SdlTonica() override;
    SdlTonica(const SdlTonica&) = delete;
    SdlTonica& operator=(const SdlTonica&) = delete;

    void Create() override;
    void InitMidi() override { Active().InitMidi(); }
    void InitWave() override { Active().InitWave(); }
    void Release() override;
    bool PlayMusic(const std::string& path) override { return Active().PlayMusic(path); }
    void FadeInMusic(std::int32_t ms) override { Active().FadeInMusic(ms); }
    void SetMusicVolume(std::int32_t v) override { Active().SetMusicVolume(v); }
    void SetMusicSpeed(std::int32_t t) override { Active().SetMusicSpeed(t); }
    void SetMusicPanpot(std::int32_t b) override { Active().SetMusicPanpot(b); }
    void FadeOutMusic(std::int32_t ms) override { Active().FadeOutMusic(ms); }
    void StopMusic() override { Active().StopMusic(); }
    bool GetMusicPlaying() override { return Active().GetMusicPlaying(); }
    bool GetMusicLooping() override { return Active().GetMusicLooping(); }
    std::int32_t GetMidiTick() override { return Active().GetMidiTick(); }
    bool PlaySoundEx(const std::string& path, std::int32_t volume, std::int32_t tempo,
                     std::int32_t balance) override {
        return Active().PlaySoundEx(path, volume, tempo, balance);
    }
    void StopSound() override { Active().StopSound(); }
    bool ReserveSound(const std::string& path) override { return Active().ReserveSound(path); }
    void CancelSound(const std::string& path) override { Active().CancelSound(path); }
    void TermWave() override { Active().TermWave(); }
    void QueueMovieSound(const std::int16_t* stereo, std::size_t frames) override {
        Active().QueueMovieSound(stereo, frames);
    }
    void EndMovieSound() override { Active().EndMovieSound(); }
    void SetPlayerVolumes(std::int32_t music, std::int32_t sound) override;
    void AdvanceFrame() override { Active().AdvanceFrame(); }

    // True while a real device plays the mix.
    bool HasDevice() const;

private:
    ITonica& Active();

    struct Impl;
    std::unique_ptr<Impl> P;
};

} // namespace kestra::platform

#include "platform/SdlTonica.h"

#include <SDL.h>

#include <iostream>

namespace kestra::platform {

struct SdlTonica::Impl {
    TAudioMixerOptions Options;
    std::unique_ptr<TAudioMixer> Mixer;
    TNullTonica Silent;
    SDL_AudioDeviceID Device = 0;
    bool SubsystemUp = false;
    bool Warned = false;

    static void Callback(void* user, Uint8* stream, int len) {
        // Runs on SDL's audio thread; Render never throws.
        auto* mixer = static_cast<TAudioMixer*>(user);
        if (len <= 0) return;
        mixer->Render(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(len) / 4);
    }

    void WarnOnce(const std::string& message) {
        if (Warned) return;
        Warned = true;
        if (Options.Warn)
            Options.Warn(message);
        else
            std::cerr << "kestra: sound: " << message << "\n";
    }
};

SdlTonica::SdlTonica(TAudioMixerOptions options) : P(std::make_unique<Impl>()) {
    P->Options = std::move(options);
}

SdlTonica::~SdlTonica() {
    Release();
}

bool SdlTonica::HasDevice() const {
    return P->Device != 0;
}

void SdlTonica::SetPlayerVolumes(std::int32_t music, std::int32_t sound) {
    // Both sides keep them: a device opened later starts at the player's volumes.
    P->Silent.SetPlayerVolumes(music, sound);
    if (P->Mixer) P->Mixer->SetPlayerVolumes(music, sound);
}

ITonica& SdlTonica::Active() {
    if (P->Device != 0) return *P->Mixer;
    return P->Silent;
}

void SdlTonica::Create() {
    if (P->Device != 0) return;
    P->Silent.Create();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        P->WarnOnce(std::string("no audio (") + SDL_GetError() + "); the game runs silent");
        return;
    }
    P->SubsystemUp = true;
    // No changes allowed: SDL converts to whatever the hardware wants, so the
    // mixer's rate is the one asked for.
    P->Mixer = std::make_unique<TAudioMixer>(P->Options);
    SDL_AudioSpec want{};
    want.freq = P->Mixer->SampleRate();
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &Impl::Callback;
    want.userdata = P->Mixer.get();
    P->Device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (P->Device == 0) {
        P->Mixer.reset();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        P->SubsystemUp = false;
        P->WarnOnce(std::string("cannot open an audio device (") + SDL_GetError() +
                    "); the game runs silent");
        return;
    }
    P->Mixer->Create();
    P->Mixer->SetPlayerVolumes(P->Silent.PlayerMusicVolume, P->Silent.PlayerSoundVolume);
    SDL_PauseAudioDevice(P->Device, 0);
}

void SdlTonica::Release() {
    if (P->Device != 0) {
        // Closing waits for a running callback to return.
        SDL_CloseAudioDevice(P->Device);
        P->Device = 0;
    }
    if (P->Mixer) {
        P->Mixer->Release();
        P->Mixer.reset();
    }
    if (P->SubsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        P->SubsystemUp = false;
    }
    P->Silent.Release();
}

} // namespace kestra::platform

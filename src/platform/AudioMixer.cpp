#include "platform/AudioMixer.h"

#include "media/MidiFile.h"
#include "media/WaveFile.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace kestra::platform {

namespace {

constexpr std::size_t KChunkFrames = 256;
constexpr std::size_t KMaxMidiBytes = std::size_t{16} << 20;
constexpr std::size_t KMaxWaveFileBytes = KMaxWaveSamples * 2 + (std::size_t{1} << 20);
// FluidSynth's default gain is 0.2; General MIDI songs rarely clip at this one.
constexpr double KSynthGain = 0.35;

using TWavePtr = std::shared_ptr<const TWaveData>;

enum class TMusicKind { None, Wave, Midi };

struct TVoice {
    TWavePtr Wave;
    double Pos = 0;  // in source frames
    double Step = 1; // source frames per output frame
    float GainL = 1, GainR = 1;
    bool Done = false;
};

// Linear interpolation between frame i and i + 1 of one channel; `next` is the
// frame that follows the last one (0 for the loop start, n for silence).
inline float SampleAt(const TWaveData& w, std::size_t i, double frac, std::size_t channel,
                      bool wrap) {
    std::size_t n = w.FrameCount();
    std::size_t ch = static_cast<std::size_t>(w.Channels);
    float a = w.Samples[i * ch + channel];
    std::size_t j = i + 1;
    float b;
    if (j < n)
        b = w.Samples[j * ch + channel];
    else
        b = wrap ? static_cast<float>(w.Samples[channel]) : a;
    return a + static_cast<float>(frac) * (b - a);
}

void QuietFluidLog(int, const char*, void*) {}

} // namespace

std::string SoundFontPath() {
    const char* env = std::getenv(KSoundFontVariable);
    if (env && *env) return env;
    return KDefaultSoundFont;
}

struct TAudioMixer::Impl {
    TAudioMixerOptions Options;
    std::mutex M; // guards everything below except the atomics and the game-thread-only fields

    bool Created = false;
    bool WaveOpen = false;

    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    fluid_player_t* Player = nullptr;
    std::vector<std::uint8_t> MidiBytes;

    TMusicKind Music = TMusicKind::None;
    bool MusicSounding = false; // false once a fade-out ended on the audio thread
    TWavePtr MusicWave;
    double MusicPos = 0;
    std::int32_t MusicTempo = 100;
    float MusicGain = 1;
    // The player's volumes over the game's.
    float PlayerMusicGain = 1, PlayerSoundGain = 1;
    TTonicaPan MusicPan;
    double Fade = 1;
    double FadeDelta = 0; // per output frame; < 0 fades out and then stops

    std::vector<TVoice> Voices;

    // Movie sound: a ring of stereo frames at KMovieSoundRate, allocated once so that
    // the audio thread never allocates or frees.
    std::vector<std::int16_t> MovieRing;
    std::size_t MovieHead = 0, MovieCount = 0;
    double MoviePos = 0; // fraction of the frame at MovieHead already played

    std::array<float, KChunkFrames> MixL{}, MixR{}, MidiL{}, MidiR{};

    std::atomic<bool> Playing{false};
    std::atomic<bool> Looping{false};
    std::atomic<std::int32_t> Tick{0};
    std::int32_t LastTick = 0; // audio thread only

    // Game thread only.
    std::map<std::string, TWavePtr> Reserved;
    std::set<std::string> Warned;

    void Warn(const std::string& message) {
        if (!Warned.insert(message).second) return;
        if (Options.Warn)
            Options.Warn(message);
        else
            std::cerr << "kestra: sound: " << message << "\n";
    }

    static int OnTick(void* data, int tick) {
        auto* self = static_cast<Impl*>(data);
        if (tick < self->LastTick) self->Looping.store(true);
        self->LastTick = tick;
        self->Tick.store(tick);
        return FLUID_OK;
    }

    // With M held.
    void EndMusic() {
        if (Player) {
            fluid_player_stop(Player);
            delete_fluid_player(Player);
            Player = nullptr;
            if (Synth) fluid_synth_system_reset(Synth);
        }
        MidiBytes.clear();
        MusicWave.reset();
        Music = TMusicKind::None;
        MusicSounding = false;
        FadeDelta = 0;
        Fade = 1;
        Playing.store(false);
        Tick.store(0);
    }

    // With M held.
    void Shutdown() {
        EndMusic();
        Voices.clear();
        MovieCount = 0;
        MoviePos = 0;
        if (Synth) delete_fluid_synth(Synth);
        if (Settings) delete_fluid_settings(Settings);
        Synth = nullptr;
        Settings = nullptr;
        Created = false;
        WaveOpen = false;
    }

    double StepFor(const TWaveData& w, std::int32_t tempo) const {
        return static_cast<double>(w.SampleRate) / Options.SampleRate * TonicaSpeed(tempo);
    }

    // Adds `frames` of music into MixL/MixR. With M held.
    void RenderMusic(std::size_t frames) {
        if (!MusicSounding) return;
        if (Music == TMusicKind::Midi) {
            fluid_synth_write_float(Synth, static_cast<int>(frames), MidiL.data(), 0, 1,
                                    MidiR.data(), 0, 1);
            // A looping player finishes only when it could not read the file.
            if (fluid_player_get_status(Player) == FLUID_PLAYER_DONE) {
                MusicSounding = false;
                Playing.store(false);
                return;
            }
        } else if (!WaveOpen) {
            return; // wave output closed: the music holds its position
        }
        for (std::size_t f = 0; f < frames; ++f) {
            auto g = static_cast<float>(MusicGain * PlayerMusicGain * Fade);
            if (Music == TMusicKind::Midi) {
                MixL[f] += MidiL[f] * 32767.0f * g * MusicPan.Left;
                MixR[f] += MidiR[f] * 32767.0f * g * MusicPan.Right;
            } else {
                const TWaveData& w = *MusicWave;
                auto i = static_cast<std::size_t>(MusicPos);
                double frac = MusicPos - static_cast<double>(i);
                float l = SampleAt(w, i, frac, 0, true);
                float r = w.Channels == 2 ? SampleAt(w, i, frac, 1, true) : l;
                MixL[f] += l * g * MusicPan.Left;
                MixR[f] += r * g * MusicPan.Right;
                MusicPos += StepFor(w, MusicTempo);
                auto n = static_cast<double>(w.FrameCount());
                if (MusicPos >= n) {
                    MusicPos = std::fmod(MusicPos, n);
                    Looping.store(true);
                }
            }
            if (FadeDelta != 0) {
                Fade += FadeDelta;
                if (Fade >= 1) {
                    Fade = 1;
                    FadeDelta = 0;
                } else if (Fade <= 0) {
                    // End of a fade-out: the game thread frees the music later.
                    Fade = 0;
                    FadeDelta = 0;
                    MusicSounding = false;
                    Playing.store(false);
                    return;
                }
            }
        }
    }

    void RenderVoices(std::size_t frames) {
        for (TVoice& v : Voices) {
            if (v.Done) continue;
            const TWaveData& w = *v.Wave;
            auto n = static_cast<double>(w.FrameCount());
            for (std::size_t f = 0; f < frames; ++f) {
                if (v.Pos >= n) {
                    v.Done = true;
                    break;
                }
                auto i = static_cast<std::size_t>(v.Pos);
                double frac = v.Pos - static_cast<double>(i);
                float l = SampleAt(w, i, frac, 0, false);
                float r = w.Channels == 2 ? SampleAt(w, i, frac, 1, false) : l;
                MixL[f] += l * v.GainL * PlayerSoundGain;
                MixR[f] += r * v.GainR * PlayerSoundGain;
                v.Pos += v.Step;
            }
        }
    }

    void RenderMovie(std::size_t frames) {
        const double step = static_cast<double>(KMovieSoundRate) / Options.SampleRate;
        for (std::size_t f = 0; f < frames && MovieCount > 0; ++f) {
            const std::size_t next = (MovieHead + 1) % KMovieQueueFrames;
            const bool hasNext = MovieCount > 1;
            for (std::size_t ch = 0; ch < 2; ++ch) {
                const float a = MovieRing[2 * MovieHead + ch];
                const float b = hasNext ? static_cast<float>(MovieRing[2 * next + ch]) : a;
                const float v = a + static_cast<float>(MoviePos) * (b - a);
                (ch == 0 ? MixL : MixR)[f] += v;
            }
            MoviePos += step;
            while (MoviePos >= 1.0 && MovieCount > 0) {
                MoviePos -= 1.0;
                MovieHead = (MovieHead + 1) % KMovieQueueFrames;
                --MovieCount;
            }
        }
    }

    // Finished voices are dropped on the game thread so that the audio thread
    // never frees memory. With M held.
    void ReapVoices() {
        Voices.erase(
            std::remove_if(Voices.begin(), Voices.end(), [](const TVoice& v) { return v.Done; }),
            Voices.end());
    }

    // Reads and decodes a sound, warning on failure. Outside M.
    TWavePtr LoadSound(const std::string& path) {
        auto it = Reserved.find(path);
        if (it != Reserved.end()) return it->second;
        try {
            return std::make_shared<const TWaveData>(LoadWaveFile(path));
        } catch (const EKestraError& e) {
            Warn(e.what());
        } catch (const std::bad_alloc&) {
            Warn(path + ": out of memory");
        }
        return nullptr;
    }
};

TAudioMixer::TAudioMixer(TAudioMixerOptions options) : P(std::make_unique<Impl>()) {
    if (options.SampleRate < 8000 || options.SampleRate > 192000) options.SampleRate = 44100;
    P->Options = std::move(options);
    P->Voices.reserve(KMaxVoices);
    P->MovieRing.assign(2 * KMovieQueueFrames, 0);
}

TAudioMixer::~TAudioMixer() {
    Release();
}

std::int32_t TAudioMixer::SampleRate() const {
    return P->Options.SampleRate;
}

void TAudioMixer::Create() {
    std::lock_guard lock(P->M);
    P->Created = true;
}

void TAudioMixer::InitMidi() {
    std::string font = P->Options.SoundFont.empty() ? SoundFontPath() : P->Options.SoundFont;
    bool fontMissing = !std::ifstream(font, std::ios::binary).good();
    std::string warning;
    {
        std::lock_guard lock(P->M);
        if (!P->Created || P->Synth) return;
        // FluidSynth reports chatter and harmless warnings at these levels.
        fluid_set_log_function(FLUID_INFO, QuietFluidLog, nullptr);
        fluid_set_log_function(FLUID_DBG, QuietFluidLog, nullptr);
        fluid_set_log_function(FLUID_WARN, QuietFluidLog, nullptr);
        P->Settings = new_fluid_settings();
        if (P->Settings) {
            fluid_settings_setnum(P->Settings, "synth.sample-rate", P->Options.SampleRate);
            fluid_settings_setnum(P->Settings, "synth.gain", KSynthGain);
            // The player advances only as samples are rendered.
            fluid_settings_setstr(P->Settings, "player.timing-source", "sample");
            P->Synth = new_fluid_synth(P->Settings);
        }
        if (!P->Synth) {
            if (P->Settings) delete_fluid_settings(P->Settings);
            P->Settings = nullptr;
            warning = "cannot start the MIDI synthesizer; MIDI music is off";
        } else if (fontMissing) {
            warning = "no soundfont at " + font + " (set " + KSoundFontVariable +
                      "); MIDI music is silent";
        } else if (fluid_synth_sfload(P->Synth, font.c_str(), 1) == FLUID_FAILED) {
            warning = "cannot load the soundfont " + font + "; MIDI music is silent";
        }
    }
    if (!warning.empty()) P->Warn(warning);
}

void TAudioMixer::InitWave() {
    std::lock_guard lock(P->M);
    if (P->Created) P->WaveOpen = true;
}

void TAudioMixer::Release() {
    std::lock_guard lock(P->M);
    P->Shutdown();
    P->Reserved.clear();
}

bool TAudioMixer::PlayMusic(const std::string& path) {
    {
        std::lock_guard lock(P->M);
        if (!P->Created) return false;
    }
    std::vector<std::uint8_t> bytes;
    TWavePtr wave;
    try {
        bytes = ReadSoundFile(path, std::max(KMaxMidiBytes, KMaxWaveFileBytes));
        if (LooksLikeWave(bytes.data(), bytes.size())) {
            wave = std::make_shared<const TWaveData>(DecodeWave(bytes.data(), bytes.size(), path));
            bytes.clear();
        } else if (!LooksLikeMidi(bytes.data(), bytes.size())) {
            throw ESoundFormatError(path + ": neither a MIDI nor a WAV file");
        } else if (bytes.size() > KMaxMidiBytes) {
            throw EFileError(path + ": MIDI file too large");
        } else {
            CheckMidiFile(bytes.data(), bytes.size(), path);
        }
    } catch (const EKestraError& e) {
        StopMusic();
        P->Warn(e.what());
        return false;
    } catch (const std::bad_alloc&) {
        StopMusic();
        P->Warn(path + ": out of memory");
        return false;
    }

    std::string warning;
    {
        std::lock_guard lock(P->M);
        P->EndMusic();
        P->ReapVoices();
        P->Looping.store(false);
        P->LastTick = 0;
        if (wave) {
            P->MusicWave = std::move(wave);
            P->MusicPos = 0;
            P->Music = TMusicKind::Wave;
        } else if (!P->Synth) {
            warning = path + ": MIDI music is off";
        } else {
            P->MidiBytes = std::move(bytes);
            P->Player = new_fluid_player(P->Synth);
            if (!P->Player ||
                fluid_player_set_tick_callback(P->Player, &Impl::OnTick, P.get()) != FLUID_OK ||
                fluid_player_add_mem(P->Player, P->MidiBytes.data(), P->MidiBytes.size()) !=
                    FLUID_OK ||
                fluid_player_set_loop(P->Player, -1) != FLUID_OK ||
                fluid_player_play(P->Player) != FLUID_OK) {
                warning = path + ": the MIDI player refused the file";
                P->EndMusic();
            } else {
                fluid_player_set_tempo(P->Player, FLUID_PLAYER_TEMPO_INTERNAL,
                                       TonicaSpeed(P->MusicTempo));
                P->Music = TMusicKind::Midi;
            }
        }
        if (P->Music != TMusicKind::None) {
            P->MusicSounding = true;
            P->Playing.store(true);
        }
    }
    if (!warning.empty()) {
        P->Warn(warning);
        return false;
    }
    return true;
}

void TAudioMixer::FadeInMusic(std::int32_t ms) {
    std::lock_guard lock(P->M);
    if (!P->MusicSounding || ms <= 0) return;
    P->Fade = 0;
    P->FadeDelta = 1000.0 / (static_cast<double>(ms) * P->Options.SampleRate);
}

void TAudioMixer::SetPlayerVolumes(std::int32_t music, std::int32_t sound) {
    std::lock_guard lock(P->M);
    P->PlayerMusicGain = TonicaGain(music);
    P->PlayerSoundGain = TonicaGain(sound);
}

void TAudioMixer::SetMusicVolume(std::int32_t volume) {
    std::lock_guard lock(P->M);
    P->MusicGain = TonicaGain(volume);
}

void TAudioMixer::SetMusicSpeed(std::int32_t tempo) {
    std::lock_guard lock(P->M);
    P->MusicTempo = std::clamp(tempo, KTonicaMinTempo, KTonicaMaxTempo);
    if (P->Player)
        fluid_player_set_tempo(P->Player, FLUID_PLAYER_TEMPO_INTERNAL, TonicaSpeed(P->MusicTempo));
}

void TAudioMixer::SetMusicPanpot(std::int32_t balance) {
    std::lock_guard lock(P->M);
    P->MusicPan = TonicaPan(balance);
}

void TAudioMixer::FadeOutMusic(std::int32_t ms) {
    if (ms <= 0) {
        StopMusic();
        return;
    }
    std::lock_guard lock(P->M);
    if (!P->MusicSounding) return;
    double frames = static_cast<double>(ms) * P->Options.SampleRate / 1000.0;
    // From the present level, so that a fade-out during a fade-in takes ms too.
    P->FadeDelta = -std::max(P->Fade, 1e-6) / frames;
}

void TAudioMixer::StopMusic() {
    std::lock_guard lock(P->M);
    P->EndMusic();
}

bool TAudioMixer::GetMusicPlaying() {
    return P->Playing.load();
}
bool TAudioMixer::GetMusicLooping() {
    return P->Looping.load();
}
std::int32_t TAudioMixer::GetMidiTick() {
    return P->Playing.load() ? P->Tick.load() : 0;
}

bool TAudioMixer::PlaySoundEx(const std::string& path, std::int32_t volume, std::int32_t tempo,
                              std::int32_t balance) {
    {
        std::lock_guard lock(P->M);
        if (!P->WaveOpen) return false;
    }
    TWavePtr wave = P->LoadSound(path);
    if (!wave) return false;
    TVoice v;
    v.Step = P->StepFor(*wave, tempo);
    float gain = TonicaGain(volume);
    TTonicaPan pan = TonicaPan(balance);
    v.GainL = gain * pan.Left;
    v.GainR = gain * pan.Right;
    v.Wave = std::move(wave);
    std::lock_guard lock(P->M);
    if (!P->WaveOpen) return false;
    P->ReapVoices();
    // When every voice is taken the oldest effect gives way.
    if (P->Voices.size() >= KMaxVoices) P->Voices.erase(P->Voices.begin());
    P->Voices.push_back(std::move(v));
    return true;
}

void TAudioMixer::StopSound() {
    std::lock_guard lock(P->M);
    P->Voices.clear();
}

bool TAudioMixer::ReserveSound(const std::string& path) {
    {
        std::lock_guard lock(P->M);
        if (!P->Created) return false;
    }
    if (P->Reserved.count(path)) return true;
    TWavePtr wave = P->LoadSound(path);
    if (!wave) return false;
    P->Reserved.emplace(path, std::move(wave));
    return true;
}

void TAudioMixer::CancelSound(const std::string& path) {
    P->Reserved.erase(path);
}

void TAudioMixer::TermWave() {
    std::lock_guard lock(P->M);
    P->Voices.clear();
    P->WaveOpen = false;
    P->Reserved.clear();
}

void TAudioMixer::QueueMovieSound(const std::int16_t* stereo, std::size_t frames) {
    std::lock_guard lock(P->M);
    if (!P->Created) return;
    for (std::size_t f = 0; f < frames; ++f) {
        if (P->MovieCount == KMovieQueueFrames) {
            // Full: the oldest frame gives way.
            P->MovieHead = (P->MovieHead + 1) % KMovieQueueFrames;
            --P->MovieCount;
        }
        const std::size_t at = (P->MovieHead + P->MovieCount) % KMovieQueueFrames;
        P->MovieRing[2 * at] = stereo[2 * f];
        P->MovieRing[2 * at + 1] = stereo[2 * f + 1];
        ++P->MovieCount;
    }
}

void TAudioMixer::EndMovieSound() {
    std::lock_guard lock(P->M);
    P->MovieCount = 0;
    P->MoviePos = 0;
}

std::size_t TAudioMixer::QueuedMovieFrames() {
    std::lock_guard lock(P->M);
    return P->MovieCount;
}

std::size_t TAudioMixer::ActiveVoices() {
    std::lock_guard lock(P->M);
    return static_cast<std::size_t>(
        std::count_if(P->Voices.begin(), P->Voices.end(), [](const TVoice& v) { return !v.Done; }));
}

void TAudioMixer::Render(std::int16_t* out, std::size_t frames) noexcept {
    std::unique_lock lock(P->M, std::defer_lock);
    try {
        lock.lock();
    } catch (...) {
        std::fill(out, out + 2 * frames, std::int16_t{0});
        return;
    }
    if (!P->Created) {
        std::fill(out, out + 2 * frames, std::int16_t{0});
        return;
    }
    while (frames > 0) {
        std::size_t n = std::min(frames, KChunkFrames);
        std::fill_n(P->MixL.begin(), n, 0.0f);
        std::fill_n(P->MixR.begin(), n, 0.0f);
        P->RenderMusic(n);
        P->RenderVoices(n);
        P->RenderMovie(n);
        for (std::size_t f = 0; f < n; ++f) {
            // Clip, never wrap.
            out[2 * f] =
                static_cast<std::int16_t>(std::clamp(std::lrint(P->MixL[f]), -32768L, 32767L));
            out[2 * f + 1] =
                static_cast<std::int16_t>(std::clamp(std::lrint(P->MixR[f]), -32768L, 32767L));
        }
        out += 2 * n;
        frames -= n;
    }
}

} // namespace kestra::platform

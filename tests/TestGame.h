#pragma once
// A packed test game (tests/games/NAME) copied into a temporary folder and played by
// the real game object on the headless platform with a scripted input: what a test
// checks is what the player would see (the board, the scene, the saved files).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"
#include "shell/TempDir.h"

namespace kestra::test {

// The silent sound device of headless runs that also remembers the sound effects
// played (their files) and the music fades asked for.
class TRecordingTonica : public TNullTonica {
public:
    // One effect as it was asked for.
    struct TSoundPlay {
        std::string Path;
        std::int32_t Volume, Tempo, Balance;
    };
    bool PlaySoundEx(const std::string& path, std::int32_t volume, std::int32_t tempo,
                     std::int32_t balance) override {
        Sounds.push_back(path);
        SoundPlays.push_back({path, volume, tempo, balance});
        return TNullTonica::PlaySoundEx(path, volume, tempo, balance);
    }
    void FadeInMusic(std::int32_t ms) override {
        Calls.push_back("fade in " + std::to_string(ms));
        MusicFadeIn = ms;
        TNullTonica::FadeInMusic(ms);
    }
    void SetMusicVolume(std::int32_t volume) override {
        MusicVolume = volume;
        TNullTonica::SetMusicVolume(volume);
    }
    void SetMusicSpeed(std::int32_t tempo) override {
        MusicTempo = tempo;
        TNullTonica::SetMusicSpeed(tempo);
    }
    void SetMusicPanpot(std::int32_t balance) override {
        MusicBalance = balance;
        TNullTonica::SetMusicPanpot(balance);
    }
    void FadeOutMusic(std::int32_t ms) override {
        MusicFades.push_back(ms);
        TNullTonica::FadeOutMusic(ms);
    }
    // The number of effects played whose file name (without folder) starts with `name`.
    int Count(const std::string& name) const {
        int n = 0;
        for (const std::string& path : Sounds)
            if (std::filesystem::path(path).filename().string().rfind(name, 0) == 0) ++n;
        return n;
    }
    bool PlayMusic(const std::string& path) override {
        Calls.push_back("play " + std::filesystem::path(path).filename().string());
        ++MusicStarts;
        MusicPath = path;
        return TNullTonica::PlayMusic(path);
    }
    void StopMusic() override {
        Calls.push_back("stop music");
        ++MusicStops;
        TNullTonica::StopMusic();
    }
    void TermWave() override { Calls.push_back("term wave"); }
    void InitWave() override { Calls.push_back("init wave"); }
    bool ReserveSound(const std::string& path) override {
        Calls.push_back("reserve " + std::filesystem::path(path).filename().string());
        return TNullTonica::ReserveSound(path);
    }
    void QueueMovieSound(const std::int16_t* stereo, std::size_t frames) override {
        MovieSoundFrames += frames;
        for (std::size_t i = 0; i < 2 * frames; ++i)
            MovieSoundPeak = std::max(MovieSoundPeak, std::abs(static_cast<int>(stereo[i])));
    }
    void EndMovieSound() override { Calls.push_back("end movie sound"); }
    std::vector<std::string> Sounds;
    std::vector<TSoundPlay> SoundPlays;
    // Music starts and stops, fade-ins, the effect output closed and opened, sounds
    // reserved and movie sound ended, in order.
    std::vector<std::string> Calls;
    // Movie sound queued: stereo frames in all and the loudest sample.
    std::size_t MovieSoundFrames = 0;
    int MovieSoundPeak = 0;
    std::vector<std::int32_t> MusicFades;
    int MusicStarts = 0, MusicStops = 0;
    // The last fade-in, volume, tempo and balance sent for the music (-1: none yet).
    std::int32_t MusicFadeIn = -1, MusicVolume = -1, MusicTempo = -1, MusicBalance = -1;
    // The file of the last music started.
    std::string MusicPath;
};

// The headless platform with the recording sound device; it also keeps the messages
// shown to the player and can refuse to write files (a full disk).
class TTestPlatform : public THeadlessPlatform {
public:
    TTestPlatform() : THeadlessPlatform(platform::AtomicWriteFile, platform::OpenFfmpegMovie) {}
    // A game directory that takes no new files (a full disk, no free inodes).
    bool IsWritableDirectory(const std::filesystem::path& dir) override {
        return !GameDirFull && THeadlessPlatform::IsWritableDirectory(dir);
    }
    std::unique_ptr<ITonica> CreateTonica() override {
        auto sound = std::make_unique<TRecordingTonica>();
        Sound = sound.get();
        return sound;
    }
    void ShowErrorMessage(std::string_view title, std::string_view text) override {
        Messages.emplace_back(text);
        THeadlessPlatform::ShowErrorMessage(title, text);
    }
    void ReplaceFile(const std::filesystem::path& path,
                     std::span<const std::uint8_t> bytes) override {
        if (DiskFull) throw EFileError(path.filename().string() + ": disk full");
        THeadlessPlatform::ReplaceFile(path, bytes);
    }
    // The process environment, but for the settings file's folder: each test game has
    // its own, so the developer's settings never reach a test.
    TEnvLookup Environment() override {
        return [home = ConfigHome](const std::string& name) -> std::optional<std::string> {
            if (name == "XDG_CONFIG_HOME") return home.string();
            return ProcessEnvironment()(name);
        };
    }
    std::filesystem::path ConfigHome = "/nonexistent/kestra-test-config";
    TRecordingTonica* Sound = nullptr; // the game's device once the game is built
    std::vector<std::string> Messages;
    bool DiskFull = false;
    bool GameDirFull = false;
};

class TTestGame {
public:
    // Copies the packed game; its saves go into the copy.
    explicit TTestGame(const std::string& name) {
        std::filesystem::copy(std::filesystem::path(KESTRA_GAMES_DIR) / name, Dir.Path(),
                              std::filesystem::copy_options::recursive);
    }

    // Builds the game object over the copy: test play (no logos) unless other words are
    // given, headless, seed 1, the input script `script` (see the README's format), a
    // limit of `frames` frames.
    TGameMain& Start(const std::string& script, std::uint64_t frames,
                     std::vector<std::string> words = {"TestPlay"}) {
        Game.reset();
        Platform = MakePlatform ? MakePlatform() : std::make_unique<TTestPlatform>();
        Platform->ConfigHome = ConfigHome.Path();
        TCommandLine line;
        line.Words = std::move(words);
        line.GameDir = Dir.Path();
        line.Headless = true;
        line.Seed = 1;
        line.Frames = frames;
        line.InputScript = Dir.Write("input.txt", script).string();
        Game = std::make_unique<TGameMain>(line, *Platform);
        PrepareGame(*Game);
        return *Game;
    }

    // Start, then the frame loop until the frame limit; answers the game object as the
    // player left it.
    TGameMain& Play(const std::string& script, std::uint64_t frames,
                    std::vector<std::string> words = {"TestPlay"}) {
        TGameMain& game = Start(script, frames, std::move(words));
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        return game;
    }

    // The bytes of a file of the game folder (empty when it does not exist).
    std::vector<std::uint8_t> Read(const std::string& name) const {
        std::ifstream in(Dir.Path() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(Dir.Path() / name);
    }

    TempDir Dir;
    // $XDG_CONFIG_HOME of the game's runs: the settings file is kestra/config.ini in it.
    TempDir ConfigHome;
    std::filesystem::path SettingsFile() const {
        return ConfigHome.Path() / "kestra" / "config.ini";
    }
    void WriteSettings(const std::string& text) const {
        std::filesystem::create_directories(SettingsFile().parent_path());
        std::ofstream(SettingsFile(), std::ios::binary) << text;
    }
    std::string ReadSettings() const {
        std::ifstream in(SettingsFile(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Makes the platform of the next Start (a plain TTestPlatform when empty).
    std::function<std::unique_ptr<TTestPlatform>()> MakePlatform;
    // The sound effects and fades of the game built last.
    TRecordingTonica& Sound() { return *Platform->Sound; }

    std::unique_ptr<TTestPlatform> Platform;
    std::unique_ptr<TGameMain> Game;
};

} // namespace kestra::test

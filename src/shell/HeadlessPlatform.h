#pragma once
// The platform of headless runs: no window, no audio device, no waiting. Time is
// simulated (one frame time per frame wait), so a run depends only on its game
// directory, seed and input script.
#include "media/ScriptedInput.h"
#include "shell/GamePlatform.h"

#include <cstdint>
#include <memory>

namespace kestra {

// The simulated clock starts here: 2000-01-01 00:00:00 UTC.
inline constexpr std::int64_t KHeadlessEpochMs = 946684800000;

class THeadlessDrawHost : public IKandelDrawHost {
public:
    // The clock is not owned: milliseconds, advanced by frame waits and sleeps.
    explicit THeadlessDrawHost(double& clock) : clock_(clock) {}
    std::uint64_t Milliseconds() override { return static_cast<std::uint64_t>(clock_); }
    void Sleep(std::uint32_t ms) override { clock_ += ms; }
    void PumpMessages() override {}
    bool IsApplicationActive() override { return true; }
    void WaitForMessage() override {}
    void Present(const TKandelBoard&) override { ++Presents; }
    void AdvanceClock(double ms) override { clock_ += ms; }

    int Presents = 0;

private:
    double& clock_;
};

// Hot keys from an input script: F4, F5 and F12 (or the keys bound to them) act when the script
// presses them, at the first message pump after the input update that saw the press (also when more
// updates came in between). Other hosts' hot keys pass through unchanged.
class TScriptedHotKeyHost : public IKandelDrawHost {
public:
    explicit TScriptedHotKeyHost(std::unique_ptr<IKandelDrawHost> inner);
    // The script is not owned; nullptr detaches it.
    void Attach(TScriptedInput* script) { script_ = script; }
    // While recording, F12 resets only through the script, so that it acts on the
    // update a replay will act on; the screen keys act at once (they change nothing
    // a replay sees) and the script's F4 and F5 are left to them.
    void SetResetFromScriptOnly(bool on) { resetFromScriptOnly_ = on; }

    std::uint64_t Milliseconds() override { return inner_->Milliseconds(); }
    void Sleep(std::uint32_t ms) override { inner_->Sleep(ms); }
    void PumpMessages() override { inner_->PumpMessages(); }
    bool IsApplicationActive() override { return inner_->IsApplicationActive(); }
    void WaitForMessage() override { inner_->WaitForMessage(); }
    void Present(const TKandelBoard& board) override { inner_->Present(board); }
    void ApplyScreenMode(bool fullScreen, int scale, bool fit) override {
        inner_->ApplyScreenMode(fullScreen, scale, fit);
    }
    THotKeys TakeHotKeys() override;
    void BindHotKeys(const THotKeyBindings& keys) override {
        keys_ = keys;
        inner_->BindHotKeys(keys);
    }
    void AdvanceClock(double ms) override { inner_->AdvanceClock(ms); }

    IKandelDrawHost& Inner() { return *inner_; }

private:
    std::unique_ptr<IKandelDrawHost> inner_;
    TScriptedInput* script_ = nullptr;
    bool resetFromScriptOnly_ = false;
    THotKeyBindings keys_ = DefaultHotKeys();
};

class THeadlessPlatform : public IGamePlatform {
public:
    // Saves go through `replaceFile` (the platform's AtomicWriteFile); movies are decoded
    // by openMovie (the player and the tests give FFmpeg's; a build without a decoder
    // gives one that raises EMovieError).
    THeadlessPlatform(TFileReplacer replaceFile, TMovieOpener openMovie)
        : replaceFile_(std::move(replaceFile)), openMovie_(std::move(openMovie)) {}

    bool Headless() const override { return true; }
    std::unique_ptr<IKandelDrawHost> CreateDisplayHost(const std::string& titleUtf8,
                                                       bool zoom) override;
    // Nothing held, ever; an input script replaces it.
    std::unique_ptr<IInputDevice> CreateInputDevice() override;
    std::unique_ptr<ITonica> CreateTonica() override;
    // Decoded in game time: the movie loop asks for the picture due at each frame.
    std::unique_ptr<IKandelMovie> OpenMovie(const std::string& path) override {
        return openMovie_(path);
    }
    // Writes "title: text" to stderr; text that is not UTF-8 goes through the
    // text decoder as code page 932 when there is one.
    void ShowErrorMessage(std::string_view titleCp932, std::string_view textCp932) override;
    // The simulated clock of the display host, from KHeadlessEpochMs.
    std::int64_t WallClockMilliseconds() override;
    // UTC: the zone of the machine never reaches a save.
    double SaveDayCount(std::int64_t unixMilliseconds) override;
    void ReplaceFile(const std::filesystem::path& path,
                     std::span<const std::uint8_t> bytes) override {
        replaceFile_(path, bytes);
    }
    TCodePageDecoder TextDecoder() override { return decoder_; }
    bool IsWritableDirectory(const std::filesystem::path& dir) override;
    TEnvLookup Environment() override { return ProcessEnvironment(); }

    // Text of the double-byte code pages has no UTF-8 form (file names are tried as raw
    // bytes only) unless one is given.
    void SetTextDecoder(TCodePageDecoder decoder) { decoder_ = std::move(decoder); }

private:
    double clock_ = 0.0; // simulated milliseconds since KHeadlessEpochMs
    TCodePageDecoder decoder_;
    TFileReplacer replaceFile_;
    TMovieOpener openMovie_;
};

} // namespace kestra

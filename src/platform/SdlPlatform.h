#pragma once
// The game's platform on a desktop: an SDL window presenting the board, SDL
// keyboard, mouse and joystick, the SDL/FluidSynth sound, SDL message boxes.
#include "shell/GamePlatform.h"

namespace kestra::platform {

class SdlWindow;

class SdlPlatform : public IGamePlatform {
public:
    bool Headless() const override { return false; }
    // Opens the window; the display then applies its screen mode.
    std::unique_ptr<IKandelDrawHost> CreateDisplayHost(const std::string& titleUtf8,
                                                       bool zoom) override;
    // Needs the display host: the devices read the window's events.
    std::unique_ptr<IInputDevice> CreateInputDevice() override;
    std::unique_ptr<ITonica> CreateTonica() override;
    // FFmpeg.
    std::unique_ptr<IKandelMovie> OpenMovie(const std::string& path) override;
    // stderr always, and an SDL message box when the video system can show one.
    // Text that is not UTF-8 already is converted from code page 932.
    void ShowErrorMessage(std::string_view titleCp932, std::string_view textCp932) override;
    std::int64_t WallClockMilliseconds() override;
    // Local time, as the player's clock shows it.
    double SaveDayCount(std::int64_t unixMilliseconds) override;
    TCodePageDecoder TextDecoder() override;
    bool IsWritableDirectory(const std::filesystem::path& dir) override;
    TEnvLookup Environment() override { return ProcessEnvironment(); }
    // Flushed to disk before the rename.
    void ReplaceFile(const std::filesystem::path& path,
                     std::span<const std::uint8_t> bytes) override;

private:
    SdlWindow* window_ = nullptr; // owned by the display host
};

} // namespace kestra::platform

#pragma once
// What the game needs from the machine it runs on: the display's window side,
// the input devices, sound, message boxes, the clock and the file names. The SDL
// platform implements it for a desktop; the headless platform for tests.
#include "base/AssetLookup.h"
#include "base/CodePage.h"
#include "base/FileBytes.h"
#include "graphics/KandelDraw.h"
#include "graphics/KandelMovie.h"
#include "media/InputDevice.h"
#include "media/Tonica.h"
#include "shell/GameConfig.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kestra {

// Replaces a file so that a reader sees the old or the new contents, durably (the file
// and its directory are flushed to disk before it returns) and a failure keeps the old
// file; raises EFileError naming the path. The platform's AtomicWriteFile is the one
// implementation every save goes through, headless runs included.
using TFileReplacer =
    std::function<void(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)>;

class IGamePlatform {
public:
    virtual ~IGamePlatform() = default;

    // No window, no audio device, no pacing.
    virtual bool Headless() const = 0;
    // The display's window side; titleUtf8 is the caption, converted from the game's
    // code page. The window shows once the display applies its first screen mode.
    virtual std::unique_ptr<IKandelDrawHost> CreateDisplayHost(const std::string& titleUtf8,
                                                               bool zoom) = 0;
    // Keyboard, joystick and mouse. Created after the display host.
    virtual std::unique_ptr<IInputDevice> CreateInputDevice() = 0;
    // Never fails: without a device the sound runs silent.
    virtual std::unique_ptr<ITonica> CreateTonica() = 0;
    // Opens a movie file for playing; raises EMovieError naming the file when it cannot.
    virtual std::unique_ptr<IKandelMovie> OpenMovie(const std::string& path) = 0;
    // An error message with the game's title; both UTF-8 (the game converts its own text
    // through its code page), or else taken as code page 932.
    virtual void ShowErrorMessage(std::string_view titleCp932, std::string_view textCp932) = 0;

    // The clock for the random seed and the time stamps of saved games:
    // milliseconds since 1970-01-01 UTC.
    virtual std::int64_t WallClockMilliseconds() = 0;
    // The time stamp of a save made at a moment (milliseconds since 1970-01-01 UTC):
    // days since 30 December 1899 with the time of day as the fraction, in the local
    // time of the machine (the window build) or in UTC (headless runs, so that their
    // saves are the same bytes everywhere).
    virtual double SaveDayCount(std::int64_t unixMilliseconds) = 0;

    // Converts the double-byte code pages (the single-byte ones are converted by the
    // game's own tables); may be empty: such text then has no UTF-8 form.
    virtual TCodePageDecoder TextDecoder() = 0;
    virtual bool IsWritableDirectory(const std::filesystem::path& dir) = 0;
    virtual TEnvLookup Environment() = 0;
    // Replaces a file (a save) as a TFileReplacer does.
    virtual void ReplaceFile(const std::filesystem::path& path,
                             std::span<const std::uint8_t> bytes) = 0;
};

} // namespace kestra

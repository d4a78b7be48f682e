#pragma once
// The player's settings: $XDG_CONFIG_HOME/kestra/config.ini (default
// ~/.config/kestra/config.ini), overridden for one run by command-line options, and
// written back when the player changes them on the settings screen.
//
//   [Kestra]    RuntimePackagePath, Screen (window | fullscreen), Scale (1-4),
//               Scaling (whole | fit), MusicVolume, SoundVolume (0-100)
//   [Keys]      Down Left Right Up Decide Cancel = key names (up to 8, spaces or commas)
//   [HotKeys]   FullScreen Zoom Reset Debug AbortEvent Screenshot FastForward Settings
//               = one key name (F1-F12, a key, or None)
//   [Gamepad]   Decide Cancel Menu = joystick button numbers from 0
//
// Other sections and keys (a game's own settings, comments) are kept as written.
#include "media/KeyBindings.h"
#include "media/MultiInput.h"
#include "shell/GameConfig.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

class TIniDocument;

inline constexpr int KMinWindowScale = 1, KMaxWindowScale = 4;

struct TSettings {
    // Unset: full screen unless the third word is "Window".
    std::optional<bool> FullScreen;
    int Scale = 2; // the window's size in boards
    bool Fit = false;
    int MusicVolume = 100, SoundVolume = 100;
    TKeyTable Keys = KDefaultKeyTable;
    THotKeyBindings HotKeys = DefaultHotKeys();
    TJoystickBindings Gamepad;
    bool operator==(const TSettings&) const = default;
};

// One setting as it stands in the file: section and key.
struct TSettingKey {
    std::string Section, Key;
    auto operator<=>(const TSettingKey&) const = default;
};

// Every setting of the file: its section, key and the text of its value.
std::vector<std::pair<TSettingKey, std::string>> FormatSettings(const TSettings& settings);
// Sets one setting from the text of its value; the error (what the value should be)
// when the value is bad or the key unknown, nullopt when it was taken.
std::optional<std::string> ApplySetting(TSettings& settings, const TSettingKey& key,
                                        std::string_view value);

// The settings of a run: the file's, then the command line's on top. Only the file's
// are written back, with the player's changes.
class TSettingsStore {
public:
    // Reads the file at `path` (missing: the defaults). A bad value is a warning naming
    // the file, its line and key, and the default used instead; an unreadable file is
    // a warning too, and is then never written. The command line's overrides raise
    // ECommandLineError for bad values. `write` replaces the file durably.
    TSettingsStore(
        std::filesystem::path path, const TCommandLine& commandLine,
        std::function<void(const std::filesystem::path&, std::span<const std::uint8_t>)> write);
    ~TSettingsStore();
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    // What the run uses.
    const TSettings& Current() const { return current_; }
    const std::filesystem::path& Path() const { return path_; }
    const std::vector<std::string>& Warnings() const { return warnings_; }

    // The player changed settings: they take effect in Current(), and the settings that
    // differ from what the run used before go into the file. False (with a warning)
    // when the file cannot be written; the old file then stays as it was.
    bool Change(const TSettings& changed);

    // Back to the default keys, hot keys and joystick buttons for this run (a recording
    // and its replay read the keys alike); true when the file's differed.
    bool KeepDefaultBindings();
    // Changes act but are not written (a replay).
    void SetReadOnly() { writable_ = false; }

    // The key table, hot keys and joystick buttons given to the input.
    void ApplyTo(TMultiInput& input) const;

private:
    std::filesystem::path path_;
    std::unique_ptr<TIniDocument> document_;
    TSettings current_;
    std::vector<std::string> warnings_;
    bool writable_ = true;
    std::function<void(const std::filesystem::path&, std::span<const std::uint8_t>)> write_;
};

// The text --help shows for the settings options.
std::string_view SettingsOptionsHelp();

} // namespace kestra

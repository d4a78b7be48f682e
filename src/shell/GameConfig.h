#pragma once
// Start-up configuration: the command line, the game's ini files and the
// per-user settings, and the directories every other unit uses.
#include "base/Errors.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

// A command-line option with a bad or missing value, or an unknown option.
class ECommandLineError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// The runtime package is required and no path to it is configured.
class ERuntimePackageMissing : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// The folder holds no game: the message says which file was looked for, how to name a
// game's folder, and the game folders found inside it.
class ENotAGame : public EFileError {
public:
    using EFileError::EFileError;
};

struct TReplayFile;

// A setting given on the command line for this run only: its place in the settings
// file and the option that gave it (for messages).
struct TSettingOverride {
    std::string Section, Key, Value, Option;
};

struct TScreenshotRequest {
    std::uint64_t Frame = 0;
    std::filesystem::path Path;
};

// Positional words keep their meaning and order (1 "BattleTest"/"TestPlay",
// 2 "HideTitle", 3 "Window", 4 the troop number); options start with "--" and may
// stand anywhere. After a lone "--" every argument is a word.
struct TCommandLine {
    std::vector<std::string> Words;
    std::optional<std::filesystem::path> GameDir;
    bool Headless = false;
    std::optional<std::uint32_t> Seed;
    std::optional<std::uint64_t> Frames;
    std::optional<std::filesystem::path> InputScript;
    std::vector<TScreenshotRequest> Screenshots;
    std::optional<std::filesystem::path> HashLog;
    // --encoding: the code page of the game's text.
    std::optional<int> CodePage;
    // Record the play into a replay file; replay one (headless unless ReplayWindow),
    // rewriting its checkpoints when approving; a game whose data differs from the
    // recording's is refused when strict.
    std::optional<std::filesystem::path> RecordFile;
    std::optional<std::filesystem::path> ReplayFile;
    bool ReplayWindow = false;
    bool Approve = false;
    bool Strict = false;
    // The replay file's contents, read by LoadReplay.
    std::shared_ptr<const TReplayFile> Replay;
    bool Help = false;
    bool Version = false;
    std::vector<TSettingOverride> SettingOverrides;

    // The i-th word (1-based); a missing word is the empty string.
    std::string Word(std::size_t i) const;
};

// The player's version ("0.1").
std::string_view PlayerVersion();

// args excludes the program name. Raises ECommandLineError.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
// For --replay: reads the replay file into `Replay` and takes its words, its seed and
// its length; headless unless --window. Raises what reading the replay raises, and
// ECommandLineError for options that make no sense with it.
void LoadReplay(TCommandLine& commandLine);
// The help text; configPath is the settings file of this user.
std::string CommandLineHelp(std::string_view programName, const std::string& configPath);

// A single word that names a directory ("kestra path/to/game") becomes the game
// directory when no --game is given; the words then start empty.
void TakeGameDirectoryWord(TCommandLine& commandLine);
// One line per word the player does not know in its place ("testplay": the words are
// case-sensitive), for stderr. "-" leaves a place unset without a word.
std::vector<std::string> CommandLineWarnings(const TCommandLine& commandLine);

// Breaks text into lines of at most `width` characters at spaces (a longer word keeps
// its own line); existing line breaks stay.
std::string WrapText(std::string_view text, std::size_t width);

// The troop number of a battle test (the fourth word). Raises EKestraError.
std::int32_t ParseTroopNumber(std::string_view word);

// Reads an environment variable; nullopt when unset.
using TEnvLookup = std::function<std::optional<std::string>(const std::string&)>;
TEnvLookup ProcessEnvironment();

// The process-wide start-up values.
struct TGameConfig {
    std::string GameDir;            // absolute, ends in "/"
    std::string GameFolderName;     // last component of GameDir
    std::string RuntimePackagePath; // empty, or ends in "/"
    bool BattleTestMode = false;
    bool TestPlayMode = false;
    bool ShowLogos = true;
    bool ShowTitle = true;
    bool WindowMode = false;
    bool FullPackageFlag = false;
    bool ExeReadOnly = false;           // the game directory is not writable
    std::string GameTitle = "Untitled"; // bytes in the game's code page
    // The code page the player chose (--encoding, else Encoding in the game's section of
    // the user's config file); unset, the game object guesses it from the game's texts.
    std::optional<int> CodePage;
};

// Builds the configuration. isWritable answers for the game directory. Raises
// EFileError when the game directory is missing, ENotAGame when it holds no database
// and needs the runtime package (the first start in the wrong folder), and
// ERuntimePackageMissing when the package is required but not configured.
TGameConfig LoadGameConfig(const TCommandLine& commandLine, const TEnvLookup& env,
                           const std::function<bool(const std::filesystem::path&)>& isWritable);

// KESTRA_RTP, else RuntimePackagePath in $XDG_CONFIG_HOME/kestra/config.ini
// (default ~/.config), in section [Kestra] or before any section; "/" appended.
std::string FindRuntimePackagePath(const TEnvLookup& env);

// The user's config file, $XDG_CONFIG_HOME/kestra/config.ini (default ~/.config);
// empty when neither XDG_CONFIG_HOME nor HOME is known.
std::filesystem::path UserConfigPath(const TEnvLookup& env);

// Encoding=N in the section [game:FOLDER] of the user's config file (FOLDER the game's
// folder name, any ASCII case); nullopt when unset. A value that is not a supported
// code page raises EFileError naming the file, the section and the value.
std::optional<int> ConfiguredCodePage(const TEnvLookup& env, std::string_view gameFolderName);

// The ini holding GameTitle: named after the game's Windows executable
// (Game.exe -> Game.ini, any case) when the directory has one, else KESTRA.ini.
std::filesystem::path TitleIniPath(const std::string& gameDir);

// The game directory when writable, else $XDG_DATA_HOME/kestra/<GameFolderName>/
// (default ~/.local/share), created when missing. Ends in "/".
std::string GetSaveDir(const TGameConfig& config, const TEnvLookup& env);

// A per-user work folder under $TMPDIR (default /tmp): .../kestra-<user>/KES_TEMP/,
// created owner-only. Ends in "/".
std::string GetTempWorkDir(const TEnvLookup& env);

} // namespace kestra

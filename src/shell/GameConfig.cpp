#include "shell/GameConfig.h"

#include "shell/Replay.h"
#include "shell/Settings.h"

#include "base/CodePage.h"
#include "base/IniFile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace kestra {

namespace fs = std::filesystem;

namespace {

template <typename T>
T ParseNumber(std::string_view option, std::string_view text) {
    T value{};
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        throw ECommandLineError(std::string(option) + ": '" + std::string(text) +
                                "' is not a number from 0 to " +
                                std::to_string(std::numeric_limits<T>::max()));
    return value;
}

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

// An XDG base directory: the variable when it holds an absolute path, else
// $HOME + fallback; empty when neither is known.
std::string XdgDir(const TEnvLookup& env, const char* variable, const char* homeFallback) {
    if (auto v = env(variable); v && !v->empty() && v->front() == '/') return *v;
    if (auto home = env("HOME"); home && !home->empty()) return *home + homeFallback;
    return {};
}

} // namespace

std::string_view PlayerVersion() {
    return KESTRA_VERSION;
}

std::string TCommandLine::Word(std::size_t i) const {
    return i >= 1 && i <= Words.size() ? Words[i - 1] : std::string();
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine cl;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            cl.Words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        auto flag = [&] {
            if (inlineValue) throw ECommandLineError(name + " takes no value");
        };
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw ECommandLineError(name + " needs a value");
            return args[++i];
        };
        // Checked now, so that a bad value is a bad command line.
        auto setting = [&](const char* section, const std::string& key, const std::string& v) {
            TSettings scratch;
            if (auto error = ApplySetting(scratch, {section, key}, v))
                throw ECommandLineError(
                    name + ": '" + (name == "--bind" || name == "--gamepad" ? key + "=" + v : v) +
                    "' is not " + *error);
            cl.SettingOverrides.push_back({section, key, v, name});
        };
        auto path = [&]() -> fs::path {
            std::string v = value();
            if (v.empty()) throw ECommandLineError(name + " needs a non-empty path");
            return v;
        };
        if (name == "--help") {
            flag();
            cl.Help = true;
        } else if (name == "--version") {
            flag();
            cl.Version = true;
        } else if (name == "--headless") {
            flag();
            cl.Headless = true;
        } else if (name == "--game") {
            cl.GameDir = path();
        } else if (name == "--seed") {
            cl.Seed = ParseNumber<std::uint32_t>(name, value());
        } else if (name == "--frames") {
            cl.Frames = ParseNumber<std::uint64_t>(name, value());
        } else if (name == "--input") {
            cl.InputScript = path();
        } else if (name == "--encoding") {
            const std::string v = value();
            cl.CodePage = ParseCodePage(v);
            if (!cl.CodePage)
                throw ECommandLineError("--encoding: '" + v +
                                        "' is not a code page (932, 1252, 1250, 1251, 936, 949 "
                                        "or 950)");
        } else if (name == "--hash-log") {
            cl.HashLog = path();
        } else if (name == "--record") {
            cl.RecordFile = path();
        } else if (name == "--replay") {
            cl.ReplayFile = path();
        } else if (name == "--window" || name == "--fullscreen") {
            flag();
            const bool window = name == "--window";
            cl.ReplayWindow = window;
            setting("Kestra", "Screen", window ? "window" : "fullscreen");
        } else if (name == "--scale") {
            setting("Kestra", "Scale", value());
        } else if (name == "--scaling") {
            setting("Kestra", "Scaling", value());
        } else if (name == "--volume-music") {
            setting("Kestra", "MusicVolume", value());
        } else if (name == "--volume-sound") {
            setting("Kestra", "SoundVolume", value());
        } else if (name == "--bind" || name == "--gamepad") {
            const std::string v = value();
            const auto eq = v.find('=');
            if (eq == std::string::npos || eq == 0)
                throw ECommandLineError(name + ": '" + v +
                                        "' is not NAME=" + (name == "--bind" ? "KEY" : "BUTTON"));
            const std::string action = v.substr(0, eq);
            const char* section = name == "--gamepad"    ? "Gamepad"
                                  : HotKeyOfName(action) ? "HotKeys"
                                                         : "Keys";
            setting(section, action, v.substr(eq + 1));
        } else if (name == "--approve") {
            flag();
            cl.Approve = true;
        } else if (name == "--strict") {
            flag();
            cl.Strict = true;
        } else if (name == "--screenshot") {
            std::string v = value();
            auto colon = v.find(':');
            if (colon == std::string::npos || colon + 1 == v.size())
                throw ECommandLineError("--screenshot: '" + v + "' is not FRAME:PATH");
            cl.Screenshots.push_back(
                {ParseNumber<std::uint64_t>("--screenshot frame", v.substr(0, colon)),
                 v.substr(colon + 1)});
        } else {
            throw ECommandLineError("unknown option " + name + " (see --help)");
        }
    }
    if (cl.RecordFile && cl.ReplayFile)
        throw ECommandLineError("--record and --replay cannot be used together");
    if (!cl.ReplayFile && (cl.Approve || cl.Strict))
        throw ECommandLineError("--approve and --strict go with --replay");
    return cl;
}

void LoadReplay(TCommandLine& cl) {
    if (!cl.ReplayFile) return;
    if (cl.InputScript) throw ECommandLineError("--replay brings its own input; drop --input");
    auto replay = std::make_shared<TReplayFile>(ReadReplayFile(*cl.ReplayFile));
    cl.Words = replay->Words;
    cl.Seed = replay->Seed;
    cl.Frames = replay->End.Frame;
    cl.Headless = !cl.ReplayWindow;
    cl.Replay = std::move(replay);
}

std::string CommandLineHelp(std::string_view programName, const std::string& configPath) {
    std::string p(programName);
    return "usage: " + p +
           " [options] [BattleTest|TestPlay [HideTitle [Window [TROOP]]]]\n"
           "       " +
           p +
           " [options] GAME_DIR\n"
           "\n"
           "Plays the game in GAME_DIR, --game DIR or the current directory (the folder\n"
           "that holds KESTRA.ldb and KESTRA.lmt).\n"
           "\n"
           "Words (exact case, in this order):\n"
           "  1  BattleTest: fight troop TROOP and quit; TestPlay: test play with F9 debug\n"
           "  2  HideTitle: no title picture and no title music\n"
           "  3  Window: play in a window instead of full screen\n"
           "  4  the troop number of a battle test\n"
           "  (use '-' or any other word to leave a place unset)\n"
           "\n"
           "Options:\n"
           "  --game DIR              the game directory (default: the current directory)\n"
           "  --encoding N            the code page of the game's text: 932 (Japanese),\n"
           "                          1252 (Western), 1250 (Central European), 1251\n"
           "                          (Cyrillic), 936, 950 (Chinese) or 949 (Korean);\n"
           "                          default: guessed from the game's texts, else 932\n"
           "  --headless              no window, no sound, no waiting between frames\n"
           "  --seed N                seed of the random generator (default: the clock)\n"
           "  --frames N              stop after N frames\n"
           "  --input FILE            take the input from a script instead of the devices\n"
           "  --screenshot FRAME:PATH save the picture of frame FRAME (repeatable)\n"
           "  --hash-log PATH         write a hash of every frame's picture to PATH\n"
           "  --record FILE           record the play into a replay file\n"
           "  --replay FILE           replay a recording headless and check its pictures\n"
           "                          (exit code 3 when a picture differs)\n"
           "  --approve               with --replay: take the pictures of this run as right\n"
           "  --strict                with --replay: refuse a game whose data has changed\n"
           "  --version               show the player's version\n"
           "  --help                  show this text\n"
           "\n"
           "Settings for this run (they override the settings file and are not saved):\n" +
           std::string(SettingsOptionsHelp()) +
           "\n"
           "Keys: the arrows, the number pad or H J K L move; Space, Return, Enter or Z\n"
           "decides; Escape, X, C, V, B, N, Insert or pad 0 cancels; F4 or Alt+Enter\n"
           "switches full screen, F5 the window size, F12 starts over; F1 opens the\n"
           "settings (screen, window size, volumes, keys); in test play F9 opens the\n"
           "switch and variable editor, F10 ends the running event and Ctrl walks\n"
           "through walls. A joystick's stick moves and its buttons decide and cancel.\n"
           "These are the default keys; the settings screen and the file rebind them.\n"
           "\n"
           "Settings file: " +
           (configPath.empty() ? std::string("~/.config/kestra/config.ini") : configPath) +
           "\n"
           "(XDG_CONFIG_HOME moves it). [Kestra]: RuntimePackagePath=DIR, Screen=window or\n"
           "fullscreen, Scale=1-4, Scaling=whole or fit, MusicVolume and SoundVolume=0-100;\n"
           "[Keys]: Down Left Right Up Decide Cancel = key names; [HotKeys]: FullScreen\n"
           "Zoom Reset Debug AbortEvent Screenshot FastForward Settings = a key name;\n"
           "[Gamepad]: Decide Cancel Menu = button numbers; [game:FOLDER] (FOLDER the\n"
           "game's folder name): Encoding=N, the game's code page as --encoding gives it.\n"
           "The settings screen writes it back, keeping other lines and comments.\n"
           "\n"
           "Exit codes: 0 the game ended, 1 an error, 2 a bad command line, 3 a replay\n"
           "whose pictures differ from the recording's.\n"
           "\n"
           "Environment: KESTRA_RTP (runtime package directory), XDG_CONFIG_HOME,\n"
           "XDG_DATA_HOME, TMPDIR.\n";
}

std::int32_t ParseTroopNumber(std::string_view word) {
    std::int32_t value = 0;
    auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || ec != std::errc() || ptr != word.data() + word.size())
        throw EKestraError("battle test: the troop number '" + std::string(word) +
                           "' is not a valid integer");
    return value;
}

TEnvLookup ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* v = std::getenv(name.c_str());
        if (!v) return std::nullopt;
        return std::string(v);
    };
}

fs::path UserConfigPath(const TEnvLookup& env) {
    std::string config = XdgDir(env, "XDG_CONFIG_HOME", "/.config");
    if (config.empty()) return {};
    return fs::path(config) / "kestra" / "config.ini";
}

namespace {

// The user's config file, or an empty one when it cannot be read: the settings store
// says what is wrong with it.
TIniFile LoadUserConfig(const fs::path& path) {
    try {
        return TIniFile::Load(path);
    } catch (const EFileError&) {
        return {};
    }
}

} // namespace

std::optional<int> ConfiguredCodePage(const TEnvLookup& env, std::string_view gameFolderName) {
    const fs::path path = UserConfigPath(env);
    if (path.empty()) return std::nullopt;
    const std::string section = "game:" + std::string(gameFolderName);
    const auto v = LoadUserConfig(path).Find(section, "Encoding");
    if (!v) return std::nullopt;
    if (auto number = ParseCodePage(*v)) return number;
    throw EFileError(path.string() + ": Encoding=" + *v + " under [" + section +
                     "] is not a code page (932, 1252, 1250, 1251, 936, 949 or 950)");
}

std::string FindRuntimePackagePath(const TEnvLookup& env) {
    if (auto v = env("KESTRA_RTP"); v && !v->empty()) return WithSlash(*v);
    const fs::path config = UserConfigPath(env);
    if (config.empty()) return {};
    const TIniFile ini = LoadUserConfig(config);
    auto v = ini.Find("Kestra", "RuntimePackagePath");
    if (!v) v = ini.Find("", "RuntimePackagePath");
    return v ? WithSlash(*v) : std::string();
}

fs::path TitleIniPath(const std::string& gameDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(gameDir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::string fallback = "KESTRA.ini";
    for (const std::string& exe : names) {
        std::string folded = FoldAsciiCase(exe);
        if (folded.size() <= 4 || !folded.ends_with(".exe")) continue;
        std::string wanted = folded.substr(0, folded.size() - 4) + ".ini";
        for (const std::string& ini : names)
            if (FoldAsciiCase(ini) == wanted) return fs::path(gameDir) / ini;
    }
    for (const std::string& ini : names)
        if (FoldAsciiCase(ini) == "kestra.ini") return fs::path(gameDir) / ini;
    return fs::path(gameDir) / fallback;
}

namespace {

bool HasDataBase(const fs::path& dir) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (FoldAsciiCase(it->path().filename().string()) == "kestra.ldb") return true;
    return false;
}

std::string NotAGameMessage(const fs::path& dir) {
    std::vector<std::string> games;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec) && HasDataBase(it->path()))
            games.push_back(it->path().filename().string());
    std::sort(games.begin(), games.end());
    std::string text = dir.string() +
                       ": there is no game here (KESTRA.ldb was not found). Start kestra in "
                       "a game's folder, or name the folder: kestra DIR, or kestra --game DIR.";
    if (!games.empty()) {
        text += "\nGames in this folder:";
        for (std::size_t i = 0; i < games.size() && i < 20; ++i)
            text += (i ? ", " : " ") + games[i];
        if (games.size() > 20) text += ", ...";
        text += " (kestra --game " + (dir / games[0]).string() + ")";
    }
    return text;
}

} // namespace

void TakeGameDirectoryWord(TCommandLine& cl) {
    if (cl.GameDir || cl.Words.size() != 1) return;
    const std::string& word = cl.Words[0];
    if (word == "BattleTest" || word == "TestPlay") return;
    std::error_code ec;
    if (!fs::is_directory(word, ec)) return;
    cl.GameDir = word;
    cl.Words.clear();
}

std::vector<std::string> CommandLineWarnings(const TCommandLine& cl) {
    std::vector<std::string> warnings;
    static const std::vector<std::string> known[] = {
        {"BattleTest", "TestPlay"}, {"HideTitle"}, {"Window"}};
    for (std::size_t i = 0; i < cl.Words.size(); ++i) {
        const std::string& word = cl.Words[i];
        if (word == "-") continue;
        if (i == 3) {
            if (!cl.Words[0].empty() && cl.Words[0] != "BattleTest")
                warnings.push_back("the troop number '" + word +
                                   "' counts only in a battle test (BattleTest)");
            continue;
        }
        if (i > 3) {
            warnings.push_back("'" + word + "': only four words are read; this one is ignored");
            continue;
        }
        bool exact = false;
        std::string near;
        for (const std::string& k : known[i]) {
            exact |= word == k;
            if (FoldAsciiCase(word) == FoldAsciiCase(k)) near = k;
        }
        if (exact) continue;
        std::string text = "word " + std::to_string(i + 1) + " '" + word + "' is not ";
        for (std::size_t k = 0; k < known[i].size(); ++k)
            text += (k ? " or '" : "'") + known[i][k] + "'";
        text += near.empty() ? "; it leaves its place unset (use '-' for that)"
                             : "; did you mean '" + near + "'? (words are case-sensitive)";
        warnings.push_back(text);
    }
    return warnings;
}

std::string WrapText(std::string_view text, std::size_t width) {
    std::string out;
    std::size_t column = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == '\n') {
            out += '\n';
            column = 0;
            ++pos;
            continue;
        }
        if (text[pos] == ' ') {
            ++pos;
            if (column > 0) {
                // The space stays unless the next word starts a new line.
                std::size_t end = text.find_first_of(" \n", pos);
                if (end == std::string_view::npos) end = text.size();
                if (column + 1 + (end - pos) > width) {
                    out += '\n';
                    column = 0;
                } else {
                    out += ' ';
                    ++column;
                }
            }
            continue;
        }
        std::size_t end = text.find_first_of(" \n", pos);
        if (end == std::string_view::npos) end = text.size();
        out.append(text.substr(pos, end - pos));
        column += end - pos;
        pos = end;
    }
    return out;
}

TGameConfig LoadGameConfig(const TCommandLine& commandLine, const TEnvLookup& env,
                           const std::function<bool(const fs::path&)>& isWritable) {
    TGameConfig c;
    std::error_code ec;
    fs::path dir = commandLine.GameDir ? *commandLine.GameDir : fs::current_path(ec);
    if (ec) throw EFileError("cannot find the current directory: " + ec.message());
    // Symbolic links are kept: the folder name the user sees names the save folder.
    fs::path absolute = fs::absolute(dir, ec).lexically_normal();
    if (absolute.filename().empty() && absolute.has_relative_path())
        absolute = absolute.parent_path();
    if (ec || !fs::is_directory(absolute, ec))
        throw EFileError(dir.string() + ": the game directory does not exist");
    c.GameDir = WithSlash(absolute.string());
    c.GameFolderName = absolute.filename().string();
    if (c.GameFolderName.empty()) c.GameFolderName = "root";

    const std::string first = commandLine.Word(1);
    c.BattleTestMode = first == "BattleTest";
    c.TestPlayMode = c.BattleTestMode || first == "TestPlay";
    c.ShowLogos = !c.TestPlayMode;
    c.ShowTitle = commandLine.Word(2) != "HideTitle";
    c.WindowMode = commandLine.Word(3) == "Window";
    c.ExeReadOnly = !isWritable(absolute);

    fs::path gameIni = fs::path(c.GameDir) / "KESTRA.ini";
    if (!fs::exists(gameIni, ec)) {
        // The same file under another case.
        for (fs::directory_iterator it(c.GameDir, ec), end; !ec && it != end; it.increment(ec))
            if (FoldAsciiCase(it->path().filename().string()) == "kestra.ini") {
                gameIni = it->path();
                break;
            }
    }
    const TIniFile gameSettings = TIniFile::Load(gameIni);
    c.FullPackageFlag = gameSettings.ReadBool("KESTRA", "FullPackageFlag", false);
    c.GameTitle =
        TIniFile::Load(TitleIniPath(c.GameDir)).ReadString("KESTRA", "GameTitle", "Untitled");
    c.RuntimePackagePath = FindRuntimePackagePath(env);
    c.CodePage =
        commandLine.CodePage ? commandLine.CodePage : ConfiguredCodePage(env, c.GameFolderName);
    if (!c.FullPackageFlag && c.RuntimePackagePath.empty() && !HasDataBase(absolute))
        throw ENotAGame(NotAGameMessage(absolute));
    if (!c.FullPackageFlag && c.RuntimePackagePath.empty()) {
        // Say which file decided that the package is needed: a broken KESTRA.ini is the
        // likelier fault in a game that ships everything.
        std::string why;
        if (!fs::exists(gameIni, ec))
            why = gameIni.string() + " does not exist, so the game needs the runtime package";
        else if (const auto flag = gameSettings.Find("KESTRA", "FullPackageFlag"))
            why = gameIni.string() + ": FullPackageFlag under [KESTRA] is \"" + *flag +
                  "\", not 1, so the game needs the runtime package";
        else
            why = gameIni.string() +
                  ": no FullPackageFlag line under a [KESTRA] section could be read, so the "
                  "game needs the runtime package";
        throw ERuntimePackageMissing(
            why + "; the runtime package was not found. Set KESTRA_RTP to its directory, or write "
                  "RuntimePackagePath=DIR under [Kestra] in ~/.config/kestra/config.ini.");
    }
    return c;
}

std::string GetSaveDir(const TGameConfig& config, const TEnvLookup& env) {
    if (!config.ExeReadOnly) return config.GameDir;
    std::string data = XdgDir(env, "XDG_DATA_HOME", "/.local/share");
    if (data.empty())
        throw EFileError("the game directory " + config.GameDir +
                         " is read-only and neither XDG_DATA_HOME nor HOME is set");
    fs::path dir = fs::path(data) / "kestra" / config.GameFolderName;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        throw EFileError(dir.string() + ": cannot create the save directory (" + ec.message() +
                         ")");
    return WithSlash(dir.string());
}

std::string GetTempWorkDir(const TEnvLookup& env) {
    std::string base = "/tmp";
    if (auto t = env("TMPDIR"); t && !t->empty()) base = *t;
    std::string user = "user";
    for (const char* name : {"USER", "LOGNAME"})
        if (auto u = env(name);
            u && !u->empty() && u->find('/') == std::string::npos && *u != "." && *u != "..") {
            user = *u;
            break;
        }
    fs::path mine = fs::path(base) / ("kestra-" + user);
    fs::path dir = mine / "KES_TEMP";
    std::error_code ec;
    if (fs::create_directory(mine, ec))
        fs::permissions(mine, fs::perms::owner_all, fs::perm_options::replace, ec);
    fs::create_directories(dir, ec);
    if (ec)
        throw EFileError(dir.string() + ": cannot create the work directory (" + ec.message() +
                         ")");
    return WithSlash(dir.string());
}

} // namespace kestra

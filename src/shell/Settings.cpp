#include "shell/Settings.h"

#include "base/Errors.h"
#include "base/FileBytes.h"
#include "base/IniFile.h"
#include "base/Warning.h"

#include <algorithm>
#include <charconv>

namespace kestra {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view KMain = "Kestra", KKeys = "Keys", KHot = "HotKeys", KPad = "Gamepad";

bool Same(std::string_view a, std::string_view b) {
    return FoldAsciiCase(a) == FoldAsciiCase(b);
}

// Words split at spaces, tabs and commas.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == ',')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != ',') ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::optional<int> WholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

std::string KeyRowText(const TKeyTable& table, int row) {
    std::string text;
    for (TKeyCode key : table[static_cast<std::size_t>(row)])
        if (key != TKeyCode::None) {
            if (!text.empty()) text += ' ';
            text += KeyCodeName(key);
        }
    return text.empty() ? "None" : text;
}

std::string ButtonsText(std::uint32_t buttons) {
    std::string text;
    for (int b = 0; b < 32; ++b)
        if (buttons >> b & 1u) {
            if (!text.empty()) text += ' ';
            text += std::to_string(b);
        }
    return text.empty() ? "None" : text;
}

std::uint32_t* GamepadField(TJoystickBindings& pad, std::string_view key) {
    if (Same(key, "Decide")) return &pad.Decide;
    if (Same(key, "Cancel")) return &pad.Cancel;
    if (Same(key, "Menu")) return &pad.Menu;
    return nullptr;
}

constexpr std::uint64_t KMaxSettingsBytes = 1u << 20;

// The file's text; a missing file is an empty one.
std::string ReadSettingsText(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec) && !ec) return {};
    if (fs::is_directory(path, ec)) throw EFileError(path.string() + ": is a directory");
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path.string(), KMaxSettingsBytes);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

std::vector<std::pair<TSettingKey, std::string>> FormatSettings(const TSettings& s) {
    std::vector<std::pair<TSettingKey, std::string>> out;
    auto add = [&out](std::string_view section, std::string_view key, std::string value) {
        out.push_back({{std::string(section), std::string(key)}, std::move(value)});
    };
    if (s.FullScreen) add(KMain, "Screen", *s.FullScreen ? "fullscreen" : "window");
    add(KMain, "Scale", std::to_string(s.Scale));
    add(KMain, "Scaling", s.Fit ? "fit" : "whole");
    add(KMain, "MusicVolume", std::to_string(s.MusicVolume));
    add(KMain, "SoundVolume", std::to_string(s.SoundVolume));
    for (int row = 0; row < KBindableButtons; ++row)
        add(KKeys, KButtonNames[static_cast<std::size_t>(row)], KeyRowText(s.Keys, row));
    for (const THotKeyInfo& info : KHotKeyTable)
        add(KHot, info.Name, BoundKeyName(s.HotKeys[static_cast<std::size_t>(info.HotKey)]));
    TJoystickBindings pad = s.Gamepad;
    for (std::string_view key : {"Decide", "Cancel", "Menu"})
        add(KPad, key, ButtonsText(*GamepadField(pad, key)));
    return out;
}

std::optional<std::string> ApplySetting(TSettings& s, const TSettingKey& setting,
                                        std::string_view value) {
    const std::string_view section = setting.Section, key = setting.Key;
    if (Same(section, KMain)) {
        if (Same(key, "Screen")) {
            if (Same(value, "window"))
                s.FullScreen = false;
            else if (Same(value, "fullscreen"))
                s.FullScreen = true;
            else
                return "'window' or 'fullscreen'";
            return std::nullopt;
        }
        if (Same(key, "Scale")) {
            auto n = WholeNumber(value, KMinWindowScale, KMaxWindowScale);
            if (!n) return "a whole number from 1 to 4";
            s.Scale = *n;
            return std::nullopt;
        }
        if (Same(key, "Scaling")) {
            if (Same(value, "whole"))
                s.Fit = false;
            else if (Same(value, "fit"))
                s.Fit = true;
            else
                return "'whole' or 'fit'";
            return std::nullopt;
        }
        const bool music = Same(key, "MusicVolume");
        if (music || Same(key, "SoundVolume")) {
            auto n = WholeNumber(value, 0, 100);
            if (!n) return "a whole number from 0 to 100";
            (music ? s.MusicVolume : s.SoundVolume) = *n;
            return std::nullopt;
        }
        return "not a setting of [Kestra]";
    }
    if (Same(section, KKeys)) {
        const auto row = ButtonRowOfName(key);
        if (!row) return "not a button (Down, Left, Right, Up, Decide, Cancel)";
        std::array<TKeyCode, KKeyTableSlots> keys{};
        std::size_t n = 0;
        for (std::string_view word : Words(value)) {
            if (Same(word, "None")) continue;
            const TKeyCode k = KeyCodeOfName(word);
            if (k == TKeyCode::None) return "key names such as Space Z Down Pad2 Digit1 Tab";
            if (n == keys.size()) return "at most 8 keys";
            if (std::find(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(n), k) ==
                keys.begin() + static_cast<std::ptrdiff_t>(n))
                keys[n++] = k;
        }
        s.Keys[static_cast<std::size_t>(*row)] = keys;
        return std::nullopt;
    }
    if (Same(section, KHot)) {
        const auto hot = HotKeyOfName(key);
        if (!hot)
            return "not a hot key (FullScreen, Zoom, Reset, Debug, AbortEvent, "
                   "Screenshot, FastForward, Settings)";
        const auto bound = ParseBoundKey(value);
        if (!bound) return "one key name such as F4, Tab or None";
        s.HotKeys[static_cast<std::size_t>(*hot)] = *bound;
        return std::nullopt;
    }
    if (Same(section, KPad)) {
        std::uint32_t* field = GamepadField(s.Gamepad, key);
        if (!field) return "not a gamepad action (Decide, Cancel, Menu)";
        std::uint32_t buttons = 0;
        for (std::string_view word : Words(value)) {
            if (Same(word, "None")) continue;
            auto b = WholeNumber(word, 0, 31);
            if (!b) return "button numbers from 0 to 31";
            buttons |= 1u << *b;
        }
        *field = buttons;
        return std::nullopt;
    }
    return "not a section of the settings";
}

TSettingsStore::TSettingsStore(
    fs::path path, const TCommandLine& commandLine,
    std::function<void(const fs::path&, std::span<const std::uint8_t>)> write)
    : path_(std::move(path)), document_(std::make_unique<TIniDocument>()),
      write_(std::move(write)) {
    auto warn = [this](const std::string& text) {
        warnings_.push_back(text);
        Warn(text);
    };
    if (!path_.empty()) {
        try {
            const std::string text = ReadSettingsText(path_);
            *document_ = TIniDocument(text);
        } catch (const EFileError& e) {
            warn(std::string(e.what()) + "; the settings stay at their defaults and are not "
                                         "written back");
            writable_ = false;
        }
    } else {
        writable_ = false;
    }
    const TSettings defaults;
    for (const auto& [setting, defaultText] : FormatSettings(defaults)) {
        const auto found = document_->Find(setting.Section, setting.Key);
        if (!found) continue;
        if (auto error = ApplySetting(current_, setting, found->Value))
            warn(path_.string() + ":" + std::to_string(found->Line) + ": " + setting.Key + ": '" +
                 found->Value + "' is not " + *error + "; using " + defaultText);
    }
    // Screen has no line among the defaults (unset means the word rule).
    if (const auto found = document_->Find(KMain, "Screen")) {
        if (auto error = ApplySetting(current_, {std::string(KMain), "Screen"}, found->Value))
            warn(path_.string() + ":" + std::to_string(found->Line) + ": Screen: '" + found->Value +
                 "' is not " + *error + "; using full screen unless the word Window is given");
    }
    for (const TSettingOverride& o : commandLine.SettingOverrides)
        if (auto error = ApplySetting(current_, {o.Section, o.Key}, o.Value))
            throw ECommandLineError(o.Option + ": '" + o.Value + "' is not " + *error);
}

TSettingsStore::~TSettingsStore() = default;

bool TSettingsStore::Change(const TSettings& changed) {
    const auto before = FormatSettings(current_), after = FormatSettings(changed);
    current_ = changed;
    if (!writable_) return false;
    bool any = false;
    for (const auto& entry : after) {
        const auto old = std::find_if(before.begin(), before.end(),
                                      [&entry](const auto& e) { return e.first == entry.first; });
        if (old != before.end() && old->second == entry.second) continue;
        document_->Set(entry.first.Section, entry.first.Key, entry.second);
        any = true;
    }
    if (!any) return true;
    const std::string text = document_->Text();
    try {
        std::error_code ec;
        fs::create_directories(path_.parent_path(), ec);
        write_(path_, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const EFileError& e) {
        const std::string message = std::string(e.what()) + "; the settings were not saved";
        warnings_.push_back(message);
        Warn(message);
        return false;
    }
    return true;
}

bool TSettingsStore::KeepDefaultBindings() {
    const TSettings defaults;
    const bool differed = current_.Keys != defaults.Keys || current_.HotKeys != defaults.HotKeys ||
                          current_.Gamepad != defaults.Gamepad;
    current_.Keys = defaults.Keys;
    current_.HotKeys = defaults.HotKeys;
    current_.Gamepad = defaults.Gamepad;
    return differed;
}

void TSettingsStore::ApplyTo(TMultiInput& input) const {
    for (int row = 0; row < KBindableButtons; ++row)
        input.KeyTable[static_cast<std::size_t>(row)] =
            current_.Keys[static_cast<std::size_t>(row)];
    input.HotKeys = current_.HotKeys;
    input.JoystickButtons = current_.Gamepad;
}

std::string_view SettingsOptionsHelp() {
    return "  --window                start in a window (with --replay: replay in a window)\n"
           "  --fullscreen            start full screen\n"
           "  --scale N               window size 1 to 4 times the game's 320 x 240\n"
           "  --scaling whole|fit     enlarge by whole factors (sharp) or fill the window\n"
           "  --volume-music N        music volume 0 to 100\n"
           "  --volume-sound N        sound effect volume 0 to 100\n"
           "  --bind NAME=KEY[,KEY]   keys of a button (Down Left Right Up Decide Cancel)\n"
           "                          or of a hot key (FullScreen Zoom Reset Debug\n"
           "                          AbortEvent Screenshot FastForward Settings)\n"
           "  --gamepad NAME=N[,N]    joystick buttons (from 0) of Decide, Cancel or Menu\n";
}

} // namespace kestra

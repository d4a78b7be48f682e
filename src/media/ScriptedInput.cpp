#include "media/ScriptedInput.h"

#include "base/IniFile.h"

#include <charconv>
#include <fstream>
#include <string>
#include <utility>

namespace kestra {

namespace {

constexpr std::size_t KMaxScriptBytes = 64u << 20;

// The logical buttons as the keys of the default table that play them.
constexpr struct {
    std::string_view Name;
    TKeyCode Key;
} KAliases[] = {{"Decide", TKeyCode::Space}, {"Cancel", TKeyCode::Escape}};

template <class T>
bool ParseNumberWord(std::string_view text, T& value) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

// "F1".."F12" as 1..12, else 0.
int FunctionKeyNumber(std::string_view name) {
    if (name.size() < 2 || (name[0] != 'F' && name[0] != 'f')) return 0;
    int n = 0;
    return ParseNumberWord(name.substr(1), n) && n >= 1 && n <= 12 ? n : 0;
}

// "Button0".."Button31" as 0..31, else -1.
int ButtonNumber(std::string_view name) {
    constexpr std::string_view prefix = "Button";
    if (name.size() <= prefix.size() || !SameAsciiName(name.substr(0, prefix.size()), prefix))
        return -1;
    int n = 0;
    return ParseNumberWord(name.substr(prefix.size()), n) && n >= 0 && n < 32 ? n : -1;
}

// "PREFIX:X,Y" with both axes in range; false when the word is something else.
bool ParseAxes(std::string_view word, std::string_view prefix, int& x, int& y) {
    if (word.size() < prefix.size() || !SameAsciiName(word.substr(0, prefix.size()), prefix))
        return false;
    const std::string_view axes = word.substr(prefix.size());
    const std::size_t comma = axes.find(',');
    if (comma == std::string_view::npos) return false;
    int ax = 0, ay = 0;
    if (!ParseNumberWord(axes.substr(0, comma), ax) || !ParseNumberWord(axes.substr(comma + 1), ay))
        return false;
    if (ax < -KJoystickAxisMax - 1 || ax > KJoystickAxisMax || ay < -KJoystickAxisMax - 1 ||
        ay > KJoystickAxisMax)
        return false;
    x = ax;
    y = ay;
    return true;
}

// "Joy:X,Y" (a joystick) or "Gamepad:X,Y" (a gamepad's left stick).
bool ParseStick(std::string_view word, TScriptedInput::TState& state) {
    if (ParseAxes(word, "Joy:", state.JoystickX, state.JoystickY)) return state.Joystick = true;
    if (ParseAxes(word, "Gamepad:", state.PadX, state.PadY)) return state.Pad = true;
    return false;
}

// "GamepadSouth" ... as its button; Count when the word is something else.
TPadButton PadButtonOfName(std::string_view name) {
    for (int b = 0; b < static_cast<int>(TPadButton::Count); ++b)
        if (SameAsciiName(name, PadButtonName(static_cast<TPadButton>(b))))
            return static_cast<TPadButton>(b);
    return TPadButton::Count;
}

// Applies one word to a state; false when the word is unknown.
bool ApplyKey(std::string_view word, TScriptedInput::TState& state) {
    const bool tap = !word.empty() && word[0] == '+';
    const std::string_view name = tap ? word.substr(1) : word;
    for (const auto& alias : KAliases)
        if (SameAsciiName(name, alias.Name)) {
            (tap ? state.KeyTaps : state.Keys) |= KeyBit(alias.Key);
            return true;
        }
    for (int k = 1; k < static_cast<int>(TKeyCode::Count); ++k)
        if (SameAsciiName(name, KeyCodeName(static_cast<TKeyCode>(k)))) {
            (tap ? state.KeyTaps : state.Keys) |= KeyBit(static_cast<TKeyCode>(k));
            return true;
        }
    if (const int n = FunctionKeyNumber(name); n != 0) {
        std::uint16_t& bits = tap ? state.FunctionTaps : state.FunctionKeys;
        bits = static_cast<std::uint16_t>(bits | (1u << n));
        return true;
    }
    if (SameAsciiName(name, "MouseLeft") || SameAsciiName(name, "MouseRight")) {
        std::uint8_t& bits = tap ? state.MouseTaps : state.Mouse;
        bits = static_cast<std::uint8_t>(
            bits | (SameAsciiName(name, "MouseLeft") ? KMouseLeft : KMouseRight));
        return true;
    }
    if (const int b = ButtonNumber(name); b >= 0) {
        (tap ? state.ButtonTaps : state.Buttons) |= 1u << b;
        state.Joystick = true;
        return true;
    }
    if (const TPadButton p = PadButtonOfName(name); p != TPadButton::Count) {
        TPadButtons& bits = tap ? state.PadTaps : state.PadButtons;
        bits = static_cast<TPadButtons>(bits | PadBit(p));
        state.Pad = true;
        return true;
    }
    if (tap) return false;
    if (SameAsciiName(name, "Shift")) return state.Shift = true;
    if (SameAsciiName(name, "Ctrl")) return state.Ctrl = true;
    if (SameAsciiName(name, "Alt")) return state.Alt = true;
    if (SameAsciiName(name, "Inactive")) return state.Inactive = true;
    return ParseStick(name, state);
}

} // namespace

TScriptedInput TScriptedInput::FromText(std::string_view text, const std::string& sourceName) {
    TScriptedInput result;
    std::size_t lineNo = 0, pos = 0;
    bool haveLast = false;
    std::uint64_t last = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        auto fail = [&](const std::string& what) {
            throw EInputScriptError(sourceName + ":" + std::to_string(lineNo) + ": " + what);
        };
        if (auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);

        std::vector<std::string_view> words;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
            std::size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
            if (i > start) words.push_back(line.substr(start, i - start));
        }
        if (words.empty()) continue;

        std::uint64_t from = 0;
        const char* first = words[0].data();
        const char* last0 = first + words[0].size();
        auto [ptr, ec] = std::from_chars(first, last0, from);
        if (ec != std::errc() || ptr != last0)
            fail(std::string(1, '\'').append(words[0]).append("' is not an update number"));
        if (haveLast && from <= last)
            fail("update " + std::to_string(from) + " does not come after update " +
                 std::to_string(last));
        haveLast = true;
        last = from;

        TChange change;
        change.From = from;
        for (std::size_t w = 1; w < words.size(); ++w)
            if (!ApplyKey(words[w], change.State))
                fail(std::string("unknown key '")
                         .append(words[w])
                         .append("' (known: Decide Cancel, the key table's keys such as Down Z "
                                 "Return Pad2, Shift Ctrl Alt, F1-F12, MouseLeft MouseRight, "
                                 "Joy:X,Y, Button0-Button31, Gamepad:X,Y, GamepadSouth "
                                 "GamepadEast GamepadStart GamepadUp ..., Inactive; + before a "
                                 "button for a press)"));
        result.changes_.push_back(change);
    }
    return result;
}

TScriptedInput TScriptedInput::FromFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path.string() + ": cannot open the input script");
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > KMaxScriptBytes)
            throw EInputScriptError(path.string() + ": the input script is larger than 64 MiB");
    }
    if (in.bad()) throw EFileError(path.string() + ": cannot read the input script");
    return FromText(text, path.string());
}

bool TScriptedInput::TState::SameHeld(const TState& other) const {
    TState a = *this, b = other;
    a.KeyTaps = b.KeyTaps = 0;
    a.FunctionTaps = b.FunctionTaps = 0;
    a.MouseTaps = b.MouseTaps = 0;
    a.ButtonTaps = b.ButtonTaps = 0;
    a.PadTaps = b.PadTaps = 0;
    return a == b;
}

void TScriptedInput::Append(const TChange& change) {
    if (!changes_.empty() && change.From <= changes_.back().From)
        throw EInputScriptError("update " + std::to_string(change.From) +
                                " does not come after update " +
                                std::to_string(changes_.back().From));
    changes_.push_back(change);
}

std::string TScriptedInput::FormatLine(const TChange& change) {
    const TState& s = change.State;
    std::string line = std::to_string(change.From);
    auto word = [&line](bool tap, std::string_view name) {
        line += tap ? " +" : " ";
        line += name;
    };
    for (int k = 1; k < static_cast<int>(TKeyCode::Count); ++k) {
        const TKeySet bit = KeyBit(static_cast<TKeyCode>(k));
        if (s.Keys & bit) word(false, KeyCodeName(static_cast<TKeyCode>(k)));
        if (s.KeyTaps & bit) word(true, KeyCodeName(static_cast<TKeyCode>(k)));
    }
    if (s.Shift) word(false, "Shift");
    if (s.Ctrl) word(false, "Ctrl");
    if (s.Alt) word(false, "Alt");
    for (int n = 1; n <= 12; ++n) {
        const std::string name = "F" + std::to_string(n);
        if (s.FunctionKeys >> n & 1u) word(false, name);
        if (s.FunctionTaps >> n & 1u) word(true, name);
    }
    for (const auto& [bit, name] :
         {std::pair{KMouseLeft, "MouseLeft"}, std::pair{KMouseRight, "MouseRight"}}) {
        if (s.Mouse & bit) word(false, name);
        if (s.MouseTaps & bit) word(true, name);
    }
    if (s.Joystick)
        word(false, "Joy:" + std::to_string(s.JoystickX) + "," + std::to_string(s.JoystickY));
    for (int b = 0; b < 32; ++b) {
        if (s.Buttons >> b & 1u) word(false, "Button" + std::to_string(b));
        if (s.ButtonTaps >> b & 1u) word(true, "Button" + std::to_string(b));
    }
    if (s.Pad) word(false, "Gamepad:" + std::to_string(s.PadX) + "," + std::to_string(s.PadY));
    for (int b = 0; b < static_cast<int>(TPadButton::Count); ++b) {
        const TPadButtons bit = PadBit(static_cast<TPadButton>(b));
        if (s.PadButtons & bit) word(false, PadButtonName(static_cast<TPadButton>(b)));
        if (s.PadTaps & bit) word(true, PadButtonName(static_cast<TPadButton>(b)));
    }
    if (s.Inactive) word(false, "Inactive");
    return line;
}

TInputSample TScriptedInput::Sample() {
    ++samples_;
    TState previous = current_;
    TState taps; // of the lines that take effect in this sample
    while (next_ < changes_.size() && changes_[next_].From <= samples_) {
        current_ = changes_[next_++].State;
        taps.KeyTaps |= current_.KeyTaps;
        taps.FunctionTaps = static_cast<std::uint16_t>(taps.FunctionTaps | current_.FunctionTaps);
        taps.MouseTaps = static_cast<std::uint8_t>(taps.MouseTaps | current_.MouseTaps);
        taps.ButtonTaps |= current_.ButtonTaps;
        taps.PadTaps = static_cast<TPadButtons>(taps.PadTaps | current_.PadTaps);
    }

    functionPressed_ = static_cast<std::uint16_t>((current_.FunctionKeys & ~previous.FunctionKeys) |
                                                  taps.FunctionTaps);
    unclaimedPresses_ = static_cast<std::uint16_t>(unclaimedPresses_ | functionPressed_);
    TInputSample s;
    s.Active = active_ && !current_.Inactive;
    s.KeysDown = current_.Keys;
    s.Shift = current_.Shift;
    s.Ctrl = current_.Ctrl;
    s.Alt = current_.Alt;
    // Keys that go down while Alt is held are the window's, not the game's.
    if (!current_.Alt) s.KeysWentDown = (current_.Keys & ~previous.Keys) | taps_;
    s.KeysWentDown |= taps.KeyTaps;
    unclaimedKeyPresses_ |= s.KeysWentDown;
    taps_ = 0;
    s.MouseDown = current_.Mouse;
    s.MouseWentDown =
        static_cast<std::uint8_t>((current_.Mouse & ~previous.Mouse) | taps.MouseTaps);
    s.JoystickPresent = current_.Joystick;
    s.JoystickX = current_.JoystickX;
    s.JoystickY = current_.JoystickY;
    s.JoystickButtonsDown = current_.Buttons;
    s.JoystickButtonsWentDown = (current_.Buttons & ~previous.Buttons) | taps.ButtonTaps;
    s.PadPresent = current_.Pad;
    s.PadStickX = current_.PadX;
    s.PadStickY = current_.PadY;
    s.PadButtonsDown = current_.PadButtons;
    s.PadButtonsWentDown =
        static_cast<TPadButtons>((current_.PadButtons & ~previous.PadButtons) | taps.PadTaps);
    return s;
}

std::uint16_t TScriptedInput::TakeFunctionKeyPresses() {
    std::uint16_t presses = unclaimedPresses_;
    unclaimedPresses_ = 0;
    return presses;
}

TKeySet TScriptedInput::TakeKeyPresses() {
    const TKeySet presses = unclaimedKeyPresses_;
    unclaimedKeyPresses_ = 0;
    return presses;
}

bool TScriptedInput::FunctionKeyDown(int n) const {
    return n >= 1 && n <= 12 && (current_.FunctionKeys >> n & 1u);
}

bool TScriptedInput::FunctionKeyPressed(int n) const {
    return n >= 1 && n <= 12 && (functionPressed_ >> n & 1u);
}

} // namespace kestra

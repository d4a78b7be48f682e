#include "media/ScriptedInput.h"

#include <charconv>
#include <fstream>

namespace kestra {

namespace {

constexpr std::size_t KMaxScriptBytes = 64u << 20;

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// Applies one key name to a state; false when the name is unknown.
bool ApplyKey(std::string_view name, TScriptedInput::TState& state) {
    struct Entry {
        std::string_view Name;
        TKeyCode Key;
    };
    // Each logical button is played by one key of the default table.
    static constexpr Entry keys[] = {{"Down", TKeyCode::Down},    {"Left", TKeyCode::Left},
                                     {"Right", TKeyCode::Right},  {"Up", TKeyCode::Up},
                                     {"Decide", TKeyCode::Space}, {"Cancel", TKeyCode::Escape}};
    for (const Entry& e : keys)
        if (SameName(name, e.Name)) {
            state.Keys |= KeyBit(e.Key);
            return true;
        }
    if (SameName(name, "Shift")) return state.Shift = true;
    if (SameName(name, "Ctrl")) return state.Ctrl = true;
    if (SameName(name, "Alt")) return state.Alt = true;
    static constexpr int functionKeys[] = {4, 5, 9, 10, 12};
    for (int n : functionKeys)
        if (SameName(name, std::string(1, 'F').append(std::to_string(n)))) {
            state.FunctionKeys = static_cast<std::uint16_t>(state.FunctionKeys | (1u << n));
            return true;
        }
    return false;
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
                         .append("' (known: Down Left Right Up Decide Cancel Shift Ctrl Alt F4 F5 "
                                 "F9 F10 F12)"));
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

TInputSample TScriptedInput::Sample() {
    ++samples_;
    TState previous = current_;
    while (next_ < changes_.size() && changes_[next_].From <= samples_)
        current_ = changes_[next_++].State;

    functionPressed_ = static_cast<std::uint16_t>(current_.FunctionKeys & ~previous.FunctionKeys);
    unclaimedPresses_ = static_cast<std::uint16_t>(unclaimedPresses_ | functionPressed_);
    TInputSample s;
    s.Active = active_;
    s.KeysDown = current_.Keys;
    s.Shift = current_.Shift;
    s.Ctrl = current_.Ctrl;
    s.Alt = current_.Alt;
    if (!current_.Alt) s.KeysWentDown = (current_.Keys & ~previous.Keys) | taps_;
    taps_ = 0;
    return s;
}

std::uint16_t TScriptedInput::TakeFunctionKeyPresses() {
    std::uint16_t presses = unclaimedPresses_;
    unclaimedPresses_ = 0;
    return presses;
}

bool TScriptedInput::FunctionKeyDown(int n) const {
    return n >= 1 && n <= 12 && (current_.FunctionKeys >> n & 1u);
}

bool TScriptedInput::FunctionKeyPressed(int n) const {
    return n >= 1 && n <= 12 && (functionPressed_ >> n & 1u);
}

} // namespace kestra

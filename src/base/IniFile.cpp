#include "base/IniFile.h"

#include "base/Errors.h"

#include <fstream>
#include <limits>

namespace kestra {

namespace {

constexpr std::uintmax_t KMaxIniBytes = 4u << 20;

std::string_view Trim(std::string_view s) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

} // namespace

std::string FoldAsciiCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool SameAsciiName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

TIniFile::TIniFile(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::string section;
    bool inSection = false; // keys before the first section header belong to ""
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            if (close == std::string_view::npos) continue;
            section = FoldAsciiCase(Trim(line.substr(1, close - 1)));
            inSection = true;
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        // One pair of matching quotes around the whole value is removed.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (key.empty()) continue;
        entries_.push_back(
            {inSection ? section : std::string(), FoldAsciiCase(key), std::string(value)});
    }
}

namespace {

// One line read the way TIniFile reads it: a section header, a key and its value, or
// nothing (comments, blank and broken lines).
struct TParsedLine {
    bool Header = false;
    std::string Section;
    std::string Key; // folded
    std::string Value;
};

TParsedLine ParseLine(std::string_view raw) {
    TParsedLine out;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') return out;
    if (line.front() == '[') {
        std::size_t close = line.find(']');
        if (close == std::string_view::npos) return out;
        out.Header = true;
        out.Section = FoldAsciiCase(Trim(line.substr(1, close - 1)));
        return out;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return out;
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    out.Key = FoldAsciiCase(key);
    out.Value = std::string(value);
    return out;
}

} // namespace

TIniDocument::TIniDocument(std::string_view text) {
    bom_ = text.starts_with("\xEF\xBB\xBF");
    if (bom_) text.remove_prefix(3);
    if (text.find("\r\n") != std::string_view::npos) newline_ = "\r\n";
    finalNewline_ = text.empty() || text.back() == '\n';
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        if (raw.ends_with('\r')) raw.remove_suffix(1);
        pos = end + 1;
        TParsedLine parsed = ParseLine(raw);
        if (parsed.Header) section = parsed.Section;
        lines_.push_back({std::string(raw), section, parsed.Key, parsed.Value, parsed.Header});
    }
}

std::optional<TIniDocument::TValue> TIniDocument::Find(std::string_view section,
                                                       std::string_view key) const {
    const std::string s = FoldAsciiCase(Trim(section)), k = FoldAsciiCase(Trim(key));
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!lines_[i].Key.empty() && lines_[i].Section == s && lines_[i].Key == k)
            return TValue{lines_[i].Value, i + 1};
    return std::nullopt;
}

void TIniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string s = FoldAsciiCase(Trim(section)), k = FoldAsciiCase(Trim(key));
    const std::string text = std::string(Trim(key)) + "=" + std::string(value);
    TLine line{text, s, k, std::string(value), false};
    std::optional<std::size_t> lastOfSection;
    bool headerSeen = s.empty();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        TLine& l = lines_[i];
        if (l.Section != s) continue;
        if (l.Header) headerSeen = true;
        if (!l.Key.empty() && l.Key == k) {
            // The key keeps the spelling the user gave it.
            const std::string_view raw = l.Text;
            const std::size_t eq = raw.find('=');
            l.Text = std::string(raw.substr(0, eq + 1)) + std::string(value);
            l.Value = std::string(value);
            return;
        }
        if (l.Header || !l.Key.empty()) lastOfSection = i;
    }
    if (lastOfSection && headerSeen) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*lastOfSection + 1), line);
        return;
    }
    if (s.empty()) {
        // Before the first section header.
        lines_.insert(lines_.begin(), line);
        return;
    }
    if (!lines_.empty() && !Trim(lines_.back().Text).empty())
        lines_.push_back({"", lines_.back().Section, "", "", false});
    lines_.push_back({"[" + std::string(Trim(section)) + "]", s, "", "", true});
    lines_.push_back(line);
}

std::string TIniDocument::Text() const {
    std::string out = bom_ ? "\xEF\xBB\xBF" : "";
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].Text;
        if (i + 1 < lines_.size() || finalNewline_) out += newline_;
    }
    return out;
}

TIniFile TIniFile::Load(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return TIniFile();
    auto size = std::filesystem::file_size(path, ec);
    if (ec)
        throw EFileError(path.string() + ": cannot read the settings file (" + ec.message() + ")");
    if (size > KMaxIniBytes) throw EFileError(path.string() + ": the settings file is too large");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path.string() + ": cannot open the settings file");
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw EFileError(path.string() + ": cannot read the settings file");
    return TIniFile(text);
}

std::optional<std::string> TIniFile::Find(std::string_view section, std::string_view key) const {
    std::string s = FoldAsciiCase(Trim(section)), k = FoldAsciiCase(Trim(key));
    for (const TEntry& e : entries_)
        if (e.Section == s && e.Key == k) return e.Value;
    return std::nullopt;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    auto v = Find(section, key);
    return v ? *v : std::string(fallback);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t fallback) const {
    auto v = Find(section, key);
    if (!v) return fallback;
    std::string_view s = *v;
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::int64_t n = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = std::min(limit, n * 10 + (c - '0'));
    }
    if (negative) n = -n;
    n = std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(n);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

} // namespace kestra

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

#pragma once
// Profile (ini) files read the way Windows reads them: section and key names
// compare without regard to ASCII case, values are trimmed, the first of
// duplicate sections or keys wins, and integers are read from the leading digits.
// Values stay bytes in the game's code page.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

class TIniFile {
public:
    TIniFile() = default;
    explicit TIniFile(std::string_view text);
    // A missing file reads as an empty one; an unreadable or oversized file raises
    // EFileError naming it.
    static TIniFile Load(const std::filesystem::path& path);

    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // Leading optional sign and decimal digits, saturated to 32 bits; a present key
    // without digits reads as 0.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t fallback) const;
    // An integer other than 0.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

private:
    struct TEntry {
        std::string Section, Key, Value; // Section and Key folded to lower case
    };
    std::vector<TEntry> entries_;
};

// An ini file kept line by line, read with the rules of TIniFile, so that changing
// values keeps everything else (comments, unknown keys and sections, their order,
// the line ends) as the user wrote it.
class TIniDocument {
public:
    TIniDocument() = default;
    explicit TIniDocument(std::string_view text);

    struct TValue {
        std::string Value;
        std::size_t Line = 0; // from 1
    };
    std::optional<TValue> Find(std::string_view section, std::string_view key) const;
    // Replaces the value of the first line of the key, else adds a line at the end of
    // the section's keys, else adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    std::string Text() const;

private:
    struct TLine {
        std::string Text;
        std::string Section; // folded; "" before the first header
        std::string Key;     // folded; empty for other lines
        std::string Value;
        bool Header = false;
    };
    std::vector<TLine> lines_;
    std::string newline_ = "\n";
    bool finalNewline_ = true;
    bool bom_ = false;
};

// ASCII-only case folding; bytes of 0x80 and above are left alone.
std::string FoldAsciiCase(std::string_view s);
// Equal but for the case of ASCII letters (names of keys, sections, options).
bool SameAsciiName(std::string_view a, std::string_view b);

} // namespace kestra

#pragma once
// The code page of a game's text. Text stays in the game's bytes inside the program;
// this object says where characters begin and end and turns them into Unicode for the
// glyphs, file names, captions and messages. Code page 932 is the default.
#include "base/Cp932.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestra {

// The code pages a game may be written in: Japanese, Western, Central European,
// Cyrillic, simplified Chinese, Korean, traditional Chinese.
inline constexpr std::array<int, 7> KCodePages = {932, 1252, 1250, 1251, 936, 949, 950};
inline constexpr int KDefaultCodePage = 932;

bool IsSupportedCodePage(int number);
// "1252" or "cp1252" (any case); nullopt for anything else or a page not supported.
std::optional<int> ParseCodePage(std::string_view text);

// Converts bytes of a double-byte code page to UTF-8 (the platform's iconv); nullopt
// when they are not valid in that page.
using TCodePageDecoder =
    std::function<std::optional<std::string>(int codePage, std::string_view bytes)>;

class TCodePage {
public:
    // number must be supported (EKestraError otherwise). The single-byte pages convert
    // through our own tables; the double-byte ones through decode, which may be empty
    // (their text then has no UTF-8 spelling and file names are tried as raw bytes).
    TCodePage(int number, TCodePageDecoder decode);

    int Number() const { return number_; }
    // 1250, 1251, 1252: every byte is a character of its own.
    bool SingleByte() const { return number_ >= 1250 && number_ <= 1252; }

    // True for the first byte of a double-byte character, whatever the process locale.
    bool IsLeadByte(std::uint8_t b) const;
    // Length in bytes of the character at text[pos]: 2 for a lead byte followed by
    // another byte, else 1 (a lead byte at the very end counts alone).
    std::size_t CharLength(std::string_view text, std::size_t pos) const {
        return pos + 1 < text.size() && IsLeadByte(static_cast<std::uint8_t>(text[pos])) ? 2 : 1;
    }

    // The Unicode code point of one character (a byte, or lead byte << 8 | trail byte);
    // 0 when the page has none there.
    std::uint32_t ToUnicode(std::uint16_t code) const;
    // nullopt when the bytes are not valid in this page.
    std::optional<std::string> ToUtf8(std::string_view text) const;
    // Characters that cannot be converted become "?".
    std::string ToUtf8Lossy(std::string_view text) const;
    // For captions and messages, which mix game text with UTF-8 file paths: text that
    // is valid UTF-8 stays as it is, any other is converted.
    std::string Readable(std::string_view text) const;

private:
    int number_;
    TCodePageDecoder decode_;
};

// Appends the UTF-8 form of a code point.
void AppendCodePointUtf8(std::string& out, std::uint32_t codePoint);

// Guesses a game's code page from its texts. Code page 932 unless the texts hold
// clearly more bytes that only a single-byte page explains (broken or unlikely 932
// sequences, accented letters inside Latin words) than well-formed 932 characters;
// then 1251 when the letters stand in runs as Cyrillic words do, 1250 when letters
// found only in that page stand inside words, else 1252. The Chinese and Korean pages
// look like 932 to such counting and are never guessed.
class TCodePageGuess {
public:
    void Add(std::string_view text);
    int Guess() const;

    // The counts the guess weighs.
    std::size_t Cp932Evidence() const { return japanese_; }
    std::size_t SingleByteEvidence() const { return singleByte_; }

private:
    std::size_t japanese_ = 0, singleByte_ = 0;
    // Words of letters of the single-byte pages: all above ASCII (Cyrillic), mixed with
    // ASCII letters (Latin), and letters that only code page 1250 has inside those.
    std::size_t cyrillicWords_ = 0, latinWords_ = 0, centralLetters_ = 0;
};

} // namespace kestra

#include "base/CodePage.h"

#include "base/Errors.h"

#include <algorithm>

namespace kestra {

namespace {

#include "base/CodePageTables.inc"

const std::uint16_t* HighTable(int number) {
    switch (number) {
    case 1250:
        return KCp1250High;
    case 1251:
        return KCp1251High;
    case 1252:
        return KCp1252High;
    default:
        return nullptr;
    }
}

bool IsAsciiLetter(std::uint8_t c) {
    const auto lower = static_cast<std::uint8_t>(c | 0x20);
    return lower >= 'a' && lower <= 'z';
}

// A letter of the Latin or Cyrillic alphabets (no signs, no digits).
bool IsLetterCodePoint(std::uint32_t cp) {
    return (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7) ||
           (cp >= 0x400 && cp <= 0x4FF) || cp == 0xAA || cp == 0xB5 || cp == 0xBA;
}

bool IsLetterIn(const std::uint16_t* table, std::uint8_t b) {
    return b >= 0x80 && IsLetterCodePoint(table[b - 0x80]);
}

bool IsHighLetter(std::uint8_t b) {
    return IsLetterIn(KCp1250High, b) || IsLetterIn(KCp1251High, b) || IsLetterIn(KCp1252High, b);
}

// Letters of code page 1250 whose bytes are signs in 1252 (Ť ť Ź Ł Ą Ż ł ą Ľ ľ); 0xBF (ż)
// is left out, since it is Spanish's opening question mark there.
bool IsCentralOnlyLetter(std::uint8_t b) {
    return b != 0xBF && IsLetterIn(KCp1250High, b) && !IsLetterIn(KCp1252High, b);
}

} // namespace

bool IsSupportedCodePage(int number) {
    return std::find(KCodePages.begin(), KCodePages.end(), number) != KCodePages.end();
}

std::optional<int> ParseCodePage(std::string_view text) {
    if (text.size() > 2 && (text[0] == 'c' || text[0] == 'C') && (text[1] == 'p' || text[1] == 'P'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 4) return std::nullopt;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (!IsSupportedCodePage(number)) return std::nullopt;
    return number;
}

void AppendCodePointUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

TCodePage::TCodePage(int number, TCodePageDecoder decode)
    : number_(number), decode_(std::move(decode)) {
    if (!IsSupportedCodePage(number))
        throw EKestraError("code page " + std::to_string(number) + " is not supported");
}

bool TCodePage::IsLeadByte(std::uint8_t b) const {
    if (number_ == 932) return IsCp932LeadByte(b);
    if (SingleByte()) return false;
    return b >= 0x81 && b <= 0xFE; // 936, 949, 950
}

std::uint32_t TCodePage::ToUnicode(std::uint16_t code) const {
    if (code < 0x80) return code;
    if (const std::uint16_t* table = HighTable(number_))
        return code <= 0xFF ? table[code - 0x80] : 0;
    std::string bytes;
    if (code > 0xFF) bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
    // One character only: a lead byte alone, or a byte pair that is two characters, has none.
    if ((code > 0xFF) != IsLeadByte(static_cast<std::uint8_t>(bytes[0])) || !decode_) return 0;
    const auto utf8 = decode_(number_, bytes);
    if (!utf8 || utf8->empty()) return 0;
    const auto b0 = static_cast<std::uint8_t>((*utf8)[0]);
    const std::size_t n = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
    if (utf8->size() != n) return 0;
    std::uint32_t cp = n == 1 ? b0 : b0 & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k)
        cp = cp << 6 | (static_cast<std::uint8_t>((*utf8)[k]) & 0x3F);
    return cp;
}

std::optional<std::string> TCodePage::ToUtf8(std::string_view text) const {
    if (const std::uint16_t* table = HighTable(number_)) {
        std::string out;
        out.reserve(text.size());
        for (char c : text) {
            const auto b = static_cast<std::uint8_t>(c);
            const std::uint32_t cp = b < 0x80 ? b : table[b - 0x80];
            if (cp == 0 && b != 0) return std::nullopt;
            AppendCodePointUtf8(out, cp);
        }
        return out;
    }
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(text);
    if (!decode_) return std::nullopt;
    return decode_(number_, text);
}

std::string TCodePage::ToUtf8Lossy(std::string_view text) const {
    if (auto whole = ToUtf8(text)) return *whole;
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t n = CharLength(text, pos);
        const auto one = ToUtf8(text.substr(pos, n));
        out += one ? *one : "?";
        pos += n;
    }
    return out;
}

std::string TCodePage::Readable(std::string_view text) const {
    return IsValidUtf8(text) ? std::string(text) : ToUtf8Lossy(text);
}

void TCodePageGuess::Add(std::string_view text) {
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    // Walked as code page 932.
    for (std::size_t i = 0; i < text.size();) {
        const std::uint8_t b = at(i);
        if (b < 0x80) {
            ++i;
            continue;
        }
        const bool letterBefore = i > 0 && IsAsciiLetter(at(i - 1));
        if (!IsCp932LeadByte(b)) {
            // 0x80, 0xA0 and 0xFD-0xFF are no character of 932; a half-width katakana
            // between two Latin letters is an accented capital.
            if (b == 0x80 || b == 0xA0 || b >= 0xFD ||
                (letterBefore && i + 1 < text.size() && IsAsciiLetter(at(i + 1))))
                ++singleByte_;
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            ++singleByte_; // a lead byte cut off
            ++i;
            continue;
        }
        const std::uint8_t t = at(i + 1);
        if (t < 0x40 || t == 0x7F || t > 0xFC) {
            ++singleByte_; // no trail byte: the next byte starts a character of its own
            ++i;
            continue;
        }
        if (b == 0x85 || b == 0x86 || b >= 0xEB || (letterBefore && IsAsciiLetter(t)))
            ++singleByte_; // rows 932 leaves empty, its user and vendor rows, a letter in a word
        else if (b <= 0x9F && !((b == 0x91 || b == 0x93) && IsAsciiLetter(t)))
            ++japanese_; // 0x91 and 0x93 before a letter are also 1252's opening quotes
        i += 2;
    }
    // Words of letters, for choosing among the single-byte pages.
    for (std::size_t i = 0; i < text.size();) {
        if (!IsAsciiLetter(at(i)) && !IsHighLetter(at(i))) {
            ++i;
            continue;
        }
        std::size_t ascii = 0, high = 0, central = 0;
        for (; i < text.size() && (IsAsciiLetter(at(i)) || IsHighLetter(at(i))); ++i) {
            if (IsAsciiLetter(at(i))) {
                ++ascii;
            } else {
                ++high;
                if (IsCentralOnlyLetter(at(i))) ++central;
            }
        }
        if (high >= 2 && ascii == 0) ++cyrillicWords_;
        if (high > 0 && ascii > 0) {
            ++latinWords_;
            centralLetters_ += central;
        }
    }
}

int TCodePageGuess::Guess() const {
    if (singleByte_ < 2 || singleByte_ <= 2 * japanese_) return 932;
    if (cyrillicWords_ > latinWords_) return 1251;
    if (centralLetters_ > 0 && centralLetters_ * 10 >= latinWords_) return 1250;
    return 1252;
}

} // namespace kestra

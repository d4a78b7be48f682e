#pragma once
// Conversion between the games' code pages and UTF-8 through iconv, for file names,
// window captions, message boxes and the glyphs of the double-byte pages. Game text
// itself is never converted.
#include <optional>
#include <string>
#include <string_view>

namespace kestra::platform {

// nullopt when the bytes are not valid code page 932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
// Invalid bytes become "?"; for captions and messages.
std::string Cp932ToUtf8Lossy(std::string_view cp932);
// nullopt when the text has characters code page 932 lacks.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// The same for any code page of base/CodePage.h (the engine's TCodePageDecoder).
std::optional<std::string> CodePageToUtf8(int codePage, std::string_view bytes);
std::optional<std::string> Utf8ToCodePage(int codePage, std::string_view utf8);

} // namespace kestra::platform

#pragma once
// Conversion between the games' code page 932 bytes and UTF-8, for file names,
// window captions and message boxes. Game text itself is never converted.
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

} // namespace kestra::platform

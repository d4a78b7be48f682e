#pragma once
// The JSON form of the data files (database, map tree, map unit).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Json.h"

namespace kestra::tool {

using kestra::TJson;

// Game text (code page 932) as UTF-8. A byte that is not part of a character becomes
// U+F700 + byte, so the conversion back gives the same bytes.
std::string GameTextToUtf8(std::string_view bytes);
// The reverse, into code page `codePage` (932, or another of base/CodePage.h); nullopt
// for malformed UTF-8 or characters the code page lacks (with the reason in `problem`).
std::optional<std::string> Utf8ToGameText(const std::string& text, std::string* problem = nullptr,
                                          int codePage = 932);

// Reads a data file of any kind; errors name the file.
TJson DumpFile(const std::string& path);
// The file's bytes; errors name `source` and the JSON path.
std::vector<std::uint8_t> PackJson(const TJson& doc, const std::string& source);

} // namespace kestra::tool

// Settings files come with downloaded games.
#include "base/CodePage.h"
#include "base/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::TIniFile ini(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)ini.ReadBool("KESTRA", "FullPackageFlag", false);
    (void)ini.ReadString("kestra", "GameTitle", "Untitled");
    (void)ini.ReadInteger("", "x", 7);
    // The player's config file: a game's code page.
    if (auto page = ini.Find("game:western", "Encoding")) (void)kestra::ParseCodePage(*page);
    return 0;
}

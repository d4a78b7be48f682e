// Settings files come with downloaded games.
#include "base/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::TIniFile ini(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)ini.ReadBool("KESTRA", "FullPackageFlag", false);
    (void)ini.ReadString("kestra", "GameTitle", "Untitled");
    (void)ini.ReadInteger("", "x", 7);
    return 0;
}

// Settings files come with downloaded games, and the player's own settings file is
// edited by hand: both readers, the line-keeping document and the settings' values.
#include "base/CodePage.h"
#include "base/IniFile.h"
#include "base/Warning.h"
#include "shell/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kestra::TIniFile ini(text);
    (void)ini.ReadBool("KESTRA", "FullPackageFlag", false);
    (void)ini.ReadString("kestra", "GameTitle", "Untitled");
    (void)ini.ReadInteger("", "x", 7);
    // The player's config file: a game's code page.
    if (auto page = ini.Find("game:western", "Encoding")) (void)kestra::ParseCodePage(*page);

    kestra::SetWarningsEnabled(false);
    kestra::TIniDocument doc(text);
    kestra::TSettings settings;
    for (const auto& [key, value] : kestra::FormatSettings(kestra::TSettings{})) {
        if (auto found = doc.Find(key.Section, key.Key))
            (void)kestra::ApplySetting(settings, key, found->Value);
    }
    // Writing every setting back and reading the text again gives the same settings.
    for (const auto& [key, value] : kestra::FormatSettings(settings))
        doc.Set(key.Section, key.Key, value);
    const kestra::TIniDocument again(doc.Text());
    kestra::TSettings reread;
    for (const auto& [key, value] : kestra::FormatSettings(settings)) {
        auto found = again.Find(key.Section, key.Key);
        if (!found || kestra::ApplySetting(reread, key, found->Value)) std::abort();
    }
    reread.FullScreen = settings.FullScreen;
    if (!(reread == settings)) std::abort();
    return 0;
}

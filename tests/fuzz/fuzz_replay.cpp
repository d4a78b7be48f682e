// The replay reader over any bytes: a replay file, its input script, and a written
// copy that must read back to the same replay.
#include "media/ScriptedInput.h"
#include "shell/Replay.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kestra::TReplayFile replay;
    try {
        replay = kestra::ParseReplay(text, "fuzz.krp");
    } catch (const kestra::EReplayError&) {
        return 0;
    }
    const kestra::TReplayFile again = kestra::ParseReplay(kestra::FormatReplay(replay), "again");
    if (again.InputLines != replay.InputLines || again.Checkpoints != replay.Checkpoints ||
        again.Words != replay.Words || again.Saves != replay.Saves || !(again.End == replay.End))
        std::abort();
    try {
        auto input = kestra::TScriptedInput::FromText(replay.InputScript(), "fuzz.krp (input)");
        for (int i = 0; i < 64; ++i) input.Sample();
    } catch (const kestra::EInputScriptError&) {
    }
    return 0;
}

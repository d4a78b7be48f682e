#include "media/MultiInput.h"
#include "media/ScriptedInput.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto device = kestra::TScriptedInput::FromText(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
        kestra::TMultiInput input(device);
        for (int i = 0; i < 64; ++i) input.Update();
    } catch (const kestra::EInputScriptError&) {
    }
    return 0;
}

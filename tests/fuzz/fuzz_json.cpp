// Parses arbitrary text as JSON; a document that parses must write and read back equal,
// and writing it again must give the same text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Errors.h"
#include "base/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    kestra::TJson doc;
    try {
        doc = kestra::ParseJson(text, "fuzz.json");
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    std::string once = kestra::WriteJson(doc);
    kestra::TJson again = kestra::ParseJson(once, "written.json");
    if (!(again == doc) || kestra::WriteJson(again) != once) __builtin_trap();
    return 0;
}

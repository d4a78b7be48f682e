// Loads arbitrary bytes as a database; a file that loads must survive save and reload
// unchanged.
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Warning.h"
#include "data/DataBase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::SetWarningsEnabled(false); // broken data by the million
    kestra::TVezDataBase db;
    try {
        db.LoadFromBytes(std::span(data, size), "fuzz.ldb");
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    auto once = db.SaveToBytes();
    kestra::TVezDataBase again;
    again.LoadFromBytes(once, "resaved.ldb");
    if (again.SaveToBytes() != once) __builtin_trap();
    return 0;
}

// Reads database tables from hostile bytes: the first byte picks one of eight tables,
// whose list encoding the rest is, or (selector 8) a whole database file holding all
// fifteen tables. What loads must write bytes that load back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "data/DataBase.h"

namespace {

std::unique_ptr<kestra::TCatalog> MakeTable(std::uint8_t selector) {
    using namespace kestra;
    switch (selector % 8) {
    case 0:
        return std::make_unique<TVezPlayer>();
    case 7:
        return std::make_unique<TVezSkill>();
    case 1:
        return std::make_unique<TVezItem>();
    case 2:
        return std::make_unique<TVezMonster>();
    case 3:
        return std::make_unique<TVezMonGroup>();
    case 4:
        return std::make_unique<TVezGround>();
    case 5:
        return std::make_unique<TVezAttrib>();
    default:
        return std::make_unique<TVezStatus>();
    }
}

std::vector<std::uint8_t> Encode(const kestra::TCatalog& table) {
    kestra::TByteWriter w;
    table.SaveToStream(w);
    return w.Bytes;
}

void FuzzDataBase(std::span<const std::uint8_t> bytes) {
    kestra::TVezDataBase db;
    try {
        db.LoadFromBytes(bytes, "KESTRA.ldb");
    } catch (const kestra::EKestraError&) {
        return;
    }
    auto first = db.SaveToBytes();
    kestra::TVezDataBase again;
    again.LoadFromBytes(first, "re-read");
    if (again.SaveToBytes() != first) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    if (data[0] % 9 == 8) {
        FuzzDataBase(std::span(data + 1, size - 1));
        return 0;
    }
    auto table = MakeTable(data[0] % 9);
    try {
        kestra::TByteReader reader(std::span(data + 1, size - 1), "fuzz");
        table->LoadFromStream(reader);
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    auto first = Encode(*table);
    auto again = MakeTable(data[0] % 9);
    kestra::TByteReader reader(first, "re-read");
    again->LoadFromStream(reader); // what we wrote must load
    if (Encode(*again) != first) std::abort();
    return 0;
}

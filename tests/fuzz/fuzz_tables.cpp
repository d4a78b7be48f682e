// Reads one database table from hostile bytes: the first byte picks the table, the rest
// is its list encoding. A table that loads must write bytes that load back to the same
// bytes.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "data/LD_Attrib.h"
#include "data/LD_Ground.h"
#include "data/LD_Item.h"
#include "data/LD_MonGroup.h"
#include "data/LD_Monster.h"
#include "data/LD_Player.h"
#include "data/LD_Status.h"

namespace {

std::unique_ptr<kestra::TCatalog> MakeTable(std::uint8_t selector) {
    using namespace kestra;
    switch (selector % 7) {
    case 0:
        return std::make_unique<TVezPlayer>();
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    auto table = MakeTable(data[0]);
    try {
        kestra::TByteReader reader(std::span(data + 1, size - 1), "fuzz");
        table->LoadFromStream(reader);
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    auto first = Encode(*table);
    auto again = MakeTable(data[0]);
    kestra::TByteReader reader(first, "re-read");
    again->LoadFromStream(reader); // what we wrote must load
    if (Encode(*again) != first) std::abort();
    return 0;
}

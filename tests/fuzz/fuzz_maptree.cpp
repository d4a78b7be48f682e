// Loads arbitrary bytes as a map tree, walks every inherited setting, and checks that a
// tree that loads survives save and reload unchanged.
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Warning.h"
#include "data/LD_MapTree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::SetWarningsEnabled(false); // broken data by the million
    kestra::TVezMapTree tree;
    try {
        tree.LoadFromBytes(std::span(data, size), "fuzz.lmt");
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    for (std::size_t i = 0; i < tree.Count() && i < 64; ++i) {
        std::int32_t id = tree.ItemAt(i)->Id;
        (void)tree.MusicKind(id);
        (void)tree.Backdrop(id);
        (void)tree.CanSave(id);
        (void)tree.EncounterTroops(id, 1, 1);
    }
    auto once = tree.SaveToBytes();
    kestra::TVezMapTree again;
    again.LoadFromBytes(once, "resaved.lmt");
    if (again.SaveToBytes() != once) __builtin_trap();
    return 0;
}

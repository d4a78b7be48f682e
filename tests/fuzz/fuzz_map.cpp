// Map unit files from strangers: any byte string must load or raise EKestraError.
#include "data/LD_Map.h"
#include "graphics/GR_ChipSetTiles.h"

#include "shell/Errors.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::TVezMap map;
    try {
        map.LoadFromBytes(std::span<const std::uint8_t>(data, size), "fuzz.lmu");
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    // Walk both layers through the lookups the field uses, including the wrap edges.
    int sum = 0;
    for (int y = -1; y <= map.Height && y < 64; ++y)
        for (int x = -1; x <= map.Width && x < 64; ++x) {
            int lower = map.Lower.TileAt(x, y);
            int upper = map.Upper.TileAt(x, y);
            sum += kestra::LowerEntryOf(lower) + kestra::UpperEntryOf(upper);
            sum += kestra::TilePieces(lower, x * 7, x & 1, y & 1).Count;
        }
    // A loaded map writes and reads back.
    std::vector<std::uint8_t> again = map.SaveToBytes();
    kestra::TVezMap copy;
    copy.LoadFromBytes(again, "copy.lmu");
    return sum == -1 ? 1 : 0;
}

// Map unit files from strangers: any byte string must load or raise EKestraError.
#include "base/Warning.h"
#include "data/LD_Map.h"
#include "graphics/GR_ChipSetTiles.h"

#include "base/Errors.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::SetWarningsEnabled(false); // broken data by the million
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
    // Every chip set ID resolves (to a blank picture); page graphics that name no file
    // are cached blank.
    kestra::TVezChipSet chipSets;
    chipSets.Obtain(map.ChipSet);
    try {
        map.AttachGraphics(chipSets);
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    kestra::TKandelBoard board;
    board.SetSize(64, 64);
    for (std::size_t e = 0; e < map.Events.Count() && e < 16; ++e) {
        const kestra::TVezEventItem& event = *map.Events.ItemAt(e);
        // A stored page list may be empty.
        if (event.Pages.Count() == 0) continue;
        const kestra::TVezEventPageItem& page = *event.Pages.ItemAt(0);
        int index = map.CharSetGraphic().IndexOf(page.Graphic);
        map.CharSetGraphic().DrawCharacter(board, event.X, event.Y, page.Transparent, page.Pattern,
                                           page.Direction, page.GraphicIndex, index);
        map.ChipSetGraphic().DrawTile(board, event.X, event.Y, map.Lower.TileAt(event.X, event.Y),
                                      page.Pattern, page.MoveSpeed % 64);
    }
    // A loaded map writes and reads back.
    std::vector<std::uint8_t> again = map.SaveToBytes();
    kestra::TVezMap copy;
    copy.LoadFromBytes(again, "copy.lmu");
    return sum == -1 ? 1 : 0;
}

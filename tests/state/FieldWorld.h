#pragma once
// A small map built in memory for the movement and map-state tests: plain lower
// tile 0 and upper tile 0 everywhere, every direction open, one chip set; the map state
// and hero are those of a game state over the fixture's database.
#include <memory>
#include <vector>

#include "GameFixture.h"
#include "graphics/GR_ChipSetTiles.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra::test {

struct TFieldWorld {
    explicit TFieldWorld(int width = 30, int height = 20, std::uint8_t wrapping = 0,
                         std::uint32_t seed = 1)
        : Random(seed), State(Fixture.Env()), Map(State.Map), Hero(State.Hero) {
        Unit.Lower.Resize(width, height);
        Unit.Upper.Resize(width, height);
        for (auto& t : Unit.Lower.Tiles()) t = 5000;
        for (auto& t : Unit.Upper.Tiles()) t = 10000;
        Unit.Wrapping = wrapping;
        Unit.Lower.HorizontalWrap = (wrapping & 2) != 0;
        Unit.Lower.VerticalWrap = (wrapping & 1) != 0;
        Unit.Upper.HorizontalWrap = Unit.Lower.HorizontalWrap;
        Unit.Upper.VerticalWrap = Unit.Lower.VerticalWrap;
        Unit.ChipSet = 1;
        auto& chip = ChipSets.Obtain(1);
        chip.Lower.fill(15);
        chip.Upper.fill(15);
        Map.Attach(Unit, ChipSets, Random);
        Hero.MapId = 1;
        Map.SetHero(Hero);
    }
    TVezChipSetItem& Chip() { return *ChipSets.Find(1); }
    // Lower plain tile n at a cell, with its chip set flags.
    void SetLower(int x, int y, int n, std::uint8_t flags) {
        Unit.Lower.SetTile(x, y, static_cast<std::uint16_t>(5000 + n));
        Chip().Lower[static_cast<std::size_t>(LowerEntryOf(5000 + n))] = flags;
    }
    void SetUpper(int x, int y, int n, std::uint8_t flags) {
        Unit.Upper.SetTile(x, y, static_cast<std::uint16_t>(10000 + n));
        Chip().Upper[static_cast<std::size_t>(n)] = flags;
    }
    TLcfgCharacter& AddEvent(int x, int y) {
        auto e = std::make_unique<TLcfgCharacter>(static_cast<std::int32_t>(Events.size() + 1));
        e->X = x;
        e->Y = y;
        e->SpriteName = "npc";
        Events.push_back(std::move(e));
        std::vector<TLcfgCharacter*> list;
        for (auto& p : Events) list.push_back(p.get());
        Map.SetEvents(list);
        return *Events.back();
    }
    // One field frame of character updates.
    void Frame() {
        for (TLcfgCharacter* c : Map.Characters()) c->UpdatedThisFrame = false;
        for (TLcfgCharacter* c : Map.Characters()) c->Update();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    TGameFixture Fixture;
    TRandom Random;
    TVezMap Unit{1};
    TVezChipSet ChipSets;
    TLcfgGameState State;
    TLcfgMap& Map;
    TLcfgParty& Hero;
    std::vector<std::unique_ptr<TLcfgCharacter>> Events;
};

// A route of plain command codes.
inline TVezMoveRoute Route(std::vector<std::int32_t> codes, bool repeat = false,
                           bool skip = false) {
    TVezMoveRoute r;
    for (auto c : codes) {
        TVezMoveRouteItem item;
        item.Code = c;
        r.Commands.Items.push_back(item);
    }
    r.Repeat = repeat;
    r.SkipBlocked = skip;
    return r;
}

} // namespace kestra::test

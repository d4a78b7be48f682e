// One whole field frame (character updates, panorama behind every cell, both tile
// layers, twenty walking characters and the hero) on a busy synthetic town: the map
// unit of the real game object over the packed test game "field", drawn by the game's
// own field scene on the game's board.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "../tests/TestGame.h"
#include "../tests/state/FieldWorld.h"
#include "data/DataBase.h"
#include "graphics/GR_ChipSetTiles.h"
#include "scenes/LS_Field.h"

namespace {

using namespace kestra;

TKandelBitmap Picture(int width, int height, int seed) {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, width, height);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                                    static_cast<std::uint8_t>(255 - i),
                                                    static_cast<std::uint8_t>(i * 3), 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.Row(y)[x] =
                static_cast<std::uint8_t>((x * seed + y * 5) % 7 == 0 ? 0 : 1 + (x ^ y) % 250);
    return bmp;
}

void BM_FieldFrame(benchmark::State& state) {
    test::TTestGame files("field");
    TGameMain& game = files.Start("", 1000000000);
    StartNewGame(game);
    game.RandomGenerator->Seed = 7;
    TGameSession& session = *game.Session;
    TVezMap& unit = session.Unit;
    TLcfgGameState& gameState = session.Save->State;
    TLcfgMap& map = gameState.Map;
    TLcfgParty& hero = gameState.Hero;
    unit.Lower.Resize(60, 40);
    unit.Upper.Resize(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            unit.Lower.SetTile(x, y, static_cast<std::uint16_t>(5000 + (x + y) % 100));
            unit.Upper.SetTile(x, y, static_cast<std::uint16_t>(10001 + (x * 3 + y) % 100));
        }
    unit.PanoramaOn = true;
    unit.Events.Clear();
    unit.ChipSetGraphic().LoadChipSetBitmap(Picture(KChipSetWidth, KChipSetHeight, 3), "b");
    unit.CharSetGraphic().AddBitmap("people", Picture(288, 256, 5));
    map.Attach(unit, session.DataBase.ChipSets, game.Random());
    map.SetHero(hero);
    std::vector<std::unique_ptr<TLcfgCharacter>> events;
    std::vector<TLcfgCharacter*> list;
    for (int i = 0; i < 20; ++i) {
        auto e = std::make_unique<TLcfgCharacter>(i + 1);
        e->X = 20 + i % 10;
        e->Y = 15 + i / 10 * 3;
        e->SpriteName = "people";
        e->SpriteIndex = i % 8;
        list.push_back(e.get());
        events.push_back(std::move(e));
    }
    map.SetEvents(list);
    for (auto& e : events) e->SetForcedRoute(test::Route({8}, true, true), 7);
    hero.SpriteName = "people";
    hero.SetPosition(1, 25, 18);
    TVezFieldScene& scene = InstallField(game, session);
    TKandelBitmap panorama = Picture(320, 240, 11);
    map.Enter(true, &panorama);
    scene.Entered = true;
    TKandelBoard& board = game.Display->Board;
    int frame = 0;
    for (auto _ : state) {
        ++frame;
        game.Input->Direction = (frame / 64) % 2 == 0 ? 6 : 4;
        scene.Update();
        scene.Draw();
        benchmark::DoNotOptimize(board.ScanLine(0));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FieldFrame);

} // namespace

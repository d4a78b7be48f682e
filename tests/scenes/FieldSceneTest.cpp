// The field scene of the real game object on a synthetic map: a scripted walk gives the
// same board hashes every run, two pictures are compared with tests/golden/field_*.png
// (KESTRA_UPDATE_GOLDEN=1 rewrites them after an intended change), teleports and
// encounters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "../interpreter/ScriptWorld.h"
#include "../state/FieldWorld.h"
#include "data/Catalog.h"
#include "graphics/KandelPng.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"

namespace kestra {
namespace {

TKandelBitmap Paletted(int width, int height) {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, width, height);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 53 % 256),
                                                    static_cast<std::uint8_t>(i * 29 % 256),
                                                    static_cast<std::uint8_t>(i * 7 % 256), 0};
    return bmp;
}

// Lower tiles in checks, upper tiles with a hole in the middle, character frames as
// discs whose colour names character, direction and frame.
TKandelBitmap ChipPicture() {
    TKandelBitmap bmp = Paletted(KChipSetWidth, KChipSetHeight);
    for (int y = 0; y < KChipSetHeight; ++y)
        for (int x = 0; x < KChipSetWidth; ++x) {
            const int cell = (x / 16) * 7 + (y / 16) * 3;
            const bool hole =
                x >= 288 && (x % 16 > 3 && x % 16 < 12) && (y % 16 > 3 && y % 16 < 12);
            bmp.Row(y)[x] = static_cast<std::uint8_t>(hole ? 0 : 1 + (cell + ((x ^ y) & 4)) % 250);
        }
    return bmp;
}

TKandelBitmap CharPicture() {
    TKandelBitmap bmp = Paletted(288, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 288; ++x) {
            const int fx = x % 24, fy = y % 32;
            const bool body = (fx - 12) * (fx - 12) * 3 + (fy - 18) * (fy - 18) < 140;
            bmp.Row(y)[x] =
                static_cast<std::uint8_t>(body ? 30 + (x / 24) * 11 + (y / 32) * 17 : 0);
        }
    return bmp;
}

TKandelBitmap PanoramaPicture() {
    TKandelBitmap bmp = Paletted(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            bmp.Row(y)[x] = static_cast<std::uint8_t>(200 + (x / 8 + y / 8) % 40);
    return bmp;
}

// A town of 40 x 30 tiles with walls, a panorama behind the holes of the upper
// layer, some walking people and a tile event; encounters every few steps. It is the
// map unit of the real game object (test game "field", seeded with `seed`), drawn by the
// game's field scene on the game's board.
struct TFieldRun {
    explicit TFieldRun(std::uint32_t seed)
        : Game(Files.Start("", test::KManyFrames)), Unit(Game.Session->Unit),
          State(Game.Session->Save->State), Hero(State.Hero), Map(State.Map),
          Screen(Game.Display->Board) {
        StartNewGame(Game);
        Game.RandomGenerator->Seed = seed;
        TVezChipSetItem& chip = Game.Session->DataBase.ChipSets.Get(1);
        chip.Lower.fill(15);
        chip.Upper.fill(15);
        Unit.Lower.Resize(40, 30);
        Unit.Upper.Resize(40, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                Unit.Lower.SetTile(x, y, static_cast<std::uint16_t>(5000 + (x + 2 * y) % 24));
                Unit.Upper.SetTile(x, y, 10000);
                if ((x * 7 + y * 3) % 11 == 0) SetUpper(x, y, 1 + (x + y) % 20, 15);
            }
        for (int x = 12; x < 20; ++x) SetUpper(x, 8, 40, 0); // a wall
        SetUpper(25, 12, 41, 15 | KPassAbove);               // a roof over the path
        Unit.PanoramaOn = true;
        Unit.Events.Clear();
        auto& chips = Unit.ChipSetGraphic();
        chips.LoadChipSetBitmap(ChipPicture(), "town");
        Unit.CharSetGraphic().AddBitmap("people", CharPicture());
        Map.Attach(Unit, Game.Session->DataBase.ChipSets, Game.Random());
        Map.SetHero(Hero);
        for (int i = 0; i < 5; ++i) {
            auto& e = AddEvent(8 + 3 * i, 12 + (i % 3));
            e.SpriteName = "people";
            e.SpriteIndex = i + 1;
            e.Layer = i == 4 ? 2 : 1;
            e.SetForcedRoute(test::Route({8, 23}, true, true), 4);
        }
        auto& tile = AddEvent(6, 6);
        tile.SpriteName.clear();
        tile.SpriteIndex = 30;
        tile.Layer = 0;
        Hero.SpriteName = "people";
        Hero.SpriteIndex = 0;
        Hero.Transparency = 0;
        Hero.SetPosition(1, 10, 10);
        Game.Session->MapTree.Obtain(1).EncounterSteps = 3;
        Scene = &InstallField(Game, *Game.Session);
        State.System.MessageAvoidsParty = false;
        Map.Enter(true, &Panorama);
    }
    void SetUpper(int x, int y, int n, std::uint8_t flags) {
        Unit.Upper.SetTile(x, y, static_cast<std::uint16_t>(10000 + n));
        Game.Session->DataBase.ChipSets.Get(1).Upper[static_cast<std::size_t>(n)] = flags;
    }
    TLcfgCharacter& AddEvent(int x, int y) {
        auto e = std::make_unique<TLcfgCharacter>(static_cast<std::int32_t>(Events.size() + 1));
        e->X = x;
        e->Y = y;
        e->SpriteName = "people";
        Events.push_back(std::move(e));
        std::vector<TLcfgCharacter*> list;
        for (auto& p : Events) list.push_back(p.get());
        Map.SetEvents(list);
        return *Events.back();
    }

    TKandelBitmap Panorama = PanoramaPicture();
    test::TTestGame Files{"field"};
    TGameMain& Game;
    TVezMap& Unit;
    TLcfgGameState& State;
    TLcfgParty& Hero;
    TLcfgMap& Map;
    TKandelBoard& Screen;
    std::vector<std::unique_ptr<TLcfgCharacter>> Events;
    TVezFieldScene* Scene = nullptr;
    int Direction = 0;

    // The script: right, down, left, up in stretches; a hash every eight frames.
    std::vector<std::uint64_t> Walk(int frames) {
        std::vector<std::uint64_t> hashes;
        static constexpr int KDirections[] = {6, 6, 2, 6, 2, 2, 4, 8, 6, 6};
        for (int f = 0; f < frames; ++f) {
            Direction = KDirections[(f / 24) % 10];
            Game.Input->Direction = static_cast<std::uint8_t>(Direction);
            Scene->Update();
            if (f % 8 == 0) {
                Scene->Draw();
                hashes.push_back(BoardHash(Screen));
            }
        }
        return hashes;
    }
};

using test::CompareGolden;

TEST(FieldScene, ScriptedWalkIsDeterministicAndMatchesGoldens) {
    TFieldRun a(2024);
    a.Scene->Draw();
    CompareGolden(a.Screen, "field_start.png");
    const auto first = a.Walk(480);
    CompareGolden(a.Screen, "field_walk.png");
    TFieldRun b(2024);
    b.Scene->Draw();
    const auto second = b.Walk(480);
    EXPECT_EQ(first, second);
    EXPECT_EQ(a.Game.Random().Seed, b.Game.Random().Seed);
    // The hero walked and the view followed; encounters were rolled, but the map has no
    // troops, so no battle started.
    EXPECT_NE(a.Hero.X, 10);
    EXPECT_GT(a.Scene->EncountersRolled, 0);
    EXPECT_EQ(a.Game.System().Scene, KSceneField);
    EXPECT_EQ(a.Map.ScrollX, std::clamp(a.Hero.X * 256 - 2304, 0, 20 * 256));
    // Another seed walks another way.
    TFieldRun c(99);
    EXPECT_NE(c.Walk(480), first);
}

TEST(FieldScene, TeleportsUseTheLastRequestAndAreBoundedPerFrame) {
    TFieldRun run(5);
    run.Scene->RequestTeleport(1, 3, 3);
    run.Scene->RequestTeleport(1, 30, 20);
    run.Scene->Update();
    EXPECT_EQ(run.Hero.X, 30);
    EXPECT_EQ(run.Hero.Y, 20);
    EXPECT_EQ(run.Map.ScrollX, 20 * 256); // clamped at the right border
    EXPECT_EQ(run.Map.ScrollY, 20 * 256 - 1792);
    // A frame carries out a bounded number of teleport passes: see the field events'
    // endless teleport.
}

TEST(FieldScene, AboveTilesCoverCharactersAndHiddenHeroIsNotDrawn) {
    TFieldRun run(7);
    auto pixelOnHero = [&] {
        run.Scene->Draw();
        // Inside the hero's figure and inside the solid rim of its cell's tile.
        const int left = run.Hero.ScreenX() - 8;
        const int top = run.Hero.ScreenY() - 16;
        return run.Screen.ScanLine(top + 8)[left + 3];
    };
    run.Hero.SetPosition(1, 25, 12); // under the roof
    run.Map.Recentre();
    const auto covered = pixelOnHero();
    run.Hero.Hidden = true;
    EXPECT_EQ(pixelOnHero(), covered); // the roof is drawn over the hero
    run.Hero.Hidden = false;
    run.Hero.SetPosition(1, 24, 12);
    run.Map.Recentre();
    const auto shown = pixelOnHero();
    run.Hero.Hidden = true;
    EXPECT_NE(pixelOnHero(), shown);
}

} // namespace
} // namespace kestra

// The field scene on a synthetic map: a scripted walk gives the same board hashes
// every run, two pictures are compared with tests/golden/field_*.png
// (KESTRA_UPDATE_GOLDEN=1 rewrites them after an intended change), teleports and
// encounters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "../GoldenPicture.h"
#include "../state/FieldWorld.h"
#include "data/Catalog.h"
#include "graphics/KandelPng.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"

namespace kestra {
namespace {

class TFieldHost : public TSceneHost {
public:
    explicit TFieldHost(TRandom& random) : Rng(random) { Screen.SetSize(320, 240); }
    TKandelBoard& Board() override { return Screen; }
    bool CanDraw() override { return true; }
    void Present() override {}
    void WaitFrame() override { ++Waits; }
    void FlushInput() override {}
    TRandom& Random() override { return Rng; }
    TKandelBoard Screen;
    TRandom& Rng;
    int Waits = 0;
};

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
// layer, some walking people and a tile event; encounters every few steps.
struct TFieldRun {
    explicit TFieldRun(std::uint32_t seed) : World(40, 30, 0, seed), Host(World.Random) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                World.Unit.Lower.SetTile(x, y, static_cast<std::uint16_t>(5000 + (x + 2 * y) % 24));
                if ((x * 7 + y * 3) % 11 == 0) World.SetUpper(x, y, 1 + (x + y) % 20, 15);
            }
        for (int x = 12; x < 20; ++x) World.SetUpper(x, 8, 40, 0); // a wall
        World.SetUpper(25, 12, 41, 15 | KPassAbove);               // a roof over the path
        World.Unit.PanoramaOn = true;
        auto& chips = World.Unit.ChipSetGraphic();
        chips.LoadChipSetBitmap(ChipPicture(), "town");
        World.Unit.CharSetGraphic().AddBitmap("people", CharPicture());
        for (int i = 0; i < 5; ++i) {
            auto& e = World.AddEvent(8 + 3 * i, 12 + (i % 3));
            e.SpriteName = "people";
            e.SpriteIndex = i + 1;
            e.Layer = i == 4 ? 2 : 1;
            e.SetForcedRoute(test::Route({8, 23}, true, true), 4);
        }
        auto& tile = World.AddEvent(6, 6);
        tile.SpriteName.clear();
        tile.SpriteIndex = 30;
        tile.Layer = 0;
        World.Hero.SpriteName = "people";
        World.Hero.SetPosition(1, 10, 10);
        auto& entry = Tree.Obtain(1);
        entry.EncounterSteps = 3;
        Scene = std::make_unique<TVezFieldScene>(Host, World.Map, World.Hero, World.Unit);
        Scene->MapTree = &Tree;
        Scene->InputDirection = [this] { return Direction; };
        World.Map.Enter(true, &Panorama);
    }
    TKandelBitmap Panorama = PanoramaPicture();
    test::TFieldWorld World;
    TFieldHost Host;
    TVezMapTree Tree;
    std::unique_ptr<TVezFieldScene> Scene;
    int Direction = 0;

    // The script: right, down, left, up in stretches; a hash every eight frames.
    std::vector<std::uint64_t> Walk(int frames) {
        std::vector<std::uint64_t> hashes;
        static constexpr int KDirections[] = {6, 6, 2, 6, 2, 2, 4, 8, 6, 6};
        for (int f = 0; f < frames; ++f) {
            Direction = KDirections[(f / 24) % 10];
            Scene->Update();
            if (f % 8 == 0) {
                Scene->Draw();
                hashes.push_back(BoardHash(Host.Screen));
            }
        }
        return hashes;
    }
};

using test::CompareGolden;

TEST(FieldScene, ScriptedWalkIsDeterministicAndMatchesGoldens) {
    TFieldRun a(2024);
    a.Scene->Draw();
    CompareGolden(a.Host.Screen, "field_start.png");
    const auto first = a.Walk(480);
    CompareGolden(a.Host.Screen, "field_walk.png");
    TFieldRun b(2024);
    b.Scene->Draw();
    const auto second = b.Walk(480);
    EXPECT_EQ(first, second);
    EXPECT_EQ(a.World.Random.Seed, b.World.Random.Seed);
    // The hero walked and the view followed; encounters were rolled and recorded,
    // the battle itself is not available yet.
    EXPECT_NE(a.World.Hero.X, 10);
    EXPECT_GT(a.Scene->EncountersRolled, 0);
    EXPECT_TRUE(a.Scene->BattleUnavailable);
    EXPECT_EQ(a.World.Map.ScrollX, std::clamp(a.World.Hero.X * 256 - 2304, 0, 20 * 256));
    // Another seed walks another way.
    TFieldRun c(99);
    EXPECT_NE(c.Walk(480), first);
}

TEST(FieldScene, TeleportsUseTheLastRequestAndAreBoundedPerFrame) {
    TFieldRun run(5);
    run.Scene->RequestTeleport(1, 3, 3);
    run.Scene->RequestTeleport(1, 30, 20);
    run.Scene->Update();
    EXPECT_EQ(run.World.Hero.X, 30);
    EXPECT_EQ(run.World.Hero.Y, 20);
    EXPECT_EQ(run.World.Map.ScrollX, 20 * 256); // clamped at the right border
    EXPECT_EQ(run.World.Map.ScrollY, 20 * 256 - 1792);
    // A map loader that asks for another teleport on every pass: the frame ends after
    // a bounded number of passes with the request still pending.
    int loads = 0;
    run.Scene->LoadMapUnit = [&](std::int32_t) {
        ++loads;
        run.Scene->RequestTeleport(loads % 2 == 0 ? 2 : 3, 5, 5);
    };
    run.Scene->RequestTeleport(2, 5, 5);
    run.Scene->PerformTeleport();
    EXPECT_EQ(loads, KMaxTeleportPasses);
    EXPECT_TRUE(run.Scene->TeleportPending);
}

TEST(FieldScene, AboveTilesCoverCharactersAndHiddenHeroIsNotDrawn) {
    TFieldRun run(7);
    auto pixelOnHero = [&] {
        run.Scene->Draw();
        // Inside the hero's figure and inside the solid rim of its cell's tile.
        const int left = run.World.Hero.ScreenX() - 8;
        const int top = run.World.Hero.ScreenY() - 16;
        return run.Host.Screen.ScanLine(top + 8)[left + 3];
    };
    run.World.Hero.SetPosition(1, 25, 12); // under the roof
    run.World.Map.Recentre();
    const auto covered = pixelOnHero();
    run.World.Hero.Hidden = true;
    EXPECT_EQ(pixelOnHero(), covered); // the roof is drawn over the hero
    run.World.Hero.Hidden = false;
    run.World.Hero.SetPosition(1, 24, 12);
    run.World.Map.Recentre();
    const auto shown = pixelOnHero();
    run.World.Hero.Hidden = true;
    EXPECT_NE(pixelOnHero(), shown);
}

} // namespace
} // namespace kestra

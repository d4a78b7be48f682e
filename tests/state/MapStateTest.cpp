#include <gtest/gtest.h>

#include "FieldWorld.h"

namespace kestra {
namespace {

using test::TFieldWorld;

TEST(MapScroll, LoopingMapsWrapBothWaysWithPositiveModulo) {
    TFieldWorld w(30, 20, 3);
    w.Map.SetScrollX(-256);
    EXPECT_EQ(w.Map.ScrollX, 29 * 256);
    w.Map.SetScrollX(-100 * 30 * 256 - 5); // far beyond one map width
    EXPECT_EQ(w.Map.ScrollX, 30 * 256 - 5);
    w.Map.SetScrollY(0);
    EXPECT_TRUE(w.Map.ScrollUp(16));
    EXPECT_EQ(w.Map.ScrollY, 20 * 256 - 16);
    EXPECT_TRUE(w.Map.ScrollDown(32));
    EXPECT_EQ(w.Map.ScrollY, 16);
    EXPECT_EQ(w.Map.WrapX(-1), 29);
    EXPECT_EQ(w.Map.WrapY(-41), 19);
    EXPECT_TRUE(w.Map.IsInside(-5, 300));
    // Tiles are read through the wrap.
    w.SetLower(29, 19, 7, 15);
    EXPECT_EQ(w.Map.LowerTileAt(-1, -1), 5007);
}

TEST(MapScroll, ClampedMapsAndMapsSmallerThanTheView) {
    TFieldWorld w(30, 20);
    w.Map.SetScrollX(-1000);
    EXPECT_EQ(w.Map.ScrollX, 0);
    EXPECT_FALSE(w.Map.ScrollLeft(16)); // at the border nothing changes
    w.Map.SetScrollX(1 << 20);
    EXPECT_EQ(w.Map.ScrollX, 10 * 256);
    w.Map.SetScrollY(1 << 20);
    EXPECT_EQ(w.Map.ScrollY, 5 * 256);
    EXPECT_FALSE(w.Map.IsInside(-1, 0));
    EXPECT_FALSE(w.Map.IsInside(0, 20));
    // Exactly the view's size does not scroll at all; a smaller map stays at 0.
    for (auto [mw, mh] : {std::pair{20, 15}, std::pair{8, 6}}) {
        TFieldWorld s(mw, mh);
        s.Map.SetScrollX(5000);
        s.Map.SetScrollY(-5000);
        EXPECT_EQ(s.Map.ScrollX, 0);
        EXPECT_EQ(s.Map.ScrollY, 0);
        EXPECT_FALSE(s.Map.ScrollRight(16));
    }
}

TEST(MapPassage, AboveTilesWallEdgesAndEdges) {
    TFieldWorld w;
    // An above tile with all four directions over a blocked lower tile blocks.
    w.SetLower(5, 5, 3, 0);
    w.SetUpper(5, 5, 2, 15 | KPassAbove);
    EXPECT_FALSE(w.Map.CanEnter(5, 5, 0, KEdgeLeft));
    EXPECT_FALSE(w.Map.CanEnter(5, 5, 0, KEdgeOccupy));
    // The same over an auto tile of shape 20 with the wall-edge flag lets it pass.
    w.Unit.Lower.SetTile(5, 5, 4020);
    w.Chip().Lower[static_cast<std::size_t>(LowerEntryOf(4020))] = 0x20;
    EXPECT_TRUE(w.Map.CanEnter(5, 5, 0, KEdgeLeft));
    EXPECT_TRUE(w.Map.CanEnter(5, 5, 0, KEdgeOccupy));
    // Shape 24 is not in the wall-edge table.
    w.Unit.Lower.SetTile(5, 5, 4024);
    EXPECT_FALSE(w.Map.CanEnter(5, 5, 0, KEdgeLeft));
    // One closed edge: entering from the left is refused, from below allowed.
    w.SetUpper(7, 7, 5, 15 & ~2);
    EXPECT_FALSE(w.Map.CanEnter(7, 7, 0, KEdgeLeft));
    EXPECT_TRUE(w.Map.CanEnter(7, 7, 0, KEdgeBottom));
    EXPECT_FALSE(w.Map.CanEnter(7, 7, 0, 9));
    // Walking into it from the left fails, from below works.
    w.Hero.SetPosition(1, 6, 7);
    EXPECT_FALSE(w.Hero.Move(KDirRight));
    w.Hero.SetPosition(1, 7, 8);
    EXPECT_TRUE(w.Hero.Move(KDirUp));
}

TEST(MapPassage, TileEventsBlockOthersButNotThemselves) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    e.SpriteName.clear();
    e.Layer = 0;
    e.SpriteIndex = 9;
    w.Chip().Upper[9] = 0;
    EXPECT_FALSE(w.Map.CanEnter(5, 5, 0, KEdgeLeft));
    EXPECT_TRUE(w.Map.CanEnter(5, 5, e.Id, KEdgeLeft));
    e.Through = true;
    EXPECT_TRUE(w.Map.CanEnter(5, 5, 0, KEdgeLeft));
    EXPECT_EQ(w.Map.EventIdAt(5, 5), e.Id);
    EXPECT_EQ(w.Map.EventIdAt(6, 5), 0);
}

TEST(MapTiles, SubstitutionReplaceTilesAndCounterTiles) {
    TFieldWorld w;
    w.SetLower(1, 1, 4, 15);
    w.SetLower(2, 1, 6, 15);
    w.Map.ReplaceTiles(0, 4, 6);
    EXPECT_EQ(w.Map.LowerTileAt(1, 1), 5006);
    w.Map.ReplaceTiles(0, 6, 8); // cells changed before change again
    EXPECT_EQ(w.Map.LowerTileAt(1, 1), 5008);
    EXPECT_EQ(w.Map.LowerTileAt(2, 1), 5008);
    w.Map.ReplaceTiles(0, 500, 1); // out of range: ignored
    w.Map.ReplaceTiles(1, 0, 200); // a new tile beyond the table clamps
    EXPECT_EQ(w.Map.UpperTileAt(3, 3), 10143);
    // Auto and animated tiles pass unchanged.
    w.Unit.Lower.SetTile(4, 4, 4020);
    EXPECT_EQ(w.Map.LowerTileAt(4, 4), 4020);
    // The counter flag of the upper tile.
    w.SetUpper(8, 8, 12, 15 | 0x40);
    EXPECT_TRUE(w.Map.IsCounter(8, 8));
    EXPECT_FALSE(w.Map.IsCounter(8, 9) && w.Map.UpperTileAt(8, 9) != 10012);
    // Terrain of the lower tile's entry.
    w.Chip().Terrain[static_cast<std::size_t>(LowerEntryOf(5008))] = 3;
    EXPECT_EQ(w.Map.TerrainAt(2, 1), 3);
}

TEST(MapSettings, InheritedThroughTheTree) {
    TVezMapTree tree;
    auto& root = tree.Obtain(1);
    root.MusicKind = 2;
    root.Music.Name = "Field";
    root.BackdropKind = 2;
    root.Backdrop = "Plains";
    root.Teleport = 1;
    root.Escape = 2;
    root.Save = 1;
    root.EncounterSteps = 30;
    auto& town = tree.Obtain(2);
    town.Parent = 1;
    town.Escape = 1;
    town.EncounterSteps = 0;
    auto& inn = tree.Obtain(3);
    inn.Parent = 2;
    inn.MusicKind = 1;
    inn.BackdropKind = 1;
    const auto townSettings = InheritedMapSettings(tree, 2);
    EXPECT_EQ(townSettings.MusicKind, 2);
    EXPECT_EQ(townSettings.Music.Name, "Field");
    EXPECT_EQ(townSettings.Backdrop, "Plains");
    EXPECT_TRUE(townSettings.CanTeleport);
    EXPECT_TRUE(townSettings.CanEscape);
    EXPECT_TRUE(townSettings.CanSave);
    const auto innSettings = InheritedMapSettings(tree, 3);
    EXPECT_EQ(innSettings.MusicKind, 1);
    EXPECT_EQ(innSettings.Backdrop, "");
    EXPECT_FALSE(InheritedMapSettings(tree, 1).CanEscape);
    // Encounter steps: the entry's own value unless overridden.
    TFieldWorld w;
    w.Hero.MapId = 1;
    EXPECT_EQ(w.Map.EncounterSteps(tree), 30);
    w.Hero.MapId = 2;
    EXPECT_EQ(w.Map.EncounterSteps(tree), 0);
    w.Map.SetEncounterSteps(12);
    EXPECT_EQ(w.Map.EncounterSteps(tree), 12);
}

TEST(Encounters, StepRuleFollowsTheCounterAndOneDrawPerStep) {
    EXPECT_DOUBLE_EQ(EncounterFactor(100, 25), 1.0 / 50.0);
    EXPECT_DOUBLE_EQ(EncounterFactor(499, 25), 1.0 / 50.0);
    EXPECT_DOUBLE_EQ(EncounterFactor(500, 25), 1.0 / 25.0 / 1.5);
    EXPECT_DOUBLE_EQ(EncounterFactor(2500, 25), 1.2 / 25.0);
    EXPECT_DOUBLE_EQ(EncounterFactor(5000, 25), 1.5 / 25.0);
    TLcfgParty hero;
    TRandom random(777);
    TRandom mirror(777);
    int met = 0;
    for (int step = 0; step < 400; ++step) {
        const std::int32_t before = hero.EncounterCounter;
        const bool due = EncounterStep(hero, 100, 25, random);
        const double chance = 100 * EncounterFactor(before + 100, 25) / 100.0 * 1000.0;
        EXPECT_EQ(due, chance > mirror.Next(1000));
        if (due) {
            ++met;
            EXPECT_EQ(hero.EncounterCounter, 0);
            EXPECT_TRUE(hero.EncounterPending);
            hero.EncounterPending = false;
        } else {
            EXPECT_EQ(hero.EncounterCounter, before + 100);
        }
    }
    EXPECT_GT(met, 3);
    // No encounter steps: no draw at all.
    const auto seed = random.Seed;
    EXPECT_FALSE(EncounterStep(hero, 100, 0, random));
    EXPECT_EQ(random.Seed, seed);
}

TEST(Panorama, FollowsTheMapAndAutoScrolls) {
    TKandelBitmap picture;
    picture.Width = 480;
    picture.Height = 240;
    picture.PaletteSize = 2;
    picture.Pixels.assign(480 * 240, 1);
    TFieldWorld w(40, 15);
    w.Unit.PanoramaOn = true;
    w.Hero.SetPosition(1, 30, 7);
    w.Map.Enter(true, &picture);
    ASSERT_EQ(w.Map.Panorama.Width, 480);
    // Range (40 - 20) x 16 = 320 pixels of map, 160 of panorama overhang.
    EXPECT_EQ(w.Map.ScrollX, 20 * 256);
    EXPECT_EQ(w.Map.Panorama.X, 160 * 20 * 256 * 2 / 320);
    EXPECT_EQ(w.Map.Panorama.Y, 0); // the map is exactly the view's height
    // With horizontal scrolling the panorama moves by the scroll amount (half speed).
    w.Unit.PanoramaHorizontalScroll = true;
    w.Unit.HorizontalAutoScroll = true;
    w.Unit.HorizontalSpeed = 3;
    w.Map.Enter(true, &picture);
    const auto x0 = w.Map.Panorama.X;
    EXPECT_TRUE(w.Map.ScrollLeft(64));
    const auto wrap = [](std::int32_t v) { return (v % (480 * 32) + 480 * 32) % (480 * 32); };
    EXPECT_EQ(w.Map.Panorama.X, wrap(x0 - 64));
    w.Map.Panorama.Update();
    EXPECT_EQ(w.Map.Panorama.X, wrap(x0 - 64 - 9));
    // Auto-scroll keeps the offset inside the image.
    w.Map.Panorama.X = 3;
    w.Map.Panorama.Update();
    EXPECT_EQ(w.Map.Panorama.X, 480 * 32 - 6);
    w.Unit.HorizontalSpeed = -2;
    w.Map.Enter(true, &picture);
    const auto x1 = w.Map.Panorama.X;
    w.Map.Panorama.Update();
    EXPECT_EQ(w.Map.Panorama.X, x1 + 4);
    // Without a panorama: nothing; with one but no picture: a blank 16 x 16.
    w.Unit.PanoramaOn = false;
    w.Map.Enter(true, &picture);
    EXPECT_EQ(w.Map.Panorama.Width, 0);
    w.Unit.PanoramaOn = true;
    w.Map.Enter(true, nullptr);
    EXPECT_EQ(w.Map.Panorama.Width, 16);
    EXPECT_FALSE(w.Map.Panorama.HasImage());
}

TEST(Panorama, PaddedImageRepeatsItsFirstColumnsAndRows) {
    TKandelBitmap picture;
    picture.Width = 20;
    picture.Height = 10;
    picture.PaletteSize = 30;
    picture.Pixels.resize(200);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            picture.Pixels[static_cast<std::size_t>(y * 20 + x)] = static_cast<std::uint8_t>(x + y);
    TLcfgPanorama p;
    p.Load(picture);
    ASSERT_EQ(p.Image.Width(), 36);
    ASSERT_EQ(p.Image.Height(), 26);
    EXPECT_EQ(p.Image.ScanLine(0)[20], 0);
    EXPECT_EQ(p.Image.ScanLine(0)[35], 15);
    EXPECT_EQ(p.Image.ScanLine(25)[3], 5 + 3); // row 25 = row 5 once more (twice round)
}

TEST(MapEnter, CentresOnTheHeroAndRefusesMapZero) {
    TFieldWorld w(50, 50);
    w.Hero.SetPosition(1, 25, 30);
    w.Hero.CameraX = 100;
    w.Map.ChipSetOverride = 5;
    w.Map.Enter(true, nullptr);
    EXPECT_EQ(w.Hero.CameraX, 2304);
    EXPECT_EQ(w.Map.ChipSetOverride, 0);
    EXPECT_EQ(w.Map.ScrollX, 25 * 256 - 2304);
    EXPECT_EQ(w.Map.ScrollY, 30 * 256 - 1792);
    ASSERT_NE(w.Map.ChipSetRecord(), nullptr);
    w.Hero.MapId = 0;
    EXPECT_THROW(w.Map.Enter(true, nullptr), EKestraError);
}

TEST(MapSave, MapStateRoundTripsAndOmitsDefaults) {
    TFieldWorld w(50, 50);
    w.Hero.SetPosition(1, 25, 30);
    w.Map.Enter(true, nullptr);
    w.Map.ReplaceTiles(0, 2, 3);
    w.Map.PanoramaOverrideName = "Sky";
    w.Map.PanoramaHSpeed = -3;
    w.Map.SetEncounterSteps(0);
    const auto bytes = w.Map.Encode();
    TLcfgGameState other(w.Fixture.Env());
    TLcfgMap& back = other.Map;
    back.Decode(bytes);
    EXPECT_EQ(back.Encode(), bytes);
    EXPECT_EQ(back.LowerSubstitution[2], 3);
    EXPECT_EQ(back.UpperSubstitution[7], 7);
    EXPECT_EQ(back.EncounterStepsOverride, 0);
    EXPECT_EQ(back.ScrollY, w.Map.ScrollY);
    // A fresh map writes only its (empty) event list and the terminator.
    TLcfgGameState fresh(w.Fixture.Env());
    EXPECT_EQ(fresh.Map.Encode(), (std::vector<std::uint8_t>{11, 1, 0, 0}));
}

} // namespace
} // namespace kestra

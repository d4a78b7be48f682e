#include "data/LD_MapTree.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

void FillTree(TVezMapTree& t) {
    auto& root = t.Obtain(1);
    root.Name = "World";
    root.MusicKind = 2;
    root.Music.Name = "Field";
    root.Music.Volume = 80;
    root.BackdropKind = 2;
    root.Backdrop = "Plains";
    root.Teleport = 1;
    root.Escape = 2;
    root.Save = 1;
    root.Encounters.Obtain(1).Troop = 4;
    auto& town = t.Obtain(5);
    town.Name = "Town";
    town.Parent = 1;
    town.Escape = 1;
    town.EncounterSteps = 40;
    auto& area = t.Obtain(6);
    area.Parent = 5;
    area.Kind = TVezMapTreeItem::KKindArea;
    area.Area = {2, 3, 5, 6};
    area.Encounters.Obtain(1).Troop = 7;
    area.Encounters.Obtain(2).Troop = 0;
    auto& cave = t.Obtain(9);
    cave.Parent = 5;
    cave.BackdropKind = 1;
    cave.Editor7 = true;
    t.DisplayOrder = {1, 5, 6, 9};
    t.SelectedId = 9;
    t.Start.Places[0] = {5, 10, 11};
    t.Start.Places[3] = {1, -1, 2};
}

} // namespace

TEST(MapTree, RichTreeRoundTripsByteForByte) {
    TVezMapTree t;
    FillTree(t);
    Bytes file = t.SaveToBytes();
    TVezMapTree back;
    back.LoadFromBytes(file, "KESTRA.lmt");
    EXPECT_EQ(back.SaveToBytes(), file);
    EXPECT_TRUE(back.Equals(t));
    EXPECT_EQ(back.DisplayOrder, t.DisplayOrder);
    EXPECT_EQ(back.SelectedId, 9);
    EXPECT_EQ(back.Start.Places[0].Y, 11);
    EXPECT_EQ(back.Start.Places[3].X, -1);
    EXPECT_EQ(back.Get(6).Encounters.Get(2).Troop, 0);
    EXPECT_EQ(back.Get(1).EncounterSteps, 25);
    EXPECT_EQ(back.Get(5).EncounterSteps, 40);
    EXPECT_TRUE(back.Get(9).Editor7);
    EXPECT_THROW(back.Get(2), ELookupError);
    EXPECT_THROW(back.At(4), ELookupError);
}

TEST(MapTree, SettingsInheritFromTheNearestParentThatSetsThem) {
    TVezMapTree t;
    FillTree(t);
    const TVezMusic* music = nullptr;
    EXPECT_EQ(t.MusicKind(5, &music), 2);
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->Name, "Field");
    EXPECT_EQ(t.Backdrop(5), "Plains");
    EXPECT_EQ(t.Backdrop(9), ""); // kind 1: the terrain's background
    EXPECT_TRUE(t.CanTeleport(9));
    EXPECT_TRUE(t.CanEscape(5));
    EXPECT_FALSE(t.CanEscape(1)); // 2 forbids
    EXPECT_TRUE(t.CanSave(6));
    // An absent map answers the default.
    EXPECT_EQ(t.MusicKind(77), 0);
    EXPECT_FALSE(t.CanSave(77));
}

TEST(MapTree, InheritanceWalksEndOnCyclesAndAbsentParents) {
    TVezMapTree t;
    t.Obtain(2).Parent = 3;
    t.Obtain(3).Parent = 2;  // a cycle with nothing set
    t.Obtain(4).Parent = 4;  // its own parent
    t.Obtain(8).Parent = 50; // absent parent: treated as the root
    EXPECT_EQ(t.MusicKind(2), 0);
    EXPECT_FALSE(t.CanSave(3));
    EXPECT_EQ(t.Backdrop(4), "");
    EXPECT_FALSE(t.CanTeleport(8));
    // A cycle with a setting on it still finds it.
    t.Get(3).Save = 1;
    EXPECT_TRUE(t.CanSave(2));
    // Cycles survive the file round trip too.
    TVezMapTree back;
    back.LoadFromBytes(t.SaveToBytes(), "cycle.lmt");
    EXPECT_TRUE(back.CanSave(2));
    EXPECT_EQ(back.MusicKind(4), 0);
}

TEST(MapTree, AreaEncountersCountOnlyInsideTheRectangle) {
    TVezMapTree t;
    FillTree(t);
    EXPECT_TRUE(t.Get(6).AreaContains(4, 5));
    EXPECT_FALSE(t.Get(6).AreaContains(5, 5));
    EXPECT_FALSE(t.Get(6).AreaContains(4, 6));
    EXPECT_TRUE(t.Get(6).AreaContains(2, 3));
    EXPECT_EQ(t.EncounterTroops(5, 4, 5), (std::vector<std::int32_t>{7, 0}));
    EXPECT_TRUE(t.EncounterTroops(5, 5, 5).empty());
    EXPECT_EQ(t.EncounterTroops(1, 4, 5), (std::vector<std::int32_t>{4}));
}

TEST(MapTree, BrokenFilesRaiseAndLeaveTheTreeEmpty) {
    TVezMapTree t;
    FillTree(t);
    Bytes file = t.SaveToBytes();

    // A display order naming an absent entry.
    TVezMapTree bad;
    FillTree(bad);
    bad.DisplayOrder = {1, 3};
    TVezMapTree back;
    try {
        back.LoadFromBytes(bad.SaveToBytes(), "KESTRA.lmt");
        FAIL();
    } catch (const EStreamReadError& e) {
        EXPECT_NE(std::string(e.what()).find("KESTRA.lmt: offset"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("absent map 3"), std::string::npos);
    }
    EXPECT_EQ(back.Count(), 0u);
    EXPECT_TRUE(back.DisplayOrder.empty());

    // Every truncation of a good file raises a read error, up to a file cut inside or
    // just before its start positions.
    std::size_t raised = 0;
    for (std::size_t n = 0; n < file.size(); ++n) {
        try {
            back.LoadFromBytes(std::span(file.data(), n), "cut.lmt");
        } catch (const EStreamReadError&) {
            ++raised;
        }
    }
    EXPECT_EQ(raised, file.size());

    // Wrong magic.
    Bytes wrong = file;
    wrong[1] = 'v';
    EXPECT_THROW(back.LoadFromBytes(wrong, "KESTRA.lmt"), EStreamReadError);
    // A display-order count larger than the bytes left.
    TVezMapTree empty;
    Bytes huge = empty.SaveToBytes();
    huge[huge.size() - 3] = 0x7F;
    EXPECT_THROW(back.LoadFromBytes(huge, "KESTRA.lmt"), EStreamReadError);
}

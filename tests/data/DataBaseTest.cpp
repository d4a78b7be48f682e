#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header() {
    TByteWriter w;
    WriteLString(w, KDataBaseMagic);
    return w.Bytes;
}

void AddChunk(Bytes& out, std::int32_t id, const Bytes& payload) {
    TByteWriter w;
    WriteVarInt(w, id);
    WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
    w.WriteBytes(payload);
    out.insert(out.end(), w.Bytes.begin(), w.Bytes.end());
}

// A database with something in every table we read.
void Fill(TVezDataBase& db) {
    db.Vocabulary.Term(1) = " appears";
    db.Vocabulary.Term(95) = "G";
    db.Vocabulary.Term(153) = "No";
    db.Vocabulary.Term(43) = "Buy";
    db.Vocabulary.Term(89) = "Leave";
    db.System.VehicleGraphic[1] = "Ship";
    db.System.VehicleIndex[2] = 3;
    db.System.SystemGraphic = "System1";
    db.System.Party = {3, 1, 2};
    db.System.Music[1].Name = "Battle";
    db.System.Music[1].Tempo = 120;
    db.System.Sound[11].Name = "Use";
    db.System.Sound[11].Balance = 0;
    db.System.Transition[4] = 7;
    db.System.FontKind = 1;
    db.System.EditorByte82 = 0;
    db.System.BattleTestBackground = "Grass";
    auto& tp = db.System.BattleTestParty.Obtain(1);
    tp.Actor = 2;
    tp.Level = 15;
    tp.Equip[4] = 9;
    db.System.SaveCount = 12;
    for (std::int32_t i = 1; i <= 3; ++i) db.Switches.Obtain(i).Name = "sw" + std::to_string(i);
    db.Variables.Obtain(7).Name = "steps";
    auto& ce = db.CommonEvents.Obtain(2);
    ce.Name = "clock";
    ce.Trigger = TVezCommonEventItem::KTriggerParallel;
    ce.NeedsSwitch = true;
    ce.Switch = 3;
    ce.Commands.Lines = {{12010, 0, "", {0, 3, 0, 0, 1}}, {10, 1, "tick", {}}, {0, 0, "", {}}};
    auto& an = db.Animations.Obtain(4);
    an.Name = "Fire";
    an.Graphic = "fire";
    an.Scope = 1;
    an.Frames.Clear();
    auto& cell = an.Frames.Obtain(1).Cells.Obtain(1);
    cell.Visible = false;
    cell.Zoom = 250;
    cell.X = -16;
    auto& tm = an.Timings.Obtain(1);
    tm.Frame = 3;
    tm.Sound.Name = "Fire1";
    tm.FlashScope = 2;
    tm.FlashStrength = 10;
    auto& cs = db.ChipSets.Obtain(1);
    cs.Graphic = "World";
    cs.Terrain[5] = 3;
    cs.Upper[0] = 15;
    cs.WaterSpeed = 1;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("kestra-test-") + std::to_string(::getpid()) + "-" + name))
        .string();
}

} // namespace

TEST(DataBase, HeaderOnlyFileIsTheResetDatabase) {
    TVezDataBase db;
    Fill(db);
    db.LoadFromBytes(Header(), "KESTRA.ldb");
    EXPECT_TRUE(db.Equals(TVezDataBase()));
    EXPECT_EQ(db.Switches.Count(), 1u);
    EXPECT_EQ(db.Animations.Count(), 1u);
    EXPECT_EQ(db.CommonEvents.Get(1).Commands.Count(), 1u);
    EXPECT_EQ(db.System.PartyMember(0), 1);
    EXPECT_EQ(db.System.Music[0].Name, "(OFF)");
    EXPECT_EQ(db.Vocabulary.Term(5), "");
}

TEST(DataBase, RichDatabaseRoundTripsByteForByte) {
    TVezDataBase db;
    Fill(db);
    Bytes file = db.SaveToBytes();
    TVezDataBase back;
    back.LoadFromBytes(file, "KESTRA.ldb");
    EXPECT_TRUE(back.Equals(db));
    EXPECT_EQ(back.SaveToBytes(), file);
    EXPECT_EQ(back.Vocabulary.Shop(0)->Texts[2], "Buy");
    EXPECT_EQ(back.Vocabulary.Inn(1)->Texts[4], "Leave");
    EXPECT_EQ(back.Vocabulary.Shop(3), nullptr);
    EXPECT_EQ(back.Vocabulary.Inn(-1), nullptr);
    EXPECT_EQ(back.System.Party, (std::vector<std::uint16_t>{3, 1, 2}));
    EXPECT_EQ(back.System.Music[1].Tempo, 120);
    EXPECT_EQ(back.System.BattleTestParty.Get(1).Equipment(4), 9);
    EXPECT_EQ(back.System.BattleTestParty.Get(1).Equipment(5), 0);
    EXPECT_EQ(back.Switches.Get(3).Name, "sw3");
    EXPECT_EQ(back.CommonEvents.Get(2).Commands.LineAt(1).Text, "tick");
    EXPECT_EQ(back.Animations.Get(4).Frames.Get(1).Cells.Get(1).Zoom, 250);
    EXPECT_EQ(back.Animations.Get(4).Timings.Get(1).Sound.Name, "Fire1");
    EXPECT_EQ(back.ChipSets.Get(1).UpperFlags(0), 15);
    EXPECT_THROW(back.Variables.Get(2), ELookupError);
}

TEST(DataBase, SkipsUnknownTablesButKeepsThem) {
    Bytes file = Header();
    AddChunk(file, 11, {0x01, 0x01, 0x01, 0x01, 'A', 0x00}); // an actors list
    AddChunk(file, 99, {0xDE, 0xAD});
    Bytes names = {0x01, 0x02, 0x01, 0x02, 'o', 'n', 0x00};
    AddChunk(file, 23, names);
    TVezDataBase db;
    db.LoadFromBytes(file, "KESTRA.ldb");
    EXPECT_EQ(db.Actors.Get(1).Name, "A");
    EXPECT_EQ(db.Switches.Get(2).Name, "on");
    EXPECT_EQ(db.Switches.Count(), 1u);
    ASSERT_EQ(db.UnknownChunks().size(), 1u);
    EXPECT_EQ(db.UnknownChunks()[0].Id, 99);
    // Written back in ID order with the described tables.
    TVezDataBase back;
    back.LoadFromBytes(db.SaveToBytes(), "again.ldb");
    EXPECT_EQ(back.UnknownChunks(), db.UnknownChunks());
    EXPECT_EQ(back.Actors.Get(1).Name, "A");
    EXPECT_EQ(back.Switches.Get(2).Name, "on");
}

TEST(DataBase, BrokenFilesRaiseAndKeepEarlierTables) {
    TVezDataBase db;
    Bytes wrong{0x0B, 'V', 'e', 'z', 'D', 'a', 't', 'a', 'b', 'a', 's', 'e'};
    try {
        db.LoadFromBytes(wrong, "game/KESTRA.ldb");
        FAIL();
    } catch (const EStreamReadError& e) {
        EXPECT_STREQ(e.what(), "game/KESTRA.ldb: offset 0: not a VezDataBase file");
    }
    EXPECT_THROW(db.LoadFromBytes(Bytes{}, "empty.ldb"), EStreamReadError);

    // Variables load, then a truncated common-event table.
    Bytes file = Header();
    AddChunk(file, 24, {0x01, 0x05, 0x01, 0x01, 'v', 0x00});
    Bytes ce = {0x02, 0x01, 0x00, 0x02, 0x01}; // the second item cut inside a chunk
    AddChunk(file, 25, ce);
    EXPECT_THROW(db.LoadFromBytes(file, "KESTRA.ldb"), EStreamReadError);
    EXPECT_EQ(db.Variables.Get(5).Name, "v");
    EXPECT_EQ(db.CommonEvents.Count(), 0u);

    // A top-level chunk longer than the file: nothing is allocated for it.
    Bytes cut = Header();
    cut.insert(cut.end(), {0x17, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x00});
    EXPECT_THROW(db.LoadFromBytes(cut, "KESTRA.ldb"), EStreamReadError);
}

TEST(DataBase, StartingPartyAndMusicDefaults) {
    TVezSystem sys;
    Bytes rec;
    AddChunk(rec, 21, {0x03});
    AddChunk(rec, 22, {4, 0, 2, 0, 9, 0});
    Bytes music;
    AddChunk(music, 3, {0x32});
    music.push_back(0);
    AddChunk(rec, 31, music);
    rec.push_back(0);
    sys.Decode(rec);
    EXPECT_EQ(sys.Party, (std::vector<std::uint16_t>{4, 2, 9}));
    EXPECT_EQ(sys.PartyMember(2), 9);
    EXPECT_EQ(sys.PartyMember(3), 0);
    EXPECT_EQ(sys.PartyMember(-1), 0);
    EXPECT_EQ(sys.Music[0].Name, "(OFF)");
    EXPECT_EQ(sys.Music[0].Volume, 50);
    EXPECT_EQ(sys.EditorInt81, 1);
    EXPECT_EQ(sys.EditorByte82, 1);
    TVezMusic a, b;
    b.Volume = 99;
    EXPECT_FALSE(a == b);
    b.Volume = 100;
    EXPECT_TRUE(a == b);
}

TEST(DataBase, ChipSetTablesAreWrittenOnlyWhenChanged) {
    TVezChipSetItem cs(1);
    EXPECT_EQ(cs.Encode(), (Bytes{0x00}));
    EXPECT_EQ(cs.UpperFlags(0), 31);
    EXPECT_EQ(cs.UpperFlags(1), 15);
    EXPECT_EQ(cs.UpperFlags(144), 0);
    EXPECT_EQ(cs.LowerFlags(161), 15);
    EXPECT_EQ(cs.TerrainOf(0), 1);
    EXPECT_EQ(cs.TerrainOf(-1), 0);
    // A change of upper entry 0 alone is still written and read back.
    cs.Upper[0] = 15;
    Bytes enc = cs.Encode();
    ASSERT_EQ(enc.size(), 1u + 3u + 144u);
    EXPECT_EQ(enc[0], 0x05);
    TVezChipSetItem back(1);
    back.Decode(enc);
    EXPECT_EQ(back.UpperFlags(0), 15);
    // A terrain table of the wrong size is ignored.
    Bytes bad;
    AddChunk(bad, 3, Bytes(10, 7));
    bad.push_back(0);
    back.Decode(bad);
    EXPECT_EQ(back.TerrainOf(0), 1);
}

TEST(DataBase, AnimationsStartWithTwentyFramesAndListsShrinkOnReload) {
    TVezAnimationItem an(1);
    EXPECT_EQ(an.Frames.Count(), 20u);
    EXPECT_EQ(an.Position, 2);
    EXPECT_EQ(an.Timings.Count(), 0u);
    TVezAnimationTimingItem tm(1);
    EXPECT_EQ(tm.FlashRed, 31);

    TVezDataBase db;
    for (std::int32_t i = 1; i <= 30; ++i) db.Animations.Obtain(i);
    Bytes file = db.SaveToBytes();
    for (std::int32_t i = 26; i <= 30; ++i) db.Animations.Remove(26);
    Bytes smaller = db.SaveToBytes();
    TVezDataBase back;
    back.LoadFromBytes(file, "a.ldb");
    EXPECT_EQ(back.Animations.Count(), 30u);
    back.LoadFromBytes(smaller, "b.ldb");
    EXPECT_EQ(back.Animations.Count(), 25u);
}

TEST(DataBase, LoadsFromAFileAndNamesMissingOnes) {
    std::string path = TempPath("KESTRA.ldb");
    TVezDataBase db;
    Fill(db);
    db.SaveToFile(path);
    TVezDataBase back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(db));
    EXPECT_EQ(back.FileSize, static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
    try {
        back.LoadFromFile(path);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

namespace {

// A big database of the shape of a long game: many common events, animations of many
// frames and cells, named switches and variables.
Bytes BigDataBase() {
    TVezDataBase db;
    for (std::int32_t i = 1; i <= 400; ++i)
        db.Switches.Obtain(i).Name = "switch " + std::to_string(i);
    for (std::int32_t i = 1; i <= 400; ++i) db.Variables.Obtain(i).Name = "var";
    for (std::int32_t i = 1; i <= 120; ++i) {
        auto& ce = db.CommonEvents.Obtain(i);
        ce.Name = "common";
        ce.Commands.Lines.clear();
        for (std::int32_t l = 0; l < 30; ++l)
            ce.Commands.Lines.push_back({10110, l % 4, l % 2 == 0 ? "text" : "", {l, -i, 7}});
        ce.Commands.Lines.push_back({});
    }
    for (std::int32_t i = 1; i <= 120; ++i) {
        auto& an = db.Animations.Obtain(i);
        an.Name = "animation";
        an.Position = static_cast<std::uint8_t>(i % 3);
        for (std::int32_t t = 1; t <= 4; ++t) an.Timings.Obtain(t).Sound.Name = "Sound";
        if (i % 7 == 0) continue; // keeps its twenty empty frames
        an.Frames.Clear();
        for (std::int32_t f = 1; f <= 12; ++f)
            for (std::int32_t c = 1; c <= 6; ++c) {
                auto& cell = an.Frames.Obtain(f).Cells.Obtain(c);
                cell.Cell = c + f;
                cell.X = -c;
                cell.Visible = c % 5 != 0;
                cell.Zoom = 100 + f;
            }
    }
    return db.SaveToBytes();
}

} // namespace

// Reading, whatever shortcuts it takes, gives back the bytes it was given: over the
// demo's files and a generated big database, read into fresh objects and into objects
// that held something else before.
TEST(DataBase, DemoAndBigDataBaseReadBackByteForByte) {
    namespace fs = std::filesystem;
    const Bytes big = BigDataBase();
    ASSERT_GT(big.size(), 100000u);
    const Bytes demo = ReadWholeFile(std::string(KESTRA_DEMO_DIR) + "/KESTRA.ldb");
    TVezDataBase used;
    for (const Bytes* file : {&big, &demo, &big}) {
        TVezDataBase fresh;
        fresh.LoadFromBytes(*file, "KESTRA.ldb");
        EXPECT_EQ(fresh.SaveToBytes(), *file);
        used.LoadFromBytes(*file, "KESTRA.ldb");
        EXPECT_EQ(used.SaveToBytes(), *file);
    }
    TVezDataBase back;
    back.LoadFromBytes(big, "KESTRA.ldb");
    EXPECT_EQ(back.Animations.Get(7).Frames.Count(), 20u);
    EXPECT_EQ(back.Animations.Get(8).Frames.Get(12).Cells.Get(5).Visible, false);
    EXPECT_EQ(back.Switches.Get(400).Name, "switch 400");

    const Bytes tree = ReadWholeFile(std::string(KESTRA_DEMO_DIR) + "/KESTRA.lmt");
    TVezMapTree mapTree;
    mapTree.LoadFromBytes(tree, "KESTRA.lmt");
    EXPECT_EQ(mapTree.SaveToBytes(), tree);
    // Saving a map counts the save, so its record is compared, after the magic.
    TByteWriter magic;
    WriteLString(magic, KMapUnitMagic);
    const auto record = [&](const TVezMap& map) {
        Bytes bytes = magic.Bytes;
        const Bytes body = map.Encode();
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    std::size_t maps = 0;
    TVezMap usedMap;
    for (const auto& entry : fs::directory_iterator(KESTRA_DEMO_DIR)) {
        if (entry.path().extension() != ".lmu") continue;
        const Bytes file = ReadWholeFile(entry.path().string());
        TVezMap map;
        map.LoadFromBytes(file, entry.path().filename().string());
        EXPECT_EQ(record(map), file) << entry.path();
        usedMap.LoadFromBytes(file, entry.path().filename().string());
        EXPECT_EQ(record(usedMap), file) << entry.path();
        ++maps;
    }
    EXPECT_GE(maps, 2u);
}

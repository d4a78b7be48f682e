// The hero, the map state and the panorama in save files: they round-trip, the hero
// records the save counts of the database and the map, and a game that cannot be
// entered is refused before it replaces the running one.
#include "data/SaveData.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include "../interpreter/ScriptWorld.h"
#include "../shell/TempDir.h"
#include "GameFixture.h"
#include "base/FileBytes.h"

using namespace kestra;
using namespace kestra::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Magic() {
    TByteWriter w;
    WriteLString(w, KSaveMagic);
    return w.Bytes;
}

void AddChunk(Bytes& out, std::int32_t id, const Bytes& payload) {
    TByteWriter w;
    WriteVarInt(w, id);
    WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
    w.WriteBytes(payload);
    out.insert(out.end(), w.Bytes.begin(), w.Bytes.end());
}

struct SaveGame : ::testing::Test, TGameFixture {
    SaveGame()
        : Random(5), Save(Env(), Dir.Dir(), platform::AtomicWriteFile, [] { return 46000.25; }) {
        Unit.Lower.Resize(40, 30);
        Unit.Upper.Resize(40, 30);
        for (auto& t : Unit.Lower.Tiles()) t = 5000;
        for (auto& t : Unit.Upper.Tiles()) t = 10000;
        Unit.ChipSet = 1;
        Unit.SaveCount = 17;
        ChipSets.Obtain(1).Lower.fill(15);
        ChipSets.Obtain(1).Upper.fill(15);
        DataBase.System.SaveCount = 4;
        auto& s = Save.State;
        s.Map.Attach(Unit, ChipSets, Random);
        s.Map.SetHero(s.Hero);
    }

    // The hero mid-step on a map whose state events changed.
    void Walk() {
        auto& s = Save.State;
        s.Hero.SetPosition(3, 20, 15);
        s.Map.Enter(true, nullptr);
        s.Hero.Speed = 3; // not the hero's default
        s.Hero.Direction = KDirLeft;
        s.Hero.InputDirection = 4;
        s.Hero.Update();
        s.Map.ReplaceTiles(0, 0, 7);
        s.Map.SetEncounterSteps(30);
        s.Map.PanoramaOverrideName = "Sky";
        s.Map.PanoramaHScroll = s.Map.PanoramaHAuto = true;
        s.Map.PanoramaHSpeed = 2;
        s.Map.Enter(false, nullptr);
        for (int i = 0; i < 5; ++i) s.Map.Panorama.Update();
    }

    TempDir Dir;
    TVezMap Unit;
    TVezChipSet ChipSets;
    TRandom Random;
    TLcfgSaveData Save;
};

} // namespace

TEST_F(SaveGame, HeroMapAndPanoramaRoundTripWithTheSaveCounts) {
    Walk();
    auto& s = Save.State;
    ASSERT_TRUE(s.Hero.Moving());
    const std::int32_t scrollX = s.Map.ScrollX, panoramaX = s.Map.Panorama.X;
    ASSERT_NE(panoramaX, 0);
    Bytes bytes = Save.SaveToBytes();
    EXPECT_EQ(s.Hero.MapSaveCount, 17);
    EXPECT_EQ(s.Hero.DataBaseSaveCount, 4);

    TLcfgSaveData other(Env(), Dir.Dir(), {}, [] { return 46000.25; });
    other.LoadFromBytes(bytes, "Save01.lsd");
    const auto& h = other.State.Hero;
    EXPECT_EQ(h.MapId, 3);
    EXPECT_EQ(h.X, 19);
    EXPECT_EQ(h.Y, 15);
    EXPECT_EQ(h.StepRemaining, s.Hero.StepRemaining);
    EXPECT_EQ(h.Speed, 3);
    EXPECT_EQ(h.MapSaveCount, 17);
    EXPECT_EQ(h.DataBaseSaveCount, 4);
    const auto& m = other.State.Map;
    EXPECT_EQ(m.ScrollX, scrollX);
    EXPECT_EQ(m.LowerSubstitution[0], 7);
    EXPECT_EQ(m.EncounterStepsOverride, 30);
    EXPECT_EQ(m.PanoramaOverrideName, "Sky");
    EXPECT_EQ(m.Panorama.X, panoramaX);
    EXPECT_EQ(other.SaveToBytes(), bytes);

    // A new game clears all three.
    other.Reset();
    EXPECT_EQ(other.State.Hero.MapId, 0);
    EXPECT_EQ(other.State.Map.EncounterStepsOverride, -1);
    EXPECT_EQ(other.State.Map.Panorama.X, 0);
}

TEST_F(SaveGame, ResumingKeepsTheSavedViewAndCameraThatEnteringResets) {
    Walk();
    auto& s = Save.State;
    s.Hero.CameraX = 2000; // panned
    s.Map.SetScrollX(5 * 256);
    const std::int32_t panoramaX = s.Map.Panorama.X;
    Bytes bytes = Save.SaveToBytes();

    TLcfgSaveData other(Env(), Dir.Dir(), {}, [] { return 46000.25; });
    other.LoadFromBytes(bytes, "Save01.lsd");
    auto& o = other.State;
    o.Map.Attach(Unit, ChipSets, Random);
    o.Map.SetHero(o.Hero);
    o.Map.Resume(nullptr);
    EXPECT_EQ(o.Map.ScrollX, 5 * 256);
    EXPECT_EQ(o.Hero.CameraX, 2000);
    EXPECT_EQ(o.Map.Panorama.X, panoramaX);
    EXPECT_EQ(other.SaveToBytes(), bytes);
    o.Map.Enter(false, nullptr);
    EXPECT_EQ(o.Hero.CameraX, 2304);

    // A scroll beyond a map that has shrunk since the save is brought back inside.
    TVezMap smaller;
    smaller.Lower.Resize(22, 15);
    smaller.Upper.Resize(22, 15);
    o.Map.SetScrollX(5 * 256);
    o.Map.Attach(smaller, ChipSets, Random);
    o.Map.Resume(nullptr);
    EXPECT_EQ(o.Map.ScrollX, 2 * 256);
}

TEST_F(SaveGame, FilesEndingEarlyOrRefusedLeaveObjectsClearedOrUntouched) {
    Walk();
    Bytes full = Save.SaveToBytes();

    // Up to chunk 109: the hero is read, the map state is at its cleared values.
    TLcfgSaveData other(Env(), Dir.Dir(), {}, [] { return 1.0; });
    Bytes upTo109 = Magic();
    AddChunk(upTo109, KSaveChunkSystem, Save.State.System.Encode());
    AddChunk(upTo109, KSaveChunkHero, Save.State.Hero.Encode());
    AddChunk(upTo109, KSaveChunkPartyInfo, Save.State.PartyInfo.Encode());
    other.LoadFromBytes(upTo109, "Save02.lsd");
    EXPECT_EQ(other.State.Hero.X, 19);
    EXPECT_EQ(other.State.Map.EncounterStepsOverride, -1);
    EXPECT_EQ(other.State.Map.LowerSubstitution[0], 0);

    // A check that refuses the game names the file and keeps the running one.
    Bytes before = other.SaveToBytes();
    try {
        other.LoadFromBytes(full, "Save03.lsd", [](const TLcfgGameState& loaded) {
            EXPECT_EQ(loaded.Hero.MapId, 3);
            throw EFileError("Map0003.lmu: cannot open the file");
        });
        ADD_FAILURE() << "the refused game was taken over";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("Save03.lsd"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Map0003.lmu"), std::string::npos);
    }
    EXPECT_EQ(other.SaveToBytes(), before);

    // Cut inside the last chunk: nothing is taken over either.
    Bytes cut(full.begin(), full.end() - 3);
    EXPECT_THROW(other.LoadFromBytes(cut, "Save04.lsd"), EStreamReadError);
    EXPECT_EQ(other.SaveToBytes(), before);
}

// ---- which saved events and interpreters a load keeps

namespace {

struct SaveCounters : ::testing::Test {
    SaveCounters() : Save(*World.Game.Session->Save) {
        auto& unit = World.Field.Unit;
        unit.SaveCount = 5;
        for (int x : {3, 8}) World.AddPage(World.AddEventData(x, 4), 1);
        auto& db = World.DataBase;
        db.CommonEvents.Obtain(1);
        db.CommonEvents.Obtain(2);
        db.CommonEvents.Obtain(3).Trigger = TVezCommonEventItem::KTriggerParallel;
        Save.Reset();
        auto& s = Save.State;
        s.Map.Attach(unit, db.ChipSets, World.Game.Random());
        s.Map.SetHero(s.Hero);
        s.Hero.SetPosition(1, 5, 5);
        s.Map.Events.CreateFromMap(unit, World.Game);
        s.Map.Events.Get(1).X = 12; // walked away from where the map puts it
        s.Interpreter.Start(World.Game, 2, List({Cmd(11410, {60})}));
        s.CommonEvents.Get(3).Interpreter.Start(World.Game, 0, List({Cmd(11410, {60})}));
    }

    // The game loading `bytes` and entering the world's map unit.
    TLcfgGameState& LoadAndEnter(const Bytes& bytes) {
        Save.LoadFromBytes(bytes, "Save05.lsd");
        auto& s = Save.State;
        s.Map.Attach(World.Field.Unit, World.DataBase.ChipSets, World.Game.Random());
        s.Map.SetHero(s.Hero);
        s.ResumeMapEvents(World.Field.Unit, World.Game);
        return s;
    }

    TScriptWorld World;
    TLcfgSaveData& Save;
    TLcfgSaveData* Loaded = &Save;
};

} // namespace

TEST_F(SaveCounters, TheSameMapKeepsSavedEventsAndTheMainInterpreter) {
    Bytes bytes = Save.SaveToBytes();
    auto& s = LoadAndEnter(bytes);
    ASSERT_EQ(s.Map.Events.Count(), 2u);
    EXPECT_EQ(s.Map.Events.Get(1).X, 12);
    EXPECT_EQ(s.Map.Events.Get(1).Data, World.Field.Unit.Events.Find(1));
    ASSERT_TRUE(s.Interpreter.IsRunning());
    EXPECT_EQ(s.Interpreter.TopFrame()->EventId, 2);
    // Events, then the hero, in the map's character list.
    ASSERT_EQ(s.Map.Characters().size(), 3u);
    EXPECT_EQ(s.Map.Characters()[2], &s.Hero);
    EXPECT_EQ(Loaded->SaveToBytes(), bytes);
}

TEST_F(SaveCounters, AnEditedMapStartsEveryEventFromItsDataAndDropsTheInterpreter) {
    Bytes bytes = Save.SaveToBytes();
    World.Field.Unit.SaveCount = 6;
    auto& s = LoadAndEnter(bytes);
    ASSERT_EQ(s.Map.Events.Count(), 2u);
    EXPECT_EQ(s.Map.Events.Get(1).X, 3);
    EXPECT_FALSE(s.Interpreter.IsRunning());
    EXPECT_EQ(s.Map.Characters().size(), 3u);
}

TEST_F(SaveCounters, SavedEventsTheMapNoLongerHasAreDroppedWithTheirReferences) {
    Bytes bytes = Save.SaveToBytes();
    // The same save count, yet event 2 is gone (a hand-edited or foreign file).
    World.Field.Unit.Events.Remove(2);
    auto& s = LoadAndEnter(bytes);
    EXPECT_EQ(s.Map.Events.Count(), 1u);
    EXPECT_EQ(s.Map.Events.Find(2), nullptr);
    ASSERT_TRUE(s.Interpreter.IsRunning());
    EXPECT_EQ(s.Interpreter.TopFrame()->EventId, 0);
}

TEST_F(SaveCounters, CommonEventStatesFollowTheDataBaseSaveCount) {
    Bytes bytes = Save.SaveToBytes();
    {
        auto& s = LoadAndEnter(bytes);
        ASSERT_EQ(s.CommonEvents.Count(), 3u);
        EXPECT_TRUE(s.CommonEvents.Get(3).Interpreter.IsRunning());
    }
    // The database was saved again by the editor since: the states start over, one per
    // common event of the database as it is now.
    World.DataBase.System.SaveCount += 1;
    World.DataBase.CommonEvents.Obtain(4);
    auto& s = LoadAndEnter(bytes);
    ASSERT_EQ(s.CommonEvents.Count(), 4u);
    EXPECT_FALSE(s.CommonEvents.Get(3).Interpreter.IsRunning());
}

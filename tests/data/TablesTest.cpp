#include "data/ByteSet.h"
#include "data/LD_Attrib.h"
#include "data/LD_Ground.h"
#include "data/LD_Item.h"
#include "data/LD_MonGroup.h"
#include "data/LD_Monster.h"
#include "data/LD_Player.h"
#include "data/LD_Status.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A record payload made of (ID, payload) chunks and the terminator.
Bytes Chunks(const std::vector<std::pair<std::int32_t, Bytes>>& chunks) {
    TByteWriter w;
    for (const auto& [id, payload] : chunks) {
        WriteVarInt(w, id);
        WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
        w.WriteBytes(payload);
    }
    w.WriteByte(0);
    return w.Bytes;
}

Bytes Int(std::int32_t v) {
    TByteWriter w;
    WriteVarInt(w, v);
    return w.Bytes;
}

// The chunk IDs of one record encoding, in file order, with their payloads.
std::vector<std::pair<std::int32_t, Bytes>> Parse(const Bytes& bytes) {
    std::vector<std::pair<std::int32_t, Bytes>> out;
    TByteReader r(bytes, "test");
    for (;;) {
        std::int32_t id = ReadVarInt(r);
        if (id == 0) break;
        auto len = static_cast<std::size_t>(ReadVarInt(r));
        auto span = r.ReadSpan(len);
        out.emplace_back(id, Bytes(span.begin(), span.end()));
    }
    EXPECT_TRUE(r.AtEnd());
    return out;
}

std::set<std::int32_t> Ids(const Bytes& bytes) {
    std::set<std::int32_t> ids;
    for (const auto& [id, payload] : Parse(bytes)) ids.insert(id);
    return ids;
}

Bytes Find(const Bytes& bytes, std::int32_t id) {
    for (auto& [cid, payload] : Parse(bytes))
        if (cid == id) return payload;
    ADD_FAILURE() << "no chunk " << id;
    return {};
}

template <class T>
void ExpectEmptyPayloadIsCleared(std::int32_t id) {
    T read(id);
    read.Decode(Bytes{0x00});
    T cleared(id);
    EXPECT_TRUE(read.Equals(cleared)) << typeid(T).name() << " " << id;
}

} // namespace

// An empty payload gives the cleared record, and a cleared record writes only the
// chunks that are always written (fixed-size chunks, blocks, nested lists and
// records): every write default agrees with its initial value.
TEST(Tables, EmptyPayloadsGiveClearedRecordsAndClearedRecordsWriteNoDefaults) {
    ExpectEmptyPayloadIsCleared<TVezPlayerItem>(1);
    ExpectEmptyPayloadIsCleared<TVezPlayerLearningItem>(1);
    ExpectEmptyPayloadIsCleared<TVezItemItem>(1);
    ExpectEmptyPayloadIsCleared<TVezMonsterItem>(1);
    ExpectEmptyPayloadIsCleared<TVezMonsterActItem>(1);
    ExpectEmptyPayloadIsCleared<TVezMonGroupItem>(1);
    ExpectEmptyPayloadIsCleared<TVezMonGroupMonsterItem>(1);
    ExpectEmptyPayloadIsCleared<TVezGroundItem>(1);
    ExpectEmptyPayloadIsCleared<TVezAttribItem>(1);
    ExpectEmptyPayloadIsCleared<TVezStatusItem>(1);
    ExpectEmptyPayloadIsCleared<TVezStatusItem>(2);
    TVezBattleEventTrigger trigger, readTrigger;
    readTrigger.Decode(Bytes{0x00});
    EXPECT_TRUE(trigger.Equals(readTrigger));

    EXPECT_EQ(Ids(TVezPlayerItem(1).Encode()), (std::set<std::int32_t>{31, 51, 63, 72, 74}));
    EXPECT_EQ(Ids(TVezPlayerLearningItem(1).Encode()), (std::set<std::int32_t>{}));
    EXPECT_EQ(Ids(TVezItemItem(1).Encode()), (std::set<std::int32_t>{3, 15, 31, 51, 62, 64, 66}));
    EXPECT_EQ(Ids(TVezMonsterItem(1).Encode()), (std::set<std::int32_t>{32, 34, 42}));
    EXPECT_EQ(Ids(TVezMonsterActItem(1).Encode()), (std::set<std::int32_t>{1, 2, 5}));
    EXPECT_EQ(Ids(TVezMonGroupMonsterItem(1).Encode()), (std::set<std::int32_t>{}));
    EXPECT_EQ(Ids(TVezGroundItem(1).Encode()), (std::set<std::int32_t>{11}));
    EXPECT_EQ(Ids(TVezAttribItem(1).Encode()), (std::set<std::int32_t>{2}));
    EXPECT_EQ(Ids(TVezStatusItem(1).Encode()), (std::set<std::int32_t>{2, 5}));
    EXPECT_EQ(Ids(TVezStatusItem(2).Encode()), (std::set<std::int32_t>{2, 5}));
    EXPECT_EQ(Ids(trigger.Encode()), (std::set<std::int32_t>{1}));
}

TEST(Tables, InitialValuesTheBattleReliesOn) {
    TVezMonsterItem monster(1);
    ASSERT_EQ(monster.Actions.Count(), 1u);
    EXPECT_EQ(monster.Actions.Get(1).Rating, 50);

    TVezAttribItem attrib(1);
    EXPECT_EQ(attrib.Rate(0), 300);
    EXPECT_EQ(attrib.Rate(1), 200);
    EXPECT_EQ(attrib.Rate(2), 100);
    EXPECT_EQ(attrib.Rate(3), 50);
    EXPECT_EQ(attrib.Rate(4), 0);
    attrib.Rates = {1, 2, 3, 4, 5};
    EXPECT_EQ(attrib.Rate(5), 0);
    EXPECT_EQ(attrib.Rate(-1), 0);

    TVezBattleEventTrigger trigger;
    EXPECT_FALSE(trigger.HasConditions());
    trigger.Flags = TVezBattleEventTrigger::KActorHp;
    EXPECT_TRUE(trigger.HasConditions());
    EXPECT_EQ(trigger.FatigueMax, 100);
    EXPECT_EQ(trigger.MonsterMax, 100);
    EXPECT_EQ(trigger.ActorMax, 100);
}

TEST(Tables, StateOneHasItsOwnInitialValuesAndDropsTwoMessages) {
    TVezStatusItem one(1), two(2);
    EXPECT_EQ(one.StateKind, 1);
    EXPECT_EQ(one.Colour, 5);
    EXPECT_EQ(one.Priority, 100);
    EXPECT_EQ(one.Restriction, 1);
    EXPECT_EQ(two.StateKind, 0);
    EXPECT_EQ(two.Colour, 6);
    EXPECT_EQ(two.Priority, 50);
    EXPECT_EQ(two.Restriction, 0);
    EXPECT_EQ(two.Chance(0), 100);
    EXPECT_EQ(two.Chance(3), 30);
    EXPECT_EQ(two.Chance(7), 0);
    EXPECT_EQ(two.HitRate, 100);

    Bytes messages = Chunks({{51, {'a'}}, {53, {'b'}}, {54, {'c'}}, {55, {'d'}}});
    one.Decode(messages);
    two.Decode(messages);
    EXPECT_EQ(one.MessageActor, "a");
    EXPECT_EQ(one.MessageAlready, "");
    EXPECT_EQ(one.MessageTurn, "");
    EXPECT_EQ(one.MessageEnded, "d");
    EXPECT_EQ(two.MessageAlready, "b");
    EXPECT_EQ(two.MessageTurn, "c");

    // The general initial values survive a round trip on state 1 as well.
    TVezStatusItem generic(1);
    generic.Colour = 6;
    generic.Priority = 50;
    TVezStatusItem back(1);
    back.Decode(generic.Encode());
    EXPECT_EQ(back.Colour, 6);
    EXPECT_EQ(back.Priority, 50);
}

TEST(Tables, ParameterCurvesFromShortLongAndExactBlocks) {
    TVezPlayerItem actor(1);
    EXPECT_EQ(actor.Parameter(0, 1), 40);
    EXPECT_EQ(actor.Parameter(0, 50), 600);
    EXPECT_EQ(actor.Parameter(1, 50), 600);
    EXPECT_EQ(actor.Parameter(2, 1), 15);
    EXPECT_EQ(actor.Parameter(3, 50), 150);
    EXPECT_EQ(actor.Parameter(4, 1), 20);
    EXPECT_EQ(actor.Parameter(5, 50), 300);
    EXPECT_EQ(actor.Parameter(6, 1), 0);
    EXPECT_EQ(actor.Parameter(0, 0), 0);
    EXPECT_EQ(actor.Parameter(0, 51), 0);
    EXPECT_EQ(actor.Parameter(-1, 5), 0);

    Bytes exact(600);
    for (std::size_t i = 0; i < 300; ++i) {
        exact[2 * i] = static_cast<std::uint8_t>(i * 7);
        exact[2 * i + 1] = static_cast<std::uint8_t>(i);
    }
    actor.Decode(Chunks({{31, exact}}));
    EXPECT_EQ(actor.Parameter(0, 1), 0);
    EXPECT_EQ(actor.Parameter(2, 3), (102 << 8) | ((102 * 7) & 0xFF));
    EXPECT_EQ(actor.Parameter(5, 50), ((299 & 0xFF) << 8) | ((299 * 7) & 0xFF));

    for (std::size_t size : {0u, 2u, 599u, 601u, 1200u}) {
        actor.Decode(Chunks({{31, Bytes(size, 0x11)}}));
        EXPECT_EQ(actor.Parameter(0, 1), 40) << size;
        EXPECT_EQ(actor.Parameter(5, 50), 300) << size;
    }

    actor.SetParameter(1, 10, 999);
    TVezPlayerItem back(1);
    back.Decode(actor.Encode());
    EXPECT_EQ(back.Parameter(1, 10), 999);
    EXPECT_EQ(back.Parameter(0, 50), 600);

    // Initial equipment: five 16-bit item IDs; other lengths are ignored.
    actor.Decode(Chunks({{51, {1, 0, 2, 0, 0x34, 0x12, 4, 0, 5, 0}}}));
    EXPECT_EQ(actor.Equipment(0), 1);
    EXPECT_EQ(actor.Equipment(2), 0x1234);
    EXPECT_EQ(actor.Equipment(4), 5);
    EXPECT_EQ(actor.Equipment(5), 0);
    EXPECT_EQ(actor.Equipment(-1), 0);
    actor.Decode(Chunks({{51, {1, 0, 2, 0}}}));
    EXPECT_EQ(actor.Equipment(0), 0);
}

TEST(Tables, RankArraysTrustTheCountOnlyAsFarAsTheBlock) {
    TVezPlayerItem actor(1);
    // Count and block agree: 3 entries, state 4 answers the default 2.
    actor.Decode(Chunks({{71, Int(3)}, {72, {0, 4, 1}}, {73, Int(2)}, {74, {3, 3}}}));
    EXPECT_EQ(actor.StateRank(1), 0);
    EXPECT_EQ(actor.StateRank(2), 4);
    EXPECT_EQ(actor.StateRank(3), 1);
    EXPECT_EQ(actor.StateRank(4), 2);
    EXPECT_EQ(actor.StateRank(0), 2);
    EXPECT_EQ(actor.AttribRank(2), 3);
    EXPECT_EQ(actor.AttribRank(3), 2);
    // A count larger than the block: only the block's entries.
    actor.Decode(Chunks({{71, Int(1000)}, {72, {0, 4}}}));
    EXPECT_EQ(actor.StateRanks.size(), 2u);
    EXPECT_EQ(actor.StateRank(3), 2);
    // A block longer than the count: cut to the count, whatever order the chunks come.
    actor.Decode(Chunks({{72, {0, 4, 1, 0}}, {71, Int(2)}}));
    EXPECT_EQ(actor.StateRanks.size(), 2u);
    EXPECT_EQ(actor.StateRank(3), 2);
    // A negative or missing count keeps nothing.
    actor.Decode(Chunks({{71, Int(-5)}, {72, {0, 4}}}));
    EXPECT_TRUE(actor.StateRanks.empty());
    actor.Decode(Chunks({{72, {0, 4}}}));
    EXPECT_TRUE(actor.StateRanks.empty());

    TVezMonsterItem monster(1);
    monster.Decode(Chunks({{31, Int(3)}, {32, {0, 4}}, {33, Int(1)}, {34, {0, 4}}}));
    EXPECT_EQ(monster.StateRank(2), 4);
    EXPECT_EQ(monster.StateRank(3), 1); // monsters default to 1 for states
    EXPECT_EQ(monster.AttribRank(1), 0);
    EXPECT_EQ(monster.AttribRank(2), 2);

    TVezMonGroupItem troop(1);
    troop.Decode(Chunks({{4, Int(3)}, {5, {0, 1, 0}}}));
    EXPECT_FALSE(troop.TerrainAllowed(1));
    EXPECT_TRUE(troop.TerrainAllowed(2));
    EXPECT_FALSE(troop.TerrainAllowed(3));
    EXPECT_TRUE(troop.TerrainAllowed(7));

    TVezItemItem item(1);
    item.Decode(Chunks({{61, Int(2)}, {62, {0, 0}}, {63, Int(9)}, {64, {0, 1}}}));
    EXPECT_FALSE(item.UsableBy(2));
    EXPECT_TRUE(item.UsableBy(3));
    EXPECT_EQ(item.State(2), 1);
    EXPECT_EQ(item.State(3), 0);
    EXPECT_EQ(item.Attribute(1), 0);
}

TEST(Tables, WritersRecomputeCountsAndCutDefaultTails) {
    TVezPlayerItem actor(1);
    actor.SetStateRank(2, 0);
    actor.SetStateRank(5, 2); // grows with 2s; the tail of 2s is not written
    EXPECT_EQ(actor.StateRank(1), 2);
    EXPECT_EQ(actor.StateRanks.size(), 5u);
    Bytes bytes = actor.Encode();
    EXPECT_EQ(Find(bytes, 71), (Bytes{2}));
    EXPECT_EQ(Find(bytes, 72), (Bytes{2, 0}));
    EXPECT_EQ(Ids(bytes).count(73), 0u);

    TVezMonsterItem monster(1);
    monster.SetStateRank(3, 0);
    monster.SetStateRank(6, 1);
    monster.SetAttribRank(2, 4);
    monster.SetAttribRank(4, 2);
    bytes = monster.Encode();
    EXPECT_EQ(Find(bytes, 31), (Bytes{3}));
    EXPECT_EQ(Find(bytes, 32), (Bytes{1, 1, 0}));
    EXPECT_EQ(Find(bytes, 33), (Bytes{2}));
    EXPECT_EQ(Find(bytes, 34), (Bytes{2, 4}));

    TVezItemItem item(1);
    item.SetUsableBy(3, false);
    item.SetUsableBy(4, true); // actor flags keep their tail
    item.SetState(2, true);
    item.SetState(5, false);
    bytes = item.Encode();
    EXPECT_EQ(Find(bytes, 61), (Bytes{4}));
    EXPECT_EQ(Find(bytes, 62), (Bytes{1, 1, 0, 1}));
    EXPECT_EQ(Find(bytes, 63), (Bytes{2}));
    EXPECT_EQ(Find(bytes, 64), (Bytes{0, 1}));

    // The database's own counts bound the arrays.
    actor.SetAttribRank(10, 4);
    actor.LimitSets(1, 3);
    EXPECT_EQ(actor.StateRanks.size(), 1u);
    EXPECT_EQ(actor.AttribRank(10), 2);

    // Setters ignore IDs outside the table range instead of growing without bound.
    actor.SetStateRank(0, 4);
    actor.SetStateRank(KMaxByteSetEntries + 1, 4);
    actor.SetStateRank(-3, 4);
    EXPECT_EQ(actor.StateRanks.size(), 1u);
}

TEST(Tables, ItemKindsAndSlots) {
    TVezItemItem item(1);
    for (std::uint8_t kind = 0; kind <= 10; ++kind) {
        item.Kind = kind;
        EXPECT_EQ(item.EquipmentSlot(), kind >= 1 && kind <= 5 ? kind - 1 : -1);
        EXPECT_EQ(item.IsWeapon(), kind == 1);
        EXPECT_EQ(item.IsArmour(), kind >= 2 && kind <= 5);
    }
    item.Kind = 1;
    item.TwoHanded = 1;
    EXPECT_TRUE(item.IsTwoHanded());
    item.Kind = 2;
    EXPECT_FALSE(item.IsTwoHanded());
}

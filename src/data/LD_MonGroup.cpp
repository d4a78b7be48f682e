#include "data/LD_MonGroup.h"

#include "data/ByteSet.h"

namespace kestra {

void TVezMonGroupMonsterItem::DescribeChunks(TChunkVisitor& v) {
    v.Int(1, MonsterId, 1);
    v.Int(2, X, 0);
    v.Int(3, Y, 0);
    v.Bool(4, Hidden, false);
}

void TVezBattleEventTrigger::DescribeChunks(TChunkVisitor& v) {
    v.Fixed(1, Flags);
    v.Int(2, SwitchA, 1);
    v.Int(3, SwitchB, 1);
    v.Int(4, Variable, 1);
    v.Int(5, Value, 0);
    v.Int(6, TurnA, 0);
    v.Int(7, TurnB, 0);
    v.Int(8, FatigueMin, 0);
    v.Int(9, FatigueMax, 100);
    v.Int(10, Monster, 0);
    v.Int(11, MonsterMin, 0);
    v.Int(12, MonsterMax, 100);
    v.Int(13, Actor, 1);
    v.Int(14, ActorMin, 0);
    v.Int(15, ActorMax, 100);
}

void TVezBattleEventPageItem::DescribeChunks(TChunkVisitor& v) {
    v.Record(2, Trigger);
    DescribeCommands(v, 11, 12);
}

void TVezMonGroupItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.List(2, Members);
    v.Count(4, Terrain);
    v.Block(5, Terrain);
    v.List(11, Pages);
}

void TVezMonGroupItem::Clear() {
    TCatalogItem::Clear();
    Pages.Obtain(1);
}

bool TVezMonGroupItem::TerrainAllowed(std::int32_t terrainId) const {
    return ByteSetAt(Terrain, terrainId, 1) != 0;
}

void TVezMonGroupItem::SetTerrainAllowed(std::int32_t terrainId, bool on) {
    ByteSetPut(Terrain, terrainId, on ? 1 : 0, 1);
}

} // namespace kestra

#include "data/LD_Monster.h"

#include "data/ByteSet.h"

namespace kestra {

namespace {

constexpr std::uint8_t KMonsterStateFill = 1;
constexpr std::uint8_t KMonsterAttribFill = 2;

} // namespace

void TVezMonsterActItem::DescribeChunks(TChunkVisitor& v) {
    v.Fixed(1, ActionKind);
    v.Fixed(2, BasicAction);
    v.Int(3, SkillId, 1);
    v.Int(4, TransformInto, 1);
    v.Fixed(5, ConditionKind);
    v.Int(6, ConditionMin, 0);
    v.Int(7, ConditionMax, 0);
    v.Int(8, ConditionSwitch, 1);
    v.Bool(9, SetSwitch, false);
    v.Int(10, SwitchOn, 1);
    v.Bool(11, ClearSwitch, false);
    v.Int(12, SwitchOff, 1);
    v.Int(13, Rating, 50);
}

void TVezMonsterItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.String(2, Graphic, true);
    v.Int(3, Hue, 0);
    for (std::size_t i = 0; i < Parameters.size(); ++i)
        v.Int(4 + static_cast<std::int32_t>(i), Parameters[i], 10);
    v.Bool(10, Transparent, false);
    v.Int(11, Experience, 0);
    v.Int(12, Gold, 0);
    v.Int(13, DropItem, 0);
    v.Int(14, DropChance, 100);
    v.Bool(21, CriticalHits, false);
    v.Int(22, CriticalChance, 30);
    v.Bool(26, Miss, false);
    v.Bool(28, Flag28, false);
    v.Count(31, StateRanks);
    v.Block(32, StateRanks);
    v.Count(33, AttribRanks);
    v.Block(34, AttribRanks);
    v.List(42, Actions);
}

void TVezMonsterItem::Clear() {
    TCatalogItem::Clear();
    Actions.Obtain(1);
}

void TVezMonsterItem::SaveToStream(TByteWriter& writer, bool terminator) const {
    ByteSetTrim(StateRanks, KMonsterStateFill);
    ByteSetTrim(AttribRanks, KMonsterAttribFill);
    TCatalogItem::SaveToStream(writer, terminator);
}

std::int32_t TVezMonsterItem::StateRank(std::int32_t stateId) const {
    return ByteSetAt(StateRanks, stateId, KMonsterStateFill);
}

void TVezMonsterItem::SetStateRank(std::int32_t stateId, std::uint8_t rank) {
    ByteSetPut(StateRanks, stateId, rank, KMonsterStateFill);
}

std::int32_t TVezMonsterItem::AttribRank(std::int32_t attribId) const {
    return ByteSetAt(AttribRanks, attribId, KMonsterAttribFill);
}

void TVezMonsterItem::SetAttribRank(std::int32_t attribId, std::uint8_t rank) {
    ByteSetPut(AttribRanks, attribId, rank, KMonsterAttribFill);
}

void TVezMonsterItem::LimitSets(std::size_t states, std::size_t attributes) const {
    ByteSetLimit(StateRanks, states);
    ByteSetLimit(AttribRanks, attributes);
}

} // namespace kestra

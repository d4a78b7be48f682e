#include "data/LD_Item.h"

#include "data/ByteSet.h"

namespace kestra {

void TVezItemItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.String(2, Description, true);
    v.Fixed(3, Kind);
    v.Int(5, Price, 0);
    v.Int(6, Uses, 1);
    for (std::size_t i = 0; i < Bonuses.size(); ++i)
        v.Int(11 + static_cast<std::int32_t>(i), Bonuses[i], 0);
    v.Fixed(15, TwoHanded);
    v.Int(16, WeaponValue, 0);
    v.Int(17, HitRate, 90);
    v.Int(18, CriticalBonus, 0);
    v.Int(20, Animation, 1);
    for (std::size_t i = 0; i < Flags.size(); ++i)
        v.Bool(21 + static_cast<std::int32_t>(i), Flags[i], false);
    v.Fixed(31, Scope);
    for (std::size_t i = 0; i < Recovery.size(); ++i)
        v.Int(32 + static_cast<std::int32_t>(i), Recovery[i], 0);
    v.Bool(37, NotInBattle, false);
    v.Bool(38, Flag10, false);
    for (std::size_t i = 0; i < ParameterChanges.size(); ++i)
        v.Int(41 + static_cast<std::int32_t>(i), ParameterChanges[i], 0);
    v.Fixed(51, ExtraKind);
    v.Int(53, SkillId, 1);
    v.Int(55, SwitchId, 1);
    v.Bool(57, FieldUse, true);
    v.Bool(58, BattleUse, false);
    v.Count(61, Actors);
    v.Block(62, Actors);
    v.Count(63, States);
    v.Block(64, States);
    v.Count(65, Attributes);
    v.Block(66, Attributes);
    v.Int(67, StateChance, 0);
}

void TVezItemItem::SaveToStream(TByteWriter& writer, bool terminator) const {
    ByteSetTrim(States, 0);
    ByteSetTrim(Attributes, 0);
    TCatalogItem::SaveToStream(writer, terminator);
}

bool TVezItemItem::UsableBy(std::int32_t actorId) const {
    return ByteSetAt(Actors, actorId, 1) != 0;
}

void TVezItemItem::SetUsableBy(std::int32_t actorId, bool on) {
    ByteSetPut(Actors, actorId, on ? 1 : 0, 1);
}

std::int32_t TVezItemItem::State(std::int32_t stateId) const {
    return ByteSetAt(States, stateId, 0);
}

void TVezItemItem::SetState(std::int32_t stateId, bool on) {
    ByteSetPut(States, stateId, on ? 1 : 0, 0);
}

std::int32_t TVezItemItem::Attribute(std::int32_t attribId) const {
    return ByteSetAt(Attributes, attribId, 0);
}

void TVezItemItem::SetAttribute(std::int32_t attribId, bool on) {
    ByteSetPut(Attributes, attribId, on ? 1 : 0, 0);
}

void TVezItemItem::LimitSets(std::size_t states, std::size_t attributes) const {
    ByteSetLimit(States, states);
    ByteSetLimit(Attributes, attributes);
}

} // namespace kestra

#include "data/LD_Skill.h"

#include "data/ByteSet.h"

namespace kestra {

void TVezSkillItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.String(2, Description, true);
    v.String(3, UseMessage1, true);
    v.String(4, UseMessage2, true);
    v.Int(7, FailureMessage, 0);
    v.Fixed(8, SkillKind);
    v.Int(11, MpCost, 0);
    v.Fixed(12, Scope);
    v.Int(13, SwitchId, 1);
    v.Int(14, Animation, 1);
    v.Record(16, Sound);
    v.Bool(18, FieldUse, true);
    v.Bool(19, BattleUse, false);
    v.Int(21, AttackInfluence, 0);
    v.Int(22, IntelligenceInfluence, 3);
    v.Int(23, Variance, 4);
    v.Int(24, BaseEffect, 0);
    v.Int(25, SuccessRate, 100);
    for (std::size_t i = 0; i < EffectFlags.size(); ++i)
        v.Bool(31 + static_cast<std::int32_t>(i), EffectFlags[i], false);
    v.Count(41, StateEffects);
    v.Block(42, StateEffects);
    v.Count(43, Attributes);
    v.Block(44, Attributes);
    v.Bool(45, AffectsResistance, false);
}

void TVezSkillItem::SaveToStream(TByteWriter& writer, bool terminator) const {
    ByteSetTrim(StateEffects, 0);
    ByteSetTrim(Attributes, 0);
    TCatalogItem::SaveToStream(writer, terminator);
}

std::int32_t TVezSkillItem::StateEffect(std::int32_t stateId) const {
    return ByteSetAt(StateEffects, stateId, 0);
}

void TVezSkillItem::SetStateEffect(std::int32_t stateId, bool on) {
    ByteSetPut(StateEffects, stateId, on ? 1 : 0, 0);
}

std::int32_t TVezSkillItem::Attribute(std::int32_t attribId) const {
    return ByteSetAt(Attributes, attribId, 0);
}

void TVezSkillItem::SetAttribute(std::int32_t attribId, bool on) {
    ByteSetPut(Attributes, attribId, on ? 1 : 0, 0);
}

void TVezSkillItem::LimitSets(std::size_t states, std::size_t attributes) const {
    ByteSetLimit(StateEffects, states);
    ByteSetLimit(Attributes, attributes);
}

} // namespace kestra

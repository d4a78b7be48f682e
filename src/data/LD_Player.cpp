#include "data/LD_Player.h"

#include "data/ByteSet.h"

namespace kestra {

namespace {

constexpr std::uint8_t KActorRankFill = 2;

// Levels 1..50 of the three built-in curves: hit and magic points, attack and
// defence, intelligence and agility.
constexpr std::uint16_t KCurveA[KCurveLevels] = {
    40,  43,  49,  55,  60,  66,  72,  79,  85,  92,  98,  105, 112, 120, 127, 135, 143,
    151, 160, 168, 177, 186, 195, 205, 215, 225, 236, 247, 258, 269, 281, 293, 305, 318,
    331, 345, 359, 373, 388, 404, 419, 436, 453, 471, 489, 508, 527, 547, 568, 600};
constexpr std::uint16_t KCurveB[KCurveLevels] = {
    15, 16, 18, 19, 20,  22,  23,  25,  26,  28,  30,  31,  33,  35,  37,  38, 40,
    42, 44, 47, 49, 51,  53,  55,  58,  60,  63,  65,  68,  71,  74,  77,  80, 83,
    86, 89, 93, 96, 100, 103, 107, 111, 115, 119, 124, 128, 133, 138, 143, 150};
constexpr std::uint16_t KCurveC[KCurveLevels] = {
    20,  22,  25,  28,  31,  34,  37,  40,  43,  46,  50,  53,  57,  61,  64,  68,  72,
    76,  81,  85,  89,  94,  98,  103, 108, 113, 119, 124, 129, 135, 141, 147, 153, 160,
    166, 173, 180, 187, 194, 202, 210, 218, 227, 236, 245, 254, 264, 274, 284, 300};

bool ValidCurveIndex(int p, int level) {
    return p >= 0 && p < KParameterCount && level >= 1 && level <= KCurveLevels;
}

} // namespace

std::uint16_t DefaultParameterCurve(int p, int level) {
    if (!ValidCurveIndex(p, level)) return 0;
    const std::uint16_t* curve = p < 2 ? KCurveA : p < 4 ? KCurveB : KCurveC;
    return curve[level - 1];
}

void TVezPlayerLearningItem::DescribeChunks(TChunkVisitor& v) {
    v.Int(1, Level, 1);
    v.Int(2, SkillId, 1);
}

void TVezPlayerItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.String(2, Title, true);
    v.String(3, Graphic, true);
    v.Int(4, GraphicIndex, 0);
    v.Bool(5, Transparent, false);
    v.Int(7, InitialLevel, 1);
    v.Int(8, MaxLevel, 50);
    v.Bool(9, CriticalHits, true);
    v.Int(10, CriticalChance, 30);
    v.String(15, FaceGraphic, true);
    v.Int(16, FaceIndex, 0);
    v.Bool(21, TwoWeapons, false);
    v.Bool(22, FixedEquipment, false);
    v.Bool(23, Automatic, false);
    v.Bool(24, StrongDefence, false);
    v.Fixed(31, Curves);
    v.Int(41, ExpBase, 30);
    v.Int(42, ExpIncrease, 30);
    v.Int(43, ExpCorrection, 0);
    v.Fixed(51, InitialEquipment);
    v.Int(56, UnarmedAnimation, 1);
    v.List(63, Learning);
    v.Bool(66, OwnSkillCommand, false);
    v.String(67, SkillCommandName, true);
    v.Count(71, StateRanks);
    v.Block(72, StateRanks);
    v.Count(73, AttribRanks);
    v.Block(74, AttribRanks);
}

void TVezPlayerItem::Clear() {
    TCatalogItem::Clear();
    for (int p = 0; p < KParameterCount; ++p)
        for (int level = 1; level <= KCurveLevels; ++level)
            Curves[static_cast<std::size_t>(p * KCurveLevels + level - 1)] =
                DefaultParameterCurve(p, level);
}

void TVezPlayerItem::SaveToStream(TByteWriter& writer, bool terminator) const {
    ByteSetTrim(StateRanks, KActorRankFill);
    ByteSetTrim(AttribRanks, KActorRankFill);
    TCatalogItem::SaveToStream(writer, terminator);
}

std::int32_t TVezPlayerItem::Parameter(int p, int level) const {
    if (!ValidCurveIndex(p, level)) return 0;
    return Curves[static_cast<std::size_t>(p * KCurveLevels + level - 1)];
}

void TVezPlayerItem::SetParameter(int p, int level, std::uint16_t value) {
    if (ValidCurveIndex(p, level))
        Curves[static_cast<std::size_t>(p * KCurveLevels + level - 1)] = value;
}

std::int32_t TVezPlayerItem::Equipment(int slot) const {
    if (slot < 0 || slot >= KEquipmentSlots) return 0;
    return InitialEquipment[static_cast<std::size_t>(slot)];
}

void TVezPlayerItem::SetEquipment(int slot, std::uint16_t itemId) {
    if (slot >= 0 && slot < KEquipmentSlots)
        InitialEquipment[static_cast<std::size_t>(slot)] = itemId;
}

std::int32_t TVezPlayerItem::StateRank(std::int32_t stateId) const {
    return ByteSetAt(StateRanks, stateId, KActorRankFill);
}

void TVezPlayerItem::SetStateRank(std::int32_t stateId, std::uint8_t rank) {
    ByteSetPut(StateRanks, stateId, rank, KActorRankFill);
}

std::int32_t TVezPlayerItem::AttribRank(std::int32_t attribId) const {
    return ByteSetAt(AttribRanks, attribId, KActorRankFill);
}

void TVezPlayerItem::SetAttribRank(std::int32_t attribId, std::uint8_t rank) {
    ByteSetPut(AttribRanks, attribId, rank, KActorRankFill);
}

void TVezPlayerItem::LimitSets(std::size_t states, std::size_t attributes) const {
    ByteSetLimit(StateRanks, states);
    ByteSetLimit(AttribRanks, attributes);
}

} // namespace kestra

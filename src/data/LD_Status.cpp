#include "data/LD_Status.h"

namespace kestra {

namespace {

constexpr std::int32_t KIncapacitated = 1;

} // namespace

void TVezStatusItem::DescribeChunks(TChunkVisitor& v) {
    static constexpr std::int32_t KDefaultChances[KRankCount] = {100, 80, 60, 30, 0};
    // The write defaults of state 1 follow its own initial values, so that every value
    // reads back as it was written.
    const bool incapacitated = Id == KIncapacitated;
    v.String(1, Name, true);
    v.Fixed(2, StateKind);
    v.Int(3, Colour, incapacitated ? 5 : 6);
    v.Int(4, Priority, incapacitated ? 100 : 50);
    v.Fixed(5, Restriction);
    for (std::size_t i = 0; i < RankChances.size(); ++i)
        v.Int(11 + static_cast<std::int32_t>(i), RankChances[i], KDefaultChances[i]);
    v.Int(21, MinTurns, 0);
    v.Int(22, TurnRecovery, 0);
    v.Int(23, HitRecovery, 0);
    for (std::size_t i = 0; i < Halve.size(); ++i)
        v.Bool(31 + static_cast<std::int32_t>(i), Halve[i], false);
    v.Int(35, HitRate, 100);
    v.Bool(41, Limit1On, false);
    v.Int(42, Limit1, 0);
    v.Bool(43, Limit2On, false);
    v.Int(44, Limit2, 0);
    v.String(51, MessageActor, true);
    v.String(52, MessageMonster, true);
    v.String(53, MessageAlready, true);
    v.String(54, MessageTurn, true);
    v.String(55, MessageEnded, true);
    v.Int(61, HpTurnPercent, 0);
    v.Int(62, HpTurn, 0);
    v.Int(63, HpStepInterval, 0);
    v.Int(64, HpPerInterval, 0);
    v.Int(65, MpTurnPercent, 0);
    v.Int(66, MpTurn, 0);
    v.Int(67, MpStepInterval, 0);
    v.Int(68, MpPerInterval, 0);
}

void TVezStatusItem::Clear() {
    TCatalogItem::Clear();
    if (Id == KIncapacitated) {
        StateKind = 1;
        Restriction = 1;
    }
}

void TVezStatusItem::LoadFromStream(TByteReader& reader) {
    TCatalogItem::LoadFromStream(reader);
    if (Id == KIncapacitated) {
        MessageAlready.clear();
        MessageTurn.clear();
    }
}

} // namespace kestra

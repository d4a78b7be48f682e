#pragma once
// The states table of the database. State 1 is the incapacitated state and has
// initial values of its own.
#include <array>
#include <cstdint>
#include <string>

#include "data/Catalog.h"
#include "data/LD_Attrib.h"

namespace kestra {

class TVezStatusItem : public TCatalogItem {
public:
    explicit TVezStatusItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // State 1 starts as kind 1, colour 5, priority 100, restriction 1.
    void Clear() override;
    // State 1 never shows the already-affected and each-turn messages.
    void LoadFromStream(TByteReader& reader) override;

    // Percent chance that the state takes hold on a bearer of rank 0..4; 0 otherwise.
    std::int32_t Chance(std::int32_t rank) const {
        return rank >= 0 && rank < KRankCount ? RankChances[static_cast<std::size_t>(rank)] : 0;
    }

    std::string Name;
    std::uint8_t StateKind{};
    std::int32_t Colour{};   // font colour of the system graphic for the name
    std::int32_t Priority{}; // the highest among a battler's states is shown and decides
    std::uint8_t Restriction{};
    std::array<std::int32_t, KRankCount> RankChances{};
    std::int32_t MinTurns{};
    std::int32_t TurnRecovery{}; // percent per turn once held longer than MinTurns
    std::int32_t HitRecovery{};  // percent when the bearer is hit
    // Attack, defence, intelligence, agility halved while the state holds.
    std::array<bool, 4> Halve{};
    std::int32_t HitRate{};
    bool Limit1On{};
    std::int32_t Limit1{};
    bool Limit2On{};
    std::int32_t Limit2{};
    std::string MessageActor;   // after an actor's name when the state takes hold
    std::string MessageMonster; // after a monster's name when the state takes hold
    std::string MessageAlready; // applied to a bearer that already has it
    std::string MessageTurn;    // the deciding state at each of the bearer's turns
    std::string MessageEnded;
    std::int32_t HpTurnPercent{}; // lost each battle turn, percent of max HP ...
    std::int32_t HpTurn{};        // ... plus this
    std::int32_t HpStepInterval{};
    std::int32_t HpPerInterval{};
    std::int32_t MpTurnPercent{};
    std::int32_t MpTurn{};
    std::int32_t MpStepInterval{};
    std::int32_t MpPerInterval{};
};

class TVezStatus : public TCatalogOf<TVezStatusItem> {
public:
    TVezStatus() : TCatalogOf("states") {}
};

} // namespace kestra

#pragma once
// Who is in the party, the inventory, gold, the count-down timer and the battle and
// step counters. Saved as chunk 109 of a save file.
#include <climits>
#include <cstdint>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

class TLcfgGameState;
class TLcfgPlayerItem;

inline constexpr std::int32_t KMaxPartySize = 4;
inline constexpr std::int32_t KMaxItemAmount = 99;
inline constexpr std::int32_t KMaxGold = 999999;
inline constexpr std::int32_t KMaxTimerFrames = 359999;

class TLcfgPartyInfo : public TCatalogBaseItem {
public:
    explicit TLcfgPartyInfo(TLcfgGameState& game);
    void DescribeChunks(TChunkVisitor& v) override;
    // The three inventory blocks share one count: all are cut to the shortest.
    void LoadFromStream(TByteReader& reader) override;

    // The starting party of the database (actors the run-time list holds), nothing
    // else: no items, no gold, no timer, zero counters.
    void NewGame();

    // Members.
    std::int32_t MemberCount() const { return static_cast<std::int32_t>(Members.size()); }
    void AddMember(std::int32_t actor);
    void RemoveMember(std::int32_t actor);
    bool Contains(std::int32_t actor) const;
    // The run-time actor of party slot i, or null.
    TLcfgPlayerItem* Member(std::int32_t i) const;
    // 1 for an empty party or an average below 1.
    std::int32_t AverageLevel() const;
    // 0 (fresh) .. 100 (spent); 0 for an empty party.
    std::int32_t Fatigue() const;

    // Inventory, kept in ascending item ID order.
    void GainItem(std::int32_t id, std::int64_t n);
    void LoseItem(std::int32_t id, std::int64_t n);
    void UseItem(std::int32_t id);
    std::int32_t ItemAmount(std::int32_t id) const;
    std::int32_t Equipped(std::int32_t id) const;
    bool Holds(std::int32_t id) const { return ItemAmount(id) > 0 || Equipped(id) > 0; }
    std::int32_t ItemCount() const { return static_cast<std::int32_t>(ItemIds.size()); }
    std::int32_t ItemIdAt(std::int32_t index) const;
    std::int32_t ItemAmountAt(std::int32_t index) const;
    // The item may be used now, by the current scene.
    bool UsableNow(std::int32_t id) const;

    void GainGold(std::int64_t n);
    void LoseGold(std::int64_t n);

    // Timer.
    void SetTimer(std::int64_t seconds);
    void StartTimer(bool shown, bool inBattle);
    void StopTimer();
    std::int32_t TimerSeconds() const { return Timer / 60; }
    // One frame of the running timer; true when map events should be refreshed.
    bool TickTimer();

    // Turn test (a, b): for a = 0 the turn equals b, otherwise the turn is at least b
    // and turn mod a = b mod a.
    bool TurnTest(std::int32_t a, std::int32_t b) const;
    // Adds one to a counter (battles, victories, defeats, escapes, turns, steps),
    // stopping at the largest value.
    static void Increment(std::int32_t& counter) {
        if (counter < INT32_MAX) ++counter;
    }

    std::vector<std::uint16_t> Members;
    std::vector<std::uint16_t> ItemIds;
    std::vector<std::uint8_t> ItemAmounts;
    std::vector<std::uint8_t> ItemUses;
    std::int32_t Gold;
    std::int32_t Timer;
    bool TimerRunning, TimerShown, TimerInBattle;
    std::int32_t Battles, Defeats, Escapes, Victories, Turns, Steps;

private:
    std::size_t FindEntry(std::int32_t id) const;
    bool UsableSkillItem(std::int32_t itemId, std::int32_t skillId) const;

    TLcfgGameState& Game;
};

} // namespace kestra

#include "state/LGD_PartyInfo.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/Saturate.h"
#include "data/DataBase.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {} // namespace

TLcfgPartyInfo::TLcfgPartyInfo(TLcfgGameState& game) : Game(game) {
    Clear();
}

void TLcfgPartyInfo::DescribeChunks(TChunkVisitor& v) {
    // The two counts are written even when 0.
    v.Count(1, Members, INT32_MAX);
    v.Block(2, Members);
    v.Count(11, ItemIds, INT32_MAX);
    v.Block(12, ItemIds);
    v.Block(13, ItemAmounts);
    v.Block(14, ItemUses);
    v.Int(21, Gold);
    v.Int(23, Timer);
    v.Bool(24, TimerRunning);
    v.Bool(25, TimerShown);
    v.Bool(26, TimerInBattle);
    v.Int(32, Battles);
    v.Int(33, Defeats);
    v.Int(34, Escapes);
    v.Int(35, Victories);
    v.Int(41, Turns);
    v.Int(42, Steps);
}

void TLcfgPartyInfo::LoadFromStream(TByteReader& reader) {
    TCatalogBaseItem::LoadFromStream(reader);
    std::size_t n = std::min({ItemIds.size(), ItemAmounts.size(), ItemUses.size()});
    ItemIds.resize(n);
    ItemAmounts.resize(n);
    ItemUses.resize(n);
    if (Members.size() > KMaxPartySize) Members.resize(KMaxPartySize);
}

void TLcfgPartyInfo::NewGame() {
    Clear();
    const auto& start = Game.DataBase().System.Party;
    for (std::uint16_t actor : start)
        if (Game.Actors.Find(actor) != nullptr) AddMember(actor);
}

// ---- members ----

void TLcfgPartyInfo::AddMember(std::int32_t actor) {
    if (MemberCount() >= KMaxPartySize || Contains(actor) || actor < 1 || actor > 0xFFFF) return;
    Members.push_back(static_cast<std::uint16_t>(actor));
}

void TLcfgPartyInfo::RemoveMember(std::int32_t actor) {
    auto it = std::find(Members.begin(), Members.end(), actor);
    if (it == Members.end()) return;
    Members.erase(it);
}

bool TLcfgPartyInfo::Contains(std::int32_t actor) const {
    return std::find(Members.begin(), Members.end(), actor) != Members.end();
}

TLcfgPlayerItem* TLcfgPartyInfo::Member(std::int32_t i) const {
    if (i < 0 || i >= MemberCount()) return nullptr;
    return Game.Actors.Find(Members[static_cast<std::size_t>(i)]);
}

std::int32_t TLcfgPartyInfo::AverageLevel() const {
    std::int64_t sum = 0;
    std::int32_t count = 0;
    for (std::int32_t i = 0; i < MemberCount(); ++i) {
        if (const auto* m = Member(i)) {
            sum += m->Level;
            ++count;
        }
    }
    std::int64_t average = count == 0 ? 0 : sum / count;
    return average < 1 ? 1 : static_cast<std::int32_t>(average);
}

std::int32_t TLcfgPartyInfo::Fatigue() const {
    std::int64_t hp = 0, maxHp = 0, mp = 0, maxMp = 0;
    for (std::int32_t i = 0; i < MemberCount(); ++i) {
        if (const auto* m = Member(i)) {
            hp += m->HP;
            maxHp += m->MaxHP();
            mp += m->MP;
            maxMp += m->MaxMP();
        }
    }
    if (maxHp <= 0) return 0;
    if (maxMp <= 0) maxMp = 1;
    double r = (static_cast<double>(hp) / static_cast<double>(maxHp) * 2 +
                static_cast<double>(mp) / static_cast<double>(maxMp)) *
               100 / 3;
    return std::clamp(100 - static_cast<std::int32_t>(std::trunc(r)), 0, 100);
}

// ---- inventory ----

std::size_t TLcfgPartyInfo::FindEntry(std::int32_t id) const {
    auto it = std::lower_bound(ItemIds.begin(), ItemIds.end(), id);
    return it != ItemIds.end() && *it == id ? static_cast<std::size_t>(it - ItemIds.begin())
                                            : ItemIds.size();
}

void TLcfgPartyInfo::GainItem(std::int32_t id, std::int64_t n) {
    if (id < 1 || id > 0xFFFF || n <= 0) return;
    std::size_t i = FindEntry(id);
    if (i < ItemIds.size()) {
        ItemAmounts[i] = static_cast<std::uint8_t>(
            std::min<std::int64_t>(KMaxItemAmount, SatAdd(ItemAmounts[i], n)));
        return;
    }
    auto at = static_cast<std::size_t>(std::lower_bound(ItemIds.begin(), ItemIds.end(), id) -
                                       ItemIds.begin());
    auto offset = static_cast<std::ptrdiff_t>(at);
    ItemIds.insert(ItemIds.begin() + offset, static_cast<std::uint16_t>(id));
    ItemAmounts.insert(ItemAmounts.begin() + offset,
                       static_cast<std::uint8_t>(std::min<std::int64_t>(KMaxItemAmount, n)));
    ItemUses.insert(ItemUses.begin() + offset, 0);
}

void TLcfgPartyInfo::LoseItem(std::int32_t id, std::int64_t n) {
    std::size_t i = FindEntry(id);
    if (n <= 0 || i >= ItemIds.size()) return;
    std::int64_t left = std::max<std::int64_t>(0, SatSub(ItemAmounts[i], n));
    ItemUses[i] = 0;
    if (left > 0) {
        ItemAmounts[i] = static_cast<std::uint8_t>(left);
        return;
    }
    auto offset = static_cast<std::ptrdiff_t>(i);
    ItemIds.erase(ItemIds.begin() + offset);
    ItemAmounts.erase(ItemAmounts.begin() + offset);
    ItemUses.erase(ItemUses.begin() + offset);
}

void TLcfgPartyInfo::UseItem(std::int32_t id) {
    const auto* item = Game.DataBase().Items.Find(id);
    std::size_t i = FindEntry(id);
    if (item == nullptr || item->Uses <= 0 || i >= ItemIds.size()) return;
    if (ItemUses[i] < 255) ++ItemUses[i];
    if (ItemUses[i] >= item->Uses) LoseItem(id, 1);
}

std::int32_t TLcfgPartyInfo::ItemAmount(std::int32_t id) const {
    std::size_t i = FindEntry(id);
    return i < ItemIds.size() ? ItemAmounts[i] : 0;
}

std::int32_t TLcfgPartyInfo::Equipped(std::int32_t id) const {
    if (id == 0) return 0;
    std::int32_t n = 0;
    for (std::int32_t m = 0; m < MemberCount(); ++m)
        if (const auto* actor = Member(m))
            n += static_cast<std::int32_t>(
                std::count(actor->Equipment.begin(), actor->Equipment.end(), id));
    return n;
}

std::int32_t TLcfgPartyInfo::ItemIdAt(std::int32_t index) const {
    return index >= 0 && index < ItemCount() ? ItemIds[static_cast<std::size_t>(index)] : 0;
}

std::int32_t TLcfgPartyInfo::ItemAmountAt(std::int32_t index) const {
    return index >= 0 && index < ItemCount() ? ItemAmounts[static_cast<std::size_t>(index)] : 0;
}

bool TLcfgPartyInfo::UsableSkillItem(std::int32_t itemId, std::int32_t skillId) const {
    const auto& db = Game.DataBase();
    const auto* skill = db.Skills.Find(skillId);
    if (skill == nullptr) return false;
    const auto& sys = Game.System;
    switch (skill->SkillKind) {
    case 1:
        return sys.TeleportAllowed && Game.Teleport.Count() > 1 && !Game.InAirship();
    case 2:
        return sys.EscapeAllowed && Game.Teleport.Escape().MapId != 0 && !Game.InAirship();
    case 3:
        return skill->FieldUse;
    case 0: {
        if (skill->Scope < 2) return false;
        const auto* item = db.Items.Find(itemId);
        bool someone = false;
        for (std::int32_t m = 0; m < MemberCount(); ++m) {
            const auto* actor = Member(m);
            if (actor != nullptr && item->UsableBy(actor->Id) && actor->CanAct()) someone = true;
        }
        if (!someone) return false;
        if (skill->EffectFlags[0] || skill->EffectFlags[1]) return true;
        return std::any_of(skill->StateEffects.begin(), skill->StateEffects.end(),
                           [](std::uint8_t s) { return s != 0; });
    }
    default:
        return false;
    }
}

bool TLcfgPartyInfo::UsableNow(std::int32_t id) const {
    const auto& db = Game.DataBase();
    const auto* item = id == 0 ? nullptr : db.Items.Find(id);
    if (item == nullptr) return false;
    if (Game.Scene() == KSceneMenu) {
        switch (item->Kind) {
        case 6:
        case 7:
        case 8:
            return true;
        case 9:
            return UsableSkillItem(id, item->SkillId);
        case 10:
            return item->FieldUse;
        default:
            return false;
        }
    }
    if (Game.Scene() == KSceneBattle) {
        switch (item->Kind) {
        case 6:
            return !item->NotInBattle;
        case 9: {
            const auto* skill = db.Skills.Find(item->SkillId);
            return skill != nullptr &&
                   (skill->SkillKind == 0 || (skill->SkillKind == 3 && skill->BattleUse));
        }
        case 10:
            return item->BattleUse;
        default:
            return false;
        }
    }
    return false;
}

// ---- gold, timer, turns ----

void TLcfgPartyInfo::GainGold(std::int64_t n) {
    Gold = Clamp32(SatAdd(Gold, n), 0, KMaxGold);
}

void TLcfgPartyInfo::LoseGold(std::int64_t n) {
    Gold = Clamp32(SatSub(Gold, n), 0, KMaxGold);
}

void TLcfgPartyInfo::SetTimer(std::int64_t seconds) {
    seconds = std::clamp<std::int64_t>(seconds, -1, KMaxTimerFrames);
    Timer = Clamp32(seconds * 60 + 59, 0, KMaxTimerFrames);
}

void TLcfgPartyInfo::StartTimer(bool shown, bool inBattle) {
    TimerRunning = true;
    TimerShown = shown;
    TimerInBattle = inBattle;
}

void TLcfgPartyInfo::StopTimer() {
    TimerRunning = TimerShown = TimerInBattle = false;
}

bool TLcfgPartyInfo::TickTimer() {
    if (!TimerRunning || Timer <= 0) return false;
    --Timer;
    bool refresh = Timer % 60 == 59;
    if (Timer / 60 == 0) StopTimer();
    return refresh;
}

bool TLcfgPartyInfo::TurnTest(std::int32_t a, std::int32_t b) const {
    if (a == 0) return Turns == b;
    std::int64_t m = a;
    return Turns >= b && static_cast<std::int64_t>(Turns) % m == static_cast<std::int64_t>(b) % m;
}

} // namespace kestra

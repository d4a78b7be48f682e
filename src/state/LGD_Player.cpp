#include "state/LGD_Player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Saturate.h"
#include "battle/LGD_Monster.h"
#include "data/DataBase.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

// The experience curve; levels are at most KMaxActorLevel + 1, so the loop is short,
// and the step is kept finite so that trunc() stays defined.
std::int32_t ComputeExp(std::int32_t level, std::int32_t base, std::int32_t inflation,
                        std::int32_t correction) {
    constexpr double KStepLimit = 1e7;
    std::int64_t sum = 0;
    double d = base;
    double e = inflation * 0.01 + 1.5;
    for (std::int32_t i = 1; i < level; ++i) {
        sum += static_cast<std::int64_t>(correction) + static_cast<std::int64_t>(std::trunc(d));
        d = std::clamp(d * e, -KStepLimit, KStepLimit);
        e = (level * 0.002 + 0.8) * (e - 1) + 1;
        if (sum > KMaxExperience) return KMaxExperience + 1;
    }
    return Clamp32(sum, 0, KMaxExperience + 1);
}

} // namespace

void TLcfgPlayerItem::DescribeChunks(TChunkVisitor& v) {
    v.String(0x01, Name);
    v.String(0x02, Title);
    v.String(0x0B, WalkName, true);
    v.Int(0x0C, WalkIndex);
    v.Int(0x0D, WalkTransparency);
    v.String(0x15, FaceName, true);
    v.Int(0x16, FaceIndex);
    v.Int(0x1F, Level, 1);
    v.Int(0x20, Experience);
    v.Int(0x21, Bonus[0]);
    v.Int(0x22, Bonus[1]);
    for (int p = 2; p < 6; ++p) v.Int(0x29 + p - 2, Bonus[static_cast<std::size_t>(p)]);
    v.Count(0x33, Skills);
    v.Block(0x34, Skills);
    v.Fixed(0x3D, Equipment);
    v.Int(0x47, HP);
    v.Int(0x48, MP);
    v.Count(0x51, States);
    v.Block(0x52, States);
}

void TLcfgPlayerItem::Clear() {
    TLcfgUnitItem::Clear();
    ResetUnit();
    Name = Title = KDatabaseText;
    ExpCacheValid = false;
}

void TLcfgPlayerItem::LoadFromStream(TByteReader& reader) {
    TLcfgUnitItem::LoadFromStream(reader);
    ExpCacheValid = false;
}

const TVezPlayerItem& TLcfgPlayerItem::Record() const {
    return Game->DataBase().Actors.Get(Id);
}

// ---- parameters ----

std::int32_t TLcfgPlayerItem::Curve(int param) const {
    return Record().Parameter(param, Level);
}

const TVezItemItem* TLcfgPlayerItem::EquippedItem(int slot) const {
    std::uint16_t id = Equipment[static_cast<std::size_t>(slot)];
    return id == 0 ? nullptr : Game->DataBase().Items.Find(id);
}

std::int32_t TLcfgPlayerItem::BaseParameter(int param) const {
    std::int64_t v =
        static_cast<std::int64_t>(Curve(param)) + Bonus[static_cast<std::size_t>(param)];
    for (int s = 0; s < KEquipmentSlots; ++s)
        if (const auto* item = EquippedItem(s))
            v += item->Bonuses[static_cast<std::size_t>(param - 2)];
    return Clamp32(v, 1, 999);
}

std::int32_t TLcfgPlayerItem::MaxHP() const {
    return Clamp32(static_cast<std::int64_t>(Curve(0)) + Bonus[0], 1, 999);
}

std::int32_t TLcfgPlayerItem::MaxMP() const {
    return Clamp32(static_cast<std::int64_t>(Curve(1)) + Bonus[1], 0, 999);
}

std::string TLcfgPlayerItem::GetName() const {
    return Name == KDatabaseText ? Record().Name : Name;
}

std::string TLcfgPlayerItem::GetTitle() const {
    return Title == KDatabaseText ? Record().Title : Title;
}

std::int32_t TLcfgPlayerItem::AttributeRank(std::int32_t attr) const {
    std::int32_t rank = Record().AttribRank(attr);
    for (int s = 0; s < KEquipmentSlots; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && !item->IsWeapon() && item->Attribute(attr) != 0) {
            ++rank;
            break;
        }
    }
    return std::clamp(rank, 0, 4);
}

std::int32_t TLcfgPlayerItem::StateRank(std::int32_t cond) const {
    return Record().StateRank(cond);
}

bool TLcfgPlayerItem::AttackHasAttribute(std::int32_t attr) const {
    for (int s = 0; s < 2; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsWeapon() && item->Attribute(attr) != 0) return true;
    }
    return false;
}

std::int32_t TLcfgPlayerItem::InflictChance(std::int32_t cond) const {
    std::int32_t best = 0;
    for (int s = 0; s < 2; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsWeapon() && item->State(cond) != 0)
            best = std::max(best, item->StateChance);
    }
    return best;
}

std::int32_t TLcfgPlayerItem::ResistChance(std::int32_t cond) const {
    std::int32_t best = 0;
    for (int s = 0; s < KEquipmentSlots; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsArmour() && item->State(cond) != 0)
            best = std::max(best, item->StateChance);
    }
    return best;
}

double TLcfgPlayerItem::CriticalChance() const {
    const auto& rec = Record();
    double chance = rec.CriticalHits && rec.CriticalChance > 0 ? 100.0 / rec.CriticalChance : 0.0;
    std::int32_t bonus = 0;
    for (int s = 0; s < 2; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsWeapon()) bonus = std::max(bonus, item->CriticalBonus);
    }
    return chance + bonus;
}

std::int32_t TLcfgPlayerItem::HitRate() const {
    bool armed = false;
    std::int32_t best = 0;
    for (int s = 0; s < 2; ++s) {
        const auto* item = EquippedItem(s);
        if (item == nullptr || !item->IsWeapon()) continue;
        best = armed ? std::max(best, item->HitRate) : item->HitRate;
        armed = true;
    }
    return armed ? best : 90;
}

bool TLcfgPlayerItem::StrongDefence() const {
    return Record().StrongDefence;
}

bool TLcfgPlayerItem::WeaponFlag(int flag) const {
    for (int s = 0; s < KEquipmentSlots; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsWeapon() && item->Flags[static_cast<std::size_t>(flag)])
            return true;
    }
    return false;
}

bool TLcfgPlayerItem::ArmourFlag(int flag) const {
    for (int s = 0; s < KEquipmentSlots; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsArmour() && item->Flags[static_cast<std::size_t>(flag)])
            return true;
    }
    return false;
}

std::int32_t TLcfgPlayerItem::AttackMPCost() const {
    std::int64_t sum = 0;
    for (int s = 0; s < 2; ++s) {
        const auto* item = EquippedItem(s);
        if (item != nullptr && item->IsWeapon()) sum += item->WeaponValue;
    }
    return Clamp32(sum, INT32_MIN, INT32_MAX);
}

void TLcfgPlayerItem::ChooseAutoAction() {
    Action.Clear();
    if (Game != nullptr && Game->Battle != nullptr) Game->Battle->ChooseActorAction(*this);
}

bool TLcfgPlayerItem::CanUseItem(std::int32_t itemId) const {
    if (itemId == 0) return false;
    const auto* item = Game->DataBase().Items.Find(itemId);
    if (item == nullptr) return false;
    if (item->Kind != 6 && !item->UsableBy(Id)) return false;
    return Game->PartyInfo.UsableNow(itemId);
}

// ---- reset, experience, levels ----

void TLcfgPlayerItem::Reset() {
    const auto& rec = Record();
    Name = Title = KDatabaseText;
    WalkName.clear();
    WalkIndex = WalkTransparency = 0;
    FaceName.clear();
    FaceIndex = 0;
    ExpCacheValid = false;
    ResetUnit();
    Level = std::clamp(rec.InitialLevel, 1, FinalLevel());
    Experience = std::min(ExpForLevel(Level), KMaxExperience);
    Bonus = {};
    HP = MaxHP();
    MP = MaxMP();
    Skills.clear();
    LearnUpTo(0, Level, nullptr);
    Equipment = {};
    for (int s = 0; s < KEquipmentSlots; ++s) {
        std::int32_t item = rec.Equipment(s);
        if (CanEquip(s, item))
            Equipment[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(item);
    }
}

std::int32_t TLcfgPlayerItem::FinalLevel() const {
    return std::clamp(Record().MaxLevel, 1, KMaxActorLevel);
}

std::int32_t TLcfgPlayerItem::ExpForLevel(std::int64_t level) const {
    if (level <= 1) return 0;
    level = std::min<std::int64_t>(level, KMaxActorLevel + 1);
    if (!ExpCacheValid) {
        const auto& rec = Record();
        for (std::int32_t l = 0; l <= KMaxActorLevel + 1; ++l)
            ExpCache[static_cast<std::size_t>(l)] =
                ComputeExp(l, rec.ExpBase, rec.ExpIncrease, rec.ExpCorrection);
        ExpCacheValid = true;
    }
    return ExpCache[static_cast<std::size_t>(level)];
}

std::int32_t TLcfgPlayerItem::MaxReachableLevel() const {
    for (std::int32_t l = FinalLevel(); l > 1; --l)
        if (ExpForLevel(l) <= KMaxExperience) return l;
    return 1;
}

void TLcfgPlayerItem::LearnUpTo(std::int32_t fromExclusive, std::int32_t to,
                                std::vector<std::string>* announce) {
    const auto& rec = Record();
    const auto& db = Game->DataBase();
    for (std::size_t i = 0; i < rec.Learning.Count(); ++i) {
        const auto& entry = rec.Learning.At(i);
        if (entry.Level <= fromExclusive || entry.Level > to) continue;
        LearnSkill(entry.SkillId);
        if (announce != nullptr) {
            const auto* skill = db.Skills.Find(entry.SkillId);
            announce->push_back((skill != nullptr ? skill->Name : std::string()) +
                                db.Vocabulary.Term(0x25));
        }
    }
}

void TLcfgPlayerItem::LowerPointsToMaxima() {
    HP = std::min(HP, MaxHP());
    MP = std::min(MP, MaxMP());
}

void TLcfgPlayerItem::GainExperience(std::int64_t amount, std::vector<std::string>* announce) {
    Experience = Clamp32(SatAdd(Experience, amount), 0, KMaxExperience);
    std::int32_t old = Level;
    std::int32_t top = MaxReachableLevel();
    while (Level < top && Experience >= ExpForLevel(static_cast<std::int64_t>(Level) + 1)) ++Level;
    if (Level > old) {
        if (announce != nullptr) {
            const auto& vocab = Game->DataBase().Vocabulary;
            std::string name = GetName();
            const std::string& levelWord = vocab.Term(0x7B);
            const std::string& levelUp = vocab.Term(0x24);
            std::string number = std::to_string(Level);
            announce->push_back(name + "  " + levelWord + "\x01" + number + "\x01" + levelUp);
        }
        LearnUpTo(old, Level, announce);
        if (announce != nullptr) announce->emplace_back();
    }
    LowerPointsToMaxima();
}

void TLcfgPlayerItem::LoseExperience(std::int64_t amount) {
    Experience = Clamp32(SatSub(Experience, amount), 0, KMaxExperience);
    while (Level > 1 && Experience < ExpForLevel(Level)) --Level;
    LowerPointsToMaxima();
}

void TLcfgPlayerItem::ChangeLevel(std::int64_t n, std::vector<std::string>* announce) {
    if (n > 0) {
        GainExperience(static_cast<std::int64_t>(ExpForLevel(SatAdd(Level, n))) - Experience,
                       announce);
    } else if (n < 0) {
        std::int64_t target = std::max<std::int64_t>(1, SatAdd(Level, n));
        LoseExperience(static_cast<std::int64_t>(Experience) - ExpForLevel(target));
    }
}

void TLcfgPlayerItem::ChangeBonus(int param, std::int64_t delta) {
    if (param < 0 || param >= KParameterCount) return;
    auto& b = Bonus[static_cast<std::size_t>(param)];
    b = Clamp32(SatAdd(b, delta), -KMaxParameterBonus, KMaxParameterBonus);
    LowerPointsToMaxima();
}

// ---- skills ----

void TLcfgPlayerItem::LearnSkill(std::int32_t skill) {
    if (skill < 1 || skill > 0xFFFF) return;
    auto id = static_cast<std::uint16_t>(skill);
    auto it = std::lower_bound(Skills.begin(), Skills.end(), id);
    if (it == Skills.end() || *it != id) Skills.insert(it, id);
}

void TLcfgPlayerItem::ForgetSkill(std::int32_t skill) {
    auto it = std::find(Skills.begin(), Skills.end(), skill);
    if (it != Skills.end()) Skills.erase(it);
}

bool TLcfgPlayerItem::KnowsSkill(std::int32_t skill) const {
    return std::find(Skills.begin(), Skills.end(), skill) != Skills.end();
}

std::int32_t TLcfgPlayerItem::SkillAt(std::int32_t index) const {
    return index >= 0 && index < static_cast<std::int32_t>(Skills.size())
               ? Skills[static_cast<std::size_t>(index)]
               : 0;
}

// ---- equipment ----

void TLcfgPlayerItem::CheckSlot(int slot) const {
    if (slot < 0 || slot >= KEquipmentSlots)
        throw ELookupError("equipment slot " + std::to_string(slot) + " does not exist");
}

bool TLcfgPlayerItem::TwoWeapons() const {
    return Record().TwoWeapons;
}
bool TLcfgPlayerItem::EquipmentLocked() const {
    return Record().FixedEquipment;
}
bool TLcfgPlayerItem::AutoBattle() const {
    return Record().Automatic;
}

bool TLcfgPlayerItem::CanEquip(int slot, std::int32_t itemId) const {
    CheckSlot(slot);
    if (itemId == 0) return true;
    const auto* item = Game->DataBase().Items.Find(itemId);
    if (item == nullptr || !item->UsableBy(Id)) return false;
    switch (slot) {
    case 0:
        return item->Kind == 1;
    case 1:
        return item->Kind == 2 || (item->Kind == 1 && TwoWeapons());
    default:
        return item->Kind == slot + 1;
    }
}

void TLcfgPlayerItem::ApplyTwoHandedRule(int slot, bool useInventory) {
    if (slot > 1 || Equipment[0] == 0 || Equipment[1] == 0) return;
    const auto* a = EquippedItem(0);
    const auto* b = EquippedItem(1);
    bool twoHanded = (a != nullptr && a->IsTwoHanded()) || (b != nullptr && b->IsTwoHanded());
    if (!twoHanded) return;
    auto& other = Equipment[slot == 0 ? 1 : 0];
    if (useInventory) Game->PartyInfo.GainItem(other, 1);
    other = 0;
}

void TLcfgPlayerItem::Equip(int slot, std::int32_t itemId) {
    if (!CanEquip(slot, itemId)) return;
    auto& held = Equipment[static_cast<std::size_t>(slot)];
    if (held == itemId) return;
    if (held != 0) Game->PartyInfo.GainItem(held, 1);
    held = static_cast<std::uint16_t>(itemId);
    if (itemId != 0) Game->PartyInfo.LoseItem(itemId, 1);
    ApplyTwoHandedRule(slot, true);
}

void TLcfgPlayerItem::SetEquipmentRaw(int slot, std::int32_t itemId) {
    CheckSlot(slot);
    Equipment[static_cast<std::size_t>(slot)] =
        static_cast<std::uint16_t>(std::clamp(itemId, 0, 0xFFFF));
    ApplyTwoHandedRule(slot, false);
}

std::int32_t TLcfgPlayerItem::EquipCandidateCount(int slot) const {
    std::int32_t n = 1;
    const auto& inv = Game->PartyInfo;
    for (std::int32_t i = 0; i < inv.ItemCount(); ++i)
        if (CanEquip(slot, inv.ItemIdAt(i))) ++n;
    return n;
}

std::int32_t TLcfgPlayerItem::EquipCandidate(int slot, std::int32_t n) const {
    const auto& inv = Game->PartyInfo;
    for (std::int32_t i = 0; i < inv.ItemCount(); ++i) {
        std::int32_t id = inv.ItemIdAt(i);
        if (CanEquip(slot, id) && n-- == 0) return id;
    }
    return 0;
}

std::int32_t TLcfgPlayerItem::AttackAnimation() const {
    const auto* first = EquippedItem(0);
    if (first != nullptr && first->IsWeapon()) return first->Animation;
    const auto* second = EquippedItem(1);
    if (TwoWeapons() && second != nullptr && second->IsWeapon()) return second->Animation;
    return Record().UnarmedAnimation;
}

std::int32_t TLcfgPlayerItem::SecondAttackAnimation() const {
    if (!TwoWeapons() || Equipment[0] == 0 || Equipment[1] == 0) return 0;
    const auto* second = EquippedItem(1);
    return second != nullptr && second->IsWeapon() ? second->Animation : 0;
}

std::string TLcfgPlayerItem::SkillCommandName() const {
    const auto& rec = Record();
    return rec.OwnSkillCommand ? rec.SkillCommandName : Game->DataBase().Vocabulary.Term(0x6B);
}

// ---- overrides ----

void TLcfgPlayerItem::SetName(const std::string& name) {
    Name = name == Record().Name ? std::string(KDatabaseText) : name;
}

void TLcfgPlayerItem::SetTitle(const std::string& title) {
    Title = title == Record().Title ? std::string(KDatabaseText) : title;
}

TLcfgPlayerItem::TGraphic TLcfgPlayerItem::WalkGraphic() const {
    if (!WalkName.empty()) return {WalkName, WalkIndex, WalkTransparency};
    const auto& rec = Record();
    return {rec.Graphic, rec.GraphicIndex, rec.Transparent ? 3 : 0};
}

void TLcfgPlayerItem::SetWalkGraphic(const std::string& name, std::int32_t index,
                                     bool transparent) {
    const auto& rec = Record();
    if (name == rec.Graphic && index == rec.GraphicIndex && transparent == rec.Transparent) {
        WalkName.clear();
        WalkIndex = WalkTransparency = 0;
    } else {
        WalkName = name;
        WalkIndex = index;
        WalkTransparency = transparent ? 3 : 0;
    }
}

TLcfgPlayerItem::TGraphic TLcfgPlayerItem::Face() const {
    if (!FaceName.empty()) return {FaceName, FaceIndex, 0};
    const auto& rec = Record();
    return {rec.FaceGraphic, rec.FaceIndex, 0};
}

void TLcfgPlayerItem::SetFace(const std::string& name, std::int32_t index) {
    const auto& rec = Record();
    if (name == rec.FaceGraphic && index == rec.FaceIndex) {
        FaceName.clear();
        FaceIndex = 0;
    } else {
        FaceName = name;
        FaceIndex = index;
    }
}

bool TLcfgPlayerItem::FieldStateDamage(std::int32_t steps) {
    // Collected first: damage can add the death state and so change the held states.
    std::vector<std::int32_t> hpLoss, mpLoss;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        if (s.HpStepInterval > 0 && steps % s.HpStepInterval == 0)
            hpLoss.push_back(s.HpPerInterval);
        if (s.MpStepInterval > 0 && steps % s.MpStepInterval == 0)
            mpLoss.push_back(s.MpPerInterval);
    });
    for (std::int32_t amount : hpLoss) Damage(amount, false);
    for (std::int32_t amount : mpLoss) SpendMP(amount);
    return !hpLoss.empty() || !mpLoss.empty();
}

// ---- the list ----

void TLcfgPlayer::Rebuild() {
    Clear();
    const auto& actors = Game.DataBase().Actors;
    for (std::size_t i = 0; i < actors.Count(); ++i) Obtain(actors.At(i).Id).Reset();
}

} // namespace kestra

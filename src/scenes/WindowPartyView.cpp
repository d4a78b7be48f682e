#include "scenes/WindowPartyView.h"

#include "data/DataBase.h"
#include "state/LGD_GameState.h"

namespace kestra {

TLcfgPlayerItem* TLcfgWindowPartyView::Actor(std::int32_t actorId) {
    return Game.Actors.Find(actorId);
}

std::int32_t TLcfgWindowPartyView::Gold() {
    return Game.PartyInfo.Gold;
}

std::string TLcfgWindowPartyView::Term(int chunk) {
    return Game.DataBase().Vocabulary.Term(chunk);
}

int TLcfgWindowPartyView::InventorySize() {
    return Game.PartyInfo.ItemCount();
}

TVezInventoryEntry TLcfgWindowPartyView::InventoryEntry(int index) {
    return {Game.PartyInfo.ItemIdAt(index), Game.PartyInfo.ItemAmountAt(index)};
}

std::string TLcfgWindowPartyView::ItemName(std::int32_t itemId) {
    const auto* item = Game.DataBase().Items.Find(itemId);
    return item ? item->Name : std::string();
}

std::string TLcfgWindowPartyView::ItemDescription(std::int32_t itemId) {
    const auto* item = Game.DataBase().Items.Find(itemId);
    return item ? item->Description : std::string();
}

bool TLcfgWindowPartyView::PartyCanUseItem(std::int32_t itemId) {
    return Game.PartyInfo.UsableNow(itemId);
}

bool TLcfgWindowPartyView::ActorCanUseItem(std::int32_t actorId, std::int32_t itemId) {
    const TLcfgPlayerItem* actor = Actor(actorId);
    return actor && actor->CanUseItem(itemId);
}

TVezActorLine TLcfgWindowPartyView::ActorLine(std::int32_t actorId) {
    TVezActorLine line;
    const TLcfgPlayerItem* actor = Actor(actorId);
    if (!actor) return line;
    line.Name = actor->GetName();
    line.Level = actor->Level;
    line.StateText = actor->StateText();
    line.StateColor = actor->StateColour();
    line.Hp = actor->HP;
    line.MaxHp = actor->MaxHP();
    line.HpColor = actor->HPColour();
    line.Mp = actor->MP;
    line.MaxMp = actor->MaxMP();
    line.MpColor = actor->MPColour();
    return line;
}

std::vector<std::int32_t> TLcfgWindowPartyView::ActorSkills(std::int32_t actorId) {
    const TLcfgPlayerItem* actor = Actor(actorId);
    if (!actor) return {};
    return {actor->Skills.begin(), actor->Skills.end()};
}

bool TLcfgWindowPartyView::ActorHalvesMpCost(std::int32_t actorId) {
    const TLcfgPlayerItem* actor = Actor(actorId);
    return actor && actor->HalfMPCost();
}

bool TLcfgWindowPartyView::ActorCanUseSkill(std::int32_t actorId, std::int32_t skillId) {
    const TLcfgPlayerItem* actor = Actor(actorId);
    return actor && actor->CanUseSkill(skillId);
}

std::string TLcfgWindowPartyView::SkillName(std::int32_t skillId) {
    const auto* skill = Game.DataBase().Skills.Find(skillId);
    return skill ? skill->Name : std::string();
}

std::string TLcfgWindowPartyView::SkillDescription(std::int32_t skillId) {
    const auto* skill = Game.DataBase().Skills.Find(skillId);
    return skill ? skill->Description : std::string();
}

std::int32_t TLcfgWindowPartyView::SkillMpCost(std::int32_t skillId) {
    const auto* skill = Game.DataBase().Skills.Find(skillId);
    return skill ? skill->MpCost : 0;
}

} // namespace kestra

#pragma once
// The shared list windows' view of the running game: gold, inventory, actors and
// their skills from the game state, names and descriptions from the database.
#include "scenes/GameWindows.h"

namespace kestra {

class TLcfgGameState;
class TLcfgPlayerItem;

class TLcfgWindowPartyView : public IVezPartyView {
public:
    // The state must outlive the view.
    explicit TLcfgWindowPartyView(TLcfgGameState& game) : Game(game) {}

    std::int32_t Gold() override;
    std::string Term(int chunk) override;
    int InventorySize() override;
    TVezInventoryEntry InventoryEntry(int index) override;
    std::string ItemName(std::int32_t itemId) override;
    std::string ItemDescription(std::int32_t itemId) override;
    bool PartyCanUseItem(std::int32_t itemId) override;
    bool ActorCanUseItem(std::int32_t actorId, std::int32_t itemId) override;
    TVezActorLine ActorLine(std::int32_t actorId) override;
    std::vector<std::int32_t> ActorSkills(std::int32_t actorId) override;
    bool ActorHalvesMpCost(std::int32_t actorId) override;
    bool ActorCanUseSkill(std::int32_t actorId, std::int32_t skillId) override;
    std::string SkillName(std::int32_t skillId) override;
    std::string SkillDescription(std::int32_t skillId) override;
    std::int32_t SkillMpCost(std::int32_t skillId) override;

private:
    TLcfgPlayerItem* Actor(std::int32_t actorId);
    TLcfgGameState& Game;
};

} // namespace kestra

// What a step of the hero does on the field: the terrain hurts or heals the party, the
// step counts, the members' states take their walking effects and the encounter
// counter grows by the terrain's weight.
#include "data/DataBase.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

void TVezFieldScene::TakeStepEffects() {
    const TVezGroundItem* terrain =
        Game.Session->DataBase.Terrain.Find(Map.TerrainAt(Hero.X, Hero.Y));
    TLcfgPartyInfo& party = State.PartyInfo;
    if (!State.InAirship()) TerrainDamage(terrain);
    TLcfgPartyInfo::Increment(party.Steps);
    bool flash = false;
    for (std::int32_t i = 0; i < party.MemberCount(); ++i)
        if (TLcfgPlayerItem* member = party.Member(i))
            flash = member->FieldStateDamage(party.Steps) || flash;
    if (flash) FlashStepDamage();
    // Nobody is met while flying, nor in test play with Ctrl held.
    if (State.InAirship() || Hero.CtrlThrough) return;
    // Terrain the database does not describe weighs like ordinary ground.
    const std::int32_t weight = terrain != nullptr ? terrain->EncounterRate : 100;
    EncounterStep(Hero, weight, Map.EncounterSteps(Game.Session->MapTree), Host.Random());
}

void TVezFieldScene::TerrainDamage(const TVezGroundItem* terrain) {
    if (terrain == nullptr || terrain->Damage == 0) return;
    TLcfgPartyInfo& party = State.PartyInfo;
    bool hurt = false;
    for (std::int32_t i = 0; i < party.MemberCount(); ++i) {
        TLcfgPlayerItem* member = party.Member(i);
        if (member == nullptr) continue;
        if (terrain->Damage > 0) {
            if (member->NoTerrainDamage()) continue;
            // Walking never kills: the floor leaves at least 1 hit point.
            member->Damage(terrain->Damage, false);
            hurt = true;
        } else {
            member->ChangeHP(-static_cast<std::int64_t>(terrain->Damage));
        }
    }
    if (hurt) FlashStepDamage();
}

void TVezFieldScene::FlashStepDamage() {
    State.Screen.SetFlash(31, 10, 6, 20, 10);
    ++DamageFlashes;
}

} // namespace kestra

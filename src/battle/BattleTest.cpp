#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

constexpr std::int64_t KLevelsDown = 100;

} // namespace

void SetupBattleTest(TGameMain& game, std::int32_t troop) {
    TLcfgGameState& state = game.State();
    const TVezDataBase& db = state.DataBase();
    TLcfgSystem& system = state.System;
    system.Scene = KSceneBattle;
    TVezBattleScene& battle = *game.Battle;
    battle.Setup = {};
    battle.Setup.Troop = troop;
    battle.Setup.Backdrop = db.System.BattleTestBackground;
    battle.TestMode = true;
    battle.StartedDark = false;

    TLcfgPartyInfo& party = state.PartyInfo;
    while (party.MemberCount() > 0) party.RemoveMember(party.Members.front());
    const TVezTestPlayer& testers = db.System.BattleTestParty;
    for (std::size_t i = 0; i < testers.Count(); ++i) {
        const TVezTestPlayerItem& entry = testers.At(i);
        TLcfgPlayerItem* actor = state.Actors.Find(entry.Actor);
        if (actor == nullptr) continue;
        party.AddMember(entry.Actor);
        if (!party.Contains(entry.Actor)) continue;
        actor->ChangeLevel(-KLevelsDown);
        actor->ChangeLevel(static_cast<std::int64_t>(entry.Level) - 1);
        for (int slot = 0; slot < KEquipmentSlots; ++slot) actor->SetEquipmentRaw(slot, 0);
        for (int slot = 0; slot < KEquipmentSlots; ++slot) {
            const std::int32_t item = entry.Equipment(slot);
            if (item > 0 && actor->CanEquip(slot, item)) actor->SetEquipmentRaw(slot, item);
        }
        actor->FullRecovery();
    }
    const auto items = static_cast<std::int32_t>(db.Items.Count());
    for (std::int32_t id = 1; id <= items; ++id)
        if (party.UsableNow(id)) party.GainItem(id, KMaxItemAmount);
    system.PlayMusic(system.Music(KMusicBattle));
    system.PlaySystemSound(KSoundBattleStart);
}

} // namespace kestra

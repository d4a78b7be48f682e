// Handlers of the battle commands: Start battle on the map, and the commands that act
// on the battle in progress (monster HP, SP and conditions, hidden monsters, the
// backdrop, battle animations, the end of the battle). Outside a battle those do
// nothing; monster numbers from parameters name no monster when out of range.
#include <algorithm>

#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "state/LGD_GameState.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

// The monster at troop position `index` of the battle in progress, or null.
TLcfgMonsterItem* BattleMonster(TGameMain& game, std::int32_t index) {
    TLcfgMonster* troop = game.Battle->Troop();
    return troop != nullptr ? troop->At(index) : nullptr;
}

void StartBattle(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& game = s.Game();
    TLcfgGameState& state = State(game);
    TVezBattleSetup setup;
    setup.Troop = ValueByKind(game, l.Param(0), l.Param(1));
    if (l.Param(2) == 1) {
        setup.Backdrop = l.Text;
    } else if (!state.System.BattleBackground.empty()) {
        setup.Backdrop = state.System.BattleBackground;
    } else if (const TVezGroundItem* ground =
                   state.DataBase().Terrain.Find(state.Map.TerrainAt(state.Hero.X, state.Hero.Y))) {
        setup.Backdrop = ground->Background;
    }
    setup.CanEscape = l.Param(3) != 0;
    setup.DefeatContinues = l.Param(4) != 0;
    setup.FirstStrike = l.Param(5) != 0;
    // Until the battle ends the structure's byte matches no branch.
    const std::int32_t indent = std::clamp<std::int32_t>(l.Indent, 0, KMaxIndent);
    frame.BranchResult(indent) = 255;
    s.ResultTarget = {frame.Id, indent};
    TLcfgBaseScripter* interpreter = &s;
    const TLcfgBaseScripter::TResultTarget target = s.ResultTarget;
    setup.ResultTarget = [interpreter, target](std::uint8_t result) {
        interpreter->ResultTarget = target;
        interpreter->WriteResult(result);
    };
    Field(game).StartBattle(std::move(setup));
    s.BattleEscapeEndsEvent = l.Param(3) == 1;
    s.StopRequested = true;
}

void ChangeMonsterHP(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& game = s.Game();
    TLcfgMonsterItem* m = BattleMonster(game, l.Param(0));
    if (m == nullptr) return;
    const std::int32_t amount = ValueByKind(game, l.Param(2), l.Param(3));
    const bool alive = m->HP > 0;
    if (l.Param(1) == 0) {
        if (m->HP > 0) m->ChangeHP(std::max(amount, 0));
    } else if (l.Param(1) == 1) {
        if (m->HP > 0) m->Damage(std::max(amount, 0), l.Param(4) != 0);
    }
    if (alive && m->HP <= 0) {
        State(game).System.PlaySystemSound(KSoundEnemyDies);
        m->StartFade(36);
    }
}

void ChangeMonsterSP(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& game = s.Game();
    TLcfgMonsterItem* m = BattleMonster(game, l.Param(0));
    if (m == nullptr) return;
    const std::int32_t amount = std::max(ValueByKind(game, l.Param(2), l.Param(3)), 0);
    if (l.Param(1) == 0)
        m->ChangeMP(amount);
    else if (l.Param(1) == 1)
        m->SpendMP(amount);
}

void ChangeMonsterCondition(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgMonsterItem* m = BattleMonster(s.Game(), l.Param(0));
    if (m == nullptr) return;
    if (l.Param(1) == 0)
        m->AddState(l.Param(2));
    else if (l.Param(1) == 1)
        m->RemoveState(l.Param(2));
}

void ShowHiddenMonster(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgMonsterItem* m = BattleMonster(s.Game(), l.Param(0));
    if (m != nullptr && m->Record() != nullptr) m->Present = true;
}

void ChangeBattleBackground(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TVezBattleScene& battle = *s.Game().Battle;
    if (!battle.InBattle()) return;
    battle.Setup.Backdrop = l.Text;
    battle.LoadBackdrop(l.Text);
}

void ShowBattleAnimation(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& game = s.Game();
    TVezBattleScene& battle = *game.Battle;
    TLcfgMonster* troop = battle.Troop();
    if (!battle.InBattle() || troop == nullptr) return;
    const std::int32_t target = l.Param(1);
    battle.ShowAnimation(l.Param(0),
                         target >= 0 && target < troop->Size() ? target : KAnimateAllMonsters);
    if (l.Param(2) != 0) s.WaitFrames = troop->AnimationFrames();
}

void EndBattle(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    TVezBattleScene& battle = *s.Game().Battle;
    if (battle.InBattle()) battle.Abort();
}

} // namespace

std::vector<THandlerEntry> BattleHandlers() {
    return {
        {10710, StartBattle},         {13110, ChangeMonsterHP},
        {13120, ChangeMonsterSP},     {13130, ChangeMonsterCondition},
        {13150, ShowHiddenMonster},   {13210, ChangeBattleBackground},
        {13260, ShowBattleAnimation}, {13410, EndBattle},
    };
}

} // namespace kestra::scripter

// The field's way into a battle: the battle-start sequence and the encounters.
#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "media/Tonica.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

// One encounter in this many gives the party the first strike.
constexpr std::int32_t KFirstStrikeOdds = 32;

} // namespace

void TVezFieldScene::StartBattle(TVezBattleSetup setup) {
    TLcfgSystem& system = State.System;
    MessageWindow.Close();
    if (system.Transition(KTransitionTeleportHide) != KNoTeleportTransition) Hero.ResetAnimation();
    DrawFrame();
    system.MusicBeforeBattle = system.CurrentMusic;
    Game.Sound->StopSound();
    system.PlaySystemSound(KSoundBattleStart);
    system.PlayMusic(system.Music(KMusicBattle));
    system.SetFace(std::string(), 0, false, false);
    TVezBattleScene& battle = *Game.Battle;
    battle.Setup = std::move(setup);
    battle.TestMode = false;
    battle.StartedDark = Host.Board().Brightness == 0;
    if (!battle.StartedDark) Flash();
    HideWithTransition(system.Transition(KTransitionBattleStartHide));
    system.Scene = KSceneBattle;
}

bool TVezFieldScene::StartEncounter() {
    ++EncountersRolled;
    const TVezDataBase& db = State.DataBase();
    const std::int32_t terrain = Map.TerrainAt(Hero.X, Hero.Y);
    std::vector<std::int32_t> candidates;
    for (std::int32_t troop : Game.Session->MapTree.EncounterTroops(Hero.MapId, Hero.X, Hero.Y)) {
        const TVezMonGroupItem* record = db.Troops.Find(troop);
        if (record != nullptr && record->TerrainAllowed(terrain)) candidates.push_back(troop);
    }
    if (candidates.empty()) return false;
    TRandom& random = Host.Random();
    TVezBattleSetup setup;
    setup.Troop = candidates[static_cast<std::size_t>(
        random.Next(static_cast<std::int32_t>(candidates.size())))];
    setup.Backdrop = State.System.BattleBackground;
    if (setup.Backdrop.empty())
        if (const TVezGroundItem* ground = db.Terrain.Find(terrain))
            setup.Backdrop = ground->Background;
    setup.CanEscape = true;
    setup.DefeatContinues = false;
    setup.FirstStrike = random.Next(KFirstStrikeOdds) == 0;
    StartBattle(std::move(setup));
    return true;
}

} // namespace kestra

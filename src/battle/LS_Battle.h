#pragma once
// The battle scene (scene 2): one battle from the lines announcing the monsters to the
// return to the map. It shows the backdrop and the monsters, asks a command of every
// member the player controls, runs the turn's actions in initiative order one per frame
// with the troop's battle events between them, and ends in victory (experience, money,
// drops, level ups), escape, defeat or an abort. The end of a battle raises
// EVezBattleEnd, which only the scene's own frame step catches.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle/LGD_BattleAction.h"
#include "battle/LGD_Monster.h"
#include "graphics/GR_Animation.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;
class TVezMessageWindow;
class TVezMessagePool;

// Battle results as the result byte receives them.
enum : std::uint8_t {
    KBattleVictory = 0,
    KBattleEscape = 1,
    KBattleDefeat = 2,
    KBattleAborted = 3,
};

// Frames of the command windows' slide, 8 pixels a frame.
inline constexpr int KBattleSlideFrames = 9;

// A window of fixed command texts, one per row.
class TVezBattleCommandWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void SetCommands(std::vector<std::string> texts, std::vector<int> colours);
    void DrawItem(int x, int y, int index) override;

    std::vector<std::string> Texts;
    std::vector<int> Colours;
};

// One 16-pixel row per party member: name, state, HP and MP.
class TVezBattleStatusWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    // Set up at (x, y), 80 high, with one row per member.
    void SetupRows(int x, int y, int width);
    void DrawItem(int x, int y, int index) override;
};

// The present, living monsters by name, in troop order; the selection is a troop
// position.
class TVezBattleMonsterWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void SetupFor(const TLcfgMonster& troop);
    std::int32_t SelectedPosition() const;
    void DrawItem(int x, int y, int index) override;

    std::vector<std::int32_t> Positions;
    std::vector<std::string> Names;
};

// Four lines at (8, 8 + 16 n), each set as a whole.
class TVezBattleMessageWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    // Present at (0, 160) 320 x 80 with four empty lines.
    void Reset();
    void SetLine(int line, const std::string& text);
    void Refresh() override;
    void Hide() override;

    std::array<std::string, 4> Lines;
};

// What starts a battle: set by the field (an encounter, the Start battle command) or by
// the battle test, read by StartBattle, cleared after EndBattle.
struct TVezBattleSetup {
    std::int32_t Troop = 0;
    std::string Backdrop;
    bool CanEscape = true;
    bool DefeatContinues = false;
    bool FirstStrike = false;
    // Receives the result (0 victory, 1 escape, 2 defeat, 3 aborted) when set.
    std::function<void(std::uint8_t)> ResultTarget;
};

class TVezBattleScene : public TVezScene, public IVezBattleStage {
public:
    explicit TVezBattleScene(TGameMain& game);
    ~TVezBattleScene() override;

    // Back to no battle: windows hidden, the troop and the battle interpreter cleared.
    // The setup of the next battle is kept.
    void Reset() override;
    // The frame step: the first frame of a battle starts it, every later one runs one
    // step of its phase. EVezBattleEnd stops here.
    void Update() override;
    void Draw() override;

    // The screen effects, monsters, windows, message box and battle events of one frame;
    // the timer that runs in battles (its end aborts the battle) and F9 in test play.
    void UpdateAll();
    // Ends the battle with `result` and raises EVezBattleEnd.
    [[noreturn]] void EndBattle(std::uint8_t result);
    // The abort of the End battle command.
    [[noreturn]] void Abort() { EndBattle(KBattleAborted); }
    // The backdrop picture of the running battle (Change battle background).
    void LoadBackdrop(const std::string& name);
    // A battle animation of a battle event on a troop position (-1 all monsters, -2 the
    // screen).
    void ShowAnimation(std::int32_t animationId, std::int32_t target);

    // IVezBattleStage: the pauses, lines and shake the actions use.
    void Wait(int minFrames, int maxFrames) override;
    void RunFrame() override;
    void SetLine(int line, const std::string& text) override;
    void ResetMessages() override;
    void ShakeScreen(int strength, int speed, int frames) override;
    bool FirstStrikeTurn() const override { return FirstStrike; }

    // The running battle's monsters; null outside a battle.
    TLcfgMonster* Troop() const { return Monsters.get(); }
    bool InBattle() const { return Shown && Monsters != nullptr; }

    TVezBattleSetup Setup;
    // Battle test: the battle's end ends the program (after 30 frames).
    bool TestMode = false;
    // The screen was black when the battle was set up: no show transition afterwards.
    bool StartedDark = false;

    // Run-time state.
    bool Shown = false;
    int Phase = 0; // 0 party command, 1 actor command, 2 turn
    std::int32_t ActorIndex = 0;
    std::int32_t EscapeChance = 0;
    bool FirstStrike = false;
    std::vector<TLcfgUnitItem*> TurnOrder;
    std::int32_t ItemTopRow = 0, ItemCursor = 0;
    std::int32_t Turn = 0; // turns started in this battle

    // The screen's shake while the screen state does not carry it.

    TLcfgBattleScripter Interpreter;

    TVezBattleCommandWindow PartyCommand;
    TVezBattleStatusWindow Status;
    TVezBattleCommandWindow ActorCommand;
    TVezSkillWindow SkillList;
    TVezItemWindow ItemList;
    TVezBattleStatusWindow AllyTarget;
    TVezBattleMonsterWindow MonsterTarget;
    TVezBattleMessageWindow Messages;
    TKandelSheet Backdrop;
    TVezAnimationGraphic Animation;

private:
    void StartBattle();
    void ShowOpeningLines();
    void BeginPartyCommand();
    void PartyCommandStep();
    void ActorCommandStep();
    void ExecuteStep();
    // The member ControlledByPlayer at or after (step 1) / before (step -1) `from`, or -1.
    std::int32_t NextCommandable(std::int32_t from, int step) const;
    void BeginActorCommand(std::int32_t index);
    // Members between two commanded ones act on their own or not at all.
    void SetIdle(std::int32_t from, std::int32_t to);
    void AfterCommand();
    void SlideWindows(bool forward);
    bool ChooseSkill(TLcfgPlayerItem& actor);
    bool ChooseItem(TLcfgPlayerItem& actor);
    bool TargetBySkill(TLcfgPlayerItem& actor, const TVezSkillItem& skill);
    bool ChooseMonster(TLcfgUnitActItem& action);
    bool ChooseAlly(TLcfgUnitActItem& action);
    void StartTurn();
    void EscapeAttempt();
    void EventStep();
    void CheckEnd();
    [[noreturn]] void Defeat();
    [[noreturn]] void Victory();
    void ShowPool();
    void RunDebugScene();
    void UpdateScreenEffects();
    void DrawAnimation(TKandelBoard& board);
    TVezBattleView ScreenView() const;
    TLcfgPlayerItem* Member(std::int32_t index) const;
    std::string Term(std::int32_t id) const;
    void Sound(int which);

    TGameMain& Game;
    std::unique_ptr<TLcfgMonster> Monsters;
};

} // namespace kestra

namespace kestra {

// The battle of a battle test: the database's test party at its levels with its
// equipment, fully recovered, 99 of every item usable in a battle, the test backdrop,
// the battle music and start sound; the scene becomes the battle against `troop`.
void SetupBattleTest(TGameMain& game, std::int32_t troop);

} // namespace kestra

#include "battle/LS_Battle.h"

#include <algorithm>
#include <cstdio>

#include "base/Errors.h"
#include "battle/LGD_BattleRules.h"
#include "data/DataBase.h"
#include "media/MultiInput.h"
#include "media/ScriptedInput.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

std::string Format(const char* pattern, std::int32_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<int>(value));
    return buffer;
}

constexpr int KCommandWidth = 76;
constexpr int KStatusWidth = 244;
constexpr int KWindowTop = 160;
constexpr int KWindowHeight = 80;

} // namespace

// ---- windows ----

void TVezBattleCommandWindow::SetCommands(std::vector<std::string> texts,
                                          std::vector<int> colours) {
    Texts = std::move(texts);
    Colours = std::move(colours);
    ItemCount = static_cast<std::int32_t>(Texts.size());
    Refresh();
}

void TVezBattleCommandWindow::DrawItem(int x, int y, int index) {
    if (index < 0 || index >= static_cast<int>(Texts.size())) return;
    const auto i = static_cast<std::size_t>(index);
    DrawText(x, y, false, i < Colours.size() ? Colours[i] : 0, Texts[i]);
}

void TVezBattleStatusWindow::SetupRows(int x, int y, int width) {
    Setup(x, y, width, KWindowHeight, false);
    const std::int32_t members = Game.State().PartyInfo.MemberCount();
    ItemCount = members;
    VisibleRows = std::max(members, 1);
    Refresh();
}

void TVezBattleStatusWindow::DrawItem(int x, int y, int index) {
    const TLcfgGameState& state = Game.State();
    const TLcfgPlayerItem* a = state.PartyInfo.Member(index);
    if (a == nullptr) return;
    const TVezVocabulary& words = state.DataBase().Vocabulary;
    DrawText(x, y, false, 0, a->GetName());
    DrawText(x + 82, y, false, a->StateColour(), a->StateText());
    DrawText(x + 138, y, false, 1, words.Term(0x81));
    DrawText(x + 150, y, false, a->HPColour(), Format("%3d", a->HP));
    DrawText(x + 168, y, false, 0, Format("/%3d", a->MaxHP()));
    DrawText(x + 198, y, false, 1, words.Term(0x82));
    DrawText(x + 210, y, false, a->MPColour(), Format("%3d", a->MP));
}

void TVezBattleMonsterWindow::SetupFor(const TLcfgMonster& troop) {
    Positions.clear();
    Names.clear();
    for (std::int32_t p = 0; p < troop.Size(); ++p) {
        const TLcfgMonsterItem* m = troop.At(p);
        if (m == nullptr || !m->IsAlive()) continue;
        Positions.push_back(p);
        Names.push_back(m->GetName());
    }
    Setup(0, KWindowTop, 136, KWindowHeight, false);
    ItemCount = static_cast<std::int32_t>(Positions.size());
    Refresh();
}

std::int32_t TVezBattleMonsterWindow::SelectedPosition() const {
    if (CursorIndex < 0 || CursorIndex >= static_cast<int>(Positions.size())) return -1;
    return Positions[static_cast<std::size_t>(CursorIndex)];
}

void TVezBattleMonsterWindow::DrawItem(int x, int y, int index) {
    if (index < 0 || index >= static_cast<int>(Names.size())) return;
    DrawText(x, y, false, 0, Names[static_cast<std::size_t>(index)]);
}

void TVezBattleMessageWindow::Reset() {
    Lines = {};
    Setup(0, KWindowTop, 320, KWindowHeight, false);
    Refresh();
}

void TVezBattleMessageWindow::SetLine(int line, const std::string& text) {
    if (line < 0 || line > 3) return;
    Lines[static_cast<std::size_t>(line)] = text;
    if (IsPresent()) Refresh();
}

void TVezBattleMessageWindow::Refresh() {
    TVezWindow::Refresh();
    for (std::size_t i = 0; i < Lines.size(); ++i)
        if (!Lines[i].empty()) DrawText(8, 8 + 16 * static_cast<int>(i), true, 0, Lines[i]);
}

void TVezBattleMessageWindow::Hide() {
    Lines = {};
    TVezWindow::Hide();
}

// ---- the scene ----

TVezBattleScene::TVezBattleScene(TGameMain& game)
    : TVezScene(game), PartyCommand(game), Status(game), ActorCommand(game), SkillList(game),
      ItemList(game), AllyTarget(game), MonsterTarget(game), Messages(game),
      Animation([&game](std::string_view name, std::string_view folder) {
          return game.State().Env.FindAsset(name, folder);
      }),
      Game(game) {}

TVezBattleScene::~TVezBattleScene() = default;

TLcfgPlayerItem* TVezBattleScene::Member(std::int32_t index) const {
    return Game.State().PartyInfo.Member(index);
}

std::string TVezBattleScene::Term(std::int32_t id) const {
    return Game.State().DataBase().Vocabulary.Term(id);
}

void TVezBattleScene::Sound(int which) {
    Game.State().System.PlaySystemSound(which);
}

void TVezBattleScene::Reset() {
    TVezScene::Reset();
    for (TVezWindow* w :
         std::initializer_list<TVezWindow*>{&PartyCommand, &Status, &ActorCommand, &SkillList,
                                            &ItemList, &AllyTarget, &MonsterTarget, &Messages})
        w->Hide();
    TurnOrder.clear();
    Monsters.reset();
    Interpreter.Clear();
    Animation.Unload();
    Backdrop.SetSize(0, 0);
    Shown = false;
    Phase = 0;
    ActorIndex = 0;
    EscapeChance = 0;
    FirstStrike = false;
    ItemTopRow = ItemCursor = 0;
    Turn = 0;
}

void TVezBattleScene::LoadBackdrop(const std::string& name) {
    Backdrop.SetSize(0, 0);
    Backdrop.Transparent = false;
    Backdrop.AutoSize = true;
    if (name.empty()) return;
    const std::string path = Game.State().Env.FindAsset(name, "Backdrop");
    // A backdrop that is missing or broken leaves the screen behind the monsters black.
    if (!path.empty()) Backdrop.LoadFromFile(path, false);
}

// ---- frames ----

void TVezBattleScene::Update() {
    try {
        if (!Shown) {
            StartBattle();
            return;
        }
        switch (Phase) {
        case 0:
            PartyCommandStep();
            break;
        case 1:
            ActorCommandStep();
            break;
        default:
            ExecuteStep();
            break;
        }
    } catch (const EVezBattleEnd&) {
        // The battle is over; the scene number says where the game goes on.
    }
}

void TVezBattleScene::RunFrame() {
    Game.Input->Update();
    UpdateAll();
    DrawFrame();
}

void TVezBattleScene::Wait(int minFrames, int maxFrames) {
    TMultiInput& input = *Game.Input;
    for (int n = 0; n < maxFrames; ++n) {
        if (n >= minFrames && (input.Held & (KButtonDecide | KButtonShift)) != 0) break;
        RunFrame();
    }
    // Holding cancel holds the battle.
    while ((input.Held & KButtonCancel) != 0) RunFrame();
    input.Pressed = 0;
    input.Repeated = 0;
}

// The battle shares the field's screen effects: a tint, flash or shake begun on the
// map goes on over the backdrop, and the battle's own shakes are the screen's.
void TVezBattleScene::UpdateScreenEffects() {
    Game.State().Screen.Update(Game.Random());
}

void TVezBattleScene::ShakeScreen(int strength, int speed, int frames) {
    Game.State().Screen.SetShake(strength, speed, frames);
}

void TVezBattleScene::UpdateAll() {
    TLcfgGameState& state = Game.State();
    UpdateScreenEffects();
    if (Monsters) Monsters->Update();
    for (TVezWindow* w :
         std::initializer_list<TVezWindow*>{&PartyCommand, &Status, &ActorCommand, &SkillList,
                                            &ItemList, &AllyTarget, &MonsterTarget, &Messages})
        w->Update();
    Game.Session->MessageWindow.Update();
    Interpreter.UpdateBattle(Game);
    TLcfgPartyInfo& party = state.PartyInfo;
    if (party.TimerRunning && party.TimerInBattle) {
        party.TickTimer();
        if (!party.TimerRunning && InBattle()) EndBattle(KBattleAborted);
    }
    if (Game.Config.TestPlayMode && Game.Input->HotKeyDown(THotKey::Debug)) RunDebugScene();
}

void TVezBattleScene::RunDebugScene() {
    TLcfgSystem& system = Game.System();
    system.Scene = KSceneDebug;
    while (system.Scene == KSceneDebug) {
        Game.Input->Update();
        TVezScene& debug = Game.SceneFor(KSceneDebug);
        debug.Update();
        if (system.Scene == KSceneDebug) debug.DrawFrame();
    }
}

TVezBattleView TVezBattleScene::ScreenView() const {
    const TLcfgScreen& screen = Game.State().Screen;
    const TScreenColors colors = screen.Colors();
    TVezBattleView view;
    view.ToneRed = colors.Red;
    view.ToneGreen = colors.Green;
    view.ToneBlue = colors.Blue;
    view.ToneSaturation = colors.Saturation;
    view.FlashRed = colors.FlashRed;
    view.FlashGreen = colors.FlashGreen;
    view.FlashBlue = colors.FlashBlue;
    view.FlashStrength = colors.FlashStrength;
    view.ShakeX = screen.ShakeX;
    // The playing animation's flash of the screen stands over the screen's own.
    if (Monsters && Monsters->ScreenFlash) {
        const TVezScreenFlash& f = *Monsters->ScreenFlash;
        view.FlashRed = f.Red;
        view.FlashGreen = f.Green;
        view.FlashBlue = f.Blue;
        view.FlashStrength = f.Strength;
    }
    return view;
}

void TVezBattleScene::Draw() {
    TKandelBoard& board = Host.Board();
    board.Clear();
    const TVezBattleView view = ScreenView();
    if (Backdrop.Width() > 0) {
        Backdrop.ScreenColorControl.SetAll(view.ToneRed, view.ToneGreen, view.ToneBlue,
                                           view.ToneSaturation, view.FlashRed, view.FlashGreen,
                                           view.FlashBlue, view.FlashStrength, false);
        Backdrop.UpdateColors();
        board.DrawSheet(view.ShakeX, 0, Backdrop.GetBounds(), Backdrop);
    }
    if (Monsters) {
        Monsters->Draw(board, view);
        DrawAnimation(board);
    }
    for (TVezWindow* w :
         std::initializer_list<TVezWindow*>{&PartyCommand, &Status, &ActorCommand, &SkillList,
                                            &ItemList, &AllyTarget, &MonsterTarget, &Messages})
        w->Draw();
    Game.Session->MessageWindow.Draw();
    const TLcfgPartyInfo& party = Game.State().PartyInfo;
    if (party.TimerRunning && party.TimerInBattle && party.TimerShown)
        Game.SystemGraphic().DrawTimer(board, 4, 140, party.Timer);
}

void TVezBattleScene::ShowAnimation(std::int32_t animationId, std::int32_t target) {
    if (!Monsters) return;
    Monsters->PlayAnimation(animationId, target);
}

void TVezBattleScene::DrawAnimation(TKandelBoard& board) {
    TLcfgMonster& troop = *Monsters;
    if (!troop.IsAnimationPlaying() || troop.AnimationId == 0) return;
    const TVezAnimationItem* record = Game.State().DataBase().Animations.Find(troop.AnimationId);
    if (record == nullptr) return;
    if (Animation.Record() != record) Animation.SetAnimation(*record, false);
    const int frame = std::max(0, troop.AnimationCounter - 1) / 2;
    if (troop.AnimationTarget == KAnimateScreen || record->Scope != 0) {
        Animation.DrawAnimationFrame(board, 160 + Game.State().Screen.ShakeX, 80, frame);
        return;
    }
    for (std::int32_t p : troop.DrawOrder()) {
        if (troop.AnimationTarget != KAnimateAllMonsters && troop.AnimationTarget != p) continue;
        const TLcfgMonsterItem& m = *troop.At(p);
        const int h = m.SpriteHeight();
        int y = m.Y;
        if (record->Position == 0) y -= h / 2;
        if (record->Position == 2) y += h / 2;
        Animation.DrawAnimationFrame(board, m.X + Game.State().Screen.ShakeX, y, frame);
    }
}

// ---- the battle's lines ----

void TVezBattleScene::SetLine(int line, const std::string& text) {
    Messages.SetLine(line, text);
}

void TVezBattleScene::ResetMessages() {
    Messages.Reset();
}

// ---- start ----

void TVezBattleScene::StartBattle() {
    TLcfgGameState& state = Game.State();
    TVezBattleSetup setup = std::move(Setup);
    const bool test = TestMode, dark = StartedDark;
    Reset();
    Setup = std::move(setup);
    TestMode = test;
    StartedDark = dark;
    Shown = true;
    LoadBackdrop(Setup.Backdrop);
    Monsters = std::make_unique<TLcfgMonster>(state, Game.Random());
    Monsters->SetupTroop(Setup.Troop);
    state.PartyInfo.Turns = 0;
    FirstStrike = Setup.FirstStrike;
    EscapeChance = kestra::EscapeChance(state, *Monsters);
    Messages.Reset();
    ShowWithTransition(state.System.Transition(KTransitionBattleStartShow));
    Game.Session->MessagePool.Clear();
    ShowOpeningLines();
    if (FirstStrike) {
        Messages.Reset();
        Messages.SetLine(0, Term(0x02));
        Wait(30, 90);
    }
    Messages.Hide();
    BeginPartyCommand();
}

void TVezBattleScene::ShowOpeningLines() {
    std::vector<std::string> lines;
    for (std::int32_t p = 0; p < Monsters->Size(); ++p)
        if (const TLcfgMonsterItem* m = Monsters->At(p); m->Present)
            lines.push_back(m->GetName() + Term(0x01));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int row = static_cast<int>(i % 4);
        if (row == 0) {
            Messages.Reset();
            Wait(4, 4);
        } else {
            Wait(8, 8);
        }
        Messages.SetLine(row, lines[i]);
        if (row == 3 || i + 1 == lines.size()) Wait(30, 90);
    }
}

// ---- commands ----

std::int32_t TVezBattleScene::NextCommandable(std::int32_t from, int step) const {
    const std::int32_t count = Game.State().PartyInfo.MemberCount();
    for (std::int32_t i = from; i >= 0 && i < count; i += step)
        if (const TLcfgPlayerItem* m = Member(i); m != nullptr && m->ControlledByPlayer()) return i;
    return -1;
}

void TVezBattleScene::SetIdle(std::int32_t from, std::int32_t to) {
    for (std::int32_t i = std::max(from, 0); i < to; ++i)
        if (TLcfgPlayerItem* m = Member(i)) {
            m->Action.Clear();
            m->Action.Kind = m->AutoBattle() ? TLcfgUnitActItem::KAuto : TLcfgUnitActItem::KNone;
        }
}

void TVezBattleScene::BeginPartyCommand() {
    Phase = 0;
    EventStep();
    Messages.Hide();
    const std::int32_t members = Game.State().PartyInfo.MemberCount();
    if (NextCommandable(0, 1) < 0) {
        SetIdle(0, members);
        StartTurn();
        return;
    }
    PartyCommand.Setup(0, KWindowTop, KCommandWidth, KWindowHeight, false);
    PartyCommand.SetCommands({Term(0x65), Term(0x66), Term(0x67)}, {0, 0, Setup.CanEscape ? 0 : 3});
    PartyCommand.SetCursorActive(true);
    Status.SetupRows(KCommandWidth, KWindowTop, KStatusWidth);
    ActorCommand.Hide();
}

void TVezBattleScene::SlideWindows(bool forward) {
    for (int k = 0; k < KBattleSlideFrames; ++k) {
        if (forward) {
            PartyCommand.X = -12 - 8 * k;
            Status.X = 64 - 8 * k;
            ActorCommand.X = 308 - 8 * k;
        } else {
            PartyCommand.X = -64 + 8 * k;
            Status.X = 12 + 8 * k;
            ActorCommand.X = 256 + 8 * k;
        }
        RunFrame();
    }
}

void TVezBattleScene::PartyCommandStep() {
    UpdateAll();
    const std::uint16_t pressed = Game.Input->Pressed;
    if ((pressed & KButtonDecide) == 0) return;
    TLcfgPartyInfo& party = Game.State().PartyInfo;
    switch (PartyCommand.CursorIndex) {
    case 0: {
        Sound(KSoundDecide);
        const std::int32_t first = NextCommandable(0, 1);
        SetIdle(0, first);
        PartyCommand.SetCursorActive(false);
        PartyCommand.SetCursorVisible(false);
        ActorCommand.Setup(320, KWindowTop, KCommandWidth, KWindowHeight, false);
        BeginActorCommand(first);
        SlideWindows(true);
        Phase = 1;
        break;
    }
    case 1:
        Sound(KSoundDecide);
        for (std::int32_t i = 0; i < party.MemberCount(); ++i)
            if (TLcfgPlayerItem* m = Member(i)) {
                m->Action.Clear();
                m->Action.Kind = TLcfgUnitActItem::KAuto;
            }
        StartTurn();
        break;
    default:
        if (Setup.CanEscape) {
            Sound(KSoundDecide);
            EscapeAttempt();
        } else {
            Sound(KSoundBuzzer);
        }
        break;
    }
}

void TVezBattleScene::BeginActorCommand(std::int32_t index) {
    ActorIndex = index;
    TLcfgPlayerItem* actor = Member(index);
    ActorCommand.SetCommands(
        {Term(0x68), actor != nullptr ? actor->SkillCommandName() : "", Term(0x69), Term(0x6A)},
        {0, 0, 0, 0});
    ActorCommand.SetCursorIndex(0);
    ActorCommand.SetCursorActive(true);
    Status.SetCursorIndex(index);
    Status.SetCursorVisible(true);
}

void TVezBattleScene::AfterCommand() {
    const std::int32_t members = Game.State().PartyInfo.MemberCount();
    const std::int32_t next = NextCommandable(ActorIndex + 1, 1);
    SetIdle(ActorIndex + 1, next < 0 ? members : next);
    if (next < 0) {
        StartTurn();
        return;
    }
    BeginActorCommand(next);
}

void TVezBattleScene::ActorCommandStep() {
    UpdateAll();
    TLcfgPlayerItem* actor = Member(ActorIndex);
    if (actor == nullptr) {
        // The member left the party (a battle event): the turn starts without it.
        AfterCommand();
        return;
    }
    const std::uint16_t pressed = Game.Input->Pressed;
    TLcfgUnitActItem& action = actor->Action;
    if ((pressed & KButtonDecide) != 0) {
        bool done = false;
        Sound(KSoundDecide);
        ActorCommand.SetCursorActive(false);
        ActorCommand.SetCursorVisible(true);
        switch (ActorCommand.CursorIndex) {
        case 0: {
            const std::int32_t skill = action.SkillId, top = action.SkillListTop;
            action.Clear();
            action.SkillId = skill;
            action.SkillListTop = top;
            action.Kind = TLcfgUnitActItem::KBasic;
            action.SubKind = 0;
            if (actor->AttackAll()) {
                action.TargetKind = 4;
                done = true;
            } else {
                done = ChooseMonster(action);
            }
            break;
        }
        case 1:
            done = ChooseSkill(*actor);
            break;
        case 2: {
            const std::int32_t skill = action.SkillId, top = action.SkillListTop;
            action.Clear();
            action.SkillId = skill;
            action.SkillListTop = top;
            action.Kind = TLcfgUnitActItem::KBasic;
            action.SubKind = 2;
            done = true;
            break;
        }
        default:
            done = ChooseItem(*actor);
            break;
        }
        if (done)
            AfterCommand();
        else
            ActorCommand.SetCursorActive(true);
        return;
    }
    if ((pressed & KButtonCancel) != 0) {
        Sound(KSoundCancel);
        const std::int32_t previous = NextCommandable(ActorIndex - 1, -1);
        if (previous >= 0) {
            BeginActorCommand(previous);
            return;
        }
        ActorCommand.SetCursorActive(false);
        Status.SetCursorVisible(false);
        SlideWindows(false);
        ActorCommand.Hide();
        Phase = 0;
        PartyCommand.SetCursorActive(true);
    }
}

bool TVezBattleScene::ChooseMonster(TLcfgUnitActItem& action) {
    MonsterTarget.SetupFor(*Monsters);
    if (MonsterTarget.ItemCount == 0) {
        MonsterTarget.Hide();
        return false;
    }
    MonsterTarget.SetCursorActive(true);
    for (;;) {
        RunFrame();
        const std::uint16_t pressed = Game.Input->Pressed;
        if ((pressed & KButtonDecide) != 0) {
            Sound(KSoundDecide);
            action.TargetKind = 3;
            action.TargetIndex = MonsterTarget.SelectedPosition();
            MonsterTarget.Hide();
            return true;
        }
        if ((pressed & KButtonCancel) != 0) {
            Sound(KSoundCancel);
            MonsterTarget.Hide();
            return false;
        }
    }
}

bool TVezBattleScene::ChooseAlly(TLcfgUnitActItem& action) {
    AllyTarget.SetupRows(0, KWindowTop, KStatusWidth);
    AllyTarget.SetCursorActive(true);
    for (;;) {
        RunFrame();
        const std::uint16_t pressed = Game.Input->Pressed;
        if ((pressed & KButtonDecide) != 0) {
            Sound(KSoundDecide);
            action.TargetKind = 1;
            action.TargetIndex = AllyTarget.CursorIndex;
            AllyTarget.Hide();
            return true;
        }
        if ((pressed & KButtonCancel) != 0) {
            Sound(KSoundCancel);
            AllyTarget.Hide();
            return false;
        }
    }
}

bool TVezBattleScene::TargetBySkill(TLcfgPlayerItem& actor, const TVezSkillItem& skill) {
    TLcfgUnitActItem& action = actor.Action;
    if (skill.SkillKind != 0) {
        action.TargetKind = 0;
        return true;
    }
    switch (skill.Scope) {
    case 0:
        return ChooseMonster(action);
    case 1:
        action.TargetKind = 4;
        return true;
    case 2:
        action.TargetKind = 1;
        action.TargetIndex = ActorIndex;
        return true;
    case 3:
        return ChooseAlly(action);
    default:
        action.TargetKind = 2;
        return true;
    }
}

bool TVezBattleScene::ChooseSkill(TLcfgPlayerItem& actor) {
    TLcfgUnitActItem& action = actor.Action;
    SkillList.SetupForActor(actor.Id);
    SkillList.SetTopRow(action.SkillListTop);
    SkillList.SelectSkill(action.SkillId);
    for (;;) {
        RunFrame();
        const std::uint16_t pressed = Game.Input->Pressed;
        if ((pressed & KButtonCancel) != 0) {
            Sound(KSoundCancel);
            SkillList.Hide();
            return false;
        }
        if ((pressed & KButtonDecide) == 0) continue;
        const std::int32_t skillId = SkillList.SelectedSkill();
        const TVezSkillItem* skill = Game.State().DataBase().Skills.Find(skillId);
        if (skill == nullptr || !actor.CanUseSkill(skillId)) {
            Sound(KSoundBuzzer);
            continue;
        }
        Sound(KSoundDecide);
        action.Clear();
        action.Kind = TLcfgUnitActItem::KSkill;
        action.SkillId = skillId;
        action.SkillListTop = SkillList.TopRow;
        SkillList.Hide();
        return TargetBySkill(actor, *skill);
    }
}

bool TVezBattleScene::ChooseItem(TLcfgPlayerItem& actor) {
    TLcfgUnitActItem& action = actor.Action;
    ItemList.SetupForActor(actor.Id);
    ItemList.SetTopRow(ItemTopRow);
    ItemList.SetCursorIndex(ItemCursor);
    for (;;) {
        RunFrame();
        const std::uint16_t pressed = Game.Input->Pressed;
        if ((pressed & KButtonCancel) != 0) {
            Sound(KSoundCancel);
            ItemList.Hide();
            return false;
        }
        if ((pressed & KButtonDecide) == 0) continue;
        const std::int32_t itemId = ItemList.SelectedItem();
        const TVezDataBase& db = Game.State().DataBase();
        const TVezItemItem* item = db.Items.Find(itemId);
        if (item == nullptr || !actor.CanUseItem(itemId)) {
            Sound(KSoundBuzzer);
            continue;
        }
        Sound(KSoundDecide);
        ItemTopRow = ItemList.TopRow;
        ItemCursor = ItemList.CursorIndex;
        const std::int32_t skill = action.SkillId, top = action.SkillListTop;
        action.Clear();
        action.SkillId = skill;
        action.SkillListTop = top;
        action.Kind = TLcfgUnitActItem::KItem;
        action.ItemId = itemId;
        ItemList.Hide();
        if (item->Kind == 6) {
            if (item->Scope == 0) return ChooseAlly(action);
            action.TargetKind = 2;
            return true;
        }
        if (item->Kind == 9) {
            const TVezSkillItem* s = db.Skills.Find(item->SkillId);
            if (s == nullptr) return true;
            const std::int32_t keepSkill = action.SkillId;
            const bool chosen = TargetBySkill(actor, *s);
            action.SkillId = keepSkill;
            return chosen;
        }
        action.TargetKind = 0;
        return true;
    }
}

// ---- the turn ----

void TVezBattleScene::StartTurn() {
    TLcfgGameState& state = Game.State();
    Phase = 2;
    ++Turn;
    TLcfgPartyInfo::Increment(state.PartyInfo.Turns);
    if (FirstStrike) {
        for (std::int32_t p = 0; p < Monsters->Size(); ++p) Monsters->At(p)->Action.Clear();
    } else {
        Monsters->ChooseActions();
    }
    PartyCommand.Hide();
    Status.Hide();
    ActorCommand.Hide();
    Messages.Reset();
    BuildTurnOrder(state, *Monsters, TurnOrder);
    Interpreter.ResetPageFlags();
}

void TVezBattleScene::EscapeAttempt() {
    TLcfgGameState& state = Game.State();
    for (std::int32_t i = 0; i < state.PartyInfo.MemberCount(); ++i)
        if (TLcfgPlayerItem* m = Member(i)) m->Action.Clear();
    PartyCommand.Hide();
    Status.Hide();
    Messages.Reset();
    if (Game.Random().Next(100) < EscapeChance || FirstStrike) {
        Messages.SetLine(0, Term(0x03));
        Wait(10, 40);
        Sound(KSoundEscape);
        EndBattle(KBattleEscape);
    }
    Messages.SetLine(0, Term(0x04));
    Wait(10, 40);
    EscapeChance += 10;
    StartTurn();
}

void TVezBattleScene::ExecuteStep() {
    UpdateAll();
    EventStep();
    if (TurnOrder.empty()) {
        FirstStrike = false;
        BeginPartyCommand();
        return;
    }
    TLcfgUnitItem* unit = TurnOrder.front();
    TurnOrder.erase(TurnOrder.begin());
    TLcfgActionRunner runner(Game.State(), *Monsters, *this);
    runner.Execute(*unit);
}

void TVezBattleScene::EventStep() {
    CheckEnd();
    Messages.Reset();
    const TVezMonGroupItem* troop = Game.State().DataBase().Troops.Find(Monsters->TroopId);
    for (;;) {
        while (Interpreter.IsRunning()) RunFrame();
        if (Game.System().Scene == KSceneGameOver) {
            // An event ended the game: the battle ends where it stands.
            for (std::size_t i = 0; i < Game.State().Actors.Count(); ++i)
                Game.State().Actors.At(i).EndOfBattleReset();
            Reset();
            Setup = {};
            throw EVezBattleEnd();
        }
        CheckEnd();
        if (troop == nullptr || !Interpreter.StartBattlePage(Game, *troop)) break;
    }
}

void TVezBattleScene::CheckEnd() {
    if (PartyDefeated(Game.State())) Defeat();
    if (Monsters->AliveCount() == 0) Victory();
}

void TVezBattleScene::Defeat() {
    TLcfgSystem& system = Game.State().System;
    system.PlayMusic(system.Music(KMusicGameOver));
    Messages.Hide();
    TVezMessageWindow& box = Game.Session->MessageWindow;
    system.MessageActive = false;
    box.BeginMessage();
    box.AddLine(Term(0x06));
    while (box.Present()) RunFrame();
    EndBattle(KBattleDefeat);
}

void TVezBattleScene::ShowPool() {
    TVezMessageWindow& box = Game.Session->MessageWindow;
    TVezMessagePool& pool = Game.Session->MessagePool;
    TLcfgSystem& system = Game.State().System;
    while (!pool.Empty()) {
        system.MessageActive = false;
        box.BeginMessage();
        while (!pool.Empty() && box.LineCount() <= 3) {
            std::string line = pool.Pop();
            if (line.empty()) break;
            box.AddLine(line);
        }
        if (box.LineCount() > 0)
            while (box.Present() && box.ClosePhase() == 0) RunFrame();
    }
    box.Hide();
}

void TVezBattleScene::Victory() {
    TLcfgGameState& state = Game.State();
    state.System.PlayMusic(state.System.Music(KMusicVictory));
    Messages.Hide();
    const TLcfgBattleRewards rewards = CollectRewards(state, *Monsters);
    TVezMessagePool& pool = Game.Session->MessagePool;
    const TVezDataBase& db = state.DataBase();
    pool.Clear();
    pool.Push(Term(0x05) + "\\|");
    if (rewards.Experience > 0)
        pool.Push(std::to_string(rewards.Experience) + "\x01" + Term(0x07) + "\\.");
    if (rewards.Gold > 0)
        pool.Push(Term(0x08) + "\x01" + std::to_string(rewards.Gold) + Term(0x5F) + Term(0x09) +
                  "\\.");
    for (std::int32_t id : rewards.Items) {
        const TVezItemItem* item = db.Items.Find(id);
        pool.Push((item != nullptr ? item->Name : std::string()) + Term(0x0A) + "\\.");
    }
    ShowPool();
    for (std::int32_t i = 0; i < state.PartyInfo.MemberCount(); ++i) {
        TLcfgPlayerItem* m = Member(i);
        if (m == nullptr || m->HP <= 0) continue;
        std::vector<std::string> lines;
        m->GainExperience(rewards.Experience, &lines);
        for (std::string& l : lines) pool.Push(std::move(l));
    }
    state.PartyInfo.GainGold(rewards.Gold);
    for (std::int32_t id : rewards.Items) state.PartyInfo.GainItem(id, 1);
    ShowPool();
    EndBattle(KBattleVictory);
}

// ---- the end ----

void TVezBattleScene::EndBattle(std::uint8_t result) {
    TLcfgGameState& state = Game.State();
    TLcfgSystem& system = state.System;
    if (Setup.ResultTarget) Setup.ResultTarget(result);
    for (std::size_t i = 0; i < state.Actors.Count(); ++i) state.Actors.At(i).EndOfBattleReset();
    HideWithTransition(system.Transition(KTransitionBattleEndHide));
    const bool defeatContinues = Setup.DefeatContinues;
    const bool test = TestMode, dark = StartedDark;
    Reset();
    Setup = {};
    StartedDark = false;
    if (test) {
        Wait(30, 30);
        system.Scene = KSceneGameOver;
        throw EVezBattleEnd();
    }
    const bool gameOver = result == KBattleDefeat && !defeatContinues;
    if (!gameOver) {
        TLcfgPartyInfo& party = state.PartyInfo;
        TLcfgPartyInfo::Increment(party.Battles);
        if (result == KBattleVictory) TLcfgPartyInfo::Increment(party.Victories);
        if (result == KBattleEscape) TLcfgPartyInfo::Increment(party.Escapes);
        if (result == KBattleDefeat) TLcfgPartyInfo::Increment(party.Defeats);
        state.Map.Events.RefreshPages();
        system.Scene = KSceneField;
        system.PlayMusic(system.MusicBeforeBattle);
        if (TVezFieldScene* field = Game.Session->Field) {
            if (!dark) field->ShowWithTransition(system.Transition(KTransitionBattleEndShow));
            field->Entered = true;
        }
    } else {
        system.Scene = KSceneGameOver;
    }
    throw EVezBattleEnd();
}

} // namespace kestra

#include "interpreter/LGD_Scripter.h"

#include <algorithm>
#include <atomic>
#include <iostream>
#include <string>

#include "battle/LGD_Monster.h"
#include "data/DataBase.h"
#include "data/LD_EventCommands.h"
#include "data/LD_MonGroup.h"
#include "interpreter/LGD_ScripterBudget.h"
#include "media/MultiInput.h"
#include "media/Tonica.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_CmnEvent.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra {

namespace {

const TVezEventScriptLine& EndLine() {
    static const TVezEventScriptLine KEnd{};
    return KEnd;
}

// Commands and branch lines of the command table, each with its handler (null when
// the group files have none). Continuation lines and the end line are never dispatched.
std::vector<TScriptCommand> BuildTable() {
    std::vector<TScriptCommand> table;
    for (const TEventCommand& c : EventCommands())
        if (c.Kind == TEventLineKind::Command || c.Kind == TEventLineKind::Branch)
            table.push_back({c.Code, c.Name, nullptr});
    for (const auto& e : scripter::AllHandlers())
        for (auto& t : table)
            if (t.Code == e.Code) t.Handler = e.Handler;
    return table;
}

bool IsMessageGated(std::int32_t code) {
    return code >= 10110 && code <= 10150 && code % 10 == 0;
}

bool IsWindowGated(std::int32_t code) {
    switch (code) {
    case 10710:
    case 10720:
    case 10740:
    case 10810:
    case 10830:
    case 11010:
    case 11020:
    case 11110:
    case 11120:
    case 11130:
    case 11560:
    case 11910:
    case 11950:
    case 12420:
    case 12510:
        return true;
    default:
        return false;
    }
}

void ClearFace(TGameMain& game) {
    scripter::State(game).System.SetFace("", 0, false, false);
}

} // namespace

const TScriptCommand* FindScriptCommand(std::int32_t code) {
    static const std::vector<TScriptCommand> KTable = BuildTable();
    auto it = std::lower_bound(KTable.begin(), KTable.end(), code,
                               [](const TScriptCommand& c, std::int32_t v) { return c.Code < v; });
    return it != KTable.end() && it->Code == code ? &*it : nullptr;
}

namespace scripter {

std::vector<THandlerEntry> AllHandlers() {
    std::vector<THandlerEntry> all;
    for (auto group : {FlowHandlers, MapHandlers, MessageHandlers, PartyHandlers, ScreenHandlers,
                       BattleHandlers, SystemHandlers, SceneHandlers}) {
        std::vector<THandlerEntry> entries = group();
        all.insert(all.end(), entries.begin(), entries.end());
    }
    return all;
}

std::int32_t ValueByKind(TGameMain& game, std::int32_t kind, std::int32_t n) {
    if (kind == 0) return n;
    if (kind == 1) return State(game).System.Variable(n);
    return 0;
}

TLcfgGameState& State(TGameMain& game) {
    return game.Session->Save->State;
}

TVezMessageWindow& MessageBox(TGameMain& game) {
    return game.Session->MessageWindow;
}

TVezMessagePool& MessagePool(TGameMain& game) {
    return game.Session->MessagePool;
}

TVezFieldScene& Field(TGameMain& game) {
    auto* field = dynamic_cast<TVezFieldScene*>(game.Scenes[KSceneField].get());
    if (field == nullptr) throw EScripterError("LGD_Scripter: an event runs without a field");
    return *field;
}

void RefreshPages(TGameMain& game) {
    State(game).Map.Events.RefreshPages();
}

bool AbortKeyHeld(TGameMain& game) {
    return game.Config.TestPlayMode && game.Input->HotKeyDown(THotKey::AbortEvent);
}

bool FieldLeft(TGameMain& game) {
    return State(game).System.Scene != KSceneField;
}

void Warn(const std::string& message) {
    std::cerr << "kestra: events: " << message << "\n";
}

} // namespace scripter

// ---- Frames ----

void TLcfgScriptData::DescribeChunks(TChunkVisitor& v) {
    v.EncodedSize(1, Commands);
    v.Encoded(2, Commands);
    v.Int(11, Pc);
    v.Int(12, EventId);
    v.Bool(13, StartedByActionKey);
    v.Count(21, BranchResults);
    v.Block(22, BranchResults);
}

std::uint8_t& TLcfgScriptData::BranchResult(std::int32_t indent) {
    const auto i = static_cast<std::size_t>(std::clamp<std::int32_t>(indent, 0, KMaxIndent));
    if (BranchResults.size() <= i) BranchResults.resize(i + 1, 0);
    return BranchResults[i];
}

const TVezEventScriptLine& TLcfgScriptData::LineAt(std::int32_t index) const {
    if (index < 0 || index >= LineCount()) return EndLine();
    return Commands.LineAt(static_cast<std::size_t>(index));
}

// ---- The base interpreter ----

void TLcfgBaseScripter::DescribeChunks(TChunkVisitor& v) {
    v.List(1, Frames);
    v.Bool(4, WaitingForMessage);
    v.Bool(11, BattleEscapeEndsEvent);
    v.Bool(13, WaitingForMovement);
    v.Bool(21, WaitingForKey);
    v.Fixed(22, KeyVariableLow, std::uint8_t{0}, true);
    v.Bool(23, KeyAcceptDirections);
    v.Bool(24, KeyAcceptDecision);
    v.Bool(25, KeyAcceptCancel);
    // The whole variable ID of a key wait above 255, which chunk 22 cannot hold.
    v.Int(26, KeyVariableFull);
    v.Int(31, WaitFrames);
}

void TLcfgBaseScripter::Clear() {
    TCatalogBaseItem::Clear();
    KeyVariableId = 0;
    ResultTarget = {};
    InnPrice = 0;
    StopRequested = false;
}

void TLcfgBaseScripter::LoadFromStream(TByteReader& reader) {
    TCatalogBaseItem::LoadFromStream(reader);
    KeyVariableId = KeyVariableFull > 255 ? KeyVariableFull : KeyVariableLow;
    // Frames from a save: IDs 1..n in order, positions inside their lists.
    for (std::size_t i = 0; i < Frames.Count(); ++i) {
        TLcfgScriptData& f = Frames.At(i);
        f.Pc = std::clamp<std::int32_t>(f.Pc, 0, f.LineCount());
        if (f.BranchResults.size() > static_cast<std::size_t>(KMaxIndent) + 1)
            f.BranchResults.resize(static_cast<std::size_t>(KMaxIndent) + 1);
    }
}

void TLcfgBaseScripter::SetKeyVariable(std::int32_t id) {
    KeyVariableId = id;
    KeyVariableLow = static_cast<std::uint8_t>(id & 0xFF);
    KeyVariableFull = id > 255 ? id : 0;
}

TGameMain& TLcfgBaseScripter::Game() const {
    if (RunningGame == nullptr)
        throw EScripterError("LGD_Scripter: interpreter runs without a game");
    return *RunningGame;
}

void TLcfgBaseScripter::Start(TGameMain& game, std::int32_t eventId,
                              const TVezEventScriptList& list) {
    Clear();
    RunningGame = &game;
    PushFrame(eventId, list);
}

TLcfgScriptData& TLcfgBaseScripter::PushFrame(std::int32_t eventId,
                                              const TVezEventScriptList& list) {
    const auto id = static_cast<std::int32_t>(Frames.Count()) + 1;
    TLcfgScriptData& f = Frames.Obtain(id);
    // A private copy through the encoding, so the running list never changes under us.
    TByteWriter bytes;
    list.EncodeTo(bytes);
    TByteReader reader(bytes.Bytes, "event command list");
    f.Commands.DecodeFrom(reader);
    f.Pc = 0;
    f.EventId = eventId;
    f.StartedByActionKey = false;
    f.BranchResults.clear();
    return f;
}

TLcfgScriptData* TLcfgBaseScripter::TopFrame() const {
    if (Frames.Count() == 0) return nullptr;
    return Frames.ItemAt(Frames.Count() - 1);
}

void TLcfgBaseScripter::WriteResult(std::uint8_t value) {
    if (ResultTarget.FrameId <= 0 || ResultTarget.Indent < 0) return;
    TLcfgScriptData* f = Frames.Find(ResultTarget.FrameId);
    if (f == nullptr) return;
    f->BranchResult(ResultTarget.Indent) = value;
}

std::uint8_t TLcfgBaseScripter::ReadResult() const {
    if (ResultTarget.FrameId <= 0 || ResultTarget.Indent < 0) return 255;
    TLcfgScriptData* f = Frames.Find(ResultTarget.FrameId);
    if (f == nullptr) return 255;
    return f->BranchResult(ResultTarget.Indent);
}

void TLcfgBaseScripter::BaseEndFrame() {
    TLcfgScriptData* top = TopFrame();
    if (top == nullptr) return;
    // The event is released when its own first frame ends: when it is the last frame,
    // or when it ran on top of another event's frame (an auto-start common event
    // pushed in the same pass) and no frame below belongs to it.
    bool release = false;
    if (top->EventId != 0 && RunningGame != nullptr) {
        bool below = false;
        for (std::size_t i = 0; i + 1 < Frames.Count(); ++i)
            if (Frames.At(i).EventId == top->EventId) below = true;
        TLcfgEventItem* e = scripter::State(*RunningGame).Map.Events.Find(top->EventId);
        release = Frames.Count() == 1 || (!below && e != nullptr && e->RunningLock);
    }
    if (release) {
        if (TLcfgEventItem* e = scripter::State(*RunningGame).Map.Events.Find(top->EventId)) {
            if (e->TurnedForStart && e->AnimationType != 5)
                e->SpriteDirection = e->FacingBeforeStart;
            e->TurnedForStart = false;
            e->RunningLock = false;
        }
        ClearFace(*RunningGame);
    }
    if (ResultTarget.FrameId == top->Id) ResultTarget = {};
    Frames.Remove(top->Id);
    WaitingForMessage = false;
    WaitingForMovement = false;
    WaitingForKey = false;
    WaitFrames = 0;
}

void TLcfgBaseScripter::EndFrame() {
    BaseEndFrame();
}

void TLcfgBaseScripter::SkipToSameIndent(TLcfgScriptData& frame, const TVezEventScriptLine& line) {
    const std::int32_t n = frame.LineCount();
    std::int32_t pc = std::max<std::int32_t>(frame.Pc, 0);
    while (pc < n && frame.LineAt(pc).Indent != line.Indent) ++pc;
    frame.Pc = pc;
}

TLcfgCharacter* TLcfgBaseScripter::GetCharacter(std::int32_t reference,
                                                const TLcfgScriptData& frame) {
    TLcfgGameState& state = scripter::State(Game());
    if (reference == KRefHero) return &state.Hero;
    if (reference >= KRefBoat && reference <= KRefAirship)
        return state.Map.Vehicle(reference - KRefBoat + KVehicleBoat);
    const std::int32_t id = reference == KRefThisEvent ? frame.EventId : reference;
    TLcfgEventItem* e = state.Map.Events.Find(id);
    if (e == nullptr)
        throw EScripterError("event command: map event " + std::to_string(id) +
                             " does not exist on this map");
    return e;
}

std::int32_t TLcfgBaseScripter::ReadKeyCode(bool edgeOnly) const {
    const TMultiInput* in = &*Game().Input;
    std::int32_t code = 0;
    if (edgeOnly) {
        const std::uint16_t p = in->Pressed;
        if (KeyAcceptDirections) {
            if (p & KButtonUp)
                code = 4;
            else if (p & KButtonRight)
                code = 3;
            else if (p & KButtonLeft)
                code = 2;
            else if (p & KButtonDown)
                code = 1;
        }
        if (KeyAcceptDecision && (p & KButtonDecide)) code = 5;
        if (KeyAcceptCancel && (p & KButtonCancel)) code = 6;
    } else {
        const std::uint16_t h = in->Held;
        if (KeyAcceptDirections) code = in->Direction / 2;
        if (KeyAcceptDecision && (h & KButtonDecide)) code = 5;
        if (KeyAcceptCancel && (h & KButtonCancel)) code = 6;
    }
    return code;
}

bool TLcfgBaseScripter::ExecuteOne() {
    TGameMain& game = Game();
    TLcfgGameState& state = scripter::State(game);
    TVezMessageWindow& box = scripter::MessageBox(game);
    // 1. A battle escaped with "escape ends the event".
    if (BattleEscapeEndsEvent) {
        BattleEscapeEndsEvent = false;
        if (ReadResult() == 1) {
            EndFrame();
            return false;
        }
    }
    // 2. An inn offer: wait for the answer, then charge and rest on an explicit yes.
    if (box.PriceCheck()) {
        if (box.Present()) return false;
        box.ClearPriceCheck();
        // Only an explicit yes that the money covers is charged.
        if (box.Result() == 0 && state.PartyInfo.Gold >= InnPrice) {
            state.PartyInfo.LoseGold(InnPrice);
            scripter::Field(game).InnRest();
        }
    }
    // 3. Wait for all movement.
    if (WaitingForMovement) {
        for (TLcfgCharacter* c : state.Map.Characters())
            if (c->ForcedRouteActive && !c->ForcedRouteDone) return false;
        WaitingForMovement = false;
    }
    // 4. Key input with wait.
    if (WaitingForKey) {
        if (box.Present()) return false;
        const std::int32_t key = ReadKeyCode(true);
        state.System.SetVariable(KeyVariableId, key);
        scripter::RefreshPages(game);
        // The new pages may have stopped this interpreter.
        if (key == 0 || !IsRunning()) return false;
        WaitingForKey = false;
    }
    // 5. The line.
    TLcfgScriptData* frame = TopFrame();
    if (frame == nullptr) throw EScripterError("LGD_Scripter: no frame to execute");
    const TVezEventScriptLine& line = frame->LineAt(frame->Pc);
    // 6. Gates.
    if (box.Present()) {
        if (IsMessageGated(line.Code) && !(box.ClosePhase() != 0 && box.AlreadyOpen()))
            return false;
        if (IsWindowGated(line.Code)) return false;
    }
    // 7, 8.
    ++frame->Pc;
    if (line.Code == 0) {
        EndFrame();
        return true;
    }
    const TScriptCommand* command = FindScriptCommand(line.Code);
    if (command == nullptr) return true;
    if (command->Handler == nullptr) {
        auto& warned = game.Session->WarnedCodes;
        if (std::find(warned.begin(), warned.end(), line.Code) == warned.end()) {
            warned.push_back(line.Code);
            scripter::Warn("event command " + std::to_string(line.Code) + " (" + command->Name +
                           ") is not yet available; skipped");
        }
        return true;
    }
    // The handler may pop the frame; it gets its own copy of the line.
    const TVezEventScriptLine copy = line;
    StopRequested = false;
    command->Handler(*this, *frame, copy);
    if (StopRequested) {
        StopRequested = false;
        return false;
    }
    return true;
}

// ---- The command budget ----

namespace {
std::atomic<int> commandBudget{KCommandsPerFrame};
}

int CommandsPerFrame() {
    return commandBudget.load(std::memory_order_relaxed);
}

void SetCommandsPerFrame(int commands) {
    commandBudget.store(commands < 1 ? 1 : commands, std::memory_order_relaxed);
}

// ---- The main interpreter ----

void TLcfgScripter::UpdateMain(TGameMain& game) {
    SetGame(game);
    TLcfgGameState& state = scripter::State(game);
    TVezMessageWindow& box = scripter::MessageBox(game);
    TVezMessagePool& pool = scripter::MessagePool(game);
    for (int counter = CommandsPerFrame(); counter > 0; --counter) {
        // 1.
        if (WaitFrames > 0) {
            --WaitFrames;
            return;
        }
        // 2. Test play: F10 ends the running event.
        if (scripter::AbortKeyHeld(game)) {
            if (IsRunning()) {
                box.Close();
                state.Hero.EndForcedRoute();
                EndFrame();
            }
            return;
        }
        // 3. Pooled notices come first.
        if (!pool.Empty()) {
            if (box.Present() && box.ClosePhase() != 1) return;
            state.System.MessageActive = false;
            box.BeginMessage();
            while (!pool.Empty() && box.LineCount() <= 3) {
                std::string l = pool.Pop();
                if (l.empty()) {
                    if (box.LineCount() > 0) break;
                    continue;
                }
                box.AddLine(l);
            }
            if (box.LineCount() == 0)
                box.Close();
            else
                WaitingForMessage = true;
            return;
        }
        // 4. Work: an auto-start common event, then a map event on top of it.
        if (!IsRunning()) {
            if (TLcfgCommonEventItem* c = state.CommonEvents.FirstAutoStart(state)) {
                if (const TVezCommonEventItem* record = c->Record(state)) {
                    PushFrame(0, record->Commands);
                    ClearFace(game);
                }
            }
            TLcfgEvent& events = state.Map.Events;
            for (std::size_t i = 0; i < events.Count(); ++i) {
                TLcfgEventItem& e = events.At(i);
                if (!e.StartRequested) continue;
                e.StartRequested = false;
                if (e.Active && e.CurrentPage != nullptr) {
                    TLcfgScriptData& f = PushFrame(e.Id, e.CurrentPage->Commands);
                    f.StartedByActionKey = e.StartedByActionKey;
                    ClearFace(game);
                }
                break;
            }
            if (!IsRunning()) return;
        }
        // 5, 6.
        if (box.Present() && box.ClosePhase() == 0) return;
        if (state.Hero.VehicleBusy()) return;
        // 7, 8.
        if (!ExecuteOne()) return;
        if (scripter::FieldLeft(game)) return;
    }
}

// ---- Parallel processes ----

void TLcfgRegularScripter::EndFrame() {
    if (Frames.Count() < 2) {
        if (TLcfgScriptData* top = TopFrame()) top->Pc = 0;
        return;
    }
    BaseEndFrame();
}

void TLcfgRegularScripter::UpdateParallel(TGameMain& game) {
    SetGame(game);
    TVezMessageWindow& box = scripter::MessageBox(game);
    for (int counter = CommandsPerFrame(); counter > 0; --counter) {
        if (!IsRunning()) return;
        if (WaitFrames > 0) {
            --WaitFrames;
            return;
        }
        if (WaitingForMessage && box.Present()) return;
        WaitingForMessage = false;
        if (!ExecuteOne()) return;
        TLcfgScriptData* top = TopFrame();
        if (top == nullptr) return;
        if (top->EventId != 0) {
            const TLcfgEventItem* e = scripter::State(game).Map.Events.Find(top->EventId);
            if (e != nullptr && !e->Active) return;
        }
        if (scripter::FieldLeft(game)) return;
        if (Frames.Count() == 1 && top->Pc == 0) return;
    }
}

// ---- Battle ----

void TLcfgBattleScripter::Clear() {
    TLcfgBaseScripter::Clear();
    PageStarted.fill(false);
}

void TLcfgBattleScripter::EndFrame() {
    BaseEndFrame();
    Game().Input->Pressed = 0;
}

void TLcfgBattleScripter::UpdateBattle(TGameMain& game) {
    SetGame(game);
    TVezMessageWindow& box = scripter::MessageBox(game);
    for (int counter = CommandsPerFrame(); counter > 0 && IsRunning(); --counter) {
        if (WaitFrames > 0) {
            --WaitFrames;
            return;
        }
        if (WaitingForMessage && box.Present()) return;
        WaitingForMessage = false;
        if (!ExecuteOne()) return;
    }
}

namespace {

bool InRange(std::int32_t v, std::int32_t low, std::int32_t high) {
    return v >= low && v <= high;
}

} // namespace

bool TLcfgBattleScripter::StartBattlePage(TGameMain& main, const TVezMonGroupItem& troop) {
    SetGame(main);
    if (IsRunning()) return false;
    const TLcfgGameState& game = scripter::State(main);
    for (std::size_t i = 0; i < troop.Pages.Count(); ++i) {
        const TVezBattleEventPageItem& page = troop.Pages.At(i);
        if (page.Id < 1 || page.Id > KPageFlags) continue;
        auto& started = PageStarted[static_cast<std::size_t>(page.Id - 1)];
        if (started) continue;
        const TVezBattleEventTrigger& t = page.Trigger;
        if (!t.HasConditions()) continue;
        bool holds = true;
        if (t.Flags & TVezBattleEventTrigger::KSwitchA)
            holds = holds && game.System.Switch(t.SwitchA);
        if (t.Flags & TVezBattleEventTrigger::KSwitchB)
            holds = holds && game.System.Switch(t.SwitchB);
        if (t.Flags & TVezBattleEventTrigger::KVariable)
            holds = holds && game.System.Variable(t.Variable) >= t.Value;
        if (t.Flags & TVezBattleEventTrigger::KTurn)
            holds = holds && game.PartyInfo.TurnTest(t.TurnA, t.TurnB);
        if (t.Flags & TVezBattleEventTrigger::KFatigue)
            holds = holds && InRange(game.PartyInfo.Fatigue(), t.FatigueMin, t.FatigueMax);
        if (t.Flags & TVezBattleEventTrigger::KMonsterHp) {
            // The troop's monster by position; outside a battle there is none.
            const TLcfgMonsterItem* monster =
                game.Battle != nullptr ? game.Battle->At(t.Monster) : nullptr;
            const std::int32_t max = monster != nullptr ? monster->MaxHP() : 0;
            const std::int32_t pct =
                max > 0
                    ? static_cast<std::int32_t>(static_cast<std::int64_t>(monster->HP) * 100 / max)
                    : 0;
            holds = holds && monster != nullptr && InRange(pct, t.MonsterMin, t.MonsterMax);
        }
        if (t.Flags & TVezBattleEventTrigger::KActorHp) {
            const TLcfgPlayerItem* actor = game.Actors.Find(t.Actor);
            std::int32_t pct = 0;
            if (actor != nullptr) {
                const std::int32_t max = actor->MaxHP();
                pct = max > 0 ? static_cast<std::int32_t>(static_cast<std::int64_t>(actor->HP) *
                                                          100 / max)
                              : 0;
            }
            holds = holds && actor != nullptr && InRange(pct, t.ActorMin, t.ActorMax);
        }
        if (!holds) continue;
        PushFrame(0, page.Commands);
        started = true;
        return true;
    }
    return false;
}

} // namespace kestra

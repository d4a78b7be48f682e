// Handlers of the flow commands: switches, variables, timer, waits, key input,
// branches, loops, labels, calls, comments.
#include <algorithm>
#include <climits>

#include "base/Random.h"
#include "battle/LGD_Monster.h"
#include "data/DataBase.h"
#include "interpreter/LGD_Scripter.h"
#include "media/MultiInput.h"
#include "media/Tonica.h"
#include "shell/GameMain.h"
#include "state/LGD_CmnEvent.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

// Target IDs of the switch and variable commands: p0 = 0 the one ID p1, 1 the range
// p1..p2 (cut to the stored ID range), 2 the ID held by variable p1.
template <class F>
void ForTargets(TGameMain& w, const TLine& l, std::int32_t maxId, F&& f) {
    switch (l.Param(0)) {
    case 0:
        f(l.Param(1));
        break;
    case 1: {
        const std::int32_t lo = std::max(l.Param(1), 1);
        const std::int32_t hi = std::min(l.Param(2), maxId);
        for (std::int32_t id = lo; id <= hi; ++id) f(id);
        break;
    }
    case 2:
        f(State(w).System.Variable(l.Param(1)));
        break;
    default:
        break;
    }
}

void ControlSwitches(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgSystem& sys = State(w).System;
    const std::int32_t op = l.Param(3);
    ForTargets(w, l, KMaxSwitchId, [&](std::int32_t id) {
        if (op == 0)
            sys.SetSwitch(id, true);
        else if (op == 1)
            sys.SetSwitch(id, false);
        else if (op == 2)
            sys.SetSwitch(id, !sys.Switch(id));
    });
    RefreshPages(w);
}

std::int32_t ActorValue(const TLcfgPlayerItem* a, std::int32_t attribute) {
    if (a == nullptr) return 0;
    switch (attribute) {
    case 0:
        return a->Level;
    case 1:
        return a->Experience;
    case 2:
        return a->HP;
    case 3:
        return a->MP;
    case 4:
        return a->MaxHP();
    case 5:
        return a->MaxMP();
    case 6:
        return a->Attack();
    case 7:
        return a->Defence();
    case 8:
        return a->Intelligence();
    case 9:
        return a->Agility();
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
        return a->Equipment[static_cast<std::size_t>(attribute - 10)];
    default:
        return 0;
    }
}

std::int32_t NumberPadFacing(std::uint8_t sprite) {
    static constexpr std::int32_t KPad[4] = {8, 6, 2, 4};
    return KPad[sprite & 3];
}

std::int32_t CharacterValue(TLcfgBaseScripter& s, TLcfgScriptData& frame, std::int32_t ref,
                            std::int32_t attribute) {
    TLcfgCharacter* c = s.GetCharacter(ref, frame);
    if (c == nullptr) return 0;
    switch (attribute) {
    case 0:
        return c->MapId;
    case 1:
        return c->X;
    case 2:
        return c->Y;
    case 3:
        return NumberPadFacing(c->SpriteDirection);
    case 4:
        return c->World != nullptr ? c->ScreenX() : 0;
    case 5:
        return c->World != nullptr ? c->ScreenY() : 0;
    default:
        return 0;
    }
}

std::int64_t Operand(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgGameState& g = State(w);
    const std::int32_t a = l.Param(5);
    const std::int32_t b = l.Param(6);
    switch (l.Param(4)) {
    case 0:
        return a;
    case 1:
        return g.System.Variable(a);
    case 2:
        return g.System.Variable(g.System.Variable(a));
    case 3: {
        const std::int64_t lo = std::min(a, b);
        const std::int64_t hi = std::max(a, b);
        const std::int64_t span = std::min<std::int64_t>(hi - lo + 1, INT32_MAX);
        return lo + w.Random().Next(static_cast<std::int32_t>(span));
    }
    case 4:
        if (b == 0) return g.PartyInfo.ItemAmount(a);
        if (b == 1) return g.PartyInfo.Equipped(a);
        return 0;
    case 5:
        return ActorValue(g.Actors.Find(a), b);
    case 6:
        return CharacterValue(s, frame, a, b);
    case 7:
        switch (a) {
        case 0:
            return g.PartyInfo.Gold;
        case 1:
            return g.PartyInfo.TimerSeconds();
        case 2:
            return g.PartyInfo.MemberCount();
        case 3:
            return g.System.SaveCount;
        case 4:
            return g.PartyInfo.Battles;
        case 5:
            return g.PartyInfo.Victories;
        case 6:
            return g.PartyInfo.Defeats;
        case 7:
            return g.PartyInfo.Escapes;
        case 8:
            return w.Sound->GetMidiTick();
        default:
            return 0;
        }
    case 8: {
        // A monster of the battle in progress; none outside a battle.
        const TLcfgMonsterItem* m = g.Battle != nullptr ? g.Battle->At(a) : nullptr;
        if (m == nullptr) return 0;
        switch (b) {
        case 0:
            return m->HP;
        case 1:
            return m->MP;
        case 2:
            return m->MaxHP();
        case 3:
            return m->MaxMP();
        case 4:
            return m->Attack();
        case 5:
            return m->Defence();
        case 6:
            return m->Intelligence();
        case 7:
            return m->Agility();
        default:
            return 0;
        }
    }
    default:
        return 0;
    }
}

void ControlVariables(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgSystem& sys = State(w).System;
    const std::int32_t op = l.Param(3);
    ForTargets(w, l, KMaxVariableId, [&](std::int32_t id) {
        std::int64_t operand = Operand(s, frame, l);
        const std::int64_t value = sys.Variable(id);
        std::int64_t result = value;
        if ((op == 4 || op == 5) && operand == 0) operand = 1;
        switch (op) {
        case 0:
            result = operand;
            break;
        case 1:
            result = value + operand;
            break;
        case 2:
            result = value - operand;
            break;
        case 3:
            result = value * operand;
            break;
        case 4:
            result = value / operand;
            break;
        case 5:
            result = value % operand;
            break;
        default:
            break;
        }
        sys.SetVariable(id, std::clamp<std::int64_t>(result, KVariableMin, KVariableMax));
    });
    RefreshPages(w);
}

void TimerOperation(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgPartyInfo& p = State(w).PartyInfo;
    switch (l.Param(0)) {
    case 0:
        p.SetTimer(ValueByKind(w, l.Param(1), l.Param(2)));
        break;
    case 1:
        p.StartTimer(l.Param(3) != 0, l.Param(4) != 0);
        break;
    case 2:
        p.StopTimer();
        break;
    default:
        break;
    }
    RefreshPages(w);
}

void Wait(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    s.WaitFrames = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(l.Param(0)) * 6, 1, INT32_MAX));
}

void KeyInput(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    s.SetKeyVariable(l.Param(0));
    s.KeyAcceptDirections = l.Param(2) != 0;
    s.KeyAcceptDecision = l.Param(3) != 0;
    s.KeyAcceptCancel = l.Param(4) != 0;
    if (l.Param(1) != 0) {
        s.WaitingForKey = true;
        // Only keys pressed from now on count.
        w.Input->Pressed = 0;
        w.Input->Repeated = 0;
        return;
    }
    State(w).System.SetVariable(s.KeyVariable(), s.ReadKeyCode(false));
    RefreshPages(w);
}

bool Compare(std::int64_t a, std::int64_t b, std::int32_t how) {
    switch (how) {
    case 0:
        return a == b;
    case 1:
        return a >= b;
    case 2:
        return a <= b;
    case 3:
        return a > b;
    case 4:
        return a < b;
    case 5:
        return a != b;
    default:
        return false;
    }
}

bool ActorCondition(const TLcfgGameState& g, const TLine& l) {
    const std::int32_t id = l.Param(1);
    const TLcfgPlayerItem* a = g.Actors.Find(id);
    if (a == nullptr) return false;
    const std::int32_t n = l.Param(3);
    switch (l.Param(2)) {
    case 0:
        return g.PartyInfo.Contains(id);
    case 1:
        return a->GetName() == l.Text;
    case 2:
        return a->Level >= n;
    case 3:
        return a->HP >= n;
    case 4:
        return a->KnowsSkill(n);
    case 5:
        return n != 0 &&
               std::find(a->Equipment.begin(), a->Equipment.end(), n) != a->Equipment.end();
    case 6:
        return a->HasState(n) != 0;
    default:
        return false;
    }
}

void EndBranchTest(TLcfgScriptData& frame, const TLine& l, bool holds) {
    if (holds) {
        frame.BranchResult(l.Indent) = 255;
    } else {
        frame.BranchResult(l.Indent) = 1;
        TLcfgBaseScripter::SkipToSameIndent(frame, l);
    }
}

void ConditionalBranch(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& w = s.Game();
    const TLcfgGameState& g = State(w);
    bool holds = false;
    switch (l.Param(0)) {
    case 0:
        holds = g.System.Switch(l.Param(1)) == (l.Param(2) == 0);
        break;
    case 1:
        holds = Compare(g.System.Variable(l.Param(1)), ValueByKind(w, l.Param(2), l.Param(3)),
                        l.Param(4));
        break;
    case 2:
        holds = l.Param(2) == 0 ? g.PartyInfo.TimerSeconds() >= l.Param(1)
                                : g.PartyInfo.TimerSeconds() <= l.Param(1);
        break;
    case 3:
        holds = l.Param(2) == 0 ? g.PartyInfo.Gold >= l.Param(1) : g.PartyInfo.Gold <= l.Param(1);
        break;
    case 4:
        holds = g.PartyInfo.Holds(l.Param(1)) == (l.Param(2) == 0);
        break;
    case 5:
        holds = ActorCondition(g, l);
        break;
    case 6: {
        const TLcfgCharacter* c = s.GetCharacter(l.Param(1), frame);
        holds =
            c != nullptr && l.Param(2) >= 0 && l.Param(2) <= 3 && c->SpriteDirection == l.Param(2);
        break;
    }
    case 7: {
        const TLcfgParty& hero = State(w).Hero;
        holds = hero.InVehicle && hero.VehicleKind == l.Param(1) + 1;
        break;
    }
    case 8:
        holds = frame.StartedByActionKey;
        break;
    case 9:
        holds = w.Sound->GetMusicLooping();
        break;
    default:
        break;
    }
    EndBranchTest(frame, l, holds);
}

void BattleConditionalBranch(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& w = s.Game();
    const TLcfgGameState& g = State(w);
    bool holds = false;
    switch (l.Param(0)) {
    case 0:
        holds = g.System.Switch(l.Param(1)) == (l.Param(2) == 0);
        break;
    case 1:
        holds = Compare(g.System.Variable(l.Param(1)), ValueByKind(w, l.Param(2), l.Param(3)),
                        l.Param(4));
        break;
    case 2: {
        const TLcfgPlayerItem* a = g.Actors.Find(l.Param(1));
        holds = a != nullptr && a->Present && a->CanAct();
        break;
    }
    case 3: {
        // A monster of the battle in progress; none outside a battle.
        const TLcfgMonsterItem* m = g.Battle != nullptr ? g.Battle->At(l.Param(1)) : nullptr;
        holds = m != nullptr && m->Present && m->CanAct();
        break;
    }
    default:
        break;
    }
    EndBranchTest(frame, l, holds);
}

void Else(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine& l) {
    std::uint8_t& r = frame.BranchResult(l.Indent);
    if (r == 1)
        r = 255;
    else
        TLcfgBaseScripter::SkipToSameIndent(frame, l);
}

// A branch line of a choice, battle, shop or inn structure selected by `value`.
template <std::uint8_t Selects>
void FixedBranch(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine& l) {
    std::uint8_t& r = frame.BranchResult(l.Indent);
    if (r == Selects)
        r = 255;
    else
        TLcfgBaseScripter::SkipToSameIndent(frame, l);
}

void ChoiceBranch(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine& l) {
    std::uint8_t& r = frame.BranchResult(l.Indent);
    if (l.Param(0) >= 0 && l.Param(0) < 255 && r == l.Param(0))
        r = 255;
    else
        TLcfgBaseScripter::SkipToSameIndent(frame, l);
}

void JumpToLabel(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine& l) {
    for (std::int32_t i = 0; i < frame.LineCount(); ++i) {
        const TLine& c = frame.LineAt(i);
        if (c.Code == 12110 && c.Param(0) == l.Param(0)) {
            frame.Pc = i + 1;
            return;
        }
    }
}

void EndOfLoop(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine& l) {
    // Pc is one past this line.
    for (std::int32_t i = frame.Pc - 2; i >= 0; --i) {
        const TLine& c = frame.LineAt(i);
        if (c.Code == 12210 && c.Indent == l.Indent) {
            frame.Pc = i + 1;
            return;
        }
    }
}

void BreakLoop(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine&) {
    const std::int32_t n = frame.LineCount();
    while (frame.Pc < n) {
        const std::int32_t code = frame.LineAt(frame.Pc).Code;
        if (code == 0) return;
        ++frame.Pc;
        if (code == 22210) return;
    }
}

void EndEvent(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    s.EndFrame();
}

void EraseEvent(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    TLcfgScriptData* top = s.TopFrame();
    if (top == nullptr || top->EventId == 0) return;
    if (TLcfgEventItem* e = State(s.Game()).Map.Events.Find(top->EventId)) e->Active = false;
}

[[noreturn]] void Missing(const std::string& what) {
    throw EScripterError("Call event: " + what + " does not exist");
}

void CallEvent(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& w = s.Game();
    if (static_cast<std::int32_t>(s.Frames.Count()) > KMaxCallDepth)
        throw EScripterError("Call event: more than " + std::to_string(KMaxCallDepth) +
                             " event frames are running (runaway recursion)");
    const std::int32_t kind = l.Param(0);
    if (kind == 0) {
        const TVezCommonEventItem* c = State(w).DataBase().CommonEvents.Find(l.Param(1));
        if (c == nullptr) Missing("common event " + std::to_string(l.Param(1)));
        s.PushFrame(0, c->Commands);
        return;
    }
    if (kind != 1 && kind != 2) return;
    std::int32_t eventId = kind == 1 ? l.Param(1) : State(w).System.Variable(l.Param(1));
    const std::int32_t pageId = kind == 1 ? l.Param(2) : State(w).System.Variable(l.Param(2));
    if (eventId == KRefThisEvent) eventId = frame.EventId;
    const TLcfgEventItem* e = State(w).Map.Events.Find(eventId);
    if (e == nullptr || e->Data == nullptr) Missing("map event " + std::to_string(eventId));
    const TVezEventPageItem* page = e->Data->Pages.Find(pageId);
    if (page == nullptr)
        Missing("page " + std::to_string(pageId) + " of map event " + std::to_string(eventId));
    s.PushFrame(eventId, page->Commands);
}

void Comment(TLcfgBaseScripter&, TLcfgScriptData& frame, const TLine&) {
    while (frame.Pc < frame.LineCount() && frame.LineAt(frame.Pc).Code == 22410) ++frame.Pc;
}

void Nothing(TLcfgBaseScripter&, TLcfgScriptData&, const TLine&) {}

} // namespace

std::vector<THandlerEntry> FlowHandlers() {
    return {
        {10210, ControlSwitches},
        {10220, ControlVariables},
        {10230, TimerOperation},
        {11410, Wait},
        {11610, KeyInput},
        {12010, ConditionalBranch},
        {22010, Else},
        {13310, BattleConditionalBranch},
        {23310, Else},
        {20140, ChoiceBranch},
        {20710, FixedBranch<0>},
        {20711, FixedBranch<1>},
        {20712, FixedBranch<2>},
        {20720, FixedBranch<0>},
        {20721, FixedBranch<1>},
        {20730, FixedBranch<0>},
        {20731, FixedBranch<1>},
        {12110, Nothing},
        {12120, JumpToLabel},
        {12210, Nothing},
        {22210, EndOfLoop},
        {12220, BreakLoop},
        {12310, EndEvent},
        {12320, EraseEvent},
        {12330, CallEvent},
        {12410, Comment},
    };
}

} // namespace kestra::scripter

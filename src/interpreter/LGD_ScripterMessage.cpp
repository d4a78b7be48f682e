// Handlers of the message commands: show message, message options, face graphic,
// choices and number input. A message takes a following choice list or number
// input into the same box when the box has room for it.
#include <algorithm>

#include "interpreter/LGD_Scripter.h"
#include "scenes/GameWindowsMessage.h"
#include "shell/GameMain.h"
#include "state/LGD_GameState.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

constexpr std::int32_t KShowMessage = 10110, KMessageLine = 20110;
constexpr std::int32_t KShowChoices = 10140, KChoiceBranch = 20140, KInputNumber = 10150;
constexpr std::int32_t KPageLines = 4;
// Branch p0 of the cancel branch; 0..3 are the choices.
constexpr std::int32_t KCancelBranch = 4;

// The branch lines of the choice list opened by the line before `from`: every
// line at `indent` from there on, up to the first that is not a choice branch.
// Deeper lines are the branches' bodies; a shallower one ends the structure.
template <class F>
void ForChoiceBranches(const TLcfgScriptData& frame, std::int32_t from, std::int32_t indent,
                       F&& f) {
    for (std::int32_t i = from; i < frame.LineCount(); ++i) {
        const TLine& c = frame.LineAt(i);
        if (c.Indent > indent) continue;
        if (c.Indent < indent || c.Code != KChoiceBranch) return;
        if (!f(c)) return;
    }
}

// A box of its own unless one is showing and not closing.
void FreshBox(TGameMain& w, TVezMessageWindow& box) {
    if (box.Present() && box.ClosePhase() == 0) return;
    State(w).System.MessageActive = true;
    box.BeginMessage();
}

void ChoicesInto(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l,
                 TVezMessageWindow& box) {
    FreshBox(s.Game(), box);
    // Until the player answers, the structure's byte matches no branch.
    frame.BranchResult(l.Indent) = 255;
    s.ResultTarget = {frame.Id, std::clamp<std::int32_t>(l.Indent, 0, KMaxIndent)};
    TLcfgBaseScripter* interpreter = &s;
    box.SetChoiceOptions(l.Param(0),
                         [interpreter](std::uint8_t answer) { interpreter->WriteResult(answer); });
    ForChoiceBranches(frame, frame.Pc, l.Indent, [&](const TLine& c) {
        if (c.Param(0) >= KCancelBranch) return false;
        box.AddChoice(c.Text);
        return true;
    });
    s.WaitingForMessage = true;
}

void NumberInto(TLcfgBaseScripter& s, const TLine& l, TVezMessageWindow& box) {
    FreshBox(s.Game(), box);
    box.SetNumberInput(l.Param(0), l.Param(1));
    s.WaitingForMessage = true;
}

void ShowMessage(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TVezMessageWindow* box = &MessageBox(s.Game());
    State(s.Game()).System.MessageActive = true;
    box->BeginMessage();
    box->AddLine(l.Text);
    while (frame.LineAt(frame.Pc).Code == KMessageLine) {
        box->AddLine(frame.LineAt(frame.Pc).Text);
        ++frame.Pc;
    }
    s.WaitingForMessage = true;

    const TLine next = frame.LineAt(frame.Pc);
    if (next.Code == KShowChoices) {
        std::int32_t branches = 0;
        ForChoiceBranches(frame, frame.Pc + 1, next.Indent, [&](const TLine&) {
            ++branches;
            return true;
        });
        if (branches + box->LineCount() > KPageLines) return;
        ++frame.Pc;
        ChoicesInto(s, frame, next, *box);
    } else if (next.Code == KInputNumber && box->LineCount() < KPageLines) {
        ++frame.Pc;
        NumberInto(s, next, *box);
    }
}

void MessageOptions(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgSystem& sys = State(s.Game()).System;
    sys.MessageTransparent = l.Param(0);
    sys.MessagePosition = l.Param(1);
    sys.MessageAvoidsParty = l.Param(2) != 0;
    sys.EventsMoveDuringMessages = l.Param(3) != 0;
}

void SelectFace(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    State(s.Game()).System.SetFace(l.Text, l.Param(0), l.Param(1) != 0, l.Param(2) != 0);
}

void ShowChoices(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    ChoicesInto(s, frame, l, MessageBox(s.Game()));
}

void InputNumber(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    NumberInto(s, l, MessageBox(s.Game()));
}

} // namespace

std::vector<THandlerEntry> MessageHandlers() {
    return {
        {KShowMessage, ShowMessage}, {10120, MessageOptions},     {10130, SelectFace},
        {KShowChoices, ShowChoices}, {KInputNumber, InputNumber},
    };
}

} // namespace kestra::scripter

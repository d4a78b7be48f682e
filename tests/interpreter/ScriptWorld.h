#pragma once
// A game with a map in memory for the event and interpreter tests: the fixture's
// database, a 30 x 20 open map, the hero at (5, 5), map events made from pages built
// here, a message box that is shown until the test closes it, and input set by hand.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "../state/FieldWorld.h"
#include "../state/GameFixture.h"
#include "interpreter/LGD_Scripter.h"
#include "media/MultiInput.h"
#include "state/LGD_CmnEvent.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"

namespace kestra::test {

class TFakeMessageBox : public ILcfgMessageBox {
public:
    bool Present() const override { return Shown; }
    int ClosePhase() const override { return Closing; }
    bool AlreadyOpen() const override { return Open; }
    bool PriceCheck() const override { return Price; }
    void ClearPriceCheck() override { Price = false; }
    std::uint8_t Result() const override { return Answer; }
    int LineCount() const override { return static_cast<int>(Lines.size()); }
    void BeginMessage() override {
        Shown = true;
        Lines.clear();
        ++Begun;
    }
    void AddLine(const std::string& line) override { Lines.push_back(line); }
    void Close() override {
        Shown = false;
        Lines.clear();
    }

    bool Shown = false, Open = false, Price = false;
    int Closing = 0, Begun = 0;
    std::uint8_t Answer = 0;
    std::vector<std::string> Lines;
};

class TNoDevice : public IInputDevice {
public:
    TInputSample Sample() override { return {}; }
    bool FunctionKeyDown(int) const override { return false; }
    bool FunctionKeyPressed(int) const override { return false; }
};

// A command line.
inline TVezEventScriptLine Cmd(std::int32_t code, std::vector<std::int32_t> params = {},
                               std::int32_t indent = 0, std::string text = {}) {
    TVezEventScriptLine l;
    l.Code = code;
    l.Indent = indent;
    l.Params = std::move(params);
    l.Text = std::move(text);
    return l;
}

// A list of the lines and the end line.
inline TVezEventScriptList List(std::vector<TVezEventScriptLine> lines) {
    TVezEventScriptList list;
    list.Clear();
    for (auto& l : lines) list.Append(std::move(l));
    list.Append(TVezEventScriptLine{});
    return list;
}

struct TScriptWorld : ILcfgScriptWorld {
    TScriptWorld() : Field(30, 20), State(Fixture.Env()), Keys(Device) {
        State.Reset();
        Field.Hero.X = 5;
        Field.Hero.Y = 5;
    }

    TLcfgGameState& Game() override { return State; }
    TRandom& Random() override { return Field.Random; }
    TLcfgMap* Map() override { return &Field.Map; }
    TLcfgParty* Hero() override { return &Field.Hero; }
    TLcfgEvent* Events() override { return &EventList; }
    TLcfgCommonEvent* CommonEvents() override { return &Common; }
    TLcfgScripter* MainInterpreter() override { return &Main; }
    ILcfgMessageBox* MessageBox() override { return &Box; }
    TVezMessagePool* MessagePool() override { return &Pool; }
    TMultiInput* Input() override { return &Keys; }
    bool AbortKeyHeld() override { return AbortHeld; }
    bool SceneChangeRequested() override { return State.System.Scene != 0; }
    void RequestTeleport(std::int32_t map, std::int32_t x, std::int32_t y) override {
        Teleports.push_back({map, x, y});
    }
    void PerformTeleport() override {
        if (Teleports.empty()) return;
        auto t = Teleports.back();
        Teleports.clear();
        Field.Hero.SetPosition(t[0], t[1], t[2]);
        ++Performed;
    }
    void Warn(const std::string& message) override { Warnings.push_back(message); }

    // A map event at (x, y) with the pages given; the events are made anew.
    TVezEventPageItem& AddPage(TVezEventItem& event, std::int32_t id) {
        TVezEventPageItem& p = event.Pages.Obtain(id);
        p.MoveFrequency = 3;
        p.MoveSpeed = 3;
        p.Layer = 1;
        p.Graphic = "npc";
        return p;
    }
    TVezEventItem& AddEventData(std::int32_t x, std::int32_t y) {
        TVezEventItem& e = Field.Unit.Events.Append();
        e.X = x;
        e.Y = y;
        e.Pages.Clear();
        return e;
    }
    // Builds the runtime events from the unit and puts them on the map.
    void CreateEvents() {
        EventList.CreateFromMap(Field.Unit, *this);
        Field.Map.SetEvents(EventList.Characters());
    }
    void Frame() {
        Common.UpdateParallel(*this);
        Field.Frame();
        Main.UpdateMain(*this);
    }

    TGameFixture Fixture;
    TFieldWorld Field;
    TLcfgGameState State;
    TNoDevice Device;
    TMultiInput Keys;
    TLcfgEvent EventList;
    TLcfgCommonEvent Common;
    TLcfgScripter Main;
    TFakeMessageBox Box;
    TVezMessagePool Pool;
    bool AbortHeld = false;
    std::vector<std::array<std::int32_t, 3>> Teleports;
    int Performed = 0;
    std::vector<std::string> Warnings;
};

} // namespace kestra::test

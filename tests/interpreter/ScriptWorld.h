#pragma once
// The real game object over the test game "field" (an open 30 x 20 room and a second
// room) with the fixture's actors, items and states, after a new game: the hero at
// (5, 5), the field scene, its message window and pool. Tests add map events to the
// map unit, run the interpreters one driver call at a time and set input by hand.
#include <memory>
#include <string>
#include <vector>

#include "../TestGame.h"
#include "../state/GameFixture.h"
#include "interpreter/LGD_Scripter.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "state/LGD_CmnEvent.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"

namespace kestra::test {

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

// The fixture's actors, skills, items, states, words and party in a game's database;
// chip sets, terrain and the interface skin stay the game's.
inline void UseFixtureData(TVezDataBase& db) {
    const std::string skin = db.System.SystemGraphic;
    db.Actors.Clear();
    db.Skills.Clear();
    db.Items.Clear();
    db.States.Clear();
    FillDataBase(db);
    db.System.SystemGraphic = skin;
}

// A game far from any frame limit.
inline constexpr std::uint64_t KManyFrames = 1000000;

class TScriptWorld {
public:
    // `script` is the input script (F10 for the abort key, say).
    explicit TScriptWorld(const std::string& script = "", const std::string& name = "field")
        : Files(name), Game(Files.Start(script, KManyFrames)), DataBase(Game.Session->DataBase),
          State(Game.Session->Save->State), Field(Game, State), Keys(*Game.Input),
          EventList(State.Map.Events), Common(State.CommonEvents), Main(State.Interpreter),
          Box(Game.Session->MessageWindow), Pool(Game.Session->MessagePool),
          Scene(static_cast<TVezFieldScene&>(*Game.Scenes[KSceneField])) {}

    // The field's parts the tests reach.
    struct TFieldParts {
        TFieldParts(TGameMain& game, TLcfgGameState& state)
            : Game(game), Unit(game.Session->Unit), Map(state.Map), Hero(state.Hero) {}
        // Upper plain tile n at a cell, with its chip set flags.
        void SetUpper(int x, int y, int n, std::uint8_t flags) {
            Unit.Upper.SetTile(x, y, static_cast<std::uint16_t>(10000 + n));
            Game.Session->DataBase.ChipSets.Get(Unit.ChipSet).Upper[static_cast<std::size_t>(n)] =
                flags;
        }
        // One frame of character updates.
        void Frame() {
            for (TLcfgCharacter* c : Map.Characters()) c->UpdatedThisFrame = false;
            for (TLcfgCharacter* c : Map.Characters()) c->Update();
        }
        TGameMain& Game;
        TVezMap& Unit;
        TLcfgMap& Map;
        TLcfgParty& Hero;
    };

    // A map event at (x, y) with the pages given; the events are made anew.
    TVezEventPageItem& AddPage(TVezEventItem& event, std::int32_t id) {
        TVezEventPageItem& p = event.Pages.Obtain(id);
        p.MoveFrequency = 3;
        p.MoveSpeed = 3;
        p.Layer = 1;
        p.Graphic = "People";
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
    void CreateEvents() { Scene.CreateEvents(); }
    // The common events, the characters and the main interpreter of one field frame.
    void Frame() {
        Common.UpdateParallel(Game);
        Field.Frame();
        Main.UpdateMain(Game);
    }
    // A message in the box, shown and not closing.
    void OpenBox() {
        Box.BeginMessage();
        Box.AddLine("...");
    }
    // Advances the input script by `n` updates.
    void Inputs(int n) {
        for (int i = 0; i < n; ++i) Keys.Update();
    }
    const std::vector<std::int32_t>& Warned() const { return Game.Session->WarnedCodes; }

private:
    struct TNewGame {
        explicit TNewGame(TGameMain& game) {
            UseFixtureData(game.Session->DataBase);
            StartNewGame(game);
        }
    };
    TTestGame Files;

public:
    TGameMain& Game;

private:
    TNewGame Started{Game};

public:
    TVezDataBase& DataBase;
    TLcfgGameState& State;
    TFieldParts Field;
    TMultiInput& Keys;
    TLcfgEvent& EventList;
    TLcfgCommonEvent& Common;
    TLcfgScripter& Main;
    TVezMessageWindow& Box;
    TVezMessagePool& Pool;
    TVezFieldScene& Scene;
};

} // namespace kestra::test

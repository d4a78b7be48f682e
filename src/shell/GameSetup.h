#pragma once
// Joins a game directory's data to the running program: the database and map
// tree are loaded and the game state is created over them; the game's routines of
// new game, load and save-slot questions that the scenes call.
#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"
#include "graphics/KandelBitmap.h"
#include "scenes/GameWindowsMessage.h"
#include "state/LGD_Map.h"

#include <memory>
#include <string>
#include <vector>

namespace kestra {

class TGameMain;
class TKandelSheet;
class TVezFieldScene;

// The loaded data of one game and the state of the game being played. The game
// object creates it empty at start; PrepareGame loads the game's files into it, and
// every reset of the game reads them again.
struct TGameSession {
    explicit TGameSession(TGameMain& game) : MessageWindow(game) {}

    // PrepareGame loaded a game's data (the title and the other scenes need it).
    bool GameLoaded = false;
    TVezDataBase DataBase;
    TVezMapTree MapTree;
    // The game state (system, hero, actors, party, teleports, map state) and its
    // save files.
    std::unique_ptr<TLcfgSaveData> Save;
    TLcfgPlace StartPlace; // where the last new game put the party
    // The current map unit, which the map state of the game state is attached to.
    TVezMap Unit;
    // The field scene of the running game; null before the first game starts.
    TVezFieldScene* Field = nullptr;
    // Lines waiting for the message box (battle and level-up notices).
    TVezMessagePool MessagePool;
    // Event command codes already reported as not yet available.
    std::vector<std::int32_t> WarnedCodes;
    // The one message box of the game (field, events and battle).
    TVezMessageWindow MessageWindow;
};

// The session of a game object before any game is loaded: an empty database and map
// tree, and a game state over them whose saves go to `saveDir` through `writer`,
// stamped by `clock`.
std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer, TDayClock clock);

// Reads the game directory's "KESTRA.ldb" and "KESTRA.lmt" into the session. A file
// that is missing, unreadable or broken raises an error naming it.
void LoadGameData(TGameMain& game);

// Loads the game's data (LoadGameData) and resets the game state over it; from then on
// the game's own scenes run. Answers the session.
std::shared_ptr<TGameSession> PrepareGame(TGameMain& game);

// A new field scene over the session's map state, hero and map unit, put into the
// game's field slot, with an empty message box and the menu behind the cancel key.
TVezFieldScene& InstallField(TGameMain& game, TGameSession& session);

// A new game: the state from the database, the hero on the start position, a new field
// scene on the start map with its events (what the title's new-game command does).
void StartNewGame(TGameMain& game);

// Loads map `mapId` into the session's map unit and attaches the map state to it, with
// the hero on it and no events yet (errors raised, naming the file).
void EnterMap(TGameMain& game, std::int32_t mapId);

// The party arrives on the map the hero now stands on (a new game, a teleport to
// another map): the unit is loaded, the map state entered afresh with its panorama
// picture, the hero takes the party leader's sprite, the map tree's settings are taken
// (TakeMapTreeSettings) and the map's events join it. The frame schedule restarts, so
// the time the load took never turns into a burst of catch-up frames.
void EnterNewMap(TGameMain& game, TVezFieldScene& field);

// The settings a map takes from the map tree, each from the first entry upward that
// does not inherit: its music (kept, played, or kept for after the vehicle), the
// teleport, escape and save permissions and the battle background.
void TakeMapTreeSettings(TGameMain& game);

// The picture of the map state's panorama from the "Panorama" folder into `picture`;
// false when the map has no panorama or it names no picture. A named picture that is
// missing or broken raises an error naming it.
bool LoadPanoramaPicture(TGameMain& game, TKandelBitmap& picture);
// The map unit's chip set picture and water animation follow the map state's chip set
// (an event's or a saved game's change). Raises when the picture is not found.
void UseMapChipSet(TGameMain& game);

// The title or game-over picture `name` from `folder` into `sheet`, which keeps its
// size. A named picture that is missing or broken raises an error naming it; an empty
// name loads nothing and leaves the sheet black.
void LoadScenePicture(TGameMain& game, TKandelSheet& sheet, const std::string& name,
                      const char* folder);

// Some save slot 1..count holds a game (a header with a time stamp).
bool AnySaveExists(TGameMain& game, int count);

// Replaces the running game with save slot `slot` once the whole file was read and
// the map it stands on loads; false when the slot has no file. Errors name the file
// and leave the running game untouched.
bool LoadSavedGame(TGameMain& game, std::int32_t slot);
// After LoadSavedGame: the saved map is entered at the saved place and view without
// clearing its state, a new field scene fades in with step 3, the saved music plays.
void EnterSavedGame(TGameMain& game);

} // namespace kestra

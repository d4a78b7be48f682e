#pragma once
// Joins a game directory's data to the running program: the database and map
// tree are loaded, the game state is created, and the title and game-over scenes
// take their pictures, music and words from the database. Scenes that do not
// exist yet stay on the placeholder.
#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/MessageGameLink.h"
#include "scenes/SystemGraphicLink.h"
#include "scenes/WindowPartyView.h"
#include "state/LGD_Map.h"

#include <memory>
#include <string>
#include <vector>

namespace kestra {

class TGameMain;
class TVezFieldScene;

// The loaded data of one game and the state of the game being played. The game
// object creates it empty at start; PrepareGame loads the game's files into it.
struct TGameSession {
    TVezDataBase DataBase;
    TVezMapTree MapTree;
    // The game state (system, hero, actors, party, teleports, map state) and its
    // save files.
    std::unique_ptr<TLcfgSaveData> Save;
    TLcfgPlace StartPlace; // where the last new game put the party
    // The current map unit, which the map state of the game state is attached to.
    TVezMap Unit;
    // The message box with what it reads of the game, made with the first new game
    // (its windows take the title's skin).
    std::unique_ptr<TLcfgWindowPartyView> PartyView;
    std::unique_ptr<TVezMessageGameLink> MessageLink;
    std::unique_ptr<TVezSystemGraphicLink> Pictures;
    std::unique_ptr<TVezMessageWindow> MessageWindow;
    // Lines waiting for the message box (battle and level-up notices).
    TVezMessagePool MessagePool;
    // Event command codes already reported as not yet available.
    std::vector<std::int32_t> WarnedCodes;
};

// The session of a game object before any game is loaded: an empty database and map
// tree, and a game state over them whose saves go to `saveDir` through `writer`,
// stamped by `clock`.
std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer, TDayClock clock);

// When the game directory holds "KESTRA.ldb" and "KESTRA.lmt", loads them into the
// game's session (errors raised, naming the file), resets the game state over them and
// installs the title and game-over scenes. Answers the session, or null for a directory
// without game data.
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

// Replaces the running game with save slot `slot` once the whole file was read and
// the map it stands on loads; false when the slot has no file. Errors name the file
// and leave the running game untouched.
bool LoadSavedGame(TGameMain& game, std::int32_t slot);
// After LoadSavedGame: the saved map is entered at the saved place and view without
// clearing its state, a new field scene fades in with step 3, the saved music plays.
void EnterSavedGame(TGameMain& game);

} // namespace kestra

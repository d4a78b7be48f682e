#pragma once
// Joins a game directory's data to the running program: the database and map
// tree are loaded, the game state is created, and the title and game-over scenes
// take their pictures, music and words from the database. Scenes that do not
// exist yet stay on the placeholder.
#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"
#include "state/LGD_Map.h"

#include <memory>
#include <string>

namespace kestra {

class TGameMain;

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
};

// The session of a game object before any game is loaded: an empty database and map
// tree, and a game state over them whose saves go to `saveDir` through `writer`.
std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer);

// When the game directory holds "KESTRA.ldb" and "KESTRA.lmt", loads them into the
// game's session (errors raised, naming the file), resets the game state over them and
// installs the title and game-over scenes. Answers the session, or null for a directory
// without game data.
std::shared_ptr<TGameSession> PrepareGame(TGameMain& game);

} // namespace kestra

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

namespace kestra {

class TGameMain;

// The loaded data of one game and the state of the game being played.
struct TGameSession {
    TVezDataBase DataBase;
    TVezMapTree MapTree;
    std::unique_ptr<TLcfgSaveData> Save;
    TLcfgPlace StartPlace; // where the last new game put the party
    // The field: the current map unit, its state and the hero. Map events join
    // when they can run; until then the hero walks the map alone.
    TVezMap Unit;
    TLcfgMap Map;
    TLcfgParty Hero;
    // The message box with what it reads of the game, made with the first new game
    // (its windows take the title's skin).
    std::unique_ptr<TLcfgWindowPartyView> PartyView;
    std::unique_ptr<TVezMessageGameLink> MessageLink;
    std::unique_ptr<TVezSystemGraphicLink> Pictures;
    std::unique_ptr<TVezMessageWindow> MessageWindow;
};

// When the game directory holds "KESTRA.ldb" and "KESTRA.lmt", loads them (errors
// raised, naming the file) and installs the title and game-over scenes, which keep
// the session alive. Answers the session, or null for a directory without game data.
std::shared_ptr<TGameSession> PrepareGame(TGameMain& game);

} // namespace kestra

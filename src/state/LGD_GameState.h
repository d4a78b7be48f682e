#pragma once
// The one record tree of a running game and what it reaches outside itself. The save
// file (data/SaveData) owns a tree and writes and reads it; every object of the tree
// refers to its siblings and to the environment through the tree.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "interpreter/LGD_Scripter.h"
#include "state/LGD_Character.h"
#include "state/LGD_CmnEvent.h"
#include "state/LGD_Map.h"
#include "state/LGD_PartyInfo.h"
#include "state/LGD_Picture.h"
#include "state/LGD_Player.h"
#include "state/LGD_Screen.h"
#include "state/LGD_Ship.h"
#include "state/LGD_System.h"
#include "state/LGD_Teleport.h"

namespace kestra {

class ITonica;
class TGameMain;
class TLcfgPlayerItem;
class TVezDataBase;
class TVezMapTree;

// A file of an asset folder for a name from game data, or "" when there is none.
using TLcfgAssetFinder = std::function<std::string(std::string_view name, std::string_view folder)>;

// A finder for a game state that reaches no files (data tools, scratch trees).
inline std::string NoAssetFile(std::string_view /*name*/, std::string_view /*folder*/) {
    return {};
}

struct TLcfgEnvironment {
    // What every game state needs: its database, the sound library that plays its music
    // and sounds (a TNullTonica for a silent one), the finder of its asset files and
    // the display's frame-timing restart (after music starts).
    TLcfgEnvironment(const TVezDataBase& dataBase, ITonica& sound, TLcfgAssetFinder findAsset,
                     std::function<void()> restartFrameTiming);

    const TVezDataBase* DataBase;             // never null
    const TVezMapTree* MapTree = nullptr;     // required for a new game and teleports
    ITonica* Sound;                           // never null
    TLcfgAssetFinder FindAsset;               // never empty
    std::function<void()> RestartFrameTiming; // never empty
};

class TLcfgMonster;

class TLcfgGameState {
public:
    explicit TLcfgGameState(TLcfgEnvironment env);
    TLcfgGameState(const TLcfgGameState&) = delete;
    TLcfgGameState& operator=(const TLcfgGameState&) = delete;

    const TVezDataBase& DataBase() const { return *Env.DataBase; }
    // The party travels in the airship.
    bool InAirship() const { return Hero.InVehicle && Hero.VehicleKind == KVehicleAirship; }
    std::uint8_t Scene() const { return System.Scene; }

    // The state of a new game: every object cleared, one actor per database actor set
    // up from its record, the starting party, an empty teleport list.
    void Reset();
    // Repairs what a save file may lack or hold out of range: actors of the database
    // missing from the file are set up from their records, stored numbers are clamped,
    // the escape destination exists. The common-event states are kept only when the
    // database is the one the game was saved with (same save count), else rebuilt; either
    // way there is one per database common event.
    void Normalise();
    // After a load, once the map state is attached to the unit of the hero's map: when the
    // unit is the one the game was saved on (same save count), the saved events are joined
    // to its records (events it lacks dropped) and the main interpreter kept; otherwise
    // every event starts from the map data and the main interpreter is cleared. The map's
    // character list then holds the events.
    void ResumeMapEvents(const TVezMap& unit, TGameMain& game);
    // Takes over every saved object of `other` (a tree over the same database).
    void CopyFrom(const TLcfgGameState& other);
    // Tells the sound library about the whole state (the pictures read the state when
    // they draw).
    void ApplyToDevices();

    TLcfgEnvironment Env;
    TLcfgSystem System;
    // Tint, flash, shake, weather and the battle animation on the map.
    TLcfgScreen Screen;
    // The twenty pictures events show over the map.
    TLcfgPicture Pictures;
    // The party on the map; the field attaches it to the map state.
    TLcfgParty Hero;
    // The three vehicles, each on a map of its own.
    TLcfgShip Boat, Ship, Airship;
    TLcfgPlayer Actors;
    TLcfgPartyInfo PartyInfo;
    TLcfgTeleport Teleport;
    // The state of the map the hero is on, with its panorama and events.
    TLcfgMap Map;
    // The main interpreter and the states of the database's common events.
    TLcfgScripter Interpreter;
    TLcfgCommonEvent CommonEvents;
    // The monster group while one exists (not part of the saved tree); null otherwise.
    // The monsters of the running battle, which the automatic choice of an actor's
    // action needs; null outside a battle (the troop registers itself while it exists).
    TLcfgMonster* Battle = nullptr;
};

} // namespace kestra

#pragma once
// The save and load scene joined to the running game: the save files of the game
// state, the vocabulary, the system sounds and the skin of the game state's system
// graphic.
//
// Other scenes open it with OpenSaveFileScene; it returns to the caller's scene by
// itself (see scenes/LS_SaveFile.h).
#include <cstdint>

namespace kestra {

class TGameMain;

// Puts the save and load scene (5) into the game's scene slot; the scene owns its link
// to the game, which must outlive it.
void InstallSaveFileScene(TGameMain& game);

// Switches to the save and load scene: save mode (fromMenu: Cancel and a save return to
// the menu, else to the field) or load mode (Cancel returns to the title, a load enters
// the field). Without the scene installed only the scene byte changes.
void OpenSaveFileScene(TGameMain& game, bool saveMode, bool fromMenu);

// Some save slot 1..15 holds a game (a header with a time stamp).
bool AnySaveExists(TGameMain& game);

} // namespace kestra

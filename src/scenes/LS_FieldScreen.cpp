// The field's screen effects and pictures: advanced once a frame after the timer,
// ended by another map, and drawn over the map (weather, the battle animation's
// place, the pictures in number order) under the message box.
#include "graphics/GR_CharSet.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "state/LGD_GameState.h"

namespace kestra {

void TVezFieldScene::UpdateScreenEffects() {
    State.Screen.Update(Game.Random());
    State.Pictures.UpdateAll();
}

void TVezFieldScene::LeaveMapScreenEffects() {
    // The tint stays.
    State.Screen.ClearFlash();
    State.Pictures.EraseAll();
    State.Screen.StopAnimation();
}

void TVezFieldScene::DrawScreenEffects() {
    TKandelBoard& board = Host.Board();
    State.Screen.DrawWeather(board);
    // The battle animation on the map comes between the weather and the pictures; the
    // animation graphic that draws it is the battle's.
    State.Pictures.DrawAll(board, State.Screen);
}

} // namespace kestra

// The field's screen effects and pictures: advanced once a frame after the timer,
// ended by another map, and drawn over the map (weather, the battle animation shown on
// the map, the pictures in number order) under the message box.
#include <algorithm>

#include "data/DataBase.h"
#include "graphics/GR_CharSet.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "state/LGD_GameState.h"

namespace kestra {

void TVezFieldScene::UpdateScreenEffects() {
    State.Screen.Update(Game.Random());
    UpdateMapAnimation();
    State.Pictures.UpdateAll();
}

bool TVezFieldScene::ShowMapAnimation(std::int32_t animationId, std::int32_t target,
                                      bool wholeScreen) {
    TLcfgScreen& screen = State.Screen;
    if (State.DataBase().Animations.Find(animationId) == nullptr) return false;
    screen.AnimationId = animationId;
    screen.AnimationTarget = target;
    screen.AnimationCounter = 0;
    screen.AnimationPlaying = true;
    screen.AnimationWholeScreen = wholeScreen;
    MapAnimationRecord();
    return true;
}

const TVezAnimationItem* TVezFieldScene::MapAnimationRecord() {
    const TVezAnimationItem* record = State.DataBase().Animations.Find(State.Screen.AnimationId);
    if (record == nullptr) {
        State.Screen.AnimationPlaying = false;
        return nullptr;
    }
    if (MapAnimation.Record() != record) MapAnimation.SetAnimation(*record, false);
    return record;
}

TLcfgCharacter* TVezFieldScene::AnimationTarget(std::int32_t reference) {
    if (reference == KRefHero) return &Hero;
    if (reference >= KRefBoat && reference <= KRefAirship) {
        TLcfgShip* vehicle = Map.Vehicle(reference - KRefBoat + KVehicleBoat);
        return vehicle->MapId == Hero.MapId ? vehicle : nullptr;
    }
    return Map.Events.Find(reference);
}

void TVezFieldScene::UpdateMapAnimation() {
    TLcfgScreen& screen = State.Screen;
    if (!screen.AnimationPlaying || MapAnimationRecord() == nullptr) return;
    ++screen.AnimationCounter;
    if (screen.AnimationCounter >= 2 * MapAnimation.FrameCount()) {
        screen.AnimationPlaying = false;
        return;
    }
    const int frame = screen.AnimationCounter / 2;
    const TVezAnimationFlash flash = MapAnimation.ScreenFlash(frame);
    if (flash.Strength > 0) screen.SetFlash(flash.Red, flash.Green, flash.Blue, flash.Strength, 0);
    const TVezAnimationFlash hit = MapAnimation.TargetFlash(frame);
    if (hit.Strength > 0 && !screen.AnimationWholeScreen)
        if (TLcfgCharacter* c = AnimationTarget(screen.AnimationTarget))
            c->Flash(hit.Red, hit.Green, hit.Blue, hit.Strength, 0);
    if (screen.AnimationCounter % 2 == 1)
        MapAnimation.PlayFrameSounds(
            frame, [this](const TVezSound& sound) { State.System.PlaySound(sound); });
}

void TVezFieldScene::DrawMapAnimation(TKandelBoard& board) {
    const TLcfgScreen& screen = State.Screen;
    if (!screen.AnimationPlaying) return;
    const TVezAnimationItem* record = MapAnimationRecord();
    if (record == nullptr) return;
    const int frame = screen.AnimationCounter / 2;
    if (screen.AnimationWholeScreen) {
        // On the weather's grid, so it tiles the screen and scrolls with the map.
        for (int row = -1; row <= 2; ++row)
            for (int column = -1; column <= 1; ++column)
                MapAnimation.DrawAnimationFrame(
                    board, screen.WeatherOffsetX / 16 + column * KWeatherFieldWidth + screen.ShakeX,
                    screen.WeatherOffsetY / 16 + row * KWeatherFieldHeight + screen.ShakeY, frame);
        return;
    }
    if (record->Scope == 1) {
        MapAnimation.DrawAnimationFrame(board, 160 + screen.ShakeX, 120 + screen.ShakeY, frame);
        return;
    }
    const TLcfgCharacter* c = AnimationTarget(screen.AnimationTarget);
    if (c == nullptr) return;
    const int lift = record->Position == 0 ? 24 : record->Position == 1 ? 12 : 0;
    MapAnimation.DrawAnimationFrame(board, c->ScreenX() + screen.ShakeX,
                                    c->ScreenY() + screen.ShakeY - lift, frame);
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
    DrawMapAnimation(board);
    State.Pictures.DrawAll(board, State.Screen);
}

} // namespace kestra

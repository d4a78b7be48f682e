#include "shell/GameMenuLink.h"

#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/GameTitleLink.h"

namespace kestra {

TGameMenuLink::TGameMenuLink(TGameMain& game, TGameSession& session, TVezFieldScene& field)
    : Game(game), Session(session), Field(field), View(session.Save->State) {}

TVezSystemGraphic& TGameMenuLink::SystemGraphic() {
    return Game.TitleLink->SystemGraphic();
}
TKandelBoard& TGameMenuLink::Board() {
    return Game.Board();
}
std::uint16_t TGameMenuLink::RepeatedButtons() {
    return Game.Input->Repeated;
}
void TGameMenuLink::PlayCursorSound() {
    State().System.PlaySystemSound(KSoundCursor);
}
int TGameMenuLink::CurrentScene() {
    return Game.System().Scene;
}

TLcfgGameState& TGameMenuLink::State() {
    return Session.Save->State;
}
std::uint16_t TGameMenuLink::PressedButtons() {
    return Game.Input->Pressed;
}

void TGameMenuLink::SetScene(int scene) {
    State().System.Scene = static_cast<std::uint8_t>(scene);
}

std::string TGameMenuLink::FindFace(const std::string& name) {
    const auto path = Game.Assets->FindAssetFile(name, "FaceSet", KPictureExtensions);
    return path ? path->string() : std::string();
}

void TGameMenuLink::OpenSaveScene() {
    // The save scene reads where it was called from when it is entered.
    SaveSceneReturned = false;
    SetScene(KSceneSaveFile);
}

bool TGameMenuLink::TakeSaveReturn() {
    const bool returned = SaveSceneReturned;
    SaveSceneReturned = false;
    return returned;
}

void TGameMenuLink::GoToPlace(const TLcfgPlace& place, double fadeStep) {
    TLcfgParty& hero = State().Hero;
    hero.Direction = KDirDown;
    hero.SpriteDirection = KDirDown;
    // The screen is dark: the teleport runs without transitions.
    Field.RequestTeleport(place.MapId, place.X, place.Y);
    Field.PerformTeleport();
    Field.EnterFadeStep = fadeStep;
    RefreshMapEvents();
}

void TGameMenuLink::RefreshMapEvents() {
    if (RefreshEvents) RefreshEvents();
}

void TGameMenuLink::ReturnToTitle() {
    Game.Display->RequestReset();
}

TGameMenuScene::TGameMenuScene(TGameMain& game, TGameSession& session, TVezFieldScene& field)
    : std::unique_ptr<TGameMenuLink>(std::make_unique<TGameMenuLink>(game, session, field)),
      TVezMenuScene(game, **this) {}

void InstallMenuScene(TGameMain& game, TGameSession& session, TVezFieldScene& field) {
    auto menu = std::make_unique<TGameMenuScene>(game, session, field);
    game.SetScene(KSceneMenu, std::move(menu));
}

} // namespace kestra

#include "shell/GameTitleLink.h"

#include "base/Errors.h"
#include "shell/GameMain.h"
#include "shell/GameSaveLink.h"
#include "shell/LS_GameOver.h"

namespace kestra {

TGameTitleLink::TGameTitleLink(TGameMain& game, TVezTitleSettings settings)
    : Settings(std::move(settings)), Game(game), Font(std::make_unique<TGlyphFont>()),
      System(std::make_unique<TVezSystemGraphic>(*Font, game.Assets.get())) {
    if (!Settings.SystemGraphic.empty()) System->LoadSystemGraphic(Settings.SystemGraphic);
}

TGameTitleLink::~TGameTitleLink() = default;

TKandelBoard& TGameTitleLink::Board() {
    return Game.Board();
}
std::uint16_t TGameTitleLink::RepeatedButtons() {
    return Game.Input->Repeated;
}
int TGameTitleLink::CurrentScene() {
    return Game.System().Scene;
}
TMultiInput& TGameTitleLink::Input() {
    return *Game.Input;
}
bool& TGameTitleLink::ShowLogos() {
    return Game.Config.ShowLogos;
}
bool TGameTitleLink::ShowTitle() {
    return Game.Config.ShowTitle;
}

std::optional<std::string> TGameTitleLink::FindPicture(const std::string& name,
                                                       const std::string& folder) {
    const auto path = Game.Assets->FindAssetFile(name, folder, KPictureExtensions);
    if (!path) return std::nullopt;
    return path->string();
}

void TGameTitleLink::PlayTitleMusic() {
    if (Settings.TitleMusic.empty() || Settings.TitleMusic == "(OFF)") {
        Game.Sound->StopMusic();
        return;
    }
    const auto path = Game.Assets->FindAssetFile(Settings.TitleMusic, "Music", KMusicExtensions);
    if (path)
        Game.Sound->PlayMusic(path->string());
    else
        Game.Sound->StopMusic();
}

void TGameTitleLink::FadeOutMusic(int ms) {
    Game.Sound->FadeOutMusic(ms);
}
void TGameTitleLink::StopMusic() {
    Game.Sound->StopMusic();
}

void TGameTitleLink::PlaySound(const std::string& name) {
    if (name.empty() || name == "(OFF)") return;
    const auto path = Game.Assets->FindAssetFile(name, "Sound", KSoundExtensions);
    if (path) Game.Sound->PlaySoundEx(path->string(), 100, 100, 50);
}

void TGameTitleLink::ResetTiming() {
    Game.Display->ResetTiming();
}
void TGameTitleLink::SetScene(int scene) {
    Game.System().Scene = static_cast<std::uint8_t>(scene);
}
void TGameTitleLink::StartNewGame() {
    if (Settings.NewGame) Settings.NewGame();
}
bool TGameTitleLink::AnySaveExists() {
    return kestra::AnySaveExists(Game);
}
void TGameTitleLink::OpenLoadScene() {
    OpenSaveFileScene(Game, false, false);
}

void TGameTitleLink::CloseMainForm() {
    // Only a request: resources are freed when the game object goes.
    Game.Display->RequestClose();
    throw EKandelDrawAbort();
}

void TGameTitleLink::RequestReset() {
    Game.Display->RequestReset();
}

void InstallTitleScenes(TGameMain& game, TVezTitleSettings settings) {
    game.TitleLink = std::make_unique<TGameTitleLink>(game, std::move(settings));
    game.SetScene(KSceneTitle, std::make_unique<TVezTitleScene>(game, *game.TitleLink));
    game.SetScene(KSceneGameOver, std::make_unique<TVezGameOverScene>(game, *game.TitleLink));
}

} // namespace kestra

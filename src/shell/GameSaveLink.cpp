#include "shell/GameSaveLink.h"

#include <memory>
#include <string>

#include "base/Errors.h"
#include "graphics/GR_Font.h"
#include "graphics/GR_System.h"
#include "scenes/LS_SaveFile.h"
#include "scenes/SystemGraphicLink.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"

namespace kestra {

namespace {

class TGameSaveLink : public IVezSaveFileGame, public IVezWindowHost {
public:
    explicit TGameSaveLink(TGameMain& game)
        : Game(game), Font(std::make_unique<TGlyphFont>()),
          Skin(std::make_unique<TVezSystemGraphic>(*Font, game.Assets.get())) {}

    // IVezWindowHost
    TVezSystemGraphic& SystemGraphic() override { return *Skin; }
    TKandelBoard& Board() override { return Game.Board(); }
    std::uint16_t RepeatedButtons() override { return Game.Input->Repeated; }
    void PlayCursorSound() override { State().System.PlaySystemSound(KSoundCursor); }
    int CurrentScene() override { return Game.System().Scene; }

    // IVezSaveFileGame
    IVezWindowHost& WindowHost() override { return *this; }
    TMultiInput& Input() override { return *Game.Input; }

    void RefreshSkin() override {
        const TLcfgSystem& system = State().System;
        const std::string name = system.SystemGraphic();
        const std::int32_t background = system.WindowBackground(), font = system.Font();
        if (skinLoaded_ && name == skinName_ && background == skinBackground_ && font == skinFont_)
            return;
        try {
            TVezSystemGraphicLink(*Skin).SystemGraphicChanged(name, background, font);
        } catch (const EKestraError&) {
            // A missing skin leaves the last one (or the blank one) in place.
        }
        skinLoaded_ = true;
        skinName_ = name;
        skinBackground_ = background;
        skinFont_ = font;
    }

    std::string Term(int chunk) override { return Game.Session->DataBase.Vocabulary.Term(chunk); }
    std::optional<TLcfgSaveHeader> SlotHeader(int slot) override {
        return Game.Session->Save->ReadHeader(slot);
    }
    std::optional<std::string> FindFace(const std::string& name) override {
        const auto path = Game.Assets->FindAssetFile(name, "FaceSet", KPictureExtensions);
        if (!path) return std::nullopt;
        return path->string();
    }
    std::int32_t LastSaveSlot() override { return State().System.LastSaveSlot; }
    void PlayDecisionSound() override { State().System.PlaySystemSound(KSoundDecide); }
    void PlayCancelSound() override { State().System.PlaySystemSound(KSoundCancel); }
    void PlayBuzzerSound() override { State().System.PlaySystemSound(KSoundBuzzer); }
    // The device directly: the game state keeps the music it describes (a loaded game
    // plays its own afterwards).
    void FadeOutMusic(int ms) override { Game.Sound->FadeOutMusic(ms); }
    void StopMusic() override { Game.Sound->StopMusic(); }

    void SaveGame(int slot) override { Game.Session->Save->Save(slot); }
    void LoadGame(int slot) override {
        if (!LoadSavedGame(Game, slot))
            throw EFileError("save slot " + std::to_string(slot) + " holds no saved game");
    }
    void EnterLoadedGame() override { EnterSavedGame(Game); }
    void ReportError(const std::string& message) override { Game.ShowMessage(message); }
    void SetScene(int scene) override { Game.System().Scene = static_cast<std::uint8_t>(scene); }

private:
    TLcfgGameState& State() { return Game.Session->Save->State; }

    TGameMain& Game;
    std::unique_ptr<TGlyphFont> Font;
    std::unique_ptr<TVezSystemGraphic> Skin;
    bool skinLoaded_ = false;
    std::string skinName_;
    std::int32_t skinBackground_ = 0, skinFont_ = 0;
};

// The link comes first so that it outlives the scene built over it.
struct TSaveLinkHolder {
    explicit TSaveLinkHolder(TGameMain& game) : Link(std::make_unique<TGameSaveLink>(game)) {}
    std::unique_ptr<TGameSaveLink> Link;
};

class TGameSaveFileScene : private TSaveLinkHolder, public TVezSaveFileScene {
public:
    explicit TGameSaveFileScene(TGameMain& game)
        : TSaveLinkHolder(game), TVezSaveFileScene(game, *Link) {}
};

} // namespace

void InstallSaveFileScene(TGameMain& game) {
    game.SetScene(KSceneSaveFile, std::make_unique<TGameSaveFileScene>(game));
}

void OpenSaveFileScene(TGameMain& game, bool saveMode, bool fromMenu) {
    if (auto* scene = dynamic_cast<TVezSaveFileScene*>(&game.SceneFor(KSceneSaveFile)))
        scene->Request(saveMode, fromMenu);
    game.System().Scene = KSceneSaveFile;
}

bool AnySaveExists(TGameMain& game) {
    for (const auto& header : game.Session->Save->ListHeaders(KSaveFilePanels))
        if (header && header->Time > 0.0) return true;
    return false;
}

} // namespace kestra

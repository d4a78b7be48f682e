#pragma once
// The title and game-over scenes joined to the process-wide objects of the game:
// display, input, sound, asset lookup, the scene byte, and the system graphic
// that skins their windows.
#include "graphics/GR_Font.h"
#include "graphics/GR_System.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Title.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace kestra {

class TGameMain;

// What the title scenes read from the database and the system state. The game
// state fills it in; names are looked up in their asset folders.
struct TVezTitleSettings {
    std::array<std::string, 3> Commands{"New Game", "Continue", "Quit"};
    std::string SystemGraphic;                           // "System"; empty keeps a blank skin
    std::string TitlePicture;                            // "Title"
    std::string GameOverPicture;                         // "GameOver"
    std::string TitleMusic;                              // "Music"; empty or "(OFF)": silence
    std::string CursorSound, DecisionSound, BuzzerSound; // "Sound"
    // Sets up the game state of a new game.
    std::function<void()> NewGame;
};

class TGameTitleLink : public IVezTitleGame, public IVezWindowHost {
public:
    // Loads the system graphic (errors raised); the game must outlive the link.
    TGameTitleLink(TGameMain& game, TVezTitleSettings settings);
    ~TGameTitleLink() override;

    TVezTitleSettings Settings;

    // IVezWindowHost
    TVezSystemGraphic& SystemGraphic() override { return *System; }
    TKandelBoard& Board() override;
    std::uint16_t RepeatedButtons() override;
    void PlayCursorSound() override { PlaySound(Settings.CursorSound); }
    int CurrentScene() override;

    // IVezTitleGame
    IVezWindowHost& WindowHost() override { return *this; }
    TMultiInput& Input() override;
    bool& ShowLogos() override;
    bool ShowTitle() override;
    std::array<std::string, 3> TitleCommands() override { return Settings.Commands; }
    std::string TitlePictureName() override { return Settings.TitlePicture; }
    std::string GameOverPictureName() override { return Settings.GameOverPicture; }
    std::optional<std::string> FindPicture(const std::string& name,
                                           const std::string& folder) override;
    bool AnySaveExists() override;
    void PlayTitleMusic() override;
    void FadeOutMusic(int ms) override;
    void StopMusic() override;
    void PlayDecisionSound() override { PlaySound(Settings.DecisionSound); }
    void PlayBuzzerSound() override { PlaySound(Settings.BuzzerSound); }
    void ResetTiming() override;
    void SetScene(int scene) override;
    void StartNewGame() override;
    void OpenLoadScene() override;
    [[noreturn]] void CloseMainForm() override;
    [[noreturn]] void RequestReset() override;

private:
    void PlaySound(const std::string& name);

    TGameMain& Game;
    std::unique_ptr<TGlyphFont> Font;
    std::unique_ptr<TVezSystemGraphic> System;
};

// Puts the title (6) and game-over (7) scenes into the game's scene slots.
void InstallTitleScenes(TGameMain& game, TVezTitleSettings settings);

} // namespace kestra

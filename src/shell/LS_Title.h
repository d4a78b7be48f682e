#pragma once
// The title scene: on the first entry of a normal run three logos, then the
// game's title picture with its music and the new game / continue / quit window.
#include "graphics/KandelSheet.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace kestra {

class TMultiInput;

// What the title and game-over scenes need of the running game.
class IVezTitleGame {
public:
    virtual ~IVezTitleGame() = default;
    virtual IVezWindowHost& WindowHost() = 0;
    virtual TMultiInput& Input() = 0;
    // The logos are shown once per run: the scene clears this after them.
    virtual bool& ShowLogos() = 0;
    // False with "HideTitle": no title picture, no title music, the window higher.
    virtual bool ShowTitle() = 0;
    // The vocabulary's new game, continue and quit words.
    virtual std::array<std::string, 3> TitleCommands() = 0;
    virtual std::string TitlePictureName() = 0;
    virtual std::string GameOverPictureName() = 0;
    // A picture of a folder ("Title", "GameOver"), or nullopt when there is none.
    virtual std::optional<std::string> FindPicture(const std::string& name,
                                                   const std::string& folder) = 0;
    // Some save slot holds a game (false while there is no load scene).
    virtual bool AnySaveExists() = 0;
    virtual void PlayTitleMusic() = 0;
    virtual void FadeOutMusic(int ms) = 0;
    virtual void StopMusic() = 0;
    virtual void PlayDecisionSound() = 0;
    virtual void PlayBuzzerSound() = 0;
    virtual void ResetTiming() = 0;
    virtual void SetScene(int scene) = 0;
    // Sets up the game state for a new game.
    virtual void StartNewGame() = 0;
    // Switches to the save file scene in load mode.
    virtual void OpenLoadScene() = 0;
    // Ends the program with status 0; raises the abort exception and does not return.
    [[noreturn]] virtual void CloseMainForm() = 0;
    // Starts the game over from the title; raises the reset exception.
    [[noreturn]] virtual void RequestReset() = 0;
};

class TVezTitleScene : public TVezScene {
public:
    TVezTitleScene(TSceneHost& host, IVezTitleGame& game);
    void Reset() override;
    void Draw() override;
    // Once per frame while the scene number is the title.
    void Update() override;

    bool Started() const { return started_; }
    bool FirstEntry() const { return firstEntry_; }
    bool SaveExists() const { return saveExists_; }
    TVezWindow& Window() { return *window_; }
    TKandelSheet& Picture() { return sheet_; }

private:
    void SetUp();
    void ShowLogo(int number);
    void HideTitle();

    IVezTitleGame& Game;
    TKandelSheet sheet_;
    std::unique_ptr<TVezWindow> window_;
    bool started_ = false;
    bool firstEntry_ = true;
    bool saveExists_ = false;
};

} // namespace kestra

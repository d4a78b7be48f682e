#pragma once
// The title scene: on the first entry of a normal run three logos, then the
// game's title picture with its music and the new game / continue / quit window.
// Pictures, music, sounds and words come from the game's database; New Game starts
// the game's new game, Continue opens the save scene in load mode, Quit ends the
// program. An empty picture name shows a black picture.
#include "graphics/KandelSheet.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace kestra {

class TMultiInput;

class TGameMain;

// The title window's words when the vocabulary has none.
inline constexpr std::array<const char*, 3> KDefaultTitleCommands{"New Game", "Continue", "Quit"};

class TVezTitleScene : public TVezScene {
public:
    // The game must outlive the scene.
    explicit TVezTitleScene(TGameMain& game);
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
    // The vocabulary's new game, continue and quit words.
    std::array<std::string, 3> Commands() const;
    // The system state's title music (a request: one already playing goes on).
    void PlayTitleMusic();
    // One of the system state's sounds (0-based, KSoundDecide ...) with its volume,
    // tempo and balance.
    void PlaySound(int which);

    TGameMain& Game;
    TKandelSheet sheet_;
    std::unique_ptr<TVezWindow> window_;
    bool started_ = false;
    bool firstEntry_ = true;
    bool saveExists_ = false;
};

} // namespace kestra

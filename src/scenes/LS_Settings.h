#pragma once
// The settings screen, opened by the Settings key (F1) from the frame loop: a list of
// the player's settings drawn with the game's windows over the picture of the moment
// the game stopped. The game waits (no scene runs) until the player leaves with
// Cancel, the Settings key or "Back"; then it goes on where it was.
//
// Left and right (or Decide) change the screen, window size, scaling and volumes;
// Decide on a key line waits for the key to bind (the Settings key keeps the old one).
// Every change acts at once and is written to the settings file.
#include "graphics/KandelBoard.h"
#include "scenes/GameWindows.h"
#include "shell/Settings.h"

#include <string>

namespace kestra {

class TGameMain;

// The lines of the list.
enum TSettingsLine : int {
    KLineScreen,
    KLineScale,
    KLineScaling,
    KLineMusicVolume,
    KLineSoundVolume,
    KLineFirstButton,
    KLineFirstHotKey = KLineFirstButton + KBindableButtons,
    KLineDefaultKeys = KLineFirstHotKey + KHotKeyCount,
    KLineBack,
    KSettingsLineCount
};

// Volume steps of left and right.
inline constexpr int KVolumeStep = 10;

class TVezSettingsList : public TVezWindow {
public:
    TVezSettingsList(TGameMain& game, const TSettings& settings)
        : TVezWindow(game), Settings(settings) {}
    void DrawItem(int x, int y, int index) override;
    // The text of a line's value.
    std::string ValueText(int line) const;

private:
    const TSettings& Settings;
};

class TVezSettingsScreen {
public:
    // The game must outlive the screen.
    explicit TVezSettingsScreen(TGameMain& game);

    // Shows the screen until the player leaves it, then restores the board.
    void Run();
    // One frame of the screen's input (Run's loop; tests drive it frame by frame).
    void Update();
    void Draw();
    bool Open() const { return open_; }
    // The line waiting for a key, or -1.
    int Waiting() const { return waiting_; }
    const TVezSettingsList& List() const { return list_; }

    // Binds `key` to a line of the list (a button or a hot key); false, with the reason
    // in the title line, when it cannot be (a function key for a button, or a button
    // that would have no key left).
    bool Bind(int line, TBoundKey key);

private:
    void Enter();
    void Leave();
    void Change(int line, int step);
    void Commit();
    void SetTitle(const std::string& text);
    void PlaySound(int which);
    TBoundKey KeyPressed() const;
    std::string MainTitle() const;
    std::string SettingsKeyName() const;

    TGameMain& Game;
    TSettings edited_;
    TVezHelpWindow title_;
    TVezSettingsList list_;
    TKandelBoard backdrop_;
    int brightness_ = 100;
    bool open_ = false;
    int waiting_ = -1;
};

} // namespace kestra

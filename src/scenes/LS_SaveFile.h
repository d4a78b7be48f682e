#pragma once
// The save and load scene: the fifteen save slots as a scrolling column of panels
// under a title line. In save mode the chosen slot receives the running game; in load
// mode a used slot replaces it. A save or load that fails leaves everything as it was,
// sounds the buzzer, reports the file and the problem and stays on the list.
//
// Entering: OpenForSave(return scene) or OpenForLoad() on the game's scene.
// Leaving: the scene sets the scene byte itself: after a save or a cancel in save mode
// back to the scene it was opened from (the menu with its cursor on Save), after a
// load to the field, after a cancel in load mode to the title.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/SaveData.h"
#include "graphics/KandelSheet.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

namespace kestra {

class TMultiInput;

inline constexpr int KSaveFilePanels = 15;
// Vocabulary terms of the scene.
inline constexpr int KTermSaveWhere = 0x92, KTermLoadWhere = 0x93, KTermFile = 0x94;
inline constexpr int KTermLevelShort = 0x80, KTermHpShort = 0x81;
// The program's own words for a slot whose file cannot be read, and the question
// before a save replaces it.
inline constexpr const char* KDamagedSlotText = "Damaged file: it cannot be read";
inline constexpr const char* KReplaceDamagedText =
    "Replace the damaged file? Decide: yes, Cancel: no";

class TGameMain;

// One slot's panel (320 x 64): its label, and for a used slot the leader's name,
// level and HP and up to four faces; a damaged slot (a file that holds no readable
// save) says so under its label.
class TVezSaveFileWindow : public TVezWindow {
public:
    explicit TVezSaveFileWindow(TGameMain& game);
    // Reads the slot's header and draws the panel's contents.
    void Load(int slot, bool loadMode);
    void Refresh() override;
    void DrawItem(int x, int y, int index) override;
    void Draw() override;

    bool Used() const { return Time > 0; }

    int Slot = 0;
    double Time = 0.0;
    bool Damaged = false;
    std::string Problem; // why the file cannot be read, naming it
    bool LoadMode = false;
    std::optional<TLcfgSaveHeader> Header;
    std::array<TKandelSheet, 4> Faces;
};

class TVezSaveFileScene : public TVezScene {
public:
    // The game must outlive the scene.
    explicit TVezSaveFileScene(TGameMain& game);

    // Runs the scene from the next frame in save mode; a save or a cancel goes back to
    // `returnScene` (the menu, or the field for a save point).
    void OpenForSave(std::uint8_t returnScene);
    // Runs the scene from the next frame in load mode (Continue on the title).
    void OpenForLoad();

    void Reset() override;
    void Update() override;
    void Draw() override;

    bool SaveMode = true;
    std::uint8_t ReturnScene = 0; // in save mode
    bool Shown = false;
    int Current = 1; // selected slot, 1..15
    int Top = 1;     // first slot shown, 1..13
    int Scroll = 0;  // pixels of a scroll in progress, moving 8 a frame toward 0
    int Frames = 0;
    // The damaged slot whose replacement the title line asks about (0: none).
    int ConfirmSlot = 0;

    TVezHelpWindow& TitleLine() { return *titleLine_; }
    TVezSaveFileWindow& Panel(int slot) { return *panels_[static_cast<std::size_t>(slot - 1)]; }

private:
    void Enter();
    void Close();
    void Select(int slot);
    // Back from the question about a damaged slot to the title line's own text.
    void DropConfirmation();
    void Decide();
    void Cancel();
    // Back to the scene save mode was opened from.
    void ReturnFromSave();
    void PlaySystemSound(int which);

    TGameMain& Game;
    std::unique_ptr<TVezHelpWindow> titleLine_;
    std::array<std::unique_ptr<TVezSaveFileWindow>, KSaveFilePanels> panels_;
};

// The slot a load list starts on: the used slot with the latest time stamp (the lowest
// such slot on ties), slot 1 when none is used. `times` holds slots 1..n in order.
int LatestSlot(const std::array<double, KSaveFilePanels>& times);

} // namespace kestra

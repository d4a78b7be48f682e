#pragma once
// The save and load scene: the fifteen save slots as a scrolling column of panels
// under a title line. In save mode the chosen slot receives the running game; in load
// mode a used slot replaces it. A save or load that fails leaves everything as it was,
// sounds the buzzer, reports the file and the problem and stays on the list.
//
// Entering: call Request(mode, fromMenu) on the scene in the save-file slot, then set
// the scene byte to KSceneSaveFile (shell/GameSaveLink's OpenSaveFileScene does both).
// Leaving: the scene sets the scene byte itself: back to the menu (save mode requested
// from the menu), the field (save mode otherwise, or after a load) or the title (load
// mode cancelled).
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

// What the scene needs of the running game.
class IVezSaveFileGame {
public:
    virtual ~IVezSaveFileGame() = default;
    virtual IVezWindowHost& WindowHost() = 0;
    virtual TMultiInput& Input() = 0;
    // Brings the windows' skin up to the game state's system graphic.
    virtual void RefreshSkin() {}
    virtual std::string Term(int chunk) = 0;
    // The header of slot 1..15, nullopt for an empty or unreadable slot.
    virtual std::optional<TLcfgSaveHeader> SlotHeader(int slot) = 0;
    // The file of a face picture, or nullopt.
    virtual std::optional<std::string> FindFace(const std::string& name) = 0;
    // The slot the game was last saved to (0 before the first save).
    virtual std::int32_t LastSaveSlot() = 0;
    virtual void PlayCursorSound() = 0;
    virtual void PlayDecisionSound() = 0;
    virtual void PlayCancelSound() = 0;
    virtual void PlayBuzzerSound() = 0;
    virtual void FadeOutMusic(int ms) = 0;
    virtual void StopMusic() = 0;
    // Writes the running game into the slot; raises EKestraError and changes nothing
    // when that fails.
    virtual void SaveGame(int slot) = 0;
    // Replaces the running game with the slot's; raises EKestraError and changes
    // nothing when the file cannot be read or the game it holds cannot be entered.
    virtual void LoadGame(int slot) = 0;
    // After a load, with the scene byte on the field: the field is set up on the saved
    // map and place, the saved music plays and the field fades in.
    virtual void EnterLoadedGame() = 0;
    virtual void ReportError(const std::string& message) = 0;
    virtual void SetScene(int scene) = 0;
};

// One slot's panel (320 x 64): its label, and for a used slot the leader's name,
// level and HP and up to four faces.
class TVezSaveFileWindow : public TVezWindow {
public:
    TVezSaveFileWindow(IVezWindowHost& host, IVezSaveFileGame& game);
    // Reads the slot's header and draws the panel's contents.
    void Load(int slot, bool loadMode);
    void Refresh() override;
    void DrawItem(int x, int y, int index) override;
    void Draw() override;

    bool Used() const { return Time > 0; }

    int Slot = 0;
    double Time = 0.0;
    bool LoadMode = false;
    std::optional<TLcfgSaveHeader> Header;
    std::array<TKandelSheet, 4> Faces;

private:
    IVezSaveFileGame& Game;
};

class TVezSaveFileScene : public TVezScene {
public:
    TVezSaveFileScene(TSceneHost& host, IVezSaveFileGame& game);

    // Sets up the next entry: save mode (from the menu or not) or load mode.
    void Request(bool saveMode, bool fromMenu);

    void Reset() override;
    void Update() override;
    void Draw() override;

    bool SaveMode = true;
    bool FromMenu = false;
    bool Shown = false;
    int Current = 1; // selected slot, 1..15
    int Top = 1;     // first slot shown, 1..13
    int Scroll = 0;  // pixels of a scroll in progress, moving 8 a frame toward 0
    int Frames = 0;

    TVezHelpWindow& TitleLine() { return *titleLine_; }
    TVezSaveFileWindow& Panel(int slot) { return *panels_[static_cast<std::size_t>(slot - 1)]; }

private:
    void Enter();
    void Close();
    void Select(int slot);
    void Decide();
    void Cancel();

    IVezSaveFileGame& Game;
    std::unique_ptr<TVezHelpWindow> titleLine_;
    std::array<std::unique_ptr<TVezSaveFileWindow>, KSaveFilePanels> panels_;
};

// The slot a load list starts on: the used slot with the latest time stamp (the lowest
// such slot on ties), slot 1 when none is used. `times` holds slots 1..n in order.
int LatestSlot(const std::array<double, KSaveFilePanels>& times);

} // namespace kestra

#pragma once
// The debug scene of test play: the game's switches and variables in pages of a
// hundred IDs, ten groups of ten to a page. The author picks a group on the left, an
// entry on the right, flips a switch or types a variable's new value digit by digit.
// Which list, page, group and entry were shown is kept for the whole run, so the scene
// opens again where it was left.
//
// Entering: the scene byte set to the debug scene (F9 held in test play on the field,
// or in a battle's nested loop). Leaving: Cancel on the group list goes back to the
// battle while its troop is on the screen, to the field otherwise.
#include <cstdint>
#include <string>

#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;

// The two lists of the scene.
enum TDebugMode : int { KDebugSwitches = 0, KDebugVariables = 1 };
// IDs in a group and groups in a page.
inline constexpr int KDebugGroupSize = 10;
inline constexpr int KDebugGroupsPerPage = 10;
// The largest magnitude the value window can enter.
inline constexpr std::int32_t KDebugValueLimit = 999999;

// The groups of the current page: "S [ 0001-0010 ]" (switches) or "V [ ... ]".
class TVezDebugLeftWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void DrawItem(int x, int y, int index) override;

    int Mode = KDebugSwitches;
    int Page = 0;
};

// The ten entries of the current block: ID and name, then the switch's state or the
// variable's value. IDs the database does not have stay empty.
class TVezDebugRightWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void DrawItem(int x, int y, int index) override;
    // The ID shown in row `index`.
    std::int32_t IdAt(int index) const { return Block * KDebugGroupSize + index + 1; }

    int Mode = KDebugSwitches;
    int Block = 0;
};

// The value being typed: a sign and six digits in seven columns; left and right choose
// a column, up and down change it.
class TVezDebugValueWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    // Shows the window over the entries with `value` (clamped to +-999999), the cursor
    // on the last digit.
    void Open(std::int32_t value);
    void Refresh() override;
    void Update() override;

    // The value the seven characters spell.
    std::int32_t Value() const;
    // The sign and the six digits.
    const std::string& Characters() const { return Text; }

private:
    std::string Text = "+000000";
};

class TVezDebugScene : public TVezScene {
public:
    // The game must outlive the scene.
    explicit TVezDebugScene(TGameMain& game);

    // Hides the windows; the place in the lists is kept.
    void Reset() override;
    void Update() override;
    void Draw() override;

    // Kept for the whole run.
    int Mode = KDebugSwitches;
    int SwitchBlock = 0;
    int VariableBlock = 0;
    int RightCursor = 0;
    // The windows are set up since the scene was entered.
    bool Shown = false;

    // The current block of the current list.
    int& Block() { return Mode == KDebugSwitches ? SwitchBlock : VariableBlock; }
    // The last page of a list: (highest ID - 1) div 100, 0 for an empty list.
    int LastPage(int mode) const;

    TVezDebugLeftWindow Groups;
    TVezDebugRightWindow Entries;
    TVezDebugValueWindow ValueBox;

private:
    enum TFocus : int { KFocusGroups, KFocusEntries, KFocusValue };

    void Enter();
    // Sets both lists up for the current mode and block.
    void SetupLists();
    void UpdateGroups();
    void UpdateEntries();
    void UpdateValue();
    void Leave();
    // Whether the database has switch or variable `id` of the current list.
    bool Exists(std::int32_t id) const;
    void PlaySystemSound(int which);

    TGameMain& Game;
    TLcfgGameState& State;
    int Focus = KFocusGroups;
};

} // namespace kestra

#include "scenes/LS_Debug.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

// Windows of the scene.
constexpr int KListTop = 32, KListHeight = 176;
constexpr int KGroupsWidth = 96;
constexpr int KEntriesLeft = 96, KEntriesWidth = 224;
constexpr int KValueLeft = 120, KValueTop = 104, KValueWidth = 94, KValueHeight = 32;
constexpr int KValueColumns = 7, KValueColumnWidth = 12;

std::string Formatted(const char* pattern, long a, long b = 0) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, a, b);
    return buffer;
}

// The highest ID of a name list (its items are kept in ID order).
template <typename TList>
std::int32_t HighestId(const TList& list) {
    return list.Count() == 0 ? 0 : list.At(list.Count() - 1).Id;
}

} // namespace

// ---- the group list

void TVezDebugLeftWindow::DrawItem(int x, int y, int index) {
    const long first = static_cast<long>(Page) * KDebugGroupSize * KDebugGroupsPerPage +
                       static_cast<long>(index) * KDebugGroupSize + 1;
    const char* pattern =
        Mode == KDebugSwitches ? "S\001[\001%.4ld-%.4ld\001]" : "V\001[\001%.4ld-%.4ld\001]";
    DrawText(x, y, false, 0, Formatted(pattern, first, first + KDebugGroupSize - 1));
}

// ---- the entries

void TVezDebugRightWindow::DrawItem(int x, int y, int index) {
    const TLcfgGameState& state = Game.State();
    const TVezDataBase& db = state.DataBase();
    const std::int32_t id = IdAt(index);
    if (Mode == KDebugSwitches) {
        const auto* entry = db.Switches.Find(id);
        if (entry == nullptr) return;
        DrawText(x, y, false, 0, Formatted("%.4ld:", id) + entry->Name);
        DrawText(x + 172, y, false, 0, state.System.Switch(id) ? "[ ON ]" : "[\001OFF\001]");
    } else {
        const auto* entry = db.Variables.Find(id);
        if (entry == nullptr) return;
        DrawText(x, y, false, 0, Formatted("%.4ld:", id) + entry->Name);
        DrawText(x + 160, y, false, 0, Formatted("%8ld", state.System.Variable(id)));
    }
}

// ---- the value window

void TVezDebugValueWindow::Open(std::int32_t value) {
    const std::int32_t v = std::clamp(value, -KDebugValueLimit, KDebugValueLimit);
    Text = Formatted(v < 0 ? "-%.6ld" : "+%.6ld", std::labs(v));
    Columns = KValueColumns;
    Setup(KValueLeft, KValueTop, KValueWidth, KValueHeight, false);
    ColumnWidth = KValueColumnWidth;
    ItemWidth = 6;
    ItemCount = KValueColumns;
    Refresh();
    SetCursorIndex(KValueColumns - 1);
    SetCursorActive(true);
}

void TVezDebugValueWindow::Refresh() {
    TVezWindow::Refresh();
    for (int i = 0; i < KValueColumns && i < static_cast<int>(Text.size()); ++i) {
        const TRect cell = ContentRect(i);
        DrawText(cell.Left + 4, cell.Top, false, 0, Text.substr(static_cast<std::size_t>(i), 1));
        DrawCell(i, i == CursorIndex);
    }
}

void TVezDebugValueWindow::Update() {
    TVezWindow::Update();
    if (!IsOpen() || !CursorActive) return;
    const std::uint16_t keys = Game.Input->Repeated;
    const bool up = (keys & KButtonUp) != 0, down = (keys & KButtonDown) != 0;
    if (!up && !down) return;
    const auto i = static_cast<std::size_t>(std::clamp(CursorIndex, 0, KValueColumns - 1));
    if (i == 0) {
        Text[0] = Text[0] == '+' ? '-' : '+';
    } else {
        const int digit = Text[i] - '0';
        Text[i] = static_cast<char>('0' + (up ? (digit + 1) % 10 : (digit + 9) % 10));
    }
    Game.System().PlaySystemSound(KSoundCursor);
    Refresh();
}

std::int32_t TVezDebugValueWindow::Value() const {
    std::int32_t magnitude = 0;
    for (std::size_t i = 1; i < Text.size(); ++i) magnitude = magnitude * 10 + (Text[i] - '0');
    return Text[0] == '-' ? -magnitude : magnitude;
}

// ---- the scene

TVezDebugScene::TVezDebugScene(TGameMain& game)
    : TVezScene(game), Groups(game), Entries(game), ValueBox(game), Game(game),
      State(game.State()) {}

void TVezDebugScene::Reset() {
    TVezScene::Reset();
    Groups.Hide();
    Entries.Hide();
    ValueBox.Hide();
    Shown = false;
    Focus = KFocusGroups;
}

int TVezDebugScene::LastPage(int mode) const {
    const TVezDataBase& db = State.DataBase();
    const std::int32_t n =
        mode == KDebugSwitches ? HighestId(db.Switches) : HighestId(db.Variables);
    return n <= 0 ? 0 : (n - 1) / (KDebugGroupSize * KDebugGroupsPerPage);
}

bool TVezDebugScene::Exists(std::int32_t id) const {
    const TVezDataBase& db = State.DataBase();
    return Mode == KDebugSwitches ? db.Switches.Find(id) != nullptr
                                  : db.Variables.Find(id) != nullptr;
}

void TVezDebugScene::PlaySystemSound(int which) {
    State.System.PlaySystemSound(which);
}

void TVezDebugScene::SetupLists() {
    const int block = Block();
    Groups.Mode = Mode;
    Groups.Page = block / KDebugGroupsPerPage;
    Groups.Setup(0, KListTop, KGroupsWidth, KListHeight, false);
    Groups.ItemCount = KDebugGroupsPerPage;
    Groups.Refresh();
    Groups.SetCursorIndex(block % KDebugGroupsPerPage);
    Entries.Mode = Mode;
    Entries.Block = block;
    const int cursor = Entries.IsPresent() ? Entries.CursorIndex : RightCursor;
    Entries.Setup(KEntriesLeft, KListTop, KEntriesWidth, KListHeight, false);
    Entries.ItemCount = KDebugGroupSize;
    Entries.Refresh();
    Entries.SetCursorIndex(cursor);
}

void TVezDebugScene::Enter() {
    // A block from another game's larger lists is brought onto this game's last page.
    for (int mode : {KDebugSwitches, KDebugVariables}) {
        int& block = mode == KDebugSwitches ? SwitchBlock : VariableBlock;
        block =
            std::clamp(block, 0, LastPage(mode) * KDebugGroupsPerPage + KDebugGroupsPerPage - 1);
    }
    RightCursor = std::clamp(RightCursor, 0, KDebugGroupSize - 1);
    ValueBox.Hide();
    Entries.Hide();
    SetupLists();
    Groups.SetCursorActive(true);
    Focus = KFocusGroups;
    Shown = true;
}

void TVezDebugScene::Update() {
    if (!Shown) Enter();
    Groups.Update();
    Entries.Update();
    ValueBox.Update();
    switch (Focus) {
    case KFocusGroups:
        UpdateGroups();
        break;
    case KFocusEntries:
        UpdateEntries();
        break;
    default:
        UpdateValue();
        break;
    }
}

void TVezDebugScene::UpdateGroups() {
    const TMultiInput& input = *Game.Input;
    int& block = Block();
    const int row = Groups.CursorIndex;
    if (row != block % KDebugGroupsPerPage) {
        block = block / KDebugGroupsPerPage * KDebugGroupsPerPage + row;
        Entries.Block = block;
        Entries.Refresh();
        Entries.DrawCell(Entries.CursorIndex, false);
    }
    if (input.Repeated & (KButtonRight | KButtonLeft)) {
        PlaySystemSound(KSoundCursor);
        const int page = block / KDebugGroupsPerPage;
        const int other = Mode == KDebugSwitches ? KDebugVariables : KDebugSwitches;
        if (input.Repeated & KButtonRight) {
            if (page < LastPage(Mode)) {
                block += KDebugGroupsPerPage;
            } else {
                Mode = other;
                Block() = row;
            }
        } else {
            if (page > 0) {
                block -= KDebugGroupsPerPage;
            } else {
                Mode = other;
                Block() = LastPage(other) * KDebugGroupsPerPage + row;
            }
        }
        SetupLists();
        Groups.SetCursorActive(true);
        return;
    }
    if (input.Pressed & KButtonDecide) {
        PlaySystemSound(KSoundDecide);
        Groups.SetCursorActive(false);
        Entries.SetCursorActive(true);
        Focus = KFocusEntries;
        return;
    }
    if (input.Pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        Leave();
    }
}

void TVezDebugScene::UpdateEntries() {
    const TMultiInput& input = *Game.Input;
    if (input.Pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        Entries.SetCursorVisible(false);
        Groups.SetCursorActive(true);
        Focus = KFocusGroups;
        return;
    }
    if (!(input.Pressed & KButtonDecide)) return;
    const std::int32_t id = Entries.IdAt(Entries.CursorIndex);
    if (!Exists(id)) return;
    PlaySystemSound(KSoundDecide);
    if (Mode == KDebugSwitches) {
        State.System.SetSwitch(id, !State.System.Switch(id));
        Entries.Refresh();
        Entries.DrawCell(Entries.CursorIndex, true);
        return;
    }
    Entries.SetCursorActive(false);
    ValueBox.Open(State.System.Variable(id));
    Focus = KFocusValue;
}

void TVezDebugScene::UpdateValue() {
    const TMultiInput& input = *Game.Input;
    if (input.Pressed & KButtonDecide) {
        PlaySystemSound(KSoundDecide);
        ValueBox.Hide();
        State.System.SetVariable(Entries.IdAt(Entries.CursorIndex), ValueBox.Value());
        Entries.Refresh();
        Entries.SetCursorActive(true);
        Focus = KFocusEntries;
        return;
    }
    if (input.Pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        ValueBox.Hide();
        Entries.SetCursorActive(true);
        Focus = KFocusEntries;
    }
}

void TVezDebugScene::Leave() {
    RightCursor = Entries.CursorIndex;
    Reset();
    State.System.Scene = Game.Battle->Troop() != nullptr ? KSceneBattle : KSceneField;
    State.Map.Events.RefreshPages();
}

void TVezDebugScene::Draw() {
    TKandelBoard& board = Host.Board();
    const TRgbQuad bg = Game.SystemGraphic().BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);
    Groups.Draw();
    Entries.Draw();
    ValueBox.Draw();
}

} // namespace kestra

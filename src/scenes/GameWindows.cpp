#include "scenes/GameWindows.h"

#include "base/CodePage.h"
#include "data/DataBase.h"
#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/LS_Base.h"
#include "state/LGD_GameState.h"

#include <algorithm>
#include <cstdio>

namespace kestra {

namespace {

std::string Format(const char* pattern, std::int32_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<int>(value));
    return buffer;
}

int FloorMod(int a, int n) {
    return ((a % n) + n) % n;
}

} // namespace

TVezWindow::TVezWindow(TGameMain& game) : Game(game) {}

TRect TVezWindow::ItemRect(int index) const {
    const int c = index % Columns, r = index / Columns;
    const int left = c * ColumnWidth + ContentLeft - 4;
    const int top = (r - TopRow) * RowHeight + ContentTop;
    return {left, top, left + ItemWidth + 8, top + ItemHeight};
}

TRect TVezWindow::ContentRect(int index) const {
    const int c = index % Columns, r = index / Columns;
    const int left = c * ColumnWidth + ContentLeft - 4;
    const int top = (r % RingRows()) * RowHeight + ContentTop;
    return {left, top, left + ItemWidth + 8, top + ItemHeight};
}

void TVezWindow::DrawItem(int, int, int) {}

void TVezWindow::Setup(int x, int y, int width, int height, bool animate) {
    X = x;
    Y = y;
    Width = std::max(width, 0);
    Height = std::max(height, 0);
    Columns = std::max(Columns, 1);
    ColumnWidth = Width / Columns;
    RowHeight = 16;
    // Windows lower than 16 pixels hold no row; the ring then has one row.
    VisibleRows = std::max(0, (Height - 16) / 16);
    ContentLeft = 8;
    ContentTop = 8;
    ItemWidth = ColumnWidth - 16;
    ItemHeight = 16;
    ItemCount = VisibleRows;
    CursorIndex = 0;
    TopRow = 0;
    ScrollOffset = 0;
    CursorVisible = false;
    CursorActive = false;
    BlinkCounter = 0;
    FrameCounter = 0;

    TVezSystemGraphic& system = Game.SystemGraphic();
    for (TKandelSheet* sheet : {&WindowImage, &BackImage, &ContentImage}) {
        sheet->Palette = system.SystemSheet().Palette;
        sheet->UpdateColors();
    }
    WindowImage.SetSize(Width, Height);
    BackImage.SetSize(Width, Height);
    ContentImage.SetSize(Width, Height + RowHeight);
    WindowImage.Transparent = false;
    BackImage.Transparent = false;
    if (Width > 0 && Height > 0) {
        WindowImage.FillArea(WindowImage.GetBounds(), 0);
        system.DrawWindow(WindowImage, 0, 0, Width, Height);
        BackImage.CopyFrom(0, 0, WindowImage.GetBounds(), WindowImage);
    }
    ContentImage.FillArea(ContentImage.GetBounds(), 0);
    ContentImage.Transparent = true;

    OpenPhase = animate ? 1 : 8;
    if (ClosePhase == 1) ClosePhase = 0;
}

void TVezWindow::SetupAndRefresh(int x, int y, int width, int height, bool animate) {
    Setup(x, y, width, height, animate);
    Refresh();
}

void TVezWindow::Refresh() {
    WindowImage.CopyFrom(0, 0, BackImage.GetBounds(), BackImage);
    ContentImage.FillArea(ContentImage.GetBounds(), 0);
    ContentImage.Transparent = true;
    for (int k = 0; k < VisibleRows * Columns; ++k) {
        const int i = TopRow * Columns + k;
        if (i < ItemCount) DrawItem(ContentRect(i).Left + 4, ContentRect(i).Top, i);
        DrawCell(i, false);
    }
}

void TVezWindow::DrawCell(int index, bool withCursor) {
    if (!IsPresent()) return;
    const TRect rect = ItemRect(index);
    WindowImage.CopyFrom(rect.Left, rect.Top, rect, BackImage);
    if (CursorVisible && withCursor) {
        const int frame = CursorActive ? (BlinkCounter / 10) % 2 : 1;
        Game.SystemGraphic().DrawCursor(WindowImage, rect, frame);
    }
    WindowImage.CopyFrom(rect.Left, rect.Top, ContentRect(index), ContentImage);
}

void TVezWindow::DrawText(int x, int y, bool copyNow, int color, std::string_view text) {
    if (!IsPresent()) return;
    Game.SystemGraphic().DrawText(ContentImage, x, y, color, text);
    if (copyNow && TopRow == 0) {
        const int length = static_cast<int>(text.size());
        WindowImage.CopyFrom(x, y + 2, TRect{x, y + 2, x + 6 * length + 1, y + 15}, ContentImage);
    }
}

void TVezWindow::MoveCursor() {
    const std::uint16_t keys = Game.Input->Repeated;
    // An empty list has nowhere to move to.
    if (ItemCount > 0) {
        if (Columns == 1) {
            const bool down = keys & 0x001, up = keys & 0x008;
            if (ItemCount > VisibleRows) {
                if (down) CursorIndex = std::min(ItemCount - 1, CursorIndex + 1);
                if (up) CursorIndex = std::max(0, CursorIndex - 1);
            } else {
                if (down) CursorIndex = (CursorIndex + 1) % ItemCount;
                if (up) CursorIndex = (CursorIndex + ItemCount - 1) % ItemCount;
            }
        } else {
            if ((keys & 0x001) &&
                (CursorIndex < ItemCount - Columns || Columns * (TopRow + VisibleRows) < ItemCount))
                CursorIndex = std::min(ItemCount - 1, CursorIndex + Columns);
            if ((keys & 0x008) && CursorIndex >= Columns)
                CursorIndex = std::max(0, CursorIndex - Columns);
            if (keys & 0x004) CursorIndex = std::min(ItemCount - 1, CursorIndex + 1);
            if (keys & 0x002) CursorIndex = std::max(0, CursorIndex - 1);
        }
    }
    CursorIndex = std::max(CursorIndex, 0);
    // A window without rows has nothing to scroll.
    if (VisibleRows <= 0) return;
    if (CursorIndex < TopRow * Columns)
        ScrollUp();
    else if (CursorIndex >= (TopRow + VisibleRows) * Columns)
        ScrollDown();
}

void TVezWindow::ScrollDown() {
    for (int k = 0; k < Columns; ++k) {
        const int i = (TopRow + VisibleRows) * Columns + k;
        ContentImage.FillArea(ContentRect(i), 0);
        if (i < ItemCount) DrawItem(ContentRect(i).Left + 4, ContentRect(i).Top, i);
    }
    TopRow += 1;
    ScrollOffset = -RowHeight;
}

void TVezWindow::ScrollUp() {
    for (int k = 0; k < Columns; ++k) {
        const int i = (TopRow - 1) * Columns + k;
        if (i < 0) continue;
        ContentImage.FillArea(ContentRect(i), 0);
        if (i < ItemCount) DrawItem(ContentRect(i).Left + 4, ContentRect(i).Top, i);
    }
    TopRow -= 1;
    ScrollOffset = RowHeight;
}

void TVezWindow::Compose() {
    WindowImage.CopyFrom(0, 0, BackImage.GetBounds(), BackImage);
    // The visible rows start inside the ring at the top row's slot, moved by the
    // scroll in progress; the ring wraps at its end.
    const int ringHeight = RingRows() * RowHeight;
    const int start = ScrollOffset + (TopRow % RingRows()) * RowHeight;
    const int rows = VisibleRows * RowHeight;
    int y = 0;
    while (y < rows) {
        const int from = FloorMod(start + y, ringHeight);
        const int band = std::min(rows - y, ringHeight - from);
        WindowImage.CopyFrom(0, ContentTop + y,
                             TRect{0, ContentTop + from, Width, ContentTop + from + band},
                             ContentImage);
        y += band;
    }
}

void TVezWindow::Update() {
    FrameCounter += 1;
    if (ClosePhase >= 1 && ClosePhase <= 8)
        ClosePhase += 1;
    else if (OpenPhase >= 1 && OpenPhase <= 7)
        OpenPhase += 1;
    if (ClosePhase == 8) {
        if (OpenPhase == 0) Hide();
        ClosePhase = 0;
    }
    if (!IsOpen() || !CursorVisible) return;
    if (ScrollOffset == 0) {
        if (CursorActive) {
            const int old = CursorIndex;
            MoveCursor();
            if (CursorIndex != old) {
                Game.System().PlaySystemSound(KSoundCursor);
                DrawCell(old, false);
                BlinkCounter = 0;
            }
        }
        if (BlinkCounter % 10 == 0) DrawCell(CursorIndex, true);
        BlinkCounter += 1;
    } else {
        ScrollOffset =
            ScrollOffset > 0 ? std::max(ScrollOffset - 4, 0) : std::min(ScrollOffset + 4, 0);
        if (ScrollOffset == 0) {
            Compose();
            BlinkCounter = 0;
            DrawCell(CursorIndex, false);
        }
    }
}

void TVezWindow::Draw() {
    if (!IsPresent()) return;
    if (ScrollOffset != 0) Compose();
    double f;
    if (ClosePhase >= 1 && ClosePhase <= 7)
        f = ClosePhase / 7.0 / 2.0;
    else if (OpenPhase >= 1 && OpenPhase <= 8)
        f = (1.0 - (OpenPhase - 1) / 7.0) / 2.0;
    else
        f = 0.5;
    const int c = static_cast<int>(Height * f);
    TKandelBoard& board = Game.Board();
    board.StretchSheet(RectOfSize(X, Y + c, Width, Height - 2 * c), WindowImage,
                       WindowImage.GetBounds());
    if ((FrameCounter / 20) % 2 == 0) {
        TVezSystemGraphic& system = Game.SystemGraphic();
        if (TopRow > 0) system.DrawUpArrow(board, X + Width / 2 - 8, Y);
        if ((TopRow + VisibleRows) * Columns < ItemCount)
            system.DrawDownArrow(board, X + Width / 2 - 8, Y + Height - 8);
    }
}

void TVezWindow::Close() {
    if (!IsPresent()) return;
    Refresh();
    SetCursorVisible(false);
    OpenPhase = 0;
    ClosePhase = 1;
}

void TVezWindow::Hide() {
    SetCursorVisible(false);
    OpenPhase = 0;
    ClosePhase = 0;
    WindowImage.SetSize(0, 0);
    BackImage.SetSize(0, 0);
    ContentImage.SetSize(0, 0);
}

void TVezWindow::SetCursorIndex(int index) {
    DrawCell(CursorIndex, false);
    CursorIndex = std::max(0, std::min(index, ItemCount - 1));
    if (VisibleRows <= 0) return;
    if (CursorIndex < TopRow * Columns)
        SetTopRow(CursorIndex / Columns);
    else if (CursorIndex >= (TopRow + VisibleRows) * Columns)
        SetTopRow(CursorIndex / Columns - VisibleRows + 1);
}

void TVezWindow::SetTopRow(int row) {
    TopRow = std::max(row, 0);
    Refresh();
}

void TVezWindow::SetCursorVisible(bool flag) {
    CursorVisible = flag;
    if (!flag) CursorActive = false;
    BlinkCounter = 0;
    DrawCell(CursorIndex, true);
}

void TVezWindow::SetCursorActive(bool flag) {
    CursorActive = flag;
    if (flag) CursorVisible = true;
    BlinkCounter = 0;
    DrawCell(CursorIndex, true);
}

// --- money box

void TVezGoldWindow::Refresh() {
    TVezWindow::Refresh();
    if (!IsOpen()) return;
    const TLcfgGameState& state = Game.State();
    const std::string& currency = state.DataBase().Vocabulary.Term(0x5F);
    const int length = static_cast<int>(currency.size());
    DrawText(Width - 6 * length - 44, 8, true, 0, Format("%6d", state.PartyInfo.Gold));
    DrawText(Width - 6 * length - 8, 8, true, 1, currency);
}

void TVezGoldWindow::Update() {
    const bool wasOpen = IsOpen();
    TVezWindow::Update();
    if (IsOpen() != wasOpen) Refresh();
}

// --- help line

void TVezHelpWindow::SetText(std::string_view text) {
    std::string half(text);
    for (std::size_t p = 0; p < half.size();) {
        const std::size_t n = Game.CodePage.CharLength(half, p);
        if (n == 1 && half[p] == ' ') half[p] = '\x01';
        p += n;
    }
    if (half == Text_) return;
    Text_ = std::move(half);
    Refresh();
}

void TVezHelpWindow::Refresh() {
    TVezWindow::Refresh();
    DrawText(8, 8, true, 0, Text_);
}

void TVezHelpWindow::Hide() {
    Text_.clear();
    TVezWindow::Hide();
}

// --- inventory list

TVezItemWindow::TVezItemWindow(TGameMain& game) : TVezWindow(game), Help(game) {}

void TVezItemWindow::SetupForActor(std::int32_t actorId) {
    ActorId = actorId;
    Columns = 2;
    Help.SetupAndRefresh(0, 0, 320, 32, false);
    if (Game.System().Scene == KSceneMenu)
        Setup(0, 32, 320, 208, false);
    else
        Setup(0, 160, 320, 80, false);
    ItemCount = Game.State().PartyInfo.ItemCount();
    SetCursorActive(true);
    Refresh();
    UpdateHelp();
}

std::int32_t TVezItemWindow::SelectedItem() {
    const TLcfgPartyInfo& party = Game.State().PartyInfo;
    if (CursorIndex < 0 || CursorIndex >= party.ItemCount()) return 0;
    return party.ItemIdAt(CursorIndex);
}

void TVezItemWindow::DrawItem(int x, int y, int index) {
    const TLcfgGameState& state = Game.State();
    const std::int32_t itemId = state.PartyInfo.ItemIdAt(index);
    bool usable = false;
    if (ActorId <= 0) {
        usable = state.PartyInfo.UsableNow(itemId);
    } else if (const TLcfgPlayerItem* actor = state.Actors.Find(ActorId)) {
        usable = actor->CanUseItem(itemId);
    }
    const int color = usable ? 0 : 3;
    const auto* item = state.DataBase().Items.Find(itemId);
    DrawText(x, y, false, color, item ? item->Name : std::string());
    DrawText(x + 120, y, false, color, Format(": %2d", state.PartyInfo.ItemAmountAt(index)));
}

void TVezItemWindow::UpdateHelp() {
    const std::int32_t itemId = CursorIndex < ItemCount ? SelectedItem() : 0;
    const auto* item = itemId > 0 ? Game.State().DataBase().Items.Find(itemId) : nullptr;
    Help.SetText(item ? item->Description : std::string());
}

void TVezItemWindow::Update() {
    TVezWindow::Update();
    if (IsOpen()) UpdateHelp();
}

void TVezItemWindow::Draw() {
    TVezWindow::Draw();
    Help.Draw();
}

void TVezItemWindow::Hide() {
    Help.Hide();
    TVezWindow::Hide();
}

// --- skill list

TVezSkillWindow::TVezSkillWindow(TGameMain& game) : TVezWindow(game), Help(game), Status(game) {}

void TVezSkillWindow::SetupForActor(std::int32_t actorId) {
    ActorId = actorId;
    const TLcfgPlayerItem* actor = Game.State().Actors.Find(actorId);
    Skills = actor ? std::vector<std::int32_t>(actor->Skills.begin(), actor->Skills.end())
                   : std::vector<std::int32_t>();
    Columns = 2;
    Help.SetupAndRefresh(0, 0, 320, 32, false);
    if (Game.System().Scene == KSceneMenu) {
        Status.Setup(0, 32, 320, 32, false);
        DrawStatus();
        Setup(0, 64, 320, 176, false);
    } else {
        Status.Hide();
        Setup(0, 160, 320, 80, false);
    }
    ItemCount = static_cast<std::int32_t>(Skills.size());
    SetCursorActive(true);
    Refresh();
    UpdateHelp();
}

void TVezSkillWindow::DrawStatus() {
    const TLcfgGameState& state = Game.State();
    const TVezVocabulary& words = state.DataBase().Vocabulary;
    const TLcfgPlayerItem* a = state.Actors.Find(ActorId);
    // An absent actor shows the labels with empty values.
    Status.DrawText(8, 8, true, 0, a ? a->GetName() : std::string());
    Status.DrawText(88, 8, true, 1, words.Term(0x80));
    Status.DrawText(100, 8, true, 0, Format("%2d", a ? a->Level : 0));
    Status.DrawText(132, 8, true, a ? a->StateColour() : 0, a ? a->StateText() : std::string());
    Status.DrawText(192, 8, true, 1, words.Term(0x81));
    Status.DrawText(204, 8, true, a ? a->HPColour() : 0, Format("%3d", a ? a->HP : 0));
    Status.DrawText(222, 8, true, 0, Format("/%3d", a ? a->MaxHP() : 0));
    Status.DrawText(258, 8, true, 1, words.Term(0x82));
    Status.DrawText(270, 8, true, a ? a->MPColour() : 0, Format("%3d", a ? a->MP : 0));
    Status.DrawText(288, 8, true, 0, Format("/%3d", a ? a->MaxMP() : 0));
}

std::int32_t TVezSkillWindow::SelectedSkill() {
    if (CursorIndex < 0 || CursorIndex >= static_cast<int>(Skills.size())) return 0;
    return Skills[static_cast<std::size_t>(CursorIndex)];
}

void TVezSkillWindow::SelectSkill(std::int32_t skillId) {
    const auto found = std::find(Skills.begin(), Skills.end(), skillId);
    if (found != Skills.end()) SetCursorIndex(static_cast<int>(found - Skills.begin()));
}

void TVezSkillWindow::DrawItem(int x, int y, int index) {
    if (index < 0 || index >= static_cast<int>(Skills.size())) return;
    const std::int32_t skill = Skills[static_cast<std::size_t>(index)];
    const TLcfgGameState& state = Game.State();
    const auto* record = state.DataBase().Skills.Find(skill);
    const TLcfgPlayerItem* actor = state.Actors.Find(ActorId);
    std::int32_t cost = record ? record->MpCost : 0;
    if (actor && actor->HalfMPCost()) cost = (cost + 1) / 2;
    const int color = actor && actor->CanUseSkill(skill) ? 0 : 3;
    DrawText(x, y, false, color, record ? record->Name : std::string());
    DrawText(x + 120, y, false, color, Format("-%3d", cost));
}

void TVezSkillWindow::UpdateHelp() {
    const std::int32_t skillId = CursorIndex < ItemCount ? SelectedSkill() : 0;
    const auto* skill = skillId > 0 ? Game.State().DataBase().Skills.Find(skillId) : nullptr;
    Help.SetText(skill ? skill->Description : std::string());
}

void TVezSkillWindow::Update() {
    TVezWindow::Update();
    if (IsOpen()) UpdateHelp();
}

void TVezSkillWindow::Draw() {
    TVezWindow::Draw();
    Help.Draw();
    Status.Draw();
}

void TVezSkillWindow::Hide() {
    Help.Hide();
    Status.Hide();
    TVezWindow::Hide();
}

} // namespace kestra

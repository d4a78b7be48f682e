#include "scenes/GameWindows.h"
#include "WindowTestHost.h"
#include "media/MultiInput.h"

#include <gtest/gtest.h>
#include <map>

using namespace kestra;
using namespace kestra::testing;

namespace {

// A list whose item i is the text "#i" (so every row has distinct pixels).
class NumberList : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void DrawItem(int x, int y, int index) override {
        DrawText(x, y, false, 0, "#" + std::to_string(index));
        ++drawn[index];
    }
    std::map<int, int> drawn;
};

bool SameSheets(const TKandelSheet& a, const TKandelSheet& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.ScanLine(y)[x] != b.ScanLine(y)[x]) return false;
    return true;
}

class WindowTest : public ::testing::Test {
protected:
    // Runs frames with the given repeat bits held.
    void Frames(TVezWindow& w, int n, std::uint16_t keys = 0) {
        host.keys = keys;
        for (int k = 0; k < n; ++k) w.Update();
        host.keys = 0;
    }
    TTestWindowHost host;
};

TEST_F(WindowTest, GeometryFollowsTheHeight) {
    TVezWindow w(host);
    for (auto [height, rows] : {std::pair{32, 1}, {80, 4}, {208, 12}, {16, 0}, {8, 0}, {0, 0}}) {
        w.Setup(0, 0, 160, height, false);
        EXPECT_EQ(w.VisibleRows, rows) << height;
        EXPECT_EQ(w.ItemCount, rows);
        EXPECT_EQ(w.ContentImage.Height(), height + 16);
    }
    w.Columns = 2;
    w.Setup(0, 0, 320, 80, false);
    EXPECT_EQ(w.ColumnWidth, 160);
    EXPECT_EQ(w.ItemWidth, 144);
    EXPECT_EQ(w.ItemRect(3), (TRect{164, 24, 316, 40}));
    w.TopRow = 6; // ring of five rows: list row 6 sits in ring row 1
    EXPECT_EQ(w.ContentRect(13).Top, 8 + 16 * 1);
    EXPECT_EQ(w.ItemRect(13).Top, 8);
}

TEST_F(WindowTest, ZeroHeightAndZeroItemsAreSafe) {
    NumberList w(host);
    w.Setup(0, 0, 100, 0, true);
    w.SetCursorActive(true);
    w.Refresh();
    Frames(w, 10, KButtonDown);
    w.Draw();
    EXPECT_EQ(w.CursorIndex, 0);
    EXPECT_EQ(w.TopRow, 0);

    for (int columns : {1, 2}) {
        w.Columns = columns;
        w.Setup(0, 0, 200, 80, false);
        w.ItemCount = 0;
        w.SetCursorActive(true);
        w.Refresh();
        for (std::uint16_t key : {KButtonDown, KButtonUp, KButtonLeft, KButtonRight}) {
            Frames(w, 3, key);
            EXPECT_EQ(w.CursorIndex, 0) << columns;
            EXPECT_EQ(w.TopRow, 0);
        }
        w.SetCursorIndex(5);
        EXPECT_EQ(w.CursorIndex, 0);
        EXPECT_TRUE(w.drawn.empty());
    }
    EXPECT_EQ(host.CursorSounds(), 0);
}

TEST_F(WindowTest, OpenAndCloseAnimation) {
    TVezWindow w(host);
    w.Setup(40, 40, 100, 64, true);
    EXPECT_TRUE(w.IsPresent());
    EXPECT_FALSE(w.IsOpen());
    // Phase 1: a line of no height; the picture grows from the middle.
    auto drawnRows = [&] {
        host.board.Clear();
        w.Draw();
        int rows = 0;
        for (int y = 0; y < KScreenHeight; ++y)
            if (host.board.ScanLine(y)[90]) ++rows;
        return rows;
    };
    EXPECT_EQ(drawnRows(), 0);
    std::vector<int> heights;
    for (int k = 0; k < 7; ++k) {
        w.Update();
        heights.push_back(drawnRows());
    }
    EXPECT_EQ(heights, (std::vector<int>{10, 20, 28, 38, 46, 56, 64}));
    EXPECT_TRUE(w.IsOpen());
    EXPECT_TRUE(w.IsOpenOpaque());

    w.Close();
    std::vector<int> closing;
    for (int k = 0; k < 7; ++k) {
        closing.push_back(drawnRows());
        w.Update();
    }
    EXPECT_EQ(closing, (std::vector<int>{56, 46, 38, 28, 20, 10, 0}));
    EXPECT_FALSE(w.IsPresent());
    w.Close(); // not present: nothing happens
    EXPECT_EQ(w.ClosePhase, 0);

    // Set up again while the close has not advanced: stays open.
    w.Setup(0, 0, 100, 64, false);
    EXPECT_TRUE(w.IsOpen());
    w.Close();
    w.Setup(0, 0, 100, 64, false);
    w.Update();
    EXPECT_TRUE(w.IsOpen());
    w.Hide();
    EXPECT_FALSE(w.IsPresent());
}

TEST_F(WindowTest, CursorBlinksBetweenItsTwoFrames) {
    NumberList w(host);
    w.Setup(0, 0, 100, 64, false);
    w.SetCursorActive(true);
    const TRect cell = w.ItemRect(0);
    auto corner = [&] { return w.WindowImage.ScanLine(cell.Top)[cell.Left]; };
    std::vector<int> frames;
    for (int k = 0; k < 40; ++k) {
        w.Update();
        frames.push_back(corner());
    }
    for (int k = 0; k < 40; ++k) {
        // The cell is redrawn every 10th frame with frame (counter div 10) mod 2.
        const int expected = (k / 10) % 2 ? KCodedCursor1 : KCodedCursor0;
        EXPECT_EQ(frames[static_cast<std::size_t>(k)], expected) << k;
    }
    // An inactive visible cursor shows frame 1 and stays.
    w.SetCursorActive(false);
    w.SetCursorVisible(true);
    EXPECT_EQ(corner(), KCodedCursor1);
    w.SetCursorVisible(false);
    EXPECT_EQ(corner(), KCodedFrame + 8); // the left edge of the frame again
}

TEST_F(WindowTest, OneColumnListsWrapOnlyWhenEverythingFits) {
    NumberList w(host);
    w.Setup(0, 0, 100, 80, false); // four rows
    w.ItemCount = 4;
    w.SetCursorActive(true);
    w.Refresh();
    Frames(w, 3, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 3);
    Frames(w, 1, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 0);
    Frames(w, 1, KButtonUp);
    EXPECT_EQ(w.CursorIndex, 3);
    EXPECT_EQ(host.CursorSounds(), 5);

    w.Setup(0, 0, 100, 80, false);
    w.ItemCount = 5;
    w.SetCursorActive(true);
    w.Refresh();
    Frames(w, 1, KButtonUp);
    EXPECT_EQ(w.CursorIndex, 0);
    Frames(w, 30, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 4);
    EXPECT_EQ(w.TopRow, 1);
}

TEST_F(WindowTest, SeveralColumnsMoveByRowsAndCells) {
    NumberList w(host);
    w.Columns = 2;
    w.Setup(0, 0, 320, 48, false); // two rows of two
    w.ItemCount = 5;
    w.SetCursorActive(true);
    w.Refresh();
    Frames(w, 1, KButtonRight);
    EXPECT_EQ(w.CursorIndex, 1);
    Frames(w, 1, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 3);
    Frames(w, 1, KButtonDown); // the last row holds only item 4
    EXPECT_EQ(w.CursorIndex, 4);
    EXPECT_EQ(w.TopRow, 1);
    Frames(w, 8);
    Frames(w, 1, KButtonRight);
    EXPECT_EQ(w.CursorIndex, 4);
    Frames(w, 1, KButtonUp);
    EXPECT_EQ(w.CursorIndex, 2);
    Frames(w, 1, KButtonLeft | KButtonDown); // down first, then left
    EXPECT_EQ(w.CursorIndex, 3);
}

TEST_F(WindowTest, ScrollingTakesFourFramesAndMatchesARedraw) {
    NumberList w(host);
    w.Setup(0, 0, 120, 80, false); // four rows, ring of five
    w.ItemCount = 12;
    w.SetCursorActive(true);
    w.Refresh();
    Frames(w, 3, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 3);
    Frames(w, 1, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 4);
    EXPECT_EQ(w.TopRow, 1);
    EXPECT_EQ(w.ScrollOffset, -16);
    // Keys are ignored while the rows move.
    Frames(w, 3, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 4);
    EXPECT_EQ(w.ScrollOffset, -4);
    Frames(w, 1);
    EXPECT_EQ(w.ScrollOffset, 0);
    // Holding down through the list: one row per four-frame scroll.
    Frames(w, 20, KButtonDown);
    EXPECT_EQ(w.CursorIndex, 8);
    EXPECT_EQ(w.TopRow, 5); // the ring has wrapped

    auto settled = [&](TVezWindow& win) {
        while (win.ScrollOffset != 0) win.Update();
        win.SetCursorVisible(false);
        return &win.WindowImage;
    };
    NumberList fresh(host);
    fresh.Setup(0, 0, 120, 80, false);
    fresh.ItemCount = 12;
    fresh.SetTopRow(w.TopRow);
    EXPECT_TRUE(SameSheets(*settled(w), *settled(fresh)));

    // Back up past the top of the view: scrolls up and matches again.
    w.SetCursorActive(true);
    Frames(w, 40, KButtonUp);
    EXPECT_EQ(w.CursorIndex, 0);
    EXPECT_EQ(w.TopRow, 0);
    fresh.SetTopRow(0);
    EXPECT_TRUE(SameSheets(*settled(w), *settled(fresh)));
    // Half-way through a scroll the picture is neither view.
    w.SetCursorActive(true);
    w.SetCursorIndex(3);
    Frames(w, 1, KButtonDown);
    w.ScrollOffset = -8;
    w.Compose();
    fresh.SetTopRow(0);
    const int probe = 8 + 8;
    bool differs = false;
    for (int x = 0; x < 120; ++x)
        if (w.WindowImage.ScanLine(probe)[x] != fresh.WindowImage.ScanLine(probe)[x])
            differs = true;
    EXPECT_TRUE(differs);
}

TEST_F(WindowTest, AScrollStartingAtTheRingsFirstRowShowsTheOldViewFirst) {
    // Top row 4 sits in the last ring row; scrolling down puts the new top row in
    // ring row 0, and the old view must come from the end of the ring.
    NumberList before(host), scrolling(host);
    for (NumberList* w : {&before, &scrolling}) {
        w->Setup(0, 0, 120, 80, false);
        w->ItemCount = 12;
        w->SetTopRow(4);
    }
    scrolling.ScrollDown();
    EXPECT_EQ(scrolling.TopRow, 5);
    EXPECT_EQ(scrolling.ScrollOffset, -16);
    scrolling.Compose();
    EXPECT_TRUE(SameSheets(scrolling.WindowImage, before.WindowImage));
}

TEST_F(WindowTest, PagingWithSetCursorIndex) {
    NumberList w(host);
    w.Setup(0, 0, 120, 80, false);
    w.ItemCount = 30;
    w.SetCursorIndex(17);
    EXPECT_EQ(w.CursorIndex, 17);
    EXPECT_EQ(w.TopRow, 14);
    w.SetCursorIndex(2);
    EXPECT_EQ(w.TopRow, 2);
    w.SetCursorIndex(99);
    EXPECT_EQ(w.CursorIndex, 29);
    EXPECT_EQ(w.TopRow, 26);
}

TEST_F(WindowTest, ArrowsBlinkAndShowOnlyWhereRowsAreHidden) {
    NumberList w(host);
    w.Setup(0, 100, 120, 80, false);
    w.ItemCount = 6;
    w.Refresh();
    const auto& colors = host.system.SystemSheet().Colors;
    const std::uint16_t upColor = colors[static_cast<std::size_t>(KCodedFrame + 5)];
    const std::uint16_t downColor = colors[static_cast<std::size_t>(KCodedFrame + 9)];
    auto arrows = [&] {
        host.board.Clear();
        w.Draw();
        return std::pair{host.board.ScanLine(100)[52] == upColor,
                         host.board.ScanLine(172)[52] == downColor};
    };
    EXPECT_EQ(arrows(), (std::pair{false, true}));
    w.SetTopRow(2);
    EXPECT_EQ(arrows(), (std::pair{true, false}));
    w.SetTopRow(1);
    EXPECT_EQ(arrows(), (std::pair{true, true}));
    Frames(w, 20);
    EXPECT_EQ(arrows(), (std::pair{false, false}));
    Frames(w, 19);
    EXPECT_EQ(arrows(), (std::pair{false, false}));
    Frames(w, 1);
    EXPECT_EQ(arrows(), (std::pair{true, true}));
}

TEST_F(WindowTest, CopyNowShowsTextAtOnce) {
    TVezWindow w(host);
    w.Setup(0, 0, 100, 32, false);
    w.DrawText(8, 8, false, 0, "Hi");
    TKandelSheet back;
    EXPECT_TRUE(SameSheets(w.WindowImage, w.BackImage));
    w.DrawText(8, 8, true, 0, "Hi");
    EXPECT_FALSE(SameSheets(w.WindowImage, w.BackImage));
}

} // namespace

#pragma once
// Framed windows: a grid of items in columns and rows that scrolls, a blinking
// cursor that follows the direction keys, and an opening and closing animation.
// A window is created once and shown again by Setup as often as needed. Windows
// draw with the game's one interface skin onto its board, follow its logical
// buttons and read the party from its game state.
#include "graphics/GR_System.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

class TGameMain;

class TVezWindow {
public:
    // The game must outlive the window.
    explicit TVezWindow(TGameMain& game);
    virtual ~TVezWindow() = default;
    TVezWindow(const TVezWindow&) = delete;
    TVezWindow& operator=(const TVezWindow&) = delete;

    std::int32_t Columns = 1;
    TKandelSheet WindowImage;
    TKandelSheet BackImage;
    TKandelSheet ContentImage;
    std::int32_t X = 0, Y = 0, Width = 0, Height = 0;
    std::int32_t ColumnWidth = 0;
    std::int32_t RowHeight = 16;
    std::int32_t VisibleRows = 0;
    std::int32_t ContentLeft = 8, ContentTop = 8;
    std::int32_t ItemWidth = 0, ItemHeight = 16;
    std::int32_t ItemCount = 0;
    std::int32_t CursorIndex = 0;
    std::int32_t TopRow = 0;
    std::int32_t ScrollOffset = 0;
    bool CursorVisible = false;
    bool CursorActive = false;
    std::int32_t BlinkCounter = 0;
    std::int32_t OpenPhase = 0;  // 0 closed, 1..7 opening, 8 open
    std::int32_t ClosePhase = 0; // 0 not closing, 1..7 closing
    std::int32_t FrameCounter = 0;

    // Where item i's cell lies in the window (the cursor fills exactly this).
    virtual TRect ItemRect(int index) const;
    // Where item i's text lies in the ring of ContentImage.
    virtual TRect ContentRect(int index) const;
    virtual void DrawItem(int x, int y, int index);
    virtual void ScrollDown();
    virtual void ScrollUp();
    virtual void MoveCursor();
    virtual void Compose();
    virtual void Refresh();
    virtual void Hide();
    virtual void Close();
    virtual void Update();
    virtual void Draw();
    virtual void DrawText(int x, int y, bool copyNow, int color, std::string_view text);

    void Setup(int x, int y, int width, int height, bool animate);
    void SetupAndRefresh(int x, int y, int width, int height, bool animate);
    bool IsPresent() const { return WindowImage.Width() > 0; }
    bool IsOpen() const { return IsPresent() && ClosePhase == 0 && OpenPhase == 8; }
    bool IsOpenOpaque() const { return IsOpen() && !WindowImage.Transparent; }
    void DrawCell(int index, bool withCursor);
    void SetCursorIndex(int index);
    void SetTopRow(int row);
    void SetCursorVisible(bool flag);
    void SetCursorActive(bool flag);

    // Rows held by the ring of ContentImage.
    int RingRows() const { return VisibleRows + 1; }

protected:
    TGameMain& Game;
};

// The money box (88 x 32 wherever it is used): the party's gold and the currency.
class TVezGoldWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void Refresh() override;
    void Update() override;
};

// A one-line description; single-byte spaces show as half spaces.
class TVezHelpWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void SetText(std::string_view text);
    const std::string& Text() const { return Text_; }
    void Refresh() override;
    void Hide() override;

private:
    std::string Text_;
};

class TVezItemWindow : public TVezWindow {
public:
    explicit TVezItemWindow(TGameMain& game);
    // An actor ID of 0 or less: usability is the party's.
    void SetupForActor(std::int32_t actorId);
    std::int32_t SelectedItem();
    void DrawItem(int x, int y, int index) override;
    void Hide() override;
    void Update() override;
    void Draw() override;

    TVezHelpWindow Help;

private:
    void UpdateHelp();
    std::int32_t ActorId = 0;
};

class TVezSkillWindow : public TVezWindow {
public:
    explicit TVezSkillWindow(TGameMain& game);
    void SetupForActor(std::int32_t actorId);
    // 0 when the cursor is past the actor's skills.
    std::int32_t SelectedSkill();
    void SelectSkill(std::int32_t skillId);
    void DrawItem(int x, int y, int index) override;
    void Hide() override;
    void Update() override;
    void Draw() override;

    TVezHelpWindow Help;
    TVezWindow Status;

private:
    void UpdateHelp();
    void DrawStatus();
    std::int32_t ActorId = 0;
    std::vector<std::int32_t> Skills;
};

} // namespace kestra

#pragma once
// Name input: the player types a new name for an actor by picking characters from a
// grid of two pages (hiragana and katakana). A name holds at most six double-byte
// characters; "<Done>" gives it to the actor, cancel takes back the last character.
//
// Entering: Open(...) on the game's scene (the Input actor name command). Leaving:
// the scene fades out and sets the scene byte to the field.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/CodePage.h"
#include "graphics/KandelSheet.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;

inline constexpr int KNamePages = 2, KNameRows = 9, KNameColumns = 10;
// Six double-byte characters.
inline constexpr std::size_t KMaxNameBytes = 12;
// The page switch and "<Done>" in the last row.
inline constexpr int KNameCommandRow = 8, KNamePageColumn = 6, KNameDoneColumn = 8;

// The entry of the character table at (column, row) of a page: one double-byte
// character, a command beginning with "<", or empty. Outside the table: empty.
std::string_view NameEntry(int page, int column, int row);

// `name` cut before the first place that does not hold a double-byte character, and
// to KMaxNameBytes; double-byte characters are those of codePage.
std::string NameOfDoubleBytes(std::string_view name, const TCodePage& codePage);

// The name typed so far: six places, the next one under the cursor.
class TVezNameViewWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void SetName(std::string_view name);
    const std::string& Name() const { return Name_; }
    void Refresh() override;

private:
    std::string Name_;
};

// The character grid of one page.
class TVezNameInputWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    TRect ItemRect(int index) const override;
    TRect ContentRect(int index) const override { return ItemRect(index); }
    // The scene moves the cursor.
    void MoveCursor() override {}
    void Refresh() override;
    void SetPage(int page);
    void MoveTo(int column, int row);
    std::string_view Entry() const { return NameEntry(Page, Column, Row); }

    int Page = 0, Column = 0, Row = 0;
};

class TVezNameScene : public TVezScene {
public:
    // The game must outlive the scene.
    explicit TVezNameScene(TGameMain& game);

    // Runs the scene from the next frame for actor `actor`, its grid on `page` (0 or
    // 1), the name window starting with the actor's name or empty.
    void Open(std::int32_t actor, std::int32_t page, bool showCurrent);

    void Reset() override;
    void Update() override;
    void Draw() override;

    std::int32_t Actor = 0;
    std::int32_t StartPage = 0;
    bool ShowCurrent = false;
    bool Shown = false;

    TVezWindow FaceFrame;
    TVezNameViewWindow NameView;
    TVezNameInputWindow Grid;
    TKandelSheet Face;

private:
    void Enter();
    void Leave();
    void MoveCursor();
    void Decide();
    void PlaySystemSound(int which);

    TGameMain& Game;
    TLcfgGameState& State;
};

} // namespace kestra

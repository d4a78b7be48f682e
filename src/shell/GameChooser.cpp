#include "shell/GameChooser.h"

#include "base/CodePage.h"
#include "base/IniFile.h"
#include "media/MultiInput.h"
#include "shell/GameConfig.h"
#include "shell/GameMain.h"

#include <algorithm>

namespace kestra {

namespace {

constexpr int KListRows = 10;
constexpr int KListWidth = 288;

// The first characters of text that fit in `columns` half-width columns.
std::string Clip(std::string_view text, std::size_t columns, const TCodePage& codePage) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t n = codePage.CharLength(text, pos);
        if (pos + n > columns) break;
        pos += n;
    }
    return std::string(text.substr(0, pos));
}

} // namespace

std::vector<TGameChoice> ReadGameChoices(const std::string& dir,
                                         const std::vector<std::string>& folders) {
    std::vector<TGameChoice> games;
    for (const std::string& folder : folders) {
        const std::string gameDir = dir + folder + "/";
        games.push_back(
            {folder,
             TIniFile::Load(TitleIniPath(gameDir)).ReadString("KESTRA", "GameTitle", "Untitled")});
    }
    return games;
}

void TGameChooserScene::TList::DrawItem(int x, int y, int index) {
    const TGameChoice& game = games_[static_cast<std::size_t>(index)];
    // The title, and the folder in grey at the right.
    const std::string folder = Clip(game.Folder, 16, Game.CodePage);
    const int folderX = ItemWidth - 6 * static_cast<int>(folder.size());
    DrawText(x, y, false, 0,
             Clip(game.Title, static_cast<std::size_t>(folderX - 6) / 6, Game.CodePage));
    DrawText(x + folderX, y, false, 3, folder);
}

TGameChooserScene::TGameChooserScene(TGameMain& game, std::vector<TGameChoice> games)
    : TVezScene(game), Game(game), games_(std::move(games)), heading_(game), list_(game, games_) {}

void TGameChooserScene::Reset() {
    TVezScene::Reset();
    heading_.Hide();
    list_.Hide();
}

void TGameChooserScene::Update() {
    if (!list_.IsPresent()) {
        heading_.Setup(0, 0, 320, 32, false);
        heading_.SetText("Choose a game: Return plays it, Escape quits");
        const int rows = std::min(static_cast<int>(games_.size()), KListRows);
        list_.Setup((320 - KListWidth) / 2, 48, KListWidth, 16 * rows + 16, true);
        list_.ItemCount = static_cast<int>(games_.size());
        list_.Refresh();
        list_.SetCursorVisible(true);
        list_.SetCursorActive(true);
    }
    heading_.Update();
    list_.Update();
    if (!list_.IsOpen()) return;
    if (Game.Input->Pressed & KButtonCancel) {
        Game.Display->RequestClose();
        return;
    }
    if (Game.Input->Pressed & KButtonDecide)
        Game.ChooseGame(games_[static_cast<std::size_t>(list_.CursorIndex)].Folder);
}

void TGameChooserScene::Draw() {
    TKandelBoard& board = Game.Board();
    board.Brightness = 100;
    board.Canvas().FillRect(board.GetBounds(), 0x0843); // a dark blue-grey
    heading_.Draw();
    list_.Draw();
}

} // namespace kestra

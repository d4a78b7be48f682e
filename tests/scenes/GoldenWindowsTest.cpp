// The golden picture of a screen of windows: Japanese and ASCII text in both
// fonts, special glyphs, a list, a cursor and the money box. The
// picture is compared pixel for pixel; KESTRA_UPDATE_GOLDEN=1 writes it anew.
#include "../GoldenPicture.h"
#include "WindowTestHost.h"
#include "data/DataBase.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelPng.h"
#include "scenes/GameWindows.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

// 薬草：ＨＰを５０回復します。
constexpr const char* KHelp = "\x96\xF2\x91\x90\x81\x46\x82\x67\x82\x6F\x82\xF0\x82\x54\x82\x4F\x89"
                              "\xF1\x95\x9C\x82\xB5\x82\xDC\x82\xB7\x81\x42";
// 薬草
constexpr const char* KHerb = "\x96\xF2\x91\x90";
// 毒消し
constexpr const char* KAntidote = "\x93\xC5\x8F\xC1\x82\xB5";
// フェニックスの尾
constexpr const char* KPhoenix = "\x83\x74\x83\x46\x83\x6A\x83\x62\x83\x4E\x83\x58\x82\xCC\x94\xF6";
// 明朝体：春はあけぼの。
constexpr const char* KMincho1 =
    "\x96\xBE\x92\xA9\x91\xCC\x81\x46\x8F\x74\x82\xCD\x82\xA0\x82\xAF\x82\xDA\x82\xCC\x81\x42";
// ゴシック体と明朝体
constexpr const char* KMincho2 =
    "\x83\x53\x83\x56\x83\x62\x83\x4E\x91\xCC\x82\xC6\x96\xBE\x92\xA9\x91\xCC";
// ｶﾀｶﾅ ①②③ Ⅳ ￢∵
constexpr const char* KKatakana =
    "\xB6\xC0\xB6\xC5\x20\x87\x40\x87\x41\x87\x42\x20\x87\x57\x20\x81\xCA\x81\xE6";
// ゴシック：夏は夜、月のころ。
constexpr const char* KGothicLine = "\x83\x53\x83\x56\x83\x62\x83\x4E\x81\x46\x89\xC4\x82\xCD\x96"
                                    "\xE9\x81\x41\x8C\x8E\x82\xCC\x82\xB1\x82\xEB\x81\x42";
// はじめから
constexpr const char* KNewGame = "\x82\xCD\x82\xB6\x82\xDF\x82\xA9\x82\xE7";
// つづきから
constexpr const char* KContinue = "\x82\xC2\x82\xC3\x82\xAB\x82\xA9\x82\xE7";
// やめる
constexpr const char* KQuit = "\x82\xE2\x82\xDF\x82\xE9";
// 円
constexpr const char* KYen = "\x89\x7E";

class NameList : public TVezWindow {
public:
    NameList(TGameMain& game, std::vector<std::pair<std::string, int>> items)
        : TVezWindow(game), items_(std::move(items)) {}
    void DrawItem(int x, int y, int index) override {
        const auto& [name, count] = items_[static_cast<std::size_t>(index)];
        const int color = index == 2 ? 3 : 0;
        DrawText(x, y, false, color, name);
        DrawText(x + 120, y, false, color, ": " + std::to_string(count));
    }

private:
    std::vector<std::pair<std::string, int>> items_;
};

void RenderScreen(TTestWindowHost& host) {
    host.system.LoadSystemBitmap(StyledSystemBitmap());
    host.system.SetFont(false);
    TKandelBoard& board = host.board;
    const TRgbQuad bg = host.system.BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);

    TVezHelpWindow help(host);
    help.Setup(0, 0, 320, 32, false);
    help.SetText(KHelp);

    NameList list(host, {{KHerb, 12},
                         {KAntidote, 3},
                         {KPhoenix, 1},
                         {"Potion", 25},
                         {"Ether", 4},
                         {"Elixir", 2},
                         {"Tent", 1}});
    list.Columns = 2;
    list.Setup(0, 32, 320, 80, false);
    list.ItemCount = 7;
    list.Refresh();

    TVezWindow gothic(host);
    gothic.Setup(0, 112, 200, 48, false);
    gothic.DrawText(8, 8, true, 0, KGothicLine);
    gothic.DrawText(8, 24, true, 1, "ASCII: Kestra 0123 \\100 ~{}");

    TVezWindow commands(host);
    commands.Setup(200, 112, 120, 64, false);
    commands.DrawText(8, 8, true, 0, KNewGame);
    commands.DrawText(8, 24, true, 3, KContinue);
    commands.DrawText(8, 40, true, 0, KQuit);
    commands.SetCursorActive(true);

    // The money box shows the game's gold and currency.
    host.game.Session->DataBase.Vocabulary.Term(0x5F) = KYen;
    host.State().PartyInfo.Gold = 1234;
    TVezGoldWindow gold(host);
    gold.Setup(232, 176, 88, 32, false);
    gold.Refresh();

    host.system.SetFont(true);
    TVezWindow mincho(host);
    mincho.Setup(0, 160, 200, 80, false);
    mincho.DrawText(8, 8, true, 0, KMincho1);
    mincho.DrawText(8, 24, true, 5, KMincho2);
    mincho.DrawText(8, 40, true, 7, KKatakana);
    mincho.DrawText(8, 56, true, 6, "$A$B$C$K$Z $a$k$z $$5 Mincho");
    host.system.SetFont(false);

    for (TVezWindow* w : {static_cast<TVezWindow*>(&help), static_cast<TVezWindow*>(&list), &gothic,
                          &commands, static_cast<TVezWindow*>(&gold), &mincho})
        w->Draw();
}

TEST(GoldenWindows, ScreenOfWindowsInBothFonts) {
    TTestWindowHost host;
    RenderScreen(host);
    test::CompareGolden(host.board, "windows_screen.png");
}

} // namespace

#include "scenes/LS_Name.h"

#include <algorithm>
#include <array>

#include "base/AssetLookup.h"
#include "base/CodePage.h"
#include "data/DataBase.h"
#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

constexpr double KNameFade = 20;
constexpr int KFaceSize = 48;
// A full-width low line marks an empty place.
constexpr const char* KEmptyPlace = "\x81\x51";

using TNameRow = std::array<const char*, KNameColumns>;
using TNamePage = std::array<TNameRow, KNameRows>;

// Shift-JIS bytes; the comments show the characters.
constexpr std::array<TNamePage, KNamePages> KNameTable{{
    {{
        // あ い う え お が ぎ ぐ げ ご
        {{"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa6", "\x82\xa8", "\x82\xaa", "\x82\xac",
          "\x82\xae", "\x82\xb0", "\x82\xb2"}},
        // か き く け こ ざ じ ず ぜ ぞ
        {{"\x82\xa9", "\x82\xab", "\x82\xad", "\x82\xaf", "\x82\xb1", "\x82\xb4", "\x82\xb6",
          "\x82\xb8", "\x82\xba", "\x82\xbc"}},
        // さ し す せ そ だ ぢ づ で ど
        {{"\x82\xb3", "\x82\xb5", "\x82\xb7", "\x82\xb9", "\x82\xbb", "\x82\xbe", "\x82\xc0",
          "\x82\xc3", "\x82\xc5", "\x82\xc7"}},
        // た ち つ て と ば び ぶ べ ぼ
        {{"\x82\xbd", "\x82\xbf", "\x82\xc2", "\x82\xc4", "\x82\xc6", "\x82\xce", "\x82\xd1",
          "\x82\xd4", "\x82\xd7", "\x82\xda"}},
        // な に ぬ ね の ぱ ぴ ぷ ぺ ぽ
        {{"\x82\xc8", "\x82\xc9", "\x82\xca", "\x82\xcb", "\x82\xcc", "\x82\xcf", "\x82\xd2",
          "\x82\xd5", "\x82\xd8", "\x82\xdb"}},
        // は ひ ふ へ ほ ぁ ぃ ぅ ぇ ぉ
        {{"\x82\xcd", "\x82\xd0", "\x82\xd3", "\x82\xd6", "\x82\xd9", "\x82\x9f", "\x82\xa1",
          "\x82\xa3", "\x82\xa5", "\x82\xa7"}},
        // ま み む め も っ ゃ ゅ ょ ゎ
        {{"\x82\xdc", "\x82\xdd", "\x82\xde", "\x82\xdf", "\x82\xe0", "\x82\xc1", "\x82\xe1",
          "\x82\xe3", "\x82\xe5", "\x82\xec"}},
        // や ゆ よ わ ん ー ～ ・ ＝ ☆
        {{"\x82\xe2", "\x82\xe4", "\x82\xe6", "\x82\xed", "\x82\xf1", "\x81\x5b", "\x81\x60",
          "\x81\x45", "\x81\x81", "\x81\x99"}},
        // ら り る れ ろ ヴ, the page switch, "<Done>"
        {{"\x82\xe7", "\x82\xe8", "\x82\xe9", "\x82\xea", "\x82\xeb", "\x83\x94", "<Engl>", "",
          "<Done>", ""}},
    }},
    {{
        // ア イ ウ エ オ ガ ギ グ ゲ ゴ
        {{"\x83\x41", "\x83\x43", "\x83\x45", "\x83\x47", "\x83\x49", "\x83\x4b", "\x83\x4d",
          "\x83\x4f", "\x83\x51", "\x83\x53"}},
        // カ キ ク ケ コ ザ ジ ズ ゼ ゾ
        {{"\x83\x4a", "\x83\x4c", "\x83\x4e", "\x83\x50", "\x83\x52", "\x83\x55", "\x83\x57",
          "\x83\x59", "\x83\x5b", "\x83\x5d"}},
        // サ シ ス セ ソ ダ ヂ ヅ デ ド
        {{"\x83\x54", "\x83\x56", "\x83\x58", "\x83\x5a", "\x83\x5c", "\x83\x5f", "\x83\x61",
          "\x83\x64", "\x83\x66", "\x83\x68"}},
        // タ チ ツ テ ト バ ビ ブ ベ ボ
        {{"\x83\x5e", "\x83\x60", "\x83\x63", "\x83\x65", "\x83\x67", "\x83\x6f", "\x83\x72",
          "\x83\x75", "\x83\x78", "\x83\x7b"}},
        // ナ ニ ヌ ネ ノ パ ピ プ ペ ポ
        {{"\x83\x69", "\x83\x6a", "\x83\x6b", "\x83\x6c", "\x83\x6d", "\x83\x70", "\x83\x73",
          "\x83\x76", "\x83\x79", "\x83\x7c"}},
        // ハ ヒ フ ヘ ホ ァ ィ ゥ ェ ォ
        {{"\x83\x6e", "\x83\x71", "\x83\x74", "\x83\x77", "\x83\x7a", "\x83\x40", "\x83\x42",
          "\x83\x44", "\x83\x46", "\x83\x48"}},
        // マ ミ ム メ モ ッ ャ ュ ョ ヮ
        {{"\x83\x7d", "\x83\x7e", "\x83\x80", "\x83\x81", "\x83\x82", "\x83\x62", "\x83\x83",
          "\x83\x85", "\x83\x87", "\x83\x8e"}},
        // ヤ ユ ヨ ワ ン ー ～ ・ ＝ ☆
        {{"\x83\x84", "\x83\x86", "\x83\x88", "\x83\x8f", "\x83\x93", "\x81\x5b", "\x81\x60",
          "\x81\x45", "\x81\x81", "\x81\x99"}},
        // ラ リ ル レ ロ ヴ, the page switch, "<Done>"
        {{"\x83\x89", "\x83\x8a", "\x83\x8b", "\x83\x8c", "\x83\x8d", "\x83\x94", "<Russ>", "",
          "<Done>", ""}},
    }},
}};

int CellX(int column) {
    return 24 * column + (column < 5 ? 8 : 14);
}

} // namespace

std::string_view NameEntry(int page, int column, int row) {
    if (page < 0 || page >= KNamePages || column < 0 || column >= KNameColumns || row < 0 ||
        row >= KNameRows)
        return {};
    return KNameTable[static_cast<std::size_t>(page)][static_cast<std::size_t>(row)]
                     [static_cast<std::size_t>(column)];
}

std::string NameOfDoubleBytes(std::string_view name, const TCodePage& codePage) {
    std::size_t end = 0;
    while (end + 1 < name.size() && end + 2 <= KMaxNameBytes &&
           codePage.IsLeadByte(static_cast<std::uint8_t>(name[end])))
        end += 2;
    return std::string(name.substr(0, end));
}

// ---- the name so far

void TVezNameViewWindow::SetName(std::string_view name) {
    Name_ = NameOfDoubleBytes(name, Game.CodePage);
    ContentLeft = 48 + 16 * static_cast<int>(Name_.size() / 2);
    Refresh();
}

void TVezNameViewWindow::Refresh() {
    ItemCount = 1;
    ContentTop = 8;
    ItemWidth = 12;
    ItemHeight = 16;
    CursorIndex = 0;
    TVezWindow::Refresh();
    for (std::size_t i = 0; i < KMaxNameBytes / 2; ++i) {
        const std::string place = 2 * i < Name_.size() ? Name_.substr(2 * i, 2) : KEmptyPlace;
        DrawText(48 + 16 * static_cast<int>(i), 8, true, 0, place);
    }
    DrawCell(0, true);
}

// ---- the grid

TRect TVezNameInputWindow::ItemRect(int index) const {
    const int column = index % KNameColumns, row = index / KNameColumns;
    const std::string_view entry = NameEntry(Page, column, row);
    const int width = !entry.empty() && entry[0] == '<' ? 36 : 12;
    const int x = CellX(column), y = 16 * row + 8;
    return {x - 4, y, x + width + 4, y + 16};
}

void TVezNameInputWindow::Refresh() {
    ItemCount = KNameRows * KNameColumns;
    CursorIndex = Row * KNameColumns + Column;
    TopRow = 0;
    WindowImage.CopyFrom(0, 0, BackImage.GetBounds(), BackImage);
    ContentImage.FillArea(ContentImage.GetBounds(), 0);
    ContentImage.Transparent = true;
    for (int r = 0; r < KNameRows; ++r)
        for (int c = 0; c < KNameColumns; ++c) {
            const std::string_view entry = NameEntry(Page, c, r);
            if (!entry.empty()) DrawText(CellX(c), 16 * r + 8, true, 0, entry);
        }
    DrawCell(CursorIndex, true);
}

void TVezNameInputWindow::SetPage(int page) {
    Page = std::clamp(page, 0, KNamePages - 1);
    Refresh();
}

void TVezNameInputWindow::MoveTo(int column, int row) {
    DrawCell(CursorIndex, false);
    Column = column;
    Row = row;
    CursorIndex = Row * KNameColumns + Column;
    BlinkCounter = 0;
    DrawCell(CursorIndex, true);
}

// ---- the scene

TVezNameScene::TVezNameScene(TGameMain& game)
    : TVezScene(game), FaceFrame(game), NameView(game), Grid(game), Game(game),
      State(game.State()) {}

void TVezNameScene::Open(std::int32_t actor, std::int32_t page, bool showCurrent) {
    Actor = actor;
    StartPage = std::clamp(page, 0, KNamePages - 1);
    ShowCurrent = showCurrent;
    Shown = false;
    State.System.Scene = KSceneName;
}

void TVezNameScene::Reset() {
    TVezScene::Reset();
    FaceFrame.Hide();
    NameView.Hide();
    Grid.Hide();
    Face.FreePixels();
    Shown = false;
}

void TVezNameScene::PlaySystemSound(int which) {
    State.System.PlaySystemSound(which);
}

void TVezNameScene::Enter() {
    const TLcfgPlayerItem* actor = State.Actors.Find(Actor);
    if (actor == nullptr) {
        // Nobody to name: straight back to the field.
        Reset();
        State.System.Scene = KSceneField;
        return;
    }
    Face.FreePixels();
    const TLcfgPlayerItem::TGraphic face = actor->Face();
    if (!face.Name.empty()) {
        if (const auto path =
                Game.Assets->FindAssetFile(face.Name, "FaceSet", KPictureExtensions)) {
            const int index = std::max(0, face.Index);
            Face.SetSize(KFaceSize, KFaceSize);
            Face.LoadFromFile(path->string(), (index % 4) * KFaceSize, (index / 4) * KFaceSize,
                              false);
        }
    }
    Host.Board().Clear();
    FaceFrame.SetupAndRefresh(32, 8, 64, 64, false);
    NameView.Setup(96, 40, 192, 32, false);
    NameView.SetName(ShowCurrent ? actor->GetName() : std::string());
    NameView.SetCursorVisible(true);
    // Ten columns: the whole table fits, so no scroll arrow shows.
    Grid.Columns = KNameColumns;
    Grid.Setup(32, 72, 256, 160, false);
    Grid.Page = StartPage;
    Grid.Column = Grid.Row = 0;
    Grid.Refresh();
    Grid.SetCursorActive(true);
    Shown = true;
    FadeIn(KNameFade);
}

void TVezNameScene::Leave() {
    FadeOut(KNameFade);
    Reset();
    State.System.Scene = KSceneField;
}

void TVezNameScene::Update() {
    if (!Shown) {
        Enter();
        return;
    }
    FaceFrame.Update();
    NameView.Update();
    Grid.Update();
    MoveCursor();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        Decide();
    } else if (pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        const std::string& name = NameView.Name();
        if (name.size() > 1) NameView.SetName(std::string_view(name).substr(0, name.size() - 2));
    }
}

void TVezNameScene::MoveCursor() {
    const std::uint16_t keys = Game.Input->Repeated;
    int column = Grid.Column, row = Grid.Row, step = 0;
    if (keys & KButtonDown) row = (row + 1) % KNameRows;
    if (keys & KButtonUp) row = (row + KNameRows - 1) % KNameRows;
    if (keys & KButtonRight) {
        column = (column + 1) % KNameColumns;
        step = 1;
    }
    if (keys & KButtonLeft) {
        column = (column + KNameColumns - 1) % KNameColumns;
        step = -1;
    }
    // Empty entries are passed over: one more step the way the cursor went, then left.
    if (NameEntry(Grid.Page, column, row).empty() && step != 0)
        column = (column + step + KNameColumns) % KNameColumns;
    if (NameEntry(Grid.Page, column, row).empty())
        column = (column + KNameColumns - 1) % KNameColumns;
    if (column == Grid.Column && row == Grid.Row) return;
    PlaySystemSound(KSoundCursor);
    Grid.MoveTo(column, row);
}

void TVezNameScene::Decide() {
    TLcfgPlayerItem* actor = State.Actors.Find(Actor);
    if (actor == nullptr) return;
    if (Grid.Row == KNameCommandRow && Grid.Column == KNameDoneColumn) {
        PlaySystemSound(KSoundDecide);
        if (NameView.Name().empty()) {
            NameView.SetName(actor->GetName());
            return;
        }
        actor->SetName(NameView.Name());
        Leave();
        return;
    }
    if (Grid.Row == KNameCommandRow && Grid.Column == KNamePageColumn) {
        PlaySystemSound(KSoundDecide);
        Grid.SetPage(1 - Grid.Page);
        return;
    }
    const std::string_view entry = Grid.Entry();
    if (entry.empty()) return;
    if (NameView.Name().size() + entry.size() > KMaxNameBytes) {
        PlaySystemSound(KSoundBuzzer);
        return;
    }
    PlaySystemSound(KSoundDecide);
    NameView.SetName(NameView.Name() + std::string(entry));
    if (NameView.Name().size() >= KMaxNameBytes) Grid.MoveTo(KNameDoneColumn, KNameCommandRow);
}

void TVezNameScene::Draw() {
    TKandelBoard& board = Host.Board();
    const TRgbQuad bg = Game.SystemGraphic().BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);
    FaceFrame.Draw();
    NameView.Draw();
    Grid.Draw();
    if (Face.Width() > 0) board.DrawSheet(40, 16, Face.GetBounds(), Face);
}

} // namespace kestra

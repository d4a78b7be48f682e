#include "scenes/LS_SaveFile.h"

#include <algorithm>
#include <cstdio>

#include "base/Errors.h"
#include "media/MultiInput.h"
#include "scenes/LS_Menu.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

constexpr int KPanelHeight = 64;
constexpr int KListTop = 40;
constexpr int KLastTop = KSaveFilePanels - 2;
constexpr int KFaceSize = 48;

std::string Format(const char* pattern, std::int32_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<int>(value));
    return buffer;
}

std::string Term(TGameMain& game, int chunk) {
    return game.Session->DataBase.Vocabulary.Term(chunk);
}

} // namespace

int LatestSlot(const std::array<double, KSaveFilePanels>& times) {
    int best = 0;
    double latest = 0.0;
    for (int i = 0; i < KSaveFilePanels; ++i) {
        const double t = times[static_cast<std::size_t>(i)];
        // Strictly later only, so the lowest slot wins a tie; NaN never counts.
        if (t > 0.0 && t > latest) {
            latest = t;
            best = i + 1;
        }
    }
    return best > 0 ? best : 1;
}

// ---- one slot's panel

TVezSaveFileWindow::TVezSaveFileWindow(TGameMain& game) : TVezWindow(game) {}

void TVezSaveFileWindow::Load(int slot, bool loadMode) {
    Slot = slot;
    LoadMode = loadMode;
    TSaveSlot read = Game.Session->Save->ReadSlot(slot);
    Header = std::move(read.Header);
    Damaged = read.Damaged;
    Problem = std::move(read.Problem);
    Time = Header ? Header->Time : 0.0;
    for (int i = 0; i < 4; ++i) {
        TKandelSheet& face = Faces[static_cast<std::size_t>(i)];
        face.FreePixels();
        if (!Used()) continue;
        const std::string name = Header->FaceFile(i);
        if (name.empty()) continue;
        const auto path = Game.Assets->FindAssetFile(name, "FaceSet", KPictureExtensions);
        if (!path) continue;
        const int index = std::max(0, Header->FaceIndex(i));
        face.SetSize(KFaceSize, KFaceSize);
        face.LoadFromFile(path->string(), (index % 4) * KFaceSize, (index / 4) * KFaceSize, false);
    }
    Setup(0, 0, KScreenWidth, KPanelHeight, false);
    ItemCount = 1;
    ItemWidth = 6 * static_cast<int>(Term(Game, KTermFile).size()) + 15;
    Refresh();
}

void TVezSaveFileWindow::DrawItem(int x, int y, int) {
    const int color = LoadMode && !Used() ? 3 : 0;
    DrawText(x, y, false, color, Term(Game, KTermFile) + "\x01" + Format("%2d", Slot));
}

void TVezSaveFileWindow::Refresh() {
    TVezWindow::Refresh();
    if (Damaged) DrawText(8, 24, true, 2, KDamagedSlotText);
    if (!Used()) return;
    DrawText(8, 24, true, 0, Header->LeaderName);
    DrawText(8, 40, true, 1, Term(Game, KTermLevelShort));
    DrawText(20, 40, true, 0, Format("%2d", Header->LeaderLevel));
    DrawText(50, 40, true, 1, Term(Game, KTermHpShort));
    DrawText(62, 40, true, 0, Format("%3d", Header->LeaderHP));
}

void TVezSaveFileWindow::Draw() {
    TVezWindow::Draw();
    if (!IsPresent()) return;
    TKandelBoard& board = Game.Board();
    for (int i = 0; i < 4; ++i) {
        TKandelSheet& face = Faces[static_cast<std::size_t>(i)];
        if (face.Width() > 0) board.DrawSheet(X + 96 + 56 * i, Y + 8, face.GetBounds(), face);
    }
}

// ---- the scene

TVezSaveFileScene::TVezSaveFileScene(TGameMain& game)
    : TVezScene(game), Game(game), titleLine_(std::make_unique<TVezHelpWindow>(game)) {
    for (auto& panel : panels_) panel = std::make_unique<TVezSaveFileWindow>(game);
}

void TVezSaveFileScene::OpenForSave(std::uint8_t returnScene) {
    SaveMode = true;
    ReturnScene = returnScene;
    Shown = false;
    Game.System().Scene = KSceneSaveFile;
}

void TVezSaveFileScene::OpenForLoad() {
    SaveMode = false;
    ReturnScene = KSceneTitle;
    Shown = false;
    Game.System().Scene = KSceneSaveFile;
}

void TVezSaveFileScene::PlaySystemSound(int which) {
    Game.System().PlaySystemSound(which);
}

void TVezSaveFileScene::ReturnFromSave() {
    if (ReturnScene == KSceneMenu) Game.Menu->ReturnFromSave();
    Game.System().Scene = ReturnScene;
}

void TVezSaveFileScene::Reset() {
    TVezScene::Reset();
    Shown = false;
    Current = Top = 1;
    Scroll = Frames = 0;
    titleLine_->Hide();
    for (auto& panel : panels_) panel->Hide();
}

void TVezSaveFileScene::Enter() {
    Host.Board().Clear();
    titleLine_->Hide();
    titleLine_->Setup(0, 0, KScreenWidth, 32, false);
    titleLine_->SetText(Term(Game, SaveMode ? KTermSaveWhere : KTermLoadWhere));
    std::array<double, KSaveFilePanels> times{};
    for (int slot = 1; slot <= KSaveFilePanels; ++slot) {
        Panel(slot).Load(slot, !SaveMode);
        times[static_cast<std::size_t>(slot - 1)] = Panel(slot).Time;
    }
    // A slot number from a save file may be anything.
    Current =
        SaveMode ? std::clamp(Game.System().LastSaveSlot, 1, KSaveFilePanels) : LatestSlot(times);
    Top = std::max(1, Current - 2);
    Scroll = 0;
    Frames = 0;
    ConfirmSlot = 0;
    Panel(Current).SetCursorActive(true);
    Shown = true;
    FadeIn(20);
}

void TVezSaveFileScene::DropConfirmation() {
    if (ConfirmSlot == 0) return;
    ConfirmSlot = 0;
    titleLine_->SetText(Term(Game, SaveMode ? KTermSaveWhere : KTermLoadWhere));
}

void TVezSaveFileScene::Select(int slot) {
    DropConfirmation();
    PlaySystemSound(KSoundCursor);
    Panel(Current).SetCursorVisible(false);
    Current = slot;
    Panel(Current).SetCursorActive(true);
}

void TVezSaveFileScene::Update() {
    if (!Shown) Enter();
    titleLine_->Update();
    for (auto& panel : panels_) panel->Update();
    ++Frames;
    Scroll = Scroll > 0 ? std::max(Scroll - 8, 0) : std::min(Scroll + 8, 0);

    const TMultiInput& input = *Game.Input;
    if (Scroll == 0) {
        if ((input.Repeated & KButtonDown) && Current < KSaveFilePanels) {
            Select(Current + 1);
            if (Current - 3 >= Top) {
                ++Top;
                Scroll = -KPanelHeight;
            }
        } else if ((input.Repeated & KButtonUp) && Current > 1) {
            Select(Current - 1);
            if (Current < Top) {
                --Top;
                Scroll = KPanelHeight;
            }
        }
    }
    if (input.Pressed & KButtonDecide)
        Decide();
    else if (input.Pressed & KButtonCancel)
        Cancel();
}

void TVezSaveFileScene::Decide() {
    if (SaveMode) {
        // A damaged file is replaced only when the player says so twice.
        if (Panel(Current).Damaged && ConfirmSlot != Current) {
            PlaySystemSound(KSoundDecide);
            ConfirmSlot = Current;
            titleLine_->SetText(KReplaceDamagedText);
            return;
        }
        ConfirmSlot = 0;
        try {
            Game.Session->Save->Save(Current);
        } catch (const EKestraError& e) {
            // The old file and the game stay as they were; the player may try again.
            PlaySystemSound(KSoundBuzzer);
            Game.ShowMessage(e.what());
            titleLine_->SetText(Term(Game, KTermSaveWhere));
            return;
        }
        PlaySystemSound(KSoundDecide);
        Close();
        ReturnFromSave();
        return;
    }
    if (!Panel(Current).Used()) {
        PlaySystemSound(KSoundBuzzer);
        // A damaged slot says why it cannot be loaded.
        if (Panel(Current).Damaged) Game.ShowMessage(Panel(Current).Problem);
        return;
    }
    try {
        if (!LoadSavedGame(Game, Current))
            throw EFileError("save slot " + std::to_string(Current) + " holds no saved game");
    } catch (const EKestraError& e) {
        // The running game is untouched; the panel shows what the slot holds now.
        PlaySystemSound(KSoundBuzzer);
        Game.ShowMessage(e.what());
        Panel(Current).Load(Current, true);
        Panel(Current).SetCursorActive(true);
        return;
    }
    PlaySystemSound(KSoundDecide);
    // The device directly: the loaded game plays its own music afterwards.
    Game.Sound->FadeOutMusic(800);
    Close();
    for (int k = 0; k < 48; ++k) Host.WaitFrame();
    Game.Sound->StopMusic();
    for (int k = 0; k < 16; ++k) Host.WaitFrame();
    Game.System().Scene = KSceneField;
    EnterSavedGame(Game);
}

void TVezSaveFileScene::Cancel() {
    PlaySystemSound(KSoundCancel);
    // Cancel answers the question about a damaged slot: the list stays.
    if (ConfirmSlot != 0) {
        DropConfirmation();
        return;
    }
    Close();
    if (SaveMode)
        ReturnFromSave();
    else
        Game.System().Scene = KSceneTitle;
}

void TVezSaveFileScene::Close() {
    FadeOut(20);
    Host.Board().Clear();
    Host.Present();
    titleLine_->Hide();
    for (auto& panel : panels_) panel->Hide();
    Shown = false;
}

void TVezSaveFileScene::Draw() {
    TKandelBoard& board = Host.Board();
    board.Clear();
    if (!Shown) return;
    for (int slot = 1; slot <= KSaveFilePanels; ++slot) {
        const int y = KListTop + KPanelHeight * (slot - Top) - Scroll;
        if (y <= -KPanelHeight || y >= KScreenHeight) continue;
        Panel(slot).Y = y;
        Panel(slot).Draw();
    }
    titleLine_->Draw();
    TVezSystemGraphic& system = Game.SystemGraphic();
    const TRgbQuad bg = system.BackgroundColor();
    board.FillRect(TRect{0, 32, KScreenWidth, KListTop}, bg.Red, bg.Green, bg.Blue);
    board.FillRect(TRect{0, KScreenHeight - 8, KScreenWidth, KScreenHeight}, bg.Red, bg.Green,
                   bg.Blue);
    if ((Frames / 20) % 2 == 0) {
        if (Top > 1) system.DrawUpArrow(board, 152, 32);
        if (Top < KLastTop) system.DrawDownArrow(board, 152, 232);
    }
}

} // namespace kestra

#include "shell/LS_Title.h"

#include "base/Errors.h"
#include "graphics/GR_Logos.h"
#include "media/MultiInput.h"

#include <algorithm>

namespace kestra {

TVezTitleScene::TVezTitleScene(TSceneHost& host, IVezTitleGame& game)
    : TVezScene(host), Game(game), window_(std::make_unique<TVezWindow>(game.WindowHost())) {}

void TVezTitleScene::Reset() {
    TVezScene::Reset();
    started_ = false;
    firstEntry_ = true;
    sheet_.FreePixels();
    window_->Hide();
}

void TVezTitleScene::ShowLogo(int number) {
    const std::string name = "LOGO" + std::to_string(number);
    const auto bytes = ProgramResource(name, Game.WindowHost().SystemGraphic().Font());
    if (!bytes) throw EKestraError(name + ": program resource missing");
    sheet_.LoadFromImageData(*bytes, name, true);
    FadeIn(10);
    Game.ResetTiming();
    for (int k = 0; k < 20; ++k) DrawFrame();
    TMultiInput& input = Game.Input();
    for (int k = 0; k < 60; ++k) {
        input.Update();
        if (input.Held & KButtonDecide) break;
        DrawFrame();
    }
    Host.FlushInput();
    FadeOut(10);
}

void TVezTitleScene::SetUp() {
    started_ = true;
    sheet_.SetSize(KScreenWidth, KScreenHeight);
    if (firstEntry_ && Game.ShowLogos()) {
        for (int k = 0; k < 10; ++k) DrawFrame();
        for (int n = 1; n <= KLogoCount; ++n) ShowLogo(n);
        Game.ShowLogos() = false;
    }
    saveExists_ = Game.AnySaveExists();
    const std::string name = Game.TitlePictureName();
    const auto path = Game.FindPicture(name, "Title");
    if (!path) throw EFileError("Title/" + name + ": picture not found");
    sheet_.LoadFromFile(*path, true);
    const bool showTitle = Game.ShowTitle();
    if (showTitle) Game.PlayTitleMusic();

    const std::array<std::string, 3> texts = Game.TitleCommands();
    std::size_t longest = 0;
    for (const std::string& t : texts) longest = std::max(longest, t.size());
    const int width = 6 * static_cast<int>(longest) + 16;
    const int x = 160 - width / 2;
    if (showTitle && firstEntry_) FadeIn(3);

    window_->Setup(x, showTitle ? 148 : 88, width, 64, showTitle && firstEntry_);
    window_->DrawText(8, 8, true, 0, texts[0]);
    window_->DrawText(8, 24, true, saveExists_ ? 0 : 3, texts[1]);
    window_->DrawText(8, 40, true, 0, texts[2]);
    window_->SetCursorActive(true);
    if (!firstEntry_) window_->OpenPhase = 8;
    FadeIn(20);
}

void TVezTitleScene::HideTitle() {
    FadeOut(20);
    TKandelBoard& board = Host.Board();
    board.Clear();
    Host.Present();
    Reset();
    firstEntry_ = false;
}

void TVezTitleScene::Update() {
    if (!started_) SetUp();
    window_->Update();
    const bool ready = window_->IsOpen() && window_->CursorActive;
    if (!ready || !(Game.Input().Pressed & KButtonDecide)) return;
    switch (window_->CursorIndex) {
    case 0:
        Game.PlayDecisionSound();
        Game.FadeOutMusic(800);
        HideTitle();
        for (int k = 0; k < 48; ++k) Host.WaitFrame();
        Game.StopMusic();
        for (int k = 0; k < 16; ++k) Host.WaitFrame();
        Game.SetScene(KSceneField);
        Game.StartNewGame();
        break;
    case 1:
        if (saveExists_) {
            Game.PlayDecisionSound();
            HideTitle();
            Game.OpenLoadScene();
        } else {
            Game.PlayBuzzerSound();
        }
        break;
    default:
        Game.PlayDecisionSound();
        Game.FadeOutMusic(400);
        FadeOut(4);
        Game.CloseMainForm();
    }
}

void TVezTitleScene::Draw() {
    if (!started_) return;
    TKandelBoard& board = Host.Board();
    const TRgbQuad bg = Game.WindowHost().SystemGraphic().BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);
    if (Game.ShowLogos() || Game.ShowTitle()) board.DrawSheet(0, 0, sheet_.GetBounds(), sheet_);
    window_->Draw();
}

} // namespace kestra

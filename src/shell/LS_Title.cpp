#include "shell/LS_Title.h"

#include "base/Errors.h"
#include "data/DataBase.h"
#include "graphics/GR_Logos.h"
#include "media/MultiInput.h"
#include "scenes/LS_SaveFile.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"

#include <algorithm>

namespace kestra {

namespace {

// Vocabulary terms of the title window: new game, continue, quit.
constexpr std::array<std::int32_t, 3> KTitleTerms{114, 115, 117};

} // namespace

TVezTitleScene::TVezTitleScene(TGameMain& game)
    : TVezScene(game), Game(game), window_(std::make_unique<TVezWindow>(game)) {}

std::array<std::string, 3> TVezTitleScene::Commands() const {
    const TVezVocabulary& words = Game.Session->DataBase.Vocabulary;
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& text = words.Term(KTitleTerms[i]);
        texts[i] = text.empty() ? KDefaultTitleCommands[i] : text;
    }
    return texts;
}

void TVezTitleScene::PlayTitleMusic() {
    // A full request: the title music comes with its fade-in, volume, tempo and
    // balance, and one that already plays (back from the load list) goes on.
    TLcfgSystem& system = Game.System();
    system.PlayMusic(system.Music(KMusicTitle));
}

void TVezTitleScene::PlaySound(int which) {
    Game.System().PlaySystemSound(which);
}

void TVezTitleScene::Reset() {
    TVezScene::Reset();
    started_ = false;
    firstEntry_ = true;
    sheet_.FreePixels();
    window_->Hide();
}

void TVezTitleScene::ShowLogo(int number) {
    const std::string name = "LOGO" + std::to_string(number);
    const auto bytes = ProgramResource(name, Game.SystemGraphic().Font());
    if (!bytes) throw EKestraError(name + ": program resource missing");
    sheet_.LoadFromImageData(*bytes, name, true);
    FadeIn(10);
    Game.Display->ResetTiming();
    for (int k = 0; k < 20; ++k) DrawFrame();
    TMultiInput& input = *Game.Input;
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
    // The logos are shown once per run.
    if (firstEntry_ && Game.Config.ShowLogos) {
        for (int k = 0; k < 10; ++k) DrawFrame();
        for (int n = 1; n <= KLogoCount; ++n) ShowLogo(n);
        Game.Config.ShowLogos = false;
    }
    saveExists_ = AnySaveExists(Game, KSaveFilePanels);
    LoadScenePicture(Game, sheet_, Game.Session->DataBase.System.TitleGraphic, "Title");
    // "HideTitle": no title picture, no title music, the window higher.
    const bool showTitle = Game.Config.ShowTitle;
    if (showTitle) PlayTitleMusic();

    const std::array<std::string, 3> texts = Commands();
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
    if (!ready || !(Game.Input->Pressed & KButtonDecide)) return;
    switch (window_->CursorIndex) {
    case 0:
        PlaySound(KSoundDecide);
        Game.System().FadeOutMusic(800);
        HideTitle();
        for (int k = 0; k < 48; ++k) Host.WaitFrame();
        Game.System().StopMusic();
        for (int k = 0; k < 16; ++k) Host.WaitFrame();
        Game.System().Scene = KSceneField;
        StartNewGame(Game);
        break;
    case 1:
        if (saveExists_) {
            PlaySound(KSoundDecide);
            HideTitle();
            Game.SaveFile->OpenForLoad();
        } else {
            PlaySound(KSoundBuzzer);
        }
        break;
    default:
        PlaySound(KSoundDecide);
        Game.System().FadeOutMusic(400);
        FadeOut(4);
        // Only a request: resources are freed when the game object goes.
        Game.Display->RequestClose();
        throw EKandelDrawAbort();
    }
}

void TVezTitleScene::Draw() {
    if (!started_) return;
    TKandelBoard& board = Host.Board();
    const TRgbQuad bg = Game.SystemGraphic().BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);
    if (Game.Config.ShowLogos || Game.Config.ShowTitle)
        board.DrawSheet(0, 0, sheet_.GetBounds(), sheet_);
    window_->Draw();
}

} // namespace kestra

#include "shell/LS_GameOver.h"

#include "base/Errors.h"
#include "media/MultiInput.h"

namespace kestra {

TVezGameOverScene::TVezGameOverScene(TSceneHost& host, IVezTitleGame& game)
    : TVezScene(host), Game(game) {}

void TVezGameOverScene::Reset() {
    TVezScene::Reset();
    started_ = false;
    sheet_.FreePixels();
}

void TVezGameOverScene::Update() {
    if (!started_) {
        sheet_.SetSize(KScreenWidth, KScreenHeight);
        const std::string name = Game.GameOverPictureName();
        const auto path = Game.FindPicture(name, "GameOver");
        if (!path) throw EFileError("GameOver/" + name + ": picture not found");
        sheet_.LoadFromFile(*path, true);
        started_ = true;
        FadeIn(1);
        return;
    }
    if (Game.Input().Pressed & (KButtonDecide | KButtonCancel)) {
        FadeOut(1);
        Reset();
        Game.RequestReset();
    }
}

void TVezGameOverScene::Draw() {
    if (!started_) return;
    TKandelBoard& board = Host.Board();
    board.FillRect(board.GetBounds(), 0, 0, 0);
    board.DrawSheet(0, 0, sheet_.GetBounds(), sheet_);
}

} // namespace kestra

#include "shell/LS_GameOver.h"

#include "base/Errors.h"
#include "data/DataBase.h"
#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"

namespace kestra {

TVezGameOverScene::TVezGameOverScene(TGameMain& game) : TVezScene(game), Game(game) {}

void TVezGameOverScene::Reset() {
    TVezScene::Reset();
    started_ = false;
    sheet_.FreePixels();
}

void TVezGameOverScene::Update() {
    if (!started_) {
        sheet_.SetSize(KScreenWidth, KScreenHeight);
        LoadScenePicture(Game, sheet_, Game.Session->DataBase.System.GameOverGraphic, "GameOver");
        started_ = true;
        FadeIn(1);
        return;
    }
    if (Game.Input->Pressed & (KButtonDecide | KButtonCancel)) {
        FadeOut(1);
        Reset();
        // The game starts over from the title.
        Game.Display->RequestReset();
    }
}

void TVezGameOverScene::Draw() {
    if (!started_) return;
    TKandelBoard& board = Host.Board();
    board.FillRect(board.GetBounds(), 0, 0, 0);
    board.DrawSheet(0, 0, sheet_.GetBounds(), sheet_);
}

} // namespace kestra

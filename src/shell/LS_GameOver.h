#pragma once
// The game-over scene: the game's picture faded in slowly, then any of Decide
// or Cancel fades out and starts the game over from the title.
#include "graphics/KandelSheet.h"
#include "shell/LS_Base.h"
#include "shell/LS_Title.h"

namespace kestra {

class TVezGameOverScene : public TVezScene {
public:
    TVezGameOverScene(TSceneHost& host, IVezTitleGame& game);
    void Reset() override;
    void Draw() override;
    void Update() override;

    bool Started() const { return started_; }

private:
    IVezTitleGame& Game;
    TKandelSheet sheet_;
    bool started_ = false;
};

} // namespace kestra

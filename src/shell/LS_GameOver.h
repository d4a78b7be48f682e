#pragma once
// The game-over scene: the game's picture faded in slowly, then any of Decide
// or Cancel fades out and starts the game over from the title.
#include "graphics/KandelSheet.h"
#include "shell/LS_Base.h"

namespace kestra {

class TGameMain;

class TVezGameOverScene : public TVezScene {
public:
    // The picture is the database's; the game must outlive the scene.
    explicit TVezGameOverScene(TGameMain& game);
    void Reset() override;
    void Draw() override;
    void Update() override;

    bool Started() const { return started_; }

private:
    TGameMain& Game;
    TKandelSheet sheet_;
    bool started_ = false;
};

} // namespace kestra

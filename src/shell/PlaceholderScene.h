#pragma once
// PLACEHOLDER for the scenes not built yet: the frame loop runs it for any scene
// number without a scene. It shows a moving test pattern, a marker that the
// direction buttons move and a block whose colour comes from the game's random
// generator, so that input, seed and frame count all show in the picture. Cancel
// (Escape) ends the program.
#include "shell/LS_Base.h"

#include <cstdint>
#include <functional>

namespace kestra {

class TMultiInput;

class TPlaceholderScene : public TVezScene {
public:
    // close is called when Cancel is pressed.
    TPlaceholderScene(TSceneHost& host, TMultiInput& input, std::function<void()> close);

    void Reset() override;
    void Update() override;
    void Draw() override;

    int Frame() const { return frame_; }
    TPoint Marker() const { return marker_; }

private:
    TMultiInput& input_;
    std::function<void()> close_;
    int frame_ = 0;
    TPoint marker_{160, 120};
    std::uint16_t noise_ = 0;
    TKandelSheet sheet_;
};

// A 32 x 32 sheet: diagonal colour bands inside a transparent ring of index 0.
void MakeTestSheet(TKandelSheet& sheet);
// The test pattern of frame `frame`, drawn with the board's sheet operations.
void DrawTestPattern(TKandelBoard& board, TKandelSheet& sheet, int frame);

} // namespace kestra

#include "shell/PlaceholderScene.h"

#include "media/MultiInput.h"

#include <algorithm>

namespace kestra {

void DrawTestPattern(TKandelBoard& board, int frame) {
    const int width = board.Width(), height = board.Height();
    for (int y = 0; y < height; ++y) {
        std::uint16_t* row = board.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            auto r = static_cast<std::uint16_t>((x * 32 / width) & 31);
            auto g = static_cast<std::uint16_t>(((y * 64 / height) + frame) & 63);
            auto b = static_cast<std::uint16_t>(((x ^ y) >> 3) & 31);
            row[x] = static_cast<std::uint16_t>(r << 11 | g << 5 | b);
        }
    }
}

TPlaceholderScene::TPlaceholderScene(TSceneHost& host, TMultiInput& input,
                                     std::function<void()> close)
    : TVezScene(host), input_(input), close_(std::move(close)) {}

void TPlaceholderScene::Reset() {
    TVezScene::Reset();
    frame_ = 0;
    marker_ = {160, 120};
    noise_ = 0;
}

void TPlaceholderScene::Update() {
    ++frame_;
    if (input_.Pressed & KButtonCancel) {
        if (close_) close_();
        return;
    }
    if (input_.Held & KButtonLeft) marker_.X -= 2;
    if (input_.Held & KButtonRight) marker_.X += 2;
    if (input_.Held & KButtonUp) marker_.Y -= 2;
    if (input_.Held & KButtonDown) marker_.Y += 2;
    marker_.X = std::clamp(marker_.X, 0, KScreenWidth - 8);
    marker_.Y = std::clamp(marker_.Y, 0, KScreenHeight - 8);
    noise_ = static_cast<std::uint16_t>(Host.Random().Next(0x10000));
}

void TPlaceholderScene::Draw() {
    TKandelBoard& board = Host.Board();
    DrawTestPattern(board, frame_);
    TKandelCanvas canvas = board.Canvas();
    canvas.FillRect(RectOfSize(marker_.X, marker_.Y, 8, 8), 0xFFFF);
    canvas.FillRect(RectOfSize(4, 4, 16, 16), noise_);
}

} // namespace kestra

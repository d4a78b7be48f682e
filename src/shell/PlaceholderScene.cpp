#include "shell/PlaceholderScene.h"

#include "media/MultiInput.h"

#include <algorithm>

namespace kestra {

void MakeTestSheet(TKandelSheet& sheet) {
    sheet.SetSize(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool ring = x < 2 || y < 2 || x >= 30 || y >= 30;
            sheet.ScanLine(y)[x] =
                static_cast<std::uint8_t>(ring ? 0 : 1 + ((x + y) * 4 + x) % 255);
        }
    for (int i = 1; i < 256; ++i)
        sheet.SetPaletteEntry(i, i < 128 ? 2 * i : 255, (i * 3) & 255, 255 - i);
    sheet.UpdateColors();
}

void DrawTestPattern(TKandelBoard& board, TKandelSheet& sheet, int frame) {
    board.Clear();
    sheet.Transparent = false;
    sheet.Opacity = 255;
    board.StretchSheet(board.GetBounds(), sheet, {2, 2, 30, 30}); // background
    sheet.Transparent = true;
    board.DrawSheet(16, 16, sheet.GetBounds(), sheet);
    board.StretchSheet({64, 16, 160, 64}, sheet, sheet.GetBounds());
    board.DrawSheetRotated(240, 80, sheet.GetBounds(), sheet, 16, 16, 2.0, frame);
    board.DrawSheetWaver(240, 180, sheet.GetBounds(), sheet, 16, 16, 1.5, frame * 4, 32, 4);
    sheet.Opacity = 128 + (frame * 2) % 128;
    board.DrawSheetZoomed(100, 170, sheet.GetBounds(), sheet, 16, 16, 2.5);
    board.FillRect({8, 224, 8 + frame % 304, 232}, 255, 255, 255);
}

TPlaceholderScene::TPlaceholderScene(TSceneHost& host, TMultiInput& input,
                                     std::function<void()> close)
    : TVezScene(host), input_(input), close_(std::move(close)) {
    MakeTestSheet(sheet_);
}

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
    // The pattern goes through the brightness, which the reset leaves at 0.
    board.Brightness = 100;
    DrawTestPattern(board, sheet_, frame_);
    TKandelCanvas canvas = board.Canvas();
    canvas.FillRect(RectOfSize(marker_.X, marker_.Y, 8, 8), 0xFFFF);
    canvas.FillRect(RectOfSize(4, 4, 16, 16), noise_);
}

} // namespace kestra

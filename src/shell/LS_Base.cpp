#include "shell/LS_Base.h"
#include "shell/LS_Transitions.h"

#include "graphics/KandelSpan.h"
#include "graphics/KandelTrig.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace kestra {

namespace {

constexpr int KSteps = 41;
constexpr int KBlocks = 80 * 60;
constexpr int KBlocksPerStep = 120;

} // namespace

namespace transition {

std::vector<int> BlockOrder(int transition, TRandom& random) {
    std::vector<int> order(KBlocks);
    std::iota(order.begin(), order.end(), 0);
    if (transition == 1) {
        for (int p = 0; p < KBlocks; ++p) std::swap(order[p], order[random.Next(KBlocks)]);
        return order;
    }
    if (transition == 3) std::reverse(order.begin(), order.end());
    for (int p = 800; p < 4000; ++p) std::swap(order[p], order[p - 800 + random.Next(1600)]);
    return order;
}

std::uint16_t CrossFadePixel(std::uint16_t a, std::uint16_t b, int l) {
    const int m = 257 - l;
    int r = (l * (a >> 11) + m * (b >> 11)) >> 8;
    int g = (l * ((a >> 5) & 63) + m * ((b >> 5) & 63)) >> 8;
    int bl = (l * (a & 31) + m * (b & 31)) >> 8;
    return static_cast<std::uint16_t>(std::min(r, 31) << 11 | std::min(g, 63) << 5 |
                                      std::min(bl, 31));
}

TRect ZoomSource(bool show, int i, TPoint c) {
    if (show) {
        int left = std::clamp((2 * (40 - i) * c.X + 160 * i) / (80 - i) - 4 * i, 0, 320 - 8 * i);
        int top = std::clamp((2 * (40 - i) * c.Y + 120 * i) / (80 - i) - 3 * i, 0, 240 - 6 * i);
        return RectOfSize(left, top, 8 * i, 6 * i);
    }
    int left = std::clamp((2 * i * c.X + 160 * (40 - i)) / (i + 40) + 4 * i - 160, 0, 8 * i);
    int top = std::clamp((2 * i * c.Y + 120 * (40 - i)) / (i + 40) - 120 + 3 * i, 0, 6 * i);
    return RectOfSize(left, top, 320 - 8 * i, 240 - 6 * i);
}

void StretchBoard(TKandelBoard& dest, const TKandelBoard& source, const TRect& sourceRect) {
    // A source of no pixels (the first show step, the last hide step) draws nothing.
    TRect src = sourceRect.Intersect(source.GetBounds());
    if (src.Empty() || src != sourceRect || dest.Width() <= 0 || dest.Height() <= 0) return;
    const int w = dest.Width(), h = dest.Height();
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) columns[x] = x * src.Width() / w + src.Left;
    for (int y = 0; y < h; ++y) {
        const std::uint16_t* from = source.ScanLine(y * src.Height() / h + src.Top);
        std::uint16_t* to = dest.ScanLine(y);
        for (int x = 0; x < w; ++x) to[x] = from[columns[x]];
    }
}

void CrossFade(TKandelBoard& dest, const TKandelBoard& a, const TKandelBoard& b, int l) {
    const int w = std::min({dest.Width(), a.Width(), b.Width()});
    const int h = std::min({dest.Height(), a.Height(), b.Height()});
    for (int y = 0; y < h; ++y) CrossFadeRow(dest.ScanLine(y), a.ScanLine(y), b.ScanLine(y), w, l);
}

void Mosaic(TKandelBoard& dest, const TKandelBoard& source, int a, int r) {
    if (a < 1) a = 1;
    const int e = a / 2;
    const int w = std::min(dest.Width(), source.Width());
    const int h = std::min(dest.Height(), source.Height());
    if (w <= 0 || h <= 0) return;
    auto at = [&](int v, int limit) { return std::clamp(a * ((r + e + v) / a) - e, 0, limit - 1); };
    // Source columns and rows are constant over runs of up to a pixels: each run of a
    // row is one fill, and a row from the same source row as the one above is a copy.
    int previous = -1;
    for (int y = 0; y < h; ++y) {
        const int sy = at(y, h);
        std::uint16_t* to = dest.ScanLine(y);
        if (sy == previous) {
            std::memcpy(to, dest.ScanLine(y - 1), static_cast<std::size_t>(w) * 2);
            continue;
        }
        previous = sy;
        const std::uint16_t* from = source.ScanLine(sy);
        for (int x = 0; x < w;) {
            const int sx = at(x, w);
            // The run ends where (r + e + x) div a steps on.
            const int end = std::min(w, a * ((r + e + x) / a + 1) - r - e);
            std::fill(to + x, to + std::max(end, x + 1), from[sx]);
            x = std::max(end, x + 1);
        }
    }
}

int WaveShift(int amplitude, int row) {
    return static_cast<int>(std::trunc(KandelSine(amplitude * 16 + 8 * row) * 2 * amplitude));
}

void Wave(TKandelBoard& dest, const TKandelBoard& source, int amplitude) {
    const int w = std::min(dest.Width(), source.Width());
    const int h = std::min(dest.Height(), source.Height());
    for (int y = 0; y < h; ++y) {
        const std::uint16_t* from = source.ScanLine(y);
        std::uint16_t* to = dest.ScanLine(y);
        const int s = std::clamp(WaveShift(amplitude, y), -w, w);
        // s >= 0 moves the row left and blackens the right edge; s < 0 the opposite.
        const auto kept = static_cast<std::size_t>(w - std::abs(s));
        if (s >= 0) {
            std::memmove(to, from + s, kept * 2);
            std::fill(to + kept, to + w, std::uint16_t{0});
        } else {
            std::memmove(to - s, from, kept * 2);
            std::fill(to, to - s, std::uint16_t{0});
        }
    }
}

void MosaicPortable(TKandelBoard& dest, const TKandelBoard& source, int a, int r) {
    if (a < 1) a = 1;
    const int e = a / 2;
    const int w = std::min(dest.Width(), source.Width());
    const int h = std::min(dest.Height(), source.Height());
    if (w <= 0 || h <= 0) return;
    auto at = [&](int v, int limit) { return std::clamp(a * ((r + e + v) / a) - e, 0, limit - 1); };
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) columns[x] = at(x, w);
    for (int y = 0; y < h; ++y) {
        const std::uint16_t* from = source.ScanLine(at(y, h));
        std::uint16_t* to = dest.ScanLine(y);
        for (int x = 0; x < w; ++x) to[x] = from[columns[x]];
    }
}

void WavePortable(TKandelBoard& dest, const TKandelBoard& source, int amplitude) {
    const int w = std::min(dest.Width(), source.Width());
    const int h = std::min(dest.Height(), source.Height());
    for (int y = 0; y < h; ++y) {
        const std::uint16_t* from = source.ScanLine(y);
        std::uint16_t* to = dest.ScanLine(y);
        const int s = std::clamp(WaveShift(amplitude, y), -w, w);
        // s >= 0 moves the row left and blackens the right edge; s < 0 the opposite.
        for (int x = 0; x < w; ++x) {
            int sx = x + s;
            to[x] = sx >= 0 && sx < w ? from[sx] : 0;
        }
    }
}

} // namespace transition

TVezScene::TVezScene(TSceneHost& host) : Host(host) {
    OldBoard.SetSize(KScreenWidth, KScreenHeight);
    NewBoard.SetSize(KScreenWidth, KScreenHeight);
}

void TVezScene::Reset() {
    OldBoard.Clear();
    NewBoard.Clear();
}

void TVezScene::DrawFrame() {
    if (Host.CanDraw()) {
        Draw();
        Host.Present();
    }
    Host.WaitFrame();
}

void TVezScene::FadeIn(double step) {
    TKandelBoard& board = Host.Board();
    // A step that cannot reach the end would never finish: take it at once.
    if (!(step > 0)) board.Brightness = std::max(board.Brightness, 100);
    double a = board.Brightness;
    while (board.Brightness < 100) {
        a += step;
        board.Brightness = static_cast<int>(std::min(std::trunc(a), 100.0));
        DrawFrame();
    }
    Draw();
    Host.Present();
    Host.FlushInput();
}

void TVezScene::FadeOut(double step) {
    TKandelBoard& board = Host.Board();
    if (!(step > 0)) board.Brightness = std::min(board.Brightness, 0);
    double a = board.Brightness;
    while (board.Brightness > 0) {
        a -= step;
        board.Brightness = static_cast<int>(std::max(std::trunc(a), 0.0));
        DrawFrame();
    }
    Draw();
    Host.Present();
    Host.FlushInput();
}

void TVezScene::Flash() {
    TKandelBoard& board = Host.Board();
    for (int twice = 0; twice < 2; ++twice)
        for (int k = 0; k < 10; ++k) {
            board.Brightness = 200 - 10 * k;
            DrawFrame();
        }
    board.Brightness = 100;
    Draw();
    Host.Present();
    Host.FlushInput();
}

void TVezScene::ShowWithTransition(int t) {
    TKandelBoard& board = Host.Board();
    if (t != 0) board.Brightness = 100;
    OldBoard.CopyBoard(0, 0, board.GetBounds(), board);
    Draw();
    NewBoard.CopyBoard(0, 0, board.GetBounds(), board);
    board.CopyBoard(0, 0, OldBoard.GetBounds(), OldBoard);
    RunTransition(t, true);
    Host.FlushInput();
}

void TVezScene::HideWithTransition(int t) {
    TKandelBoard& board = Host.Board();
    Draw();
    OldBoard.CopyBoard(0, 0, board.GetBounds(), board);
    NewBoard.Clear();
    RunTransition(t, false);
    board.Brightness = 0;
    Draw();
    Host.FlushInput();
}

void TVezScene::RunTransition(int t, bool show) {
    if (t == 0) {
        if (!show)
            FadeOut(3);
        else if (Host.Board().Brightness >= 100)
            CrossFade();
        else
            FadeIn(3);
        return;
    }
    TKandelBoard& board = Host.Board();
    if (t == 19) {
        board.CopyBoard(0, 0, NewBoard.GetBounds(), NewBoard);
        Host.Present();
        return;
    }
    std::vector<int> order;
    if (t >= 1 && t <= 3) order = transition::BlockOrder(t, Host.Random());
    const bool paintsAlways = t >= 1 && t <= 8;
    for (int i = 0; i < KSteps; ++i) {
        const bool onTime = Host.CanDraw();
        if (paintsAlways || onTime) PaintStep(t, show, i, order);
        if (onTime) Host.Present();
        Host.WaitFrame();
    }
}

void TVezScene::CrossFade() {
    TKandelBoard& board = Host.Board();
    for (int i = 0; i < KSteps; ++i) {
        if (Host.CanDraw()) {
            const int l = 256 - 32 * i / 5; // 256 - trunc(6.4 i)
            transition::CrossFade(board, OldBoard, NewBoard, l);
            Host.Present();
        }
        Host.WaitFrame();
    }
}

void TVezScene::Paint(const TRect& rect) {
    Host.Board().CopyBoard(rect.Left, rect.Top, rect, NewBoard);
}

void TVezScene::Place(const TKandelBoard& source, const TRect& rect, int x, int y) {
    Host.Board().CopyBoard(x, y, rect, source);
}

void TVezScene::PaintStep(int t, bool show, int i, const std::vector<int>& order) {
    TKandelBoard& board = Host.Board();
    const TRect whole = board.GetBounds();
    switch (t) {
    case 1:
    case 2:
    case 3:
        if (i < 40)
            for (int k = KBlocksPerStep * i; k < KBlocksPerStep * (i + 1); ++k) {
                const int block = order[static_cast<std::size_t>(k)];
                Paint(RectOfSize(4 * (block % 80), 4 * (block / 80), 4, 4));
            }
        break;
    case 4: {
        const int row = show ? i / 5 : 7 - i / 5;
        if (row >= 0 && row < 8)
            for (int band = 0; band < 240; band += 8) Paint(RectOfSize(0, band + row, 320, 1));
        break;
    }
    case 5:
        Paint(RectOfSize(0, 6 * i, 320, 3));
        Paint(RectOfSize(0, 237 - 6 * i, 320, 3));
        break;
    case 6:
        Paint(RectOfSize(8 * i, 0, 4, 240));
        Paint(RectOfSize(316 - 8 * i, 0, 4, 240));
        break;
    case 7:
        Paint(RectOfSize(0, 3 * i, 320, 3));
        Paint(RectOfSize(0, 240 - 3 * i, 320, 3));
        Paint(RectOfSize(4 * i, 0, 4, 240));
        Paint(RectOfSize(320 - 4 * i, 0, 4, 240));
        break;
    case 8:
        Paint(RectOfSize(160 - 4 * i, 120 - 3 * i, 8 * i, 6 * i));
        break;
    case 9:
        Place(OldBoard, whole, 0, -6 * i);
        Place(NewBoard, whole, 0, 240 - 6 * i);
        break;
    case 10:
        Place(NewBoard, whole, 0, 6 * i - 240);
        Place(OldBoard, whole, 0, 6 * i);
        break;
    case 11:
        Place(OldBoard, whole, -8 * i, 0);
        Place(NewBoard, whole, 320 - 8 * i, 0);
        break;
    case 12:
        Place(NewBoard, whole, 8 * i - 320, 0);
        Place(OldBoard, whole, 8 * i, 0);
        break;
    case 13: {
        const TRect top = RectOfSize(0, 0, 320, 120), bottom = RectOfSize(0, 120, 320, 120);
        if (show) {
            Place(OldBoard, whole, 0, 0);
            Place(NewBoard, top, 0, 3 * i - 120);
            Place(NewBoard, bottom, 0, 240 - 3 * i);
        } else {
            Place(NewBoard, whole, 0, 0);
            Place(OldBoard, top, 0, -3 * i);
            Place(OldBoard, bottom, 0, 120 + 3 * i);
        }
        break;
    }
    case 14: {
        const TRect left = RectOfSize(0, 0, 160, 240), right = RectOfSize(160, 0, 160, 240);
        if (show) {
            Place(OldBoard, whole, 0, 0);
            Place(NewBoard, left, 4 * i - 160, 0);
            Place(NewBoard, right, 320 - 4 * i, 0);
        } else {
            Place(NewBoard, whole, 0, 0);
            Place(OldBoard, left, -4 * i, 0);
            Place(OldBoard, right, 160 + 4 * i, 0);
        }
        break;
    }
    case 15: {
        const TRect tl = RectOfSize(0, 0, 160, 120), tr = RectOfSize(160, 0, 160, 120);
        const TRect bl = RectOfSize(0, 120, 160, 120), br = RectOfSize(160, 120, 160, 120);
        if (show) {
            Place(OldBoard, whole, 0, 0);
            Place(NewBoard, tl, 4 * i - 160, 3 * i - 120);
            Place(NewBoard, tr, 320 - 4 * i, 3 * i - 120);
            Place(NewBoard, bl, 4 * i - 160, 240 - 3 * i);
            Place(NewBoard, br, 320 - 4 * i, 240 - 3 * i);
        } else {
            Place(NewBoard, whole, 0, 0);
            Place(OldBoard, tl, -4 * i, -3 * i);
            Place(OldBoard, tr, 160 + 4 * i, -3 * i);
            Place(OldBoard, bl, -4 * i, 120 + 3 * i);
            Place(OldBoard, br, 160 + 4 * i, 120 + 3 * i);
        }
        break;
    }
    case 16:
        transition::StretchBoard(board, show ? NewBoard : OldBoard,
                                 transition::ZoomSource(show, i, ZoomCentre()));
        break;
    case 17: {
        const int a = show ? 41 - i : i + 1;
        transition::Mosaic(board, show ? NewBoard : OldBoard, a, Host.Random().Next(a));
        break;
    }
    case 18:
        transition::Wave(board, show ? NewBoard : OldBoard, show ? 41 - i : i + 1);
        break;
    default:
        break; // unknown numbers spend their frames and paint nothing
    }
}

} // namespace kestra

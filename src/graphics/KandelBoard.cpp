#include "graphics/KandelBoard.h"
#include "base/Errors.h"
#include "graphics/KandelBoardPortable.h"
#include "graphics/KandelSpan.h"
#include "graphics/KandelTrig.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

namespace kestra {

namespace {

using i64 = std::int64_t;

// Real to integer without undefined behaviour: NaN gives 0, out-of-range values
// saturate at the given limit.
i64 SaturateToInt(double v, i64 limit) {
    if (std::isnan(v)) return 0;
    const auto l = static_cast<double>(limit);
    return static_cast<i64>(std::clamp(v, -l, l));
}
i64 TruncInt(double v) {
    return SaturateToInt(std::trunc(v), std::numeric_limits<int>::max());
}
i64 RoundInt(double v) {
    return SaturateToInt(std::nearbyint(v), std::numeric_limits<int>::max());
}

// ---------------------------------------------------------------------------
// Pixel writing

enum class TDrawMode { Copy, Keyed, Blend, KeyedBlend };

struct TBlit {
    const std::uint16_t* Colors;
    std::uint32_t E, F; // blend weights out of 256, E + F = 257
    TDrawMode Mode;
};

template <TDrawMode M>
inline void Put(std::uint16_t& d, std::uint8_t c, const TBlit& b) {
    if constexpr (M == TDrawMode::Copy) {
        d = b.Colors[c];
    } else if constexpr (M == TDrawMode::Keyed) {
        // Load and store unconditionally so that no branch depends on the pixel.
        const std::uint16_t v = b.Colors[c], old = d;
        d = c != 0 ? v : old;
    } else if constexpr (M == TDrawMode::Blend) {
        d = BlendRgb565(b.Colors[c], d, b.E, b.F);
    } else {
        const std::uint16_t old = d, v = BlendRgb565(b.Colors[c], old, b.E, b.F);
        d = c != 0 ? v : old;
    }
}

template <TDrawMode M>
void SpanMapped(std::uint16_t* d, const std::uint8_t* s, const int* cols, int n, const TBlit& b) {
    for (int i = 0; i < n; ++i) Put<M>(d[i], s[cols[i]], b);
}

// Calls f with the draw mode as a compile-time constant.
template <typename Fn>
void WithMode(TDrawMode mode, Fn&& f) {
    switch (mode) {
    case TDrawMode::Copy:
        f(std::integral_constant<TDrawMode, TDrawMode::Copy>{});
        break;
    case TDrawMode::Keyed:
        f(std::integral_constant<TDrawMode, TDrawMode::Keyed>{});
        break;
    case TDrawMode::Blend:
        f(std::integral_constant<TDrawMode, TDrawMode::Blend>{});
        break;
    case TDrawMode::KeyedBlend:
        f(std::integral_constant<TDrawMode, TDrawMode::KeyedBlend>{});
        break;
    }
}

// ---------------------------------------------------------------------------
// Scaling tables

// Floor and ceiling of a / d for d > 0.
i64 FloorDiv(i64 a, i64 d) {
    return a >= 0 ? a / d : -((-a + d - 1) / d);
}
i64 CeilDiv(i64 a, i64 d) {
    return -FloorDiv(-a, d);
}

// Maps destination coordinates [lo, hi) of an axis that starts at destOrigin and
// spans destSize to source coordinates (d - destOrigin) * srcSize div destSize +
// srcOrigin, keeping only the run whose source lies in [0, limit). The mapping
// never decreases, so that run is contiguous; `first` is its first destination.
struct TAxisMap {
    i64 First = 0;
    std::vector<int> Source;
};

void MapAxis(i64 lo, i64 hi, i64 destOrigin, i64 destSize, i64 srcOrigin, i64 srcSize, int limit,
             TAxisMap& out) {
    // With t = d - destOrigin: source >= 0 from t = ceil(-srcOrigin destSize / srcSize),
    // source < limit below t = ceil((limit - srcOrigin) destSize / srcSize). Factors are
    // capped at srcSize, beyond which the bound lies outside the axis anyway.
    i64 tLo = 0, tHi = destSize;
    if (srcOrigin < 0) tLo = CeilDiv(std::min(-srcOrigin, srcSize) * destSize, srcSize);
    const i64 room = limit - srcOrigin;
    if (room < srcSize) tHi = room <= 0 ? 0 : CeilDiv(room * destSize, srcSize);
    const i64 first = std::max(lo, destOrigin + tLo), last = std::min(hi, destOrigin + tHi);
    out.First = first;
    out.Source.clear();
    if (last <= first) return;
    out.Source.resize(static_cast<std::size_t>(last - first));
    const i64 num = (first - destOrigin) * srcSize;
    i64 q = num / destSize + srcOrigin, rem = num % destSize;
    const i64 qStep = srcSize / destSize, rStep = srcSize % destSize;
    for (int& source : out.Source) {
        source = static_cast<int>(q);
        q += qStep;
        rem += rStep;
        if (rem >= destSize) rem -= destSize, ++q;
    }
}

// The steps k in [0, n) with lo <= start + k step < hi: a run [First, Last), as the
// value is linear in k.
struct TStepRange {
    i64 First, Last;
};
TStepRange StepRange(i64 start, i64 step, i64 lo, i64 hi, i64 n) {
    i64 a, b;
    if (step == 0) {
        a = 0;
        b = start >= lo && start < hi ? n : 0;
    } else if (step > 0) {
        a = CeilDiv(lo - start, step);
        b = CeilDiv(hi - start, step);
    } else {
        a = FloorDiv(start - hi, -step) + 1;
        b = FloorDiv(start - lo, -step) + 1;
    }
    return {std::max<i64>(a, 0), std::min(b, n)};
}

// Sizes in 64 bits; a rectangle of ints can span more than an int holds.
i64 SpanX(const TRect& r) {
    return i64{r.Right} - r.Left;
}
i64 SpanY(const TRect& r) {
    return i64{r.Bottom} - r.Top;
}
// Scaled drawing multiplies destination offsets (below 2^32) by source sizes.
constexpr i64 KMaxScaledSource = i64{1} << 30;

} // namespace

// ---------------------------------------------------------------------------
// Canvas

void TKandelCanvas::SetPixel(int x, int y, std::uint16_t color) {
    if (x < 0 || y < 0 || x >= Board.Width() || y >= Board.Height()) return;
    Board.ScanLine(y)[x] = color;
}

void TKandelCanvas::FillRect(const TRect& rect, std::uint16_t color) {
    const TRect r = rect.Intersect(Board.GetBounds());
    if (r.Empty()) return;
    for (int y = r.Top; y < r.Bottom; ++y)
        std::fill(Board.ScanLine(y) + r.Left, Board.ScanLine(y) + r.Right, color);
}

void TKandelCanvas::DrawMonoBitmap(int x, int y, int width, int height, const std::uint8_t* bits,
                                   int pitch, std::uint16_t color) {
    for (int j = 0; j < height; ++j) {
        const i64 by = static_cast<i64>(y) + j;
        if (by < 0 || by >= Board.Height()) continue;
        const std::uint8_t* row = bits + static_cast<i64>(j) * pitch;
        std::uint16_t* line = Board.ScanLine(static_cast<int>(by));
        for (int i = 0; i < width; ++i) {
            const i64 bx = static_cast<i64>(x) + i;
            if (bx < 0 || bx >= Board.Width()) continue;
            if (row[i >> 3] & (0x80 >> (i & 7))) line[bx] = color;
        }
    }
}

// ---------------------------------------------------------------------------
// Board

void TKandelBoard::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) width = height = 0;
    if (width > KMaxImageSide || height > KMaxImageSide ||
        static_cast<i64>(width) * height > KMaxImagePixels)
        throw EInvalidGraphic("board size " + std::to_string(width) + " x " +
                              std::to_string(height) + " is too large");
    if (width != Width_ || height != Height_) {
        std::vector<std::uint16_t>().swap(Pixels);
        Pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        Width_ = width;
        Height_ = height;
    }
    Clear();
}

void TKandelBoard::Clear() {
    std::fill(Pixels.begin(), Pixels.end(), std::uint16_t{0});
}

void TKandelBoard::FillRect(const TRect& rect, int red, int green, int blue) {
    const int b = std::clamp(Brightness, 0, 200);
    const auto adjust = [b](int c) {
        c = std::clamp(c, 0, 255);
        if (b < 100) return b * c / 100;
        if (b > 100) return c + (b - 100) * (255 - c) / 100;
        return c;
    };
    Canvas().FillRect(rect, ColorFromRgb(adjust(red), adjust(green), adjust(blue)));
}

void TKandelBoard::CopyBoard(int x, int y, const TRect& sourceRect, const TKandelBoard& source) {
    i64 sl = sourceRect.Left, st = sourceRect.Top, sr = sourceRect.Right, sb = sourceRect.Bottom;
    i64 dx = x, dy = y;
    if (sl < 0) dx -= sl, sl = 0;
    if (st < 0) dy -= st, st = 0;
    sr = std::min<i64>(sr, source.Width_);
    sb = std::min<i64>(sb, source.Height_);
    if (dx < 0) sl -= dx, dx = 0;
    if (dy < 0) st -= dy, dy = 0;
    sr = std::min<i64>(sr, sl + (Width_ - dx));
    sb = std::min<i64>(sb, st + (Height_ - dy));
    if (sr <= sl || sb <= st) return;
    const auto bytes = static_cast<std::size_t>(sr - sl) * 2;
    // Within one board, copy downward-moving rows from the bottom up.
    const bool upward = &source == this && dy > st;
    for (i64 k = 0; k < sb - st; ++k) {
        const i64 j = upward ? sb - st - 1 - k : k;
        std::memmove(ScanLine(static_cast<int>(dy + j)) + dx,
                     source.ScanLine(static_cast<int>(st + j)) + sl, bytes);
    }
}

namespace {

// Brings the sheet's table to the board's brightness and picks the pixel mode.
TBlit Prepare(TKandelSheet& sheet, int brightness) {
    if (sheet.Brightness != brightness) {
        sheet.Brightness = brightness;
        sheet.UpdateColors();
    }
    const int opacity = std::clamp(sheet.Opacity, 0, 255);
    TBlit b{sheet.Colors.data(), static_cast<std::uint32_t>(opacity + 1),
            static_cast<std::uint32_t>(256 - opacity), TDrawMode::Copy};
    if (opacity == 255)
        b.Mode = sheet.Transparent ? TDrawMode::Keyed : TDrawMode::Copy;
    else
        b.Mode = sheet.Transparent ? TDrawMode::KeyedBlend : TDrawMode::Blend;
    return b;
}

} // namespace

void TKandelBoard::DrawSheet(int x, int y, const TRect& sourceRect, TKandelSheet& sheet) {
    i64 sl = sourceRect.Left, st = sourceRect.Top, sr = sourceRect.Right, sb = sourceRect.Bottom;
    if (sr <= sl || sb <= st) return;
    i64 dx = x, dy = y;
    if (sl < 0) dx -= sl, sl = 0;
    if (st < 0) dy -= st, st = 0;
    sr = std::min<i64>(sr, sheet.Width());
    sb = std::min<i64>(sb, sheet.Height());
    if (dx < 0) sl -= dx, dx = 0;
    if (dy < 0) st -= dy, dy = 0;
    sr = std::min<i64>(sr, sl + (Width_ - dx));
    sb = std::min<i64>(sb, st + (Height_ - dy));
    if (sr <= sl || sb <= st) return;
    const TBlit b = Prepare(sheet, Brightness);
    const int w = static_cast<int>(sr - sl);
    TableBlit(ScanLine(static_cast<int>(dy)) + dx, Width_,
              sheet.ScanLine(static_cast<int>(st)) + sl, sheet.Width(), w,
              static_cast<int>(sb - st), b.Colors, sheet.Transparent, static_cast<int>(b.E) - 1);
}

void TKandelBoard::StretchSheet(const TRect& destRect, TKandelSheet& sheet,
                                const TRect& sourceRect) {
    const i64 dw = SpanX(destRect), dh = SpanY(destRect);
    const i64 sw = SpanX(sourceRect), sh = SpanY(sourceRect);
    if (dw == sw && dh == sh) {
        DrawSheet(destRect.Left, destRect.Top, sourceRect, sheet);
        return;
    }
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (sw > KMaxScaledSource || sh > KMaxScaledSource) return;
    TAxisMap cols, rows;
    MapAxis(std::max(destRect.Left, 0), std::min(destRect.Right, Width_), destRect.Left, dw,
            sourceRect.Left, sw, sheet.Width(), cols);
    MapAxis(std::max(destRect.Top, 0), std::min(destRect.Bottom, Height_), destRect.Top, dh,
            sourceRect.Top, sh, sheet.Height(), rows);
    if (cols.Source.empty() || rows.Source.empty()) return;
    const TBlit b = Prepare(sheet, Brightness);
    const int n = static_cast<int>(cols.Source.size());
    WithMode(b.Mode, [&](auto mode) {
        for (std::size_t j = 0; j < rows.Source.size(); ++j) {
            std::uint16_t* line =
                ScanLine(static_cast<int>(rows.First + static_cast<i64>(j))) + cols.First;
            // A solid row from the same source row as the one above is that row again.
            if (mode.value == TDrawMode::Copy && j > 0 && rows.Source[j] == rows.Source[j - 1])
                std::memcpy(line, line - Width_, static_cast<std::size_t>(n) * 2);
            else
                SpanMapped<mode.value>(line, sheet.ScanLine(rows.Source[j]), cols.Source.data(), n,
                                       b);
        }
    });
}

void TKandelBoard::DrawSheetZoomed(int x, int y, const TRect& sourceRect, TKandelSheet& sheet,
                                   int anchorX, int anchorY, double zoom) {
    if (!(zoom > 0)) return;
    if (zoom == 1) {
        DrawSheet(
            static_cast<int>(std::clamp<i64>(static_cast<i64>(x) - anchorX, INT32_MIN, INT32_MAX)),
            static_cast<int>(std::clamp<i64>(static_cast<i64>(y) - anchorY, INT32_MIN, INT32_MAX)),
            sourceRect, sheet);
        return;
    }
    const TRect dest{static_cast<int>(RoundInt(x - zoom * anchorX)),
                     static_cast<int>(RoundInt(y - zoom * anchorY)),
                     static_cast<int>(RoundInt(x + zoom * anchorX)),
                     static_cast<int>(RoundInt(y + zoom * anchorY))};
    StretchSheet(dest, sheet, sourceRect);
}

namespace {

// Rotated drawing; `wide` takes the vector rows, otherwise the portable ones.
void DrawRotated(TKandelBoard& board, int x, int y, const TRect& sourceRect, TKandelSheet& sheet,
                 int anchorX, int anchorY, double zoom, int angle, bool wide) {
    if (!(zoom > 0) || sourceRect.Empty()) return;
    const TRect valid = sourceRect.Intersect(sheet.GetBounds());
    if (valid.Empty()) return;
    const double s = KandelSine(angle), k = KandelCosine(angle), z = zoom;
    const double ax = anchorX, ay = anchorY;
    const auto w = static_cast<double>(SpanX(sourceRect));
    const auto h = static_cast<double>(SpanY(sourceRect));
    const double x0 = x - z * (ax * k - ay * s), y0 = y - z * (ax * s + ay * k);
    const double cx[4] = {x0, x0 + z * w * k, x0 - z * h * s, x0 + z * w * k - z * h * s};
    const double cy[4] = {y0, y0 + z * w * s, y0 + z * h * k, y0 + z * w * s + z * h * k};
    i64 minX = TruncInt(cx[0]), maxX = minX, minY = TruncInt(cy[0]), maxY = minY;
    for (int i = 1; i < 4; ++i) {
        minX = std::min(minX, TruncInt(cx[i]));
        maxX = std::max(maxX, TruncInt(cx[i]));
        minY = std::min(minY, TruncInt(cy[i]));
        maxY = std::max(maxY, TruncInt(cy[i]));
    }
    // The corners are points, so the box includes its far edges; source points
    // outside the rectangle are skipped anyway.
    minX = std::max<i64>(minX, 0);
    minY = std::max<i64>(minY, 0);
    maxX = std::min<i64>(maxX, board.Width() - 1);
    maxY = std::min<i64>(maxY, board.Height() - 1);
    if (maxX < minX || maxY < minY) return;
    const TBlit b = Prepare(sheet, board.Brightness);
    // 16.16 fixed point in 64 bits, saturated far beyond any source coordinate.
    constexpr i64 limit = i64{1} << 52;
    const i64 du = SaturateToInt(std::nearbyint(k / z * 65536.0), limit);
    const i64 dv = SaturateToInt(std::nearbyint(-s / z * 65536.0), limit);
    const i64 vl = i64{valid.Left} << 16, vr = i64{valid.Right} << 16;
    const i64 vt = i64{valid.Top} << 16, vb = i64{valid.Bottom} << 16;
    const i64 n = maxX - minX + 1;
    const std::uint8_t* pixels = sheet.ScanLine(0);
    const i64 pitch = sheet.Width();
    WithMode(b.Mode, [&](auto mode) {
        for (i64 dy = minY; dy <= maxY; ++dy) {
            const double rx = static_cast<double>(minX - x), ry = static_cast<double>(dy - y);
            const i64 u = SaturateToInt(
                std::nearbyint(((rx * k + ry * s) / z + ax + sourceRect.Left) * 65536.0), limit);
            const i64 v = SaturateToInt(
                std::nearbyint(((-rx * s + ry * k) / z + ay + sourceRect.Top) * 65536.0), limit);
            // The steps whose source point lies inside the valid source area.
            const TStepRange ru = StepRange(u, du, vl, vr, n), rv = StepRange(v, dv, vt, vb, n);
            const i64 first = std::max(ru.First, rv.First), last = std::min(ru.Last, rv.Last);
            if (last <= first) continue;
            std::uint16_t* line = board.ScanLine(static_cast<int>(dy)) + minX;
            // The points of the run lie inside the source, so they fit 32 bits; a step
            // that does not fit leaves at most one point.
            if (du == static_cast<std::int32_t>(du) && dv == static_cast<std::int32_t>(dv)) {
                (wide ? SampleRow : SampleRowPortable)(
                    line + first, static_cast<int>(last - first), pixels, static_cast<int>(pitch),
                    static_cast<std::int32_t>(u + first * du),
                    static_cast<std::int32_t>(v + first * dv), static_cast<std::int32_t>(du),
                    static_cast<std::int32_t>(dv), b.Colors, sheet.Transparent,
                    static_cast<int>(b.E) - 1);
                continue;
            }
            for (i64 i = first; i < last; ++i) {
                const i64 su = (u + i * du) >> 16, sv = (v + i * dv) >> 16;
                Put<mode.value>(line[i], pixels[sv * pitch + su], b);
            }
        }
    });
}

} // namespace

void TKandelBoard::DrawSheetRotated(int x, int y, const TRect& sourceRect, TKandelSheet& sheet,
                                    int anchorX, int anchorY, double zoom, int angle) {
    DrawRotated(*this, x, y, sourceRect, sheet, anchorX, anchorY, zoom, angle, true);
}

void DrawSheetRotatedPortable(TKandelBoard& board, int x, int y, const TRect& sourceRect,
                              TKandelSheet& sheet, int anchorX, int anchorY, double zoom,
                              int angle) {
    DrawRotated(board, x, y, sourceRect, sheet, anchorX, anchorY, zoom, angle, false);
}

void TKandelBoard::DrawSheetWaver(int x, int y, const TRect& sourceRect, TKandelSheet& sheet,
                                  int anchorX, int anchorY, double zoom, int phase, int period,
                                  int amplitude) {
    if (!(zoom > 0) || period <= 0 || sourceRect.Empty()) return;
    const i64 sw = SpanX(sourceRect), sh = SpanY(sourceRect);
    if (sw > KMaxScaledSource || sh > KMaxScaledSource) return;
    const i64 hx = TruncInt(zoom * anchorX), hy = TruncInt(zoom * anchorY);
    const i64 left = x - hx, top = y - hy, right = x + hx, bottom = y + hy;
    const i64 dw = right - left, dh = bottom - top;
    if (dw <= 0 || dh <= 0) return;
    TAxisMap rows;
    MapAxis(std::max<i64>(top, 0), std::min<i64>(bottom, Height_), top, dh, sourceRect.Top, sh,
            sheet.Height(), rows);
    if (rows.Source.empty()) return;
    const TBlit b = Prepare(sheet, Brightness);
    // The row shifts first: they bound the columns any row shows.
    std::vector<i64> shifts(rows.Source.size());
    for (std::size_t j = 0; j < rows.Source.size(); ++j) {
        const i64 r = rows.First + static_cast<i64>(j) - top;
        // h r 256 div H, split so that no product leaves 64 bits (r < H).
        const i64 hr = sh * r;
        const i64 scaled = hr / dh * 256 + hr % dh * 256 / dh;
        const auto index = static_cast<int>((phase + scaled / period) & 255);
        shifts[j] = TruncInt(zoom * amplitude * KandelSine(index));
    }
    const auto [minShift, maxShift] = std::minmax_element(shifts.begin(), shifts.end());
    // Offsets t = column - row left of every visible pixel, and the source column of
    // each: t sw div dw + source left, for the part inside the sheet.
    const i64 tLo = std::max<i64>(0, -(left + *maxShift));
    const i64 tHi = std::min<i64>(dw, Width_ - (left + *minShift));
    if (tHi <= tLo) return;
    TAxisMap cols;
    const bool oneToOne = dw == sw;
    i64 runFirst = 0, runLast = 0;
    if (oneToOne) { // source column t + source left, no table
        runFirst = std::max<i64>(tLo, -i64{sourceRect.Left});
        runLast = std::min<i64>(tHi, sheet.Width() - i64{sourceRect.Left});
    } else if (tHi - tLo <= 4 * i64{Width_} + 64) {
        MapAxis(tLo, tHi, 0, dw, sourceRect.Left, sw, sheet.Width(), cols);
        runFirst = cols.First;
        runLast = cols.First + static_cast<i64>(cols.Source.size());
    } else {
        // Shifts far beyond the board: the plain loops map each row on its own.
        DrawSheetWaverPortable(*this, x, y, sourceRect, sheet, anchorX, anchorY, zoom, phase,
                               period, amplitude);
        return;
    }
    if (runLast <= runFirst) return;
    WithMode(b.Mode, [&](auto mode) {
        for (std::size_t j = 0; j < rows.Source.size(); ++j) {
            const i64 rowLeft = left + shifts[j];
            const i64 t0 = std::max({runFirst, -rowLeft, i64{0}});
            const i64 t1 = std::min({runLast, Width_ - rowLeft, dw});
            if (t1 <= t0) continue;
            const auto dy = static_cast<int>(rows.First + static_cast<i64>(j));
            std::uint16_t* line = ScanLine(dy) + (rowLeft + t0);
            const std::uint8_t* sourceRow = sheet.ScanLine(rows.Source[j]);
            const auto n = static_cast<int>(t1 - t0);
            if (oneToOne)
                TableBlit(line, Width_, sourceRow + (t0 + sourceRect.Left), sheet.Width(), n, 1,
                          b.Colors, sheet.Transparent, static_cast<int>(b.E) - 1);
            else
                SpanMapped<mode.value>(line, sourceRow,
                                       cols.Source.data() + static_cast<std::size_t>(t0 - runFirst),
                                       n, b);
        }
    });
}

void DrawSheetWaverPortable(TKandelBoard& board, int x, int y, const TRect& sourceRect,
                            TKandelSheet& sheet, int anchorX, int anchorY, double zoom, int phase,
                            int period, int amplitude) {
    if (!(zoom > 0) || period <= 0 || sourceRect.Empty()) return;
    const i64 sw = SpanX(sourceRect), sh = SpanY(sourceRect);
    if (sw > KMaxScaledSource || sh > KMaxScaledSource) return;
    const i64 hx = TruncInt(zoom * anchorX), hy = TruncInt(zoom * anchorY);
    const i64 left = x - hx, top = y - hy, right = x + hx, bottom = y + hy;
    const i64 dw = right - left, dh = bottom - top;
    if (dw <= 0 || dh <= 0) return;
    TAxisMap rows, cols;
    MapAxis(std::max<i64>(top, 0), std::min<i64>(bottom, board.Height()), top, dh, sourceRect.Top,
            sh, sheet.Height(), rows);
    if (rows.Source.empty()) return;
    const TBlit b = Prepare(sheet, board.Brightness);
    const i64 h = sh;
    i64 mappedLeft = std::numeric_limits<i64>::min();
    WithMode(b.Mode, [&](auto mode) {
        for (std::size_t j = 0; j < rows.Source.size(); ++j) {
            const i64 dy = rows.First + static_cast<i64>(j);
            const i64 r = dy - top;
            // h r 256 div H, split so that no product leaves 64 bits (r < H).
            const i64 hr = h * r;
            const i64 scaled = hr / dh * 256 + hr % dh * 256 / dh;
            const auto index = static_cast<int>((phase + scaled / period) & 255);
            const i64 shift = TruncInt(zoom * amplitude * KandelSine(index));
            const i64 rowLeft = left + shift;
            // Rows with the same shift share the column table.
            if (rowLeft != mappedLeft) {
                MapAxis(std::max<i64>(rowLeft, 0), std::min<i64>(rowLeft + dw, board.Width()),
                        rowLeft, dw, sourceRect.Left, sw, sheet.Width(), cols);
                mappedLeft = rowLeft;
            }
            if (cols.Source.empty()) continue;
            std::uint16_t* line = board.ScanLine(static_cast<int>(dy)) + cols.First;
            const std::uint8_t* sourceRow = sheet.ScanLine(rows.Source[j]);
            const auto n = static_cast<int>(cols.Source.size());
            if (dw == sw) // one to one: consecutive source columns
                TableBlit(line, board.Width(), sourceRow + cols.Source[0], sheet.Width(), n, 1,
                          b.Colors, sheet.Transparent, static_cast<int>(b.E) - 1);
            else
                SpanMapped<mode.value>(line, sourceRow, cols.Source.data(), n, b);
        }
    });
}

} // namespace kestra

#include "graphics/KandelBoard.h"
#include "graphics/KandelTrig.h"
#include "shell/Errors.h"

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

// The three 5-6-5 channels spread 21 bits apart, so that one multiplication
// weighs all three and no channel sum (at most 257 x 63) reaches the next.
inline std::uint64_t Spread(std::uint16_t c) {
    return (c & 0x1Fu) | (static_cast<std::uint64_t>((c >> 5) & 0x3Fu) << 21) |
           (static_cast<std::uint64_t>(c >> 11) << 42);
}
inline std::uint16_t Blend(std::uint16_t source, std::uint16_t dest, std::uint32_t e,
                           std::uint32_t f) {
    constexpr std::uint64_t mask = 0x1Fu | (0x3Full << 21) | (0x1Full << 42);
    const std::uint64_t m = ((Spread(source) * e + Spread(dest) * f) >> 8) & mask;
    return static_cast<std::uint16_t>((m >> 42) << 11 | ((m >> 21) & 0x3F) << 5 | (m & 0x1F));
}

template <TDrawMode M>
inline void Put(std::uint16_t& d, std::uint8_t c, const TBlit& b) {
    if constexpr (M == TDrawMode::Copy) {
        d = b.Colors[c];
    } else if constexpr (M == TDrawMode::Keyed) {
        const std::uint16_t v = b.Colors[c];
        d = c != 0 ? v : d;
    } else if constexpr (M == TDrawMode::Blend) {
        d = Blend(b.Colors[c], d, b.E, b.F);
    } else {
        if (c != 0) d = Blend(b.Colors[c], d, b.E, b.F);
    }
}

template <TDrawMode M>
void SpanDirect(std::uint16_t* d, const std::uint8_t* s, int n, const TBlit& b) {
    if constexpr (M == TDrawMode::Copy) {
        const std::uint16_t* colors = b.Colors;
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const std::uint16_t c0 = colors[s[i]], c1 = colors[s[i + 1]];
            const std::uint16_t c2 = colors[s[i + 2]], c3 = colors[s[i + 3]];
            d[i] = c0, d[i + 1] = c1, d[i + 2] = c2, d[i + 3] = c3;
        }
        for (; i < n; ++i) d[i] = colors[s[i]];
    } else {
        for (int i = 0; i < n; ++i) Put<M>(d[i], s[i], b);
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
    out.Source.clear();
    out.First = lo;
    if (hi <= lo) return;
    const i64 num = (lo - destOrigin) * srcSize;
    i64 q = num / destSize, rem = num % destSize;
    const i64 qStep = srcSize / destSize, rStep = srcSize % destSize;
    bool started = false;
    for (i64 d = lo; d < hi; ++d) {
        const i64 s = q + srcOrigin;
        if (s >= 0 && s < limit) {
            if (!started) out.First = d, started = true;
            out.Source.push_back(static_cast<int>(s));
        } else if (started) {
            break;
        }
        q += qStep;
        rem += rStep;
        if (rem >= destSize) rem -= destSize, ++q;
    }
}

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
    WithMode(b.Mode, [&](auto mode) {
        for (i64 j = 0; j < sb - st; ++j)
            SpanDirect<mode.value>(ScanLine(static_cast<int>(dy + j)) + dx,
                                   sheet.ScanLine(static_cast<int>(st + j)) + sl, w, b);
    });
}

void TKandelBoard::StretchSheet(const TRect& destRect, TKandelSheet& sheet,
                                const TRect& sourceRect) {
    if (destRect.Width() == sourceRect.Width() && destRect.Height() == sourceRect.Height()) {
        DrawSheet(destRect.Left, destRect.Top, sourceRect, sheet);
        return;
    }
    if (destRect.Empty() || sourceRect.Empty()) return;
    TAxisMap cols, rows;
    MapAxis(std::max(destRect.Left, 0), std::min(destRect.Right, Width_), destRect.Left,
            destRect.Width(), sourceRect.Left, sourceRect.Width(), sheet.Width(), cols);
    MapAxis(std::max(destRect.Top, 0), std::min(destRect.Bottom, Height_), destRect.Top,
            destRect.Height(), sourceRect.Top, sourceRect.Height(), sheet.Height(), rows);
    if (cols.Source.empty() || rows.Source.empty()) return;
    const TBlit b = Prepare(sheet, Brightness);
    const int n = static_cast<int>(cols.Source.size());
    WithMode(b.Mode, [&](auto mode) {
        for (std::size_t j = 0; j < rows.Source.size(); ++j)
            SpanMapped<mode.value>(ScanLine(static_cast<int>(rows.First + static_cast<i64>(j))) +
                                       cols.First,
                                   sheet.ScanLine(rows.Source[j]), cols.Source.data(), n, b);
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

void TKandelBoard::DrawSheetRotated(int x, int y, const TRect& sourceRect, TKandelSheet& sheet,
                                    int anchorX, int anchorY, double zoom, int angle) {
    if (!(zoom > 0) || sourceRect.Empty()) return;
    const TRect valid = sourceRect.Intersect(sheet.GetBounds());
    if (valid.Empty()) return;
    const double s = KandelSine(angle), k = KandelCosine(angle), z = zoom;
    const double ax = anchorX, ay = anchorY;
    const double w = sourceRect.Width(), h = sourceRect.Height();
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
    maxX = std::min<i64>(maxX, Width_ - 1);
    maxY = std::min<i64>(maxY, Height_ - 1);
    if (maxX < minX || maxY < minY) return;
    const TBlit b = Prepare(sheet, Brightness);
    // 16.16 fixed point in 64 bits, saturated far beyond any source coordinate.
    constexpr i64 limit = i64{1} << 52;
    const i64 du = SaturateToInt(std::nearbyint(k / z * 65536.0), limit);
    const i64 dv = SaturateToInt(std::nearbyint(-s / z * 65536.0), limit);
    const i64 vl = valid.Left, vr = valid.Right, vt = valid.Top, vb = valid.Bottom;
    WithMode(b.Mode, [&](auto mode) {
        for (i64 dy = minY; dy <= maxY; ++dy) {
            const double rx = static_cast<double>(minX - x), ry = static_cast<double>(dy - y);
            i64 u = SaturateToInt(
                std::nearbyint(((rx * k + ry * s) / z + ax + sourceRect.Left) * 65536.0), limit);
            i64 v = SaturateToInt(
                std::nearbyint(((-rx * s + ry * k) / z + ay + sourceRect.Top) * 65536.0), limit);
            std::uint16_t* line = ScanLine(static_cast<int>(dy));
            for (i64 dx = minX; dx <= maxX; ++dx, u += du, v += dv) {
                const i64 su = u >> 16, sv = v >> 16;
                if (su < vl || su >= vr || sv < vt || sv >= vb) continue;
                Put<mode.value>(line[dx], sheet.ScanLine(static_cast<int>(sv))[su], b);
            }
        }
    });
}

void TKandelBoard::DrawSheetWaver(int x, int y, const TRect& sourceRect, TKandelSheet& sheet,
                                  int anchorX, int anchorY, double zoom, int phase, int period,
                                  int amplitude) {
    if (!(zoom > 0) || period <= 0 || sourceRect.Empty()) return;
    const i64 hx = TruncInt(zoom * anchorX), hy = TruncInt(zoom * anchorY);
    const i64 left = x - hx, top = y - hy, right = x + hx, bottom = y + hy;
    const i64 dw = right - left, dh = bottom - top;
    if (dw <= 0 || dh <= 0) return;
    TAxisMap rows, cols;
    MapAxis(std::max<i64>(top, 0), std::min<i64>(bottom, Height_), top, dh, sourceRect.Top,
            sourceRect.Height(), sheet.Height(), rows);
    if (rows.Source.empty()) return;
    const TBlit b = Prepare(sheet, Brightness);
    const i64 h = sourceRect.Height();
    WithMode(b.Mode, [&](auto mode) {
        for (std::size_t j = 0; j < rows.Source.size(); ++j) {
            const i64 dy = rows.First + static_cast<i64>(j);
            const i64 r = dy - top;
            const auto index = static_cast<int>((phase + h * r * 256 / dh / period) & 255);
            const i64 shift = TruncInt(zoom * amplitude * KandelSine(index));
            const i64 rowLeft = left + shift;
            MapAxis(std::max<i64>(rowLeft, 0), std::min<i64>(rowLeft + dw, Width_), rowLeft, dw,
                    sourceRect.Left, sourceRect.Width(), sheet.Width(), cols);
            if (cols.Source.empty()) continue;
            SpanMapped<mode.value>(ScanLine(static_cast<int>(dy)) + cols.First,
                                   sheet.ScanLine(rows.Source[j]), cols.Source.data(),
                                   static_cast<int>(cols.Source.size()), b);
        }
    });
}

} // namespace kestra

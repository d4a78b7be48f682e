#include "graphics/GR_System.h"

#include "base/AssetLookup.h"
#include "base/Cp932.h"
#include "base/Errors.h"

#include <algorithm>
#include <cstdio>

namespace kestra {

namespace {

constexpr const char* KExFontArt[52 / 2] = {
#include "graphics/GR_ExFont.inc"
};

// Lower-case special glyphs: the symbol cut out of a badge with cut corners.
bool BadgeInk(const char* art, int x, int y) {
    bool corner = (x == 0 || x == 11) && (y == 0 || y == 11);
    if (corner) return false;
    // The symbol shrinks by its outer ring so that the badge keeps a rim.
    if (x == 0 || y == 0 || x == 11 || y == 11) return true;
    int sx = (x - 1) * 12 / 10, sy = (y - 1) * 12 / 10;
    return art[sy * 12 + sx] != '#';
}

constexpr int KFrameBlockX = 32;
constexpr int KCursorBlockX = 64;

} // namespace

TKandelBitmap ExFontBitmap() {
    TKandelBitmap bitmap;
    bitmap.Reset(TPixelFormat::Indexed8, KExFontWidth, KExFontHeight);
    bitmap.PaletteSize = 2;
    bitmap.Palette[1] = TRgbQuad{255, 255, 255, 0};
    for (int g = 0; g < 52; ++g) {
        const char* art = KExFontArt[g % 26];
        bool badge = g >= 26;
        int cellX = (g % 13) * 12, cellY = (g / 13) * 12;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                bool ink = badge ? BadgeInk(art, x, y) : art[y * 12 + x] == '#';
                if (ink) bitmap.Row(cellY + y)[cellX + x] = 1;
            }
    }
    return bitmap;
}

TVezSystemGraphic::TVezSystemGraphic(TGlyphFont& font, TAssetLookup* lookup)
    : font_(font), lookup_(lookup) {
    system_.SetSize(KSystemGraphicWidth, KSystemGraphicHeight);
    system_.Transparent = true;
    glyphs_.SetSize(KExFontWidth, KExFontHeight);
    glyphs_.LoadFromBitmap(ExFontBitmap());
    for (int g = 0; g < 52; ++g) {
        int cellX = (g % 13) * 12, cellY = (g / 13) * 12;
        TGlyphMask& mask = exMasks_[static_cast<std::size_t>(g)];
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                const TRgbQuad& c = glyphs_.Palette[glyphs_.ScanLine(cellY + y)[cellX + x]];
                mask[static_cast<std::size_t>(y * 12 + x)] =
                    (c.Red | c.Green | c.Blue) != 0 ? 1 : 0;
            }
    }
}

void TVezSystemGraphic::LoadSystemGraphic(const std::string& name) {
    std::optional<std::filesystem::path> path;
    if (lookup_) path = lookup_->FindAssetFile(name, "System", KPictureExtensions);
    if (!path) throw EFileError("System/" + name + ": system graphic not found");
    LoadSystemFile(path->string());
}

void TVezSystemGraphic::LoadSystemFile(const std::string& path) {
    system_.SetSize(KSystemGraphicWidth, KSystemGraphicHeight);
    system_.LoadFromFile(path, true);
    system_.Transparent = true;
}

void TVezSystemGraphic::LoadSystemBitmap(const TKandelBitmap& bitmap) {
    system_.SetSize(KSystemGraphicWidth, KSystemGraphicHeight);
    system_.Clear();
    system_.LoadFromBitmap(bitmap);
    system_.Transparent = true;
}

TRgbQuad TVezSystemGraphic::BackgroundColor() const {
    return system_.Palette[system_.ScanLine(32)[0]];
}

void TVezSystemGraphic::DrawPiece(TKandelBoard& board, int x, int y, const TRect& source) {
    board.DrawSheet(x, y, source, system_);
}

void TVezSystemGraphic::DrawUpArrow(TKandelBoard& board, int x, int y) {
    DrawPiece(board, x, y, RectOfSize(40, 8, 16, 8));
}

void TVezSystemGraphic::DrawDownArrow(TKandelBoard& board, int x, int y) {
    DrawPiece(board, x, y, RectOfSize(40, 16, 16, 8));
}

void TVezSystemGraphic::DrawPointer(TKandelBoard& board, int x, int y, int opacity) {
    system_.Opacity = std::clamp(opacity, 0, 1023) / 4;
    DrawPiece(board, x, y, RectOfSize(128, 32, 16, 16));
    DrawPiece(board, x, y, RectOfSize(144, 32, 16, 16));
    system_.Opacity = 255;
}

void TVezSystemGraphic::DrawTimer(TKandelBoard& board, int x, int y, int frames) {
    frames = std::max(frames, 0);
    // Two digits of minutes are all the display has room for.
    int minutes = std::min(frames / 3600, 99);
    int seconds = (frames / 60) % 60;
    const int digits[4] = {minutes / 10, minutes % 10, seconds / 10, seconds % 10};
    const int offsets[4] = {0, 8, 24, 32};
    for (int k = 0; k < 4; ++k)
        DrawPiece(board, x + offsets[k], y, RectOfSize(32 + 8 * digits[k], 32, 8, 16));
    if (frames % 60 >= 30) DrawPiece(board, x + 16, y, RectOfSize(112, 32, 8, 16));
}

void TVezSystemGraphic::DrawGaugePiece(TKandelBoard& board, int x, int y, int column, int row) {
    if (column < 0 || column > 3 || row < 0 || row > 3) return;
    DrawPiece(board, x, y, RectOfSize(128 + 8 * column, 8 * row, 8, 8));
}

void TVezSystemGraphic::CopyPiece(TKandelSheet& dest, int dx, int dy, int sx, int sy, int w, int h,
                                  bool transparent, const TRect& clip) {
    const TRect area = RectOfSize(dx, dy, w, h).Intersect(clip).Intersect(dest.GetBounds());
    if (area.Empty()) return;
    for (int y = area.Top; y < area.Bottom; ++y) {
        const std::uint8_t* src = system_.ScanLine(sy + y - dy) + sx - dx;
        std::uint8_t* out = dest.ScanLine(y);
        for (int x = area.Left; x < area.Right; ++x)
            if (!transparent || src[x] != 0) out[x] = src[x];
    }
}

void TVezSystemGraphic::DrawNinePart(TKandelSheet& dest, const TRect& rect, int blockX,
                                     bool fillInterior) {
    const int x = rect.Left, y = rect.Top, w = rect.Width(), h = rect.Height();
    const int across = (w + 7) / 8, down = (h + 7) / 8;
    const TRect clip = dest.GetBounds();
    auto piece = [&](int dx, int dy, int ox, int oy) {
        CopyPiece(dest, dx, dy, blockX + ox, oy, 8, 8, true, clip);
    };
    if (fillInterior)
        for (int r = 1; r <= down - 2; ++r)
            for (int c = 1; c <= across - 2; ++c)
                piece(x + 8 * c, y + 8 * r, c % 2 ? 16 : 8, r % 2 ? 16 : 8);
    piece(x, y, 0, 0);
    piece(x + w - 8, y, 24, 0);
    piece(x, y + h - 8, 0, 24);
    piece(x + w - 8, y + h - 8, 24, 24);
    for (int i = 1; i <= across - 2; ++i) {
        int ox = i % 2 ? 16 : 8;
        piece(x + 8 * i, y, ox, 0);
        piece(x + 8 * i, y + h - 8, ox, 24);
    }
    for (int i = 1; i <= down - 2; ++i) {
        int oy = i % 2 ? 16 : 8;
        piece(x, y + 8 * i, 0, oy);
        piece(x + w - 8, y + 8 * i, 24, oy);
    }
}

void TVezSystemGraphic::DrawWindow(TKandelSheet& dest, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const TRect area = RectOfSize(x, y, width, height).Intersect(dest.GetBounds());
    for (int py = area.Top; py < area.Bottom; ++py) {
        const int i = py - y;
        const int sy = Tiling ? i % 32 : i * 32 / height;
        const std::uint8_t* src = system_.ScanLine(sy);
        std::uint8_t* out = dest.ScanLine(py);
        for (int px = area.Left; px < area.Right; ++px) {
            const int j = px - x;
            out[px] = src[Tiling ? j % 32 : j * 32 / width];
        }
    }
    if (width >= 8 && height >= 8)
        DrawNinePart(dest, RectOfSize(x, y, width, height), KFrameBlockX, false);
}

void TVezSystemGraphic::DrawCursor(TKandelSheet& dest, const TRect& rect, int frame) {
    if (rect.Width() < 8 || rect.Height() < 8) return;
    DrawNinePart(dest, rect, KCursorBlockX + 32 * (frame & 1), true);
}

const TGlyphMask& TVezSystemGraphic::GlyphFor(std::uint32_t code) {
    if (code >= KExFontCode) {
        std::uint32_t letter = code - KExFontCode;
        std::size_t g = letter >= 'a' && letter <= 'z'   ? letter - 'a' + 26
                        : letter >= 'A' && letter <= 'Z' ? letter - 'A'
                                                         : 0;
        return exMasks_[g];
    }
    return font_.Glyph(face_, static_cast<std::uint16_t>(code));
}

void TVezSystemGraphic::Stamp(TKandelSheet& dest, int x, int y, int color, const TGlyphMask& mask) {
    const int w = dest.Width(), h = dest.Height();
    const std::uint8_t shadow = ShadowIndex();
    if (shadow != 0)
        for (int i = 0; i < KGlyphSize; ++i) {
            const int dy = y + i + 3;
            if (dy < 0 || dy >= h) continue;
            std::uint8_t* out = dest.ScanLine(dy);
            for (int j = 0; j < KGlyphSize; ++j) {
                const int dx = x + j + 1;
                if (mask[static_cast<std::size_t>(i * KGlyphSize + j)] && dx >= 0 && dx < w)
                    out[dx] = shadow;
            }
        }
    const int px = 16 * (color % 10) + 2, py = 48 + 16 * (color / 10) + 2;
    for (int i = 0; i < KGlyphSize; ++i) {
        const int dy = y + i + 2;
        if (dy < 0 || dy >= h) continue;
        const std::uint8_t* pattern = system_.ScanLine(py + i) + px;
        std::uint8_t* out = dest.ScanLine(dy);
        for (int j = 0; j < KGlyphSize; ++j) {
            const int dx = x + j;
            if (mask[static_cast<std::size_t>(i * KGlyphSize + j)] && dx >= 0 && dx < w)
                out[dx] = pattern[j];
        }
    }
}

void TVezSystemGraphic::DrawText(TKandelSheet& dest, int x, int y, int color,
                                 std::string_view text) {
    color = std::clamp(color, 0, KTextColorCount - 1);
    std::size_t p = 0;
    while (p < text.size()) {
        const auto b = static_cast<std::uint8_t>(text[p]);
        if (b == 0x01) {
            x += 3;
            ++p;
            continue;
        }
        std::size_t consumed = font_.CodePage().CharLength(text, p);
        int widthBytes = static_cast<int>(consumed);
        std::uint32_t code = b;
        if (consumed == 2) {
            code = static_cast<std::uint32_t>(b) << 8 | static_cast<std::uint8_t>(text[p + 1]);
        } else if (b == '$' && p + 1 < text.size()) {
            const char next = text[p + 1];
            if ((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z')) {
                code = KExFontCode + static_cast<std::uint8_t>(next);
                consumed = 2;
                widthBytes = 2;
            } else if (next == '$') {
                consumed = 2;
            }
        }
        const int bound = dest.Width() - 6 * widthBytes - 6;
        // Code page 932's ideographic and full-width comma and full stop.
        const bool hangs = font_.CodePage().Number() == 932 && code >= 0x8141 && code <= 0x8144;
        if (x < bound || (x == bound && hangs)) Stamp(dest, x, y, color, GlyphFor(code));
        x += 6 * widthBytes;
        p += consumed;
    }
}

} // namespace kestra

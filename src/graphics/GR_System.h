#pragma once
// The system graphic: the game's 160 x 80 picture that skins the interface
// (window background and frame, cursor, scroll arrows, timer digits, battle
// pointer and gauge, twenty text colours and the text shadow), and the text
// renderer that stamps 12-pixel glyphs into window sheets in those colours.
//
// Text is code page 932 bytes. The byte 0x01 is a half-width space (3 pixels);
// "$" followed by a letter draws one of the program's 52 special glyphs.
#include "graphics/GR_Font.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestra {

class TAssetLookup;

inline constexpr int KSystemGraphicWidth = 160;
inline constexpr int KSystemGraphicHeight = 80;
inline constexpr int KTextColorCount = 20;
inline constexpr int KExFontWidth = 156;
inline constexpr int KExFontHeight = 48;

// The special-glyph sheet: 8-bit, index 0 black, index 1 white; cell (c, r) of
// 12 x 12 holds "A".."M" (row 0), "N".."Z" (row 1), "a".."m", "n".."z".
TKandelBitmap ExFontBitmap();

class TVezSystemGraphic {
public:
    // The font and the lookup must outlive this object; lookup may be null (only
    // LoadSystemGraphic needs it).
    TVezSystemGraphic(TGlyphFont& font, TAssetLookup* lookup);
    TVezSystemGraphic(const TVezSystemGraphic&) = delete;
    TVezSystemGraphic& operator=(const TVezSystemGraphic&) = delete;

    // Finds name in the "System" folder and loads it; a missing or broken file
    // raises an error naming it.
    void LoadSystemGraphic(const std::string& name);
    // Loads a picture file directly (errors raised).
    void LoadSystemFile(const std::string& path);
    // Takes an already decoded picture; pixels beyond 160 x 80 are ignored.
    void LoadSystemBitmap(const TKandelBitmap& bitmap);

    TKandelSheet& SystemSheet() { return system_; }
    TGlyphFont& Font() { return font_; }
    const TKandelSheet& GlyphSheet() const { return glyphs_; }
    TRgbQuad BackgroundColor() const;
    // The palette index used for text shadows; 0 means no shadow.
    std::uint8_t ShadowIndex() const { return system_.ScanLine(32)[16]; }

    // True selects the mincho face, false the gothic one (also the default).
    void SetFont(bool mincho) { face_ = mincho ? TFontFace::Mincho : TFontFace::Gothic; }
    TFontFace Face() const { return face_; }
    // Window backgrounds are tiled when set, stretched when clear.
    bool Tiling = true;

    // Straight onto a board, index 0 transparent.
    void DrawUpArrow(TKandelBoard& board, int x, int y);
    void DrawDownArrow(TKandelBoard& board, int x, int y);
    // Opacity 0..1023 (quarter steps of the sheet's 0..255).
    void DrawPointer(TKandelBoard& board, int x, int y, int opacity);
    // Minutes and seconds of a time in frames; the colon shows in the second
    // half of every second. Negative times show as 0.
    void DrawTimer(TKandelBoard& board, int x, int y, int frames);
    // One 8 x 8 piece of the gauge block, column and row 0..3 (others draw nothing).
    void DrawGaugePiece(TKandelBoard& board, int x, int y, int column, int row);

    // Background and frame into a sheet. The frame needs at least 8 x 8.
    void DrawWindow(TKandelSheet& dest, int x, int y, int width, int height);
    // The selection cursor, frame 0 or 1, into a sheet; nothing below 8 x 8.
    void DrawCursor(TKandelSheet& dest, const TRect& rect, int frame);
    // Text into a sheet at (x, y + 2), 6 pixels per byte. Colours outside 0..19
    // are clamped to that range.
    void DrawText(TKandelSheet& dest, int x, int y, int color, std::string_view text);

    // The 12 x 12 mask DrawText stamps for one character (for tests and the
    // message window): code is a byte, lead << 8 | trail, or KExFontCode + letter.
    const TGlyphMask& GlyphFor(std::uint32_t code);
    static constexpr std::uint32_t KExFontCode = 0x10000;

private:
    void CopyPiece(TKandelSheet& dest, int dx, int dy, int sx, int sy, int w, int h,
                   bool transparent, const TRect& clip);
    void DrawNinePart(TKandelSheet& dest, const TRect& rect, int blockX, bool fillInterior);
    void DrawPiece(TKandelBoard& board, int x, int y, const TRect& source);
    void Stamp(TKandelSheet& dest, int x, int y, int color, const TGlyphMask& mask);

    TGlyphFont& font_;
    TAssetLookup* lookup_;
    TKandelSheet system_;
    TKandelSheet glyphs_;
    // The special glyphs as masks, upper case first.
    std::array<TGlyphMask, 52> exMasks_{};
    TFontFace face_ = TFontFace::Gothic;
};

} // namespace kestra

#pragma once
// Sheets: 8-bit paletted pictures with a derived table of 5-6-5 display colours.
// Tone, saturation, flash, brightness and hue act on the 256-entry table only.
#include "graphics/KandelBitmap.h"
#include "graphics/KandelRect.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestra {

class TKandelSheet;

// Tone and flash settings feeding a sheet's colour table. Out-of-range inputs are
// clamped when stored: tone and saturation to 0..200, flash colour to 0..31,
// strength to 0..32, so no channel can spill into its neighbour.
class TKandelColorControl {
public:
    explicit TKandelColorControl(TKandelSheet& owner) : Owner(owner) {}
    TKandelColorControl(const TKandelColorControl&) = delete;
    TKandelColorControl& operator=(const TKandelColorControl&) = delete;

    void ResetColors(bool update);
    void SetTone(int red, int green, int blue, int saturation, bool update);
    void SetFlash(int red, int green, int blue, int strength, bool update);
    void SetAll(int red, int green, int blue, int saturation, int flashRed, int flashGreen,
                int flashBlue, int strength, bool update);

    int Red() const { return Red_; }
    int Green() const { return Green_; }
    int Blue() const { return Blue_; }
    int Saturation() const { return Saturation_; }
    int FlashRed() const { return FlashRed_; }
    int FlashGreen() const { return FlashGreen_; }
    int FlashBlue() const { return FlashBlue_; }
    int FlashStrength() const { return FlashStrength_; }

private:
    TKandelSheet& Owner;
    int Red_ = 100, Green_ = 100, Blue_ = 100, Saturation_ = 100;
    int FlashRed_ = 0, FlashGreen_ = 0, FlashBlue_ = 0, FlashStrength_ = 0;
};

// Packs 5-bit red, 6-bit green and 5-bit blue (red in bits 15-11).
inline std::uint16_t PackRgb565(int r, int g, int b) {
    return static_cast<std::uint16_t>((r & 31) << 11 | (g & 63) << 5 | (b & 31));
}

class TKandelSheet {
public:
    TKandelSheet() = default;
    TKandelSheet(const TKandelSheet&) = delete;
    TKandelSheet& operator=(const TKandelSheet&) = delete;

    // Index 0 is the transparent index of every loader and every draw.
    std::array<TRgbQuad, 256> Palette{};
    std::array<std::uint16_t, 256> Colors{};
    bool Transparent = false;
    // 0..255; values outside are clamped when drawing.
    int Opacity = 255;
    bool AutoSize = false;
    TKandelColorControl ColorControl{*this};
    TKandelColorControl ScreenColorControl{*this};
    // The brightness the table was last built for; the board keeps it equal to its own.
    int Brightness = 100;

    int Width() const { return Width_; }
    int Height() const { return Height_; }
    TRect GetBounds() const { return {0, 0, Width_, Height_}; }

    // Reallocates a zero-filled buffer when the size changes; a side of 0 or less
    // frees the buffer. Sizes beyond the decoder limits raise EInvalidGraphic.
    void SetSize(int width, int height);
    // Zeroes pixels, palette and colour table; the size stays.
    void Clear();
    void FreePixels();
    void SetPaletteEntry(int index, int red, int green, int blue);
    void UpdateColors();
    void RotateHue(int degrees);

    std::uint8_t* ScanLine(int y) { return Pixels.data() + static_cast<std::size_t>(y) * Width_; }
    const std::uint8_t* ScanLine(int y) const {
        return Pixels.data() + static_cast<std::size_t>(y) * Width_;
    }

    // Copies an 8-bit image, its pixel (originX + i, originY + j) to (i, j); pixels
    // with no counterpart in the image stay as they are. Raises EInvalidGraphic
    // for other pixel formats and empty images.
    void LoadFromBitmap(const TKandelBitmap& bitmap, int originX = 0, int originY = 0);
    // Clear, then read the image file (an empty path loads nothing). With
    // raiseErrors false every EKestraError is swallowed and the sheet stays cleared.
    void LoadFromFile(const std::string& path, bool raiseErrors);
    void LoadFromFile(const std::string& path, int originX, int originY, bool raiseErrors);
    // The same for an image held in memory (program resources); name is for messages.
    void LoadFromImageData(const std::vector<std::uint8_t>& bytes, const std::string& name,
                           bool raiseErrors);

    void Mirror();
    // Rectangles that reach outside the sheet compare unequal unless both are empty.
    bool AreasEqual(const TRect& a, const TRect& b) const;
    // Both look only at the part of the rectangle inside the sheet.
    bool IsAreaEmpty(const TRect& rect) const;
    bool IsAreaSolid(const TRect& rect) const;
    void FillArea(const TRect& rect, std::uint8_t index);
    void CopyFrom(int x, int y, const TRect& sourceRect, const TKandelSheet& source);

private:
    std::vector<std::uint8_t> Pixels;
    int Width_ = 0;
    int Height_ = 0;
};

} // namespace kestra

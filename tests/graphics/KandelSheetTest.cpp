#include "graphics/KandelSheet.h"
#include "base/Errors.h"

#include <gtest/gtest.h>

namespace kestra {
namespace {

std::uint16_t Rgb(int r5, int g6, int b5) {
    return PackRgb565(r5, g6, b5);
}

// A palette that covers every channel value: entry i = (i, 255 - i, i * 7).
void FillRampPalette(TKandelSheet& sheet) {
    for (int i = 0; i < 256; ++i) sheet.SetPaletteEntry(i, i, 255 - i, (i * 7) & 255);
}

TEST(KandelSheetColors, NeutralSettingsTruncateTo565) {
    TKandelSheet sheet;
    FillRampPalette(sheet);
    sheet.UpdateColors();
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(sheet.Colors[i], Rgb(i >> 3, (255 - i) >> 2, ((i * 7) & 255) >> 3)) << i;
}

TEST(KandelSheetColors, SaturationZeroGreyAndTwoHundredClamps) {
    TKandelSheet sheet;
    sheet.SetPaletteEntry(1, 255, 128, 64); // 5-6-5: 31, 32, 8; grey (93 + 96 + 8) div 10 = 19
    sheet.ColorControl.SetTone(100, 100, 100, 0, true);
    EXPECT_EQ(sheet.Colors[1], Rgb(19, 38, 19));
    // The two controls add: 50 + 50 - 100 = 0.
    sheet.ColorControl.SetTone(100, 100, 100, 50, false);
    sheet.ScreenColorControl.SetTone(100, 100, 100, 50, true);
    EXPECT_EQ(sheet.Colors[1], Rgb(19, 38, 19));
    // Saturation 200: r = 3*31 - 38 -> 31, g = 96 - 76 = 20, b = 24 - 38 -> 0.
    sheet.ColorControl.SetTone(100, 100, 100, 150, false);
    sheet.ScreenColorControl.SetTone(100, 100, 100, 150, true);
    EXPECT_EQ(sheet.Colors[1], Rgb(31, 20, 0));
    // Saturation 150: w = k = 50: r = (1550 + 50*55)/100 = 43 -> 31, g = (1600 + 1000)/100 = 26,
    // b = (400 - 700)/100 = -3 -> 0.
    sheet.ScreenColorControl.SetTone(100, 100, 100, 100, true);
    EXPECT_EQ(sheet.Colors[1], Rgb(31, 26, 0));
}

TEST(KandelSheetColors, ToneOfBothControlsAdds) {
    TKandelSheet sheet;
    FillRampPalette(sheet);
    sheet.ColorControl.SetTone(150, 150, 150, 100, false);
    sheet.ScreenColorControl.SetTone(150, 150, 150, 100, true);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(sheet.Colors[i], 0xFFFF) << i;
    sheet.ColorControl.SetTone(50, 50, 50, 100, false);
    sheet.ScreenColorControl.SetTone(50, 50, 50, 100, true);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(sheet.Colors[i], 0) << i;
    // Per channel: red 150 on 10 -> 10 + 50*21/100 = 20; green 50 on 40 -> 20; blue 150 + 50.
    sheet.SetPaletteEntry(1, 80, 160, 80); // 10, 40, 10
    sheet.ColorControl.SetTone(150, 50, 150, 100, false);
    sheet.ScreenColorControl.SetTone(100, 100, 50, 100, true);
    EXPECT_EQ(sheet.Colors[1], Rgb(20, 20, 10));
}

TEST(KandelSheetColors, BrightnessEnds) {
    TKandelSheet sheet;
    FillRampPalette(sheet);
    sheet.Brightness = 200;
    sheet.UpdateColors();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(sheet.Colors[i], 0xFFFF) << i;
    sheet.Brightness = 0;
    sheet.UpdateColors();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(sheet.Colors[i], 0) << i;
    sheet.SetPaletteEntry(1, 80, 160, 80); // 10, 40, 10
    sheet.Brightness = 150;                // 10 + 50*21/100 = 20; 40 + 50*23/100 = 51
    sheet.UpdateColors();
    EXPECT_EQ(sheet.Colors[1], Rgb(20, 51, 20));
    sheet.Brightness = 250; // beyond the scale: as 200
    sheet.UpdateColors();
    EXPECT_EQ(sheet.Colors[1], 0xFFFF);
}

TEST(KandelSheetColors, FlashStrengthAndOrder) {
    TKandelSheet sheet;
    FillRampPalette(sheet);
    sheet.ColorControl.SetFlash(3, 17, 30, 32, true);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(sheet.Colors[i], Rgb(3, 34, 30)) << i;
    // The screen's flash comes second: (16*31 + 16*3) div 32 = 17, (16*0 + 16*34) div 32 = 17.
    sheet.ScreenColorControl.SetFlash(31, 0, 0, 16, true);
    EXPECT_EQ(sheet.Colors[5], Rgb(17, 17, 15));
}

TEST(KandelSheetColors, OutOfRangeInputsAreClamped) {
    TKandelSheet sheet;
    sheet.SetPaletteEntry(1, 0, 0, 0);
    // Flash colour 40 and strength 50 would carry into the neighbouring channels.
    sheet.ColorControl.SetFlash(40, 40, -5, 50, true);
    EXPECT_EQ(sheet.ColorControl.FlashRed(), 31);
    EXPECT_EQ(sheet.ColorControl.FlashStrength(), 32);
    EXPECT_EQ(sheet.Colors[1], Rgb(31, 62, 0));
    sheet.ColorControl.ResetColors(false);
    sheet.ColorControl.SetTone(-50, 100, 100, -10, false);
    EXPECT_EQ(sheet.ColorControl.Red(), 0);
    EXPECT_EQ(sheet.ColorControl.Saturation(), 0);
}

TEST(KandelSheetColors, UnchangedSettingsSkipTheRebuild) {
    TKandelSheet sheet;
    sheet.SetPaletteEntry(1, 255, 255, 255);
    sheet.ColorControl.SetTone(150, 100, 100, 100, true);
    sheet.Colors[1] = 0x1234; // a rebuild would overwrite this
    sheet.ColorControl.SetTone(150, 100, 100, 100, true);
    sheet.ColorControl.SetFlash(0, 0, 0, 0, true);
    EXPECT_EQ(sheet.Colors[1], 0x1234);
    sheet.ColorControl.SetTone(150, 100, 100, 90, true);
    EXPECT_NE(sheet.Colors[1], 0x1234);
}

TEST(KandelSheetHue, KnownColoursGreysAndEvenRounding) {
    TKandelSheet sheet;
    sheet.SetPaletteEntry(0, 255, 0, 0);
    sheet.SetPaletteEntry(1, 255, 0, 0);
    sheet.SetPaletteEntry(2, 255, 255, 0);
    sheet.SetPaletteEntry(3, 128, 128, 128);
    sheet.SetPaletteEntry(4, 240, 2, 0); // hue exactly 0.5 degrees
    sheet.RotateHue(120);
    EXPECT_EQ(sheet.Palette[0], (TRgbQuad{255, 0, 0, 0})); // entry 0 untouched
    EXPECT_EQ(sheet.Palette[1], (TRgbQuad{0, 255, 0, 0}));
    EXPECT_EQ(sheet.Palette[2], (TRgbQuad{0, 255, 255, 0}));
    EXPECT_EQ(sheet.Palette[3], (TRgbQuad{128, 128, 128, 0}));
    // 120.5 rounds to the even 120, not 121 (which would give blue 240/60 = 4).
    EXPECT_EQ(sheet.Palette[4], (TRgbQuad{0, 240, 0, 0}));
    EXPECT_EQ(sheet.Colors[1], Rgb(0, 63, 0)); // the table follows
    sheet.RotateHue(-120 - 360);
    EXPECT_EQ(sheet.Palette[1], (TRgbQuad{255, 0, 0, 0}));
    EXPECT_EQ(sheet.Palette[2], (TRgbQuad{255, 255, 0, 0}));
}

TEST(KandelSheetLoad, BitmapOriginAutoSizeAndPalette) {
    TKandelBitmap bitmap;
    bitmap.Reset(TPixelFormat::Indexed8, 4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) bitmap.Row(y)[x] = static_cast<std::uint8_t>(10 * y + x);
    bitmap.Palette[11] = TRgbQuad{255, 255, 255, 0};
    TKandelSheet sheet;
    sheet.SetSize(3, 3);
    sheet.LoadFromBitmap(bitmap, 1, 1);
    EXPECT_EQ(sheet.ScanLine(0)[0], 11);
    EXPECT_EQ(sheet.ScanLine(1)[2], 23);
    EXPECT_EQ(sheet.ScanLine(2)[0], 0); // no image row 3
    EXPECT_EQ(sheet.Colors[11], 0xFFFF);
    sheet.AutoSize = true;
    sheet.LoadFromBitmap(bitmap);
    EXPECT_EQ(sheet.Width(), 4);
    EXPECT_EQ(sheet.ScanLine(2)[3], 23);
    // Negative origins shift the image right and down.
    sheet.AutoSize = false;
    sheet.FillArea(sheet.GetBounds(), 50);
    sheet.LoadFromBitmap(bitmap, -1, -2);
    EXPECT_EQ(sheet.ScanLine(2)[0], 50); // no image pixel there: left alone
    EXPECT_EQ(sheet.ScanLine(2)[1], 0);
    EXPECT_EQ(sheet.ScanLine(2)[2], 1);
    EXPECT_EQ(sheet.ScanLine(1)[3], 50);
}

TEST(KandelSheetLoad, WrongFormatsAndMissingFiles) {
    TKandelBitmap rgb;
    rgb.Reset(TPixelFormat::Rgb24, 2, 2);
    TKandelSheet sheet;
    EXPECT_THROW(sheet.LoadFromBitmap(rgb), EInvalidGraphic);
    TKandelBitmap empty;
    EXPECT_THROW(sheet.LoadFromBitmap(empty), EInvalidGraphic);

    sheet.SetSize(4, 3);
    sheet.FillArea(sheet.GetBounds(), 7);
    sheet.SetPaletteEntry(7, 1, 2, 3);
    sheet.AutoSize = true;
    sheet.LoadFromFile("/nonexistent/kestra/picture.png", false);
    EXPECT_EQ(sheet.Width(), 4);
    EXPECT_EQ(sheet.Height(), 3);
    EXPECT_TRUE(sheet.IsAreaEmpty(sheet.GetBounds()));
    EXPECT_EQ(sheet.Palette[7], TRgbQuad{});
    sheet.FillArea(sheet.GetBounds(), 7);
    sheet.LoadFromImageData({1, 2, 3}, "LOGO1", false);
    EXPECT_EQ(sheet.Width(), 4);
    EXPECT_TRUE(sheet.IsAreaEmpty(sheet.GetBounds()));
    try {
        sheet.LoadFromImageData({1, 2, 3}, "LOGO1", true);
        ADD_FAILURE() << "no error raised";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("LOGO1"), std::string::npos);
    }
    try {
        sheet.LoadFromFile("/nonexistent/kestra/picture.png", true);
        ADD_FAILURE() << "no error raised";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("picture.png"), std::string::npos);
    }
}

TEST(KandelSheetArea, QueriesFillAndMirror) {
    TKandelSheet sheet;
    sheet.SetSize(6, 4);
    EXPECT_TRUE(sheet.IsAreaEmpty({0, 0, 6, 4}));
    EXPECT_TRUE(sheet.IsAreaSolid({3, 3, 3, 5})); // empty rectangle
    sheet.FillArea({-2, 1, 3, 10}, 5);            // clipped to columns 0..2, rows 1..3
    EXPECT_TRUE(sheet.IsAreaSolid({0, 1, 3, 4}));
    EXPECT_FALSE(sheet.IsAreaSolid({0, 0, 3, 4}));
    EXPECT_FALSE(sheet.IsAreaEmpty({2, 3, 4, 4}));
    EXPECT_TRUE(sheet.IsAreaEmpty({3, 0, 9, 9}));
    EXPECT_TRUE(sheet.AreasEqual({0, 1, 2, 3}, {1, 2, 3, 4}));
    EXPECT_FALSE(sheet.AreasEqual({0, 1, 3, 3}, {1, 1, 4, 3}));
    EXPECT_FALSE(sheet.AreasEqual({0, 1, 2, 3}, {0, 1, 3, 3}));
    EXPECT_FALSE(sheet.AreasEqual({5, 0, 7, 1}, {5, 0, 7, 1})); // reaches outside
    sheet.ScanLine(0)[0] = 1;
    sheet.ScanLine(0)[1] = 2;
    sheet.Mirror();
    EXPECT_EQ(sheet.ScanLine(0)[5], 1);
    EXPECT_EQ(sheet.ScanLine(0)[4], 2);
    EXPECT_EQ(sheet.ScanLine(1)[5], 5);
    EXPECT_EQ(sheet.ScanLine(1)[2], 0);
}

TEST(KandelSheetArea, CopyFromClipsAndKeysIndexZero) {
    TKandelSheet source, dest;
    source.SetSize(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            source.ScanLine(y)[x] = static_cast<std::uint8_t>(1 + 3 * y + x);
    dest.SetSize(4, 4);
    dest.FillArea(dest.GetBounds(), 99);
    // Destination partly above-left of the sheet: only source (1..2, 1..2) lands at (0..1, 0..1).
    dest.CopyFrom(-1, -1, source.GetBounds(), source);
    EXPECT_EQ(dest.ScanLine(0)[0], 5);
    EXPECT_EQ(dest.ScanLine(1)[1], 9);
    EXPECT_EQ(dest.ScanLine(0)[2], 99);
    EXPECT_EQ(dest.ScanLine(2)[0], 99);
    // Source rectangle partly outside the source, destination partly outside the right edge.
    dest.FillArea(dest.GetBounds(), 99);
    dest.CopyFrom(2, 1, {-1, 0, 3, 2}, source);
    EXPECT_EQ(dest.ScanLine(1)[2], 99); // the column left of the source
    EXPECT_EQ(dest.ScanLine(1)[3], 1);
    EXPECT_EQ(dest.ScanLine(2)[3], 4);
    EXPECT_EQ(dest.ScanLine(3)[3], 99);
    // Transparent sources leave the destination under index 0.
    source.ScanLine(0)[1] = 0;
    source.Transparent = true;
    dest.FillArea(dest.GetBounds(), 99);
    dest.CopyFrom(0, 0, source.GetBounds(), source);
    EXPECT_EQ(dest.ScanLine(0)[0], 1);
    EXPECT_EQ(dest.ScanLine(0)[1], 99);
    // Overlapping copy within one sheet moves the block intact.
    dest.CopyFrom(1, 1, {0, 0, 3, 3}, dest);
    EXPECT_EQ(dest.ScanLine(1)[1], 1);
    EXPECT_EQ(dest.ScanLine(3)[3], 9);
    EXPECT_EQ(dest.ScanLine(1)[2], 99);
    EXPECT_EQ(dest.ScanLine(2)[1], 4);
}

} // namespace
} // namespace kestra

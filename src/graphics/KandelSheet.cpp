#include "graphics/KandelSheet.h"
#include "base/Errors.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelSpan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestra {

// ---------------------------------------------------------------------------
// Colour control

void TKandelColorControl::ResetColors(bool update) {
    SetAll(100, 100, 100, 100, 0, 0, 0, 0, update);
}

void TKandelColorControl::SetTone(int red, int green, int blue, int saturation, bool update) {
    SetAll(red, green, blue, saturation, FlashRed_, FlashGreen_, FlashBlue_, FlashStrength_,
           update);
}

void TKandelColorControl::SetFlash(int red, int green, int blue, int strength, bool update) {
    SetAll(Red_, Green_, Blue_, Saturation_, red, green, blue, strength, update);
}

void TKandelColorControl::SetAll(int red, int green, int blue, int saturation, int flashRed,
                                 int flashGreen, int flashBlue, int strength, bool update) {
    red = std::clamp(red, 0, 200);
    green = std::clamp(green, 0, 200);
    blue = std::clamp(blue, 0, 200);
    saturation = std::clamp(saturation, 0, 200);
    flashRed = std::clamp(flashRed, 0, 31);
    flashGreen = std::clamp(flashGreen, 0, 31);
    flashBlue = std::clamp(flashBlue, 0, 31);
    strength = std::clamp(strength, 0, 32);
    if (red == Red_ && green == Green_ && blue == Blue_ && saturation == Saturation_ &&
        flashRed == FlashRed_ && flashGreen == FlashGreen_ && flashBlue == FlashBlue_ &&
        strength == FlashStrength_)
        return;
    Red_ = red;
    Green_ = green;
    Blue_ = blue;
    Saturation_ = saturation;
    FlashRed_ = flashRed;
    FlashGreen_ = flashGreen;
    FlashBlue_ = flashBlue;
    FlashStrength_ = strength;
    if (update) Owner.UpdateColors();
}

// ---------------------------------------------------------------------------
// Sheet: storage

void TKandelSheet::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) width = height = 0;
    if (width == Width_ && height == Height_) return;
    if (width > KMaxImageSide || height > KMaxImageSide ||
        static_cast<std::int64_t>(width) * height > KMaxImagePixels)
        throw EInvalidGraphic("sheet size " + std::to_string(width) + " x " +
                              std::to_string(height) + " is too large");
    std::vector<std::uint8_t>().swap(Pixels);
    // The trailing bytes let vector gathers read four bytes at any pixel.
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Pixels.assign(count == 0 ? 0 : count + KSheetReadSlack, 0);
    Width_ = width;
    Height_ = height;
}

void TKandelSheet::Clear() {
    std::fill(Pixels.begin(), Pixels.end(), std::uint8_t{0});
    Palette.fill(TRgbQuad{});
    Colors.fill(0);
}

void TKandelSheet::FreePixels() {
    std::vector<std::uint8_t>().swap(Pixels);
    Width_ = Height_ = 0;
}

void TKandelSheet::SetPaletteEntry(int index, int red, int green, int blue) {
    if (index < 0 || index > 255) return;
    Palette[index] = TRgbQuad{static_cast<std::uint8_t>(std::clamp(red, 0, 255)),
                              static_cast<std::uint8_t>(std::clamp(green, 0, 255)),
                              static_cast<std::uint8_t>(std::clamp(blue, 0, 255)), 0};
}

// ---------------------------------------------------------------------------
// Colour table

namespace {

// Moves c toward 0 (p < 100) or toward max (p > 100) by p percent.
int ApplyPercent(int c, int p, int max) {
    if (p > 100) return c + (p - 100) * (max - c) / 100;
    if (p < 100) return p * c / 100;
    return c;
}

void ApplyFlash(const TKandelColorControl& control, int& r, int& g, int& b) {
    const int a = control.FlashStrength();
    if (a <= 0) return;
    r = (a * control.FlashRed() + (32 - a) * r) / 32;
    g = (a * 2 * control.FlashGreen() + (32 - a) * g) / 32;
    b = (a * control.FlashBlue() + (32 - a) * b) / 32;
}

} // namespace

void TKandelSheet::UpdateColors() {
    const TKandelColorControl& own = ColorControl;
    const TKandelColorControl& screen = ScreenColorControl;
    const int pr = std::clamp(own.Red() + screen.Red() - 100, 0, 200);
    const int pg = std::clamp(own.Green() + screen.Green() - 100, 0, 200);
    const int pb = std::clamp(own.Blue() + screen.Blue() - 100, 0, 200);
    const int s = std::clamp(own.Saturation() + screen.Saturation() - 100, 0, 200);
    const int bright = std::clamp(Brightness, 0, 200);
    for (int i = 0; i < 256; ++i) {
        int r = Palette[i].Red >> 3;
        int g = Palette[i].Green >> 2;
        int b = Palette[i].Blue >> 3;
        if (s < 100) {
            const int e = (3 * r + 3 * g + b) / 10;
            r = (e * (100 - s) + s * r) / 100;
            g = ((100 - s) * 2 * e + s * g) / 100;
            b = (e * (100 - s) + s * b) / 100;
        } else if (s > 100) {
            const int e = (3 * r + 3 * g + b) / 10;
            const int w = 200 - s, k = s - 100;
            r = std::clamp((w * r + k * (3 * r - 2 * e)) / 100, 0, 31);
            g = std::clamp((w * g + k * (3 * g - 4 * e)) / 100, 0, 63);
            b = std::clamp((w * b + k * (3 * b - 2 * e)) / 100, 0, 31);
        }
        r = ApplyPercent(r, pr, 31);
        g = ApplyPercent(g, pg, 63);
        b = ApplyPercent(b, pb, 31);
        ApplyFlash(own, r, g, b);
        ApplyFlash(screen, r, g, b);
        r = ApplyPercent(r, bright, 31);
        g = ApplyPercent(g, bright, 63);
        b = ApplyPercent(b, bright, 31);
        Colors[i] = PackRgb565(std::clamp(r, 0, 31), std::clamp(g, 0, 63), std::clamp(b, 0, 31));
    }
}

void TKandelSheet::RotateHue(int degrees) {
    // Only the parity of the rotation matters for rounding halves to even, and 360
    // is even, so reducing it first changes no result.
    const int d = ((degrees % 360) + 360) % 360;
    if (degrees != 0) {
        for (int i = 1; i < 256; ++i) {
            const int r = Palette[i].Red, g = Palette[i].Green, b = Palette[i].Blue;
            const int v = std::max({r, g, b});
            const int delta = v - std::min({r, g, b});
            if (delta == 0) continue; // grey: saturation 0
            const double sat = 255.0 * delta / v;
            double hue;
            if (v == r)
                hue = static_cast<double>(g - b) / delta;
            else if (v == g)
                hue = static_cast<double>(b - r) / delta + 2;
            else
                hue = static_cast<double>(r - g) / delta + 4;
            hue *= 60;
            if (hue < 0) hue += 360;
            const int h = static_cast<int>(std::nearbyint(hue + d)) % 360;
            const int sector = h / 60;
            const double f = h / 60.0 - sector;
            const auto channel = [](double c) {
                return static_cast<std::uint8_t>(std::clamp(std::nearbyint(c), 0.0, 255.0));
            };
            const std::uint8_t vv = channel(v);
            const std::uint8_t p = channel(v * (255 - sat) / 255);
            const std::uint8_t q = channel(v * (255 - sat * f) / 255);
            const std::uint8_t t = channel(v * (255 - sat * (1 - f)) / 255);
            TRgbQuad& e = Palette[i];
            switch (sector) {
            case 0:
                e.Red = vv, e.Green = t, e.Blue = p;
                break;
            case 1:
                e.Red = q, e.Green = vv, e.Blue = p;
                break;
            case 2:
                e.Red = p, e.Green = vv, e.Blue = t;
                break;
            case 3:
                e.Red = p, e.Green = q, e.Blue = vv;
                break;
            case 4:
                e.Red = t, e.Green = p, e.Blue = vv;
                break;
            default:
                e.Red = vv, e.Green = p, e.Blue = q;
                break;
            }
        }
    }
    UpdateColors();
}

// ---------------------------------------------------------------------------
// Loading

void TKandelSheet::LoadFromBitmap(const TKandelBitmap& bitmap, int originX, int originY) {
    if (bitmap.Format != TPixelFormat::Indexed8)
        throw EInvalidGraphic("image is not 8 bits per pixel with a palette");
    if (bitmap.Empty()) throw EInvalidGraphic("image is empty");
    if (bitmap.Pixels.size() <
        static_cast<std::size_t>(bitmap.RowBytes()) * static_cast<std::size_t>(bitmap.Height))
        throw EInvalidGraphic("image pixel data is incomplete");
    if (AutoSize) SetSize(bitmap.Width, bitmap.Height);
    // Sheet pixel (i, j) takes image pixel (originX + i, originY + j) where it exists.
    const int i0 = std::max(0, -originX), j0 = std::max(0, -originY);
    const int i1 = static_cast<int>(
        std::min<std::int64_t>(Width_, static_cast<std::int64_t>(bitmap.Width) - originX));
    const int j1 = static_cast<int>(
        std::min<std::int64_t>(Height_, static_cast<std::int64_t>(bitmap.Height) - originY));
    for (int j = j0; j < j1; ++j)
        if (i1 > i0)
            std::memcpy(ScanLine(j) + i0, bitmap.Row(originY + j) + originX + i0,
                        static_cast<std::size_t>(i1 - i0));
    Palette = bitmap.Palette;
    UpdateColors();
}

void TKandelSheet::LoadFromFile(const std::string& path, bool raiseErrors) {
    LoadFromFile(path, 0, 0, raiseErrors);
}

void TKandelSheet::LoadFromFile(const std::string& path, int originX, int originY,
                                bool raiseErrors) {
    Clear();
    if (path.empty()) return;
    try {
        TKandelBitmap bitmap;
        ReadImageFile(path, bitmap);
        try {
            LoadFromBitmap(bitmap, originX, originY);
        } catch (const EInvalidGraphic& e) {
            throw EInvalidGraphic(path + ": " + e.what());
        }
    } catch (const EKestraError&) {
        Clear();
        if (raiseErrors) throw;
    }
}

void TKandelSheet::LoadFromImageData(const std::vector<std::uint8_t>& bytes,
                                     const std::string& name, bool raiseErrors) {
    Clear();
    try {
        TKandelBitmap bitmap;
        ReadImage(bytes, bitmap, name);
        try {
            LoadFromBitmap(bitmap);
        } catch (const EInvalidGraphic& e) {
            throw EInvalidGraphic(name + ": " + e.what());
        }
    } catch (const EKestraError&) {
        Clear();
        if (raiseErrors) throw;
    }
}

// ---------------------------------------------------------------------------
// Pixel operations

void TKandelSheet::Mirror() {
    for (int y = 0; y < Height_; ++y) std::reverse(ScanLine(y), ScanLine(y) + Width_);
}

bool TKandelSheet::AreasEqual(const TRect& a, const TRect& b) const {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    if (a.Empty()) return b.Empty();
    if (!GetBounds().Contains(a) || !GetBounds().Contains(b)) return false;
    for (int j = 0; j < a.Height(); ++j)
        if (std::memcmp(ScanLine(a.Top + j) + a.Left, ScanLine(b.Top + j) + b.Left,
                        static_cast<std::size_t>(a.Width())) != 0)
            return false;
    return true;
}

bool TKandelSheet::IsAreaEmpty(const TRect& rect) const {
    const TRect r = rect.Intersect(GetBounds());
    if (r.Empty()) return true;
    for (int y = r.Top; y < r.Bottom; ++y) {
        const std::uint8_t* row = ScanLine(y);
        if (std::any_of(row + r.Left, row + r.Right, [](std::uint8_t c) { return c != 0; }))
            return false;
    }
    return true;
}

bool TKandelSheet::IsAreaSolid(const TRect& rect) const {
    const TRect r = rect.Intersect(GetBounds());
    if (r.Empty()) return true;
    for (int y = r.Top; y < r.Bottom; ++y) {
        const std::uint8_t* row = ScanLine(y);
        if (std::find(row + r.Left, row + r.Right, std::uint8_t{0}) != row + r.Right) return false;
    }
    return true;
}

void TKandelSheet::FillArea(const TRect& rect, std::uint8_t index) {
    const TRect r = rect.Intersect(GetBounds());
    if (r.Empty()) return;
    for (int y = r.Top; y < r.Bottom; ++y)
        std::memset(ScanLine(y) + r.Left, index, static_cast<std::size_t>(r.Width()));
}

void TKandelSheet::CopyFrom(int x, int y, const TRect& sourceRect, const TKandelSheet& source) {
    // Clip in 64 bits: x plus a width may not fit in an int.
    std::int64_t sl = sourceRect.Left, st = sourceRect.Top;
    std::int64_t sr = sourceRect.Right, sb = sourceRect.Bottom;
    std::int64_t dx = x, dy = y;
    if (sl < 0) dx -= sl, sl = 0;
    if (st < 0) dy -= st, st = 0;
    sr = std::min<std::int64_t>(sr, source.Width_);
    sb = std::min<std::int64_t>(sb, source.Height_);
    if (dx < 0) sl -= dx, dx = 0;
    if (dy < 0) st -= dy, dy = 0;
    sr = std::min<std::int64_t>(sr, sl + (Width_ - dx));
    sb = std::min<std::int64_t>(sb, st + (Height_ - dy));
    if (sr <= sl || sb <= st) return;
    const auto w = static_cast<std::size_t>(sr - sl);
    // Copying within one sheet: walk rows so that no source row is overwritten first.
    const bool upward = &source == this && dy > st;
    for (std::int64_t k = 0; k < sb - st; ++k) {
        const std::int64_t j = upward ? sb - st - 1 - k : k;
        const std::uint8_t* from = source.ScanLine(static_cast<int>(st + j)) + sl;
        std::uint8_t* to = ScanLine(static_cast<int>(dy + j)) + dx;
        if (!source.Transparent) {
            std::memmove(to, from, w);
        } else if (&source == this && dx > sl) {
            for (std::size_t i = w; i-- > 0;)
                if (from[i] != 0) to[i] = from[i];
        } else {
            for (std::size_t i = 0; i < w; ++i)
                if (from[i] != 0) to[i] = from[i];
        }
    }
}

} // namespace kestra

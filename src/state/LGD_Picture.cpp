#include "state/LGD_Picture.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/Saturate.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Screen.h"

namespace kestra {

namespace {

// Limits of what a picture can show; beyond them values only overflow.
constexpr double KMaxPosition = 1e6;
constexpr std::int32_t KMaxMagnification = 2000;
constexpr std::int32_t KMaxEffectStrength = 255;

double Finite(double v, double fallback, double lo, double hi) {
    return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback;
}

// One step of the linear approach with b = remaining frames + 1.
void Approach(double& value, double target, std::int32_t b) {
    value += (target - value) / b;
}

} // namespace

// ---- one picture ----

void TLcfgPictureItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.Real(2, OriginX);
    v.Real(3, OriginY);
    v.Real(4, X);
    v.Real(5, Y);
    v.Bool(6, ScrollsWithMap);
    v.Real(7, Magnification, 100.0);
    v.Real(8, Transparency);
    v.Bool(9, UseTransparentColour);
    v.Real(11, Red, 100.0);
    v.Real(12, Green, 100.0);
    v.Real(13, Blue, 100.0);
    v.Real(14, Saturation, 100.0);
    v.Int(15, Effect);
    v.Real(16, EffectStrength);
    v.Real(31, TargetX);
    v.Real(32, TargetY);
    v.Int(33, TargetMagnification, 100);
    v.Int(34, TargetTransparency);
    v.Int(41, TargetRed, 100);
    v.Int(42, TargetGreen, 100);
    v.Int(43, TargetBlue, 100);
    v.Int(44, TargetSaturation, 100);
    v.Int(46, TargetEffectStrength);
    v.Int(51, MoveFrames);
    v.Real(52, Angle);
    v.Int(53, WaverPhase);
}

void TLcfgPictureItem::LoadFromStream(TByteReader& reader) {
    TCatalogItem::LoadFromStream(reader);
    for (double* p : {&OriginX, &OriginY, &X, &Y, &TargetX, &TargetY})
        *p = Finite(*p, 0.0, -KMaxPosition, KMaxPosition);
    Magnification = Finite(Magnification, 100.0, 0.0, KMaxMagnification);
    Transparency = Finite(Transparency, 0.0, 0.0, 100.0);
    for (double* p : {&Red, &Green, &Blue, &Saturation}) *p = Finite(*p, 100.0, 0.0, 200.0);
    EffectStrength = Finite(EffectStrength, 0.0, 0.0, KMaxEffectStrength);
    Angle = Finite(Angle, 0.0, -KMaxPosition, KMaxPosition);
    Effect = std::clamp(Effect, 0, 2);
    TargetMagnification = std::clamp(TargetMagnification, 0, KMaxMagnification);
    TargetTransparency = std::clamp(TargetTransparency, 0, 100);
    for (std::int32_t* p : {&TargetRed, &TargetGreen, &TargetBlue, &TargetSaturation})
        *p = std::clamp(*p, 0, 200);
    TargetEffectStrength = std::clamp(TargetEffectStrength, 0, KMaxEffectStrength);
    MoveFrames = std::max(MoveFrames, 0);
    WaverPhase &= 255;
}

void TLcfgPictureItem::Show(const TPictureShow& s) {
    Name = s.Name;
    OriginX = TargetX = X = std::clamp<double>(s.X, -KMaxPosition, KMaxPosition);
    OriginY = TargetY = Y = std::clamp<double>(s.Y, -KMaxPosition, KMaxPosition);
    ScrollsWithMap = s.ScrollsWithMap;
    TargetMagnification = std::clamp(s.Magnification, 0, KMaxMagnification);
    TargetTransparency = std::clamp(s.Transparency, 0, 100);
    UseTransparentColour = s.UseTransparentColour;
    TargetRed = std::clamp(s.Red, 0, 200);
    TargetGreen = std::clamp(s.Green, 0, 200);
    TargetBlue = std::clamp(s.Blue, 0, 200);
    TargetSaturation = std::clamp(s.Saturation, 0, 200);
    Magnification = TargetMagnification;
    Transparency = TargetTransparency;
    Red = TargetRed;
    Green = TargetGreen;
    Blue = TargetBlue;
    Saturation = TargetSaturation;
    Effect = std::clamp(s.Effect, 0, 2) == s.Effect ? s.Effect : KPictureEffectNone;
    TargetEffectStrength =
        Effect == KPictureEffectNone ? 0 : std::clamp(s.EffectStrength, 0, KMaxEffectStrength);
    EffectStrength = TargetEffectStrength;
    MoveFrames = 0;
    Angle = 0;
    WaverPhase = 0;
}

void TLcfgPictureItem::Move(const TPictureMove& m) {
    const double x = std::clamp<double>(m.X, -KMaxPosition, KMaxPosition);
    const double y = std::clamp<double>(m.Y, -KMaxPosition, KMaxPosition);
    if (ScrollsWithMap) {
        // The map's scroll gathered in the target since the last position given stays
        // in it; the origin becomes the new position, so a later move adds only the
        // scroll again.
        TargetX = std::clamp(x + TargetX - OriginX, -KMaxPosition, KMaxPosition);
        TargetY = std::clamp(y + TargetY - OriginY, -KMaxPosition, KMaxPosition);
        OriginX = x;
        OriginY = y;
    } else {
        TargetX = x;
        TargetY = y;
    }
    TargetMagnification = std::clamp(m.Magnification, 0, KMaxMagnification);
    TargetTransparency = std::clamp(m.Transparency, 0, 100);
    TargetRed = std::clamp(m.Red, 0, 200);
    TargetGreen = std::clamp(m.Green, 0, 200);
    TargetBlue = std::clamp(m.Blue, 0, 200);
    TargetSaturation = std::clamp(m.Saturation, 0, 200);
    const std::int32_t strength = std::clamp(m.EffectStrength, 0, KMaxEffectStrength);
    const std::int32_t e = Effect, t = m.Effect;
    if (t == e && e != KPictureEffectNone) {
        TargetEffectStrength = strength;
    } else if (e == KPictureEffectWaver && t == KPictureEffectNone) {
        TargetEffectStrength = 0; // dies down; the effect stays a waver
    } else if (e == KPictureEffectRotation && t == KPictureEffectNone) {
        Effect = KPictureEffectNone; // winds down in Update
    } else if ((e == KPictureEffectRotation && t == KPictureEffectWaver) ||
               (e == KPictureEffectWaver && t == KPictureEffectRotation)) {
        Effect = t;
        EffectStrength = TargetEffectStrength = strength;
    }
    // With no effect a move cannot start one.
    MoveFrames = std::max(m.Frames, 0);
}

void TLcfgPictureItem::Erase() {
    Name.clear();
    Image.FreePixels();
}

void TLcfgPictureItem::Update() {
    if (MoveFrames > 0) --MoveFrames;
    const std::int32_t b = MoveFrames + 1;
    Approach(X, TargetX, b);
    Approach(Y, TargetY, b);
    Approach(Magnification, TargetMagnification, b);
    Approach(Transparency, TargetTransparency, b);
    Approach(Red, TargetRed, b);
    Approach(Green, TargetGreen, b);
    Approach(Blue, TargetBlue, b);
    Approach(Saturation, TargetSaturation, b);
    switch (Effect) {
    case KPictureEffectNone: {
        // A rotation switched off keeps turning while the move lasts, then until its
        // angle (brought within half a turn of upright) is no longer above 0.
        const std::int32_t s = NearestInt32(EffectStrength);
        if (s > 0) {
            const std::int32_t h = 256 / s;
            if (h < MoveFrames || Angle > 0) {
                Angle = Angle - NearestInt32(Angle / 256) * 256.0 + EffectStrength;
                if (h >= MoveFrames && Angle >= 256) Angle = 0;
            }
        }
        break;
    }
    case KPictureEffectRotation:
        Approach(EffectStrength, TargetEffectStrength, b);
        Angle += EffectStrength;
        // Whole turns change nothing drawn; they are taken off before the angle grows
        // beyond what a double counts exactly.
        if (Angle >= KMaxPosition) Angle = std::fmod(Angle, 256.0);
        break;
    case KPictureEffectWaver:
        Approach(EffectStrength, TargetEffectStrength, b);
        WaverPhase = (WaverPhase + 8) & 255;
        break;
    default:
        break;
    }
}

void TLcfgPictureItem::Scrolled(int direction, std::int32_t amount) {
    if (!ScrollsWithMap) return;
    const double d = amount / 16.0;
    switch (direction) {
    case 1: // the view moves right, the picture left
        X -= d;
        TargetX -= d;
        break;
    case 3:
        X += d;
        TargetX += d;
        break;
    case 2:
        Y -= d;
        TargetY -= d;
        break;
    case 0:
        Y += d;
        TargetY += d;
        break;
    default:
        break;
    }
}

int TLcfgPictureItem::DrawnAngle() const {
    return static_cast<int>(static_cast<std::uint32_t>(NearestInt32(Angle)) & 255u);
}

void TLcfgPictureItem::Draw(TKandelBoard& board, const TLcfgScreen& screen) {
    if (!HasImage()) return;
    const TScreenColors flash = screen.Colors();
    Image.ColorControl.SetAll(NearestInt32(Red), NearestInt32(Green), NearestInt32(Blue),
                              NearestInt32(Saturation), flash.FlashRed, flash.FlashGreen,
                              flash.FlashBlue, flash.FlashStrength, true);
    Image.Opacity = std::clamp(NearestInt32(255 - Transparency * 255 / 100), 0, 255);
    const int x = NearestInt32(X) + screen.ShakeX;
    const int y = NearestInt32(Y) + screen.ShakeY;
    const double zoom = Magnification / 100;
    const TRect source = Image.GetBounds();
    const int ax = Image.Width() / 2, ay = Image.Height() / 2;
    const int angle = DrawnAngle();
    if (Effect == KPictureEffectWaver)
        board.DrawSheetWaver(x, y, source, Image, ax, ay, zoom, WaverPhase, 32,
                             NearestInt32(EffectStrength * 4));
    else if (Effect == KPictureEffectRotation || angle != 0)
        board.DrawSheetRotated(x, y, source, Image, ax, ay, zoom, angle);
    else
        board.DrawSheetZoomed(x, y, source, Image, ax, ay, zoom);
}

// ---- the list ----

TLcfgPicture::TLcfgPicture(TLcfgGameState& game) : TCatalogOf("pictures"), Game(game) {
    Reset();
}

void TLcfgPicture::Reset() {
    Clear();
    for (std::int32_t n = 1; n <= KPictureCount; ++n) Obtain(n);
}

void TLcfgPicture::LoadFromStream(TByteReader& reader) {
    TCatalogOf::LoadFromStream(reader);
    Normalise();
}

void TLcfgPicture::Normalise() {
    bool exact = Count() == static_cast<std::size_t>(KPictureCount);
    for (std::size_t i = 0; exact && i < Count(); ++i)
        exact = At(i).Id == static_cast<std::int32_t>(i) + 1;
    if (!exact) {
        std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> kept;
        for (std::size_t i = 0; i < Count(); ++i)
            if (At(i).Id >= 1 && At(i).Id <= KPictureCount)
                kept.emplace_back(At(i).Id, At(i).Encode());
        Reset();
        for (const auto& [id, bytes] : kept) Get(id).Decode(bytes, Name());
    }
    for (std::int32_t n = 1; n <= KPictureCount; ++n) LoadImage(Get(n), false);
}

bool TLcfgPicture::LoadImage(TLcfgPictureItem& item, bool raiseErrors) {
    item.Image.FreePixels();
    if (item.Name.empty()) return false;
    const std::string path = Game.Env.FindAsset(item.Name, "Picture");
    if (path.empty()) {
        if (raiseErrors) throw EFileError("Picture/" + item.Name + ": picture not found");
        return false;
    }
    item.Image.AutoSize = true;
    item.Image.LoadFromFile(path, raiseErrors);
    item.Image.Transparent = item.UseTransparentColour;
    return item.HasImage();
}

TLcfgPictureItem* TLcfgPicture::Picture(std::int32_t number) const {
    return number >= 1 && number <= KPictureCount ? Find(number) : nullptr;
}

void TLcfgPicture::Show(std::int32_t number, const TPictureShow& show) {
    TLcfgPictureItem* item = Picture(number);
    if (item == nullptr) return;
    item->Show(show);
    LoadImage(*item, true);
}

void TLcfgPicture::Move(std::int32_t number, const TPictureMove& move) {
    if (TLcfgPictureItem* item = Picture(number)) item->Move(move);
}

void TLcfgPicture::Erase(std::int32_t number) {
    if (TLcfgPictureItem* item = Picture(number)) item->Erase();
}

void TLcfgPicture::EraseAll() {
    for (std::int32_t n = 1; n <= KPictureCount; ++n) Erase(n);
}

void TLcfgPicture::UpdateAll() {
    for (std::size_t i = 0; i < Count(); ++i) At(i).Update();
}

void TLcfgPicture::ScrollAll(int direction, std::int32_t amount) {
    for (std::size_t i = 0; i < Count(); ++i) At(i).Scrolled(direction, amount);
}

void TLcfgPicture::DrawAll(TKandelBoard& board, const TLcfgScreen& screen) {
    for (std::int32_t n = 1; n <= KPictureCount; ++n)
        if (TLcfgPictureItem* item = Picture(n)) item->Draw(board, screen);
}

} // namespace kestra

// Handlers of the screen commands: erasing and showing the screen with a transition,
// tint, flash, shake, weather, and showing, moving and erasing pictures.
#include <algorithm>
#include <climits>

#include "data/DataBase.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "state/LGD_GameState.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

// Tenths of a second as frames.
std::int32_t Frames(std::int32_t tenths) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(tenths) * 6, 0, INT32_MAX));
}

// A wait flag keeps the list waiting for the effect, at least one frame.
void WaitFor(TLcfgBaseScripter& s, std::int32_t flag, std::int32_t frames) {
    if (flag != 0) s.WaitFrames = std::max(frames, 1);
}

void EraseScreen(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    MessageBox(w).Hide();
    if (w.Display->Board.Brightness <= 0) return;
    const std::int32_t transition =
        l.Param(0) < 0 ? State(w).System.Transition(KTransitionTeleportHide) : l.Param(0);
    Field(w).HideWithTransition(transition);
}

void ShowScreen(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    MessageBox(w).Hide();
    const std::int32_t transition =
        l.Param(0) < 0 ? State(w).System.Transition(KTransitionTeleportShow) : l.Param(0);
    Field(w).ShowWithTransition(transition);
}

void TintScreen(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    const std::int32_t frames = Frames(l.Param(4));
    State(s.Game()).Screen.SetTint(l.Param(0), l.Param(1), l.Param(2), l.Param(3), frames);
    WaitFor(s, l.Param(5), frames);
}

void FlashScreen(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    const std::int32_t frames = Frames(l.Param(4));
    State(s.Game()).Screen.SetFlash(l.Param(0), l.Param(1), l.Param(2), l.Param(3), frames);
    WaitFor(s, l.Param(5), frames);
}

void ShowBattleAnimation(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    const std::int32_t target = l.Param(1) == KRefThisEvent ? frame.EventId : l.Param(1);
    if (!Field(s.Game()).ShowMapAnimation(l.Param(0), target, l.Param(3) != 0)) return;
    const TVezAnimationItem* record = State(s.Game()).DataBase().Animations.Find(l.Param(0));
    if (l.Param(2) != 0) s.WaitFrames = static_cast<std::int32_t>(record->Frames.Count()) * 2;
}

void ShakeScreen(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    const std::int32_t frames = Frames(l.Param(2));
    State(s.Game()).Screen.SetShake(l.Param(0), l.Param(1), frames);
    WaitFor(s, l.Param(3), frames);
}

void WeatherEffect(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    State(w).Screen.SetWeather(l.Param(0), l.Param(1), w.Random());
}

// A position given by constants or, with the flag set, by the variables named.
void PositionByKind(TGameMain& w, const TLine& l, std::int32_t& x, std::int32_t& y) {
    const TLcfgSystem& sys = State(w).System;
    x = l.Param(1) != 0 ? sys.Variable(l.Param(2)) : l.Param(2);
    y = l.Param(1) != 0 ? sys.Variable(l.Param(3)) : l.Param(3);
}

void ShowPicture(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TPictureShow show;
    show.Name = l.Text;
    PositionByKind(w, l, show.X, show.Y);
    show.ScrollsWithMap = l.Param(4) != 0;
    show.Magnification = l.Param(5);
    show.Transparency = l.Param(6);
    show.UseTransparentColour = l.Param(7) != 0;
    show.Red = l.Param(8);
    show.Green = l.Param(9);
    show.Blue = l.Param(10);
    show.Saturation = l.Param(11);
    show.Effect = l.Param(12);
    show.EffectStrength = l.Param(13);
    State(w).Pictures.Show(l.Param(0), show);
}

void MovePicture(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TPictureMove move;
    PositionByKind(w, l, move.X, move.Y);
    move.Magnification = l.Param(5);
    move.Transparency = l.Param(6);
    move.Red = l.Param(8);
    move.Green = l.Param(9);
    move.Blue = l.Param(10);
    move.Saturation = l.Param(11);
    move.Effect = l.Param(12);
    move.EffectStrength = l.Param(13);
    move.Frames = Frames(l.Param(14));
    State(w).Pictures.Move(l.Param(0), move);
    WaitFor(s, l.Param(15), move.Frames);
}

void ErasePicture(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    State(s.Game()).Pictures.Erase(l.Param(0));
}

} // namespace

std::vector<THandlerEntry> ScreenHandlers() {
    return {
        {11010, EraseScreen},   {11020, ShowScreen},  {11030, TintScreen},
        {11040, FlashScreen},   {11050, ShakeScreen}, {11210, ShowBattleAnimation},
        {11070, WeatherEffect}, {11110, ShowPicture}, {11120, MovePicture},
        {11130, ErasePicture},
    };
}

} // namespace kestra::scripter

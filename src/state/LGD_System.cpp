#include "state/LGD_System.h"

#include <algorithm>

#include "data/DataBase.h"
#include "media/MusicPlayer.h"
#include "media/Tonica.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

bool InRange(int which, std::size_t count) {
    return which >= 0 && static_cast<std::size_t>(which) < count;
}

std::int32_t ClampCount(std::int32_t count, std::int32_t cap) {
    return std::clamp(count, 0, cap);
}

} // namespace

TLcfgSystem::TLcfgSystem(TLcfgGameState& game) : Game(game) {
    Clear();
}

void TLcfgSystem::DescribeChunks(TChunkVisitor& v) {
    v.Fixed(1, Scene);
    v.Int(11, FrameCount);
    v.String(21, SystemGraphicOverride, true);
    v.Int(22, WindowBackgroundOverride);
    v.Int(23, FontOverride);
    v.Count(31, Switches);
    v.Block(32, Switches);
    v.Count(33, Variables);
    v.Block(34, Variables);
    v.Int(41, MessageTransparent);
    v.Int(42, MessagePosition, 2);
    v.Bool(43, MessageAvoidsParty, true);
    v.Bool(44, EventsMoveDuringMessages, false);
    v.String(51, FaceGraphic, true);
    v.Int(52, FaceIndex);
    v.Int(53, FaceRight);
    v.Bool(54, FaceMirrored, false);
    v.Bool(55, MessageActive, false);
    v.Bool(61, MusicStopped, false);
    for (int i = 0; i < 4; ++i) v.Record(71 + i, MusicOverrides[static_cast<std::size_t>(i)]);
    v.Record(75, CurrentMusic);
    v.Record(76, VehicleMusic);
    v.Record(77, MusicBeforeBattle);
    v.Record(78, RememberedMusic);
    for (int i = 4; i < 8; ++i) v.Record(75 + i, MusicOverrides[static_cast<std::size_t>(i)]);
    for (int i = 0; i < TVezSystem::KSoundCount; ++i)
        v.Record(91 + i, SoundOverrides[static_cast<std::size_t>(i)]);
    for (int i = 0; i < TVezSystem::KTransitionCount; ++i)
        v.Fixed(111 + i, TransitionOverrides[static_cast<std::size_t>(i)], KNoTransitionOverride,
                true);
    v.Bool(121, TeleportAllowed, true);
    v.Bool(122, EscapeAllowed, true);
    v.Bool(123, SaveAllowed, true);
    v.Bool(124, MenuAllowed, true);
    v.String(125, BattleBackground, true);
    v.Int(131, SaveCount);
    v.Int(132, LastSaveSlot, 1);
}

void TLcfgSystem::Clear() {
    TCatalogBaseItem::Clear();
    for (auto& m : MusicOverrides) m.Name.clear();
    for (auto& s : SoundOverrides) s.Name.clear();
}

// ---- switches and variables ----

bool TLcfgSystem::Switch(std::int32_t id) const {
    return id >= 1 && id <= SwitchCount() && Switches[static_cast<std::size_t>(id) - 1] != 0;
}

void TLcfgSystem::SetSwitch(std::int32_t id, bool on) {
    if (id < 1 || id > KMaxSwitchId) return;
    if (id > SwitchCount()) Switches.resize(static_cast<std::size_t>(id), 0);
    Switches[static_cast<std::size_t>(id) - 1] = on ? 1 : 0;
}

void TLcfgSystem::ResizeSwitches(std::int32_t count) {
    Switches.resize(static_cast<std::size_t>(ClampCount(count, KMaxSwitchId)), 0);
}

std::int32_t TLcfgSystem::Variable(std::int32_t id) const {
    return id >= 1 && id <= VariableCount() ? Variables[static_cast<std::size_t>(id) - 1] : 0;
}

void TLcfgSystem::SetVariable(std::int32_t id, std::int64_t value) {
    if (id < 1 || id > KMaxVariableId) return;
    if (id > VariableCount()) Variables.resize(static_cast<std::size_t>(id), 0);
    Variables[static_cast<std::size_t>(id) - 1] =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(value, KVariableMin, KVariableMax));
}

void TLcfgSystem::ResizeVariables(std::int32_t count) {
    Variables.resize(static_cast<std::size_t>(ClampCount(count, KMaxVariableId)), 0);
}

// ---- music and sound ----

std::string TLcfgSystem::FindFile(const std::string& name, const char* folder) const {
    return Game.Env.FindAsset(name, folder);
}

void TLcfgSystem::PlayMusic(const TVezMusic& music, bool force) {
    TMusicPlayer player(*Game.Env.Sound,
                        [this](const std::string& name) { return FindFile(name, "Music"); });
    player.CurrentName = CurrentMusic.Name;
    player.Stopped = MusicStopped;
    player.Request(music.Name, music.FadeIn, music.Volume, music.Tempo, music.Balance, force);
    CurrentMusic = music;
    MusicStopped = false;
    Game.Env.RestartFrameTiming();
}

void TLcfgSystem::FadeOutMusic(std::int32_t ms) {
    if (MusicStopped) return;
    Game.Env.Sound->FadeOutMusic(ms);
    MusicStopped = true;
}

void TLcfgSystem::StopMusic() {
    Game.Env.Sound->StopMusic();
    MusicStopped = true;
}

void TLcfgSystem::PlaySound(const TVezSound& sound) {
    if (sound.Name == KSoundOff) return;
    std::string path = FindFile(sound.Name, "Sound");
    if (path.empty()) return;
    Game.Env.Sound->PlaySoundEx(path, sound.Volume, sound.Tempo, sound.Balance);
}

const TVezMusic& TLcfgSystem::Music(int which) const {
    const auto& db = Game.DataBase().System.Music;
    if (!InRange(which, db.size())) which = 0;
    const auto& o = MusicOverrides[static_cast<std::size_t>(which)];
    return o.Name.empty() ? db[static_cast<std::size_t>(which)] : o;
}

void TLcfgSystem::SetMusic(int which, const TVezMusic& music) {
    if (!InRange(which, MusicOverrides.size())) return;
    auto& o = MusicOverrides[static_cast<std::size_t>(which)];
    if (music == Game.DataBase().System.Music[static_cast<std::size_t>(which)]) {
        o.Clear();
        o.Name.clear();
    } else {
        o = music;
    }
}

const TVezSound& TLcfgSystem::Sound(int which) const {
    const auto& db = Game.DataBase().System.Sound;
    if (!InRange(which, db.size())) which = 0;
    const auto& o = SoundOverrides[static_cast<std::size_t>(which)];
    return o.Name.empty() ? db[static_cast<std::size_t>(which)] : o;
}

void TLcfgSystem::SetSound(int which, const TVezSound& sound) {
    if (!InRange(which, SoundOverrides.size())) return;
    auto& o = SoundOverrides[static_cast<std::size_t>(which)];
    if (sound == Game.DataBase().System.Sound[static_cast<std::size_t>(which)]) {
        o.Clear();
        o.Name.clear();
    } else {
        o = sound;
    }
    if (which < 4) ReserveInterfaceSound(which);
}

void TLcfgSystem::ReserveInterfaceSound(int which) {
    auto& held = Reserved[static_cast<std::size_t>(which)];
    ITonica* tonica = Game.Env.Sound;
    if (!held.empty()) tonica->CancelSound(held);
    const auto& s = Sound(which);
    held = s.Name == KSoundOff ? std::string() : FindFile(s.Name, "Sound");
    if (!held.empty()) tonica->ReserveSound(held);
}

std::uint8_t TLcfgSystem::Transition(int which) const {
    if (!InRange(which, TransitionOverrides.size())) return 0;
    std::uint8_t o = TransitionOverrides[static_cast<std::size_t>(which)];
    return o != KNoTransitionOverride
               ? o
               : Game.DataBase().System.Transition[static_cast<std::size_t>(which)];
}

void TLcfgSystem::SetTransition(int which, std::uint8_t value) {
    if (!InRange(which, TransitionOverrides.size())) return;
    bool same = value == Game.DataBase().System.Transition[static_cast<std::size_t>(which)];
    TransitionOverrides[static_cast<std::size_t>(which)] = same ? KNoTransitionOverride : value;
}

const std::string& TLcfgSystem::SystemGraphic() const {
    return SystemGraphicOverride.empty() ? Game.DataBase().System.SystemGraphic
                                         : SystemGraphicOverride;
}

std::int32_t TLcfgSystem::WindowBackground() const {
    return SystemGraphicOverride.empty() ? Game.DataBase().System.WindowTiled
                                         : WindowBackgroundOverride;
}

std::int32_t TLcfgSystem::Font() const {
    return SystemGraphicOverride.empty() ? Game.DataBase().System.FontKind : FontOverride;
}

void TLcfgSystem::SetSystemGraphic(const std::string& name, std::int32_t background,
                                   std::int32_t font) {
    const auto& db = Game.DataBase().System;
    if (name == db.SystemGraphic && background == db.WindowTiled && font == db.FontKind) {
        SystemGraphicOverride.clear();
        WindowBackgroundOverride = 0;
        FontOverride = 0;
    } else {
        SystemGraphicOverride = name;
        WindowBackgroundOverride = background;
        FontOverride = font;
    }
}

void TLcfgSystem::SetFace(const std::string& name, std::int32_t index, bool right, bool mirrored) {
    FaceGraphic = name;
    FaceIndex = std::clamp(index, 0, 15);
    FaceRight = right ? 1 : 0;
    FaceMirrored = mirrored;
}

void TLcfgSystem::ApplyToDevices() {
    for (int i = 0; i < 4; ++i) ReserveInterfaceSound(i);
}

} // namespace kestra

// Handlers of the map and movement commands: teleports, positions, tile questions,
// hero visibility, character flashes, move routes and the camera pan.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "interpreter/LGD_Scripter.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

std::int32_t Frames(std::int32_t tenths) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(tenths) * 6, 1, INT32_MAX));
}

// A position given by constants or, with the flag set, by the variables named.
void PositionByKind(TGameMain& w, std::int32_t byVariable, std::int32_t a, std::int32_t b,
                    std::int32_t& x, std::int32_t& y) {
    const TLcfgSystem& sys = State(w).System;
    x = byVariable != 0 ? sys.Variable(a) : a;
    y = byVariable != 0 ? sys.Variable(b) : b;
}

void Teleport(TLcfgBaseScripter& s, std::int32_t map, std::int32_t x, std::int32_t y) {
    TGameMain& w = s.Game();
    TVezFieldScene& field = Field(w);
    field.RequestTeleport(map, x, y);
    if (s.IsParallel()) {
        // Carried out by the field at the end of its frame.
        s.StopRequested = true;
        return;
    }
    const TLcfgParty& hero = State(w).Hero;
    const std::int32_t before = hero.MapId;
    field.PerformTeleport();
    if (hero.MapId != before)
        for (std::size_t i = 0; i < s.Frames.Count(); ++i) s.Frames.At(i).EventId = 0;
}

void TeleportCommand(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    Teleport(s, l.Param(0), l.Param(1), l.Param(2));
}

void MemorizePosition(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    const TLcfgParty* hero = &State(w).Hero;
    TLcfgSystem& sys = State(w).System;
    sys.SetVariable(l.Param(0), hero->MapId);
    sys.SetVariable(l.Param(1), hero->X);
    sys.SetVariable(l.Param(2), hero->Y);
    RefreshPages(w);
}

void TeleportToMemorized(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    const TLcfgSystem& sys = State(s.Game()).System;
    Teleport(s, sys.Variable(l.Param(0)), sys.Variable(l.Param(1)), sys.Variable(l.Param(2)));
}

void BoardOrLeaveVehicle(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    State(s.Game()).Hero.BoardOrLeave();
}

void SetVehiclePosition(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgGameState& state = State(w);
    const std::int32_t which = l.Param(0);
    if (which < 0 || which > 2) return;
    const std::int32_t kind = KVehicleBoat + which;
    const TLcfgSystem& sys = state.System;
    const bool byVariable = l.Param(1) != 0;
    const std::int32_t map = byVariable ? sys.Variable(l.Param(2)) : l.Param(2);
    std::int32_t x = 0, y = 0;
    PositionByKind(w, l.Param(1), l.Param(3), l.Param(4), x, y);
    TLcfgParty& hero = state.Hero;
    if (hero.InVehicle && hero.VehicleKind == kind) {
        // The hero carries the vehicle there.
        const std::int32_t before = hero.MapId;
        Field(w).PlaceHero(map, x, y);
        if (hero.MapId != before)
            for (std::size_t i = 0; i < s.Frames.Count(); ++i) s.Frames.At(i).EventId = 0;
        return;
    }
    state.Map.Vehicle(kind)->SetPosition(map, x, y);
    state.Map.RefreshCharacters();
}

void SetEventPosition(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TLcfgCharacter* c = s.GetCharacter(l.Param(0), frame);
    if (c == nullptr) return;
    std::int32_t x = 0, y = 0;
    PositionByKind(s.Game(), l.Param(1), l.Param(2), l.Param(3), x, y);
    c->SetPosition(c->MapId, x, y);
}

void SwapEventPositions(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TLcfgCharacter* a = s.GetCharacter(l.Param(0), frame);
    TLcfgCharacter* b = s.GetCharacter(l.Param(1), frame);
    if (a == nullptr || b == nullptr) return;
    const std::int32_t ax = a->X, ay = a->Y;
    a->SetPosition(a->MapId, b->X, b->Y);
    b->SetPosition(b->MapId, ax, ay);
}

void GetTerrainId(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    std::int32_t x = 0, y = 0;
    PositionByKind(w, l.Param(0), l.Param(1), l.Param(2), x, y);
    State(w).System.SetVariable(l.Param(3), State(w).Map.TerrainAt(x, y));
    RefreshPages(w);
}

void GetEventId(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    std::int32_t x = 0, y = 0;
    PositionByKind(w, l.Param(0), l.Param(1), l.Param(2), x, y);
    std::int32_t id = 0;
    const TLcfgEvent& events = State(w).Map.Events;
    // The last event of the list standing there, erased ones included.
    for (std::size_t i = events.Count(); i-- > 0;) {
        const TLcfgEventItem& e = events.At(i);
        if (e.X == x && e.Y == y) {
            id = e.Id;
            break;
        }
    }
    State(w).System.SetVariable(l.Param(3), id);
    RefreshPages(w);
}

void SetHeroTransparency(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgParty* hero = &State(s.Game()).Hero;
    hero->Hidden = l.Param(0) == 0;
    hero->Through = hero->ThroughSetting;
}

void FlashCharacter(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    if (TLcfgCharacter* c = s.GetCharacter(l.Param(0), frame)) {
        const std::int32_t frames = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(static_cast<std::int64_t>(l.Param(5)) * 6, 0, INT32_MAX));
        c->Flash(std::clamp(l.Param(1), 0, 31), std::clamp(l.Param(2), 0, 31),
                 std::clamp(l.Param(3), 0, 31), std::clamp(l.Param(4), 0, 32), frames);
    }
    if (l.Param(6) != 0) s.WaitFrames = Frames(l.Param(5));
}

void SetMoveRoute(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& w = s.Game();
    const std::int32_t ref = l.Param(0);
    TLcfgCharacter* c = s.GetCharacter(ref, frame);
    if (ref >= KRefBoat && ref <= KRefAirship) {
        TLcfgParty* hero = &State(w).Hero;
        if (hero->InVehicle && hero->VehicleKind == ref - KRefBoat + 1) c = hero;
    }
    if (c == nullptr) return;
    // Each parameter from the fifth on carries one byte of the route's encoding.
    std::vector<std::uint8_t> bytes;
    for (std::int32_t i = 4; i < l.ParamCount(); ++i)
        bytes.push_back(static_cast<std::uint8_t>(l.Param(i) & 0xFF));
    TVezMoveRoute route;
    route.SetFromBytes(bytes, true);
    route.Repeat = l.Param(2) != 0;
    route.SkipBlocked = l.Param(3) != 0;
    c->SetForcedRoute(route, l.Param(1));
}

void WaitForAllMovement(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    s.WaitingForMovement = true;
}

void HaltAllMovement(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    for (TLcfgCharacter* c : State(s.Game()).Map.Characters()) c->EndForcedRoute();
}

void PanScreen(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgParty* hero = &State(s.Game()).Hero;
    switch (l.Param(0)) {
    case 0:
        hero->CameraFollows = false;
        return;
    case 1:
        hero->CameraFollows = true;
        return;
    case 2: {
        const std::int32_t tiles = std::clamp(l.Param(2), 0, 1000);
        hero->Pan(l.Param(1), tiles, l.Param(3));
        break;
    }
    case 3:
        hero->PanReturn(l.Param(3));
        break;
    default:
        return;
    }
    if (l.Param(4) != 0) {
        const std::int64_t dx =
            std::llabs(static_cast<std::int64_t>(hero->CameraTargetX) - hero->CameraX);
        const std::int64_t dy =
            std::llabs(static_cast<std::int64_t>(hero->CameraTargetY) - hero->CameraY);
        const std::int64_t speed = std::max(hero->CameraSpeed, 1);
        const std::int64_t frames = (std::max(dx, dy) + speed - 1) / speed;
        s.WaitFrames = static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, INT32_MAX));
    }
}

} // namespace

std::vector<THandlerEntry> MapHandlers() {
    return {
        {10810, TeleportCommand},     {10820, MemorizePosition},    {10830, TeleportToMemorized},
        {10840, BoardOrLeaveVehicle}, {10850, SetVehiclePosition},  {10860, SetEventPosition},
        {10870, SwapEventPositions},  {10910, GetTerrainId},        {10920, GetEventId},
        {11060, PanScreen},           {11310, SetHeroTransparency}, {11320, FlashCharacter},
        {11330, SetMoveRoute},        {11340, WaitForAllMovement},  {11350, HaltAllMovement},
    };
}

} // namespace kestra::scripter

#include "state/LGD_Ship.h"

#include <algorithm>

#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra {

namespace {

constexpr int KPassBits = 0x0F;
constexpr int KAboveFlag = 0x10;

int EnterEdgeOf(int direction) {
    switch (direction & 3) {
    case KDirUp:
        return KEdgeBottom;
    case KDirRight:
        return KEdgeLeft;
    case KDirDown:
        return KEdgeTop;
    default:
        return KEdgeRight;
    }
}

int LeaveEdgeOf(int direction) {
    switch (direction & 3) {
    case KDirUp:
        return KEdgeTop;
    case KDirRight:
        return KEdgeRight;
    case KDirDown:
        return KEdgeBottom;
    default:
        return KEdgeLeft;
    }
}

// An active event showing a page stands on (x, y); only those on the hero's layer
// when `heroLayerOnly`.
bool EventStandsOn(TLcfgMap& map, std::int32_t x, std::int32_t y, bool heroLayerOnly) {
    for (std::size_t i = 0; i < map.Events.Count(); ++i) {
        const TLcfgEventItem& e = map.Events.At(i);
        if (e.InPlay() && e.X == x && e.Y == y && (!heroLayerOnly || e.Layer == 1)) return true;
    }
    return false;
}

} // namespace

// ---- the vehicle ----

TLcfgShip::TLcfgShip(TLcfgGameState& game, std::int32_t kind)
    : Game(game), Own(std::clamp(kind, KVehicleBoat, KVehicleAirship)) {
    TLcfgShip::Clear();
}

TLcfgCharacter::TPlace TLcfgShip::DefaultPlace() const {
    const TVezMapTree* tree = Game.Env.MapTree;
    if (tree == nullptr) return {};
    const auto& start = tree->Start.Places[static_cast<std::size_t>(Own)];
    return {start.MapId, start.X, start.Y};
}

void TLcfgShip::DescribeChunks(TChunkVisitor& v) {
    TLcfgCharacter::DescribeChunks(v);
    v.Int(101, Kind, Own);
    v.Int(106, TakeOffCounter);
    v.Int(107, LandingCounter);
    v.String(111, GraphicOverrideName, true);
    v.Int(112, GraphicOverrideIndex);
}

void TLcfgShip::Clear() {
    TLcfgCharacter::Clear();
    TakeSprite();
}

void TLcfgShip::LoadFromStream(TByteReader& reader) {
    TLcfgCharacter::LoadFromStream(reader);
    // The kind is the vehicle's own whatever a file says.
    Kind = Own;
    TakeSprite();
}

void TLcfgShip::TakeSprite() {
    if (!GraphicOverrideName.empty()) {
        SpriteName = GraphicOverrideName;
        SpriteIndex = GraphicOverrideIndex;
        return;
    }
    const auto i = static_cast<std::size_t>(Own - 1);
    SpriteName = Game.DataBase().System.VehicleGraphic[i];
    SpriteIndex = Game.DataBase().System.VehicleIndex[i];
}

void TLcfgShip::SetGraphic(const std::string& name, std::int32_t index) {
    const auto i = static_cast<std::size_t>(Own - 1);
    const auto& system = Game.DataBase().System;
    if (name == system.VehicleGraphic[i] && index == system.VehicleIndex[i]) {
        GraphicOverrideName.clear();
        GraphicOverrideIndex = 0;
    } else {
        GraphicOverrideName = name;
        GraphicOverrideIndex = index;
    }
    // The character set is taken when the vehicle is next drawn.
    TakeSprite();
}

void TLcfgShip::FollowHero(const TLcfgParty& hero) {
    MapId = hero.MapId;
    X = hero.X;
    Y = hero.Y;
    Direction = hero.Direction;
    SpriteDirection = hero.SpriteDirection;
    StepRemaining = hero.StepRemaining;
    Jumping = hero.Jumping;
    JumpFromX = hero.JumpFromX;
    JumpFromY = hero.JumpFromY;
    UpdatedThisFrame = true;
    EndForcedRoute();
    Animate();
}

void TLcfgShip::Park() {
    Direction = KDirLeft;
    SpriteDirection = KDirLeft;
}

void TLcfgShip::Animate() {
    if (Jumping || (Own == KVehicleAirship && !Flying)) {
        Pattern = 1;
        AnimationCounter = 0;
        return;
    }
    ++AnimationCounter;
    if (AnimationCounter > (Moving() ? 11 : 15)) {
        Pattern = (Pattern + 1) & 3;
        AnimationCounter = 0;
    }
}

std::int32_t TLcfgShip::Altitude() const {
    if (!InAir()) return 0;
    if (LandingCounter > 0) return LandingCounter / 16;
    return (KAirshipHeight - TakeOffCounter) / 16;
}

std::int32_t TLcfgShip::ShadowSize() const {
    if (!InAir()) return 0;
    return LandingCounter > 0 ? LandingCounter : KAirshipHeight - TakeOffCounter;
}

// ---- the hero and its vehicles ----

TLcfgShip* TLcfgParty::RiddenVehicle() const {
    if (!InVehicle || World == nullptr) return nullptr;
    return World->Vehicle(VehicleKind);
}

bool TLcfgParty::VehicleBusy() const {
    if (Boarding || Leaving) return true;
    if (World == nullptr) return false;
    const TLcfgShip* airship = World->Vehicle(KVehicleAirship);
    return airship != nullptr && InVehicle && VehicleKind == KVehicleAirship &&
           (airship->TakeOffCounter > 0 || airship->LandingCounter > 0);
}

void TLcfgParty::SetPosition(std::int32_t map, std::int32_t x, std::int32_t y) {
    TLcfgCharacter::SetPosition(map, x, y);
    if (TLcfgShip* vehicle = RiddenVehicle()) vehicle->SetPosition(map, x, y);
}

bool TLcfgParty::CanMoveTo(std::int32_t fromX, std::int32_t fromY, std::int32_t toX,
                           std::int32_t toY) {
    if (!InVehicle || VehicleKind < KVehicleBoat || VehicleKind > KVehicleAirship)
        return TLcfgCharacter::CanMoveTo(fromX, fromY, toX, toY);
    if (!World->IsInside(toX, toY)) return false;
    if (Through) return true;
    toX = World->WrapX(toX);
    toY = World->WrapY(toY);
    const TVezGroundItem* ground = World->GroundAt(toX, toY);
    if (VehicleKind == KVehicleAirship) return ground != nullptr && ground->AirshipPasses;
    const TLcfgShip* ridden = RiddenVehicle();
    for (TLcfgCharacter* other : World->Characters()) {
        if (other == this || other == ridden || other->X != toX || other->Y != toY) continue;
        if (World->UpdateDepth < 32) {
            ++World->UpdateDepth;
            other->Update();
            --World->UpdateDepth;
        }
        if (other->X == toX && other->Y == toY && Blocks(*other, false)) return false;
    }
    if (ground == nullptr ||
        !(VehicleKind == KVehicleBoat ? ground->BoatPasses : ground->ShipPasses))
        return false;
    // Ordinary upper tiles (bridges and walls alike) stop boats and ships.
    const std::int32_t upper = World->EffectiveUpperTile(toX, toY, 0);
    return (World->UpperFlagsOf(upper) & KAboveFlag) != 0;
}

void TLcfgParty::StartVehicleMusic(std::int32_t kind) {
    TLcfgSystem& system = World->GameState().System;
    system.VehicleMusic = system.CurrentMusic;
    const int which = kind == KVehicleBoat   ? KMusicBoat
                      : kind == KVehicleShip ? KMusicShip
                                             : KMusicAirship;
    system.PlayMusic(system.Music(which));
}

void TLcfgParty::ResumeMapMusic() {
    TLcfgSystem& system = World->GameState().System;
    TVezMusic music = system.VehicleMusic;
    music.FadeIn = 0;
    system.PlayMusic(music, true);
}

bool TLcfgParty::BoardOrLeave() {
    if (World == nullptr || Boarding || Leaving || Moving()) return false;
    const int facing = Direction & 3;
    const std::int32_t frontX = World->WrapX(X + movement::DirX(facing));
    const std::int32_t frontY = World->WrapY(Y + movement::DirY(facing));
    if (InVehicle) {
        TLcfgShip* vehicle = RiddenVehicle();
        if (vehicle == nullptr) return false;
        if (VehicleKind == KVehicleAirship) {
            if (vehicle->TakeOffCounter > 0 || vehicle->LandingCounter > 0) return false;
            Direction = SpriteDirection = KDirLeft;
            vehicle->LandingCounter = KAirshipHeight;
            return true;
        }
        if (!World->IsInside(X + movement::DirX(facing), Y + movement::DirY(facing)) ||
            !World->CanEnter(frontX, frontY, 0, EnterEdgeOf(facing)) ||
            EventStandsOn(*World, frontX, frontY, true))
            return false;
        vehicle->Park();
        InVehicle = false;
        Leaving = true;
        Speed = SpeedOnFoot;
        Through = true;
        Move(facing);
        Through = ThroughSetting;
        VehicleKind = 0;
        ResumeMapMusic();
        return true;
    }
    TLcfgShip* airship = World->Vehicle(KVehicleAirship);
    if (airship != nullptr && airship->Active && airship->MapId == MapId && airship->X == X &&
        airship->Y == Y && !airship->Moving()) {
        VehicleKind = KVehicleAirship;
        InVehicle = true;
        Direction = SpriteDirection = KDirLeft;
        airship->TakeOffCounter = KAirshipHeight;
        airship->LandingCounter = 0;
        Flying = airship->Flying = true;
        SpeedOnFoot = Speed;
        Speed = airship->Speed;
        StartVehicleMusic(KVehicleAirship);
        return true;
    }
    if (!World->IsInside(X + movement::DirX(facing), Y + movement::DirY(facing)) ||
        !World->CanEnter(World->WrapX(X), World->WrapY(Y), 0, LeaveEdgeOf(facing)))
        return false;
    std::int32_t kind = 0;
    for (std::int32_t k : {KVehicleBoat, KVehicleShip}) {
        const TLcfgShip* v = World->Vehicle(k);
        if (v != nullptr && v->Active && v->MapId == MapId && v->X == frontX && v->Y == frontY)
            kind = k; // the ship wins over the boat
    }
    if (kind == 0) return false;
    Through = true;
    Move(facing);
    Through = Hidden || ThroughSetting;
    Boarding = true;
    VehicleKind = kind;
    SpeedOnFoot = Speed;
    StartVehicleMusic(kind);
    return true;
}

bool TLcfgParty::CanLandHere() const {
    if (World == nullptr) return false;
    const TVezGroundItem* ground = World->GroundAt(X, Y);
    if (ground == nullptr || !ground->AirshipLands) return false;
    if (EventStandsOn(*World, X, Y, false)) return false;
    for (std::int32_t k : {KVehicleBoat, KVehicleShip}) {
        const TLcfgShip* v = World->Vehicle(k);
        if (v != nullptr && v->Active && v->MapId == MapId && v->X == X && v->Y == Y) return false;
    }
    const std::int32_t uf = World->UpperFlagsOf(World->EffectiveUpperTile(X, Y, 0));
    const std::int32_t lf = World->LowerFlagsOf(World->LowerTileAt(X, Y));
    return (uf & KPassBits) != 0 && (lf & KPassBits) != 0;
}

bool TLcfgParty::AirshipStep() {
    TLcfgShip* airship = World != nullptr ? World->Vehicle(KVehicleAirship) : nullptr;
    if (airship == nullptr || !InVehicle || VehicleKind != KVehicleAirship) return false;
    bool busy = false;
    if (airship->TakeOffCounter >= 1) {
        airship->TakeOffCounter = std::max(airship->TakeOffCounter - KAirshipStep, 0);
        busy = true;
    }
    if (airship->LandingCounter >= 1) {
        airship->LandingCounter = std::max(airship->LandingCounter - KAirshipStep, 0);
        if (airship->LandingCounter > 0) return true;
        if (CanLandHere()) {
            InVehicle = false;
            Direction = SpriteDirection = KDirDown;
            VehicleKind = 0;
            Speed = SpeedOnFoot;
            Flying = airship->Flying = false;
            airship->Park();
            ResumeMapMusic();
        } else {
            // Nowhere to come down: it rises again.
            airship->TakeOffCounter = KAirshipHeight;
        }
    }
    return busy;
}

void TLcfgParty::ForceLeave() {
    TLcfgShip* vehicle = RiddenVehicle();
    if (vehicle == nullptr) return;
    vehicle->LandingCounter = 0;
    vehicle->TakeOffCounter = 0;
    vehicle->Park();
    vehicle->Flying = false;
    InVehicle = false;
    Boarding = false;
    VehicleKind = 0;
    Speed = SpeedOnFoot;
    Flying = false;
    ResumeMapMusic();
}

void TLcfgParty::VehicleExtras() {
    if (Moving()) {
        if (TLcfgShip* vehicle = RiddenVehicle()) vehicle->FollowHero(*this);
        return;
    }
    if (Boarding) {
        Boarding = false;
        InVehicle = true;
        Direction = SpriteDirection = KDirLeft;
        if (TLcfgShip* vehicle = RiddenVehicle()) Speed = vehicle->Speed;
    }
    Leaving = false;
    if (TLcfgShip* vehicle = RiddenVehicle()) vehicle->FollowHero(*this);
}

} // namespace kestra

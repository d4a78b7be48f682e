#include "state/LGD_Character.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "state/LGD_Map.h"

namespace kestra {

namespace movement {

namespace {

template <std::size_t N>
std::int32_t ByIndex(const std::array<std::int32_t, N>& table, std::int32_t oneBased) {
    const auto i = std::clamp<std::int32_t>(oneBased, 1, static_cast<std::int32_t>(N)) - 1;
    return table[static_cast<std::size_t>(i)];
}

} // namespace

std::int32_t FrequencyWait(std::int32_t frequency) {
    static constexpr std::array<std::int32_t, 8> KTable{256, 128, 64, 32, 16, 8, 4, 0};
    return ByIndex(KTable, frequency);
}
std::int32_t StepSpeed(std::int32_t speed) {
    static constexpr std::array<std::int32_t, 6> KTable{4, 8, 16, 32, 64, 128};
    return ByIndex(KTable, speed);
}
std::int32_t JumpSpeed(std::int32_t speed) {
    static constexpr std::array<std::int32_t, 6> KTable{8, 12, 16, 24, 32, 64};
    return ByIndex(KTable, speed);
}
std::int32_t MovingPatternTime(std::int32_t speed) {
    static constexpr std::array<std::int32_t, 6> KTable{12, 10, 8, 6, 5, 4};
    return ByIndex(KTable, speed);
}
std::int32_t StandingPatternTime(std::int32_t speed) {
    static constexpr std::array<std::int32_t, 6> KTable{16, 12, 10, 8, 7, 6};
    return ByIndex(KTable, speed);
}
std::int32_t SpinTime(std::int32_t speed) {
    static constexpr std::array<std::int32_t, 6> KTable{24, 16, 12, 8, 6, 4};
    return ByIndex(KTable, speed);
}

std::uint8_t SafeDirection(std::int32_t direction) {
    return direction >= 0 && direction <= 7 ? static_cast<std::uint8_t>(direction) : KDirDown;
}

int DirX(int direction) {
    static constexpr std::array<int, 8> KX{0, 1, 0, -1, 1, 1, -1, -1};
    return KX[SafeDirection(direction)];
}
int DirY(int direction) {
    static constexpr std::array<int, 8> KY{-1, 0, 1, 0, -1, 1, 1, -1};
    return KY[SafeDirection(direction)];
}

std::uint8_t SpriteFor(int direction, int sprite) {
    const auto d = SafeDirection(direction);
    if (d < 4) return d;
    // Rows: the diagonal; columns: the current sprite direction up, right, down, left.
    static constexpr std::uint8_t KTable[4][4] = {
        {KDirUp, KDirRight, KDirUp, KDirRight},
        {KDirDown, KDirRight, KDirDown, KDirRight},
        {KDirDown, KDirLeft, KDirDown, KDirLeft},
        {KDirUp, KDirLeft, KDirUp, KDirLeft},
    };
    const auto s = static_cast<std::size_t>(SafeDirection(sprite) & 3);
    return KTable[d - 4][s];
}

} // namespace movement

using namespace movement;

namespace {

// The edge a step in a straight direction leaves through and enters through.
int LeaveEdge(int direction) {
    static constexpr std::array<int, 4> KEdge{KEdgeTop, KEdgeRight, KEdgeBottom, KEdgeLeft};
    return KEdge[static_cast<std::size_t>(direction & 3)];
}
int EnterEdge(int direction) {
    static constexpr std::array<int, 4> KEdge{KEdgeBottom, KEdgeLeft, KEdgeTop, KEdgeRight};
    return KEdge[static_cast<std::size_t>(direction & 3)];
}
// Passage bit of an edge (bit 0 bottom, 1 left, 2 right, 3 top).
int EdgeBit(int edge) {
    return 1 << edge;
}

constexpr int KMaxUpdateDepth = 32;

} // namespace

void TLcfgCharacter::DescribeChunks(TChunkVisitor& v) {
    const TPlace place = DefaultPlace();
    v.Bool(1, Active, true);
    v.Int(11, MapId, place.MapId);
    v.Int(12, X, place.X);
    v.Int(13, Y, place.Y);
    v.Int(21, Direction, DefaultDirection());
    v.Int(22, SpriteDirection, DefaultDirection());
    v.Int(23, Pattern, 1);
    v.Int(24, Transparency);
    v.Int(31, StepRemaining);
    v.Int(32, Frequency, 2);
    v.Int(33, Layer, 1);
    v.Bool(34, ForbidOverlap);
    v.Int(35, AnimationType);
    v.Bool(36, DirectionFixed);
    v.Int(37, Speed, DefaultSpeed());
    v.Record(41, ForcedRoute);
    v.Bool(42, ForcedRouteActive);
    v.Int(43, ForcedRoutePosition);
    v.Bool(44, ForcedRouteDone);
    v.Bool(46, Hidden);
    v.Bool(47, ThroughSetting);
    v.Bool(48, AnimationStopped);
    v.Bool(51, Through);
    v.Int(52, MoveTimer);
    v.Int(53, AnimationCounter);
    v.Int(54, MoveWait);
    v.Bool(61, Jumping);
    v.Int(62, JumpFromX);
    v.Int(63, JumpFromY);
    v.Bool(71, RunningLock);
    v.Bool(72, Flying);
    v.String(73, SpriteName);
    v.Int(74, SpriteIndex);
    v.Bool(75, UpdatedThisFrame);
    v.Int(81, FlashRed, 100);
    v.Int(82, FlashGreen, 100);
    v.Int(83, FlashBlue, 100);
    v.Real(84, FlashStrength);
    v.Int(85, FlashFrames);
}

void TLcfgCharacter::Clear() {
    TCatalogItem::Clear();
    ForcedRoute.Clear();
    SavedFrequency = 2;
}

bool TLcfgCharacter::CanStep(std::int32_t fromX, std::int32_t fromY, int direction) {
    return CanMoveTo(fromX, fromY, fromX + DirX(direction), fromY + DirY(direction));
}

bool TLcfgCharacter::CanMoveTo(std::int32_t toX, std::int32_t toY) {
    if (!World->IsInside(toX, toY)) return false;
    if (Through) return true;
    toX = World->WrapX(toX);
    toY = World->WrapY(toY);
    for (TLcfgCharacter* other : World->Characters()) {
        if (other == this || other->X != toX || other->Y != toY) continue;
        if (World->UpdateDepth < KMaxUpdateDepth) {
            ++World->UpdateDepth;
            other->Update();
            --World->UpdateDepth;
        }
        if (other->X == toX && other->Y == toY && Blocks(*other, false)) return false;
    }
    return World->CanEnter(toX, toY, Id, KEdgeOccupy);
}

bool TLcfgCharacter::CanMoveTo(std::int32_t fromX, std::int32_t fromY, std::int32_t toX,
                               std::int32_t toY) {
    if (!World->IsInside(toX, toY)) return false;
    if (Through) return true;
    const int dx = toX - fromX;
    const int dy = toY - fromY;
    int direction = KDirDown;
    if (dy < 0)
        direction = KDirUp;
    else if (dx > 0)
        direction = KDirRight;
    else if (dx < 0)
        direction = KDirLeft;
    const int leave = LeaveEdge(direction);
    const int enter = EnterEdge(direction);
    bool strict = false;
    if (Layer == 0 && SpriteName.empty())
        strict = (World->UpperFlags(SpriteIndex) & EdgeBit(leave)) == 0;
    fromX = World->WrapX(fromX);
    fromY = World->WrapY(fromY);
    if (!World->CanEnter(fromX, fromY, Id, leave)) return false;
    toX = World->WrapX(toX);
    toY = World->WrapY(toY);
    for (TLcfgCharacter* other : World->Characters()) {
        if (other == this || other->X != toX || other->Y != toY) continue;
        // A character that walks away this frame frees the cell; the depth cap keeps a
        // long chain of blocked characters from nesting without end.
        if (World->UpdateDepth < KMaxUpdateDepth) {
            ++World->UpdateDepth;
            other->Update();
            --World->UpdateDepth;
        }
        if (other->X == toX && other->Y == toY && Blocks(*other, strict)) return false;
    }
    return World->CanEnter(toX, toY, Id, enter);
}

bool TLcfgCharacter::Blocks(const TLcfgCharacter& other, bool strict) const {
    if (!InPlay() || !other.InPlay() || Flying || other.Flying || Through || other.Through ||
        PassedOver() || other.PassedOver())
        return false;
    if (IsEvent() && other.IsEvent() && (ForbidOverlap || other.ForbidOverlap)) return true;
    return other.Layer == Layer || (strict && other.Layer == 1);
}

bool TLcfgCharacter::Move(int direction) {
    if (StepRemaining > 0) return false;
    if (direction < 0 || direction > 7) {
        StepRemaining = 256;
        return true;
    }
    Direction = static_cast<std::uint8_t>(direction);
    if (!DirectionFixed) SpriteDirection = SpriteFor(direction, SpriteDirection);
    const int dx = DirX(direction);
    const int dy = DirY(direction);
    bool open = false;
    if (direction < 4) {
        open = CanStep(X, Y, direction);
    } else {
        const int vertical = dy < 0 ? KDirUp : KDirDown;
        const int horizontal = dx > 0 ? KDirRight : KDirLeft;
        open = (CanStep(X, Y, vertical) && CanStep(X, Y + dy, horizontal)) ||
               (CanStep(X, Y, horizontal) && CanStep(X + dx, Y, vertical));
    }
    if (!open) return false;
    X = World->WrapX(X + dx);
    Y = World->WrapY(Y + dy);
    StepRemaining = 256;
    return true;
}

void TLcfgCharacter::FaceToward(std::int32_t x, std::int32_t y) {
    std::int32_t dx = x - X;
    std::int32_t dy = y - Y;
    if (World->LoopsX()) {
        const std::int32_t w = World->MapWidth();
        if (std::abs(dx) * 2 > w) dx += dx > 0 ? -w : w;
    }
    if (World->LoopsY()) {
        const std::int32_t h = World->MapHeight();
        if (std::abs(dy) * 2 > h) dy += dy > 0 ? -h : h;
    }
    if (std::abs(dy) < std::abs(dx))
        Direction = dx < 0 ? KDirLeft : KDirRight;
    else
        Direction = dy < 0 ? KDirUp : KDirDown;
}

void TLcfgCharacter::FaceAwayFrom(std::int32_t x, std::int32_t y) {
    FaceToward(x, y);
    TurnAround();
}

void TLcfgCharacter::TurnLeft() {
    static constexpr std::array<std::uint8_t, 4> KNext{KDirLeft, KDirUp, KDirRight, KDirDown};
    Direction = Direction < 4 ? KNext[Direction] : KDirDown;
}

void TLcfgCharacter::TurnRight() {
    static constexpr std::array<std::uint8_t, 4> KNext{KDirRight, KDirDown, KDirLeft, KDirUp};
    Direction = Direction < 4 ? KNext[Direction] : KDirDown;
}

void TLcfgCharacter::TurnAround() {
    static constexpr std::array<std::uint8_t, 4> KNext{KDirDown, KDirLeft, KDirUp, KDirRight};
    Direction = Direction < 4 ? KNext[Direction] : KDirDown;
}

void TLcfgCharacter::TurnRandomly90() {
    if (World->Random().Next(2) == 0)
        TurnLeft();
    else
        TurnRight();
}

void TLcfgCharacter::FaceRandom() {
    static constexpr std::array<std::uint8_t, 4> KPick{KDirUp, KDirRight, KDirLeft, KDirDown};
    Direction = KPick[static_cast<std::size_t>(World->Random().Next(4))];
}

bool TLcfgCharacter::JumpTo(std::int32_t x, std::int32_t y) {
    FaceToward(x, y);
    const std::int32_t landX = World->WrapX(x);
    const std::int32_t landY = World->WrapY(y);
    if (landX != X || landY != Y) {
        if (!DirectionFixed) SpriteDirection = Direction;
        if (!CanMoveTo(x, y)) return false;
    }
    JumpFromX = landX - (x - X);
    JumpFromY = landY - (y - Y);
    Jumping = true;
    StepRemaining = 256;
    X = landX;
    Y = landY;
    return true;
}

void TLcfgCharacter::SetPosition(std::int32_t map, std::int32_t x, std::int32_t y) {
    MapId = map;
    X = x;
    Y = y;
    StepRemaining = 0;
    Jumping = false;
}

void TLcfgCharacter::SetForcedRoute(const TVezMoveRoute& route, std::int32_t frequency) {
    if (!ForcedRouteActive) SavedFrequency = Frequency;
    ForcedRoute.CopyFrom(route);
    RunningLock = false;
    ForcedRoutePosition = 0;
    ForcedRouteActive = true;
    ForcedRouteDone = false;
    MoveTimer = 65535;
    const std::int32_t f = std::clamp<std::int32_t>(frequency, 1, 8);
    if (f != Frequency) {
        Frequency = f;
        MoveWait = FrequencyWait(f);
    }
    if (route.Count() == 0) EndForcedRoute();
}

void TLcfgCharacter::EndForcedRoute() {
    if (ForcedRouteActive) {
        Frequency = SavedFrequency;
        MoveWait = FrequencyWait(Frequency);
    }
    ForcedRouteActive = false;
    ForcedRouteDone = false;
}

std::int32_t TLcfgCharacter::ScreenX() const {
    std::int32_t sx = 0;
    if (Jumping) {
        const std::int32_t r = StepRemaining;
        sx = ((256 - r) * X + r * JumpFromX) / 16 - World->ViewScrollX() / 16 + 8;
    } else {
        sx = X * 16 - World->ViewScrollX() / 16 + 8;
        if (StepRemaining > 0) {
            const int dx = DirX(Direction);
            if (dx > 0)
                sx -= (StepRemaining + 15) / 16;
            else if (dx < 0)
                sx += StepRemaining / 16;
        }
    }
    if (World->LoopsX()) {
        const std::int32_t span = World->MapWidth() * 16;
        sx = ((sx + 8) % span + span) % span - 8;
    }
    return sx;
}

std::int32_t TLcfgCharacter::ScreenY() const {
    std::int32_t sy = 0;
    if (Jumping) {
        const std::int32_t r = StepRemaining;
        sy = ((256 - r) * Y + r * JumpFromY) / 16 - World->ViewScrollY() / 16 + 16;
    } else {
        sy = Y * 16 - World->ViewScrollY() / 16 + 16;
        if (StepRemaining > 0) {
            const int dy = DirY(Direction);
            if (dy < 0)
                sy += StepRemaining / 16;
            else if (dy > 0)
                sy -= (StepRemaining + 15) / 16;
        }
    }
    if (World->LoopsY()) {
        const std::int32_t span = World->MapHeight() * 16;
        sy = (sy % span + span) % span;
    }
    return sy;
}

std::int32_t TLcfgCharacter::JumpHeight() const {
    if (!Jumping) return 0;
    const std::int32_t d = std::abs(StepRemaining - 128);
    return 16 - d * d / 1024;
}

void TLcfgCharacter::Flash(std::int32_t r, std::int32_t g, std::int32_t b, double strength,
                           std::int32_t frames) {
    FlashRed = r;
    FlashGreen = g;
    FlashBlue = b;
    FlashStrength = strength;
    FlashFrames = frames;
}

void TLcfgCharacter::ResetAnimation() {
    Pattern = 1;
    AnimationCounter = 0;
}

void TLcfgCharacter::MovementDecision() {
    if (ForcedRouteActive) AdvanceRoute(ForcedRoute, ForcedRoutePosition, true);
}

void TLcfgCharacter::Update() {
    if (!Active || UpdatedThisFrame) return;
    UpdatedThisFrame = true;
    if (StepRemaining <= 0) {
        StepRemaining = 0;
        MovementDecision();
    }
    if (FlashFrames > 0) --FlashFrames;
    FlashStrength -= FlashStrength / (FlashFrames + 1);
    if (StepRemaining > 0) {
        const std::int32_t amount = Jumping ? JumpSpeed(Speed) : StepSpeed(Speed);
        StepRemaining -= amount;
        MoveTimer = 0;
        StepAdvanced(amount);
        // A value from a save need not be a multiple of the speed.
        if (StepRemaining <= 0) {
            StepRemaining = 0;
            Jumping = false;
            if (ForcedRouteActive &&
                ForcedRoutePosition >= static_cast<std::int32_t>(ForcedRoute.Count())) {
                ForcedRouteDone = true;
                ForcedRoutePosition = 0;
                if (!ForcedRoute.Repeat) EndForcedRoute();
            }
            StepEnded();
        }
    } else if (ForcedRouteActive || (!RunningLock && World->EventsMayMove()) || MoveTimer == 0) {
        if (MoveTimer < 0x7FFFFFFF) ++MoveTimer;
    }
    Animate();
}

void TLcfgCharacter::Animate() {
    const std::int32_t moving = MovingPatternTime(Speed);
    const std::int32_t standing = StandingPatternTime(Speed);
    switch (AnimationType) {
    case 0:
    case 2:
        if (!Jumping &&
            !(MoveTimer > 0 && (Pattern == 1 || Pattern == 3) && AnimationCounter >= moving - 1))
            ++AnimationCounter;
        break;
    case 1:
    case 3:
        if (!Jumping) ++AnimationCounter;
        break;
    case 5:
        ++AnimationCounter;
        if (AnimationCounter >= SpinTime(Speed)) {
            SpriteDirection = static_cast<std::uint8_t>((SpriteDirection + 1) & 3);
            AnimationCounter = 0;
        }
        return;
    default:
        return;
    }
    if ((MoveTimer == 0 && AnimationCounter >= moving) ||
        (MoveTimer > 0 && AnimationCounter >= standing)) {
        Pattern = (Pattern + 1) & 3;
        AnimationCounter = 0;
    }
    if (Jumping || AnimationStopped) {
        Pattern = 1;
        AnimationCounter = 0;
    }
}

// True when the command started a step; restores the direction of a blocked step in a
// route that skips it (the caller decides about the position).
bool TLcfgCharacter::StepCommand(const TVezMoveRouteItem& command) {
    TLcfgCharacter& hero = World->HeroCharacter();
    switch (command.Code) {
    case 8:
        FaceRandom();
        break;
    case 9:
        FaceToward(hero.X, hero.Y);
        break;
    case 10:
        FaceAwayFrom(hero.X, hero.Y);
        break;
    case 11:
        break;
    default:
        Direction = static_cast<std::uint8_t>(command.Code);
        break;
    }
    return Move(SafeDirection(Direction));
}

void TLcfgCharacter::Turn(std::int32_t code) {
    const TLcfgCharacter& hero = World->HeroCharacter();
    switch (code) {
    case 16:
        TurnRight();
        break;
    case 17:
        TurnLeft();
        break;
    case 18:
        TurnAround();
        break;
    case 19:
        TurnRandomly90();
        break;
    case 20:
        FaceRandom();
        break;
    case 21:
        FaceToward(hero.X, hero.Y);
        break;
    case 22:
        FaceAwayFrom(hero.X, hero.Y);
        break;
    default:
        Direction = static_cast<std::uint8_t>(code - 12);
        break; // 12..15: face up, right, down, left
    }
}

void TLcfgCharacter::AdvanceRoute(const TVezMoveRoute& route, std::int32_t& position, bool forced) {
    if (StepRemaining > 0 || MoveTimer < MoveWait) return;
    const auto n = static_cast<std::int32_t>(route.Count());
    if (n == 0) {
        if (forced) EndForcedRoute();
        return;
    }
    position = std::clamp<std::int32_t>(position, 0, n);
    const std::int32_t start = position < n ? position : 0;
    bool first = true;
    for (;;) {
        if (position >= n) {
            if (forced) ForcedRouteDone = true;
            if (!route.Repeat) {
                if (forced) EndForcedRoute();
                return;
            }
            position = 0;
        }
        if (!first && position == start) return;
        first = false;
        const TVezMoveRouteItem& command = route.CommandAt(static_cast<std::size_t>(position));
        const std::int32_t code = command.Code;
        if (code >= 0 && code <= 11) {
            const std::uint8_t oldDirection = Direction;
            const std::uint8_t oldSprite = SpriteDirection;
            const bool started = StepCommand(command);
            if (started || route.SkipBlocked) ++position;
            if (!started && route.SkipBlocked) {
                Direction = oldDirection;
                SpriteDirection = oldSprite;
            }
            MoveWait = FrequencyWait(Frequency);
            return;
        }
        if (code >= 12 && code <= 22) {
            Turn(code);
            if (!DirectionFixed) SpriteDirection = static_cast<std::uint8_t>(Direction & 3);
            MoveWait = FrequencyWait(Frequency) / 2;
            MoveTimer = 0;
            ++position;
            return;
        }
        if (code == 23) {
            MoveWait = FrequencyWait(Frequency) / 2 + 20;
            MoveTimer = 0;
            ++position;
            return;
        }
        if (code == 24) {
            const std::uint8_t oldDirection = Direction;
            const std::uint8_t oldSprite = SpriteDirection;
            std::int32_t tx = X;
            std::int32_t ty = Y;
            std::int32_t i = position + 1;
            // A jump without its end command ends with the list.
            for (; i < n; ++i) {
                const TVezMoveRouteItem& c = route.CommandAt(static_cast<std::size_t>(i));
                if (c.Code == 25) break;
                TLcfgCharacter& hero = World->HeroCharacter();
                if (c.Code >= 0 && c.Code <= 11) {
                    if (c.Code == 8)
                        FaceRandom();
                    else if (c.Code == 9)
                        FaceToward(hero.X, hero.Y);
                    else if (c.Code == 10)
                        FaceAwayFrom(hero.X, hero.Y);
                    else if (c.Code < 8)
                        Direction = static_cast<std::uint8_t>(c.Code);
                    tx += DirX(Direction);
                    ty += DirY(Direction);
                } else if (c.Code >= 12 && c.Code <= 22) {
                    Turn(c.Code);
                }
            }
            const std::int32_t after = i < n ? i + 1 : n;
            if (JumpTo(tx, ty)) {
                position = after;
            } else if (route.SkipBlocked) {
                Direction = oldDirection;
                SpriteDirection = oldSprite;
                position = after;
            }
            MoveWait = FrequencyWait(Frequency);
            return;
        }
        switch (code) {
        case 26:
            DirectionFixed = true;
            break;
        case 27:
            if (AnimationType != 2 && AnimationType != 3 && AnimationType != 4)
                DirectionFixed = false;
            break;
        case 28:
            Speed = std::min(Speed + 1, 6);
            break;
        case 29:
            Speed = std::max(Speed - 1, 1);
            break;
        case 30:
            Frequency = std::min(Frequency + 1, 8);
            break;
        case 31:
            Frequency = std::max(Frequency - 1, 1);
            break;
        case 32:
            World->SetSwitch(command.Arg, true);
            break;
        case 33:
            World->SetSwitch(command.Arg, false);
            break;
        case 34:
            SpriteName = command.Name;
            SpriteIndex = command.Arg;
            World->GraphicChanged(command.Name);
            break;
        case 35:
            World->PlaySound(command);
            break;
        case 36:
            ThroughSetting = Through = true;
            break;
        case 37:
            ThroughSetting = Through = false;
            break;
        case 38:
            AnimationStopped = true;
            break;
        case 39:
            AnimationStopped = false;
            break;
        case 40:
            Transparency = std::min(Transparency + 1, 7);
            break;
        case 41:
            Transparency = std::max(Transparency - 1, 0);
            break;
        default:
            break;
        }
        ++position;
    }
}

// ---- The hero ----

void TLcfgParty::DescribeChunks(TChunkVisitor& v) {
    TLcfgCharacter::DescribeChunks(v);
    v.Bool(101, Boarding);
    v.Bool(102, InVehicle);
    v.Int(103, VehicleKind);
    v.Bool(104, Leaving);
    v.Int(105, SpeedOnFoot, 4);
    v.Bool(108, MenuRequested);
    v.Bool(111, CameraFollows, true);
    v.Int(112, CameraX, 2304);
    v.Int(113, CameraY, 1792);
    v.Int(114, CameraTargetX, 2304);
    v.Int(115, CameraTargetY, 1792);
    v.Int(121, CameraSpeed, 16);
    v.Int(124, EncounterCounter);
    v.Bool(125, EncounterPending);
    v.Int(131, MapSaveCount);
    v.Int(132, DataBaseSaveCount);
}

void TLcfgParty::Clear() {
    TLcfgCharacter::Clear();
}

void TLcfgParty::MovementDecision() {
    // The airship's take-off and landing come before anything else.
    if (Flying && AirshipStep()) return;
    if (ForcedRouteActive) AdvanceRoute(ForcedRoute, ForcedRoutePosition, true);
    if (Hooks && Hooks->InterpreterRunning()) {
        MenuRequested = false;
        return;
    }
    if (RunningLock || ForcedRouteActive || (Hooks && Hooks->MessagePresent())) return;
    if (EncounterPending) {
        EncounterPending = false;
        if (Hooks && Hooks->PrepareEncounter()) return;
    }
    if (MenuRequested) {
        MenuRequested = false;
        ResetAnimation();
        if (Hooks) Hooks->OpenMenu();
        return;
    }
    CheckHere(2, false);
    if (Hooks && Hooks->StartPending()) return;
    Through = ThroughSetting || CtrlThrough;
    bool started = false;
    switch (InputDirection) {
    case 2:
        started = Move(KDirDown);
        break;
    case 4:
        started = Move(KDirLeft);
        break;
    case 6:
        started = Move(KDirRight);
        break;
    case 8:
        started = Move(KDirUp);
        break;
    default:
        break;
    }
    Through = ThroughSetting;
    if (started) {
        if (Hooks) Hooks->StepStarted();
        return;
    }
    if (InputDirection != 0) {
        CheckFront(1, false);
        CheckFront(2, false);
    }
    if (Hooks && Hooks->DecideKeyPressed() && !BoardOrLeave()) {
        CheckFront(1, true);
        CheckFront(2, true);
        CheckHere(0, true);
        CheckFront(0, true);
    }
}

void TLcfgParty::StepEnded() {
    if (ForcedRouteActive) return;
    CheckHere(1, false);
    CheckHere(2, false);
}

void TLcfgParty::CheckHere(int trigger, bool byAction) {
    if (!Hooks || (InVehicle && VehicleKind == KVehicleAirship)) return;
    if (Hooks->StartEventsAt(X, Y, trigger, byAction, false) > 0) EncounterPending = false;
}

void TLcfgParty::CheckFront(int trigger, bool byAction) {
    if (!Hooks || !World || (InVehicle && VehicleKind == KVehicleAirship)) return;
    const int dx = DirX(Direction);
    const int dy = DirY(Direction);
    std::int32_t x = X;
    std::int32_t y = Y;
    for (int tile = 0; tile < 4; ++tile) {
        x = World->WrapX(x + dx);
        y = World->WrapY(y + dy);
        if (Hooks->StartEventsAt(x, y, trigger, byAction, true) > 0) {
            EncounterPending = false;
            return;
        }
        if (trigger != 0 || !Hooks->IsCounter(x, y)) return;
    }
}

void TLcfgParty::StepAdvanced(std::int32_t amount) {
    if (!CameraFollows || !Scroller || !World) return;
    std::int32_t h = X * 256 - World->ViewScrollX() - CameraX;
    std::int32_t l = Y * 256 - World->ViewScrollY() - CameraY;
    if (World->LoopsX()) {
        const std::int32_t span = World->MapWidth() * 256;
        h = ((h + span / 2) % span + span) % span - span / 2;
    }
    if (World->LoopsY()) {
        const std::int32_t span = World->MapHeight() * 256;
        l = ((l + span / 2) % span + span) % span - span / 2;
    }
    int dx = DirX(Direction);
    int dy = DirY(Direction);
    if (Jumping) {
        dx = X > JumpFromX ? 1 : (X < JumpFromX ? -1 : 0);
        dy = Y > JumpFromY ? 1 : (Y < JumpFromY ? -1 : 0);
    }
    if (dx > 0 && h > 0)
        Scroller->ScrollBy(KDirRight, amount);
    else if (dx < 0 && h < 0)
        Scroller->ScrollBy(KDirLeft, amount);
    if (dy > 0 && l > 0)
        Scroller->ScrollBy(KDirDown, amount);
    else if (dy < 0 && l < 0)
        Scroller->ScrollBy(KDirUp, amount);
}

void TLcfgParty::Update() {
    if (!Active || UpdatedThisFrame) return;
    TLcfgCharacter::Update();
    VehicleExtras();
    AdvancePan();
    if (Hooks && !MenuRequested && Hooks->MenuKeyPressed()) MenuRequested = true;
}

void TLcfgParty::Pan(int direction, std::int32_t distance, int speed) {
    switch (direction) {
    case KDirUp:
        CameraTargetY += distance * 256;
        break;
    case KDirDown:
        CameraTargetY -= distance * 256;
        break;
    case KDirRight:
        CameraTargetX -= distance * 256;
        break;
    case KDirLeft:
        CameraTargetX += distance * 256;
        break;
    default:
        break;
    }
    CameraSpeed = 2 << std::clamp(speed, 1, 6);
}

void TLcfgParty::PanReturn(int speed) {
    CameraTargetX = 2304;
    CameraTargetY = 1792;
    CameraSpeed = 2 << std::clamp(speed, 1, 6);
}

void TLcfgParty::Recentre() {
    if (Scroller && World) Scroller->SetScroll(X * 256 - CameraX, Y * 256 - CameraY);
}

void TLcfgParty::AdvancePan() {
    if (!Scroller) return;
    const std::int32_t speed = std::max(CameraSpeed, 1);
    if (CameraX != CameraTargetX) {
        const std::int32_t step = std::min(std::abs(CameraTargetX - CameraX), speed);
        const bool decrease = CameraTargetX < CameraX;
        if (Scroller->ScrollBy(decrease ? KDirRight : KDirLeft, step))
            CameraX += decrease ? -step : step;
    }
    if (CameraY != CameraTargetY) {
        const std::int32_t step = std::min(std::abs(CameraTargetY - CameraY), speed);
        const bool decrease = CameraTargetY < CameraY;
        if (Scroller->ScrollBy(decrease ? KDirDown : KDirUp, step))
            CameraY += decrease ? -step : step;
    }
}

} // namespace kestra

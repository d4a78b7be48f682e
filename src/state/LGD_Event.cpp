#include "state/LGD_Event.h"

#include <algorithm>

#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra {

using namespace movement;

namespace {

TLcfgGameState& StateOf(TGameMain& game) {
    return game.Session->Save->State;
}

} // namespace

bool PageConditionHolds(const TVezEventCondition& c, const TLcfgGameState& game) {
    const std::uint8_t f = c.Flags;
    if ((f & KCondSwitchA) && !game.System.Switch(c.SwitchA)) return false;
    if ((f & KCondSwitchB) && !game.System.Switch(c.SwitchB)) return false;
    if ((f & KCondVariable) && game.System.Variable(c.Variable) < c.Value) return false;
    if ((f & KCondItem) && !game.PartyInfo.Holds(c.Item)) return false;
    if ((f & KCondActor) && !game.PartyInfo.Contains(c.Actor)) return false;
    if ((f & KCondTimer) && game.PartyInfo.TimerSeconds() > c.Timer) return false;
    return true;
}

void TLcfgEventItem::DescribeChunks(TChunkVisitor& v) {
    TLcfgCharacter::DescribeChunks(v);
    v.Bool(101, StartRequested);
    v.Int(102, RoutePosition);
    v.Bool(103, StartedByActionKey);
    v.Record(108, Interpreter);
}

void TLcfgEventItem::Clear() {
    TLcfgCharacter::Clear();
    Interpreter.Clear();
    CurrentPage = nullptr;
    FacingBeforeStart = KDirDown;
    TurnedForStart = false;
}

void TLcfgEventItem::Attach(const TVezEventItem& data, TGameMain& game) {
    Data = &data;
    Game = &game;
    Interpreter.SetGame(game);
    World = &StateOf(game).Map;
}

void TLcfgEventItem::Reset() {
    Clear();
    if (Data != nullptr) {
        X = Data->X;
        Y = Data->Y;
    }
    if (Game != nullptr) MapId = StateOf(*Game).Hero.MapId;
    SelectPage();
}

const TVezEventPageItem* TLcfgEventItem::ChoosePage() const {
    if (Data == nullptr || Game == nullptr) return nullptr;
    const TLcfgGameState& game = StateOf(*Game);
    // Pages are kept in ID order; any IDs, dense or not, are visited from the highest.
    for (std::size_t i = Data->Pages.Count(); i-- > 0;) {
        const TVezEventPageItem& page = Data->Pages.At(i);
        if (page.Id < 1) continue;
        if (PageConditionHolds(page.Condition, game)) return &page;
    }
    return nullptr;
}

void TLcfgEventItem::SelectPage() {
    const TVezEventPageItem* page = ChoosePage();
    if (page == nullptr) {
        StartRequested = false;
        RunningLock = false;
        CurrentPage = nullptr;
        Through = true;
        return;
    }
    if (CurrentPage != nullptr && CurrentPage->Id == page->Id) {
        CurrentPage = page;
        return;
    }
    ApplyPage(*page);
}

std::int32_t TLcfgEventItem::NextWait() const {
    const std::int32_t w = FrequencyWait(Frequency);
    if (CurrentPage == nullptr) return w;
    if (CurrentPage->MoveKind == KMoveRandom && Game != nullptr)
        return (Game->Random().Next(4) + 3) * w / 5;
    return w;
}

void TLcfgEventItem::ApplyPage(const TVezEventPageItem& page) {
    const TVezEventPageItem* old = CurrentPage;
    CurrentPage = &page;
    StartRequested = false;
    RunningLock = false;
    TurnedForStart = false;
    SpriteName = page.Graphic;
    SpriteIndex = page.GraphicIndex;
    const std::uint8_t direction = static_cast<std::uint8_t>(SafeDirection(page.Direction) & 3);
    if (!Moving() &&
        (old == nullptr || old->Direction != page.Direction || old->Pattern != page.Pattern)) {
        Direction = direction;
        SpriteDirection = direction;
    }
    if (page.AnimationKind == 4 || page.AnimationKind == 5)
        Pattern = std::clamp(page.Pattern, 0, 3);
    Transparency = page.Transparent != 0 ? 3 : 0;
    Frequency = std::clamp<std::int32_t>(page.MoveFrequency, 1, 8);
    Layer = page.Layer;
    ForbidOverlap = page.NoOverlap != 0;
    AnimationType = page.AnimationKind;
    Speed = std::clamp<std::int32_t>(page.MoveSpeed, 1, 6);
    DirectionFixed = AnimationType == 2 || AnimationType == 3 || AnimationType == 4;
    if (DirectionFixed) SpriteDirection = direction;
    const std::int32_t w = FrequencyWait(Frequency);
    if (page.MoveKind == KMoveRandom)
        MoveWait = Game != nullptr ? (Game->Random().Next(4) + 3) * w / 5 : w;
    else if (page.MoveKind == KMoveOwnRoute)
        MoveWait = w / 2;
    else
        MoveWait = w;
    if (old == nullptr || !old->MoveRoute.SameAs(page.MoveRoute)) RoutePosition = 0;
    Through = ThroughSetting;
    Interpreter.Clear();
}

bool TLcfgEventItem::HasCommands() const {
    return CurrentPage != nullptr && CurrentPage->Commands.Count() > 1;
}

void TLcfgEventItem::RequestStart() {
    if (!Active || StartRequested || !HasCommands()) return;
    StartRequested = true;
    RunningLock = true;
    FacingBeforeStart = SpriteDirection;
    TurnedForStart = false;
    const std::uint8_t trigger = Trigger();
    if (trigger <= KTriggerCollision && !DirectionFixed && AnimationType != 5 && World != nullptr &&
        Game != nullptr) {
        const TLcfgParty& hero = StateOf(*Game).Hero;
        const std::uint8_t keep = Direction;
        FaceToward(hero.X, hero.Y);
        SpriteDirection = static_cast<std::uint8_t>(Direction & 3);
        Direction = keep;
        TurnedForStart = true;
    }
}

std::uint8_t TLcfgEventItem::Trigger() const {
    return CurrentPage != nullptr ? CurrentPage->Trigger : std::uint8_t{KTriggerNone};
}

std::int32_t TLcfgEventItem::PageId() const {
    return CurrentPage != nullptr ? CurrentPage->Id : 0;
}

bool TLcfgEventItem::MainInterpreterIdle() const {
    return Game == nullptr || !StateOf(*Game).Interpreter.IsRunning();
}

void TLcfgEventItem::Update() {
    if (!Active || CurrentPage == nullptr || UpdatedThisFrame) return;
    if (Trigger() == KTriggerParallelProcess && Game != nullptr) {
        if (!Interpreter.IsRunning()) Interpreter.Start(*Game, Id, CurrentPage->Commands);
        Interpreter.UpdateParallel(*Game);
        // The process may have erased the event or changed its page.
        if (!Active || CurrentPage == nullptr) {
            UpdatedThisFrame = true;
            return;
        }
    }
    TLcfgCharacter::Update();
}

void TLcfgEventItem::CollideFromSide() {
    if (Game == nullptr || Trigger() != KTriggerCollision || Layer != 1 || !MainInterpreterIdle())
        return;
    const TLcfgParty* hero = &StateOf(*Game).Hero;
    if (World == nullptr) return;
    const std::int32_t fx = World->WrapX(X + DirX(Direction));
    const std::int32_t fy = World->WrapY(Y + DirY(Direction));
    if (hero->X != fx || hero->Y != fy) return;
    MoveTimer = 0;
    RequestStart();
    StartedByActionKey = false;
}

void TLcfgEventItem::MovementDecision() {
    // 1.
    if (ForcedRouteActive) AdvanceRoute(ForcedRoute, ForcedRoutePosition, true);
    if (CurrentPage == nullptr) return;
    // 2.
    if (Trigger() == KTriggerAutoStart) {
        RequestStart();
        StartedByActionKey = false;
    }
    // 3.
    if (Moving()) return;
    TLcfgParty* hero = Game != nullptr ? &StateOf(*Game).Hero : nullptr;
    // 4. The hero walked onto an event below or above it.
    if (hero != nullptr && MainInterpreterIdle() && hero->X == X && hero->Y == Y && Layer != 1 &&
        Trigger() == KTriggerCollision && !hero->ForcedRouteActive) {
        MoveTimer = 0;
        RequestStart();
        StartedByActionKey = false;
    }
    // 5.
    const std::uint8_t kind = CurrentPage->MoveKind;
    if (RunningLock || ForcedRouteActive || kind == KMoveFixed || MoveTimer < MoveWait) return;
    if (!MainInterpreterIdle() && !StateOf(*Game).System.EventsMoveDuringMessages) return;
    if (kind == KMoveOwnRoute) {
        AdvanceRoute(CurrentPage->MoveRoute, RoutePosition, false);
        return;
    }
    if (kind > KMoveOwnRoute || Game == nullptr) return;
    // 6.
    TRandom& random = Game->Random();
    const std::uint8_t oldDirection = Direction;
    const std::uint8_t oldSprite = SpriteDirection;
    bool started = false;
    switch (kind) {
    case KMoveRandom: {
        const auto r = random.Next(10);
        if (r <= 1)
            TurnLeft();
        else if (r <= 3)
            TurnRight();
        else if (r == 4)
            TurnAround();
        else if (r >= 8) {
            MoveTimer = random.Next(MoveWait);
            return;
        }
        started = Move(Direction);
        if (!started) CollideFromSide();
        break;
    }
    case KMoveUpDown:
    case KMoveLeftRight: {
        if (kind == KMoveUpDown && Direction != KDirUp && Direction != KDirDown)
            Direction = KDirDown;
        if (kind == KMoveLeftRight && Direction != KDirLeft && Direction != KDirRight)
            Direction = KDirRight;
        started = Move(Direction);
        if (!started) CollideFromSide();
        if (!started && MoveTimer >= MoveWait + 20) {
            TurnAround();
            started = Move(Direction);
            if (!started) CollideFromSide();
        }
        break;
    }
    case KMoveTowardHero:
    case KMoveAwayFromHero: {
        const std::int32_t sx = ScreenX();
        const std::int32_t sy = ScreenY();
        const bool outside = sx < -32 || sx > 352 || sy < -32 || sy > 272;
        if (outside || random.Next(10) == 0) {
            FaceRandom();
        } else if (random.Next(10) != 1 && hero != nullptr) {
            if (kind == KMoveTowardHero)
                FaceToward(hero->X, hero->Y);
            else
                FaceAwayFrom(hero->X, hero->Y);
        }
        started = Move(Direction);
        if (!started) CollideFromSide();
        break;
    }
    default:
        break;
    }
    // 7, 8.
    if (!started) {
        if (StartRequested || MoveTimer >= MoveWait + 60) {
            MoveTimer = 0;
        } else {
            Direction = oldDirection;
            if (!DirectionFixed) SpriteDirection = oldSprite;
        }
    } else {
        MoveWait = NextWait();
    }
}

// ---- The list ----

int StartEventsAt(TLcfgEvent& events, std::int32_t x, std::int32_t y, int trigger, bool byAction,
                  bool sameLayer) {
    int found = 0;
    for (std::size_t i = 0; i < events.Count(); ++i) {
        TLcfgEventItem& e = events.At(i);
        if (!e.Active || e.CurrentPage == nullptr || e.X != x || e.Y != y) continue;
        if ((e.Layer == 1) != sameLayer || e.Trigger() != trigger) continue;
        e.RequestStart();
        e.StartedByActionKey = byAction;
        ++found;
    }
    return found;
}

void TLcfgEvent::CreateFromMap(const TVezMap& unit, TGameMain& game) {
    Clear();
    for (std::size_t i = 0; i < unit.Events.Count(); ++i) {
        const TVezEventItem& data = unit.Events.At(i);
        TLcfgEventItem& e = Obtain(data.Id);
        e.Attach(data, game);
        e.Reset();
    }
}

void TLcfgEvent::Relink(const TVezMap& unit, TGameMain& game) {
    // Saved events the unit no longer has are dropped; the others keep their IDs.
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> kept;
    for (std::size_t i = 0; i < Count(); ++i) {
        const TLcfgEventItem& e = At(i);
        if (unit.Events.Find(e.Id) != nullptr) kept.emplace_back(e.Id, e.Encode());
    }
    if (kept.size() != Count()) {
        Clear();
        for (const auto& [id, bytes] : kept) Obtain(id).Decode(bytes, "map event");
    }
    for (std::size_t i = 0; i < Count(); ++i) {
        TLcfgEventItem& e = At(i);
        e.Attach(*unit.Events.Find(e.Id), game);
        e.CurrentPage = e.ChoosePage();
        if (e.CurrentPage == nullptr) {
            e.StartRequested = false;
            e.RunningLock = false;
            e.Through = true;
        }
    }
}

void TLcfgEvent::RefreshPages() {
    for (std::size_t i = 0; i < Count(); ++i) At(i).SelectPage();
}

bool TLcfgEvent::AnyStartRequested() const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (At(i).StartRequested) return true;
    return false;
}

std::vector<TLcfgCharacter*> TLcfgEvent::Characters() const {
    std::vector<TLcfgCharacter*> list;
    list.reserve(Count());
    for (std::size_t i = 0; i < Count(); ++i) list.push_back(ItemAt(i));
    return list;
}

} // namespace kestra

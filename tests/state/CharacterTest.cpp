#include <gtest/gtest.h>

#include "FieldWorld.h"

namespace kestra {
namespace {

using test::Route;
using test::TFieldWorld;

TEST(CharacterTables, ValuesAndClampedIndexes) {
    EXPECT_EQ(movement::FrequencyWait(1), 256);
    EXPECT_EQ(movement::FrequencyWait(8), 0);
    EXPECT_EQ(movement::FrequencyWait(0), 256); // below the table
    EXPECT_EQ(movement::FrequencyWait(200), 0); // above it
    EXPECT_EQ(movement::StepSpeed(1), 4);
    EXPECT_EQ(movement::StepSpeed(-5), 4);
    EXPECT_EQ(movement::StepSpeed(99), 128);
    EXPECT_EQ(movement::JumpSpeed(4), 24);
    EXPECT_EQ(movement::MovingPatternTime(6), 4);
    EXPECT_EQ(movement::StandingPatternTime(1), 16);
    EXPECT_EQ(movement::SpinTime(3), 12);
    EXPECT_EQ(movement::SafeDirection(7), 7);
    EXPECT_EQ(movement::SafeDirection(200), KDirDown);
    // The diagonal keeps a sprite that is one of its sides and flips the others.
    EXPECT_EQ(movement::SpriteFor(KDirUpRight, KDirDown), KDirUp);
    EXPECT_EQ(movement::SpriteFor(KDirUpRight, KDirRight), KDirRight);
    EXPECT_EQ(movement::SpriteFor(KDirDownLeft, KDirUp), KDirDown);
    EXPECT_EQ(movement::SpriteFor(KDirDownLeft, KDirRight), KDirLeft);
    EXPECT_EQ(movement::SpriteFor(KDirUpLeft, 250), KDirUp); // a broken sprite byte
}

TEST(CharacterMovement, SpeedFourStepTakesEightFramesAndScreenPositionFollows) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    e.Speed = 4;
    ASSERT_TRUE(e.Move(KDirRight));
    EXPECT_EQ(e.X, 6);
    EXPECT_EQ(e.ScreenX(), 5 * 16 + 8);
    w.Frames(4);
    EXPECT_EQ(e.StepRemaining, 128);
    EXPECT_EQ(e.ScreenX(), 5 * 16 + 8 + 8);
    w.Frames(4);
    EXPECT_EQ(e.StepRemaining, 0);
    EXPECT_EQ(e.ScreenX(), 6 * 16 + 8);
    // A stored step that is no multiple of the speed still ends at 0.
    e.Move(KDirRight);
    e.StepRemaining = 37;
    w.Frames(2);
    EXPECT_EQ(e.StepRemaining, 0);
}

TEST(CharacterMovement, FrequencyEightLeavesNoWaitBetweenMoves) {
    TFieldWorld w;
    auto& e = w.AddEvent(2, 2);
    e.Speed = 6; // two frames a step
    e.SetForcedRoute(Route({1, 1, 1}), 8);
    w.Frames(6);
    EXPECT_EQ(e.X, 5);
    EXPECT_FALSE(e.ForcedRouteActive); // non-repeating route ended after its last step
    EXPECT_EQ(e.Frequency, 2);         // the remembered frequency is back
}

TEST(CharacterMovement, TurningAndFacing) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    e.Direction = KDirUp;
    e.TurnLeft();
    EXPECT_EQ(e.Direction, KDirLeft);
    e.TurnRight();
    e.TurnRight();
    EXPECT_EQ(e.Direction, KDirRight);
    e.TurnAround();
    EXPECT_EQ(e.Direction, KDirLeft);
    e.FaceToward(8, 8); // diagonal, equal distance: vertical
    EXPECT_EQ(e.Direction, KDirDown);
    e.FaceToward(2, 2);
    EXPECT_EQ(e.Direction, KDirUp);
    e.FaceToward(5, 5);
    EXPECT_EQ(e.Direction, KDirDown);
    e.FaceToward(9, 6);
    EXPECT_EQ(e.Direction, KDirRight);
    e.FaceAwayFrom(9, 6);
    EXPECT_EQ(e.Direction, KDirLeft);
}

TEST(CharacterMovement, FacingAcrossTheSeamOfALoopingMap) {
    TFieldWorld w(30, 20, 2);
    auto& e = w.AddEvent(1, 5);
    e.FaceToward(28, 5); // three tiles to the left across the seam
    EXPECT_EQ(e.Direction, KDirLeft);
    ASSERT_TRUE(e.Move(KDirLeft));
    EXPECT_EQ(e.X, 0);
    w.Frames(20);
    ASSERT_TRUE(e.Move(KDirLeft));
    EXPECT_EQ(e.X, 29);
}

TEST(CharacterMovement, DiagonalNeedsOneOpenLPath) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    // Block (5,4) and (6,5): both L-paths to (6,4) are closed.
    w.SetUpper(5, 4, 1, 0);
    w.SetUpper(6, 5, 1, 0);
    EXPECT_FALSE(e.Move(KDirUpRight));
    EXPECT_EQ(e.X, 5);
    EXPECT_EQ(e.SpriteDirection, KDirUp); // turned even though blocked
    // Open (6,5) again: the horizontal-then-vertical path is free.
    w.SetUpper(6, 5, 2, 15);
    ASSERT_TRUE(e.Move(KDirUpRight));
    EXPECT_EQ(e.X, 6);
    EXPECT_EQ(e.Y, 4);
    w.Frames(40);
    EXPECT_GT(e.ScreenY(), 0);
}

TEST(CharacterRoute, RepeatingRouteIntoAWall) {
    for (bool skip : {false, true}) {
        TFieldWorld w;
        auto& e = w.AddEvent(5, 5);
        w.SetUpper(6, 5, 1, 0); // wall to the right
        e.SetForcedRoute(Route({1, 14}, true, skip), 8);
        w.Frames(30);
        if (!skip) {
            // Faces the wall forever, never reaching the face-down command.
            EXPECT_EQ(e.Direction, KDirRight);
            EXPECT_EQ(e.ForcedRoutePosition, 0);
            EXPECT_FALSE(e.ForcedRouteDone);
        } else {
            // The blocked step restores the direction; the route goes on and comes round.
            EXPECT_EQ(e.Direction, KDirDown);
            EXPECT_TRUE(e.ForcedRouteDone);
        }
        EXPECT_EQ(e.X, 5);
    }
}

TEST(CharacterRoute, FaceCommandsPauseHalfAWaitAndOthersDoNot) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    // speed up, through on, more transparent, face left, wait
    e.SetForcedRoute(Route({28, 36, 40, 15, 23}), 5); // frequency 5: wait 16
    w.Frame();
    EXPECT_EQ(e.Speed, 4);
    EXPECT_TRUE(e.Through);
    EXPECT_EQ(e.Transparency, 1);
    EXPECT_EQ(e.Direction, KDirLeft);
    EXPECT_EQ(e.SpriteDirection, KDirLeft);
    EXPECT_EQ(e.MoveWait, 8);
    EXPECT_EQ(e.ForcedRoutePosition, 4);
    w.Frames(8);
    EXPECT_EQ(e.ForcedRoutePosition, 5); // the wait command ran
    EXPECT_EQ(e.MoveWait, 8 + 20);
}

TEST(CharacterRoute, WaitForDoneAfterFirstPassOfRepeatingRoute) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    e.Speed = 6;
    e.SetForcedRoute(Route({1, 3}, true), 8);
    w.Frames(2);
    EXPECT_FALSE(e.ForcedRouteDone);
    w.Frames(2);
    EXPECT_TRUE(e.ForcedRouteDone);
    EXPECT_TRUE(e.ForcedRouteActive);
    EXPECT_EQ(e.X, 5);
}

TEST(CharacterRoute, JumpScanEndsAtEndOfRouteWithoutEndCommand) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    // begin jump, right, right, face up ... no end command
    e.SetForcedRoute(Route({24, 1, 1, 12}), 8);
    w.Frame();
    EXPECT_TRUE(e.Jumping);
    EXPECT_EQ(e.X, 7);
    EXPECT_EQ(e.Y, 5);
    EXPECT_EQ(e.JumpFromX, 5);
    EXPECT_EQ(e.Direction, KDirRight); // the jump faces its landing tile
    EXPECT_EQ(e.SpriteDirection, KDirRight);
    w.Frames(100);
    EXPECT_FALSE(e.Jumping);
    EXPECT_FALSE(e.ForcedRouteActive);
}

TEST(CharacterRoute, JumpHeightAndInterpolation) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    ASSERT_TRUE(e.JumpTo(7, 5));
    EXPECT_EQ(e.JumpHeight(), 0);
    e.StepRemaining = 128;
    EXPECT_EQ(e.JumpHeight(), 16);
    EXPECT_EQ(e.ScreenX(), 6 * 16 + 8);
    // A jump in place is a jump too.
    TFieldWorld w2;
    auto& f = w2.AddEvent(3, 3);
    ASSERT_TRUE(f.JumpTo(3, 3));
    EXPECT_TRUE(f.Jumping);
}

TEST(CharacterRoute, JumpOntoOccupiedTileIsRefusedAndRetried) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    auto& block = w.AddEvent(7, 5);
    e.SetForcedRoute(Route({24, 1, 1, 25, 14}), 8);
    w.Frames(3);
    EXPECT_FALSE(e.Jumping);
    EXPECT_EQ(e.X, 5);
    EXPECT_EQ(e.ForcedRoutePosition, 0); // retried from the begin-jump command
    block.Active = false;                // erased: no longer blocks
    w.Frame();
    EXPECT_TRUE(e.Jumping);
    EXPECT_EQ(e.X, 7);
    EXPECT_EQ(e.ForcedRoutePosition, 4);
}

TEST(CharacterRoute, RefusedJumpInSkippingRouteRestoresDirection) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    w.AddEvent(7, 5);
    e.Direction = KDirDown;
    e.SpriteDirection = KDirDown;
    e.SetForcedRoute(Route({24, 1, 1, 25, 15}, false, true), 8);
    w.Frame();
    EXPECT_FALSE(e.Jumping);
    EXPECT_EQ(e.ForcedRoutePosition, 4);
    EXPECT_EQ(e.Direction, KDirDown);
    w.Frame();
    EXPECT_EQ(e.Direction, KDirLeft);
}

TEST(CharacterRoute, RandomMovesDrawFromTheOneGeneratorInOrder) {
    TFieldWorld w(30, 20, 0, 12345);
    auto& e = w.AddEvent(10, 10);
    e.SetForcedRoute(Route({20, 19, 8}), 8);
    TRandom mirror(12345);
    static constexpr std::uint8_t KPick[4] = {KDirUp, KDirRight, KDirLeft, KDirDown};
    std::uint8_t expect = KPick[mirror.Next(4)];
    w.Frames(2); // face random, then (after half a wait of 0) turn either way
    const bool left = mirror.Next(2) == 0;
    static constexpr std::uint8_t KLeft[4] = {KDirLeft, KDirUp, KDirRight, KDirDown};
    static constexpr std::uint8_t KRight[4] = {KDirRight, KDirDown, KDirLeft, KDirUp};
    expect = left ? KLeft[expect] : KRight[expect];
    EXPECT_EQ(e.Direction, expect);
    w.Frame();
    EXPECT_EQ(e.Direction, KPick[mirror.Next(4)]);
    EXPECT_EQ(w.Random.Seed, mirror.Seed);
}

TEST(CharacterCollision, LayersAndNoOverlap) {
    TFieldWorld w;
    auto& a = w.AddEvent(5, 5);
    auto& b = w.AddEvent(6, 5);
    auto& c = w.AddEvent(4, 5);
    b.Layer = 1;
    EXPECT_FALSE(a.Move(KDirRight)); // same layer blocks
    b.Layer = 2;
    EXPECT_TRUE(a.Move(KDirRight)); // another layer does not
    // Forbid overlap: events block each other whatever the layer, the hero not.
    c.Layer = 0;
    c.ForbidOverlap = true;
    w.Hero.X = 3;
    w.Hero.Y = 5;
    EXPECT_TRUE(w.Hero.Move(KDirRight));
    TFieldWorld w2;
    auto& d = w2.AddEvent(5, 5);
    auto& f = w2.AddEvent(6, 5);
    f.Layer = 0;
    f.ForbidOverlap = true;
    EXPECT_FALSE(d.Move(KDirRight));
    f.Through = true;
    EXPECT_TRUE(d.Move(KDirRight));
}

TEST(CharacterCollision, TileEventWithClosedEdgeIsBlockedByLayerOneCharacters) {
    TFieldWorld w;
    auto& tile = w.AddEvent(5, 5);
    tile.SpriteName.clear();
    tile.SpriteIndex = 3;
    tile.Layer = 0;
    w.Chip().Upper[3] = 15 & ~4; // the tile shows no right edge
    auto& other = w.AddEvent(6, 5);
    other.Layer = 1;
    // Its own cell is treated as that tile only for others, not for itself: the
    // source test passes, the strict rule makes the layer-1 character block.
    EXPECT_FALSE(tile.Move(KDirRight));
    other.Layer = 2;
    EXPECT_TRUE(tile.Move(KDirRight));
    // The cell of a tile event whose tile blocks is closed to others.
    TFieldWorld w2;
    auto& t2 = w2.AddEvent(5, 5);
    t2.SpriteName.clear();
    t2.SpriteIndex = 4;
    t2.Layer = 0;
    w2.Chip().Upper[4] = 0;
    w2.Hero.X = 4;
    w2.Hero.Y = 5;
    EXPECT_FALSE(w2.Hero.Move(KDirRight));
}

TEST(CharacterCollision, ACharacterThatWalksAwayFreesItsCell) {
    TFieldWorld w;
    auto& a = w.AddEvent(5, 5);
    auto& b = w.AddEvent(6, 5);
    b.SetForcedRoute(Route({1}), 8);
    a.SetForcedRoute(Route({1}), 8);
    // a is updated first; its test updates b, which steps away.
    w.Frame();
    EXPECT_EQ(b.X, 7);
    EXPECT_EQ(a.X, 6);
}

TEST(CharacterAnimation, HeroStandingStopsOnStandingFrame) {
    TFieldWorld w;
    w.Hero.X = w.Hero.Y = 5;
    w.Hero.InputDirection = 6;
    w.Frames(20);
    w.Hero.InputDirection = 0;
    w.Frames(60);
    EXPECT_TRUE(w.Hero.Pattern == 1 || w.Hero.Pattern == 3);
    const auto pattern = w.Hero.Pattern;
    w.Frames(60);
    EXPECT_EQ(w.Hero.Pattern, pattern);
    // Continuous type keeps stepping in place.
    w.Hero.AnimationType = 1;
    w.Frames(7);
    EXPECT_NE(w.Hero.Pattern, pattern);
}

TEST(CharacterAnimation, SpinningAndStoppedAnimation) {
    TFieldWorld w;
    auto& e = w.AddEvent(5, 5);
    e.AnimationType = 5;
    e.Speed = 3;
    e.SpriteDirection = KDirUp;
    w.Frames(12);
    EXPECT_EQ(e.SpriteDirection, KDirRight);
    e.AnimationType = 1;
    e.AnimationStopped = true;
    w.Frames(30);
    EXPECT_EQ(e.Pattern, 1);
}

struct TRecordingHooks : TLcfgParty::THooks {
    bool Running = false;
    int Steps = 0;
    bool InterpreterRunning() override { return Running; }
    void StepStarted() override { ++Steps; }
};

TEST(HeroControl, WalksWithTheDirectionAndTheCameraFollows) {
    TFieldWorld w(60, 40);
    TRecordingHooks hooks;
    w.Hero.Hooks = &hooks;
    w.Hero.SetPosition(1, 20, 20);
    w.Map.Enter(true, nullptr);
    EXPECT_EQ(w.Map.ScrollX, 20 * 256 - 2304);
    w.Hero.InputDirection = 6;
    w.Frames(16); // speed 4: two steps
    EXPECT_EQ(w.Hero.X, 22);
    EXPECT_EQ(hooks.Steps, 2);
    w.Hero.InputDirection = 0;
    w.Frames(8);
    EXPECT_EQ(w.Map.ScrollX, 22 * 256 - 2304);
    EXPECT_EQ(w.Hero.ScreenX(), 9 * 16 + 8);
    // Nothing while the interpreter runs.
    hooks.Running = true;
    w.Hero.InputDirection = 2;
    w.Frames(8);
    EXPECT_EQ(w.Hero.Y, 20);
    hooks.Running = false;
    w.Frames(8);
    EXPECT_EQ(w.Hero.Y, 21);
}

TEST(HeroControl, CameraPanMovesTheViewAndStopsAtTheBorder) {
    TFieldWorld w(60, 40);
    w.Hero.SetPosition(1, 30, 20);
    w.Map.Enter(true, nullptr);
    const auto start = w.Map.ScrollX;
    w.Hero.Pan(KDirRight, 2, 4); // 32 units a frame
    w.Frames(16);
    EXPECT_EQ(w.Hero.CameraX, 2304 - 512);
    EXPECT_EQ(w.Map.ScrollX, start + 512);
    w.Hero.PanReturn(6);
    w.Frames(4);
    EXPECT_EQ(w.Hero.CameraX, 2304);
    EXPECT_EQ(w.Map.ScrollX, start);
    // At the left border the view cannot scroll, so the camera keeps its place.
    w.Hero.SetPosition(1, 2, 20);
    w.Map.Enter(true, nullptr);
    w.Hero.Pan(KDirLeft, 3, 6);
    w.Frames(10);
    EXPECT_EQ(w.Hero.CameraX, 2304);
    EXPECT_EQ(w.Map.ScrollX, 0);
}

TEST(CharacterSave, HeroSavedWhileWalkingRoundTripsByteIdentical) {
    TFieldWorld w;
    w.Hero.SetPosition(1, 5, 5);
    w.Hero.SetForcedRoute(Route({1, 2, 24, 1, 25}, true, true), 6);
    w.Frames(5);
    ASSERT_TRUE(w.Hero.Moving());
    const auto bytes = w.Hero.Encode();
    TLcfgParty copy;
    copy.Decode(bytes);
    EXPECT_EQ(copy.Encode(), bytes);
    EXPECT_EQ(copy.StepRemaining, w.Hero.StepRemaining);
    EXPECT_EQ(copy.ForcedRoute.Count(), 5u);
    EXPECT_EQ(copy.Speed, 4);
    // Defaults are left out: a fresh hero holds little more than its empty route.
    EXPECT_LT(TLcfgParty().Encode().size(), 12u);
    EXPECT_LT(TLcfgCharacter(3).Encode().size(), 12u);
}

} // namespace
} // namespace kestra

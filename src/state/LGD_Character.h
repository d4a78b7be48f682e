#pragma once
// Everything that stands and walks on the map: the common model of map events, the
// hero and the vehicles. Positions are tiles; the progress of a step and the camera
// are in 1/256 tile.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Random.h"
#include "data/Catalog.h"
#include "data/LD_MoveRoute.h"

namespace kestra {

class TLcfgCharacter;
class TLcfgMap;
class TLcfgParty;
class TLcfgShip;

// Directions: 0 up, 1 right, 2 down, 3 left, 4 up-right, 5 down-right, 6 down-left,
// 7 up-left.
inline constexpr std::uint8_t KDirUp = 0;
inline constexpr std::uint8_t KDirRight = 1;
inline constexpr std::uint8_t KDirDown = 2;
inline constexpr std::uint8_t KDirLeft = 3;
inline constexpr std::uint8_t KDirUpRight = 4;
inline constexpr std::uint8_t KDirDownRight = 5;
inline constexpr std::uint8_t KDirDownLeft = 6;
inline constexpr std::uint8_t KDirUpLeft = 7;

// Vehicle kinds of the hero (VehicleKind while InVehicle).
inline constexpr std::int32_t KVehicleBoat = 1;
inline constexpr std::int32_t KVehicleShip = 2;
inline constexpr std::int32_t KVehicleAirship = 3;

// Cell edges, as the chip set passage bits number them.
enum : int { KEdgeBottom = 0, KEdgeLeft = 1, KEdgeRight = 2, KEdgeTop = 3, KEdgeOccupy = 4 };

namespace movement {

// Frames between autonomous moves for frequency 1..8 (other values clamped).
std::int32_t FrequencyWait(std::int32_t frequency);
// 1/256 tile per frame for speed 1..6 (other values clamped).
std::int32_t StepSpeed(std::int32_t speed);
std::int32_t JumpSpeed(std::int32_t speed);
std::int32_t MovingPatternTime(std::int32_t speed);
std::int32_t StandingPatternTime(std::int32_t speed);
std::int32_t SpinTime(std::int32_t speed);
// A stored direction brought into 0..7 (anything else reads as down).
std::uint8_t SafeDirection(std::int32_t direction);
// Horizontal and vertical component (-1, 0, 1) of a direction.
int DirX(int direction);
int DirY(int direction);
// The sprite direction after turning to `direction` from sprite direction `sprite`.
std::uint8_t SpriteFor(int direction, int sprite);

} // namespace movement

class TLcfgCharacter : public TCatalogItem {
public:
    explicit TLcfgCharacter(std::int32_t id = 0) : TCatalogItem(id) { TLcfgCharacter::Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;

    virtual bool IsEvent() const { return Id > 0; }
    // Drawn and met on the map: active (and, for an event, showing a page).
    virtual bool InPlay() const { return Active; }
    virtual std::int32_t DefaultSpeed() const { return 3; }
    // The facing and the place a fresh character has (and a save leaves out).
    virtual std::uint8_t DefaultDirection() const { return KDirDown; }
    struct TPlace {
        std::int32_t MapId = 0, X = 0, Y = 0;
    };
    virtual TPlace DefaultPlace() const { return {}; }
    // Never blocks and is never blocked (the grounded airship, which the hero boards
    // standing on its tile).
    virtual bool PassedOver() const { return false; }

    // The map the character stands on, and through it the game; joined by the map
    // (TLcfgMap::SetHero, SetEvents) before the character moves, null before that.
    TLcfgMap* World = nullptr;

    // Starts a step; true when the character moved (or stepped in place).
    bool Move(int direction);
    bool CanMoveTo(std::int32_t toX, std::int32_t toY);
    virtual bool CanMoveTo(std::int32_t fromX, std::int32_t fromY, std::int32_t toX,
                           std::int32_t toY);
    bool Blocks(const TLcfgCharacter& other, bool strict) const;
    void FaceToward(std::int32_t x, std::int32_t y);
    void FaceAwayFrom(std::int32_t x, std::int32_t y);
    void TurnLeft();
    void TurnRight();
    void TurnAround();
    void TurnRandomly90();
    void FaceRandom();
    // The turning route commands 12..22 (sets the direction only).
    void Turn(std::int32_t code);
    bool JumpTo(std::int32_t x, std::int32_t y);
    // Places the character and cancels its step.
    virtual void SetPosition(std::int32_t map, std::int32_t x, std::int32_t y);
    void SetForcedRoute(const TVezMoveRoute& route, std::int32_t frequency);
    void EndForcedRoute();
    // The centre of the tile bottom, in board pixels.
    std::int32_t ScreenX() const;
    std::int32_t ScreenY() const;
    std::int32_t JumpHeight() const;
    // Once per frame; a second call in the same frame does nothing.
    virtual void Update();
    void Flash(std::int32_t r, std::int32_t g, std::int32_t b, double strength,
               std::int32_t frames);
    // Back to the standing frame.
    void ResetAnimation();
    bool Moving() const { return StepRemaining > 0; }

    // Runs the route from `position` while the character stands and its wait is over.
    // A forced route sets the done mark and ends at the end of a non-repeating list.
    void AdvanceRoute(const TVezMoveRoute& route, std::int32_t& position, bool forced);

    bool Active;
    std::int32_t MapId;
    std::int32_t X, Y;
    std::uint8_t Direction;
    std::uint8_t SpriteDirection;
    std::int32_t Pattern;
    std::int32_t Transparency;
    std::int32_t StepRemaining;
    std::int32_t Frequency;
    std::uint8_t Layer;
    bool ForbidOverlap;
    std::uint8_t AnimationType;
    bool DirectionFixed;
    std::int32_t Speed;
    TVezMoveRoute ForcedRoute;
    bool ForcedRouteActive;
    std::int32_t ForcedRoutePosition;
    bool ForcedRouteDone;
    bool Hidden;
    bool ThroughSetting;
    bool AnimationStopped;
    bool Through;
    std::int32_t MoveTimer;
    std::int32_t AnimationCounter;
    std::int32_t MoveWait;
    bool Jumping;
    std::int32_t JumpFromX, JumpFromY;
    bool RunningLock;
    bool Flying;
    std::string SpriteName;
    std::int32_t SpriteIndex;
    bool UpdatedThisFrame;
    std::int32_t FlashRed, FlashGreen, FlashBlue;
    double FlashStrength;
    std::int32_t FlashFrames;
    // Not saved: the frequency to restore when the forced route ends.
    std::int32_t SavedFrequency = 2;

protected:
    // The choice made while standing; the base runs the forced route only.
    virtual void MovementDecision();
    // After a frame of the step advanced by `amount`.
    virtual void StepAdvanced(std::int32_t /*amount*/) {}
    virtual void StepEnded() {}
    virtual void Animate();

private:
    bool StepCommand(const TVezMoveRouteItem& command);
    bool CanStep(std::int32_t fromX, std::int32_t fromY, int direction);
};

// The hero: the party walking the map, its control and the camera that follows it.
class TLcfgParty : public TLcfgCharacter {
public:
    TLcfgParty() { TLcfgParty::Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;
    bool IsEvent() const override { return false; }
    std::int32_t DefaultSpeed() const override { return 4; }

    void Update() override;
    // Places the hero and the vehicle it rides.
    void SetPosition(std::int32_t map, std::int32_t x, std::int32_t y) override;
    // On foot the common test; in a vehicle the vehicle's (LGD_Ship.cpp): boat and ship
    // over terrain they pass under above tiles only, the airship over terrain it flies.
    using TLcfgCharacter::CanMoveTo;
    bool CanMoveTo(std::int32_t fromX, std::int32_t fromY, std::int32_t toX,
                   std::int32_t toY) override;

    // Vehicles (LGD_Ship.cpp). Boarding, leaving, take-off or landing as the decision
    // key asks; true when one of them started.
    bool BoardOrLeave();
    // The airship's take-off and landing for this frame; true while either runs.
    bool AirshipStep();
    // Leaves the vehicle at once where it stands (travel by the menu).
    void ForceLeave();
    // Whether the airship may come down on the hero's tile.
    bool CanLandHere() const;
    // The vehicle the hero rides, or null on foot.
    TLcfgShip* RiddenVehicle() const;
    // Boarding or leaving a boat or ship, or the airship taking off or landing.
    bool VehicleBusy() const;

    // Set by the field each frame from the input's direction (0, 2, 4, 6, 8).
    std::int32_t InputDirection = 0;
    // Test play with Ctrl held: walk through everything, meet nobody.
    bool CtrlThrough = false;

    // What the game does when the hero starts a step, may it act at all, and the
    // encounter battle it prepares; set by the field.
    struct THooks {
        virtual ~THooks() = default;
        virtual bool InterpreterRunning() { return false; }
        virtual bool MessagePresent() { return false; }
        // True when a battle scene was requested.
        virtual bool PrepareEncounter() { return false; }
        virtual void OpenMenu() {}
        virtual void StepStarted() {}
        // Cancel newly pressed with the menu allowed and nothing running.
        virtual bool MenuKeyPressed() { return false; }
        // Decision newly pressed this frame.
        virtual bool DecideKeyPressed() { return false; }
        // The map events at (x, y) on the hero's layer (sameLayer) or below and above it
        // whose page has `trigger` are asked to start; answers how many were found.
        virtual int StartEventsAt(std::int32_t /*x*/, std::int32_t /*y*/, int /*trigger*/,
                                  bool /*byAction*/, bool /*sameLayer*/) {
            return 0;
        }
        // Events can be reached across the tile (a counter).
        virtual bool IsCounter(std::int32_t /*x*/, std::int32_t /*y*/) { return false; }
        // A common event can auto-start or a map event asked to start.
        virtual bool StartPending() { return false; }
    };
    THooks* Hooks = nullptr;

    // Moves the camera target like Pan screen, and back to the hero's place.
    void Pan(int direction, std::int32_t distance, int speed);
    void PanReturn(int speed);
    // Places the view on the hero's camera place.
    void Recentre();

    // Starts the events on the hero's own tile (not on its layer), or in front of it on
    // its layer, whose page has `trigger`; the action key reaches across up to three
    // counter tiles.
    void CheckHere(int trigger, bool byAction);
    void CheckFront(int trigger, bool byAction);

    // The view scrolls; set with World (the map state).
    struct IScroller {
        virtual ~IScroller() = default;
        virtual bool ScrollBy(int direction, std::int32_t amount) = 0;
        virtual void SetScroll(std::int32_t x, std::int32_t y) = 0;
    };
    IScroller* Scroller = nullptr;

    bool Boarding;
    bool InVehicle;
    std::int32_t VehicleKind;
    bool Leaving;
    std::int32_t SpeedOnFoot;
    bool MenuRequested;
    bool CameraFollows;
    std::int32_t CameraX, CameraY;
    std::int32_t CameraTargetX, CameraTargetY;
    std::int32_t CameraSpeed;
    std::int32_t EncounterCounter;
    bool EncounterPending;
    std::int32_t MapSaveCount, DataBaseSaveCount;

protected:
    void MovementDecision() override;
    void StepAdvanced(std::int32_t amount) override;
    void StepEnded() override;

private:
    void AdvancePan();
    // The hero's extras once its step is over: into the boarded vehicle, off the left
    // one; the ridden vehicle follows.
    void VehicleExtras();
    // The music kept for after the vehicle, and the vehicle's own.
    void StartVehicleMusic(std::int32_t kind);
    void ResumeMapMusic();
};

} // namespace kestra

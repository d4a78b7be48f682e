#pragma once
// The scene of walking around a map: per frame it updates the common events and the
// characters (map events run their parallel processes), the timer, the main
// interpreter and the panorama, carries out a pending teleport and rolls encounters;
// it draws the map in its two layers with the panorama behind and the characters
// sorted between them, the screen's tint, flash and shake on all of it, and the
// weather and pictures over it. A due encounter and the Start battle command leave it for
// the battle scene (LS_FieldBattle.cpp); after the battle it goes on where it was.
#include <cstdint>
#include <vector>

#include "data/LD_Ground.h"
#include "data/LD_Map.h"
#include "graphics/GR_Animation.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/GameWindowsMessage.h"
#include "shell/LS_Base.h"
#include "state/LGD_Map.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;
struct TVezBattleSetup;

// At most this many teleports are carried out in one frame; a request made during
// the last pass stays pending for the next frame, so the frame loop keeps running.
inline constexpr int KMaxTeleportPasses = 8;
// The teleport transition that means none at all.
inline constexpr int KNoTeleportTransition = 20;

class TVezFieldScene : public TVezScene, private TLcfgParty::THooks {
public:
    // The field of `game`: its map state, hero, map unit, message window and pool (the
    // message window must exist).
    explicit TVezFieldScene(TGameMain& game);

    void Reset() override;
    void Update() override;
    void Draw() override;

    void RequestTeleport(std::int32_t map, std::int32_t x, std::int32_t y);
    void PerformTeleport();
    // The hero (with the vehicle it rides) at (x, y) of `map`: another map is entered,
    // on the same one the view follows. No transition.
    void PlaceHero(std::int32_t map, std::int32_t x, std::int32_t y);
    // One pass of the common-event and character updates.
    void UpdateEventsOnce();
    // The events of the map unit join the map (on entering it): made from the unit at
    // their positions, pages chosen.
    void CreateEvents();
    // After a load of saved events of this map: joined to the unit's records.
    void RelinkEvents();
    // After a load: the saved events when the unit is the one they were saved on, fresh
    // ones from the map data otherwise.
    void ResumeEvents();
    // The party is defeated on the field: the message box closes while the field keeps
    // updating and drawing, the game-over music starts, the scene becomes game over and
    // the field fades out with step 3.
    void PartyDefeated();
    // The rest at an inn: the music fades, the field fades out, the inn music plays, the
    // party recovers fully, and after the inn music (at most 600 frames) the music before
    // it plays again and the field fades in.
    void InnRest();
    // The start of a battle: the box closes, the music before the battle is kept, the
    // battle-start sound and the battle music play, the screen flashes (unless it is
    // black) and hides with the battle-start transition, and the scene becomes the
    // battle of `setup`.
    void StartBattle(TVezBattleSetup setup);
    // A due encounter: a troop drawn from the map's and the covering areas' that may
    // appear on the terrain under the hero; false when there is none.
    bool StartEncounter();
    // A battle animation on the map (LS_FieldScreen.cpp): on the character of reference
    // `target` (10001 the hero, else an event ID) or over the whole screen. An animation
    // that does not exist shows nothing; false then.
    bool ShowMapAnimation(std::int32_t animationId, std::int32_t target, bool wholeScreen);

    // The fade of the next entrance; back to 10 after it (the menu's travel uses 2).
    double EnterFadeStep = 10;
    bool Entered = false;
    bool TeleportPending = false;
    std::int32_t TeleportMap = 0, TeleportX = 0, TeleportY = 0;
    bool ForceDraw = false;
    // Encounters the hero met (battles started by them).
    int EncountersRolled = 0;
    // Screen flashes of damage on the field (each also flashes the screen).
    int DamageFlashes = 0;
    // Frames since the scene was made; drives the tile animation.
    std::int32_t FrameCounter = 0;

protected:
    TPoint ZoomCentre() const override;

private:
    // The hero's hooks.
    bool PrepareEncounter() override;
    void StepStarted() override;
    bool InterpreterRunning() override;
    bool MessagePresent() override;
    bool DecideKeyPressed() override;
    int StartEventsAt(std::int32_t x, std::int32_t y, int trigger, bool byAction,
                      bool sameLayer) override;
    bool IsCounter(std::int32_t x, std::int32_t y) override { return Map.IsCounter(x, y); }
    bool StartPending() override;
    void OpenMenu() override;
    bool MenuKeyPressed() override;

    // `raised` pixels above its place (the flying airship).
    void DrawCharacter(TLcfgCharacter& c, int raised = 0);
    // The airship while it rises, flies or lands (LS_FieldDraw.cpp): its shadow on the
    // ground, then the ship above it.
    void DrawFlyingAirship();
    // How far the character sinks into its terrain (LS_FieldDraw.cpp): the terrain's
    // bush depth on the hero's layer, 0 while jumping or flying.
    int BushDepthOf(const TLcfgCharacter& c) const;
    // The character's flash strength (0..31) to the nearest integer.
    static int FlashStrengthOf(const TLcfgCharacter& c);
    // The party's timer when it is shown: at the top left, or at the bottom left while
    // messages appear at the top.
    void DrawTimer();
    // What a step of the hero does (LS_FieldSteps.cpp): the terrain's damage, the step
    // counter, the members' walking effects and the encounter check.
    void TakeStepEffects();
    void TerrainDamage(const TVezGroundItem* terrain);
    // The screen flash of damage on the field: red 31, green 10, blue 6, strength 20,
    // 10 frames.
    void FlashStepDamage();

    // The screen effects and pictures of the field (LS_FieldScreen.cpp): their frame,
    // what another map ends, and their drawing over the map.
    void UpdateScreenEffects();
    void LeaveMapScreenEffects();
    void DrawScreenEffects();
    // The playing battle animation's step: its frame's flashes and sounds, and its end.
    void UpdateMapAnimation();
    void DrawMapAnimation(TKandelBoard& board);
    // The animation's record with its graphic loaded (again after a load), or null.
    const TVezAnimationItem* MapAnimationRecord();
    // The character a map animation stands on, or null when it is not on this map.
    TLcfgCharacter* AnimationTarget(std::int32_t reference);

    TGameMain& Game;
    TLcfgGameState& State;
    TLcfgMap& Map;
    TLcfgParty& Hero;
    TVezMap& Unit;
    TVezMessageWindow& MessageWindow;
    TVezMessagePool& MessagePool;
    TVezAnimationGraphic MapAnimation;
};

} // namespace kestra

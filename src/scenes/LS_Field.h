#pragma once
// The scene of walking around a map: per frame it updates the characters and the
// panorama, carries out a pending teleport and rolls encounters; it draws the map in
// its two layers with the panorama behind and the characters sorted between them.
// Events, messages, pictures, screen effects and battles join it later; until then
// an encounter is only recorded (EncountersRolled) and play goes on.
#include <cstdint>
#include <functional>
#include <vector>

#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "shell/LS_Base.h"
#include "state/LGD_Map.h"

namespace kestra {

class TVezMessageWindow;

// At most this many teleports are carried out in one frame; a request made during
// the last pass stays pending for the next frame, so the frame loop keeps running.
inline constexpr int KMaxTeleportPasses = 8;

class TVezFieldScene : public TVezScene, private TLcfgParty::THooks {
public:
    TVezFieldScene(TSceneHost& host, TLcfgMap& map, TLcfgParty& hero, TVezMap& unit);

    void Reset() override;
    void Update() override;
    void Draw() override;

    void RequestTeleport(std::int32_t map, std::int32_t x, std::int32_t y);
    void PerformTeleport();
    // One pass of the character updates.
    void UpdateEventsOnce();

    // The world around the scene. Entering another map: loads the unit into the
    // scene's map unit and attaches it (the game's map loader); null: teleports stay
    // on the current map.
    std::function<void(std::int32_t mapId)> LoadMapUnit;
    const TVezMapTree* MapTree = nullptr;
    // Terrain weight for the encounter rule (100 on ordinary terrain).
    std::function<std::int32_t(std::int32_t terrain)> TerrainWeight;
    // Read each frame: the input's direction (0, 2, 4, 6, 8).
    std::function<int()> InputDirection;
    // The scene byte of the system state (null: the scene keeps running).
    std::uint8_t* SceneNumber = nullptr;
    // The message box the field updates and draws (null: none).
    TVezMessageWindow* MessageWindow = nullptr;
    // Teleport-hide and -show transitions; 20 means none at all.
    int TeleportHide = 20;
    int TeleportShow = 20;

    bool Entered = false;
    bool TeleportPending = false;
    std::int32_t TeleportMap = 0, TeleportX = 0, TeleportY = 0;
    bool ForceDraw = false;
    // Encounters the hero met; the battle scene does not exist yet.
    int EncountersRolled = 0;
    bool BattleUnavailable = false;
    // Frames since the scene was made; drives the tile animation.
    std::int32_t FrameCounter = 0;

protected:
    TPoint ZoomCentre() const override;

private:
    // The hero's hooks.
    bool PrepareEncounter() override;
    void StepStarted() override;

    void DrawCharacter(TLcfgCharacter& c);

    TLcfgMap& Map;
    TLcfgParty& Hero;
    TVezMap& Unit;
};

} // namespace kestra

#pragma once
// The scene of walking around a map: per frame it updates the common events and the
// characters (map events run their parallel processes), the timer, the main
// interpreter and the panorama, carries out a pending teleport and rolls encounters;
// it draws the map in its two layers with the panorama behind and the characters
// sorted between them. Pictures, screen effects and battles join it later; until then
// an encounter is only recorded (EncountersRolled) and play goes on.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "interpreter/LGD_Scripter.h"
#include "shell/LS_Base.h"
#include "state/LGD_Map.h"

namespace kestra {

class TLcfgGameState;
class TMultiInput;

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
    // One pass of the common-event and character updates.
    void UpdateEventsOnce();
    // The events of the map unit join the map (on entering it): made from the unit at
    // their positions, pages chosen.
    void CreateEvents();
    // After a load of saved events of this map: joined to the unit's records.
    void RelinkEvents();

    // The game the events and interpreters run in (null: the hero walks alone).
    TLcfgGameState* Game = nullptr;
    TMultiInput* Input = nullptr;
    ILcfgMessageBox* MessageBox = nullptr;
    TVezMessagePool* MessagePool = nullptr;
    // Test play: F10 ends the running event.
    bool TestPlay = false;
    // A line for the log.
    std::function<void(const std::string&)> Warn;

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
    // What the interpreters and the events reach through the scene.
    class TScriptWorld : public ILcfgScriptWorld {
    public:
        explicit TScriptWorld(TVezFieldScene& scene) : Scene(scene) {}
        TLcfgGameState& Game() override;
        TRandom& Random() override;
        TLcfgMap* Map() override { return &Scene.Map; }
        TLcfgParty* Hero() override { return &Scene.Hero; }
        TLcfgEvent* Events() override { return &Scene.Map.Events; }
        TLcfgCommonEvent* CommonEvents() override;
        TLcfgScripter* MainInterpreter() override;
        ILcfgMessageBox* MessageBox() override { return Scene.MessageBox; }
        TVezMessagePool* MessagePool() override { return Scene.MessagePool; }
        TMultiInput* Input() override { return Scene.Input; }
        bool AbortKeyHeld() override;
        bool SceneChangeRequested() override;
        void RequestTeleport(std::int32_t map, std::int32_t x, std::int32_t y) override {
            Scene.RequestTeleport(map, x, y);
        }
        void PerformTeleport() override { Scene.PerformTeleport(); }
        std::int32_t MusicTick() override;
        bool MusicLooped() override;
        void Warn(const std::string& message) override {
            if (Scene.Warn) Scene.Warn(message);
        }

    private:
        TVezFieldScene& Scene;
    };

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

    void DrawCharacter(TLcfgCharacter& c);

    TLcfgMap& Map;
    TLcfgParty& Hero;
    TVezMap& Unit;
    TScriptWorld World{*this};
};

} // namespace kestra

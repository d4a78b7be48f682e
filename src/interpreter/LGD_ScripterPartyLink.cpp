// The party, actor, system and sound commands as interpreter handlers: the world of the
// running interpreter is their host.
#include <vector>

#include "interpreter/LGD_Scripter.h"
#include "interpreter/LGD_ScripterParty.h"
#include "shell/SceneNumbers.h"
#include "state/LGD_Character.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

class TWorldPartyHost final : public ILcfgPartyCommandHost {
public:
    explicit TWorldPartyHost(ILcfgScriptWorld& world)
        : World(world), Scenes(dynamic_cast<ILcfgSceneRequests*>(&world)) {}

    void Notice(const std::string& line) override {
        if (TVezMessagePool* pool = World.MessagePool()) pool->Push(line);
    }
    void RefreshPages() override { World.RefreshPages(); }
    void LeaderSpriteChanged() override {
        if (TLcfgParty* hero = World.Hero()) TakeLeaderSprite(*hero, World.Game().PartyInfo);
    }
    void VehicleGraphicChanged(int kind, const std::string& file, std::int32_t index) override {
        // The override itself belongs to the vehicle; until vehicles keep one, the
        // sprite is what changes.
        if (TLcfgCharacter* vehicle = World.Vehicle(kind)) {
            vehicle->SpriteName = file;
            vehicle->SpriteIndex = index;
        }
    }
    void FieldPartyDefeated(TLcfgGameState& game) override {
        if (Scenes != nullptr) {
            Scenes->FieldPartyDefeated();
            return;
        }
        if (ILcfgMessageBox* box = World.MessageBox()) box->Close();
        ILcfgPartyCommandHost::FieldPartyDefeated(game);
    }
    void FadeOutScene(int step) override {
        if (Scenes != nullptr) Scenes->FadeOutScene(step);
    }
    [[noreturn]] void RequestReset() override {
        if (Scenes != nullptr) Scenes->RequestReset();
        ILcfgPartyCommandHost::RequestReset();
    }

private:
    ILcfgScriptWorld& World;
    ILcfgSceneRequests* Scenes;
};

void PartyCommand(TLcfgBaseScripter& s, TLcfgScriptData&, const TVezEventScriptLine& line) {
    ILcfgScriptWorld& world = *s.World;
    TLcfgGameState& game = world.Game();
    const std::uint8_t scene = game.System.Scene;
    TWorldPartyHost host(world);
    TLcfgPartyCommands(game, world.Random(), host).Run(line.Code, line.Params, line.Text);
    // A scene change (game over) ends the interpreter's work for this frame.
    if (game.System.Scene != scene) s.StopRequested = true;
}

} // namespace

std::vector<scripter::THandlerEntry> scripter::PartyHandlers() {
    std::vector<THandlerEntry> entries;
    for (std::int32_t code : TLcfgPartyCommands::Codes()) entries.push_back({code, &PartyCommand});
    return entries;
}

} // namespace kestra

#pragma once
// The menu scene joined to the running game: the title link's system graphic and
// the display board for its windows, the logical buttons, the game state of the
// session, the field scene it sends the party back to, and the scene byte.
#include "scenes/LS_Field.h"
#include "scenes/LS_Menu.h"
#include "scenes/WindowPartyView.h"

#include <functional>
#include <memory>

namespace kestra {

class TGameMain;
struct TGameSession;

class TGameMenuLink : public IVezMenuGame, public IVezWindowHost {
public:
    // The game, session and field must outlive the link.
    TGameMenuLink(TGameMain& game, TGameSession& session, TVezFieldScene& field);

    // The save scene sets this when it goes back to the menu, so that the menu opens
    // on its save command.
    bool SaveSceneReturned = false;
    // Refreshes the pages of the map events after the menu turned a switch on; empty
    // while the field has no events.
    std::function<void()> RefreshEvents;

    // IVezWindowHost
    TVezSystemGraphic& SystemGraphic() override;
    TKandelBoard& Board() override;
    std::uint16_t RepeatedButtons() override;
    void PlayCursorSound() override;
    int CurrentScene() override;

    // IVezMenuGame
    IVezWindowHost& WindowHost() override { return *this; }
    IVezPartyView& PartyView() override { return View; }
    TLcfgGameState& State() override;
    std::uint16_t PressedButtons() override;
    void SetScene(int scene) override;
    std::string FindFace(const std::string& name) override;
    void OpenSaveScene() override;
    bool TakeSaveReturn() override;
    void GoToPlace(const TLcfgPlace& place, double fadeStep) override;
    void RefreshMapEvents() override;
    void ReturnToTitle() override;

private:
    TGameMain& Game;
    TGameSession& Session;
    TVezFieldScene& Field;
    TLcfgWindowPartyView View;
};

// The menu scene with the link it runs over (the link is made first and goes last).
class TGameMenuScene : private std::unique_ptr<TGameMenuLink>, public TVezMenuScene {
public:
    TGameMenuScene(TGameMain& game, TGameSession& session, TVezFieldScene& field);
    TGameMenuLink& Link() { return **this; }
};

// Puts the menu (1) into the game's scene slot for the field of a new game, and lets
// the hero's menu key open it.
void InstallMenuScene(TGameMain& game, TGameSession& session, TVezFieldScene& field);

} // namespace kestra

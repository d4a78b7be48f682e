// Drawing details of the field: the bush depth and flash of characters and the timer.
#include <algorithm>
#include <cmath>

#include "data/DataBase.h"
#include "graphics/GR_System.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

int TVezFieldScene::BushDepthOf(const TLcfgCharacter& c) const {
    if (c.Layer != 1 || c.Jumping || c.Flying) return 0;
    const TVezGroundItem* terrain = Game.Session->DataBase.Terrain.Find(Map.TerrainAt(c.X, c.Y));
    return terrain != nullptr ? terrain->BushDepth : 0;
}

int TVezFieldScene::FlashStrengthOf(const TLcfgCharacter& c) {
    // Halves go to the even neighbour.
    const double s = std::nearbyint(std::clamp(c.FlashStrength, 0.0, 31.0));
    return static_cast<int>(s);
}

void TVezFieldScene::DrawTimer() {
    const TLcfgPartyInfo& party = State.PartyInfo;
    if (!party.TimerShown) return;
    const int y = State.System.MessagePosition == 0 ? 220 : 4;
    Game.SystemGraphic().DrawTimer(Host.Board(), 4, y, party.Timer);
}

} // namespace kestra

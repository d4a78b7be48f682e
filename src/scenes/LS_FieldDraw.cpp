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

void TVezFieldScene::DrawFlyingAirship() {
    TLcfgShip& airship = State.Airship;
    if (!airship.Active || !airship.InAir() || airship.MapId != Hero.MapId) return;
    const int sx = airship.ScreenX() + State.Screen.ShakeX;
    const int sy = airship.ScreenY() + State.Screen.ShakeY;
    if (sx < -32 || sx > 352 || sy < -32 || sy > 272) return;
    // The shadow: an ellipse on the ground that halves the colours under it, growing
    // from a dot to 15 x 5 pixels as the ship rises.
    const int size = std::clamp(airship.ShadowSize(), 0, KAirshipHeight);
    TKandelBoard& board = Host.Board();
    const int rx = 1 + 6 * size / KAirshipHeight;
    const int ry = 1 + 1 * size / KAirshipHeight;
    const int cx = sx, cy = sy - 3;
    for (int y = cy - ry; y <= cy + ry; ++y) {
        if (y < 0 || y >= board.Height()) continue;
        std::uint16_t* row = board.ScanLine(y);
        for (int x = cx - rx; x <= cx + rx; ++x) {
            if (x < 0 || x >= board.Width()) continue;
            const int dx = x - cx, dy = y - cy;
            if (dx * dx * ry * ry + dy * dy * rx * rx > rx * rx * ry * ry) continue;
            row[x] = static_cast<std::uint16_t>((row[x] >> 1) & 0x7BEF);
        }
    }
    DrawCharacter(airship, airship.Altitude());
}

void TVezFieldScene::DrawTimer() {
    const TLcfgPartyInfo& party = State.PartyInfo;
    if (!party.TimerShown) return;
    const int y = State.System.MessagePosition == 0 ? 220 : 4;
    Game.SystemGraphic().DrawTimer(Host.Board(), 4, y, party.Timer);
}

} // namespace kestra

#include "state/LGD_Party.h"

#include "data/DataBase.h"
#include "state/LGD_GameState.h"

namespace kestra {

bool TerrainDamage(TLcfgGameState& game, std::int32_t terrainId) {
    if (game.InAirship()) return false;
    const auto* terrain = game.DataBase().Terrain.Find(terrainId);
    if (terrain == nullptr || terrain->Damage == 0) return false;
    std::int64_t d = terrain->Damage;
    bool flash = false;
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i) {
        auto* member = game.PartyInfo.Member(i);
        if (member == nullptr) continue;
        if (d > 0 && !member->NoTerrainDamage()) {
            member->Damage(d, false);
            flash = true;
        } else if (d < 0) {
            member->ChangeHP(-d);
        }
    }
    return flash;
}

} // namespace kestra

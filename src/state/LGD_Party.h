#pragma once
// The party as a character on the map. Its movement, camera and events arrive with the
// map; what is here is the damage the terrain deals on each step.
#include <cstdint>

namespace kestra {

class TLcfgGameState;

// Applies the terrain's damage value to every member as the hero starts a step on a
// tile of that terrain (not in the airship): a positive value wounds (never killing)
// each member whose armour does not prevent it, a negative value heals. True when the
// screen should flash red.
bool TerrainDamage(TLcfgGameState& game, std::int32_t terrainId);

} // namespace kestra

#pragma once
// The three vehicles of a game: the boat, the ship and the airship. Each stands on a
// map of its own like any character and carries the hero, who boards and leaves it
// (TLcfgParty, LGD_Ship.cpp): boat and ship sail the terrain that lets them, the
// airship takes off, flies over everything its terrain flag allows and lands.
#include <cstdint>
#include <string>

#include "state/LGD_Character.h"

namespace kestra {

class TLcfgGameState;

// The airship's counters start here when it rises or descends and fall by this much
// every frame.
inline constexpr std::int32_t KAirshipHeight = 256;
inline constexpr std::int32_t KAirshipStep = 8;

class TLcfgShip : public TLcfgCharacter {
public:
    // Vehicle `kind` (KVehicleBoat, KVehicleShip, KVehicleAirship) of `game`, whose map
    // tree gives its start place and whose database its graphic.
    TLcfgShip(TLcfgGameState& game, std::int32_t kind);
    void DescribeChunks(TChunkVisitor& v) override;
    // At the start place of the map tree (none without one), facing left, with the
    // vehicle's speed and its sprite.
    void Clear() override;
    // A saved vehicle takes its sprite again.
    void LoadFromStream(TByteReader& reader) override;
    bool IsEvent() const override { return false; }
    std::int32_t DefaultSpeed() const override { return Own == KVehicleAirship ? 5 : 4; }
    std::uint8_t DefaultDirection() const override { return KDirLeft; }
    TPlace DefaultPlace() const override;
    bool PassedOver() const override { return Own == KVehicleAirship; }

    // Copies the hero's map, tile, directions and step: the vehicle counts as updated
    // this frame, animates and drops a forced route.
    void FollowHero(const TLcfgParty& hero);
    // Faces left.
    void Park();
    // The sprite of Change vehicle graphic; the database's own graphic clears the
    // override again.
    void SetGraphic(const std::string& name, std::int32_t index);
    // The override when one is set, else the database's vehicle graphic.
    void TakeSprite();
    // In the air: the airship while it carries the hero (rising, flying or landing).
    bool InAir() const { return Own == KVehicleAirship && Flying; }
    // Pixels above the ground the flying airship is drawn, and the size (0..256) of its
    // shadow.
    std::int32_t Altitude() const;
    std::int32_t ShadowSize() const;

    std::int32_t Kind;
    std::int32_t TakeOffCounter;
    std::int32_t LandingCounter;
    std::string GraphicOverrideName;
    std::int32_t GraphicOverrideIndex;

protected:
    // Boat, ship and flying airship rock all the time; the grounded airship rests.
    void Animate() override;

private:
    TLcfgGameState& Game;
    const std::int32_t Own;
};

} // namespace kestra

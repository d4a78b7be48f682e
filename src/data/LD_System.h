#pragma once
// System settings of a game: music and sound settings, the battle-test party and the
// global system record.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

// The name that means silence.
inline constexpr const char* KSoundOff = "(OFF)";

class TVezMusic : public TCatalogBaseItem {
public:
    TVezMusic() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;
    bool operator==(const TVezMusic& o) const {
        return Name == o.Name && FadeIn == o.FadeIn && Volume == o.Volume && Tempo == o.Tempo &&
               Balance == o.Balance;
    }

    std::string Name;
    std::int32_t FadeIn, Volume, Tempo, Balance;
};

class TVezSound : public TCatalogBaseItem {
public:
    TVezSound() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;
    bool operator==(const TVezSound& o) const {
        return Name == o.Name && Volume == o.Volume && Tempo == o.Tempo && Balance == o.Balance;
    }

    std::string Name;
    std::int32_t Volume, Tempo, Balance;
};

class TVezTestPlayerItem : public TCatalogItem {
public:
    explicit TVezTestPlayerItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Slot 0 weapon .. 4 accessory; 0 outside 0..4.
    std::int32_t Equipment(std::int32_t slot) const {
        return slot >= 0 && slot < 5 ? Equip[slot] : 0;
    }

    std::int32_t Actor, Level;
    std::array<std::int16_t, 5> Equip;
};

class TVezTestPlayer : public TCatalogOf<TVezTestPlayerItem> {
public:
    TVezTestPlayer() : TCatalogOf("battle-test party") {}
};

class TVezSystem : public TCatalogBaseItem {
public:
    TVezSystem() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Also resets the starting party to the single actor 1.
    void Clear() override;
    // The starting-party actor at a 0-based index; 0 outside the party.
    std::int32_t PartyMember(std::int32_t index) const {
        return index >= 0 && index < static_cast<std::int32_t>(Party.size()) ? Party[index] : 0;
    }

    enum { KMusicCount = 8, KSoundCount = 12, KTransitionCount = 6 };

    std::array<std::string, 3> VehicleGraphic; // boat, ship, airship
    std::array<std::int32_t, 3> VehicleIndex;
    std::string TitleGraphic, GameOverGraphic, SystemGraphic;
    std::vector<std::uint16_t> Party;
    // Title, battle, victory, inn, boat, ship, airship, game over.
    std::array<TVezMusic, KMusicCount> Music;
    // Cursor, decision, cancel, buzzer, battle start, escape, monster attack, monster
    // damaged, actor damaged, evasion, monster defeated, item use.
    std::array<TVezSound, KSoundCount> Sound;
    // Erase/show at teleport, at battle start, at battle end.
    std::array<std::uint8_t, KTransitionCount> Transition;
    std::int32_t WindowTiled;  // 0 stretch the window background, otherwise tile it
    std::int32_t FontKind;     // 0 "TESGOTH", otherwise "TESMIN"
    std::int32_t EditorInt81;  // no effect in the player
    std::uint8_t EditorByte82; // no effect in the player
    std::string BattleTestBackground;
    TVezTestPlayer BattleTestParty;
    std::int32_t SaveCount;
};

} // namespace kestra

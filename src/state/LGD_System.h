#pragma once
// The global part of a running game: scene number, frame counter, switches and
// variables, message options, the message face, the music and every system setting of
// the database that events may override. Saved as chunk 101 of a save file.
//
// Overrides: a getter answers the override when one is set and the database's value
// otherwise; a setter given the database's own value stores no override, so a save
// file only carries what events changed.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_System.h"
#include "shell/SceneNumbers.h"

namespace kestra {

class TLcfgGameState;

// Switch and variable IDs above these are ignored by the setters, so an ID taken from
// a command parameter or a variable cannot make the arrays grow without bound.
inline constexpr std::int32_t KMaxSwitchId = 100000;
inline constexpr std::int32_t KMaxVariableId = 100000;
inline constexpr std::int32_t KVariableMin = -999999;
inline constexpr std::int32_t KVariableMax = 999999;
// The transition byte that means "no override".
inline constexpr std::uint8_t KNoTransitionOverride = 255;

// Music settings by their order in the database: title, battle, victory, inn, boat,
// ship, airship, game over.
enum : int {
    KMusicTitle = 0,
    KMusicBattle,
    KMusicVictory,
    KMusicInn,
    KMusicBoat,
    KMusicShip,
    KMusicAirship,
    KMusicGameOver,
};
// System sounds by their order in the database (0-based here; the game's own numbering
// of them starts at 1).
enum : int {
    KSoundCursor = 0,
    KSoundDecide,
    KSoundCancel,
    KSoundBuzzer,
    KSoundBattleStart,
    KSoundEscape,
    KSoundEnemyAttack,
    KSoundEnemyDamaged,
    KSoundActorDamaged,
    KSoundEvade,
    KSoundEnemyDies,
    KSoundItemUse,
};

// Transition settings by their order in the database.
enum : int {
    KTransitionTeleportHide = 0,
    KTransitionTeleportShow,
    KTransitionBattleStartHide,
    KTransitionBattleStartShow,
    KTransitionBattleEndHide,
    KTransitionBattleEndShow,
};

class TLcfgSystem : public TCatalogBaseItem {
public:
    explicit TLcfgSystem(TLcfgGameState& game);
    void DescribeChunks(TChunkVisitor& v) override;
    // Pure data: the devices learn of the cleared state from ApplyToDevices.
    void Clear() override;

    // Switches and variables; IDs are 1-based.
    bool Switch(std::int32_t id) const;
    void SetSwitch(std::int32_t id, bool on);
    std::int32_t SwitchCount() const { return static_cast<std::int32_t>(Switches.size()); }
    void ResizeSwitches(std::int32_t count);
    std::int32_t Variable(std::int32_t id) const;
    // The value is clamped to KVariableMin..KVariableMax.
    void SetVariable(std::int32_t id, std::int64_t value);
    std::int32_t VariableCount() const { return static_cast<std::int32_t>(Variables.size()); }
    void ResizeVariables(std::int32_t count);

    // Music. Every request goes through here so that the saved current music and the
    // stopped flag describe what the sound library plays.
    void PlayMusic(const TVezMusic& music, bool force = false);
    void FadeOutMusic(std::int32_t ms);
    void StopMusic();
    void PlaySound(const TVezSound& sound);
    void PlaySystemSound(int which) { PlaySound(Sound(which)); }

    // The eight music and twelve sound settings (override or database).
    const TVezMusic& Music(int which) const;
    void SetMusic(int which, const TVezMusic& music);
    const TVezSound& Sound(int which) const;
    void SetSound(int which, const TVezSound& sound);
    // The six transitions (override or database).
    std::uint8_t Transition(int which) const;
    void SetTransition(int which, std::uint8_t value);
    // The system graphic with its window background and font settings.
    const std::string& SystemGraphic() const;
    std::int32_t WindowBackground() const;
    std::int32_t Font() const;
    void SetSystemGraphic(const std::string& name, std::int32_t background, std::int32_t font);

    void SetFace(const std::string& name, std::int32_t index, bool right, bool mirrored);
    bool FaceVisible() const { return !FaceGraphic.empty() && MessageActive; }

    // Tells the sound library what the state now says: the four interface sounds are
    // preloaded (the previous ones released). Called after a reset and after a load.
    // The skin and the message face follow the state when they are drawn.
    void ApplyToDevices();

    std::uint8_t Scene;
    std::int32_t FrameCount;
    std::string SystemGraphicOverride;
    std::int32_t WindowBackgroundOverride, FontOverride;
    std::vector<std::uint8_t> Switches;
    std::vector<std::int32_t> Variables;
    std::int32_t MessageTransparent, MessagePosition;
    bool MessageAvoidsParty, EventsMoveDuringMessages;
    std::string FaceGraphic;
    std::int32_t FaceIndex, FaceRight;
    bool FaceMirrored, MessageActive;
    bool MusicStopped;
    // An override with an empty name counts as absent.
    std::array<TVezMusic, TVezSystem::KMusicCount> MusicOverrides;
    TVezMusic CurrentMusic, VehicleMusic, MusicBeforeBattle, RememberedMusic;
    std::array<TVezSound, TVezSystem::KSoundCount> SoundOverrides;
    std::array<std::uint8_t, TVezSystem::KTransitionCount> TransitionOverrides;
    bool TeleportAllowed, EscapeAllowed, SaveAllowed, MenuAllowed;
    std::string BattleBackground;
    std::int32_t SaveCount, LastSaveSlot;

private:
    std::string FindFile(const std::string& name, const char* folder) const;
    void ReserveInterfaceSound(int which);

    TLcfgGameState& Game;
    // Files preloaded for the four interface sounds, released when they change.
    std::array<std::string, 4> Reserved;
};

} // namespace kestra

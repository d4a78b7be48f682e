#pragma once
// The runtime state of the map the hero is on: the view's scroll (1/256 tile), tile
// substitutions, chip set and panorama overrides, the encounter rate override; the
// tile questions (tile, terrain, passability, wrap-around) and the scrolling.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_ChipSet.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "state/LGD_Character.h"
#include "state/LGD_Event.h"
#include "state/LGD_Panorama.h"

namespace kestra {

// The settings a map takes from the map tree, each found by walking up from the map
// to the first entry that does not inherit.
struct TLcfgMapSettings {
    std::uint8_t MusicKind = 0; // 1 keep the playing music, 2 play Music
    TVezMusic Music;
    bool CanTeleport = false, CanEscape = false, CanSave = false;
    std::string Backdrop; // empty: the terrain's
};
TLcfgMapSettings InheritedMapSettings(const TVezMapTree& tree, std::int32_t mapId);

// The encounter factor for the hero's counter and the map's encounter steps.
double EncounterFactor(std::int32_t counter, std::int32_t steps);
// One step of the encounter rule: the counter grows by the terrain's weight and one
// draw of Random(1000) decides. True when an encounter is due (counter reset, pending
// mark set). No draw when steps is 0 or less.
bool EncounterStep(TLcfgParty& hero, std::int32_t weight, std::int32_t steps, TRandom& random);

// Auto-tile shapes that count as passable under a tile with the wall-edge flag.
bool IsWallEdgeShape(std::int32_t shape);

class TLcfgGameState;
class TLcfgShip;
class TVezGroundItem;

// The characters' world: they ask it about tiles, passage, each other and the view, and
// their route commands reach the game state through it.
class TLcfgMap : public TCatalogBaseItem, public TLcfgParty::IScroller {
public:
    // `game` is the game state the map belongs to.
    explicit TLcfgMap(TLcfgGameState& game) : Game(game) { TLcfgMap::Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Also empties the character list of events (the hero stays).
    void Clear() override;
    // Loaded events join the character list only through UseOwnEvents or SetEvents.
    void LoadFromStream(TByteReader& reader) override;

    // The game objects the map works with (not saved). The unit, chip sets and
    // random generator must outlive the map's use of them.
    void Attach(TVezMap& unit, const TVezChipSet& chipSets, TRandom& random);
    void SetHero(TLcfgParty& hero);
    // The runtime events in list order (owned by the caller); rebuilds the list.
    void SetEvents(std::vector<TLcfgCharacter*> events);
    // The character list from the map's own events (chunk 11) and the hero.
    void UseOwnEvents();

    // Entering the attached unit: optionally every field back to its initial value,
    // the hero's camera back to its place, the view on the hero, the panorama loaded
    // and synchronised, the chip set looked up. `panorama` is the picture of the
    // effective panorama name (null: none found).
    void Enter(bool clear, const TKandelBitmap* panorama);
    // The same map: the view back on the hero.
    void Recentre();
    // Entering the attached unit with the state a saved game left: the scroll (brought
    // into the unit's range), the hero's camera, animation and the panorama's offsets
    // stay; the chip set is looked up and the panorama picture loaded.
    void Resume(const TKandelBitmap* panorama);

    std::int32_t LowerTileAt(std::int32_t x, std::int32_t y) const;
    std::int32_t UpperTileAt(std::int32_t x, std::int32_t y) const;
    std::int32_t TerrainAt(std::int32_t x, std::int32_t y) const;
    std::int32_t EventIdAt(std::int32_t x, std::int32_t y) const;
    std::int32_t LowerFlagsOf(std::int32_t tileId) const;
    std::int32_t UpperFlagsOf(std::int32_t tileId) const;
    // Whether the tile under (x, y) lets events be reached across it.
    bool IsCounter(std::int32_t x, std::int32_t y) const;

    void SetScrollX(std::int32_t v);
    void SetScrollY(std::int32_t v);
    bool ScrollLeft(std::int32_t a);
    bool ScrollRight(std::int32_t a);
    bool ScrollUp(std::int32_t a);
    bool ScrollDown(std::int32_t a);

    // The panorama after its fields changed: the effective settings taken, and with
    // `reload` the picture too (`picture` of the effective name, null: none found, a
    // blank panorama); then synchronised with the view.
    void RefreshPanorama(const TKandelBitmap* picture, bool reload);

    void SetChipSet(std::int32_t id);
    void SetEncounterSteps(std::int32_t n) { EncounterStepsOverride = n; }
    // Every cell showing `oldTile` (0..143) of the layer shows `newTile` from now on.
    void ReplaceTiles(int layer, std::int32_t oldTile, std::int32_t newTile);
    std::int32_t EncounterSteps(const TVezMapTree& tree) const;
    std::int32_t ChipSetId() const;
    const TVezChipSetItem* ChipSetRecord() const { return Chips; }
    bool HasPanorama() const;
    std::string PanoramaName() const;
    TLcfgPanoramaSettings PanoramaSettings() const;

    // What the characters ask.
    std::int32_t MapWidth() const;
    std::int32_t MapHeight() const;
    bool LoopsX() const;
    bool LoopsY() const;
    bool IsInside(std::int32_t x, std::int32_t y) const;
    std::int32_t WrapX(std::int32_t x) const;
    std::int32_t WrapY(std::int32_t y) const;
    bool CanEnter(std::int32_t x, std::int32_t y, std::int32_t movingEventId, int side) const;
    // The upper tile of (x, y) with a tile event standing there counting as one (not
    // the event `movingEventId`), as the passage test sees it.
    std::int32_t EffectiveUpperTile(std::int32_t x, std::int32_t y,
                                    std::int32_t movingEventId) const;
    // The database's terrain under (x, y), or null when the database has none.
    const TVezGroundItem* GroundAt(std::int32_t x, std::int32_t y) const;
    // Vehicle `kind` (1 boat, 2 ship, 3 airship) of the game, null for another kind.
    TLcfgShip* Vehicle(std::int32_t kind) const;
    // The game state the map belongs to.
    TLcfgGameState& GameState() const { return Game; }
    // The character list again, after a vehicle came onto or left the hero's map.
    void RefreshCharacters() { RebuildList(); }
    // Passage bits of upper chip set entry `index` (tile events test their own tile).
    std::int32_t UpperFlags(std::int32_t index) const;
    // Events, hero, vehicles on the hero's map, in update order.
    const std::vector<TLcfgCharacter*>& Characters() { return List; }
    TLcfgCharacter& HeroCharacter() { return *Hero; }
    TRandom& Random() { return *Rng; }
    std::int32_t ViewScrollX() const { return ScrollX; }
    std::int32_t ViewScrollY() const { return ScrollY; }
    // False while characters without a forced route stop counting their move timers:
    // the main interpreter runs and events may not move during messages.
    bool EventsMayMove() const;
    // Route commands that reach beyond the character: a switch of the game state (the
    // map events' pages are chosen again), a sound played through the system state, a
    // character set taken into the unit's cache.
    void SetSwitch(std::int32_t id, bool on);
    void PlaySound(const TVezMoveRouteItem& command);
    void GraphicChanged(const std::string& file);
    // Nesting of character updates started by collision tests.
    int UpdateDepth = 0;

    // TLcfgParty::IScroller
    bool ScrollBy(int direction, std::int32_t amount) override;
    void SetScroll(std::int32_t x, std::int32_t y) override;

    // Saved.
    std::int32_t ScrollX, ScrollY;
    std::int32_t EncounterStepsOverride;
    std::int32_t ChipSetOverride;
    std::array<std::uint8_t, 144> LowerSubstitution;
    std::array<std::uint8_t, 144> UpperSubstitution;
    std::string PanoramaOverrideName;
    bool PanoramaHScroll, PanoramaVScroll, PanoramaHAuto;
    std::int32_t PanoramaHSpeed;
    bool PanoramaVAuto;
    std::int32_t PanoramaVSpeed;
    TLcfgEvent Events;

    // Not saved.
    TLcfgPanorama Panorama;
    // The unit the map is attached to (null before Attach).
    TVezMap* Unit = nullptr;

private:
    void RebuildList();

    TLcfgGameState& Game;
    void Passed(int direction, std::int32_t amount);

    const TVezChipSet* ChipSets = nullptr;
    const TVezChipSetItem* Chips = nullptr;
    TRandom* Rng = nullptr;
    TLcfgParty* Hero = nullptr;
    std::vector<TLcfgCharacter*> EventList;
    bool OwnEventsListed = false;
    std::vector<TLcfgCharacter*> List;
};

} // namespace kestra

#include "state/LGD_Map.h"

#include <algorithm>

#include "base/Errors.h"
#include "data/DataBase.h"
#include "graphics/GR_CharSet.h"
#include "graphics/GR_ChipSetTiles.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

constexpr std::int32_t KViewWidth = 20 * 256; // the view in 1/256 tile
constexpr std::int32_t KViewHeight = 15 * 256;
constexpr std::int32_t KCameraX = 2304;
constexpr std::int32_t KCameraY = 1792;
constexpr std::uint8_t KCounterFlag = 0x40;
constexpr std::uint8_t KWallEdgeFlag = 0x20;

std::int32_t PositiveMod(std::int64_t v, std::int64_t m) {
    return m > 0 ? static_cast<std::int32_t>(((v % m) + m) % m) : 0;
}

std::array<std::uint8_t, 144> Identity() {
    std::array<std::uint8_t, 144> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<std::uint8_t>(i);
    return t;
}

// Clamps a view position on a map that does not loop. A map smaller than the view
// has no range: the view stays at 0, so the map sits at the top-left of the screen.
std::int32_t ClampView(std::int64_t v, std::int32_t tiles, std::int32_t view) {
    const std::int64_t upper = static_cast<std::int64_t>(tiles) * 256 - view;
    return static_cast<std::int32_t>(std::max<std::int64_t>(std::min(v, upper), 0));
}

} // namespace

TLcfgMapSettings InheritedMapSettings(const TVezMapTree& tree, std::int32_t mapId) {
    TLcfgMapSettings s;
    const TVezMusic* music = nullptr;
    s.MusicKind = tree.MusicKind(mapId, &music);
    if (music != nullptr) s.Music = *music;
    s.CanTeleport = tree.CanTeleport(mapId);
    s.CanEscape = tree.CanEscape(mapId);
    s.CanSave = tree.CanSave(mapId);
    s.Backdrop = tree.Backdrop(mapId);
    return s;
}

double EncounterFactor(std::int32_t counter, std::int32_t steps) {
    const double e = steps;
    const std::int64_t c = counter;
    if (c < 20LL * steps) return 1.0 / e / 2.0;
    if (c < 50LL * steps) return 1.0 / e / 1.5;
    if (c < 100LL * steps) return 1.0 / e / 1.2;
    if (c < 200LL * steps) return 1.2 / e;
    return 1.5 / e;
}

bool EncounterStep(TLcfgParty& hero, std::int32_t weight, std::int32_t steps, TRandom& random) {
    if (steps <= 0) return false;
    const std::int64_t grown = static_cast<std::int64_t>(hero.EncounterCounter) + weight;
    hero.EncounterCounter =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(grown, 0, 0x7FFFFFFF));
    const double q = EncounterFactor(hero.EncounterCounter, steps);
    const double chance = weight * q / 100.0 * 1000.0;
    if (chance > random.Next(1000)) {
        hero.EncounterCounter = 0;
        hero.EncounterPending = true;
        return true;
    }
    return false;
}

bool IsWallEdgeShape(std::int32_t shape) {
    switch (shape) {
    case 20:
    case 21:
    case 22:
    case 23:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 42:
    case 43:
    case 45:
    case 46:
        return true;
    default:
        return false;
    }
}

void TLcfgMap::DescribeChunks(TChunkVisitor& v) {
    static const std::array<std::uint8_t, 144> KIdentity = Identity();
    v.Int(1, ScrollX);
    v.Int(2, ScrollY);
    v.Int(3, EncounterStepsOverride, -1);
    v.Int(5, ChipSetOverride);
    v.List(11, Events);
    v.Fixed(21, LowerSubstitution, KIdentity, true);
    v.Fixed(22, UpperSubstitution, KIdentity, true);
    v.String(32, PanoramaOverrideName, true);
    v.Bool(33, PanoramaHScroll);
    v.Bool(34, PanoramaVScroll);
    v.Bool(35, PanoramaHAuto);
    v.Int(36, PanoramaHSpeed);
    v.Bool(37, PanoramaVAuto);
    v.Int(38, PanoramaVSpeed);
}

void TLcfgMap::Clear() {
    TCatalogBaseItem::Clear();
    // The list held the events just freed.
    if (OwnEventsListed) {
        EventList.clear();
        OwnEventsListed = false;
        RebuildList();
    }
}

void TLcfgMap::LoadFromStream(TByteReader& reader) {
    TCatalogBaseItem::LoadFromStream(reader);
    if (OwnEventsListed) {
        EventList.clear();
        OwnEventsListed = false;
        RebuildList();
    }
}

void TLcfgMap::Attach(TVezMap& unit, const TVezChipSet& chipSets, TRandom& random) {
    Unit = &unit;
    ChipSets = &chipSets;
    Rng = &random;
    Chips = chipSets.Find(ChipSetId());
}

bool TLcfgMap::EventsMayMove() const {
    return !Game.Interpreter.IsRunning() || Game.System.EventsMoveDuringMessages;
}

void TLcfgMap::SetSwitch(std::int32_t id, bool on) {
    Game.System.SetSwitch(id, on);
    Events.RefreshPages();
}

void TLcfgMap::PlaySound(const TVezMoveRouteItem& command) {
    TVezSound sound;
    sound.Name = command.Name;
    sound.Volume = command.Volume;
    sound.Tempo = command.Tempo;
    sound.Balance = command.Balance;
    Game.System.PlaySound(sound);
}

void TLcfgMap::GraphicChanged(const std::string& file) {
    if (Unit != nullptr && !file.empty()) Unit->CharSetGraphic().Use(file);
}

void TLcfgMap::SetHero(TLcfgParty& hero) {
    Hero = &hero;
    hero.World = this;
    hero.Scroller = this;
    RebuildList();
}

void TLcfgMap::SetEvents(std::vector<TLcfgCharacter*> events) {
    EventList = std::move(events);
    OwnEventsListed = false;
    for (TLcfgCharacter* e : EventList) e->World = this;
    RebuildList();
}

void TLcfgMap::UseOwnEvents() {
    SetEvents(Events.Characters());
    OwnEventsListed = true;
}

void TLcfgMap::RebuildList() {
    List = EventList;
    if (Hero == nullptr) return;
    List.push_back(Hero);
    for (std::int32_t kind : {KVehicleBoat, KVehicleShip, KVehicleAirship}) {
        TLcfgShip* vehicle = Vehicle(kind);
        vehicle->World = this;
        if (vehicle->MapId == Hero->MapId) List.push_back(vehicle);
    }
}

TLcfgShip* TLcfgMap::Vehicle(std::int32_t kind) const {
    switch (kind) {
    case KVehicleBoat:
        return &Game.Boat;
    case KVehicleShip:
        return &Game.Ship;
    case KVehicleAirship:
        return &Game.Airship;
    default:
        return nullptr;
    }
}

const TVezGroundItem* TLcfgMap::GroundAt(std::int32_t x, std::int32_t y) const {
    return Game.DataBase().Terrain.Find(TerrainAt(x, y));
}

void TLcfgMap::Enter(bool clear, const TKandelBitmap* panorama) {
    if (Unit == nullptr || Hero == nullptr) throw EKestraError("map state: no map unit to enter");
    if (Hero->MapId == 0) throw EKestraError("map state: the party stands on no map (map ID 0)");
    if (clear) Clear();
    Chips = ChipSets != nullptr ? ChipSets->Find(ChipSetId()) : nullptr;
    Hero->ResetAnimation();
    Hero->CameraX = Hero->CameraTargetX = KCameraX;
    Hero->CameraY = Hero->CameraTargetY = KCameraY;
    SetScrollX(Hero->X * 256 - KCameraX);
    SetScrollY(Hero->Y * 256 - KCameraY);
    Panorama.Settings = PanoramaSettings();
    if (!HasPanorama())
        Panorama.Unload();
    else if (panorama != nullptr && panorama->Width > 0)
        Panorama.Load(*panorama);
    else
        Panorama.LoadBlank();
    Panorama.Sync(ScrollX, ScrollY, MapWidth(), MapHeight(), LoopsX(), LoopsY());
}

void TLcfgMap::Resume(const TKandelBitmap* panorama) {
    if (Unit == nullptr || Hero == nullptr) throw EKestraError("map state: no map unit to enter");
    if (Hero->MapId == 0) throw EKestraError("map state: the party stands on no map (map ID 0)");
    Chips = ChipSets != nullptr ? ChipSets->Find(ChipSetId()) : nullptr;
    SetScrollX(ScrollX);
    SetScrollY(ScrollY);
    const std::int32_t x = Panorama.X, y = Panorama.Y;
    Panorama.Settings = PanoramaSettings();
    if (!HasPanorama())
        Panorama.Unload();
    else if (panorama != nullptr && panorama->Width > 0)
        Panorama.Load(*panorama);
    else
        Panorama.LoadBlank();
    Panorama.X = x;
    Panorama.Y = y;
    Panorama.Sync(ScrollX, ScrollY, MapWidth(), MapHeight(), LoopsX(), LoopsY());
}

void TLcfgMap::Recentre() {
    SetScrollX(Hero->X * 256 - Hero->CameraX);
    SetScrollY(Hero->Y * 256 - Hero->CameraY);
    Panorama.Sync(ScrollX, ScrollY, MapWidth(), MapHeight(), LoopsX(), LoopsY());
}

std::int32_t TLcfgMap::MapWidth() const {
    return Unit != nullptr ? Unit->Lower.Width() : 20;
}
std::int32_t TLcfgMap::MapHeight() const {
    return Unit != nullptr ? Unit->Lower.Height() : 15;
}
bool TLcfgMap::LoopsX() const {
    return Unit != nullptr && (Unit->Wrapping & 2) != 0;
}
bool TLcfgMap::LoopsY() const {
    return Unit != nullptr && (Unit->Wrapping & 1) != 0;
}

bool TLcfgMap::IsInside(std::int32_t x, std::int32_t y) const {
    return (LoopsX() || (x >= 0 && x < MapWidth())) && (LoopsY() || (y >= 0 && y < MapHeight()));
}

std::int32_t TLcfgMap::WrapX(std::int32_t x) const {
    return LoopsX() ? PositiveMod(x, MapWidth()) : x;
}
std::int32_t TLcfgMap::WrapY(std::int32_t y) const {
    return LoopsY() ? PositiveMod(y, MapHeight()) : y;
}

std::int32_t TLcfgMap::LowerTileAt(std::int32_t x, std::int32_t y) const {
    if (Unit == nullptr) return -1;
    const int t = Unit->Lower.TileAt(WrapX(x), WrapY(y));
    if (t >= 5000 && t < 5144) return 5000 + LowerSubstitution[static_cast<std::size_t>(t - 5000)];
    return t;
}

std::int32_t TLcfgMap::UpperTileAt(std::int32_t x, std::int32_t y) const {
    if (Unit == nullptr) return -1;
    const int t = Unit->Upper.TileAt(WrapX(x), WrapY(y));
    if (t >= 10000 && t < 10144)
        return 10000 + UpperSubstitution[static_cast<std::size_t>(t - 10000)];
    return t;
}

std::int32_t TLcfgMap::LowerFlagsOf(std::int32_t tileId) const {
    return Chips != nullptr ? Chips->LowerFlags(LowerEntryOf(tileId)) : 0;
}

std::int32_t TLcfgMap::UpperFlagsOf(std::int32_t tileId) const {
    return Chips != nullptr ? Chips->UpperFlags(UpperEntryOf(tileId)) : 0;
}

std::int32_t TLcfgMap::UpperFlags(std::int32_t index) const {
    return Chips != nullptr ? Chips->UpperFlags(index) : 0;
}

std::int32_t TLcfgMap::TerrainAt(std::int32_t x, std::int32_t y) const {
    return Chips != nullptr ? Chips->TerrainOf(LowerEntryOf(LowerTileAt(x, y))) : 0;
}

bool TLcfgMap::IsCounter(std::int32_t x, std::int32_t y) const {
    return (UpperFlagsOf(UpperTileAt(x, y)) & KCounterFlag) != 0;
}

std::int32_t TLcfgMap::EventIdAt(std::int32_t x, std::int32_t y) const {
    std::int32_t id = 0;
    for (const TLcfgCharacter* e : EventList)
        if (e->InPlay() && e->X == x && e->Y == y) id = e->Id;
    return id;
}

std::int32_t TLcfgMap::EffectiveUpperTile(std::int32_t x, std::int32_t y,
                                          std::int32_t movingEventId) const {
    std::int32_t upper = UpperTileAt(x, y);
    const TLcfgCharacter* tileEvent = nullptr;
    for (const TLcfgCharacter* e : EventList)
        if (e->InPlay() && e->X == x && e->Y == y && !e->Through && e->Layer == 0 &&
            e->SpriteName.empty() && e->Id != movingEventId)
            tileEvent = e;
    if (tileEvent != nullptr) {
        const std::int32_t id = 10000 + std::clamp(tileEvent->SpriteIndex, 0, 143);
        if ((UpperFlagsOf(id) & KPassAbove) == 0) upper = id;
    }
    return upper;
}

bool TLcfgMap::CanEnter(std::int32_t x, std::int32_t y, std::int32_t movingEventId,
                        int side) const {
    const std::int32_t lower = LowerTileAt(x, y);
    const std::int32_t upper = EffectiveUpperTile(x, y, movingEventId);
    const std::int32_t lf = LowerFlagsOf(lower);
    const std::int32_t uf = UpperFlagsOf(upper);
    const bool wallEdge = (lf & KWallEdgeFlag) != 0 && lower >= 0 && IsWallEdgeShape(lower % 50);
    if (side == KEdgeOccupy) {
        if ((uf & KPassDirections) == 0) return false;
        if ((uf & KPassAbove) == 0) return true;
        return (lf & KPassDirections) != 0 || wallEdge;
    }
    if (side < 0 || side > 3) return false;
    const int bit = 1 << side;
    if ((uf & bit) == 0) return false;
    if ((uf & KPassAbove) == 0) return true;
    return (lf & bit) != 0 || wallEdge;
}

void TLcfgMap::SetScrollX(std::int32_t v) {
    if (LoopsX())
        ScrollX = PositiveMod(v, static_cast<std::int64_t>(MapWidth()) * 256);
    else
        ScrollX = ClampView(v, MapWidth(), KViewWidth);
}

void TLcfgMap::SetScrollY(std::int32_t v) {
    if (LoopsY())
        ScrollY = PositiveMod(v, static_cast<std::int64_t>(MapHeight()) * 256);
    else
        ScrollY = ClampView(v, MapHeight(), KViewHeight);
}

void TLcfgMap::Passed(int direction, std::int32_t amount) {
    Panorama.Scrolled(direction, amount);
    Game.Pictures.ScrollAll(direction, amount);
    Game.Screen.ScrollWeather(direction, amount);
}

bool TLcfgMap::ScrollLeft(std::int32_t a) {
    const std::int32_t old = ScrollX;
    SetScrollX(ScrollX - a);
    if (ScrollX == old) return false;
    Passed(KDirLeft, a);
    return true;
}

bool TLcfgMap::ScrollRight(std::int32_t a) {
    const std::int32_t old = ScrollX;
    SetScrollX(ScrollX + a);
    if (ScrollX == old) return false;
    Passed(KDirRight, a);
    return true;
}

bool TLcfgMap::ScrollUp(std::int32_t a) {
    const std::int32_t old = ScrollY;
    SetScrollY(ScrollY - a);
    if (ScrollY == old) return false;
    Passed(KDirUp, a);
    return true;
}

bool TLcfgMap::ScrollDown(std::int32_t a) {
    const std::int32_t old = ScrollY;
    SetScrollY(ScrollY + a);
    if (ScrollY == old) return false;
    Passed(KDirDown, a);
    return true;
}

bool TLcfgMap::ScrollBy(int direction, std::int32_t amount) {
    switch (direction) {
    case KDirUp:
        return ScrollUp(amount);
    case KDirRight:
        return ScrollRight(amount);
    case KDirDown:
        return ScrollDown(amount);
    case KDirLeft:
        return ScrollLeft(amount);
    default:
        return false;
    }
}

void TLcfgMap::SetScroll(std::int32_t x, std::int32_t y) {
    SetScrollX(x);
    SetScrollY(y);
    Panorama.Sync(ScrollX, ScrollY, MapWidth(), MapHeight(), LoopsX(), LoopsY());
}

void TLcfgMap::RefreshPanorama(const TKandelBitmap* picture, bool reload) {
    Panorama.Settings = PanoramaSettings();
    if (reload) {
        if (!HasPanorama())
            Panorama.Unload();
        else if (picture != nullptr && picture->Width > 0)
            Panorama.Load(*picture);
        else
            Panorama.LoadBlank();
    }
    Panorama.Sync(ScrollX, ScrollY, MapWidth(), MapHeight(), LoopsX(), LoopsY());
}

void TLcfgMap::SetChipSet(std::int32_t id) {
    ChipSetOverride = Unit != nullptr && id == Unit->ChipSet ? 0 : id;
    Chips = ChipSets != nullptr ? ChipSets->Find(ChipSetId()) : nullptr;
}

void TLcfgMap::ReplaceTiles(int layer, std::int32_t oldTile, std::int32_t newTile) {
    if (oldTile < 0 || oldTile > 143) return;
    const auto n = static_cast<std::uint8_t>(std::clamp(newTile, 0, 143));
    auto& table = layer == 0 ? LowerSubstitution : UpperSubstitution;
    for (auto& entry : table)
        if (entry == oldTile) entry = n;
}

std::int32_t TLcfgMap::EncounterSteps(const TVezMapTree& tree) const {
    if (EncounterStepsOverride != -1) return EncounterStepsOverride;
    const TVezMapTreeItem* entry = Hero != nullptr ? tree.Find(Hero->MapId) : nullptr;
    return entry != nullptr ? entry->EncounterSteps : 0;
}

std::int32_t TLcfgMap::ChipSetId() const {
    if (ChipSetOverride != 0) return ChipSetOverride;
    return Unit != nullptr ? Unit->ChipSet : 0;
}

bool TLcfgMap::HasPanorama() const {
    return !PanoramaOverrideName.empty() || (Unit != nullptr && Unit->PanoramaOn);
}

std::string TLcfgMap::PanoramaName() const {
    if (!PanoramaOverrideName.empty()) return PanoramaOverrideName;
    return Unit != nullptr ? Unit->Panorama : std::string();
}

TLcfgPanoramaSettings TLcfgMap::PanoramaSettings() const {
    TLcfgPanoramaSettings s;
    if (!PanoramaOverrideName.empty()) {
        s = {PanoramaHScroll, PanoramaVScroll, PanoramaHAuto,
             PanoramaHSpeed,  PanoramaVAuto,   PanoramaVSpeed};
    } else if (Unit != nullptr) {
        s = {Unit->PanoramaHorizontalScroll, Unit->PanoramaVerticalScroll,
             Unit->HorizontalAutoScroll,     Unit->HorizontalSpeed,
             Unit->VerticalAutoScroll,       Unit->VerticalSpeed};
    }
    return s;
}

} // namespace kestra

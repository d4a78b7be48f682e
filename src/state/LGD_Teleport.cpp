#include "state/LGD_Teleport.h"

#include <utility>
#include <vector>

#include "data/LD_MapTree.h"

namespace kestra {

void TLcfgTeleport::NewGame() {
    Clear();
    Obtain(0);
}

void TLcfgTeleport::LoadFromStream(TByteReader& reader) {
    TCatalogOf::LoadFromStream(reader);
    Obtain(0);
}

const TLcfgTeleportItem& TLcfgTeleport::Escape() const {
    static const TLcfgTeleportItem KNone;
    const auto* item = Find(0);
    return item != nullptr ? *item : KNone;
}

TLcfgTeleportItem* TLcfgTeleport::FindByMap(std::int32_t mapId) const {
    for (std::size_t i = 0; i < Count(); ++i) {
        auto* item = ItemAt(i);
        if (item->Id != 0 && item->MapId == mapId) return item;
    }
    return nullptr;
}

void TLcfgTeleport::AddDestination(std::int32_t mapId, std::int32_t x, std::int32_t y,
                                   bool setSwitch, std::int32_t switchId) {
    if (mapId <= 0) return;
    TLcfgTeleportItem* item = FindByMap(mapId);
    if (item == nullptr) {
        // The map's own ID is the destination's ID unless a file put another map there.
        item = Find(mapId) == nullptr ? &Obtain(mapId) : &Append();
    }
    item->MapId = mapId;
    item->X = x;
    item->Y = y;
    item->SetSwitch = setSwitch;
    item->SwitchId = switchId;
}

void TLcfgTeleport::RemoveDestination(std::int32_t mapId) {
    const TLcfgTeleportItem* victim = FindByMap(mapId);
    if (victim == nullptr) return;
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> kept;
    for (std::size_t i = 0; i < Count(); ++i) {
        const auto& item = At(i);
        if (&item != victim) kept.emplace_back(item.Id, item.Encode());
    }
    Clear();
    for (const auto& [id, bytes] : kept) Obtain(id).Decode(bytes, Name());
}

TLcfgPlace TLcfgTeleport::Target(const TLcfgTeleportItem& item, const TVezMapTree& tree) {
    const auto* entry = tree.Find(item.MapId);
    if (entry != nullptr && entry->IsArea()) return {entry->Parent, item.X, item.Y};
    return {item.MapId, item.X, item.Y};
}

} // namespace kestra

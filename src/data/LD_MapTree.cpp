#include "data/LD_MapTree.h"

#include "base/Warning.h"

namespace kestra {

void TVezMapTreeItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.Int(2, Parent);
    v.Int(3, Editor3);
    v.Fixed(4, Kind);
    v.Int(5, Editor5);
    v.Int(6, Editor6);
    v.Bool(7, Editor7, false);
    v.Fixed(11, MusicKind);
    v.Record(12, Music);
    v.Fixed(21, BackdropKind);
    v.String(22, Backdrop, true);
    v.Fixed(31, Teleport);
    v.Fixed(32, Escape);
    v.Fixed(33, Save);
    v.List(41, Encounters);
    v.Int(44, EncounterSteps, 25);
    v.Fixed(51, Area);
}

void TVezMapStartPosition::DescribeChunks(TChunkVisitor& v) {
    for (std::int32_t i = 0; i < 4; ++i) {
        v.Int(10 * i + 1, Places[i].MapId);
        v.Int(10 * i + 2, Places[i].X);
        v.Int(10 * i + 3, Places[i].Y);
    }
}

void TVezMapTree::LoadFromFile(const std::string& path) {
    auto bytes = ReadDataFile(path, KMaxMapTreeBytes, "map tree");
    LoadFromBytes(bytes, path);
}

void TVezMapTree::LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name) {
    Clear();
    DisplayOrder.clear();
    SelectedId = 0;
    Start.Clear();
    FileName = name;
    TByteReader r(bytes, name);
    ReadFileHeader(r, KMapTreeMagic);
    LoadFromStream(r);
    try {
        std::size_t at = r.Position();
        std::int32_t count = ReadVarInt(r);
        if (count < 0 || static_cast<std::size_t>(count) > r.Remaining())
            r.FailAt(at, "display order count " + std::to_string(count) + " exceeds the " +
                             std::to_string(r.Remaining()) + " bytes left");
        for (std::int32_t i = 0; i < count; ++i) {
            std::size_t idAt = r.Position();
            std::int32_t id = ReadVarInt(r);
            if (Find(id) == nullptr)
                r.FailAt(idAt, "display order names the absent map " + std::to_string(id));
            DisplayOrder.push_back(id);
        }
        SelectedId = ReadVarInt(r);
        // The start positions close the file; a file cut before or inside them is
        // truncated like any other.
        if (r.AtEnd()) r.FailAt(r.Position(), "the file ends before the start positions");
        const std::size_t startAt = r.Position();
        TByteReader scan = r.Sub(r.Remaining());
        for (;;) {
            if (scan.AtEnd()) r.FailAt(startAt, "the start positions are cut short");
            if (ReadVarInt(scan) == 0) break;
            std::int32_t len = ReadVarInt(scan);
            if (len < 0 || static_cast<std::size_t>(len) > scan.Remaining())
                r.FailAt(startAt, "the start positions are cut short");
            scan.Skip(static_cast<std::size_t>(len));
        }
        r.Seek(startAt);
        TByteReader rest = r.Sub(r.Remaining());
        Start.LoadFromStream(rest);
        if (r.IgnoredCount() > 0) Warn(r.IgnoredSummary());
        if (!rest.AtEnd())
            Warn(name + ": offset " + std::to_string(rest.FileOffset()) + ": " +
                 std::to_string(rest.Remaining()) +
                 " bytes after the start positions, where the file should end, were ignored");
    } catch (...) {
        Clear();
        DisplayOrder.clear();
        throw;
    }
}

std::vector<std::uint8_t> TVezMapTree::SaveToBytes() const {
    TByteWriter w;
    WriteLString(w, KMapTreeMagic);
    SaveToStream(w);
    WriteVarInt(w, static_cast<std::int32_t>(DisplayOrder.size()));
    for (std::int32_t id : DisplayOrder) WriteVarInt(w, id);
    WriteVarInt(w, SelectedId);
    Start.SaveToStream(w);
    return std::move(w.Bytes);
}

const TVezMapTreeItem* TVezMapTree::FindSetting(std::int32_t mapId,
                                                std::uint8_t TVezMapTreeItem::*field) const {
    const TVezMapTreeItem* entry = Find(mapId);
    for (std::size_t steps = 0; entry != nullptr && steps <= Count(); ++steps) {
        if (entry->*field != 0) return entry;
        if (entry->Parent <= 0) return nullptr;
        entry = Find(entry->Parent);
    }
    return nullptr;
}

std::uint8_t TVezMapTree::MusicKind(std::int32_t mapId, const TVezMusic** music) const {
    const TVezMapTreeItem* e = FindSetting(mapId, &TVezMapTreeItem::MusicKind);
    if (music != nullptr) *music = e != nullptr ? &e->Music : nullptr;
    return e != nullptr ? e->MusicKind : 0;
}

std::string TVezMapTree::Backdrop(std::int32_t mapId) const {
    const TVezMapTreeItem* e = FindSetting(mapId, &TVezMapTreeItem::BackdropKind);
    return e != nullptr && e->BackdropKind == 2 ? e->Backdrop : std::string();
}

bool TVezMapTree::Permission(std::int32_t mapId, std::uint8_t TVezMapTreeItem::*field) const {
    const TVezMapTreeItem* e = FindSetting(mapId, field);
    return e != nullptr && e->*field == 1;
}

std::vector<std::int32_t> TVezMapTree::EncounterTroops(std::int32_t mapId, std::int32_t x,
                                                       std::int32_t y) const {
    std::vector<std::int32_t> troops;
    auto add = [&](const TVezMapTreeItem& e) {
        for (std::size_t i = 0; i < e.Encounters.Count(); ++i)
            troops.push_back(e.Encounters.ItemAt(i)->Troop);
    };
    if (const TVezMapTreeItem* map = Find(mapId)) add(*map);
    for (std::size_t i = 0; i < Count(); ++i) {
        const TVezMapTreeItem& e = *ItemAt(i);
        if (e.IsArea() && e.Parent == mapId && e.Id != mapId && e.AreaContains(x, y)) add(e);
    }
    return troops;
}

} // namespace kestra

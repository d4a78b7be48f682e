#include "data/LD_Map.h"

#include "base/Errors.h"
#include "base/Warning.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace kestra {

namespace {

bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width * height <= KMaxMapCells;
}

// Floor modulo with a positive modulus: one step whatever the distance.
int Wrap(int value, int size) {
    int r = value % size;
    return r < 0 ? r + size : r;
}

} // namespace

int TVezMapLayer::TileAt(int x, int y) const {
    if (Width_ <= 0 || Height_ <= 0) return -1;
    if (HorizontalWrap) x = Wrap(x, Width_);
    if (VerticalWrap) y = Wrap(y, Height_);
    if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return -1;
    return Cells[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Width_];
}

void TVezMapLayer::SetTile(int x, int y, std::uint16_t tile) {
    if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return;
    Cells[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Width_] = tile;
}

void TVezMapLayer::Resize(int width, int height) {
    if (!SizeAllowed(width, height))
        throw EKestraError("map layer size " + std::to_string(width) + " x " +
                           std::to_string(height) + " is out of range");
    if (width == Width_ && height == Height_) return;
    std::vector<std::uint16_t> cells(static_cast<std::size_t>(width) * height, FillValue);
    int keepW = std::min(width, Width_), keepH = std::min(height, Height_);
    for (int y = 0; y < keepH; ++y)
        std::copy_n(Cells.begin() + static_cast<std::ptrdiff_t>(y) * Width_, keepW,
                    cells.begin() + static_cast<std::ptrdiff_t>(y) * width);
    Cells = std::move(cells);
    Width_ = width;
    Height_ = height;
}

void TVezMapLayer::FillAll() {
    std::fill(Cells.begin(), Cells.end(), FillValue);
}

void TVezMapLayer::Reset() {
    Resize(20, 15);
    FillAll();
}

void TVezMap::DescribeLayer(TChunkVisitor& visitor, std::int32_t id, TVezMapLayer& layer) {
    if (visitor.ForReading()) {
        // The size chunks come first in ID order, so the layer takes the file's size.
        // A size out of range leaves the layer alone; the loader then rejects the map.
        if (!SizeAllowed(Width, Height)) return;
        layer.Resize(Width, Height);
    }
    // A chunk of any other length than width x height x 2 is ignored.
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Fixed;
    c.Target = layer.Tiles().data();
    c.ElemSize = 2;
    c.ElemCount = layer.Tiles().size();
    visitor.Visit(c);
}

void TVezMap::DescribeChunks(TChunkVisitor& v) {
    v.Int(0x01, ChipSet, 1);
    v.Int(0x02, Width, 20);
    v.Int(0x03, Height, 15);
    v.Fixed(0x0B, Wrapping);
    v.Bool(0x1F, PanoramaOn);
    v.String(0x20, Panorama, true);
    v.Bool(0x21, PanoramaHorizontalScroll);
    v.Bool(0x22, PanoramaVerticalScroll);
    v.Bool(0x23, HorizontalAutoScroll);
    v.Int(0x24, HorizontalSpeed);
    v.Bool(0x25, VerticalAutoScroll);
    v.Int(0x26, VerticalSpeed);
    DescribeLayer(v, 0x47, Lower);
    DescribeLayer(v, 0x48, Upper);
    v.List(0x51, Events);
    v.Int(0x5B, SaveCount);
}

void TVezMap::Clear() {
    TCatalogBaseItem::Clear();
    Lower.Reset();
    Upper.Reset();
    Lower.HorizontalWrap = Lower.VerticalWrap = false;
    Upper.HorizontalWrap = Upper.VerticalWrap = false;
}

void TVezMap::LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name) {
    Clear();
    try {
        TByteReader reader(bytes, name);
        ReadFileHeader(reader, KMapUnitMagic);
        const std::size_t dataAt = reader.Position();
        if (reader.AtEnd())
            Warn(name + ": the map holds nothing after its header; it loads as an empty " +
                 "20 x 15 map");
        LoadFromStream(reader);
        if (!SizeAllowed(Width, Height))
            throw EStreamReadError(name + ": map size " + std::to_string(Width) + " x " +
                                   std::to_string(Height) + " is out of range");
        if (reader.IgnoredCount() > 0)
            Warn(reader.IgnoredSummary() + "; the map is " + std::to_string(Width) + " x " +
                 std::to_string(Height) + ", and a layer (chunk 71 or 72) of another size " +
                 "stays empty");
        if (!reader.AtEnd() && reader.Position() > dataAt)
            Warn(name + ": offset " + std::to_string(reader.FileOffset()) + ": " +
                 std::to_string(reader.Remaining()) +
                 " bytes after the end of the map, where the file should end, were ignored");
    } catch (const EKestraError&) {
        Clear();
        throw;
    }
    bool horizontal = Wrapping == 2 || Wrapping == 3;
    bool vertical = Wrapping == 1 || Wrapping == 3;
    Lower.HorizontalWrap = Upper.HorizontalWrap = horizontal;
    Lower.VerticalWrap = Upper.VerticalWrap = vertical;
}

void TVezMap::LoadFromFile(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadDataFile(path, KMaxMapUnitBytes, "map unit");
    LoadFromBytes(bytes, path);
}

std::vector<std::uint8_t> TVezMap::SaveToBytes() {
    ++SaveCount;
    TByteWriter writer;
    WriteLString(writer, KMapUnitMagic);
    SaveToStream(writer);
    return std::move(writer.Bytes);
}

void TVezMap::SaveToFile(const std::string& path) {
    std::vector<std::uint8_t> bytes = SaveToBytes();
    WriteWholeFile(path, bytes);
    Modified = false;
}

TVezChipSetGraphic& TVezMap::ChipSetGraphic() {
    if (!ChipSetGraphic_) ChipSetGraphic_ = std::make_unique<TVezChipSetGraphic>();
    return *ChipSetGraphic_;
}

TVezCharSetGraphic& TVezMap::CharSetGraphic() {
    if (!CharSetGraphic_) CharSetGraphic_ = std::make_unique<TVezCharSetGraphic>();
    return *CharSetGraphic_;
}

void TVezMap::AttachGraphics(const TVezChipSet& chipSets) {
    const TVezChipSetItem& record = chipSets.Get(ChipSet);
    ChipSetGraphic().SetChipSet(record);
    TVezCharSetGraphic& characters = CharSetGraphic();
    characters.ClearUsed();
    for (std::size_t e = 0; e < Events.Count(); ++e) {
        const TVezEventItem& event = *Events.ItemAt(e);
        for (std::size_t p = 0; p < event.Pages.Count(); ++p) {
            const std::string& graphic = event.Pages.ItemAt(p)->Graphic;
            if (!graphic.empty()) characters.Use(graphic);
        }
    }
    characters.Purge();
}

std::string MapFileName(std::int32_t mapId) {
    char name[32];
    std::snprintf(name, sizeof name, "Map%.4d.lmu", static_cast<int>(mapId));
    return name;
}

void LoadMapFromGameDir(TVezMap& map, TAssetLookup& assets, std::int32_t mapId) {
    std::string name = MapFileName(mapId);
    std::optional<std::filesystem::path> path = assets.FindGameFile(name);
    if (!path) throw EFileError(name + ": map file not found in the game directory");
    map.LoadFromFile(path->string());
    map.SetId(mapId);
}

} // namespace kestra

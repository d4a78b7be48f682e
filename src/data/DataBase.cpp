#include "data/DataBase.h"

#include <filesystem>

#include "base/Warning.h"

namespace kestra {

namespace {

std::size_t HighestId(const TCatalog& table) {
    if (table.Count() == 0) return 0;
    std::int32_t id = table.ItemAt(table.Count() - 1)->Id;
    return id > 0 ? static_cast<std::size_t>(id) : 0;
}

template <class Table>
void LimitSets(const Table& table, std::size_t states, std::size_t attributes) {
    for (std::size_t i = 0; i < table.Count(); ++i) table.ItemAt(i)->LimitSets(states, attributes);
}

// Gives every described list its item 1.
class TFirstItemVisitor final : public TChunkVisitor {
public:
    void Visit(TChunkDesc& c) override {
        if (c.Kind == EChunkKind::List) c.List->ObtainItem(1);
    }
};

} // namespace

void TVezDataBase::Clear() {
    TCatalogBaseItem::Clear();
    TFirstItemVisitor v;
    DescribeChunks(v);
}

void TVezDataBase::SaveToStream(TByteWriter& writer, bool terminator) const {
    const std::size_t states = HighestId(States), attributes = HighestId(Attributes);
    LimitSets(Actors, states, attributes);
    LimitSets(Skills, states, attributes);
    LimitSets(Items, states, attributes);
    LimitSets(Monsters, states, attributes);
    TCatalogBaseItem::SaveToStream(writer, terminator);
}

void TVezDataBase::LoadFromFile(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadDataFile(path, KMaxDataBaseBytes, "database");
    std::error_code ec;
    auto time = std::filesystem::last_write_time(path, ec);
    LoadFromBytes(bytes, path);
    FileSize = static_cast<std::int64_t>(bytes.size());
    FileTime = ec ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
}

void TVezDataBase::LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name) {
    Clear();
    FileSize = 0;
    FileTime = 0;
    FileName = name;
    TByteReader r(bytes, name);
    ReadFileHeader(r, KDataBaseMagic);
    LoadUnterminated(r);
    if (r.IgnoredCount() > 0) Warn(r.IgnoredSummary());
}

std::vector<std::uint8_t> TVezDataBase::SaveToBytes() const {
    TByteWriter w;
    WriteLString(w, KDataBaseMagic);
    SaveToStream(w, false);
    return std::move(w.Bytes);
}

void TVezDataBase::SaveToFile(const std::string& path) const {
    WriteWholeFile(path, SaveToBytes());
}

} // namespace kestra

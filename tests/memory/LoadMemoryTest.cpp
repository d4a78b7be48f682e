// The memory a load may cost: adversarial database, map tree, map and save files made
// here (list entries of two bytes, unknown chunks by the thousand, duplicate IDs) are
// loaded while every allocation of the process is counted, and the peak of live heap
// bytes above what was live before must stay within 64 x the file's size + 32 MiB,
// whether the loader accepts the file or refuses it.
//
// This binary replaces the global operator new and delete to count, so it runs apart
// from the other tests.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <vector>

#include "../state/GameFixture.h"
#include "base/Warning.h"
#include "data/Catalog.h"
#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"

namespace {

std::atomic<std::int64_t> liveBytes{0}, peakBytes{0};

// Every block carries its size in a header of 32 bytes (enough for any alignment the
// program asks for through the aligned forms below).
constexpr std::size_t KHeader = 32;

void* Allocate(std::size_t size, std::size_t align = alignof(std::max_align_t)) {
    const std::size_t header = align > KHeader ? align : KHeader;
    auto* raw = static_cast<unsigned char*>(std::malloc(size + header));
    if (raw == nullptr) return nullptr;
    unsigned char* user = raw + header;
    reinterpret_cast<std::size_t*>(user)[-1] = size;
    reinterpret_cast<std::size_t*>(user)[-2] = header;
    const std::int64_t now =
        liveBytes.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
    std::int64_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return user;
}

void Release(void* p) {
    if (p == nullptr) return;
    auto* user = static_cast<unsigned char*>(p);
    const std::size_t size = reinterpret_cast<std::size_t*>(user)[-1];
    const std::size_t header = reinterpret_cast<std::size_t*>(user)[-2];
    liveBytes.fetch_sub(static_cast<std::int64_t>(size));
    std::free(user - header);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
    if (void* p = Allocate(size, static_cast<std::size_t>(align))) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
    if (void* p = Allocate(size, static_cast<std::size_t>(align))) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t KPerByte = 64;
constexpr std::int64_t KConstant = std::int64_t{32} << 20;

void Var(Bytes& out, std::int32_t value) {
    TByteWriter w;
    WriteVarInt(w, value);
    out.insert(out.end(), w.Bytes.begin(), w.Bytes.end());
}

Bytes Magic(const char* magic) {
    TByteWriter w;
    WriteLString(w, magic);
    return w.Bytes;
}

void Chunk(Bytes& out, std::int32_t id, const Bytes& payload) {
    Var(out, id);
    Var(out, static_cast<std::int32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
}

// A list of `count` entries, each the ID `id` (or 1..count when 0) and an empty record.
Bytes EmptyEntries(std::int32_t count, std::int32_t id = 1) {
    Bytes list;
    Var(list, count);
    for (std::int32_t i = 1; i <= count; ++i) {
        Var(list, id != 0 ? id : i);
        list.push_back(0);
    }
    return list;
}

// `count` chunks of an ID no record describes, each with `payload` bytes; distinct IDs
// from 1000 on when `distinct`, else all one ID.
Bytes UnknownChunks(std::int32_t count, bool distinct, std::size_t payload) {
    Bytes out;
    for (std::int32_t i = 0; i < count; ++i)
        Chunk(out, distinct ? 1000 + i : 1000, Bytes(payload, 7));
    return out;
}

struct TResult {
    std::int64_t Peak = 0;
    bool Refused = false;
    std::string Error;
};

// The peak of live heap bytes above the start while `load` runs.
TResult Measure(const std::function<void()>& load) {
    TResult r;
    const std::int64_t before = liveBytes.load();
    peakBytes.store(before);
    try {
        load();
    } catch (const EKestraError& e) {
        r.Refused = true;
        r.Error = e.what();
    }
    r.Peak = peakBytes.load() - before;
    return r;
}

void ExpectBounded(const char* what, const Bytes& file, const std::function<void()>& load) {
    const TResult r = Measure(load);
    const std::int64_t bound = KPerByte * static_cast<std::int64_t>(file.size()) + KConstant;
    EXPECT_LE(r.Peak, bound) << what << ": " << file.size() << " bytes took " << r.Peak
                             << " bytes of memory" << (r.Refused ? " and were refused" : "");
    std::printf("%-44s %9zu bytes of file: peak %11lld bytes (%6.1f x + const), %s\n", what,
                file.size(), static_cast<long long>(r.Peak),
                static_cast<double>(r.Peak) / static_cast<double>(file.size()),
                r.Refused ? ("refused: " + r.Error.substr(0, 90)).c_str() : "loaded");
}

Bytes DataBaseWith(std::int32_t table, const Bytes& payload) {
    Bytes file = Magic(KDataBaseMagic);
    Chunk(file, table, payload);
    return file;
}

} // namespace

TEST(LoadMemory, DataBaseListsOfTwoByteEntriesStayWithinTheBound) {
    SetWarningsEnabled(false);
    // 200 KB of empty entries in every table, one table at a time: the issue's
    // case is the animations, whose default item has twenty frames.
    for (std::int32_t table = 11; table <= 25; ++table) {
        if (table == 21 || table == 22) continue; // records, not lists
        const Bytes file = DataBaseWith(table, EmptyEntries(100'000));
        TVezDataBase db;
        ExpectBounded(("database table " + std::to_string(table) + ", entries of ID 1").c_str(),
                      file, [&] { db.LoadFromBytes(file, "KESTRA.ldb"); });
    }
    // Distinct IDs, so nothing is dropped as a duplicate.
    const Bytes distinct = DataBaseWith(19, EmptyEntries(150'000, 0));
    TVezDataBase db;
    ExpectBounded("database animations 1..150000", distinct,
                  [&] { db.LoadFromBytes(distinct, "KESTRA.ldb"); });
    // A real-sized database takes what it needs.
    const Bytes small = DataBaseWith(19, EmptyEntries(200, 0));
    const TResult accepted = Measure([&] { db.LoadFromBytes(small, "KESTRA.ldb"); });
    EXPECT_FALSE(accepted.Refused) << accepted.Error;
}

TEST(LoadMemory, UnknownChunksAndNestedListsStayWithinTheBound) {
    SetWarningsEnabled(false);
    {
        Bytes file = Magic(KDataBaseMagic);
        const Bytes chunks = UnknownChunks(200'000, true, 1);
        file.insert(file.end(), chunks.begin(), chunks.end());
        TVezDataBase db;
        ExpectBounded("database of distinct unknown chunks", file,
                      [&] { db.LoadFromBytes(file, "KESTRA.ldb"); });
    }
    {
        // One actor whose record is 200000 unknown chunks of one ID.
        Bytes record = UnknownChunks(200'000, false, 0);
        record.push_back(0);
        Bytes list;
        Var(list, 1);
        Var(list, 1);
        list.insert(list.end(), record.begin(), record.end());
        const Bytes file = DataBaseWith(11, list);
        TVezDataBase db;
        ExpectBounded("database actor of repeated unknown chunks", file,
                      [&] { db.LoadFromBytes(file, "KESTRA.ldb"); });
    }
    {
        // Animations whose frames are lists of empty cells.
        Bytes cells = EmptyEntries(200'000);
        Bytes frame;
        Chunk(frame, 1, cells);
        frame.push_back(0);
        Bytes frames;
        Var(frames, 1);
        Var(frames, 1);
        frames.insert(frames.end(), frame.begin(), frame.end());
        Bytes animation;
        Chunk(animation, 12, frames);
        animation.push_back(0);
        Bytes list;
        Var(list, 1);
        Var(list, 1);
        list.insert(list.end(), animation.begin(), animation.end());
        const Bytes file = DataBaseWith(19, list);
        TVezDataBase db;
        ExpectBounded("database animation of 200000 cells", file,
                      [&] { db.LoadFromBytes(file, "KESTRA.ldb"); });
    }
}

TEST(LoadMemory, MapTreeAndMapFilesStayWithinTheBound) {
    SetWarningsEnabled(false);
    {
        Bytes file = Magic(KMapTreeMagic);
        const Bytes entries = EmptyEntries(100'000);
        file.insert(file.end(), entries.begin(), entries.end());
        Var(file, 0);
        Var(file, 0);
        file.push_back(0);
        TVezMapTree tree;
        ExpectBounded("map tree of empty entries", file,
                      [&] { tree.LoadFromBytes(file, "KESTRA.lmt"); });
    }
    {
        Bytes file = Magic(KMapUnitMagic);
        Chunk(file, 0x51, EmptyEntries(100'000));
        file.push_back(0);
        TVezMap map;
        ExpectBounded("map of empty events", file, [&] { map.LoadFromBytes(file, "Map0001.lmu"); });
    }
    {
        // The largest map a file may ask for, with no layer data at all.
        Bytes file = Magic(KMapUnitMagic);
        Chunk(file, 2, Bytes{0x88, 0x00});
        Chunk(file, 3, Bytes{0x84, 0x00});
        file.push_back(0);
        TVezMap map;
        ExpectBounded("map of 1024 x 512 cells without layers", file,
                      [&] { map.LoadFromBytes(file, "Map0001.lmu"); });
    }
}

TEST(LoadMemory, SaveFilesStayWithinTheBound) {
    SetWarningsEnabled(false);
    test::TGameFixture fixture;
    TLcfgSaveData save(
        fixture.Env(), "", [](const auto&, auto) {}, [] { return 1.0; });
    // Actors, teleports and common events of two-byte entries, and map events.
    for (std::int32_t chunk : {108, 110, 114}) {
        Bytes file = Magic(KSaveMagic);
        Chunk(file, chunk, EmptyEntries(100'000));
        ExpectBounded(("save chunk " + std::to_string(chunk) + " of empty entries").c_str(), file,
                      [&] { save.LoadFromBytes(file, "Save01.lsd"); });
    }
    Bytes events;
    Chunk(events, 11, EmptyEntries(200'000, 0));
    events.push_back(0);
    Bytes file = Magic(KSaveMagic);
    Chunk(file, 111, events);
    ExpectBounded("save map state of 200000 events", file,
                  [&] { save.LoadFromBytes(file, "Save01.lsd"); });
}

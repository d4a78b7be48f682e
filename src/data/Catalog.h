#pragma once
// The chunk encoding shared by every data file and every saved object.
//
// A record is a run of chunks (ID, byte length, payload) closed by ID 0; a list is a
// count followed by ID/record pairs in ascending ID order. Integers are big-endian
// base-128 variable-length integers. Each record class lists its chunks once, in
// DescribeChunks; reading, writing, clearing, copying and comparing all run off that
// one description.
//
// Reading never trusts the data: every length and count is checked against the bytes
// that are actually left, nested payloads are parsed from a window of exactly their
// chunk length, and nothing is allocated before that check. Chunks a record does not
// describe are kept and written back in ID order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/Errors.h"

namespace kestra {

// Largest files the loaders read, far above any real game; a larger file is refused by
// its size before a byte of it is read.
inline constexpr std::uint64_t KMaxDataBaseBytes = std::uint64_t{64} << 20;
inline constexpr std::uint64_t KMaxMapTreeBytes = std::uint64_t{16} << 20;
inline constexpr std::uint64_t KMaxMapUnitBytes = std::uint64_t{16} << 20;
inline constexpr std::uint64_t KMaxSaveFileBytes = std::uint64_t{4} << 20;

// What the records read from one file may cost in memory: list items (at the size of a
// default item of their class) and kept unknown chunks are charged against
// KLoadMemoryPerByte x the file's size + KLoadMemoryBase, and a file that asks for more
// is refused. Everything else a load allocates is bounded by the bytes it reads.
inline constexpr std::uint64_t KLoadMemoryPerByte = 24;
inline constexpr std::uint64_t KLoadMemoryBase = std::uint64_t{16} << 20;

// A bounded read window over bytes owned by the caller. Errors name the file and the
// absolute offset. Sub-windows share the file name, the memory budget and the count of
// ignored chunks, and must not outlive the bytes.
class TByteReader {
public:
    TByteReader(std::span<const std::uint8_t> bytes, std::string fileName);

    std::size_t Position() const { return Pos; }
    // The whole window, for code that has already checked what it reads against it.
    std::span<const std::uint8_t> Window() const { return Bytes; }
    std::size_t Size() const { return Bytes.size(); }
    std::size_t Remaining() const { return Bytes.size() - Pos; }
    bool AtEnd() const { return Pos >= Bytes.size(); }
    // Offset of the current position within the whole file.
    std::size_t FileOffset() const { return Base + Pos; }
    const std::string& FileName() const { return Source->Name; }

    std::uint8_t ReadByte();
    void ReadBytes(void* target, std::size_t count);
    std::span<const std::uint8_t> ReadSpan(std::size_t count);
    void Skip(std::size_t count);
    void Seek(std::size_t position);
    // A window over the next `count` bytes; this reader moves past them.
    TByteReader Sub(std::size_t count);

    // Raises EStreamReadError "<file>: offset <n>: <what>".
    [[noreturn]] void Fail(std::string_view what) const;
    [[noreturn]] void FailAt(std::size_t position, std::string_view what) const;

    // Takes `bytes` of the file's memory budget; raises EStreamReadError when the
    // budget is spent.
    void Charge(std::size_t bytes);
    // A chunk whose payload the record could not take (a fixed-size chunk of another
    // length): counted, and the first one described, for one warning per file.
    void NoteIgnored(std::size_t position, std::string_view what);
    std::size_t IgnoredCount() const { return Source->Ignored; }

    // Said by a list just before a record it has only now made (and so is still as
    // cleared) reads itself from this window: the record's load skips clearing it
    // again. TakeFreshRecord answers once and forgets.
    void MarkFreshRecord() { FreshRecord = true; }
    bool TakeFreshRecord() { return std::exchange(FreshRecord, false); }
    // "<file>: ignored N chunk(s) of the wrong size (the first: offset ...: ...)", or
    // empty when nothing was ignored.
    std::string IgnoredSummary() const;

private:
    struct TSource {
        std::string Name;
        std::uint64_t BudgetLeft = 0;
        std::size_t Ignored = 0;
        std::string FirstIgnored;
    };
    TByteReader(std::span<const std::uint8_t> bytes, std::shared_ptr<TSource> source,
                std::size_t base)
        : Bytes(bytes), Source(std::move(source)), Base(base) {}

    std::span<const std::uint8_t> Bytes;
    std::shared_ptr<TSource> Source;
    std::size_t Base = 0;
    std::size_t Pos = 0;
    bool FreshRecord = false;
};

// A growable output buffer.
class TByteWriter {
public:
    void WriteByte(std::uint8_t value) { Bytes.push_back(value); }
    void WriteBytes(const void* data, std::size_t count);
    void WriteBytes(std::span<const std::uint8_t> data) { WriteBytes(data.data(), data.size()); }
    std::size_t Size() const { return Bytes.size(); }

    std::vector<std::uint8_t> Bytes;
};

// Variable-length integers. The writer emits the fewest 7-bit groups of the value taken
// as unsigned (negatives take 5 bytes). The reader accepts any number of groups,
// including over-long forms with leading 0x80 bytes, and keeps the low 32 bits; it is
// bounded by the window, so a run of continuation bytes ends at the window's end with a
// read error.
std::int32_t ReadVarInt(TByteReader& reader);
// With `withByteCount`, one raw byte holding the encoding's length (1..5) comes first.
void WriteVarInt(TByteWriter& writer, std::int32_t value, bool withByteCount = false);
std::size_t VarIntSize(std::int32_t value);

// A variable-length byte count followed by that many bytes; no conversion of any kind.
std::string ReadLString(TByteReader& reader);
void WriteLString(TByteWriter& writer, std::string_view text);
// Reads the file's magic string; a different one raises EStreamReadError.
void ReadFileHeader(TByteReader& reader, std::string_view magic);

// Whole-file helpers; failures raise EFileError naming the path.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
// A data file of at most `maxBytes` bytes (one of the limits above): refused by its size
// before reading, and refused unless it is a regular file (a directory or a pipe in its
// place). `kind` names it in errors ("database", "save file").
std::vector<std::uint8_t> ReadDataFile(const std::string& path, std::uint64_t maxBytes,
                                       std::string_view kind);
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// The in-memory kind codes of chunks (not stored in files).
enum class EChunkKind : std::uint8_t {
    Integer = 0,
    Fixed = 1,
    Block = 2,
    String = 3,
    List = 4,
    Record = 5,
    Boolean = 6,
    Real = 7,
    None = 8,
};

class TCatalog;
class TCatalogBaseItem;

// A field stored as one block chunk in an encoding of its own (event command lists,
// move routes). DecodeFrom gets a window of exactly the chunk's payload.
class TChunkCodec {
public:
    virtual ~TChunkCodec() = default;
    virtual void ClearCodec() = 0;
    virtual void EncodeTo(TByteWriter& writer) const = 0;
    virtual void DecodeFrom(TByteReader& reader) = 0;
};

// Element access of a resizable block, one table per element type.
struct TBlockAccess {
    std::size_t (*Size)(const void* vector);
    void* (*Resize)(void* vector, std::size_t n); // returns the data pointer
};

template <class T>
inline constexpr TBlockAccess KBlockAccessOf{
    [](const void* v) { return static_cast<const std::vector<T>*>(v)->size(); },
    [](void* v, std::size_t n) -> void* {
        auto* vec = static_cast<std::vector<T>*>(v);
        vec->resize(n);
        return vec->data();
    }};

// One chunk as DescribeChunks hands it to a visitor. Built by the typed helpers of
// TChunkVisitor; records normally never touch it directly. One is built for every
// field of every record read, written or cleared, so it is kept to 64 bytes (a few
// vector stores): members that only one kind uses share their storage, and a visitor
// reads only the members of the chunk's kind.
struct TChunkDesc {
    std::int32_t Id = 0;
    EChunkKind Kind = EChunkKind::None;
    std::uint8_t IntWidth = 4; // byte width of an integer field: 1, 2 or 4
    // Fixed / Block: element width in bytes (little-endian in the file).
    std::uint8_t ElemSize = 1;
    bool IntSigned = true;
    bool DefaultBool = false, InitBool = false;
    // String
    bool SkipEmpty = false;
    // A count chunk: an integer chunk whose value is the element count of another
    // container. Written from the container; on reading, the container is cut to
    // min(count, its size) after all chunks of the record are read.
    bool IsCount = false;
    // Fixed: whether the chunk is left out on writing while the field equals InitFixed.
    bool OmitWhenInit = false;
    // Integer / Boolean / Real: the default (omitted on write when equal) and the
    // initial value (set by Clear). Fixed: the element count and the initial value
    // (same layout as the field; null means zero).
    union {
        std::size_t ElemCount = 0;
        std::int32_t DefaultInt;
        double DefaultReal;
    };
    union {
        const void* InitFixed = nullptr;
        std::int32_t InitInt;
        double InitReal;
    };
    // The field (List / Record: the nested list or record).
    union {
        void* Target = nullptr;
        TCatalog* List;
        TCatalogBaseItem* Record;
    };
    // Block and count chunks: type-erased access to a std::vector of integers.
    const TBlockAccess* BlockOps = nullptr;
    // Block: an object that encodes itself into the payload (Target unused). Integer:
    // with SizeOf set, a chunk holding that object's encoded byte length, computed on
    // writing and not used on reading (the payload's real length governs).
    TChunkCodec* Codec = nullptr;
    TChunkCodec* SizeOf = nullptr;

    std::size_t BlockSize(const void* vector) const { return BlockOps->Size(vector); }
    void* BlockResize(void* vector, std::size_t n) const { return BlockOps->Resize(vector, n); }

    // The integer field, read at its width and signedness; stores keep the low bits,
    // as a store of the 32-bit value into the narrow field would.
    std::int32_t GetInt() const;
    void SetInt(std::int32_t v) const;
};
static_assert(sizeof(TChunkDesc) <= 64);

// The receiver of DescribeChunks. Call the helpers in ascending ID order.
class TChunkVisitor {
public:
    virtual ~TChunkVisitor() = default;
    // True while loading: a record may size storage before its payload is read.
    virtual bool ForReading() const { return false; }
    virtual void Visit(TChunkDesc& chunk) = 0;

    // Integer chunk; `def` is both the write default and the initial value unless an
    // initial value is given. Any integer field type of at most 32 bits.
    template <class T>
    void Int(std::int32_t id, T& field, std::int32_t def = 0) {
        Int(id, field, def, def);
    }
    template <class T>
    void Int(std::int32_t id, T& field, std::int32_t def, std::int32_t init) {
        static_assert(std::is_integral_v<T> && sizeof(T) <= 4 && !std::is_same_v<T, bool>);
        TChunkDesc c;
        c.Id = id;
        c.Kind = EChunkKind::Integer;
        c.Target = &field;
        c.DefaultInt = def;
        c.InitInt = init;
        c.IntWidth = sizeof(T);
        c.IntSigned = std::is_signed_v<T>;
        Visit(c);
    }
    void Bool(std::int32_t id, bool& field, bool def = false) { Bool(id, field, def, def); }
    void Bool(std::int32_t id, bool& field, bool def, bool init);
    void Real(std::int32_t id, double& field, double def = 0.0) { Real(id, field, def, def); }
    void Real(std::int32_t id, double& field, double def, double init);
    void String(std::int32_t id, std::string& field, bool skipEmpty = false);

    // Fixed-size chunk: one integer or an array of integers, little-endian. Read only
    // when the chunk length matches exactly; Clear sets zero.
    template <class T>
    void Fixed(std::int32_t id, T& field) {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
        FixedRaw(id, &field, sizeof(T), 1);
    }
    template <class T, std::size_t N>
    void Fixed(std::int32_t id, std::array<T, N>& field) {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
        FixedRaw(id, field.data(), sizeof(T), N);
    }

    // The same with an initial value for Clear; with `omitWhenInit` the chunk is not
    // written while the field equals it.
    template <class T>
    void Fixed(std::int32_t id, T& field, const T& init, bool omitWhenInit = false) {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
        FixedRaw(id, &field, sizeof(T), 1, &init, omitWhenInit);
    }
    template <class T, std::size_t N>
    void Fixed(std::int32_t id, std::array<T, N>& field, const std::array<T, N>& init,
               bool omitWhenInit = false) {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
        FixedRaw(id, field.data(), sizeof(T), N, init.data(), omitWhenInit);
    }

    // Resizable block of integers, little-endian. On reading, the vector gets the chunk
    // length divided by the element size (a ragged tail is dropped); Clear empties it.
    template <class T>
    void Block(std::int32_t id, std::vector<T>& field) {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                      (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4));
        TChunkDesc c;
        c.Id = id;
        c.Kind = EChunkKind::Block;
        c.Target = &field;
        c.ElemSize = sizeof(T);
        c.BlockOps = &KBlockAccessOf<T>;
        Visit(c);
    }

    // Integer chunk holding the element count of a block (any std::vector above).
    template <class T>
    void Count(std::int32_t id, std::vector<T>& of, std::int32_t def = 0) {
        TChunkDesc c;
        c.Id = id;
        c.Kind = EChunkKind::Integer;
        c.IsCount = true;
        c.Target = &of;
        c.DefaultInt = def;
        c.InitInt = def;
        c.BlockOps = &KBlockAccessOf<T>;
        Visit(c);
    }

    // A block chunk encoded by `codec`, and an integer chunk holding its byte length.
    void Encoded(std::int32_t id, TChunkCodec& codec);
    void EncodedSize(std::int32_t id, TChunkCodec& codec, std::int32_t def = 0);

    void List(std::int32_t id, TCatalog& list);
    void Record(std::int32_t id, TCatalogBaseItem& record);

private:
    void FixedRaw(std::int32_t id, void* data, std::size_t elemSize, std::size_t count,
                  const void* init = nullptr, bool omitWhenInit = false);
};

// A chunk kept verbatim because the record does not describe its ID.
struct TRawChunk {
    std::int32_t Id = 0;
    std::vector<std::uint8_t> Payload;
    bool operator==(const TRawChunk&) const = default;
};

// What an allocation costs beyond its bytes (the allocator's header, the owner's slot).
inline constexpr std::size_t KAllocationOverhead = 32;

// Heap memory a record owns through its described fields (nested lists with their items,
// long strings, blocks), an estimate for the load budget.
std::size_t HeapFootprint(TCatalogBaseItem& record);

// A record: chunks closed by ID 0.
class TCatalogBaseItem {
public:
    TCatalogBaseItem() = default;
    TCatalogBaseItem(const TCatalogBaseItem&) = default;
    TCatalogBaseItem& operator=(const TCatalogBaseItem&) = default;
    virtual ~TCatalogBaseItem() = default;

    // Lists every chunk of the record in ascending ID order.
    virtual void DescribeChunks(TChunkVisitor& visitor) = 0;

    // Sets every described field to its initial value and drops kept unknown chunks.
    // Records with initial values the description cannot express (non-empty blocks,
    // non-zero fixed bytes) override this, call the base and then set them.
    virtual void Clear();
    // Clear, then read chunks up to ID 0 or the end of the window (an implicit
    // terminator). Chunks may come in any order; a later duplicate wins. Overrides
    // call this first and adjust what it read afterwards.
    virtual void LoadFromStream(TByteReader& reader);
    // The same for a window that holds chunks up to its end with no terminator, where
    // ID 0 is an ordinary chunk (the top level of a database).
    void LoadUnterminated(TByteReader& reader);
    // Writes the described chunks (omitting defaults) and the kept unknown chunks in
    // ascending ID order, then the terminator unless `terminator` is false.
    virtual void SaveToStream(TByteWriter& writer, bool terminator = true) const;
    // Copies through the encoding, so the omission rules apply.
    void CopyFrom(const TCatalogBaseItem& other);
    // Equal when both encode to the same bytes (same fields, same kept chunks).
    bool Equals(const TCatalogBaseItem& other) const;

    std::vector<std::uint8_t> Encode() const;
    void Decode(std::span<const std::uint8_t> bytes, const std::string& name = "record");

    const std::vector<TRawChunk>& UnknownChunks() const { return Unknown; }

private:
    void LoadChunks(TByteReader& reader, bool terminated);

    std::vector<TRawChunk> Unknown;
};

// A record that lives in a list under a 32-bit ID.
class TCatalogItem : public TCatalogBaseItem {
public:
    explicit TCatalogItem(std::int32_t id = 0) : Id(id) {}
    virtual void SetId(std::int32_t id) { Id = id; }

    std::int32_t Id;
};

// A list of records kept in ascending ID order. The items are owned by the list.
class TCatalog {
public:
    explicit TCatalog(std::string tableName) : TableName(std::move(tableName)) {}
    TCatalog(const TCatalog&) = delete;
    TCatalog& operator=(const TCatalog&) = delete;
    virtual ~TCatalog() = default;

    std::size_t Count() const { return Items.size(); }
    // The item at a 0-based index, or null.
    TCatalogItem* ItemAt(std::size_t index) const;
    // The item with that ID, or null. Dense IDs 1..n are found directly.
    TCatalogItem* FindItem(std::int32_t id) const;
    // The item with that ID, created and inserted in order when absent.
    TCatalogItem& ObtainItem(std::int32_t id);
    // A new item with the last ID + 1 (1 for an empty list).
    TCatalogItem& AppendItem();
    // Frees the item and moves every later ID down by one; nothing if absent.
    void Remove(std::int32_t id);
    void Clear() { Items.clear(); }

    // Clear, then the count and the ID/record pairs. A count above the bytes left, or a
    // window that ends before the last item, raises EStreamReadError and leaves the list
    // empty. Items are sorted by ID; of two entries with one ID the later wins.
    virtual void LoadFromStream(TByteReader& reader);
    // The same for a window that holds chunks up to its end with no terminator, where
    // ID 0 is an ordinary chunk (the top level of a database).
    void LoadUnterminated(TByteReader& reader);
    virtual void SaveToStream(TByteWriter& writer) const;
    void CopyFrom(const TCatalog& other);
    bool Equals(const TCatalog& other) const;

    const std::string& Name() const { return TableName; }
    // What one item costs in memory when it is created for a load: a default item of
    // the list's class, with what it owns.
    virtual std::size_t ItemFootprint() const = 0;
    [[noreturn]] void FailLookup(std::int32_t id) const;
    [[noreturn]] void FailIndex(std::size_t index) const;

protected:
    // A new item with that ID, cleared.
    virtual std::unique_ptr<TCatalogItem> NewItem(std::int32_t id) const = 0;

private:
    std::string TableName;
    std::vector<std::unique_ptr<TCatalogItem>> Items;
};

// A list of one record class. T must derive from TCatalogItem and be constructible
// from an ID.
template <class T>
class TCatalogOf : public TCatalog {
public:
    using TCatalog::TCatalog;

    T* ItemAt(std::size_t index) const { return static_cast<T*>(TCatalog::ItemAt(index)); }
    // The item at a 0-based index; out of range raises ELookupError naming the table.
    T& At(std::size_t index) const {
        T* item = ItemAt(index);
        if (item == nullptr) FailIndex(index);
        return *item;
    }
    T* Find(std::int32_t id) const { return static_cast<T*>(FindItem(id)); }
    T& Obtain(std::int32_t id) { return static_cast<T&>(ObtainItem(id)); }
    T& Append() { return static_cast<T&>(AppendItem()); }
    // The item with that ID; an absent ID raises ELookupError naming the table.
    T& Get(std::int32_t id) const {
        T* item = Find(id);
        if (item == nullptr) FailLookup(id);
        return *item;
    }

    std::size_t ItemFootprint() const override {
        static const std::size_t bytes = [] {
            T item(0);
            item.Clear();
            return sizeof(T) + KAllocationOverhead + HeapFootprint(item);
        }();
        return bytes;
    }

protected:
    // Item constructors leave their item cleared.
    std::unique_ptr<TCatalogItem> NewItem(std::int32_t id) const override {
        return std::make_unique<T>(id);
    }
};

} // namespace kestra

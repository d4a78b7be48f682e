#include "data/Catalog.h"

#include <gtest/gtest.h>

#include <string>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes EncodeVarInt(std::int32_t v) {
    TByteWriter w;
    WriteVarInt(w, v);
    return w.Bytes;
}

std::int32_t DecodeVarInt(const Bytes& b) {
    TByteReader r(b, "test");
    std::int32_t v = ReadVarInt(r);
    EXPECT_TRUE(r.AtEnd());
    return v;
}

struct TInner : TCatalogBaseItem {
    TInner() { Clear(); }
    std::int32_t A;
    std::string S;
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(1, A, 7);
        v.String(2, S);
    }
};

struct TRow : TCatalogItem {
    explicit TRow(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    std::int32_t Value;
    std::string Name;
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(1, Value);
        v.String(2, Name, true);
    }
};

struct TRows : TCatalogOf<TRow> {
    TRows() : TCatalogOf("rows") {}
};

struct TSample : TCatalogBaseItem {
    TSample() { Clear(); }
    std::int32_t Number;
    std::int32_t One;
    std::uint8_t Narrow;
    bool Flag;
    double Ratio;
    std::string Text, Skipped;
    std::uint8_t Enum;
    std::array<std::int16_t, 3> Triple;
    std::vector<std::int16_t> Party;
    std::vector<std::uint8_t> Raw;
    TInner Inner;
    TRows Rows;
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(1, Number);
        v.Int(2, One, 1);
        v.Int(3, Narrow, 0);
        v.Bool(4, Flag, true);
        v.Real(5, Ratio, 0.5);
        v.String(6, Text);
        v.String(7, Skipped, true);
        v.Fixed(8, Enum, std::uint8_t{4});
        v.Fixed(9, Triple);
        v.Count(10, Party);
        v.Block(11, Party);
        v.Block(12, Raw);
        v.Record(13, Inner);
        v.List(14, Rows);
    }
};

// A record holding only ID 1 (an integer).
struct TOneInt : TCatalogBaseItem {
    TOneInt() { Clear(); }
    std::int32_t V;
    void DescribeChunks(TChunkVisitor& v) override { v.Int(1, V); }
};

// Chunk bytes: ID, length, payload.
Bytes Chunk(std::int32_t id, const Bytes& payload) {
    TByteWriter w;
    WriteVarInt(w, id);
    WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
    w.WriteBytes(payload);
    return w.Bytes;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::string ReadError(const std::function<void()>& f) {
    try {
        f();
    } catch (const EStreamReadError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(Catalog, VarIntEncodingsMatchTheFormat) {
    EXPECT_EQ(EncodeVarInt(0), (Bytes{0x00}));
    EXPECT_EQ(EncodeVarInt(127), (Bytes{0x7F}));
    EXPECT_EQ(EncodeVarInt(128), (Bytes{0x81, 0x00}));
    EXPECT_EQ(EncodeVarInt(300), (Bytes{0x82, 0x2C}));
    EXPECT_EQ(EncodeVarInt(16384), (Bytes{0x81, 0x80, 0x00}));
    EXPECT_EQ(EncodeVarInt(-1), (Bytes{0x8F, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(EncodeVarInt(2147483647), (Bytes{0x87, 0xFF, 0xFF, 0xFF, 0x7F}));
    for (std::int32_t v : {0, 1, 127, 128, 300, 16383, 16384, 2097151, 2097152, 268435455,
                           268435456, -1, -128, 2147483647, -2147483647 - 1}) {
        EXPECT_EQ(DecodeVarInt(EncodeVarInt(v)), v) << v;
        EXPECT_EQ(EncodeVarInt(v).size(), VarIntSize(v)) << v;
    }
}

TEST(Catalog, VarIntReaderAcceptsOverLongFormsAndKeepsLow32Bits) {
    EXPECT_EQ(DecodeVarInt({0x80, 0x05}), 5);
    EXPECT_EQ(DecodeVarInt({0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05}), 5);
    // 2^35 + 1: the bits above 32 fall away.
    EXPECT_EQ(DecodeVarInt({0x81, 0x80, 0x80, 0x80, 0x80, 0x01}), 1);
    Bytes cut{0x81, 0x80};
    TByteReader r(cut, "cut.bin");
    EXPECT_EQ(ReadError([&] { ReadVarInt(r); }),
              "cut.bin: offset 0: truncated variable-length integer");
}

TEST(Catalog, OmitsDefaultsAndWritesTheRest) {
    TOneInt zero;
    EXPECT_EQ(zero.Encode(), (Bytes{0x00}));

    TSample s;
    s.One = 0; // default 1: written as ID, byte count 1, value 0
    Bytes enc = s.Encode();
    Bytes expectOne{0x02, 0x01, 0x00};
    EXPECT_NE(std::search(enc.begin(), enc.end(), expectOne.begin(), expectOne.end()), enc.end());
    // Chunk 6 (not skip-empty) appears as 06 00; chunk 7 (skip-empty) does not.
    Bytes six{0x06, 0x00};
    EXPECT_NE(std::search(enc.begin(), enc.end(), six.begin(), six.end()), enc.end());
    EXPECT_EQ(std::find(enc.begin(), enc.end(), 0x07), enc.end());
    s.Skipped = "x";
    enc = s.Encode();
    Bytes seven{0x07, 0x01, 'x'};
    EXPECT_NE(std::search(enc.begin(), enc.end(), seven.begin(), seven.end()), enc.end());
}

TEST(Catalog, RecordFromAnEmptyPayloadEqualsACleared) {
    TSample a;
    a.Number = 3;
    a.Party = {1};
    a.Rows.Append();
    a.Decode(Bytes{0x00});
    EXPECT_TRUE(a.Equals(TSample()));
    EXPECT_EQ(a.Enum, 4);
    EXPECT_EQ(a.One, 1);
    EXPECT_TRUE(a.Party.empty());
    EXPECT_EQ(a.Rows.Count(), 0u);
    // An empty window (no terminator at all) reads the same.
    a.Number = 9;
    a.Decode(Bytes{});
    EXPECT_TRUE(a.Equals(TSample()));
}

TEST(Catalog, WritesAndReadsBackEveryKind) {
    TSample a;
    a.Number = -5;
    a.One = 0;
    a.Narrow = 200;
    a.Flag = false;
    a.Ratio = 2.25;
    a.Text = "abc";
    a.Enum = 0;
    a.Triple = {-1, 2, 300};
    a.Party = {3, 1, 2};
    a.Raw = {9, 8};
    a.Inner.A = 9;
    a.Rows.Obtain(2).Name = "x";
    TSample b;
    b.Decode(a.Encode());
    EXPECT_TRUE(a.Equals(b));
    EXPECT_EQ(b.Narrow, 200);
    EXPECT_EQ(b.Triple, (std::array<std::int16_t, 3>{-1, 2, 300}));
    EXPECT_EQ(b.Party, (std::vector<std::int16_t>{3, 1, 2}));
    EXPECT_EQ(b.Rows.Get(2).Name, "x");
    EXPECT_EQ(b.Encode(), a.Encode());

    TSample c;
    c.CopyFrom(a);
    EXPECT_TRUE(c.Equals(a));
    c.Inner.A = 1;
    EXPECT_FALSE(c.Equals(a));
}

TEST(Catalog, ReadsChunksInAnyOrderLaterDuplicatesWin) {
    TOneInt r;
    r.Decode(Cat({Chunk(1, {0x05}), Chunk(1, {0x80, 0x06}), {0x00}}));
    EXPECT_EQ(r.V, 6);
    // An integer chunk with trailing bytes: the rest is skipped.
    r.Decode(Cat({Chunk(1, {0x07, 0xAA, 0xBB}), {0x00}}));
    EXPECT_EQ(r.V, 7);
    // An integer running past its chunk is ignored.
    r.Decode(Cat({Chunk(1, {0x87}), {0x00}}));
    EXPECT_EQ(r.V, 0);

    TSample s;
    s.Decode(Cat({Chunk(6, {'z'}), Chunk(1, {0x02}), {0x00}}));
    EXPECT_EQ(s.Text, "z");
    EXPECT_EQ(s.Number, 2);
}

TEST(Catalog, KeepsUnknownChunksAndWritesThemBackInPlace) {
    Bytes file = Cat({Chunk(1, {0x05}), Chunk(3, {1, 2, 3}), Chunk(500, {}), {0x00}});
    TOneInt r;
    r.Decode(file);
    EXPECT_EQ(r.V, 5);
    ASSERT_EQ(r.UnknownChunks().size(), 2u);
    EXPECT_EQ(r.UnknownChunks()[0].Id, 3);
    EXPECT_EQ(r.Encode(), file);
    r.Clear();
    EXPECT_TRUE(r.UnknownChunks().empty());
}

TEST(Catalog, FixedSizedChunksOfTheWrongLengthAreIgnored) {
    TSample s;
    s.Decode(
        Cat({Chunk(8, {1, 2}), Chunk(9, {1, 0, 2, 0}), Chunk(4, {0, 0}), Chunk(5, {1}), {0x00}}));
    EXPECT_EQ(s.Enum, 4);
    EXPECT_EQ(s.Triple, (std::array<std::int16_t, 3>{0, 0, 0}));
    EXPECT_TRUE(s.Flag);
    EXPECT_EQ(s.Ratio, 0.5);
    s.Decode(Cat({Chunk(8, {1}), Chunk(4, {0}), {0x00}}));
    EXPECT_EQ(s.Enum, 1);
    EXPECT_FALSE(s.Flag);
}

TEST(Catalog, CountAndBlockDisagreeing) {
    TSample s;
    // Count 5 but only 2 entries: 2 entries.
    s.Decode(Cat({Chunk(10, {5}), Chunk(11, {1, 0, 2, 0}), {0x00}}));
    EXPECT_EQ(s.Party, (std::vector<std::int16_t>{1, 2}));
    // Count 1 with 3 entries and a ragged byte: the first entry only.
    s.Decode(Cat({Chunk(11, {1, 0, 2, 0, 3, 0, 9}), Chunk(10, {1}), {0x00}}));
    EXPECT_EQ(s.Party, (std::vector<std::int16_t>{1}));
    // Negative count: nothing.
    s.Decode(Cat({Chunk(10, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}), Chunk(11, {1, 0}), {0x00}}));
    EXPECT_TRUE(s.Party.empty());
    // The writer recomputes the count.
    s.Party = {4, 5, 6};
    TSample t;
    t.Decode(s.Encode());
    EXPECT_EQ(t.Party, s.Party);
}

TEST(Catalog, ListsStaySortedAndRenumberOnRemove) {
    TRows rows;
    EXPECT_EQ(rows.Append().Id, 1);
    rows.Clear();
    TByteWriter w;
    WriteVarInt(w, 3);
    for (std::int32_t id : {3, 1, 2}) {
        WriteVarInt(w, id);
        w.WriteBytes(Chunk(1, {static_cast<std::uint8_t>(id * 10)}));
        w.WriteByte(0);
    }
    TByteReader r(w.Bytes, "rows.bin");
    rows.LoadFromStream(r);
    ASSERT_EQ(rows.Count(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(rows.ItemAt(i)->Id, static_cast<int>(i + 1));
    EXPECT_EQ(rows.Find(2)->Value, 20);
    EXPECT_EQ(rows.Find(4), nullptr);
    EXPECT_EQ(rows.ItemAt(3), nullptr);

    rows.Obtain(4);
    rows.Remove(2);
    ASSERT_EQ(rows.Count(), 3u);
    EXPECT_EQ(rows.Get(2).Value, 30);
    EXPECT_EQ(rows.ItemAt(2)->Id, 3);
    rows.Remove(99);
    EXPECT_EQ(rows.Count(), 3u);

    // Sparse IDs: found by search, inserted in order.
    TRows sparse;
    sparse.Obtain(9).Value = 9;
    sparse.Obtain(2).Value = 2;
    sparse.Obtain(5).Value = 5;
    EXPECT_EQ(sparse.ItemAt(1)->Id, 5);
    EXPECT_EQ(sparse.Find(5)->Value, 5);
    EXPECT_EQ(sparse.Find(3), nullptr);
    EXPECT_EQ(sparse.Find(1), nullptr);
    EXPECT_EQ(sparse.Append().Id, 10);
    try {
        sparse.Get(4);
        FAIL();
    } catch (const ELookupError& e) {
        EXPECT_STREQ(e.what(), "rows: no item with ID 4");
    }
    EXPECT_THROW(sparse.At(4), ELookupError);
}

TEST(Catalog, ListDuplicateIdsKeepTheLaterEntry) {
    TByteWriter w;
    WriteVarInt(w, 2);
    WriteVarInt(w, 1);
    w.WriteBytes(Chunk(2, {'a'}));
    w.WriteByte(0);
    WriteVarInt(w, 1);
    w.WriteBytes(Chunk(1, {0x07}));
    w.WriteByte(0);
    TRows rows;
    TByteReader r(w.Bytes, "dup.bin");
    rows.LoadFromStream(r);
    ASSERT_EQ(rows.Count(), 1u);
    EXPECT_EQ(rows.Get(1).Value, 7);
    EXPECT_EQ(rows.Get(1).Name, "");
}

TEST(Catalog, HostileLengthsRaiseReadErrorsWithFileAndOffset) {
    TOneInt r;
    // Negative length.
    Bytes neg = Cat({Chunk(1, {0x01}), {0x02, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}});
    EXPECT_EQ(ReadError([&] { r.Decode(neg, "neg.bin"); }),
              "neg.bin: offset 4: chunk 2 length -1 exceeds the 0 bytes left");
    // The chunk before the broken one is kept.
    EXPECT_EQ(r.V, 1);
    // Oversized length.
    Bytes big{0x01, 0x84, 0x00, 0x05};
    EXPECT_EQ(ReadError([&] { r.Decode(big, "big.bin"); }),
              "big.bin: offset 1: chunk 1 length 512 exceeds the 1 bytes left");
    // A string length beyond the data.
    Bytes str{0x09, 'a'};
    TByteReader sr(str, "str.bin");
    EXPECT_EQ(ReadError([&] { ReadLString(sr); }),
              "str.bin: offset 0: string length 9 exceeds the 1 bytes left");
    // A list count beyond the bytes left, inside a nested chunk: offsets are file offsets.
    TSample s;
    s.Rows.Append();
    Bytes list = Cat({Chunk(1, {0x01}), Chunk(14, {0x7F, 0x01, 0x00}), {0x00}});
    EXPECT_EQ(ReadError([&] { s.Decode(list, "list.bin"); }),
              "list.bin: offset 5: rows item count 127 exceeds the 2 bytes left");
    EXPECT_EQ(s.Rows.Count(), 0u);
    // A list cut after its first item.
    Bytes cut = Cat({Chunk(14, {0x02, 0x01, 0x00}), {0x00}});
    EXPECT_NE(ReadError([&] { s.Decode(cut, "cut.bin"); }), "no error");
    EXPECT_EQ(s.Rows.Count(), 0u);
}

TEST(Catalog, NestedRecordWithoutTerminatorStaysInsideItsChunk) {
    // Chunk 13 holds the inner record's chunk 1 = 4 and no terminator; the parent's
    // chunk 6 follows and must not be eaten by the inner record.
    TSample s;
    s.Decode(Cat({Chunk(13, Chunk(1, {0x04})), Chunk(6, {'p'}), {0x00}}));
    EXPECT_EQ(s.Inner.A, 4);
    EXPECT_EQ(s.Text, "p");
    // A nested record reading less than its chunk is resynchronised too.
    s.Decode(
        Cat({Chunk(13, Cat({Chunk(1, {0x03}), {0x00, 0x55, 0x66}})), Chunk(1, {0x08}), {0x00}}));
    EXPECT_EQ(s.Inner.A, 3);
    EXPECT_EQ(s.Number, 8);
}

namespace {

// Describes its chunks against the rule, highest ID first.
struct TBackwards : TCatalogBaseItem {
    TBackwards() { Clear(); }
    std::int32_t High, Low;
    TInner Inner;
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(9, High);
        v.Record(5, Inner);
        v.Int(2, Low);
    }
};

} // namespace

// Records nested in lists take their chunk index behind their parent's; a nested
// list of many records with thousands of unknown chunks grows that index while the
// parent still reads its later chunks, unknown ones included.
TEST(Catalog, NestedReadsKeepTheParentsChunks) {
    Bytes rows;
    {
        TByteWriter w;
        WriteVarInt(w, 40);
        for (std::int32_t id = 1; id <= 40; ++id) {
            WriteVarInt(w, id);
            w.WriteBytes(Chunk(1, EncodeVarInt(id * 3)));
            for (std::int32_t k = 100; k < 200; ++k) w.WriteBytes(Chunk(k, {1}));
            w.WriteByte(0);
        }
        rows = w.Bytes;
    }
    const Bytes file = Cat({Chunk(1, {0x09}),
                            Chunk(13, Cat({Chunk(2, {'i'}), {0x00}})),
                            Chunk(14, rows),
                            Chunk(15, {7, 7}),
                            Chunk(16, {0x21}),
                            {0x00}});
    TSample s;
    s.Decode(file);
    EXPECT_EQ(s.Number, 9);
    EXPECT_EQ(s.Inner.S, "i");
    ASSERT_EQ(s.Rows.Count(), 40u);
    EXPECT_EQ(s.Rows.Get(40).Value, 120);
    EXPECT_EQ(s.Rows.Get(40).UnknownChunks().size(), 100u);
    ASSERT_EQ(s.UnknownChunks().size(), 2u);
    EXPECT_EQ(s.UnknownChunks()[1].Id, 16);
    const Bytes once = s.Encode();
    // A failure deep inside gives the index back: the next read starts clean.
    Bytes broken = file;
    broken.resize(file.size() / 2);
    EXPECT_NE(ReadError([&] { s.Decode(broken); }), "no error");
    s.Decode(file);
    EXPECT_EQ(s.Rows.Get(17).Value, 51);
    EXPECT_EQ(s.Encode(), once);
}

// Chunks in the file out of order, descriptions out of order: every field still
// meets its chunk.
TEST(Catalog, OrderOfChunksAndOfDescriptionsDoesNotMatter) {
    TBackwards b;
    b.Decode(Cat({Chunk(9, {0x04}), Chunk(2, {0x03}), Chunk(5, Chunk(1, {0x06})), {0x00}}));
    EXPECT_EQ(b.High, 4);
    EXPECT_EQ(b.Low, 3);
    EXPECT_EQ(b.Inner.A, 6);
    b.Decode(Cat({Chunk(2, {0x01}), Chunk(9, {0x02}), {0x00}}));
    EXPECT_EQ(b.High, 2);
    EXPECT_EQ(b.Low, 1);
    EXPECT_EQ(b.Inner.A, 7);
}

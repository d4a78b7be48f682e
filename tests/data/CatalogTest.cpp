#include "data/Catalog.h"

#include <gtest/gtest.h>

#include <cstring>

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
        v.Fixed(8, Enum);
        v.Fixed(9, Triple);
        v.Count(10, Party);
        v.Block(11, Party);
        v.Block(12, Raw);
        v.Record(13, Inner);
        v.List(14, Rows);
    }
};

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

TEST(Catalog, WritesAndReadsBackARecord) {
    TSample a;
    a.Number = -5;
    a.One = 0;
    a.Flag = false;
    a.Ratio = 2.25;
    a.Text = "abc";
    a.Party = {3, 1, 2};
    a.Inner.A = 9;
    a.Rows.Obtain(2).Name = "x";
    TSample b;
    b.Decode(a.Encode());
    EXPECT_TRUE(a.Equals(b));
    EXPECT_EQ(b.Party, (std::vector<std::int16_t>{3, 1, 2}));
    EXPECT_EQ(b.Rows.Get(2).Name, "x");
}

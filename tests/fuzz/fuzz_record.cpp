// The generic record reader on a record with every chunk kind, nested records and
// lists; a record that loads must encode to bytes that load back to the same record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace {

using namespace kestra;

struct TLeaf : TCatalogItem {
    explicit TLeaf(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    std::int32_t A;
    std::string S;
    std::vector<std::int32_t> Words;
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(1, A, 3);
        v.String(2, S, true);
        v.Count(3, Words);
        v.Block(4, Words);
    }
};

struct TLeaves : TCatalogOf<TLeaf> {
    TLeaves() : TCatalogOf("leaves") {}
};

struct TAll : TCatalogBaseItem {
    TAll() { Clear(); }
    std::int32_t I;
    std::uint8_t Narrow;
    std::int16_t Short;
    bool B;
    double D;
    std::string S;
    std::uint8_t F1;
    std::array<std::uint16_t, 4> F4;
    std::vector<std::uint16_t> Block16;
    std::vector<std::uint8_t> Block8;
    TLeaf Nested;
    TLeaves List;
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(1, I, 7);
        v.Int(2, Narrow, 1);
        v.Int(3, Short);
        v.Bool(4, B, true);
        v.Real(5, D, 1.5);
        v.String(6, S);
        v.Fixed(7, F1, std::uint8_t{5});
        v.Fixed(8, F4);
        v.Count(9, Block16, 1);
        v.Block(10, Block16);
        v.Block(11, Block8);
        v.Record(12, Nested);
        v.List(13, List);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TAll rec;
    try {
        rec.Decode(std::span(data, size), "fuzz record");
    } catch (const EKestraError&) {
        return 0;
    }
    auto once = rec.Encode();
    TAll again;
    again.Decode(once, "re-encoded");
    if (again.Encode() != once) __builtin_trap();
    TAll copy;
    copy.CopyFrom(rec);
    if (!copy.Equals(rec)) __builtin_trap();
    return 0;
}

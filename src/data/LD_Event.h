#pragma once
// Map events, their pages and start conditions, and event command lists.
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_MoveRoute.h"

namespace kestra {

// One event command.
struct TVezEventScriptLine {
    std::int32_t Code = 0;
    std::int32_t Indent = 0;
    std::string Text;
    std::vector<std::int32_t> Params;

    std::int32_t ParamCount() const { return static_cast<std::int32_t>(Params.size()); }
    // 0 at or beyond the count (and below 0).
    std::int32_t Param(std::int32_t index) const {
        return index >= 0 && index < ParamCount() ? Params[index] : 0;
    }
    // Ignored at or beyond the count.
    void SetParam(std::int32_t index, std::int32_t value) {
        if (index >= 0 && index < ParamCount()) Params[index] = value;
    }
    bool operator==(const TVezEventScriptLine&) const = default;
};

// A command list. Each line: code, indent, length-prefixed text, parameter count and
// the parameters, all variable-length; lines follow each other to the end of the block.
class TVezEventScriptList final : public TChunkCodec {
public:
    TVezEventScriptList() { ClearCodec(); }
    // A fresh list holds only the terminating line (code 0).
    void ClearCodec() override { Lines.assign(1, TVezEventScriptLine{}); }
    void EncodeTo(TByteWriter& writer) const override;
    // Empties the list first. A line cut short, or a parameter count larger than the bytes
    // left, raises EStreamReadError.
    void DecodeFrom(TByteReader& reader) override;

    std::size_t Count() const { return Lines.size(); }
    const TVezEventScriptLine& LineAt(std::size_t index) const { return Lines.at(index); }
    void Append(TVezEventScriptLine line) { Lines.push_back(std::move(line)); }
    void Clear() { Lines.clear(); }
    void CopyFrom(const TVezEventScriptList& other) { Lines = other.Lines; }

    std::vector<TVezEventScriptLine> Lines;
};

// The base of event pages, common events and battle event pages: a command list stored
// as a size chunk and a byte-block chunk whose IDs the subclass gives.
class TVezBaseEventPageItem : public TCatalogItem {
public:
    using TCatalogItem::TCatalogItem;
    TVezEventScriptList Commands;

protected:
    void DescribeCommands(TChunkVisitor& v, std::int32_t sizeId, std::int32_t bytesId) {
        v.EncodedSize(sizeId, Commands);
        v.Encoded(bytesId, Commands);
    }
};

// Condition flag bits.
enum : std::uint8_t {
    KCondSwitchA = 0x01,
    KCondSwitchB = 0x02,
    KCondVariable = 0x04,
    KCondItem = 0x08,
    KCondActor = 0x10,
    KCondTimer = 0x20,
};

class TVezEventCondition : public TCatalogBaseItem {
public:
    TVezEventCondition() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::uint8_t Flags;
    std::int32_t SwitchA, SwitchB, Variable, Value, Item, Actor, Timer;
};

class TVezEventPageItem : public TVezBaseEventPageItem {
public:
    explicit TVezEventPageItem(std::int32_t id = 0) : TVezBaseEventPageItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    TVezEventCondition Condition;
    std::string Graphic;
    std::int32_t GraphicIndex;
    std::uint8_t Direction;
    std::int32_t Pattern;
    std::uint8_t Transparent;
    std::uint8_t MoveKind;
    std::int32_t MoveFrequency;
    std::uint8_t Trigger;
    std::uint8_t Layer;
    std::uint8_t NoOverlap;
    std::uint8_t AnimationKind;
    std::int32_t MoveSpeed;
    TVezMoveRoute MoveRoute;
};

class TVezEventPage : public TCatalogOf<TVezEventPageItem> {
public:
    TVezEventPage() : TCatalogOf("event pages") {}
};

class TVezEventItem : public TCatalogItem {
public:
    explicit TVezEventItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Also gives the event its first page.
    void Clear() override;

    std::string Name;
    std::int32_t X, Y;
    TVezEventPage Pages;
};

class TVezEvent : public TCatalogOf<TVezEventItem> {
public:
    TVezEvent() : TCatalogOf("events") {}
};

} // namespace kestra

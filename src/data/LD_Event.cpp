#include "data/LD_Event.h"

namespace kestra {

void TVezEventScriptList::EncodeTo(TByteWriter& w) const {
    for (const auto& line : Lines) {
        WriteVarInt(w, line.Code);
        WriteVarInt(w, line.Indent);
        WriteLString(w, line.Text);
        WriteVarInt(w, line.ParamCount());
        for (std::int32_t p : line.Params) WriteVarInt(w, p);
    }
}

void TVezEventScriptList::DecodeFrom(TByteReader& r) {
    Lines.clear();
    while (!r.AtEnd()) {
        TVezEventScriptLine line;
        line.Code = ReadVarInt(r);
        line.Indent = ReadVarInt(r);
        line.Text = ReadLString(r);
        std::size_t at = r.Position();
        std::int32_t count = ReadVarInt(r);
        // Every parameter takes at least one byte.
        if (count < 0 || static_cast<std::size_t>(count) > r.Remaining())
            r.FailAt(at, "parameter count " + std::to_string(count) + " exceeds the " +
                             std::to_string(r.Remaining()) + " bytes left");
        line.Params.resize(static_cast<std::size_t>(count));
        for (auto& p : line.Params) p = ReadVarInt(r);
        Lines.push_back(std::move(line));
    }
}

void TVezEventCondition::DescribeChunks(TChunkVisitor& v) {
    v.Fixed(1, Flags);
    v.Int(2, SwitchA, 1);
    v.Int(3, SwitchB, 1);
    v.Int(4, Variable, 1);
    v.Int(5, Value, 0);
    v.Int(6, Item, 1);
    v.Int(7, Actor, 1);
    v.Int(8, Timer, 0);
}

void TVezEventPageItem::DescribeChunks(TChunkVisitor& v) {
    v.Record(2, Condition);
    v.String(21, Graphic, true);
    v.Int(22, GraphicIndex);
    v.Fixed(23, Direction, std::uint8_t{2});
    v.Int(24, Pattern, 1);
    v.Fixed(25, Transparent);
    v.Fixed(31, MoveKind);
    v.Int(32, MoveFrequency, 3);
    v.Fixed(33, Trigger);
    v.Fixed(34, Layer);
    v.Fixed(35, NoOverlap);
    v.Fixed(36, AnimationKind);
    v.Int(37, MoveSpeed, 3);
    v.Record(41, MoveRoute);
    DescribeCommands(v, 51, 52);
}

void TVezEventItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.Int(2, X);
    v.Int(3, Y);
    v.List(5, Pages);
}

void TVezEventItem::Clear() {
    TCatalogItem::Clear();
    Pages.Obtain(1);
}

} // namespace kestra

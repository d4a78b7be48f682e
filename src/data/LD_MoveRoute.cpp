#include "data/LD_MoveRoute.h"

namespace kestra {

void TVezMoveCommands::EncodeTo(TByteWriter& w) const {
    for (const auto& c : Items) {
        WriteVarInt(w, c.Code);
        switch (c.Code) {
        case 32:
        case 33:
            WriteVarInt(w, c.Arg);
            break;
        case 34:
            WriteLString(w, c.Name);
            WriteVarInt(w, c.Arg);
            break;
        case 35:
            WriteLString(w, c.Name);
            WriteVarInt(w, c.Volume);
            WriteVarInt(w, c.Tempo);
            WriteVarInt(w, c.Balance);
            break;
        default:
            break;
        }
    }
}

void TVezMoveCommands::DecodeFrom(TByteReader& r) {
    Items.clear();
    while (!r.AtEnd()) {
        TVezMoveRouteItem c;
        c.Code = ReadVarInt(r);
        switch (c.Code) {
        case 32:
        case 33:
            c.Arg = ReadVarInt(r);
            break;
        case 34:
            c.Name = ReadLString(r);
            c.Arg = ReadVarInt(r);
            break;
        case 35:
            c.Name = ReadLString(r);
            c.Volume = ReadVarInt(r);
            c.Tempo = ReadVarInt(r);
            c.Balance = ReadVarInt(r);
            break;
        default:
            break;
        }
        Items.push_back(std::move(c));
    }
}

void TVezMoveRoute::DescribeChunks(TChunkVisitor& v) {
    v.EncodedSize(11, Commands);
    v.Encoded(12, Commands);
    v.Bool(21, Repeat, true);
    v.Bool(22, SkipBlocked, false);
}

void TVezMoveRoute::SetFromBytes(std::span<const std::uint8_t> bytes, bool keepPartial) {
    TByteReader r(bytes, "move route");
    if (!keepPartial) {
        Commands.DecodeFrom(r);
        return;
    }
    TVezMoveCommands partial;
    try {
        partial.DecodeFrom(r);
    } catch (const EStreamReadError&) {
    }
    // DecodeFrom appends as it goes, so what it holds after an error is the good prefix.
    Commands.Items = std::move(partial.Items);
}

bool TVezMoveRoute::SameAs(const TVezMoveRoute& other) const {
    if (Count() != other.Count()) return false;
    for (std::size_t i = 0; i < Count(); ++i)
        if (Commands.Items[i].Code != other.Commands.Items[i].Code) return false;
    return true;
}

} // namespace kestra

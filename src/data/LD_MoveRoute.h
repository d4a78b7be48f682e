#pragma once
// Move routes: the list of move commands an event page or a move command carries.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

// One move command. Codes 32/33 carry a switch ID in Arg, 34 a character-set file in
// Name and its index in Arg, 35 a sound file in Name with volume, tempo and balance.
struct TVezMoveRouteItem {
    std::int32_t Code = 0;
    std::int32_t Arg = 0;
    std::string Name;
    std::int32_t Volume = 0, Tempo = 0, Balance = 0;
    bool operator==(const TVezMoveRouteItem&) const = default;
};

// The commands of a route in their byte encoding (no count; to the end of the block).
class TVezMoveCommands final : public TChunkCodec {
public:
    void ClearCodec() override { Items.clear(); }
    void EncodeTo(TByteWriter& writer) const override;
    // A route that ends inside a command raises EStreamReadError.
    void DecodeFrom(TByteReader& reader) override;

    std::vector<TVezMoveRouteItem> Items;
};

class TVezMoveRoute : public TCatalogBaseItem {
public:
    TVezMoveRoute() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::size_t Count() const { return Commands.Items.size(); }
    const TVezMoveRouteItem& CommandAt(std::size_t index) const { return Commands.Items.at(index); }
    // Replaces the commands by the decoding of raw bytes. With `keepPartial`, a decode
    // error keeps the commands decoded before it instead of raising.
    void SetFromBytes(std::span<const std::uint8_t> bytes, bool keepPartial = false);
    // Same number of commands and the same code at each position; arguments not compared.
    bool SameAs(const TVezMoveRoute& other) const;

    TVezMoveCommands Commands;
    bool Repeat;
    bool SkipBlocked;
};

} // namespace kestra

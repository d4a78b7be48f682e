#pragma once
// The inner loop of unscaled solid and colour-keyed sheet drawing: 8-bit indexes
// through a 256-entry 5-6-5 table onto 16-bit rows.
#include <cstdint>

namespace kestra {

// Writes colors[source] for a width x height block; with keyed, index 0 leaves the
// destination pixel. Pitches are in elements. Uses vector instructions when the
// processor has them; TableBlitPortable gives the same pixels without.
void TableBlit(std::uint16_t* dest, int destPitch, const std::uint8_t* source, int sourcePitch,
               int width, int height, const std::uint16_t* colors, bool keyed);
void TableBlitPortable(std::uint16_t* dest, int destPitch, const std::uint8_t* source,
                       int sourcePitch, int width, int height, const std::uint16_t* colors,
                       bool keyed);
// True when TableBlit takes the vector path on this processor.
bool TableBlitIsVectorised();

} // namespace kestra

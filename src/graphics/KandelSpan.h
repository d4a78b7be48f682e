#pragma once
// The inner loop of unscaled solid and colour-keyed sheet drawing: 8-bit indexes
// through a 256-entry 5-6-5 table onto 16-bit rows.
#include <cstddef>
#include <cstdint>

namespace kestra {

// Bytes every sheet keeps after its last pixel, so that a four-byte read at any pixel
// stays inside its storage (the gathers of SampleRow).
inline constexpr std::size_t KSheetReadSlack = 3;

// Blends two 5-6-5 colours per channel: (e x source + f x dest) div 256, where
// e + f = 257. The channels are spread 21 bits apart so that one multiplication
// weighs all three and no channel sum (at most 257 x 63) reaches the next.
inline std::uint16_t BlendRgb565(std::uint16_t source, std::uint16_t dest, std::uint32_t e,
                                 std::uint32_t f) {
    const auto spread = [](std::uint16_t c) {
        return (c & 0x1Fu) | (static_cast<std::uint64_t>((c >> 5) & 0x3Fu) << 21) |
               (static_cast<std::uint64_t>(c >> 11) << 42);
    };
    constexpr std::uint64_t mask = 0x1Fu | (0x3Full << 21) | (0x1Full << 42);
    const std::uint64_t m = ((spread(source) * e + spread(dest) * f) >> 8) & mask;
    return static_cast<std::uint16_t>((m >> 42) << 11 | ((m >> 21) & 0x3F) << 5 | (m & 0x1F));
}

// Draws colors[source] over a width x height block: with keyed, index 0 leaves the
// destination pixel; opacity 0..254 blends with weights opacity + 1 and 256 -
// opacity, 255 writes the colour. Pitches are in elements. Uses vector
// instructions when the processor has them; TableBlitPortable gives the same
// pixels without.
void TableBlit(std::uint16_t* dest, int destPitch, const std::uint8_t* source, int sourcePitch,
               int width, int height, const std::uint16_t* colors, bool keyed, int opacity);
void TableBlitPortable(std::uint16_t* dest, int destPitch, const std::uint8_t* source,
                       int sourcePitch, int width, int height, const std::uint16_t* colors,
                       bool keyed, int opacity);
// True when TableBlit takes the vector path on this processor.
bool TableBlitIsVectorised();

// One row of sampled drawing (rotation): pixel k of dest (k < n) takes the source
// index at (u + k du, v + k dv), a 16.16 fixed-point point of the sheet whose rows
// are `pitch` bytes apart. Every point must lie inside the sheet, and the sheet's
// storage must allow a four-byte read at any pixel (KSheetReadSlack). Keying and
// opacity as in TableBlit.
void SampleRow(std::uint16_t* dest, int n, const std::uint8_t* source, int pitch, std::int32_t u,
               std::int32_t v, std::int32_t du, std::int32_t dv, const std::uint16_t* colors,
               bool keyed, int opacity);
void SampleRowPortable(std::uint16_t* dest, int n, const std::uint8_t* source, int pitch,
                       std::int32_t u, std::int32_t v, std::int32_t du, std::int32_t dv,
                       const std::uint16_t* colors, bool keyed, int opacity);
bool SampleRowIsVectorised();

// Cross-fade of two rows: per channel (l x a + (257 - l) x b) div 256, l in 0..256.
void CrossFadeRow(std::uint16_t* dest, const std::uint16_t* a, const std::uint16_t* b, int n,
                  int l);
void CrossFadeRowPortable(std::uint16_t* dest, const std::uint16_t* a, const std::uint16_t* b,
                          int n, int l);
bool CrossFadeRowIsVectorised();

} // namespace kestra

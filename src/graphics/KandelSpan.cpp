#include "graphics/KandelSpan.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KESTRA_HAVE_AVX512_BLIT 1
#endif

namespace kestra {

namespace {

// Four table colours packed into one 64-bit word, lowest address first.
inline std::uint64_t Lookup4(const std::uint16_t* colors, std::uint32_t w) {
    return static_cast<std::uint64_t>(colors[w & 255]) |
           static_cast<std::uint64_t>(colors[(w >> 8) & 255]) << 16 |
           static_cast<std::uint64_t>(colors[(w >> 16) & 255]) << 32 |
           static_cast<std::uint64_t>(colors[w >> 24]) << 48;
}
// 0xFFFF in every lane whose index byte is 0.
inline std::uint64_t ZeroLanes4(std::uint32_t w) {
    return static_cast<std::uint64_t>((w & 0xFFu) == 0) * 0xFFFFu |
           static_cast<std::uint64_t>((w & 0xFF00u) == 0) * 0xFFFF0000u |
           static_cast<std::uint64_t>((w & 0xFF0000u) == 0) * 0xFFFF00000000u |
           static_cast<std::uint64_t>((w & 0xFF000000u) == 0) * 0xFFFF000000000000u;
}

template <bool Keyed>
void PortableRow(std::uint16_t* d, const std::uint8_t* s, int n, const std::uint16_t* colors) {
    static_assert(std::endian::native == std::endian::little);
    int i = 0;
    // Four pixels per step: one 32-bit read of indexes, one 64-bit write.
    for (; i + 4 <= n; i += 4) {
        std::uint32_t w;
        std::memcpy(&w, s + i, 4);
        std::uint64_t out = Lookup4(colors, w);
        if constexpr (Keyed) {
            std::uint64_t old;
            std::memcpy(&old, d + i, 8);
            const std::uint64_t keep = ZeroLanes4(w);
            out = (out & ~keep) | (old & keep);
        }
        std::memcpy(d + i, &out, 8);
    }
    for (; i < n; ++i) {
        const std::uint16_t v = colors[s[i]], old = d[i];
        d[i] = (!Keyed || s[i] != 0) ? v : old;
    }
}

template <bool Keyed>
void PortableBlendRow(std::uint16_t* d, const std::uint8_t* s, int n, const std::uint16_t* colors,
                      std::uint32_t e, std::uint32_t f) {
    for (int i = 0; i < n; ++i) {
        const std::uint16_t old = d[i], v = BlendRgb565(colors[s[i]], old, e, f);
        d[i] = (!Keyed || s[i] != 0) ? v : old;
    }
}

#ifdef KESTRA_HAVE_AVX512_BLIT
// 32 pixels per step: the table lives in eight registers of 32 entries; two-source
// permutes pick within 64 entries and index bits 6 and 7 choose among the four results.
__attribute__((target("avx512f,avx512bw,avx512vl"))) void
Avx512Blit(std::uint16_t* dest, int destPitch, const std::uint8_t* source, int sourcePitch,
           int width, int height, const std::uint16_t* colors, bool keyed, int opacity) {
    const bool blend = opacity < 255;
    const __m512i e = _mm512_set1_epi16(static_cast<short>(opacity + 1));
    const __m512i f = _mm512_set1_epi16(static_cast<short>(256 - opacity));
    const __m512i m5 = _mm512_set1_epi16(0x1F), m6 = _mm512_set1_epi16(0x3F);
    __m512i t[8];
    for (int k = 0; k < 8; ++k) t[k] = _mm512_loadu_si512(colors + 32 * k);
    const __m512i bit6 = _mm512_set1_epi16(0x40), bit7 = _mm512_set1_epi16(0x80);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = source + static_cast<std::ptrdiff_t>(y) * sourcePitch;
        std::uint16_t* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        for (int i = 0; i < width; i += 32) {
            const int n = width - i < 32 ? width - i : 32;
            const __mmask32 lanes = n == 32 ? ~__mmask32{0} : (__mmask32{1} << n) - 1;
            const __m512i idx = _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(lanes, s + i));
            const __m512i q0 = _mm512_permutex2var_epi16(t[0], idx, t[1]);
            const __m512i q1 = _mm512_permutex2var_epi16(t[2], idx, t[3]);
            const __m512i q2 = _mm512_permutex2var_epi16(t[4], idx, t[5]);
            const __m512i q3 = _mm512_permutex2var_epi16(t[6], idx, t[7]);
            const __mmask32 h6 = _mm512_test_epi16_mask(idx, bit6);
            const __mmask32 h7 = _mm512_test_epi16_mask(idx, bit7);
            __m512i r = _mm512_mask_blend_epi16(h7, _mm512_mask_blend_epi16(h6, q0, q1),
                                                _mm512_mask_blend_epi16(h6, q2, q3));
            if (blend) {
                // Per channel in 16-bit lanes: e x source + f x dest stays below 2^14.
                const __m512i old = _mm512_maskz_loadu_epi16(lanes, d + i);
                const __m512i red = _mm512_srli_epi16(
                    _mm512_add_epi16(_mm512_mullo_epi16(_mm512_srli_epi16(r, 11), e),
                                     _mm512_mullo_epi16(_mm512_srli_epi16(old, 11), f)),
                    8);
                const __m512i green = _mm512_srli_epi16(
                    _mm512_add_epi16(
                        _mm512_mullo_epi16(_mm512_and_si512(_mm512_srli_epi16(r, 5), m6), e),
                        _mm512_mullo_epi16(_mm512_and_si512(_mm512_srli_epi16(old, 5), m6), f)),
                    8);
                const __m512i blue = _mm512_srli_epi16(
                    _mm512_add_epi16(_mm512_mullo_epi16(_mm512_and_si512(r, m5), e),
                                     _mm512_mullo_epi16(_mm512_and_si512(old, m5), f)),
                    8);
                r = _mm512_or_si512(
                    _mm512_or_si512(_mm512_slli_epi16(red, 11), _mm512_slli_epi16(green, 5)), blue);
            }
            const __mmask32 store = keyed ? lanes & _mm512_test_epi16_mask(idx, idx) : lanes;
            _mm512_mask_storeu_epi16(d + i, store, r);
        }
    }
}

bool HasAvx512Blit() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl");
    return has;
}
#endif

} // namespace

void TableBlitPortable(std::uint16_t* dest, int destPitch, const std::uint8_t* source,
                       int sourcePitch, int width, int height, const std::uint16_t* colors,
                       bool keyed, int opacity) {
    const auto e = static_cast<std::uint32_t>(opacity + 1);
    const auto f = static_cast<std::uint32_t>(256 - opacity);
    for (int y = 0; y < height; ++y) {
        std::uint16_t* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        const std::uint8_t* s = source + static_cast<std::ptrdiff_t>(y) * sourcePitch;
        if (opacity >= 255) {
            if (keyed)
                PortableRow<true>(d, s, width, colors);
            else
                PortableRow<false>(d, s, width, colors);
        } else if (keyed) {
            PortableBlendRow<true>(d, s, width, colors, e, f);
        } else {
            PortableBlendRow<false>(d, s, width, colors, e, f);
        }
    }
}

bool TableBlitIsVectorised() {
#ifdef KESTRA_HAVE_AVX512_BLIT
    return HasAvx512Blit();
#else
    return false;
#endif
}

void TableBlit(std::uint16_t* dest, int destPitch, const std::uint8_t* source, int sourcePitch,
               int width, int height, const std::uint16_t* colors, bool keyed, int opacity) {
    opacity = opacity < 0 ? 0 : opacity > 255 ? 255 : opacity;
#ifdef KESTRA_HAVE_AVX512_BLIT
    if (HasAvx512Blit()) {
        Avx512Blit(dest, destPitch, source, sourcePitch, width, height, colors, keyed, opacity);
        return;
    }
#endif
    TableBlitPortable(dest, destPitch, source, sourcePitch, width, height, colors, keyed, opacity);
}

} // namespace kestra

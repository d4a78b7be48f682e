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
#define KESTRA_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))

// The 32 colours of 32 indexes (16-bit lanes): the table lives in eight registers of
// 32 entries; two-source permutes pick within 64 entries and index bits 6 and 7
// choose among the four results. Then the blend with the old pixels when asked.
KESTRA_AVX512 inline __m512i Looked(__m512i idx, const __m512i* t, bool blend, __m512i old,
                                    __m512i e, __m512i f) {
    const __m512i bit6 = _mm512_set1_epi16(0x40), bit7 = _mm512_set1_epi16(0x80);
    const __m512i m5 = _mm512_set1_epi16(0x1F), m6 = _mm512_set1_epi16(0x3F);
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
        const __m512i red =
            _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_srli_epi16(r, 11), e),
                                               _mm512_mullo_epi16(_mm512_srli_epi16(old, 11), f)),
                              8);
        const __m512i green = _mm512_srli_epi16(
            _mm512_add_epi16(
                _mm512_mullo_epi16(_mm512_and_si512(_mm512_srli_epi16(r, 5), m6), e),
                _mm512_mullo_epi16(_mm512_and_si512(_mm512_srli_epi16(old, 5), m6), f)),
            8);
        const __m512i blue =
            _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_and_si512(r, m5), e),
                                               _mm512_mullo_epi16(_mm512_and_si512(old, m5), f)),
                              8);
        r = _mm512_or_si512(
            _mm512_or_si512(_mm512_slli_epi16(red, 11), _mm512_slli_epi16(green, 5)), blue);
    }
    return r;
}

// The looked-up lanes stored (without index 0 when keyed).
KESTRA_AVX512 inline void StoreLooked(std::uint16_t* d, __m512i idx, __mmask32 lanes,
                                      const __m512i* t, bool keyed, bool blend, __m512i e,
                                      __m512i f) {
    const __m512i old = blend ? _mm512_maskz_loadu_epi16(lanes, d) : _mm512_setzero_si512();
    const __m512i r = Looked(idx, t, blend, old, e, f);
    const __mmask32 store = keyed ? lanes & _mm512_test_epi16_mask(idx, idx) : lanes;
    _mm512_mask_storeu_epi16(d, store, r);
}

// Rows of at most 16 pixels (tiles and their quarters, small characters): two rows
// share one step, the first in the low 16 lanes, the second in the high ones.
KESTRA_AVX512 void Avx512BlitNarrow(std::uint16_t* dest, int destPitch, const std::uint8_t* source,
                                    int sourcePitch, int width, int height, const __m512i* t,
                                    bool keyed, bool blend, __m512i e, __m512i f) {
    const auto row = static_cast<__mmask16>((1u << width) - 1u);
    const __mmask32 both = row | (static_cast<__mmask32>(row) << 16);
    int y = 0;
    for (; y + 2 <= height; y += 2) {
        const std::uint8_t* s0 = source + static_cast<std::ptrdiff_t>(y) * sourcePitch;
        std::uint16_t* d0 = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        std::uint16_t* d1 = d0 + destPitch;
        // Halves joined by masked broadcasts and split by a shuffle: the plain inserts
        // and extracts start from undefined registers, which GCC 12 reports as
        // uninitialised.
        const __m256i bytes = _mm256_mask_broadcast_i32x4(
            _mm256_maskz_broadcast_i32x4(0x0F, _mm_maskz_loadu_epi8(row, s0)), 0xF0,
            _mm_maskz_loadu_epi8(row, s0 + sourcePitch));
        const __m512i idx = _mm512_cvtepu8_epi16(bytes);
        const __m512i old =
            blend ? _mm512_mask_broadcast_i64x4(
                        _mm512_maskz_broadcast_i64x4(0x0F, _mm256_maskz_loadu_epi16(row, d0)), 0xF0,
                        _mm256_maskz_loadu_epi16(row, d1))
                  : _mm512_setzero_si512();
        const __m512i r = Looked(idx, t, blend, old, e, f);
        const __mmask32 store = keyed ? both & _mm512_test_epi16_mask(idx, idx) : both;
        _mm512_mask_storeu_epi16(d0, store & 0xFFFFu, r);
        _mm512_mask_storeu_epi16(d1, store >> 16, _mm512_maskz_shuffle_i64x2(0xFF, r, r, 0xEE));
    }
    if (y < height) {
        const std::uint8_t* s = source + static_cast<std::ptrdiff_t>(y) * sourcePitch;
        std::uint16_t* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        const __m512i idx = _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(row, s));
        StoreLooked(d, idx, row, t, keyed, blend, e, f);
    }
}

KESTRA_AVX512 void Avx512Blit(std::uint16_t* dest, int destPitch, const std::uint8_t* source,
                              int sourcePitch, int width, int height, const std::uint16_t* colors,
                              bool keyed, int opacity) {
    const bool blend = opacity < 255;
    const __m512i e = _mm512_set1_epi16(static_cast<short>(opacity + 1));
    const __m512i f = _mm512_set1_epi16(static_cast<short>(256 - opacity));
    __m512i t[8];
    for (int k = 0; k < 8; ++k) t[k] = _mm512_loadu_si512(colors + 32 * k);
    if (width <= 16) {
        if (width > 0)
            Avx512BlitNarrow(dest, destPitch, source, sourcePitch, width, height, t, keyed, blend,
                             e, f);
        return;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = source + static_cast<std::ptrdiff_t>(y) * sourcePitch;
        std::uint16_t* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        for (int i = 0; i < width; i += 32) {
            const int n = width - i < 32 ? width - i : 32;
            const __mmask32 lanes = n == 32 ? ~__mmask32{0} : (__mmask32{1} << n) - 1;
            const __m512i idx = _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(lanes, s + i));
            StoreLooked(d + i, idx, lanes, t, keyed, blend, e, f);
        }
    }
}

// 32 sampled pixels per step: two gathers of 16 four-byte reads (the low byte is
// the index), then the table lookup of the plain blit. Lane arithmetic wraps, and
// the points of the lanes in use fit, so their offsets are exact.
KESTRA_AVX512 void Avx512Sample(std::uint16_t* d, int n, const std::uint8_t* source, int pitch,
                                std::int32_t u, std::int32_t v, std::int32_t du, std::int32_t dv,
                                const std::uint16_t* colors, bool keyed, int opacity) {
    const bool blend = opacity < 255;
    const __m512i e = _mm512_set1_epi16(static_cast<short>(opacity + 1));
    const __m512i f = _mm512_set1_epi16(static_cast<short>(256 - opacity));
    __m512i t[8];
    for (int k = 0; k < 8; ++k) t[k] = _mm512_loadu_si512(colors + 32 * k);
    const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const auto wrap = [](std::uint32_t x) { return static_cast<int>(x); };
    const __m512i stepU = _mm512_set1_epi32(du), stepV = _mm512_set1_epi32(dv);
    const __m512i half_u = _mm512_set1_epi32(wrap(static_cast<std::uint32_t>(du) * 16u));
    const __m512i half_v = _mm512_set1_epi32(wrap(static_cast<std::uint32_t>(dv) * 16u));
    const __m512i pitchV = _mm512_set1_epi32(pitch), low = _mm512_set1_epi32(0xFF);
    const __mmask16 all = 0xFFFF;
    __m512i uu = _mm512_add_epi32(_mm512_set1_epi32(u), _mm512_mullo_epi32(lane, stepU));
    __m512i vv = _mm512_add_epi32(_mm512_set1_epi32(v), _mm512_mullo_epi32(lane, stepV));
    for (int i = 0; i < n; i += 32) {
        const int m = n - i < 32 ? n - i : 32;
        const __mmask32 lanes = m == 32 ? ~__mmask32{0} : (__mmask32{1} << m) - 1;
        const auto m0 = static_cast<__mmask16>(lanes), m1 = static_cast<__mmask16>(lanes >> 16);
        const __m512i off0 =
            _mm512_add_epi32(_mm512_mullo_epi32(_mm512_maskz_srai_epi32(all, vv, 16), pitchV),
                             _mm512_maskz_srai_epi32(all, uu, 16));
        uu = _mm512_add_epi32(uu, half_u);
        vv = _mm512_add_epi32(vv, half_v);
        const __m512i off1 =
            _mm512_add_epi32(_mm512_mullo_epi32(_mm512_maskz_srai_epi32(all, vv, 16), pitchV),
                             _mm512_maskz_srai_epi32(all, uu, 16));
        uu = _mm512_add_epi32(uu, half_u);
        vv = _mm512_add_epi32(vv, half_v);
        const __m512i zero = _mm512_setzero_si512();
        const __m512i g0 =
            _mm512_and_si512(_mm512_mask_i32gather_epi32(zero, m0, off0, source, 1), low);
        const __m512i g1 =
            _mm512_and_si512(_mm512_mask_i32gather_epi32(zero, m1, off1, source, 1), low);
        // The maskz forms: the plain ones start from undefined registers, which GCC 12
        // reports as uninitialised at -O3.
        const __m512i low16 = _mm512_maskz_inserti64x4(0xFF, _mm512_setzero_si512(),
                                                       _mm512_maskz_cvtepi32_epi16(all, g0), 0);
        const __m512i idx =
            _mm512_maskz_inserti64x4(0xFF, low16, _mm512_maskz_cvtepi32_epi16(all, g1), 1);
        StoreLooked(d + i, idx, lanes, t, keyed, blend, e, f);
    }
}

bool HasAvx512Blit() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl");
    return has;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define KESTRA_HAVE_AVX2_FADE 1
// 16 pixels per step; every channel sum stays below 2^14 in its 16-bit lane.
__attribute__((target("avx2"))) void Avx2CrossFade(std::uint16_t* d, const std::uint16_t* a,
                                                   const std::uint16_t* b, int n, int l) {
    const __m256i wa = _mm256_set1_epi16(static_cast<short>(l));
    const __m256i wb = _mm256_set1_epi16(static_cast<short>(257 - l));
    const __m256i m5 = _mm256_set1_epi16(0x1F), m6 = _mm256_set1_epi16(0x3F);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i red =
            _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(x, 11), wa),
                                               _mm256_mullo_epi16(_mm256_srli_epi16(y, 11), wb)),
                              8);
        const __m256i green = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi16(x, 5), m6), wa),
                             _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi16(y, 5), m6), wb)),
            8);
        const __m256i blue =
            _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(x, m5), wa),
                                               _mm256_mullo_epi16(_mm256_and_si256(y, m5), wb)),
                              8);
        const __m256i r = _mm256_or_si256(
            _mm256_or_si256(_mm256_slli_epi16(red, 11), _mm256_slli_epi16(green, 5)), blue);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), r);
    }
    CrossFadeRowPortable(d + i, a + i, b + i, n - i, l);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
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

namespace kestra {

void SampleRowPortable(std::uint16_t* dest, int n, const std::uint8_t* source, int pitch,
                       std::int32_t u, std::int32_t v, std::int32_t du, std::int32_t dv,
                       const std::uint16_t* colors, bool keyed, int opacity) {
    opacity = opacity < 0 ? 0 : opacity > 255 ? 255 : opacity;
    const auto e = static_cast<std::uint32_t>(opacity + 1);
    const auto f = static_cast<std::uint32_t>(256 - opacity);
    // 64-bit points: the caller guarantees only that the points of the row fit.
    const std::int64_t u0 = u, v0 = v;
    for (int k = 0; k < n; ++k) {
        const std::int64_t su = (u0 + std::int64_t{k} * du) >> 16;
        const std::int64_t sv = (v0 + std::int64_t{k} * dv) >> 16;
        const std::uint8_t c = source[sv * pitch + su];
        if (keyed && c == 0) continue;
        dest[k] = opacity >= 255 ? colors[c] : BlendRgb565(colors[c], dest[k], e, f);
    }
}

bool SampleRowIsVectorised() {
    return TableBlitIsVectorised();
}

void SampleRow(std::uint16_t* dest, int n, const std::uint8_t* source, int pitch, std::int32_t u,
               std::int32_t v, std::int32_t du, std::int32_t dv, const std::uint16_t* colors,
               bool keyed, int opacity) {
#ifdef KESTRA_HAVE_AVX512_BLIT
    if (n > 0 && HasAvx512Blit()) {
        opacity = opacity < 0 ? 0 : opacity > 255 ? 255 : opacity;
        Avx512Sample(dest, n, source, pitch, u, v, du, dv, colors, keyed, opacity);
        return;
    }
#endif
    SampleRowPortable(dest, n, source, pitch, u, v, du, dv, colors, keyed, opacity);
}

void CrossFadeRowPortable(std::uint16_t* dest, const std::uint16_t* a, const std::uint16_t* b,
                          int n, int l) {
    const int m = 257 - l;
    for (int x = 0; x < n; ++x) {
        const int r = (l * (a[x] >> 11) + m * (b[x] >> 11)) >> 8;
        const int g = (l * ((a[x] >> 5) & 63) + m * ((b[x] >> 5) & 63)) >> 8;
        const int bl = (l * (a[x] & 31) + m * (b[x] & 31)) >> 8;
        dest[x] = static_cast<std::uint16_t>(r << 11 | g << 5 | bl);
    }
}

bool CrossFadeRowIsVectorised() {
#ifdef KESTRA_HAVE_AVX2_FADE
    return HasAvx2();
#else
    return false;
#endif
}

void CrossFadeRow(std::uint16_t* dest, const std::uint16_t* a, const std::uint16_t* b, int n,
                  int l) {
    l = l < 0 ? 0 : l > 256 ? 256 : l;
#ifdef KESTRA_HAVE_AVX2_FADE
    if (HasAvx2()) {
        Avx2CrossFade(dest, a, b, n, l);
        return;
    }
#endif
    CrossFadeRowPortable(dest, a, b, n, l);
}

} // namespace kestra

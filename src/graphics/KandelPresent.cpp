#include "graphics/KandelPresent.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KESTRA_HAVE_AVX2_PRESENT 1
#endif

namespace kestra {

namespace {

inline std::uint32_t Xrgb(std::uint16_t p) {
    const std::uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// One board row into the first frame row of its square band.
template <class TOut, class TConvert>
void PortableRow(const std::uint16_t* s, int width, int factor, TOut* d, TConvert convert) {
    for (int x = 0; x < width; ++x) {
        const TOut c = convert(s[x]);
        for (int k = 0; k < factor; ++k) *d++ = c;
    }
}

// The first row of each band is written; the others repeat it.
template <class TRowWriter>
void Bands(const TKandelBoard& board, void* frame, int pitch, int factor, int bytesPerPixel,
           TRowWriter writeRow) {
    auto* out = static_cast<std::uint8_t*>(frame);
    const std::size_t rowBytes =
        static_cast<std::size_t>(board.Width()) * static_cast<std::size_t>(factor * bytesPerPixel);
    for (int y = 0; y < board.Height(); ++y) {
        std::uint8_t* first = out + static_cast<std::ptrdiff_t>(y) * factor * pitch;
        writeRow(board.ScanLine(y), first);
        for (int k = 1; k < factor; ++k)
            std::memcpy(first + static_cast<std::ptrdiff_t>(k) * pitch, first, rowBytes);
    }
}

#ifdef KESTRA_HAVE_AVX2_PRESENT
#define KESTRA_AVX2 __attribute__((target("avx2")))

// Eight 5-6-5 pixels to eight 0xFFRRGGBB words.
KESTRA_AVX2 inline __m256i Xrgb8(const std::uint16_t* s) {
    const __m256i p = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    const __m256i m5 = _mm256_set1_epi32(31), m6 = _mm256_set1_epi32(63);
    const __m256i r = _mm256_and_si256(_mm256_srli_epi32(p, 11), m5);
    const __m256i g = _mm256_and_si256(_mm256_srli_epi32(p, 5), m6);
    const __m256i b = _mm256_and_si256(p, m5);
    const __m256i r8 = _mm256_or_si256(_mm256_slli_epi32(r, 3), _mm256_srli_epi32(r, 2));
    const __m256i g8 = _mm256_or_si256(_mm256_slli_epi32(g, 2), _mm256_srli_epi32(g, 4));
    const __m256i b8 = _mm256_or_si256(_mm256_slli_epi32(b, 3), _mm256_srli_epi32(b, 2));
    return _mm256_or_si256(_mm256_or_si256(_mm256_set1_epi32(static_cast<int>(0xFF000000u)),
                                           _mm256_slli_epi32(r8, 16)),
                           _mm256_or_si256(_mm256_slli_epi32(g8, 8), b8));
}

KESTRA_AVX2 void Avx2XrgbRow(const std::uint16_t* s, int width, int factor, std::uint32_t* d) {
    int x = 0;
    if (factor == 1) {
        for (; x + 8 <= width; x += 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), Xrgb8(s + x));
    } else if (factor == 2) {
        const __m256i low = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
        const __m256i high = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
        for (; x + 8 <= width; x += 8) {
            const __m256i c = Xrgb8(s + x);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x),
                                _mm256_permutevar8x32_epi32(c, low));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x + 8),
                                _mm256_permutevar8x32_epi32(c, high));
        }
    }
    PortableRow(s + x, width - x, factor, d + static_cast<std::ptrdiff_t>(x) * factor, Xrgb);
}

KESTRA_AVX2 void Avx2DoubleRow565(const std::uint16_t* s, int width, std::uint16_t* d) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x));
        const __m256i lo = _mm256_unpacklo_epi16(p, p), hi = _mm256_unpackhi_epi16(p, p);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x),
                            _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x + 16),
                            _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    PortableRow(s + x, width - x, 2, d + 2 * x, [](std::uint16_t c) { return c; });
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

void PresentBoardPortable(const TKandelBoard& board, void* frame, int pitch, int factor,
                          TScreenPixels format) {
    if (factor < 1) return;
    const int width = board.Width();
    if (format == TScreenPixels::Rgb565)
        Bands(board, frame, pitch, factor, 2, [&](const std::uint16_t* s, std::uint8_t* d) {
            PortableRow(s, width, factor, reinterpret_cast<std::uint16_t*>(d),
                        [](std::uint16_t c) { return c; });
        });
    else
        Bands(board, frame, pitch, factor, 4, [&](const std::uint16_t* s, std::uint8_t* d) {
            PortableRow(s, width, factor, reinterpret_cast<std::uint32_t*>(d), Xrgb);
        });
}

bool PresentBoardIsVectorised() {
#ifdef KESTRA_HAVE_AVX2_PRESENT
    return HasAvx2();
#else
    return false;
#endif
}

void PresentBoard(const TKandelBoard& board, void* frame, int pitch, int factor,
                  TScreenPixels format) {
    if (factor < 1) return;
    const int width = board.Width();
    if (format == TScreenPixels::Rgb565 && factor == 1) {
        Bands(board, frame, pitch, 1, 2, [&](const std::uint16_t* s, std::uint8_t* d) {
            std::memcpy(d, s, static_cast<std::size_t>(width) * 2);
        });
        return;
    }
#ifdef KESTRA_HAVE_AVX2_PRESENT
    if (HasAvx2()) {
        if (format == TScreenPixels::Xrgb8888) {
            Bands(board, frame, pitch, factor, 4, [&](const std::uint16_t* s, std::uint8_t* d) {
                Avx2XrgbRow(s, width, factor, reinterpret_cast<std::uint32_t*>(d));
            });
            return;
        }
        if (factor == 2) {
            Bands(board, frame, pitch, 2, 2, [&](const std::uint16_t* s, std::uint8_t* d) {
                Avx2DoubleRow565(s, width, reinterpret_cast<std::uint16_t*>(d));
            });
            return;
        }
    }
#endif
    PresentBoardPortable(board, frame, pitch, factor, format);
}

} // namespace kestra

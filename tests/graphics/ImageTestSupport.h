#pragma once
// Helpers shared by the image codec tests: suite paths and hand-built files.
#include <cstdint>
#include <string>
#include <vector>
#include <zlib.h>

#include "base/FileBytes.h"
#include "graphics/KandelBitmap.h"

namespace kestra::test {

inline std::string SuitePath(const std::string& relative) {
    return std::string(KESTRA_TESTDATA_DIR) + "/" + relative;
}

inline std::vector<std::uint8_t> SuiteBytes(const std::string& relative) {
    return ReadFileBytes(SuitePath(relative), 1 << 24);
}

using TBytes = std::vector<std::uint8_t>;

inline void PutBe32(TBytes& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

inline void PutChunk(TBytes& out, const char* type, const TBytes& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    TBytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBe32(out,
            static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

inline TBytes PngSignature() {
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

inline TBytes Ihdr(std::uint32_t w, std::uint32_t h, int depth, int colourType, int interlace = 0) {
    TBytes d;
    PutBe32(d, w);
    PutBe32(d, h);
    d.insert(d.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colourType), 0,
                       0, static_cast<std::uint8_t>(interlace)});
    return d;
}

inline TBytes Compress(const TBytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    TBytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    out.resize(size);
    return out;
}

// Samples of a noisy test picture: rows 2-3, 6-7, ... use only 0..3, so that neighbours are
// often equal and predictors meet their tie cases; even rows use every byte value.
inline std::uint8_t TestSample(int x, int y, int channel) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^
                      static_cast<std::uint32_t>(y) * 19349663u ^
                      static_cast<std::uint32_t>(channel) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<std::uint8_t>((y / 2) % 2 ? h & 3 : h & 0xFF);
}

} // namespace kestra::test

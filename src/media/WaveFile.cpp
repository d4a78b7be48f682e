#include "media/WaveFile.h"

#include <cstring>
#include <fstream>

namespace kestra {

namespace {

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::uint16_t KFormatPcm = 1;
constexpr std::uint16_t KFormatExtensible = 0xFFFE;
// The 14 bytes that follow the format tag in the sub-format GUID of every
// standard extensible format.
constexpr std::uint8_t KGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

[[noreturn]] void Fail(const std::string& name, const std::string& problem) {
    throw ESoundFormatError(name + ": " + problem);
}

struct TFormat {
    std::uint16_t Channels = 0;
    std::uint32_t Rate = 0;
    std::uint16_t Bits = 0;
};

TFormat ParseFormat(const std::uint8_t* p, std::uint32_t size, const std::string& name) {
    if (size < 16) Fail(name, "format chunk too short (" + std::to_string(size) + " bytes)");
    std::uint16_t tag = ReadU16(p);
    TFormat f;
    f.Channels = ReadU16(p + 2);
    f.Rate = ReadU32(p + 4);
    f.Bits = ReadU16(p + 14);
    if (tag == KFormatExtensible) {
        if (size < 40) Fail(name, "extensible format chunk too short");
        std::uint16_t sub = ReadU16(p + 24);
        if (sub != KFormatPcm || std::memcmp(p + 26, KGuidTail, sizeof KGuidTail) != 0)
            Fail(name, "compressed or non-PCM sample format is not supported");
    } else if (tag != KFormatPcm) {
        Fail(name, "sample format " + std::to_string(tag) +
                       " is not supported (only uncompressed PCM is)");
    }
    if (f.Channels != 1 && f.Channels != 2)
        Fail(name, std::to_string(f.Channels) + " channels are not supported (1 or 2)");
    if (f.Bits != 8 && f.Bits != 16)
        Fail(name, std::to_string(f.Bits) + "-bit samples are not supported (8 or 16)");
    if (f.Rate < static_cast<std::uint32_t>(KMinWaveRate) ||
        f.Rate > static_cast<std::uint32_t>(KMaxWaveRate))
        Fail(name, "sample rate " + std::to_string(f.Rate) + " Hz is out of range");
    return f;
}

} // namespace

bool LooksLikeWave(const std::uint8_t* data, std::size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WAVE", 4) == 0;
}

TWaveData DecodeWave(const std::uint8_t* data, std::size_t size, const std::string& name) {
    if (!LooksLikeWave(data, size)) Fail(name, "not a RIFF WAVE file");
    // The RIFF size field is often wrong in files found in the wild; the real
    // file size bounds the chunk walk instead.
    bool haveFormat = false;
    TFormat format;
    const std::uint8_t* samples = nullptr;
    std::size_t sampleBytes = 0;
    std::size_t pos = 12;
    while ((!haveFormat || !samples) && size - pos >= 8) {
        const std::uint8_t* chunk = data + pos;
        std::uint32_t chunkSize = ReadU32(chunk + 4);
        std::size_t left = size - pos - 8;
        bool isData = std::memcmp(chunk, "data", 4) == 0;
        if (chunkSize > left) {
            if (isData)
                Fail(name, "truncated: the sample data claims " + std::to_string(chunkSize) +
                               " bytes, " + std::to_string(left) + " are present");
            Fail(name, "truncated: a chunk claims " + std::to_string(chunkSize) + " bytes, " +
                           std::to_string(left) + " are present");
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            format = ParseFormat(chunk + 8, chunkSize, name);
            haveFormat = true;
        } else if (isData && !samples) {
            samples = chunk + 8;
            sampleBytes = chunkSize;
        }
        // Chunks are padded to an even length; a missing final pad byte is harmless.
        std::size_t next = 8 + static_cast<std::size_t>(chunkSize) + (chunkSize & 1u);
        if (next > size - pos) break;
        pos += next;
    }
    if (!haveFormat) Fail(name, "no format chunk");
    if (!samples) Fail(name, "no sample data chunk");

    std::size_t bytesPerSample = format.Bits / 8u;
    std::size_t frameBytes = bytesPerSample * format.Channels;
    std::size_t frames = sampleBytes / frameBytes; // a partial last frame is dropped
    if (frames == 0) Fail(name, "no samples");
    std::size_t count = frames * format.Channels;
    if (count > KMaxWaveSamples)
        Fail(name, "too long (" + std::to_string(frames) + " frames; at most " +
                       std::to_string(KMaxWaveSamples / format.Channels) + ")");

    TWaveData wave;
    wave.Channels = format.Channels;
    wave.SampleRate = static_cast<std::int32_t>(format.Rate);
    wave.Samples.resize(count);
    if (format.Bits == 8) {
        for (std::size_t i = 0; i < count; ++i)
            wave.Samples[i] = static_cast<std::int16_t>((samples[i] - 128) * 256);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            wave.Samples[i] = static_cast<std::int16_t>(ReadU16(samples + 2 * i));
    }
    return wave;
}

std::vector<std::uint8_t> ReadSoundFile(const std::string& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path + ": cannot open");
    in.seekg(0, std::ios::end);
    std::streamoff end = in.tellg();
    if (end < 0) throw EFileError(path + ": cannot determine the size");
    if (static_cast<std::uint64_t>(end) > maxBytes)
        throw EFileError(path + ": too large (" + std::to_string(end) + " bytes)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end));
    in.seekg(0, std::ios::beg);
    if (!bytes.empty() &&
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(end)))
        throw EFileError(path + ": read error");
    return bytes;
}

TWaveData LoadWaveFile(const std::string& path) {
    // The largest file that can hold KMaxWaveSamples 16-bit samples plus headers.
    std::vector<std::uint8_t> bytes = ReadSoundFile(path, KMaxWaveSamples * 2 + (1u << 20));
    return DecodeWave(bytes.data(), bytes.size(), path);
}

} // namespace kestra

#pragma once
// RIFF WAVE decoding: uncompressed PCM, 8 or 16 bits, mono or stereo, any rate
// in KMinWaveRate..KMaxWaveRate. Everything else is refused with an exception
// that names the file and the problem. Files come from strangers, so every
// size field is checked against the bytes that are really there.
#include "base/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestra {

// A sound or music file that breaks its format or uses a variant we do not play.
class ESoundFormatError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

inline constexpr std::int32_t KMinWaveRate = 1000;
inline constexpr std::int32_t KMaxWaveRate = 192000;
// Upper bound of the decoded samples (all channels), 128 MiB of 16-bit data:
// about 12 minutes of 44.1 kHz stereo.
inline constexpr std::size_t KMaxWaveSamples = std::size_t{64} << 20;

// Decoded sound: signed 16-bit samples, channels interleaved.
struct TWaveData {
    std::int32_t Channels = 0;   // 1 or 2
    std::int32_t SampleRate = 0; // frames per second
    std::vector<std::int16_t> Samples;

    std::size_t FrameCount() const {
        return Channels > 0 ? Samples.size() / static_cast<std::size_t>(Channels) : 0;
    }
};

// True when the bytes begin like a RIFF WAVE file.
bool LooksLikeWave(const std::uint8_t* data, std::size_t size);

// Decodes a whole file held in memory; `name` is used in error messages.
TWaveData DecodeWave(const std::uint8_t* data, std::size_t size, const std::string& name);

// Reads and decodes a file; EFileError when it cannot be read.
TWaveData LoadWaveFile(const std::string& path);

// Reads a whole file, refusing files above maxBytes; EFileError on failure.
std::vector<std::uint8_t> ReadSoundFile(const std::string& path, std::size_t maxBytes);

} // namespace kestra

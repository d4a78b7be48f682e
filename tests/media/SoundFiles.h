#pragma once
// Builders of small WAV and MIDI files for the sound tests.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace kestra::test {

inline void PutU16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

// A PCM WAV; 16-bit samples are given as they are, 8-bit ones as value / 256 + 128.
inline std::vector<std::uint8_t> MakeWave(int channels, int rate, int bits,
                                          const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> data;
    for (std::int16_t s : samples) {
        if (bits == 8)
            data.push_back(static_cast<std::uint8_t>(s / 256 + 128));
        else
            PutU16(data, static_cast<std::uint16_t>(s));
    }
    std::vector<std::uint8_t> b = {'R', 'I', 'F', 'F'};
    PutU32(b, static_cast<std::uint32_t>(36 + data.size()));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutU32(b, 16);
    PutU16(b, 1);
    PutU16(b, static_cast<std::uint32_t>(channels));
    PutU32(b, static_cast<std::uint32_t>(rate));
    PutU32(b, static_cast<std::uint32_t>(rate * channels * bits / 8));
    PutU16(b, static_cast<std::uint32_t>(channels * bits / 8));
    PutU16(b, static_cast<std::uint32_t>(bits));
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    PutU32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    return b;
}

// A constant mono 16-bit signal, easy to measure after mixing.
inline std::vector<std::uint8_t> MakeFlatWave(int rate, std::size_t frames, std::int16_t value) {
    return MakeWave(1, rate, 16, std::vector<std::int16_t>(frames, value));
}

// One-track MIDI file, 96 ticks per quarter at the default 120 bpm (192 ticks
// a second): a note on middle C for `noteTicks`, the track ending at `endTicks`.
inline std::vector<std::uint8_t> MakeMidi(std::uint32_t noteTicks, std::uint32_t endTicks) {
    auto delta = [](std::vector<std::uint8_t>& t, std::uint32_t v) {
        std::uint8_t bytes[4];
        int n = 0;
        do {
            bytes[n++] = static_cast<std::uint8_t>(v & 0x7F);
            v >>= 7;
        } while (v != 0);
        while (n > 0) {
            --n;
            t.push_back(static_cast<std::uint8_t>(bytes[n] | (n > 0 ? 0x80 : 0)));
        }
    };
    std::vector<std::uint8_t> track;
    delta(track, 0);
    track.insert(track.end(), {0xC0, 0x00}); // piano
    delta(track, 0);
    track.insert(track.end(), {0x90, 60, 110});
    delta(track, noteTicks);
    track.insert(track.end(), {0x80, 60, 0});
    delta(track, endTicks - noteTicks);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    b.insert(b.end(), {'M', 'T', 'r', 'k'});
    b.push_back(static_cast<std::uint8_t>(track.size() >> 24));
    b.push_back(static_cast<std::uint8_t>(track.size() >> 16));
    b.push_back(static_cast<std::uint8_t>(track.size() >> 8));
    b.push_back(static_cast<std::uint8_t>(track.size()));
    b.insert(b.end(), track.begin(), track.end());
    return b;
}

// A file in a per-process temporary folder, removed with the object.
class TTempFile {
public:
    TTempFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        static std::atomic<int> counter{0};
        auto dir =
            std::filesystem::temp_directory_path() / ("kestra-sound-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        Path = (dir / (std::to_string(counter++) + "-" + name)).string();
        std::ofstream out(Path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    ~TTempFile() { std::filesystem::remove(Path); }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    std::string Path;
};

} // namespace kestra::test

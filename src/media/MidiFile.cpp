#include "media/MidiFile.h"

#include <cstring>

namespace kestra {

namespace {

std::uint32_t ReadU32BE(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

[[noreturn]] void Fail(const std::string& name, const std::string& problem) {
    throw ESoundFormatError(name + ": " + problem);
}

} // namespace

bool LooksLikeMidi(const std::uint8_t* data, std::size_t size) {
    return size >= 4 && std::memcmp(data, "MThd", 4) == 0;
}

void CheckMidiFile(const std::uint8_t* data, std::size_t size, const std::string& name) {
    if (!LooksLikeMidi(data, size)) Fail(name, "not a MIDI file");
    if (size < 14) Fail(name, "truncated MIDI header");
    std::uint32_t headerSize = ReadU32BE(data + 4);
    if (headerSize < 6 || headerSize > size - 8) Fail(name, "bad MIDI header size");
    std::uint16_t format = static_cast<std::uint16_t>((data[8] << 8) | data[9]);
    if (format > 2) Fail(name, "unknown MIDI file format " + std::to_string(format));
    std::size_t pos = 8 + static_cast<std::size_t>(headerSize);
    std::size_t tracks = 0;
    while (size - pos >= 8) {
        std::uint32_t chunkSize = ReadU32BE(data + pos + 4);
        if (chunkSize > size - pos - 8)
            Fail(name, "truncated: a MIDI chunk claims " + std::to_string(chunkSize) + " bytes, " +
                           std::to_string(size - pos - 8) + " are present");
        if (std::memcmp(data + pos, "MTrk", 4) == 0) ++tracks;
        pos += 8 + static_cast<std::size_t>(chunkSize);
    }
    if (tracks == 0) Fail(name, "no MIDI track");
}

} // namespace kestra

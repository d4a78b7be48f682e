#pragma once
// A structural check of Standard MIDI Files before they reach the synthesizer:
// the header and every chunk must lie within the file, and there must be at
// least one track. The events themselves are left to the MIDI player.
#include "media/WaveFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestra {

// True when the bytes begin with a MIDI header chunk.
bool LooksLikeMidi(const std::uint8_t* data, std::size_t size);

// Throws ESoundFormatError naming the file when the chunk structure is broken.
void CheckMidiFile(const std::uint8_t* data, std::size_t size, const std::string& name);

} // namespace kestra

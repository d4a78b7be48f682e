// Feeds arbitrary bytes to the sound file readers (WAV decoding, the MIDI
// structure check): each must accept or raise its own error, never crash, read
// out of bounds or allocate without bound.
#include "media/MidiFile.h"
#include "media/WaveFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kestra::TWaveData w = kestra::DecodeWave(data, size, "fuzz.wav");
        volatile std::size_t frames = w.FrameCount();
        (void)frames;
    } catch (const kestra::ESoundFormatError&) {
    }
    try {
        kestra::CheckMidiFile(data, size, "fuzz.mid");
    } catch (const kestra::ESoundFormatError&) {
    }
    return 0;
}

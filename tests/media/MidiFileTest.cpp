#include "media/MidiFile.h"

#include "SoundFiles.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

void Check(const std::vector<std::uint8_t>& b) {
    CheckMidiFile(b.data(), b.size(), "song.mid");
}

} // namespace

TEST(MidiFile, AcceptsWholeFilesAndRejectsBrokenStructure) {
    std::vector<std::uint8_t> good = test::MakeMidi(96, 192);
    EXPECT_NO_THROW(Check(good));
    // Trailing bytes too few for a chunk header are ignored.
    std::vector<std::uint8_t> tail = good;
    tail.insert(tail.end(), {0, 0, 0});
    EXPECT_NO_THROW(Check(tail));

    // Every strict prefix that cuts into the track is refused.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(Check(part), ESoundFormatError) << n << " bytes";
    }

    std::vector<std::uint8_t> header = good;
    header[4] = 0xFF; // header size ~4 GiB
    EXPECT_THROW(Check(header), ESoundFormatError);
    std::vector<std::uint8_t> format = good;
    format[9] = 7;
    EXPECT_THROW(Check(format), ESoundFormatError);
    std::vector<std::uint8_t> noTrack(good.begin(), good.begin() + 14);
    try {
        Check(noTrack);
        FAIL() << "accepted a file without tracks";
    } catch (const ESoundFormatError& e) {
        EXPECT_NE(std::string(e.what()).find("song.mid: no MIDI track"), std::string::npos);
    }
}

#include "media/WaveFile.h"

#include "SoundFiles.h"

#include <gtest/gtest.h>

using namespace kestra;
using kestra::test::MakeWave;
using kestra::test::PutU32;

namespace {

TWaveData Decode(const std::vector<std::uint8_t>& b) {
    return DecodeWave(b.data(), b.size(), "test.wav");
}

// Expects a rejection that names the file and contains `problem`.
void ExpectRejected(const std::vector<std::uint8_t>& b, const std::string& problem) {
    try {
        Decode(b);
        ADD_FAILURE() << "accepted a file that should fail with: " << problem;
    } catch (const ESoundFormatError& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("test.wav"), std::string::npos) << what;
        EXPECT_NE(what.find(problem), std::string::npos) << what;
    }
}

void SetU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    std::vector<std::uint8_t> tmp;
    PutU32(tmp, v);
    std::copy(tmp.begin(), tmp.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace

TEST(WaveFile, DecodesEightAndSixteenBitMonoAndStereo) {
    TWaveData mono8 = Decode(MakeWave(1, 11025, 8, {-32768, 0, 256, 32512}));
    EXPECT_EQ(mono8.Channels, 1);
    EXPECT_EQ(mono8.SampleRate, 11025);
    EXPECT_EQ(mono8.Samples, (std::vector<std::int16_t>{-32768, 0, 256, 32512}));

    TWaveData stereo16 = Decode(MakeWave(2, 48000, 16, {1, -1, 32767, -32768, 300, -300}));
    EXPECT_EQ(stereo16.Channels, 2);
    EXPECT_EQ(stereo16.FrameCount(), 3u);
    EXPECT_EQ(stereo16.Samples, (std::vector<std::int16_t>{1, -1, 32767, -32768, 300, -300}));
}

TEST(WaveFile, SkipsOtherChunksWithPaddingAndDropsAPartialFrame) {
    std::vector<std::uint8_t> b = MakeWave(2, 22050, 16, {10, 20, 30, 40});
    // An odd-sized LIST chunk (with its pad byte) between the header and "fmt ".
    std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    b.insert(b.begin() + 12, list.begin(), list.end());
    TWaveData w = Decode(b);
    EXPECT_EQ(w.Samples, (std::vector<std::int16_t>{10, 20, 30, 40}));

    // Six data bytes of a 4-byte stereo frame: one whole frame remains.
    std::vector<std::uint8_t> c = MakeWave(2, 22050, 16, {10, 20, 30});
    EXPECT_EQ(Decode(c).Samples, (std::vector<std::int16_t>{10, 20}));
}

TEST(WaveFile, RejectsVariantsWeDoNotPlay) {
    auto withField = [](std::size_t at, int bytes, std::uint32_t v) {
        std::vector<std::uint8_t> b = MakeWave(1, 22050, 16, {1, 2, 3, 4});
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        return b;
    };
    ExpectRejected(withField(20, 2, 3), "sample format 3");     // IEEE float
    ExpectRejected(withField(20, 2, 0x11), "sample format 17"); // IMA ADPCM
    ExpectRejected(withField(22, 2, 6), "6 channels");
    ExpectRejected(withField(22, 2, 0), "0 channels");
    ExpectRejected(withField(34, 2, 24), "24-bit");
    ExpectRejected(withField(24, 4, 0), "sample rate 0");
    ExpectRejected(withField(24, 4, 0xFFFFFFFF), "out of range");
    ExpectRejected({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "not a RIFF WAVE");
    ExpectRejected({}, "not a RIFF WAVE");
}

TEST(WaveFile, RejectsTruncatedAndLyingSizes) {
    std::vector<std::uint8_t> good = MakeWave(1, 22050, 16, {1, 2, 3, 4, 5, 6});
    // The data chunk claims ~4 GiB: refused before any allocation.
    std::vector<std::uint8_t> huge = good;
    SetU32(huge, 40, 0xFFFFFFF0u);
    ExpectRejected(huge, "truncated");
    // The format chunk claims more bytes than the file has.
    std::vector<std::uint8_t> fmt = good;
    SetU32(fmt, 16, 0x7FFFFFFFu);
    ExpectRejected(fmt, "truncated");
    std::vector<std::uint8_t> shortFmt = good;
    SetU32(shortFmt, 16, 8);
    ExpectRejected(shortFmt, "format chunk too short");
    // Header only: no chunks at all.
    ExpectRejected(std::vector<std::uint8_t>(good.begin(), good.begin() + 12), "no format chunk");
    // Format but no data.
    ExpectRejected(std::vector<std::uint8_t>(good.begin(), good.begin() + 36), "no sample data");

    // Every prefix of a valid file decodes or fails cleanly.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(Decode(part), ESoundFormatError) << "prefix of " << n << " bytes";
    }
}

TEST(WaveFile, LoadNamesAMissingFile) {
    try {
        LoadWaveFile("/nonexistent/kestra/boom.wav");
        FAIL() << "no exception";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("boom.wav"), std::string::npos);
    }
}

TEST(WaveFile, AcceptsExtensiblePcmAndTheFuzzSeeds) {
    const std::string dir = KESTRA_SOURCE_DIR "/tests/fuzz/corpus/wav/";
    TWaveData ext = LoadWaveFile(dir + "extensible.wav");
    EXPECT_EQ(ext.SampleRate, 11025);
    EXPECT_EQ(ext.FrameCount(), 32u);
    EXPECT_EQ(ext.Samples[3], 300);
    EXPECT_EQ(LoadWaveFile(dir + "mono8.wav").FrameCount(), 101u);
    EXPECT_EQ(LoadWaveFile(dir + "stereo16.wav").Samples[3], -300);

    // The same header with a non-PCM sub-format is refused.
    std::vector<std::uint8_t> b = kestra::ReadSoundFile(dir + "extensible.wav", 1 << 16);
    b[44] = 3; // sub-format: float
    ExpectRejected(b, "non-PCM");
}

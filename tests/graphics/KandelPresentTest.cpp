#include "graphics/KandelPresent.h"
#include "base/Random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kestra {
namespace {

// A frame buffer with a few bytes of padding after every row and after the end, so
// that writes outside the picture show up.
struct TFrame {
    TFrame(int width, int height, int factor, TScreenPixels format)
        : Pitch(width * factor * ScreenPixelBytes(format) + 12),
          Bytes(static_cast<std::size_t>(Pitch) * height * factor + 16, 0xAB) {}
    int Pitch;
    std::vector<std::uint8_t> Bytes;
    std::uint32_t Word(int x, int y) const {
        std::uint32_t v;
        std::memcpy(&v, Bytes.data() + static_cast<std::size_t>(y) * Pitch + x * 4, 4);
        return v;
    }
    std::uint16_t Half(int x, int y) const {
        std::uint16_t v;
        std::memcpy(&v, Bytes.data() + static_cast<std::size_t>(y) * Pitch + x * 2, 2);
        return v;
    }
};

TEST(KandelPresent, ChannelsWidenToEightBitsAndPixelsBecomeSquares) {
    TKandelBoard board;
    board.SetSize(3, 2);
    board.ScanLine(0)[0] = 0xF800; // red 31
    board.ScanLine(0)[1] = 0x07E0; // green 63
    board.ScanLine(0)[2] = 0x001F; // blue 31
    board.ScanLine(1)[0] = 0x0000;
    board.ScanLine(1)[1] = PackRgb565(16, 32, 1);
    board.ScanLine(1)[2] = 0xFFFF;
    TFrame frame(3, 2, 2, TScreenPixels::Xrgb8888);
    PresentBoard(board, frame.Bytes.data(), frame.Pitch, 2, TScreenPixels::Xrgb8888);
    const std::uint32_t expected[2][3] = {{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu},
                                          {0xFF000000u, 0xFF848208u, 0xFFFFFFFFu}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(frame.Word(x, y), expected[y / 2][x / 2]) << x << "," << y;
    EXPECT_EQ(frame.Word(6, 0), 0xABABABABu); // the padding is untouched
    TFrame half(3, 2, 1, TScreenPixels::Rgb565);
    PresentBoard(board, half.Bytes.data(), half.Pitch, 1, TScreenPixels::Rgb565);
    EXPECT_EQ(half.Half(1, 1), board.ScanLine(1)[1]);
    EXPECT_EQ(half.Half(3, 1), 0xABAB);
}

// The vector path against the portable one: both formats, factors 1 to 4, board
// widths that leave every tail length of the 8- and 16-pixel steps.
TEST(KandelPresent, VectorPathMatchesPortable) {
    if (!PresentBoardIsVectorised()) GTEST_SKIP() << "no vector path on this processor";
    TRandom random(17);
    for (int width : {1, 7, 8, 9, 15, 16, 17, 31, 33, 320})
        for (TScreenPixels format : {TScreenPixels::Rgb565, TScreenPixels::Xrgb8888})
            for (int factor = 1; factor <= 4; ++factor) {
                TKandelBoard board;
                board.SetSize(width, 5);
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < width; ++x)
                        board.ScanLine(y)[x] = static_cast<std::uint16_t>(random.Next(65536));
                TFrame fast(width, 5, factor, format), portable(width, 5, factor, format);
                PresentBoard(board, fast.Bytes.data(), fast.Pitch, factor, format);
                PresentBoardPortable(board, portable.Bytes.data(), portable.Pitch, factor, format);
                ASSERT_EQ(fast.Bytes, portable.Bytes) << "width " << width << " factor " << factor
                                                      << " bytes " << ScreenPixelBytes(format);
            }
}

} // namespace
} // namespace kestra

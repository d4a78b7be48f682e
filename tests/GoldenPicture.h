#pragma once
// Golden pictures: a board compared pixel for pixel with a PNG under tests/golden;
// KESTRA_UPDATE_GOLDEN=1 writes the PNG anew instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "graphics/KandelBitmap.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelPng.h"
#include "shell/FrameRecorder.h"

namespace kestra::test {

inline void CompareGolden(const TKandelBoard& board, const std::string& name) {
    const std::string path = std::string(KESTRA_SOURCE_DIR) + "/tests/golden/" + name;
    const TKandelBitmap drawn = BoardToBitmap(board);
    const char* update = std::getenv("KESTRA_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::vector<std::uint8_t> png;
        WritePng(drawn, png);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()),
                   static_cast<std::streamsize>(png.size()));
        GTEST_SKIP() << "golden picture written to " << path;
    }
    TKandelBitmap golden;
    ReadPng(ReadWholeFile(path), golden, path);
    ASSERT_EQ(golden.Width, drawn.Width);
    ASSERT_EQ(golden.Height, drawn.Height);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < drawn.Height; ++y)
        for (int x = 0; x < drawn.Width; ++x)
            if (!std::equal(drawn.Row(y) + 3 * x, drawn.Row(y) + 3 * x + 3, golden.Row(y) + 3 * x))
                if (differing++ == 0) firstX = x, firstY = y;
    EXPECT_EQ(differing, 0) << name << ": first difference at (" << firstX << ", " << firstY
                            << "); KESTRA_UPDATE_GOLDEN=1 rewrites it";
}

} // namespace kestra::test

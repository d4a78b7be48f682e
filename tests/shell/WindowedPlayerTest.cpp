// Runs the real player binary in a window on SDL's dummy video driver (the test
// environment's) and reads what its window reports at exit.
#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

// The demo's title at rest: the command window's cursor blinks every ten frames, so
// most frames repeat the picture on the screen and are neither uploaded nor presented.
TEST(WindowedPlayer, UnchangedFramesAreNotPresentedAgain) {
    kestra::test::TempDir dir;
    dir.Write("still.txt", "");
    const auto err = dir.Path() / "err.txt";
    const std::string common = std::string("'") + KESTRA_PLAYER + "' --game '" + KESTRA_DEMO_DIR +
                               "' --seed 3 --frames 240 --input '" +
                               (dir.Path() / "still.txt").string() + "' ";
    const std::string env = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy KESTRA_PRESENT_STATS=1 "
                            "HOME='" +
                            dir.Path().string() + "' XDG_CONFIG_HOME='" + dir.Path().string() +
                            "/c' XDG_DATA_HOME='" + dir.Path().string() + "/d' ";
    ASSERT_EQ(std::system((env + common + "- - Window 2>'" + err.string() + "'").c_str()), 0)
        << ReadAll(err);
    const std::string report = ReadAll(err);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        report, m, std::regex(R"(renderer (\S+): (\d+) frames shown, (\d+) unchanged)")))
        << report;
    const long shown = std::stol(m[2]), skipped = std::stol(m[3]);
    // The logos fade, the title fades in, then the cursor's two pictures alternate.
    EXPECT_GT(skipped, 100) << report;
    EXPECT_GT(shown, 10) << report;
    EXPECT_LE(shown + skipped, 240 + 5) << report;
}

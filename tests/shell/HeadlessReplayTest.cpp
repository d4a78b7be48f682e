// Runs the real player binary headless and compares its frame hashes.
#include "TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Replay {
    kestra::test::TempDir dir;
    Replay() {
        std::filesystem::copy(KESTRA_DEMO_DIR, dir.Path() / "game",
                              std::filesystem::copy_options::recursive);
        // A new game of the demo, where the town's people walk at random: the intro's
        // two pages, a walk about, then a reset with F12 held for a while and a second
        // new game.
        dir.Write("walk.txt",
                  "# new game, walk and reset\n0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n"
                  "261\n360 Decide\n361\n400 Right\n430 Right Down\n470\n"
                  "480 F12\n500\n580 Decide\n581\n");
        dir.Write("still.txt", "");
    }
    // Exit code of one run; its hash log lands in `log`.
    int Run(const std::string& script, int seed, const std::string& log) {
        std::string cmd = std::string("'") + KESTRA_PLAYER + "' --headless --game '" +
                          (dir.Path() / "game").string() + "' --seed " + std::to_string(seed) +
                          " --frames 600 --input '" + (dir.Path() / script).string() +
                          "' --hash-log '" + (dir.Path() / log).string() + "' TestPlay";
        return std::system(cmd.c_str());
    }
    std::string Log(const std::string& name) { return ReadAll(dir.Path() / name); }
};

} // namespace

TEST(HeadlessReplay, SameGameSeedAndInputGiveTheSameHashes) {
    Replay r;
    ASSERT_EQ(r.Run("walk.txt", 1234, "a.txt"), 0);
    ASSERT_EQ(r.Run("walk.txt", 1234, "b.txt"), 0);
    std::string a = r.Log("a.txt");
    EXPECT_EQ(std::count(a.begin(), a.end(), '\n'), 600);
    EXPECT_EQ(a, r.Log("b.txt"));
    // The seed and the input both reach the picture, so equal logs mean something.
    ASSERT_EQ(r.Run("walk.txt", 1235, "c.txt"), 0);
    EXPECT_NE(a, r.Log("c.txt"));
    ASSERT_EQ(r.Run("still.txt", 1234, "d.txt"), 0);
    EXPECT_NE(a, r.Log("d.txt"));
}

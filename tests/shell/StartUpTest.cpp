// Start-up over a game directory: the player binary refuses a directory whose database
// or map tree is missing, broken or cut short, naming the file; F12 reads both files
// again, so an edit shows after a reset; a character set the map names but the game
// lacks stops the game with its name.
#include "../TestGame.h"
#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "shell/LS_Title.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

using namespace kestra;

namespace {

struct TPlayerRun {
    int ExitCode = -1;
    std::string Err;
};

// The player binary, headless, on `dir` for at most `frames` frames.
TPlayerRun RunPlayer(const std::filesystem::path& dir, int frames = 30) {
    const std::string err = (dir.parent_path() / (dir.filename().string() + ".err")).string();
    const std::string cmd = std::string("'") + KESTRA_PLAYER + "' --headless --game '" +
                            dir.string() + "' --frames " + std::to_string(frames) +
                            " TestPlay 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    TPlayerRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    std::stringstream s;
    s << in.rdbuf();
    run.Err = s.str();
    return run;
}

// A copy of the packed basic game in a folder of `root`.
std::filesystem::path CopyOfBasic(const test::TempDir& root, const std::string& name) {
    const std::filesystem::path dir = root.Path() / name;
    std::filesystem::copy(std::filesystem::path(KESTRA_GAMES_DIR) / "basic", dir,
                          std::filesystem::copy_options::recursive);
    return dir;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(StartUp, ADirectoryWhoseDataIsMissingBrokenOrCutShortIsAnErrorNamingTheFile) {
    test::TempDir root;
    // The intact game runs to its frame limit without a word.
    const TPlayerRun intact = RunPlayer(CopyOfBasic(root, "intact"));
    EXPECT_EQ(intact.ExitCode, 0);
    EXPECT_EQ(intact.Err, "");

    root.Write("empty/KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\n");
    const TPlayerRun empty = RunPlayer(root.Path() / "empty");
    EXPECT_EQ(empty.ExitCode, 1);
    EXPECT_TRUE(Has(empty.Err, "KESTRA.ldb: not found in the game directory")) << empty.Err;

    const auto noTree = CopyOfBasic(root, "no-tree");
    std::filesystem::remove(noTree / "KESTRA.lmt");
    const TPlayerRun withoutTree = RunPlayer(noTree);
    EXPECT_EQ(withoutTree.ExitCode, 1);
    EXPECT_TRUE(Has(withoutTree.Err, "KESTRA.lmt: not found")) << withoutTree.Err;

    const auto garbage = CopyOfBasic(root, "garbage");
    root.Write("garbage/KESTRA.ldb", "not a database at all");
    const TPlayerRun broken = RunPlayer(garbage);
    EXPECT_EQ(broken.ExitCode, 1);
    EXPECT_TRUE(Has(broken.Err, "KESTRA.ldb")) << broken.Err;

    // The map tree cut just before its start positions, and inside them.
    const auto cut = CopyOfBasic(root, "cut");
    TVezMapTree tree;
    tree.LoadFromFile((cut / "KESTRA.lmt").string());
    const auto size = std::filesystem::file_size(cut / "KESTRA.lmt");
    const auto startSize = tree.Start.Encode().size();
    ASSERT_GT(startSize, 1u);
    std::filesystem::resize_file(cut / "KESTRA.lmt", size - startSize);
    const TPlayerRun before = RunPlayer(cut);
    EXPECT_EQ(before.ExitCode, 1);
    EXPECT_TRUE(Has(before.Err, "KESTRA.lmt: offset")) << before.Err;
    EXPECT_TRUE(Has(before.Err, "before the start positions")) << before.Err;
    const auto inside = CopyOfBasic(root, "inside");
    std::filesystem::resize_file(inside / "KESTRA.lmt", size - 1); // the terminator gone
    const TPlayerRun cutInside = RunPlayer(inside);
    EXPECT_EQ(cutInside.ExitCode, 1);
    EXPECT_TRUE(Has(cutInside.Err, "start positions are cut short")) << cutInside.Err;
}

TEST(StartUp, F12ReadsTheDataBaseAndTheMapTreeAgain) {
    test::TTestGame basic("basic");
    // F12 on the title, then New Game on the title that follows.
    TGameMain& game = basic.Start("0\n40 F12\n41\n150 Decide\n151\n", 600);
    const int firstWidth = [&] {
        TVezDataBase db;
        db.LoadFromFile((basic.Dir.Path() / "KESTRA.ldb").string());
        return 6 * static_cast<int>(db.Vocabulary.Term(114).size()) + 16;
    }();
    // The author edits both files while the game runs.
    {
        TVezDataBase db;
        db.LoadFromFile((basic.Dir.Path() / "KESTRA.ldb").string());
        db.Vocabulary.Term(114) = "Begin the journey";
        db.SaveToFile((basic.Dir.Path() / "KESTRA.ldb").string());
        TVezMapTree tree;
        tree.LoadFromFile((basic.Dir.Path() / "KESTRA.lmt").string());
        tree.Start.Places[0] = {1, 6, 5};
        const auto bytes = tree.SaveToBytes();
        std::ofstream((basic.Dir.Path() / "KESTRA.lmt"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    // The game as loaded at start knows nothing of it yet.
    EXPECT_NE(game.Session->DataBase.Vocabulary.Term(114), "Begin the journey");
    EXPECT_THROW(game.Run(), EKandelDrawAbort); // the frame limit
    EXPECT_EQ(game.Session->DataBase.Vocabulary.Term(114), "Begin the journey");
    // The title after the reset was laid out for the new word, and the new game
    // started where the edited tree says.
    EXPECT_EQ(game.Title->Window().Width, 6 * 17 + 16);
    EXPECT_NE(game.Title->Window().Width, firstWidth);
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(game.Session->Save->State.Hero.MapId, 1);
    EXPECT_EQ(game.Session->Save->State.Hero.X, 6);
    EXPECT_EQ(game.Session->Save->State.Hero.Y, 5);
}

TEST(StartUp, ACharacterSetTheGameLacksStopsItNamingTheFile) {
    test::TTestGame basic("basic");
    {
        // An event page of the start map names a character set with a typo.
        TVezMap map;
        map.LoadFromFile((basic.Dir.Path() / "Map0001.lmu").string());
        ASSERT_GT(map.Events.Count(), 0u);
        map.Events.ItemAt(0)->Pages.ItemAt(0)->Graphic = "Peolpe";
        map.SaveToFile((basic.Dir.Path() / "Map0001.lmu").string());
    }
    test::TTestPlatform platform;
    TCommandLine line;
    line.Words = {"TestPlay"};
    line.GameDir = basic.Dir.Path();
    line.Headless = true;
    line.Frames = 300;
    line.InputScript = basic.Dir.Write("input.txt", "0\n100 Decide\n101\n").string();
    // New Game enters the map: the game ends with the file's name.
    EXPECT_EQ(RunGame(line, platform, [](TGameMain& g) { PrepareGame(g); }), 1);
    ASSERT_EQ(platform.Messages.size(), 1u);
    EXPECT_EQ(platform.Messages[0], "CharSet/Peolpe: character set not found");
}

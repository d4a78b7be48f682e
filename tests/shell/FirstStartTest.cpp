// The player as a newcomer first meets it: `kestra DIR`, a folder that holds no game (or
// holds games, which starts the chooser), words in the wrong case, --version, and
// messages that wrap.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "shell/GameConfig.h"

namespace kestra {
namespace {

namespace fs = std::filesystem;

// The player's exit code and what it printed (stdout and stderr).
std::pair<int, std::string> RunPlayer(const std::string& arguments, const fs::path& where) {
    const std::string cmd = "cd '" + where.string() + "' && HOME='" + where.string() +
                            "' KESTRA_RTP= '" + KESTRA_PLAYER + "' --headless --frames 30 " +
                            arguments + " 2>&1";
    std::FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WEXITSTATUS(status), out};
}

TEST(FirstStart, ADirectoryAsTheOnlyWordPlaysThatGame) {
    test::TempDir dir;
    fs::copy(KESTRA_DEMO_DIR, dir.Path() / "demo", fs::copy_options::recursive);
    const auto [rc, out] = RunPlayer("demo", dir.Path());
    EXPECT_EQ(rc, 0) << out;
    EXPECT_EQ(out.find("warning"), std::string::npos) << out;

    TCommandLine line = ParseCommandLine({(dir.Path() / "demo").string()});
    TakeGameDirectoryWord(line);
    EXPECT_EQ(line.GameDir, dir.Path() / "demo");
    EXPECT_TRUE(line.Words.empty());
    // The words keep their meaning: TestPlay is no folder, and two words are words.
    line = ParseCommandLine({"TestPlay"});
    TakeGameDirectoryWord(line);
    EXPECT_FALSE(line.GameDir);
    line = ParseCommandLine({(dir.Path() / "demo").string(), "HideTitle"});
    TakeGameDirectoryWord(line);
    EXPECT_FALSE(line.GameDir);
}

TEST(FirstStart, AFolderWithoutAGameSaysWhatWasLookedForAndListsTheGamesInIt) {
    test::TempDir dir;
    const auto [rc, out] = RunPlayer("", dir.Path());
    EXPECT_EQ(rc, 1) << out;
    EXPECT_NE(out.find("there is no game here (KESTRA.ldb was not found)"), std::string::npos)
        << out;
    EXPECT_NE(out.find("kestra --game DIR"), std::string::npos) << out;
    EXPECT_EQ(out.find("runtime package"), std::string::npos) << out;

    fs::copy(KESTRA_DEMO_DIR, dir.Path() / "Willowmere", fs::copy_options::recursive);
    fs::create_directory(dir.Path() / "photos");
    // With games in it the chooser runs (here until the frame limit) after the same words.
    const auto [rc2, out2] = RunPlayer("", dir.Path());
    EXPECT_EQ(rc2, 0) << out2;
    EXPECT_NE(out2.find("Choose one in the list."), std::string::npos) << out2;
    EXPECT_NE(out2.find("Games in this folder: Willowmere (kestra --game "), std::string::npos)
        << out2;
    EXPECT_EQ(out2.find("photos"), std::string::npos) << out2;
}

TEST(FirstStart, WordsThePlayerDoesNotKnowAreWarnedAbout) {
    auto warnings = [](std::vector<std::string> words) {
        TCommandLine line;
        line.Words = std::move(words);
        return CommandLineWarnings(line);
    };
    EXPECT_TRUE(warnings({"TestPlay", "HideTitle", "Window"}).empty());
    EXPECT_TRUE(warnings({"BattleTest", "-", "Window", "4"}).empty());
    auto w = warnings({"testplay"});
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("did you mean 'TestPlay'? (words are case-sensitive)"), std::string::npos);
    w = warnings({"Normal", "Window", "window"});
    ASSERT_EQ(w.size(), 3u);
    EXPECT_NE(w[0].find("it leaves its place unset"), std::string::npos) << w[0];
    EXPECT_NE(w[1].find("word 2 'Window' is not 'HideTitle'"), std::string::npos) << w[1];
    EXPECT_NE(w[2].find("did you mean 'Window'?"), std::string::npos) << w[2];
    EXPECT_EQ(warnings({"TestPlay", "-", "-", "4"}).size(), 1u) << "a troop outside a battle test";

    test::TempDir dir;
    fs::copy(KESTRA_DEMO_DIR, dir.Path() / "demo", fs::copy_options::recursive);
    const auto [rc, out] = RunPlayer("--game demo testplay", dir.Path());
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("kestra: warning: word 1 'testplay'"), std::string::npos) << out;
}

TEST(FirstStart, VersionAndHelp) {
    test::TempDir dir;
    const auto [rc, out] = RunPlayer("--version", dir.Path());
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, "kestra " + std::string(PlayerVersion()) + "\n");
    const auto [rc2, help] = RunPlayer("--help", dir.Path());
    EXPECT_EQ(rc2, 0);
    for (const char* part : {"GAME_DIR", "Keys:", "config.ini", "Exit codes:", "--version"})
        EXPECT_NE(help.find(part), std::string::npos) << part;
}

TEST(FirstStart, LongMessagesWrapAtSpacesAndKeepTheirLineBreaks) {
    EXPECT_EQ(WrapText("one two three four", 9), "one two\nthree\nfour");
    EXPECT_EQ(WrapText("a\nb c", 80), "a\nb c");
    EXPECT_EQ(WrapText("averyveryverylongword x", 5), "averyveryverylongword\nx");
    const std::string wrapped = WrapText(std::string(300, 'x') + " " + std::string(10, 'y'), 72);
    EXPECT_EQ(wrapped.find('\n'), 300u);
}

} // namespace
} // namespace kestra

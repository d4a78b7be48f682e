// Games in other code pages than 932: the test game "western" is written in code page
// 1252 and played by the real game object, with --encoding, with the code page from the
// user's config file and with the guess; the demo (code page 932) is still guessed 932.
#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "base/CodePage.h"
#include "shell/GameCodePage.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace kestra {
namespace {

namespace fs = std::filesystem;

// XDG_CONFIG_HOME pointed at a folder of the test's own for as long as it lives.
class TConfigHome {
public:
    TConfigHome() {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
        setenv("XDG_CONFIG_HOME", Dir.Path().c_str(), 1);
    }
    ~TConfigHome() {
        if (old_)
            setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    TConfigHome(const TConfigHome&) = delete;
    TConfigHome& operator=(const TConfigHome&) = delete;

    void Write(const std::string& text) { Dir.Write("kestra/config.ini", text); }

    test::TempDir Dir;

private:
    std::optional<std::string> old_;
};

// The packed game copied to a folder that keeps its name (the config file's sections
// are named after it), played with the settings folder of `home`.
class TNamedGame {
public:
    TNamedGame(const std::string& name, const TConfigHome& home) : Path(Root.Path() / name) {
        fs::copy(fs::path(KESTRA_GAMES_DIR) / name, Path, fs::copy_options::recursive);
        Platform.ConfigHome = home.Dir.Path();
    }

    // The game object over the copy: test play, headless, seed 1, `script`, `frames`.
    TGameMain& Start(std::optional<int> codePage, const std::string& script, std::uint64_t frames) {
        Game.reset();
        TCommandLine line;
        line.Words = {"TestPlay"};
        line.GameDir = Path;
        line.Headless = true;
        line.Seed = 1;
        line.Frames = frames;
        line.CodePage = codePage;
        line.InputScript = Root.Write("input.txt", script).string();
        Game = std::make_unique<TGameMain>(line, Platform);
        PrepareGame(*Game);
        return *Game;
    }

    TGameMain& Play(std::optional<int> codePage, const std::string& script, std::uint64_t frames) {
        TGameMain& game = Start(codePage, script, frames);
        EXPECT_THROW(game.Run(), EKandelDrawAbort); // the frame limit
        return game;
    }

    test::TempDir Root;
    fs::path Path;
    test::TTestPlatform Platform;
    std::unique_ptr<TGameMain> Game;
};

// New game from the title; the map's first event shows four lines of accented text.
constexpr const char* KNewGameScript = "0\n100 Decide\n101\n";
constexpr std::uint64_t KMessageShownFrame = 460;
constexpr std::uint64_t KTitleShownFrame = 95;

TEST(CodePageGame, WesternAccentsDrawWithTheChosenAndWithTheGuessedCodePage) {
    TConfigHome home;
    for (std::optional<int> option : {std::optional<int>(1252), std::optional<int>()}) {
        SCOPED_TRACE(option ? "--encoding 1252" : "guessed");
        TNamedGame western("western", home);
        TGameMain& title = western.Play(option, KNewGameScript, KTitleShownFrame);
        EXPECT_EQ(title.CodePage.Number(), 1252);
        EXPECT_EQ(title.System().Scene, KSceneTitle);
        // "Nouvelle partie", "Reprendre", "Beenden – Schluß" (the dash and the sharp s are
        // bytes 0x96 and 0xDF).
        test::CompareGolden(title.Display->Board, "western-title.png");

        TGameMain& game = western.Play(option, KNewGameScript, KMessageShownFrame);
        EXPECT_EQ(game.System().Scene, KSceneField);
        test::CompareGolden(game.Display->Board, "western-message.png");
    }
}

TEST(CodePageGame, TheConfigFileChoosesPerGameAndTheOptionComesFirst) {
    TConfigHome home;
    TNamedGame western("western", home);
    // Another game's section and the section of another case of the same name.
    home.Write("[Kestra]\nRuntimePackagePath=/nowhere\n[game:other]\nEncoding=1251\n"
               "[GAME:Western]\nEncoding=cp1250\n");
    EXPECT_EQ(western.Start(std::nullopt, "0\n", 1).CodePage.Number(), 1250);
    EXPECT_EQ(western.Start(949, "0\n", 1).CodePage.Number(), 949);
    // From the command line as the player parses it.
    TCommandLine line = ParseCommandLine({"--encoding", "1251", "TestPlay"});
    EXPECT_EQ(line.CodePage, 1251);
    EXPECT_EQ(ParseCommandLine({"--encoding=CP936"}).CodePage, 936);
    for (const char* bad : {"1253", "", "cp", "65001", "932x", "utf-8"})
        EXPECT_THROW(ParseCommandLine({"--encoding", bad}), ECommandLineError) << bad;
    EXPECT_THROW(ParseCommandLine({"--encoding"}), ECommandLineError);
    EXPECT_NE(CommandLineHelp("kestra", "").find("--encoding N"), std::string::npos);
    // A value that is no code page is an error naming the file and the section.
    home.Write("[game:western]\nEncoding=1253\n");
    try {
        western.Start(std::nullopt, "0\n", 1);
        ADD_FAILURE() << "expected an error";
    } catch (const EFileError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("kestra/config.ini"), std::string::npos) << what;
        EXPECT_NE(what.find("[game:western]"), std::string::npos) << what;
        EXPECT_NE(what.find("1253"), std::string::npos) << what;
    }
}

TEST(CodePageGame, TheDemoIsStillGuessedJapaneseAndDrawsAsWithTheOption) {
    TConfigHome home;
    TGameConfig config;
    config.GameDir = std::string(KESTRA_DEMO_DIR) + "/";
    EXPECT_EQ(ChooseCodePage(config), 932);
    TVezDataBase database;
    database.LoadFromFile(std::string(KESTRA_DEMO_DIR) + "/KESTRA.ldb");
    EXPECT_EQ(GuessCodePage(database, "Kestra"), 932);
    // A folder without a database, or a broken one, is code page 932 (the game's own
    // load reports the problem).
    test::TempDir empty;
    config.GameDir = empty.Dir();
    EXPECT_EQ(ChooseCodePage(config), 932);
    empty.Write("KESTRA.ldb", "broken");
    EXPECT_EQ(ChooseCodePage(config), 932);

    // The title and the first screen of a new game, guessed and chosen, pixel for pixel.
    std::vector<std::vector<std::uint16_t>> boards;
    for (std::optional<int> option : {std::optional<int>(), std::optional<int>(932)}) {
        TCommandLine line;
        line.Words = {"TestPlay"};
        line.GameDir = KESTRA_DEMO_DIR;
        line.Headless = true;
        line.Seed = 1;
        line.Frames = 300;
        line.CodePage = option;
        test::TempDir dir;
        line.InputScript = dir.Write("input.txt", "0\n99 Decide\n100\n").string();
        test::TTestPlatform platform;
        TGameMain game(line, platform);
        EXPECT_EQ(game.CodePage.Number(), 932);
        PrepareGame(game);
        EXPECT_THROW(game.Run(), EKandelDrawAbort);
        const TKandelBoard& board = game.Display->Board;
        std::vector<std::uint16_t> pixels;
        for (int y = 0; y < board.Height(); ++y)
            pixels.insert(pixels.end(), board.ScanLine(y), board.ScanLine(y) + board.Width());
        boards.push_back(std::move(pixels));
    }
    EXPECT_EQ(boards[0], boards[1]);
}

} // namespace
} // namespace kestra

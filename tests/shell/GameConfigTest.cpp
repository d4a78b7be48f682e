#include "shell/GameConfig.h"
#include "TempDir.h"
#include "base/IniFile.h"

#include <gtest/gtest.h>
#include <map>

using namespace kestra;
using kestra::test::TempDir;

namespace {

TEnvLookup Env(std::map<std::string, std::string> vars) {
    return [vars](const std::string& name) -> std::optional<std::string> {
        auto it = vars.find(name);
        if (it == vars.end()) return std::nullopt;
        return it->second;
    };
}

auto Writable(bool w) {
    return [w](const std::filesystem::path&) { return w; };
}

std::string ErrorOf(const std::vector<std::string>& args) {
    try {
        ParseCommandLine(args);
    } catch (const ECommandLineError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(CommandLine, OptionsNeverDisturbThePositionalWords) {
    TCommandLine cl = ParseCommandLine({"--headless", "TestPlay", "--seed", "42", "HideTitle",
                                        "--screenshot", "10:a.png", "Window", "--frames=300",
                                        "--screenshot=20:dir/b:c.png", "7", "--", "--game"});
    EXPECT_EQ(cl.Words,
              (std::vector<std::string>{"TestPlay", "HideTitle", "Window", "7", "--game"}));
    EXPECT_EQ(cl.Word(4), "7");
    EXPECT_EQ(cl.Word(9), "");
    EXPECT_TRUE(cl.Headless);
    EXPECT_EQ(cl.Seed, 42u);
    EXPECT_EQ(cl.Frames, 300u);
    ASSERT_EQ(cl.Screenshots.size(), 2u);
    EXPECT_EQ(cl.Screenshots[1].Frame, 20u);
    EXPECT_EQ(cl.Screenshots[1].Path, "dir/b:c.png");
    EXPECT_FALSE(cl.GameDir);

    cl = ParseCommandLine({"--game", "/g", "--input", "in.txt", "--hash-log", "h.log", "--help"});
    EXPECT_EQ(cl.GameDir, std::filesystem::path("/g"));
    EXPECT_EQ(cl.InputScript, std::filesystem::path("in.txt"));
    EXPECT_EQ(cl.HashLog, std::filesystem::path("h.log"));
    EXPECT_TRUE(cl.Help);
    EXPECT_TRUE(cl.Words.empty());
}

TEST(CommandLine, BadValuesAreClearErrors) {
    EXPECT_NE(ErrorOf({"--seed", "abc"}).find("--seed: 'abc' is not a number"), std::string::npos);
    EXPECT_NE(ErrorOf({"--seed", "4294967296"}).find("--seed"), std::string::npos);
    EXPECT_NE(ErrorOf({"--frames", "-1"}).find("--frames"), std::string::npos);
    EXPECT_NE(ErrorOf({"--frames"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ErrorOf({"--screenshot", "12"}).find("FRAME:PATH"), std::string::npos);
    EXPECT_NE(ErrorOf({"--screenshot", "x:a.png"}).find("frame"), std::string::npos);
    EXPECT_NE(ErrorOf({"--game", ""}).find("non-empty"), std::string::npos);
    EXPECT_NE(ErrorOf({"--headless=1"}).find("takes no value"), std::string::npos);
    EXPECT_NE(ErrorOf({"--fulscreen"}).find("unknown option --fulscreen"), std::string::npos);
    EXPECT_NE(ErrorOf({"--scale", "0"}).find("--scale: '0' is not a whole number"),
              std::string::npos);
    EXPECT_EQ(ParseTroopNumber("12"), 12);
    EXPECT_THROW(ParseTroopNumber(""), EKestraError);
    EXPECT_THROW(ParseTroopNumber("3x"), EKestraError);
    EXPECT_THROW(ParseTroopNumber("99999999999"), EKestraError);
}

TEST(IniFile, ReadsLikeWindowsProfiles) {
    TIniFile ini("\xEF\xBB\xBFtop = 1\n; note\n[Kestra]\r\n  FULLpackageFLAG =  2  \r\n"
                 "GameTitle= \"  Quest \" \nGameTitle=second\nNum=-12abc\nBig=99999999999\n"
                 "Empty=\n[other]\nfullpackageflag=0\n[KESTRA]\nlate=1\n");
    EXPECT_TRUE(ini.ReadBool("kestra", "FullPackageFlag", false));
    EXPECT_EQ(ini.ReadString("KESTRA", "gametitle", "Untitled"), "  Quest ");
    EXPECT_EQ(ini.ReadInteger("Kestra", "Num", 5), -12);
    EXPECT_EQ(ini.ReadInteger("Kestra", "Big", 5), 2147483647);
    EXPECT_EQ(ini.ReadInteger("Kestra", "Empty", 5), 0);
    EXPECT_EQ(ini.ReadInteger("Kestra", "Missing", 5), 5);
    EXPECT_FALSE(ini.ReadBool("Other", "FullPackageFlag", true));
    EXPECT_EQ(ini.ReadString("", "top", ""), "1");
    EXPECT_EQ(ini.ReadString("Kestra", "top", "none"), "none");
    EXPECT_EQ(ini.ReadString("kestra", "late", ""), "1");
    EXPECT_FALSE(TIniFile::Load("/nonexistent/KESTRA.ini").Find("KESTRA", "x"));
}

TEST(GameConfig, CommandWordsAreExactAndCaseSensitive) {
    TempDir game;
    game.Write("KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\n");
    auto load = [&](std::vector<std::string> words) {
        words.insert(words.begin(), {"--game", game.Dir()});
        return LoadGameConfig(ParseCommandLine(words), Env({}), Writable(true));
    };
    TGameConfig c = load({});
    EXPECT_FALSE(c.TestPlayMode);
    EXPECT_TRUE(c.ShowLogos);
    EXPECT_TRUE(c.ShowTitle);
    EXPECT_FALSE(c.WindowMode);
    EXPECT_EQ(c.GameTitle, "Untitled");
    EXPECT_EQ(c.GameDir, game.Dir());
    EXPECT_EQ(c.GameFolderName, game.Path().filename().string());

    std::filesystem::create_directory_symlink(game.Path(), game.Path() / "MyQuest");
    TGameConfig linked = LoadGameConfig(ParseCommandLine({"--game", game.Dir() + "MyQuest/./"}),
                                        Env({}), Writable(true));
    EXPECT_EQ(linked.GameDir, game.Dir() + "MyQuest/");
    EXPECT_EQ(linked.GameFolderName, "MyQuest");

    c = load({"testplay", "hidetitle", "window"});
    EXPECT_FALSE(c.TestPlayMode);
    EXPECT_TRUE(c.ShowTitle);
    EXPECT_FALSE(c.WindowMode);
    c = load({"TestPlay"});
    EXPECT_TRUE(c.TestPlayMode);
    EXPECT_FALSE(c.BattleTestMode);
    EXPECT_FALSE(c.ShowLogos);
    c = load({"BattleTest", "x", "Window", "3"});
    EXPECT_TRUE(c.BattleTestMode && c.TestPlayMode && c.WindowMode);
    EXPECT_FALSE(c.ShowLogos);
    EXPECT_TRUE(c.ShowTitle);
    c = load({"Normal", "HideTitle"});
    EXPECT_FALSE(c.ShowTitle);
    EXPECT_FALSE(c.TestPlayMode);
}

TEST(GameConfig, RuntimePackageAndTitleSources) {
    TempDir game, home;
    game.Write("Game.EXE", "MZ");
    game.Write("KESTRA.ldb", "");
    game.Write("game.ini", "[kestra]\nGameTitle=\x83\x5C\x83\x74\x83\x67\n"); // katakana bytes
    auto cl = ParseCommandLine({"--game", game.Dir()});

    // Required and nowhere configured.
    EXPECT_THROW(LoadGameConfig(cl, Env({{"HOME", home.Dir()}}), Writable(true)),
                 ERuntimePackageMissing);

    home.Write(".config/kestra/config.ini", "[Kestra]\nRuntimePackagePath = /opt/rtp\n");
    TGameConfig c = LoadGameConfig(cl, Env({{"HOME", home.Dir()}}), Writable(false));
    EXPECT_EQ(c.RuntimePackagePath, "/opt/rtp/");
    EXPECT_EQ(c.GameTitle, "\x83\x5C\x83\x74\x83\x67");
    EXPECT_TRUE(c.ExeReadOnly);

    // The environment variable wins; XDG_CONFIG_HOME moves the file.
    EXPECT_EQ(FindRuntimePackagePath(Env({{"HOME", home.Dir()}, {"KESTRA_RTP", "/env/rtp/"}})),
              "/env/rtp/");
    home.Write("xdg/kestra/config.ini", "RuntimePackagePath=/xdg/rtp\n");
    EXPECT_EQ(FindRuntimePackagePath(
                  Env({{"HOME", home.Dir()}, {"XDG_CONFIG_HOME", home.Dir() + "xdg"}})),
              "/xdg/rtp/");

    // A complete game needs no package.
    game.Write("kestra.INI", "[KESTRA]\nFullPackageFlag=1\n");
    c = LoadGameConfig(cl, Env({}), Writable(true));
    EXPECT_TRUE(c.FullPackageFlag);
    EXPECT_EQ(c.RuntimePackagePath, "");

    EXPECT_THROW(LoadGameConfig(ParseCommandLine({"--game", game.Dir() + "missing"}), Env({}),
                                Writable(true)),
                 EFileError);
}

TEST(GameConfig, SaveAndTempDirectories) {
    TempDir game, data, tmp;
    game.Write("KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\n");
    auto cl = ParseCommandLine({"--game", game.Dir()});
    TGameConfig c = LoadGameConfig(cl, Env({}), Writable(true));
    EXPECT_EQ(GetSaveDir(c, Env({})), game.Dir());

    c.ExeReadOnly = true;
    std::string dir = GetSaveDir(c, Env({{"XDG_DATA_HOME", data.Dir() + "share"}}));
    EXPECT_EQ(dir, data.Dir() + "share/kestra/" + c.GameFolderName + "/");
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    dir = GetSaveDir(c, Env({{"XDG_DATA_HOME", "relative"}, {"HOME", data.Dir() + "home"}}));
    EXPECT_EQ(dir, data.Dir() + "home/.local/share/kestra/" + c.GameFolderName + "/");
    EXPECT_THROW(GetSaveDir(c, Env({})), EFileError);

    std::string work = GetTempWorkDir(Env({{"TMPDIR", tmp.Dir()}, {"USER", "ann"}}));
    EXPECT_EQ(work, tmp.Dir() + "kestra-ann/KES_TEMP/");
    EXPECT_TRUE(std::filesystem::is_directory(work));
    auto perms = std::filesystem::status(tmp.Dir() + "kestra-ann").permissions();
    EXPECT_EQ(perms & std::filesystem::perms::others_all, std::filesystem::perms::none);
    EXPECT_EQ(GetTempWorkDir(Env({{"TMPDIR", tmp.Dir()}, {"USER", "../x"}})),
              tmp.Dir() + "kestra-user/KES_TEMP/");
}

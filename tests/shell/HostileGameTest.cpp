// Broken and hostile game directories played through the real game object: files far
// too large are refused by their size with an error naming them, load errors name the
// file and the place, data read past without use is said on stderr, damaged save slots
// show as damaged and are replaced only after a question, saves that had to move are
// said once and listed with the old ones, and headless saves are the same bytes in any
// time zone.
#include "../TestGame.h"
#include "../scenes/WindowTestHost.h"
#include "data/DataBase.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "media/MultiInput.h"
#include "scenes/LS_SaveFile.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using namespace kestra;

namespace {

// New game, the menu's Save, Decide on slot 1.
constexpr const char* KNewGameSavedToSlotOne = "0\n60 Decide\n61\n"
                                               "200 Cancel\n201\n"
                                               "300 Down\n301\n320 Down\n321\n340 Down\n341\n"
                                               "400 Decide\n401\n500 Decide\n501\n";
// Continue: the load list is open from about update 100 on.
constexpr const char* KOpenLoadList = "0\n60 Down\n61\n80 Decide\n81\n";
// Continue and the latest slot loaded.
constexpr const char* KContinue = "0\n60 Down\n61\n80 Decide\n81\n160 Decide\n161\n";
// New Game only.
constexpr const char* KNewGame = "0\n60 Decide\n61\n";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The test platform with an environment of its own: only the given variables exist.
class TIsolatedPlatform : public test::TTestPlatform {
public:
    TEnvLookup Environment() override {
        return [vars = Vars](const std::string& name) -> std::optional<std::string> {
            auto it = vars.find(name);
            if (it == vars.end()) return std::nullopt;
            return it->second;
        };
    }
    std::map<std::string, std::string> Vars;
};

// A sparse file of `bytes` bytes: it takes no room on disk, but its size is real.
void Sparse(const std::filesystem::path& path, std::uintmax_t bytes) {
    std::ofstream(path, std::ios::binary) << "\x0BVezSaveData";
    std::filesystem::resize_file(path, bytes);
}

std::string ErrorOfStart(test::TTestGame& files, const std::string& script,
                         std::vector<std::string> words = {"TestPlay"}) {
    try {
        files.Play(script, 400, std::move(words));
    } catch (const EKestraError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(HostileGame, FilesBeyondTheirKindsLimitAreRefusedByTheirSizeNamingThem) {
    // A database padded to 3 GB: refused at once by its size, nothing read.
    test::TTestGame big("basic");
    std::filesystem::resize_file(big.Dir.Path() / "KESTRA.ldb", std::uintmax_t{3} << 30);
    const std::string error = ErrorOfStart(big, KNewGame);
    EXPECT_TRUE(Has(error, (big.Dir.Path() / "KESTRA.ldb").string())) << error;
    EXPECT_TRUE(Has(error, "more than the 64 MiB a database may have")) << error;

    // A map padded beyond 16 MiB stops a new game with its name.
    test::TTestGame map("basic");
    std::filesystem::resize_file(map.Dir.Path() / "Map0001.lmu", std::uintmax_t{17} << 20);
    const std::string mapError = ErrorOfStart(map, KNewGame);
    EXPECT_TRUE(Has(mapError, "Map0001.lmu: the map unit is 17825792 bytes long, more than the "
                              "16 MiB"))
        << mapError;

    // A 100 GB sparse save at the title: the game goes on, the slot shows damaged and
    // says why; a good save beside it still loads.
    test::TTestGame saves("basic");
    saves.Play(KNewGameSavedToSlotOne, 1500);
    std::filesystem::rename(saves.Dir.Path() / "Save01.lsd", saves.Dir.Path() / "Save02.lsd");
    Sparse(saves.Dir.Path() / "Save01.lsd", std::uintmax_t{100} << 30);
    TGameMain& list = saves.Play(KOpenLoadList, 250);
    ASSERT_EQ(list.System().Scene, KSceneSaveFile);
    EXPECT_TRUE(list.SaveFile->Panel(1).Damaged);
    EXPECT_TRUE(Has(list.SaveFile->Panel(1).Problem,
                    "Save01.lsd: the save file is 107374182400 bytes long, more than the 4 MiB"))
        << list.SaveFile->Panel(1).Problem;
    EXPECT_TRUE(list.SaveFile->Panel(2).Used());
    EXPECT_EQ(list.SaveFile->Current, 2);
    TGameMain& loaded = saves.Play(KContinue, 400);
    EXPECT_EQ(loaded.System().Scene, KSceneField);
}

TEST(HostileGame, LoadErrorsNameTheFileThePlaceAndTheProblem) {
    // A broken KESTRA.ini: the message says which file made the package necessary.
    {
        test::TTestGame basic("basic");
        basic.MakePlatform = [] { return std::make_unique<TIsolatedPlatform>(); };
        basic.Dir.Write("KESTRA.ini", std::string("\x00\xFF[KESTRA\nFullPackage", 20));
        const std::string error = ErrorOfStart(basic, KNewGame);
        EXPECT_TRUE(Has(error, (basic.Dir.Path() / "KESTRA.ini").string())) << error;
        EXPECT_TRUE(Has(error, "no FullPackageFlag line under a [KESTRA] section")) << error;
        EXPECT_TRUE(Has(error, "runtime package was not found")) << error;
    }
    // A map tree whose start map was flipped to 0: New Game names the map tree.
    {
        test::TTestGame basic("basic");
        TVezMapTree tree;
        tree.LoadFromFile((basic.Dir.Path() / "KESTRA.lmt").string());
        tree.Start.Places[0].MapId = 0;
        const auto bytes = tree.SaveToBytes();
        basic.Dir.Write("KESTRA.lmt", std::string(bytes.begin(), bytes.end()));
        const std::string error = ErrorOfStart(basic, KNewGame);
        EXPECT_TRUE(Has(error, (basic.Dir.Path() / "KESTRA.lmt").string() +
                                   ": the start positions give the party map 0"))
            << error;
    }
    // A title picture the game lacks: the database and its record are named.
    {
        test::TTestGame basic("basic");
        TVezDataBase db;
        db.LoadFromFile((basic.Dir.Path() / "KESTRA.ldb").string());
        db.System.TitleGraphic = "Missing";
        db.SaveToFile((basic.Dir.Path() / "KESTRA.ldb").string());
        const std::string error = ErrorOfStart(basic, "0\n");
        EXPECT_TRUE(Has(error, (basic.Dir.Path() / "KESTRA.ldb").string() +
                                   ": the system record names the title picture \"Missing\""))
            << error;
    }
    // A database cut inside a table: the file and the offset.
    {
        test::TTestGame basic("basic");
        auto bytes = basic.Read("KESTRA.ldb");
        bytes.resize(bytes.size() * 2 / 3); // inside the chip sets
        basic.Dir.Write("KESTRA.ldb", std::string(bytes.begin(), bytes.end()));
        const std::string error = ErrorOfStart(basic, KNewGame);
        EXPECT_TRUE(Has(error, (basic.Dir.Path() / "KESTRA.ldb").string() + ": offset ")) << error;
    }
}

TEST(HostileGame, DataReadPastWithoutUseIsSaidOnceOnStderrAndTheGamePlays) {
    // The map says it is wider than its layers: they stay empty, and stderr says so.
    {
        test::TTestGame basic("basic");
        const std::string path = (basic.Dir.Path() / "Map0001.lmu").string();
        TVezMap map;
        map.LoadFromFile(path);
        map.Width += 1; // the layers keep their old size
        const auto bytes = map.SaveToBytes();
        basic.Dir.Write("Map0001.lmu", std::string(bytes.begin(), bytes.end()));
        ::testing::internal::CaptureStderr();
        TGameMain& game = basic.Play(KNewGame, 200);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(game.System().Scene, KSceneField);
        EXPECT_TRUE(Has(err, "kestra: warning: " + path + ": ignored 2 chunks of the wrong size"))
            << err;
        EXPECT_TRUE(Has(err, "chunk 71 holds")) << err;
        // One line per load of the map, no more.
        EXPECT_EQ(err.find("kestra: warning: " + path), err.rfind("kestra: warning: " + path))
            << err;
    }
    // A map of nothing but its 11-byte header loads as an empty map, with a word.
    {
        test::TTestGame basic("basic");
        basic.Dir.Write("Map0001.lmu", "\x0AVezMapUnit");
        ::testing::internal::CaptureStderr();
        TGameMain& game = basic.Play(KNewGame, 200);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(game.System().Scene, KSceneField);
        EXPECT_TRUE(Has(err, "Map0001.lmu: the map holds nothing after its header")) << err;
    }
    // A save whose party stands at x = 100000 cannot be played: refused, the list stays.
    {
        test::TTestGame basic("basic");
        TGameMain& game = basic.Start("0\n", 10);
        StartNewGame(game);
        game.Session->Save->State.Hero.X = 100000;
        game.Session->Save->Save(1);
        TGameMain& refused = basic.Play(KContinue, 400);
        EXPECT_EQ(refused.System().Scene, KSceneSaveFile);
        ASSERT_EQ(basic.Platform->Messages.size(), 1u);
        const std::string& message = basic.Platform->Messages[0];
        EXPECT_TRUE(Has(message, "Save01.lsd: the saved party stands at (100000, ")) << message;
        EXPECT_TRUE(Has(message, "outside the")) << message;
    }
}

TEST(HostileGame, DamagedSlotsShowAsDamagedWithTheirReason) {
    test::TTestGame basic("basic");
    basic.Play(KNewGameSavedToSlotOne, 1500);
    std::filesystem::rename(basic.Dir.Path() / "Save01.lsd", basic.Dir.Path() / "Save06.lsd");
    basic.Dir.Write("Save01.lsd", std::string(40, '\x07'));                // 40 bytes of junk
    std::filesystem::create_directory(basic.Dir.Path() / "Save02.lsd");    // a directory
    ASSERT_EQ(mkfifo((basic.Dir.Path() / "Save03.lsd").c_str(), 0600), 0); // a pipe
    basic.Dir.Write("Save04.lsd", "\x0BVezSaveDatX\x64\x01\x00");          // a bad magic
    TGameMain& game = basic.Play(KOpenLoadList, 250);
    ASSERT_EQ(game.System().Scene, KSceneSaveFile);
    TVezSaveFileScene& list = *game.SaveFile;
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_TRUE(list.Panel(slot).Damaged) << slot;
        EXPECT_FALSE(list.Panel(slot).Used()) << slot;
    }
    EXPECT_TRUE(Has(list.Panel(2).Problem, "Save02.lsd: is a directory")) << list.Panel(2).Problem;
    EXPECT_TRUE(Has(list.Panel(3).Problem, "Save03.lsd: is not a regular file"))
        << list.Panel(3).Problem;
    EXPECT_TRUE(Has(list.Panel(4).Problem, "not a VezSaveData file")) << list.Panel(4).Problem;
    EXPECT_FALSE(list.Panel(5).Damaged);
    EXPECT_FALSE(list.Panel(5).Used());
    EXPECT_TRUE(list.Panel(6).Used());
    EXPECT_EQ(list.Current, 6);
}

TEST(HostileGame, ASaveReplacesADamagedSlotOnlyAfterTheQuestionIsAnswered) {
    kestra::testing::TTestWindowHost host;
    TGameMain& game = host.game;
    TVezSaveFileScene& scene = *game.SaveFile;
    const std::string junk(40, '\x07');
    host.Files.Dir.Write("Save01.lsd", junk);
    auto frame = [&](std::uint16_t pressed, std::uint16_t repeated = 0) {
        game.Input->Pressed = pressed;
        game.Input->Repeated = repeated;
        scene.Update();
        game.Input->Pressed = game.Input->Repeated = 0;
    };
    auto slotOne = [&] {
        const auto bytes = host.Files.Read("Save01.lsd");
        return std::string(bytes.begin(), bytes.end());
    };
    host.State().System.LastSaveSlot = 1;
    scene.OpenForSave(KSceneMenu);
    frame(0);
    ASSERT_TRUE(scene.Panel(1).Damaged);
    const std::string where = scene.TitleLine().Text();

    // Decide asks; Cancel answers no and keeps the list and the file.
    frame(KButtonDecide);
    EXPECT_EQ(scene.ConfirmSlot, 1);
    EXPECT_NE(scene.TitleLine().Text(), where);
    EXPECT_EQ(slotOne(), junk);
    frame(KButtonCancel);
    EXPECT_EQ(scene.ConfirmSlot, 0);
    EXPECT_EQ(scene.TitleLine().Text(), where);
    EXPECT_EQ(host.scene, KSceneSaveFile);
    EXPECT_EQ(slotOne(), junk);

    // Moving away drops the question too.
    frame(KButtonDecide);
    frame(0, KButtonDown);
    EXPECT_EQ(scene.ConfirmSlot, 0);
    for (int k = 0; k < 8; ++k) frame(0);
    frame(0, KButtonUp);
    for (int k = 0; k < 8; ++k) frame(0);
    ASSERT_EQ(scene.Current, 1);

    // Decide twice replaces the damaged file with the game.
    frame(KButtonDecide);
    EXPECT_EQ(slotOne(), junk);
    frame(KButtonDecide);
    EXPECT_NE(slotOne(), junk);
    EXPECT_TRUE(game.Session->Save->ReadHeader(1).has_value());
    EXPECT_EQ(host.scene, KSceneMenu);
}

TEST(HostileGame, SavesThatMustMoveAreSaidOnceAndBothPlacesAreListed) {
    test::TTestGame basic("basic");
    basic.Play(KNewGameSavedToSlotOne, 1500);
    ASSERT_TRUE(basic.Exists("Save01.lsd"));
    test::TempDir data;
    basic.MakePlatform = [&data] {
        auto platform = std::make_unique<TIsolatedPlatform>();
        platform->GameDirFull = true; // no free inodes
        platform->Vars["XDG_DATA_HOME"] = data.Path().string();
        return platform;
    };
    const std::filesystem::path moved =
        data.Path() / "kestra" / basic.Dir.Path().filename() / "Save02.lsd";

    ::testing::internal::CaptureStderr();
    TGameMain& game = basic.Start("0\n", 10);
    StartNewGame(game);
    game.Session->Save->Save(2);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::filesystem::exists(moved));
    EXPECT_FALSE(basic.Exists("Save02.lsd"));
    const std::string said = "kestra: warning: saves go to " + moved.parent_path().string();
    EXPECT_TRUE(Has(err, said)) << err;
    EXPECT_EQ(err.find("saves go to"), err.rfind("saves go to")) << err;

    // Continue lists the game directory's slot 1 and the moved slot 2.
    TGameMain& list = basic.Play(KOpenLoadList, 250);
    ASSERT_EQ(list.System().Scene, KSceneSaveFile);
    EXPECT_TRUE(list.SaveFile->Panel(1).Used());
    EXPECT_TRUE(list.SaveFile->Panel(2).Used());
    EXPECT_FALSE(list.SaveFile->Panel(3).Used());
}

TEST(HostileGame, HeadlessSavesAreTheSameBytesInAnyTimeZone) {
    const char* oldZone = std::getenv("TZ");
    const std::string keep = oldZone ? oldZone : "";
    auto saveUnder = [](const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
        test::TTestGame basic("basic");
        basic.Play(KNewGameSavedToSlotOne, 1500);
        return basic.Read("Save01.lsd");
    };
    const auto tokyo = saveUnder("JST-9");
    const auto newYork = saveUnder("EST5EDT");
    // The window build keeps local time: the zones do differ there.
    const double localNewYork = DayCountAt(KHeadlessEpochMs);
    setenv("TZ", "JST-9", 1);
    tzset();
    const double localTokyo = DayCountAt(KHeadlessEpochMs);
    if (oldZone)
        setenv("TZ", keep.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    ASSERT_FALSE(tokyo.empty());
    EXPECT_EQ(tokyo, newYork);
    EXPECT_NEAR(localTokyo - localNewYork, 14.0 / 24.0, 1e-6); // 9:00 against 19:00 the eve
    // The stamp is the simulated clock in UTC: 1 January 2000, a few seconds in.
    TLcfgSaveHeader header = TLcfgSaveData::ReadHeaderFromBytes(tokyo, "Save01.lsd");
    EXPECT_EQ(std::floor(header.Time), 36526.0);
    EXPECT_LT(header.Time - 36526.0, 60.0 / 86400.0);
}

TEST(HostileGame, EveryHeadlessSaveGoesThroughTheOneDurableWriter) {
    // The headless platform has no writer of its own: it is given the platform's
    // AtomicWriteFile (fsync of the file and the directory), here watched on its way.
    test::TTestGame basic("basic");
    std::vector<std::filesystem::path> written;
    THeadlessPlatform platform(
        [&written](const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
            written.push_back(path);
            kestra::platform::AtomicWriteFile(path, bytes);
        },
        platform::OpenFfmpegMovie);
    TCommandLine line;
    line.Words = {"TestPlay"};
    line.GameDir = basic.Dir.Path();
    line.Headless = true;
    line.Seed = 1;
    line.Frames = 1500;
    line.InputScript = basic.Dir.Write("input.txt", KNewGameSavedToSlotOne).string();
    TGameMain game(line, platform);
    PrepareGame(game);
    EXPECT_THROW(game.Run(), EKandelDrawAbort); // the frame limit
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].filename(), "Save01.lsd");
    EXPECT_TRUE(basic.Exists("Save01.lsd"));
    EXPECT_FALSE(basic.Exists("Save01.lsd.tmp"));
    EXPECT_TRUE(game.Session->Save->ReadHeader(1).has_value());
}

// The demo game saved and loaded end to end: a walk in the town is saved to slot 1 and
// continued from the title in a fresh game, which puts the hero on the same tile and
// draws the same field; a save made in mid-step loads and saves again to equal bytes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "TempDir.h"
#include "data/SaveData.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr double KFixedTime = 46000.5;
// A frame at which the hero walking down from the start is between two tiles.
constexpr std::uint64_t KMidStepFrame = 605;

struct TDemoCopy {
    TDemoCopy() {
        std::filesystem::copy(KESTRA_DEMO_DIR, Dir.Path(),
                              std::filesystem::copy_options::recursive);
    }
    std::string Script(const std::string& name, const char* text) const {
        const std::string path = (Dir.Path() / name).string();
        std::FILE* f = std::fopen(path.c_str(), "w");
        if (f == nullptr) return {};
        std::fputs(text, f);
        std::fclose(f);
        return path;
    }
    Bytes Read(const std::string& name) const {
        std::ifstream in(Dir.Path() / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    kestra::test::TempDir Dir;
};

TCommandLine Line(const TDemoCopy& demo, const std::string& script, std::uint64_t frames) {
    TCommandLine line;
    line.Words = {"TestPlay"}; // no logos
    line.GameDir = demo.Dir.Path();
    line.Headless = true;
    line.Frames = frames;
    line.InputScript = script;
    return line;
}

// The field as it looks at a fixed animation phase, without the map events: the town's
// people walk on after a load, with draws the save does not hold.
std::vector<std::uint16_t> FieldPicture(TGameMain& game) {
    auto* field = dynamic_cast<TVezFieldScene*>(&game.SceneFor(KSceneField));
    if (field == nullptr) return {};
    field->FrameCounter = 0;
    auto& events = game.Session->Save->State.Map.Events;
    for (std::size_t i = 0; i < events.Count(); ++i) events.At(i).Active = false;
    field->Draw();
    std::vector<std::uint16_t> pixels;
    TKandelBoard& board = game.Board();
    for (int y = 0; y < board.Height(); ++y)
        pixels.insert(pixels.end(), board.ScanLine(y), board.ScanLine(y) + board.Width());
    return pixels;
}

} // namespace

TEST(SaveLoadDemo, AWalkSavedToSlotOneContinuesFromTheTitleOnTheSameTile) {
    TDemoCopy demo;
    TLcfgPlace place;
    std::uint8_t direction = 0;
    std::vector<std::uint16_t> picture;
    {
        // New game, a few steps left and one up, then standing.
        THeadlessPlatform platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
        TGameMain game(
            Line(
                demo,
                demo.Script("walk.txt",
                            "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n"
                            "460 Left\n500\n510 Up\n522\n"),
                680),
            platform);
        ASSERT_NE(PrepareGame(game), nullptr);
        EXPECT_THROW(game.Run(), EKandelDrawAbort);
        ASSERT_EQ(game.System().Scene, KSceneField);
        const TLcfgParty& hero = game.Session->Save->State.Hero;
        ASSERT_FALSE(hero.Moving());
        place = {hero.MapId, hero.X, hero.Y};
        direction = hero.Direction;
        ASSERT_NE(place.X, game.Session->StartPlace.X);
        game.Session->Save->Save(1);
        picture = FieldPicture(game);
        ASSERT_EQ(picture.size(), 320u * 240u);
    }
    ASSERT_FALSE(demo.Read("Save01.lsd").empty());
    {
        // Continue, then the latest slot.
        THeadlessPlatform platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
        TGameMain game(
            Line(demo, demo.Script("load.txt", "0\n60 Down\n61\n80 Decide\n81\n160 Decide\n161\n"),
                 400),
            platform);
        ASSERT_NE(PrepareGame(game), nullptr);
        EXPECT_THROW(game.Run(), EKandelDrawAbort);
        ASSERT_EQ(game.System().Scene, KSceneField);
        const TLcfgParty& hero = game.Session->Save->State.Hero;
        EXPECT_EQ(hero.MapId, place.MapId);
        EXPECT_EQ(hero.X, place.X);
        EXPECT_EQ(hero.Y, place.Y);
        EXPECT_EQ(hero.Direction, direction);
        EXPECT_EQ(game.Board().Brightness, 100); // the field has faded in
        EXPECT_EQ(FieldPicture(game), picture);
    }
}

TEST(SaveLoadDemo, ASaveMadeInMidStepLoadsAndSavesToEqualBytes) {
    TDemoCopy demo;
    {
        THeadlessPlatform platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
        TGameMain game(Line(demo,
                            demo.Script("walk.txt", "0\n99 Decide\n100\n105 Decide\n106\n260 "
                                                    "Decide\n261\n360 Decide\n361\n460 Down\n"),
                            KMidStepFrame),
                       platform);
        ASSERT_NE(PrepareGame(game), nullptr);
        EXPECT_THROW(game.Run(), EKandelDrawAbort);
        ASSERT_TRUE(game.Session->Save->State.Hero.Moving())
            << game.Session->Save->State.Hero.X << " " << KMidStepFrame;
        game.Session->Save->SetClock([] { return KFixedTime; });
        game.Session->Save->Save(2);
    }
    const Bytes saved = demo.Read("Save02.lsd");
    ASSERT_FALSE(saved.empty());
    THeadlessPlatform platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
    TGameMain game(Line(demo, demo.Script("none.txt", "0\n"), 10), platform);
    ASSERT_NE(PrepareGame(game), nullptr);
    game.Session->Save->SetClock([] { return KFixedTime; });
    ASSERT_TRUE(LoadSavedGame(game, 2));
    EnterSavedGame(game);
    EXPECT_TRUE(game.Session->Save->State.Hero.Moving());
    EXPECT_EQ(game.Session->Save->SaveToBytes(), saved);

    // A broken copy of the file is refused and the loaded game stays.
    for (std::size_t size : {saved.size() - 3, saved.size() / 2, std::size_t{4}}) {
        std::filesystem::resize_file(demo.Dir.Path() / "Save02.lsd", size);
        EXPECT_THROW(LoadSavedGame(game, 2), EKestraError) << size;
        EXPECT_EQ(game.Session->Save->SaveToBytes(), saved);
    }
    EXPECT_FALSE(LoadSavedGame(game, 3));
}

// A new game of the demo played by script: the opening message, the walk to the town's
// south gate, the teleport to the field map, a walk there until an encounter is due, and
// the battle it starts, fought and won.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../GoldenPicture.h"
#include "TempDir.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Player.h"

namespace kestra {
namespace {

// New game at input update 99 and the intro movie skipped at 105, its first update (the
// update the movie takes makes up for the earlier press, so the game runs on as it did
// before the intro); the opening message's two pages are dismissed at 260
// and 360; then down the road to the south gate, one step down onto the field's road
// and back and forth along it.
constexpr const char* KWalk =
    "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n"
    "460 Down\n560\n700 Down\n716\n720 Right\n1060 Left\n"
    "1400 Right\n1740 Left\n2080 Right\n2420 Left\n2760 Right\n";

// The walk, and from the battle's command screen on Decide every 8 updates: Fight,
// Attack, the first monster, and the pages of the battle's end.
std::string WalkAndFight() {
    std::string script = KWalk;
    for (int t = 3400; t < 7000; t += 8)
        script += std::to_string(t) + " Decide\n" + std::to_string(t + 1) + "\n";
    return script;
}

struct TDemoGame {
    TDemoGame(std::uint64_t frames, const std::string& script = KWalk) {
        Dir.Write("walk.txt", script);
        TCommandLine line;
        line.Words = {"TestPlay"}; // no logos
        line.GameDir = KESTRA_DEMO_DIR;
        line.Headless = true;
        line.Frames = frames;
        line.Seed = 7;
        line.InputScript = (Dir.Path() / "walk.txt").string();
        Game = std::make_unique<TGameMain>(line, Platform);
        Session = PrepareGame(*Game);
        EXPECT_THROW(Game->Run(), EKandelDrawAbort); // the frame limit
    }
    TVezFieldScene* Field() { return dynamic_cast<TVezFieldScene*>(&Game->SceneFor(KSceneField)); }
    const TLcfgParty& Hero() { return Session->Save->State.Hero; }
    std::vector<std::uint16_t> Board() {
        std::vector<std::uint16_t> pixels;
        TKandelBoard& board = Game->Board();
        for (int y = 0; y < board.Height(); ++y)
            pixels.insert(pixels.end(), board.ScanLine(y), board.ScanLine(y) + board.Width());
        return pixels;
    }

    test::TempDir Dir;
    THeadlessPlatform Platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
    std::unique_ptr<TGameMain> Game;
    std::shared_ptr<TGameSession> Session;
};

TEST(DemoWalk, TheTownGateLeadsToTheFieldWhereAnEncounterStartsABattle) {
    {
        TDemoGame town(450);
        ASSERT_NE(town.Session, nullptr);
        EXPECT_EQ(town.Game->System().Scene, KSceneField);
        EXPECT_EQ(town.Hero().MapId, 1);
        EXPECT_EQ(town.Hero().X, 9);
        EXPECT_EQ(town.Hero().Y, 10);
        test::CompareGolden(town.Game->Board(), "demo_town_start.png");
    }
    TDemoGame a(3400);
    ASSERT_NE(a.Field(), nullptr);
    EXPECT_EQ(a.Hero().MapId, 2);
    EXPECT_GT(a.Field()->EncountersRolled, 0);
    // Leaving by the gate made the town a destination of the teleport skill: in front of
    // the gate, where the field's road leads back.
    const TLcfgTeleportItem* town = a.Session->Save->State.Teleport.FindByMap(1);
    ASSERT_NE(town, nullptr);
    EXPECT_EQ(town->X, 9);
    EXPECT_EQ(town->Y, 13);
    EXPECT_EQ(a.Session->Save->State.Teleport.FindByMap(2), nullptr);
    test::CompareGolden(a.Game->Board(), "demo_field_walk.png");
    // The same seed and script give the same game.
    TDemoGame b(3400);
    EXPECT_EQ(b.Hero().X, a.Hero().X);
    EXPECT_EQ(b.Field()->EncountersRolled, a.Field()->EncountersRolled);
    EXPECT_EQ(b.Board(), a.Board());
}

TEST(DemoWalk, TheFieldsFirstBattleIsWonAndTheWalkGoesOn) {
    TDemoGame game(7000, WalkAndFight());
    const TLcfgGameState& state = game.Session->Save->State;
    EXPECT_EQ(state.PartyInfo.Battles, 1);
    EXPECT_EQ(state.PartyInfo.Victories, 1);
    EXPECT_EQ(game.Game->System().Scene, KSceneField);
    EXPECT_EQ(state.Hero.MapId, 2);
    // The party took the experience and the money of the troop.
    EXPECT_GT(state.PartyInfo.Gold, 0);
    const TLcfgPlayerItem* leader = state.PartyInfo.Member(0);
    ASSERT_NE(leader, nullptr);
    EXPECT_GT(leader->Experience, 0);
}

} // namespace
} // namespace kestra

// Battles played end to end on the test game "battle": the hero stands in a small arena
// with four chests around him, each starting a battle when touched (left: a slime and
// an egg that hatches; right: an ogre that ends the game; down: an ogre whose defeat
// the event handles; up: two fast snails, fought with the first strike and escaped
// from). Variable 1 receives the branch that ran: 1 victory, 2 escape, 3 defeat.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "../interpreter/ScriptWorld.h"
#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "scenes/GameWindowsMessage.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

// The script of a player who, from input update `from` on, taps `key` and then Decide
// every 8 updates (Decide closes pages, picks Fight, Attack and the first target).
std::string Tapping(const std::string& key, int from = 70, int until = 6000) {
    std::ostringstream s;
    s << "0\n60 Decide\n61\n";
    for (int t = from; t < until; t += 8) {
        s << t << " " << key << "\n" << t + 1 << "\n";
        s << t + 4 << " Decide\n" << t + 5 << "\n";
    }
    return s.str();
}

// What a frame of the battle showed.
struct TBattleFrame {
    std::uint8_t Scene = 0;
    bool InBattle = false;
    int Phase = 0;
    bool ScreenFlash = false;
    bool ActorCommandOpen = false;
    bool MonsterTargetOpen = false;
    std::array<std::string, 4> Lines;
};

struct TBattleRun {
    // Plays `script` for `frames` frames and records every displayed frame; `probe`, when
    // given, sees the game after each frame; `prepare` changes the game before it runs.
    TBattleRun(const std::string& script, std::uint64_t frames,
               std::function<void(TGameMain&)> probe = {},
               const std::function<void(TGameMain&)>& prepare = {}) {
        TGameMain& game = Files.Start(script, frames);
        if (prepare) prepare(game);
        auto recorder = game.Display->OnFrame;
        game.Display->OnFrame = [this, &game, recorder, probe](std::uint64_t frame) {
            TBattleFrame f;
            f.Scene = game.System().Scene;
            TVezBattleScene& battle = *game.Battle;
            f.InBattle = battle.InBattle();
            f.Phase = battle.Phase;
            f.ScreenFlash = battle.Troop() != nullptr && battle.Troop()->ScreenFlash.has_value();
            f.ActorCommandOpen = battle.ActorCommand.IsOpen() && battle.ActorCommand.CursorActive;
            f.MonsterTargetOpen = battle.MonsterTarget.IsOpen();
            f.Lines = battle.Messages.Lines;
            Frames.push_back(f);
            if (probe) probe(game);
            recorder(frame);
        };
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
        }
    }
    TGameMain& Game() { return *Files.Game; }
    TLcfgGameState& State() { return Game().State(); }
    bool Shown(const std::string& line) const {
        for (const auto& f : Frames)
            for (const auto& l : f.Lines)
                if (l == line) return true;
        return false;
    }
    int FirstFrame(const std::function<bool(const TBattleFrame&)>& p) const {
        for (std::size_t i = 0; i < Frames.size(); ++i)
            if (p(Frames[i])) return static_cast<int>(i);
        return -1;
    }

    test::TTestGame Files{"battle"};
    std::vector<TBattleFrame> Frames;
};

TEST(BattleScene, AVictoryGivesExperienceMoneyTheDropAndLevelsThatTheSaveKeeps) {
    TBattleRun run(Tapping("Left"), 3000);
    TLcfgGameState& state = run.State();
    // Back on the map after the battle, the victory branch ran.
    ASSERT_EQ(state.System.Scene, KSceneField);
    EXPECT_EQ(state.System.Variable(1), 1);
    EXPECT_EQ(state.PartyInfo.Battles, 1);
    EXPECT_EQ(state.PartyInfo.Victories, 1);
    // The battle page of turn 1 took 5 HP off the slime and read its HP (kind 8).
    EXPECT_EQ(state.System.Variable(10), 15);
    // The egg hatched into the chick (77 experience; the egg gives none).
    EXPECT_TRUE(run.Shown("Egg changes shape!"));
    const TLcfgPlayerItem& hero = *state.PartyInfo.Member(0);
    EXPECT_EQ(hero.Experience, 277);
    EXPECT_GT(hero.Level, 1);
    EXPECT_EQ(state.PartyInfo.Gold, 35);
    EXPECT_EQ(state.PartyInfo.ItemAmount(1), 1); // the slime's potion
    // The opening lines and the attack were shown in the battle message window.
    EXPECT_TRUE(run.Shown("Slime appears!"));
    EXPECT_TRUE(run.Shown("Rowan attacks!"));
    // The sword's animation flashed the screen.
    EXPECT_GE(run.FirstFrame([](const TBattleFrame& f) { return f.ScreenFlash; }), 0);
    // The music from before the battle plays again.
    EXPECT_EQ(state.System.CurrentMusic.Name, state.System.MusicBeforeBattle.Name);
    EXPECT_NE(state.System.CurrentMusic.Name, state.DataBase().System.Music[KMusicVictory].Name);

    // The save file holds the new values.
    const std::int32_t level = hero.Level;
    run.Game().Session->Save->Save(1);
    test::TTestGame again("battle");
    std::filesystem::copy_file(run.Files.Dir.Path() / "Save01.lsd",
                               again.Dir.Path() / "Save01.lsd");
    TGameMain& loaded = again.Start("0\n", 10);
    ASSERT_TRUE(LoadSavedGame(loaded, 1));
    const TLcfgGameState& back = loaded.State();
    EXPECT_EQ(back.PartyInfo.Member(0)->Level, level);
    EXPECT_EQ(back.PartyInfo.Member(0)->Experience, 277);
    EXPECT_EQ(back.PartyInfo.Gold, 35);
    EXPECT_EQ(back.PartyInfo.ItemAmount(1), 1);
    EXPECT_EQ(back.PartyInfo.Victories, 1);
    EXPECT_EQ(back.System.Variable(1), 1);
}

TEST(BattleScene, ADefeatWithoutADefeatBranchEndsInGameOver) {
    // What the game held when the game-over scene first came up.
    bool over = false;
    std::int32_t hp = -1, branch = -1, battles = -1;
    std::string music;
    TBattleRun run(Tapping("Right"), 4000, [&](TGameMain& game) {
        const TLcfgGameState& state = game.State();
        if (over || state.System.Scene != KSceneGameOver) return;
        over = true;
        hp = state.PartyInfo.Member(0)->HP;
        branch = state.System.Variable(1);
        battles = state.PartyInfo.Battles;
        music = state.System.CurrentMusic.Name;
    });
    ASSERT_TRUE(over);
    EXPECT_EQ(hp, 0);
    EXPECT_EQ(branch, 0);
    // A defeat that ends the game is not counted.
    EXPECT_EQ(battles, 0);
    EXPECT_EQ(music, run.State().DataBase().System.Music[KMusicGameOver].Name);
}

TEST(BattleScene, ADefeatWithADefeatBranchGoesBackToTheMap) {
    TBattleRun run(Tapping("Down"), 2000);
    TLcfgGameState& state = run.State();
    EXPECT_EQ(state.System.Scene, KSceneField);
    EXPECT_EQ(state.System.Variable(1), 3);
    EXPECT_EQ(state.PartyInfo.Battles, 1);
    EXPECT_EQ(state.PartyInfo.Defeats, 1);
    EXPECT_FALSE(run.Game().Battle->InBattle());
}

// A timer that runs in battles ends a battle that is still going when it runs out: no
// branch of the Start battle command runs and the field goes on.
TEST(BattleScene, ATimerRunningInBattleEndsTheBattleWhenItRunsOut) {
    std::uint64_t firstBattleFrame = 0, lastBattleFrame = 0;
    TBattleRun run(
        "0\n60 Decide\n61\n70 Left\n71\n74 Decide\n75\n", 1500,
        [&](TGameMain& game) {
            if (!game.Battle->InBattle()) return;
            if (firstBattleFrame == 0) firstBattleFrame = game.System().FrameCount;
            lastBattleFrame = game.System().FrameCount;
        },
        [](TGameMain& game) {
            // A parallel common event, so the hero walks while it waits.
            TVezCommonEventItem& event = game.Session->DataBase.CommonEvents.Obtain(10);
            event.Trigger = TVezCommonEventItem::KTriggerParallel;
            event.Commands =
                test::List({test::Cmd(10230, {0, 0, 8}), // 8 seconds
                            test::Cmd(10230, {1, 0, 0, 1, 1}), test::Cmd(11410, {100000})});
        });
    TLcfgGameState& state = run.State();
    EXPECT_EQ(state.PartyInfo.Battles, 1);
    // The battle waited for its commands until the timer's 8 seconds were out.
    EXPECT_GT(firstBattleFrame, 0u);
    EXPECT_GT(lastBattleFrame - firstBattleFrame, 300u);
    EXPECT_EQ(state.System.Scene, KSceneField);
    EXPECT_EQ(state.System.Variable(1), 0);
    EXPECT_FALSE(state.PartyInfo.TimerRunning);
    EXPECT_LT(state.PartyInfo.Timer, 60);
    // Neither won, lost nor escaped.
    EXPECT_EQ(state.PartyInfo.Victories, 0);
    EXPECT_EQ(state.PartyInfo.Defeats, 0);
    EXPECT_EQ(state.PartyInfo.Escapes, 0);
}

TEST(BattleScene, TheFirstStrikeMakesTheEscapeSucceedAndTheMonstersWait) {
    // Up walks into the snails' chest and, on the party command, moves the cursor from
    // Fight to Run.
    TBattleRun run(Tapping("Up"), 2000);
    TLcfgGameState& state = run.State();
    EXPECT_EQ(state.System.Scene, KSceneField);
    EXPECT_EQ(state.System.Variable(1), 2);
    EXPECT_EQ(state.PartyInfo.Escapes, 1);
    EXPECT_TRUE(run.Shown("You strike first!"));
    EXPECT_TRUE(run.Shown("You got away."));
    // The snails are far faster: without the first strike the chance would be 0.
    EXPECT_FALSE(run.Shown("Snail attacks!"));
    EXPECT_EQ(state.PartyInfo.Member(0)->HP, state.PartyInfo.Member(0)->MaxHP());
}

TEST(BattleScene, TheCommandPhaseTargetChoiceAnimationAndVictoryMatchTheirGoldens) {
    // The pictures of the victory battle: the actor command, the monster target window, a
    // frame of the sword's animation while it flashes the screen, and the victory page.
    enum { KCommand, KTarget, KAnimation, KVictory, KShots };
    std::array<TKandelBoard, KShots> shots;
    std::array<bool, KShots> taken{};
    auto take = [&](int i, TGameMain& game) {
        if (taken[static_cast<std::size_t>(i)]) return;
        taken[static_cast<std::size_t>(i)] = true;
        TKandelBoard& board = game.Board();
        shots[static_cast<std::size_t>(i)].SetSize(board.Width(), board.Height());
        shots[static_cast<std::size_t>(i)].CopyBoard(0, 0, board.GetBounds(), board);
    };
    TBattleRun run(Tapping("Left"), 3000, [&](TGameMain& game) {
        TVezBattleScene& battle = *game.Battle;
        if (!battle.InBattle()) return;
        if (battle.ActorCommand.IsOpen() && battle.ActorCommand.CursorActive &&
            battle.ActorCommand.X == 244)
            take(KCommand, game);
        if (battle.MonsterTarget.IsOpen()) take(KTarget, game);
        if (battle.Troop()->ScreenFlash) take(KAnimation, game);
        const TVezMessageWindow& box = game.Session->MessageWindow;
        if (box.Present() && !box.Lines.empty() && box.Lines[0].rfind("Victory!", 0) == 0 &&
            box.TypeLine >= 1)
            take(KVictory, game);
    });
    ASSERT_TRUE(taken[KCommand] && taken[KTarget] && taken[KAnimation] && taken[KVictory]);
    test::CompareGolden(shots[KCommand], "battle_command.png");
    test::CompareGolden(shots[KTarget], "battle_target.png");
    test::CompareGolden(shots[KAnimation], "battle_animation.png");
    test::CompareGolden(shots[KVictory], "battle_victory.png");
}

TEST(BattleScene, ABattleTestFightsTheTroopWithTheTestPartyAndEndsTheProgram) {
    test::TTestGame files("battle");
    TGameMain& game = files.Play(Tapping("Left"), 3000, {"BattleTest", "HideTitle", "Window", "1"});
    const TLcfgGameState& state = game.State();
    // The battle was won and the program asked to close (the loop left the battle).
    EXPECT_EQ(state.System.Scene, KSceneGameOver);
    ASSERT_EQ(state.PartyInfo.MemberCount(), 1);
    const TLcfgPlayerItem& hero = *state.PartyInfo.Member(0);
    EXPECT_GE(hero.Level, 5);
    EXPECT_EQ(hero.Equipment[0], 3);
    EXPECT_EQ(hero.Equipment[1], 0); // the actor's own shield is taken off
    // 99 of each item usable in battle (the potion won is added to them and stays 99).
    EXPECT_EQ(state.PartyInfo.ItemAmount(1), 99);
    EXPECT_EQ(state.PartyInfo.ItemAmount(2), 99);
    EXPECT_EQ(state.PartyInfo.ItemAmount(3), 0);
    EXPECT_GE(files.Sound().Count("BattleStart"), 1);

    // A troop word that is not a number ends the program with a message.
    test::TTestGame bad("battle");
    bad.Start("0\n", 100, {"BattleTest", "HideTitle", "Window", "two"});
    EXPECT_THROW(bad.Game->Run(), EKestraError);
}

} // namespace
} // namespace kestra

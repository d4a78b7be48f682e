// The field as a game uses it, played through the real game object over the test game
// "fieldplay": what the map tree gives a map on entry (music, permissions, battle
// background), the panorama, the leader's sprite, what every step does (step counter,
// terrain damage and healing, state step damage, encounter weight, Ctrl walk-through),
// events that leave play, route commands that set switches and play sounds, the cancel
// key, character flash, bush depth, the timer, and the frame loop's draw decisions.
//
// The town (map 1): the hero starts at (5, 7) facing down, the asker at his left;
// tall grass in row 3, thorns in row 9, a spring in row 11, bare rock in row 13 (x 2..8),
// a wall down column 12. A touch at (10, 7) leads to the cave (map 2, saving
// forbidden), whose stairs at (5, 8) lead to the deep cave (map 3, inheriting
// everything, a scrolling sky above); (10, 9) leads to the hut (map 4).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "../TestGame.h"
#include "data/DataBase.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "shell/HeadlessPlatform.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

// New game from the title; the field takes input well before update 150.
const std::string KNewGame = "0\n60 Decide\n61\n";

constexpr std::uint64_t KTitleFrames = 200;

struct TPlay {
    test::TTestGame Files{"fieldplay"};
    // Runs before the first frame; on the first frame the field shows the map; on
    // every frame after it.
    std::function<void(TGameMain&)> Prepare, Early, Each;

    TGameMain& Run(const std::string& moves, std::uint64_t frames) {
        // The title and its fades take about 200 frames before the field runs.
        TGameMain& game = Files.Start(KNewGame + moves, frames + KTitleFrames);
        if (Prepare) Prepare(game);
        auto recorder = game.Display->OnFrame;
        bool seen = false;
        game.Display->OnFrame = [&, recorder](std::uint64_t frame) {
            const TLcfgGameState& state = game.Session->Save->State;
            if (state.System.Scene == KSceneField && state.Hero.MapId != 0) {
                if (!seen && Early) Early(game);
                seen = true;
            }
            if (seen && Each) Each(game);
            recorder(frame);
        };
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        game.Display->OnFrame = recorder;
        return game;
    }
};

TLcfgGameState& StateOf(TGameMain& game) {
    return game.Session->Save->State;
}

// The pixels in which two boards differ.
std::set<std::pair<int, int>> Differences(const TKandelBoard& a, const TKandelBoard& b) {
    std::set<std::pair<int, int>> d;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.ScanLine(y)[x] != b.ScanLine(y)[x]) d.insert({x, y});
    return d;
}

// Whether the two w x h pieces of the board at (ax, ay) and (bx, by) are equal.
bool SamePiece(const TKandelBoard& board, int ax, int ay, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (board.ScanLine(ay + y)[ax + x] != board.ScanLine(by + y)[bx + x]) return false;
    return true;
}

// The sprite of a character standing on tile (x, y) of a map that does not scroll.
TRect SpriteArea(int x, int y) {
    return {x * 16 - 4, y * 16 - 16, x * 16 + 20, y * 16 + 16};
}

TEST(FieldPlay, ANewGameTakesTheMapTreesSettingsAndTheLeadersSprite) {
    TPlay play;
    TGameMain& game = play.Run("", 160);
    const TLcfgGameState& state = StateOf(game);
    ASSERT_EQ(state.System.Scene, KSceneField);
    EXPECT_EQ(state.System.CurrentMusic.Name, "Town");
    EXPECT_GE(play.Files.Sound().MusicStarts, 1);
    EXPECT_TRUE(state.System.TeleportAllowed);
    EXPECT_TRUE(state.System.EscapeAllowed);
    EXPECT_TRUE(state.System.SaveAllowed);
    EXPECT_EQ(state.System.BattleBackground, "Field");
    EXPECT_EQ(state.Hero.SpriteName, "People");
    EXPECT_EQ(state.Hero.SpriteIndex, 0);
}

// Right along row 7 onto the cave door: five steps.
const std::string KToTheCave = "150 Right\n190\n";

TEST(FieldPlay, ATeleportWalksUpTheTreeForEachSetting) {
    TPlay play;
    int startsInTown = -1;
    play.Each = [&](TGameMain& game) {
        if (startsInTown < 0) startsInTown = play.Files.Sound().MusicStarts;
        (void)game;
    };
    // Into the cave, then down its stairs into the deep cave.
    TGameMain& cave = play.Run(KToTheCave, 300);
    {
        const TLcfgGameState& state = StateOf(cave);
        ASSERT_EQ(state.Hero.MapId, 2);
        EXPECT_EQ(state.System.CurrentMusic.Name, "Dungeon");
        EXPECT_EQ(state.System.CurrentMusic.Volume, 80);
        EXPECT_FALSE(state.System.TeleportAllowed);
        EXPECT_TRUE(state.System.EscapeAllowed);
        EXPECT_FALSE(state.System.SaveAllowed);
        EXPECT_EQ(state.System.BattleBackground, "Cave");
    }
    TPlay deeper;
    int startsInCave = -1;
    deeper.Each = [&](TGameMain& game) {
        if (StateOf(game).Hero.MapId == 2 && startsInCave < 0)
            startsInCave = deeper.Files.Sound().MusicStarts;
    };
    TGameMain& deep = deeper.Run(KToTheCave + "250 Down\n275\n", 400);
    const TLcfgGameState& state = StateOf(deep);
    ASSERT_EQ(state.Hero.MapId, 3);
    // Everything inherited from the cave: the music goes on without a restart.
    EXPECT_EQ(state.System.CurrentMusic.Name, "Dungeon");
    EXPECT_EQ(deeper.Files.Sound().MusicStarts, startsInCave);
    EXPECT_FALSE(state.System.TeleportAllowed);
    EXPECT_FALSE(state.System.SaveAllowed);
    EXPECT_EQ(state.System.BattleBackground, "Cave");

    // The hut keeps the town's music and leaves the battle background to the terrain.
    TPlay hut;
    TGameMain& inHut = hut.Run("150 Right\n181\n190 Down\n206\n215 Right\n222\n", 300);
    const TLcfgGameState& hutState = StateOf(inHut);
    ASSERT_EQ(hutState.Hero.MapId, 4);
    EXPECT_EQ(hutState.System.CurrentMusic.Name, "Town");
    EXPECT_FALSE(hutState.System.EscapeAllowed);
    EXPECT_TRUE(hutState.System.SaveAllowed);
    EXPECT_EQ(hutState.System.BattleBackground, "");
}

TEST(FieldPlay, WhereSavingIsForbiddenTheMenusSaveRefuses) {
    TPlay play;
    // In the cave: the menu, three down to Save, decide.
    TGameMain& game =
        play.Run(KToTheCave + "250 Cancel\n251\n300 Down\n301\n305 Down\n306\n310 Down\n311\n"
                              "320 Decide\n321\n",
                 420);
    const TLcfgGameState& state = StateOf(game);
    EXPECT_EQ(state.Hero.MapId, 2);
    EXPECT_EQ(state.System.Scene, KSceneMenu) << "the save screen never opened";
    EXPECT_EQ(play.Files.Sound().Count("Buzzer"), 1);
    EXPECT_FALSE(play.Files.Exists("Save01.lsd"));

    // The same keys in the town open the save screen.
    TPlay town;
    TGameMain& inTown = town.Run(
        "150 Cancel\n151\n200 Down\n201\n205 Down\n206\n210 Down\n211\n220 Decide\n221\n", 320);
    EXPECT_EQ(StateOf(inTown).System.Scene, KSceneSaveFile);
    EXPECT_EQ(town.Files.Sound().Count("Buzzer"), 0);
}

TEST(FieldPlay, TheDeepCavesPanoramaShowsBehindTheOpenTilesAndScrolls) {
    TPlay play;
    std::vector<std::uint64_t> skies;
    play.Each = [&](TGameMain& game) {
        if (StateOf(game).Hero.MapId != 3) return;
        // The top three rows show only the sky.
        const TKandelBoard& board = game.Display->Board;
        std::uint64_t h = 1469598103934665603ULL;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 320; ++x) h = (h ^ board.ScanLine(y)[x]) * 1099511628211ULL;
        skies.push_back(h);
    };
    TGameMain& game = play.Run(KToTheCave + "250 Down\n275\n", 420);
    const TLcfgGameState& state = StateOf(game);
    ASSERT_EQ(state.Hero.MapId, 3);
    ASSERT_TRUE(state.Map.Panorama.HasImage());
    EXPECT_EQ(state.Map.Panorama.Width, 640);
    const TKandelBoard& board = game.Display->Board;
    int black = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 320; ++x) black += board.ScanLine(y)[x] == 0 ? 1 : 0;
    EXPECT_EQ(black, 0) << "the sky fills the open tiles";
    // It scrolls by itself: the sky of the last frames keeps changing.
    ASSERT_GE(skies.size(), 40U);
    // Speed 2 moves it a pixel every eight frames.
    std::set<std::uint64_t> last(skies.end() - 30, skies.end());
    EXPECT_GE(last.size(), 3U);
}

TEST(FieldPlay, ALoadKeepsTheSavedSettingsAndLoadsThePanorama) {
    // Saved in the deep cave by the game itself (saving is forbidden there for the
    // player, which the saved state keeps).
    TPlay first;
    TGameMain& game = first.Run(KToTheCave + "250 Down\n275\n", 400);
    ASSERT_EQ(StateOf(game).Hero.MapId, 3);
    game.Session->Save->Save(1);
    ASSERT_TRUE(first.Files.Exists("Save01.lsd"));

    // Continue: down to it on the title, decide, decide on slot 1.
    test::TTestGame& files = first.Files;
    TGameMain& loaded = files.Play("0\n60 Down\n61\n70 Decide\n71\n160 Decide\n161\n", 500);
    const TLcfgGameState& state = StateOf(loaded);
    ASSERT_EQ(state.System.Scene, KSceneField);
    ASSERT_EQ(state.Hero.MapId, 3);
    EXPECT_TRUE(state.Map.Panorama.HasImage());
    EXPECT_FALSE(state.System.SaveAllowed);
    EXPECT_EQ(state.System.BattleBackground, "Cave");
    EXPECT_EQ(state.System.CurrentMusic.Name, "Dungeon");
    EXPECT_EQ(state.Hero.SpriteName, "People");
}

TEST(FieldPlay, TheHeroTakesTheLeadersSpriteOnATeleport) {
    TPlay play;
    play.Early = [](TGameMain& game) {
        StateOf(game).Actors.Get(1).SetWalkGraphic("People", 6, false);
    };
    int before = -1;
    play.Each = [&](TGameMain& game) {
        if (StateOf(game).Hero.MapId == 1) before = StateOf(game).Hero.SpriteIndex;
    };
    TGameMain& game = play.Run(KToTheCave, 260);
    EXPECT_EQ(before, 0) << "the town keeps the sprite taken at the new game";
    ASSERT_EQ(StateOf(game).Hero.MapId, 2);
    EXPECT_EQ(StateOf(game).Hero.SpriteIndex, 6);
}

// Down six steps from (5, 7): floor, thorns, floor, spring, floor, bare rock.
const std::string KDownTheRows = "150 Down\n198\n";

TEST(FieldPlay, EveryStepCountsHurtsHealsAndWeighsAsItsTerrain) {
    TPlay play;
    std::int32_t max1 = 0, max2 = 0, mp2 = 0;
    play.Early = [&](TGameMain& game) {
        TLcfgGameState& state = StateOf(game);
        TLcfgPlayerItem& rowan = state.Actors.Get(1);
        TLcfgPlayerItem& brigid = state.Actors.Get(2);
        max1 = rowan.MaxHP();
        max2 = brigid.MaxHP();
        rowan.HP = max1 - 20;
        brigid.HP = max2 - 30;
        mp2 = brigid.MP;
        // Brigid is poisoned: 4 HP every second step, 1 MP every third.
        brigid.AddState(2);
    };
    TGameMain& game = play.Run(KDownTheRows, 300);
    TLcfgGameState& state = StateOf(game);
    ASSERT_EQ(state.Hero.Y, 13);
    EXPECT_EQ(state.PartyInfo.Steps, 6);
    // Thorns -3, spring +5.
    EXPECT_EQ(state.Actors.Get(1).HP, max1 - 18);
    // Thorns -3, spring +5, poison -4 on steps 2, 4 and 6.
    EXPECT_EQ(state.Actors.Get(2).HP, max2 - 40);
    EXPECT_EQ(state.Actors.Get(2).MP, std::max(0, mp2 - 2));
    // The thorns flash the screen, and so does the poison on steps 2, 3 (MP), 4 and 6.
    auto* field = game.Session->Field;
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->DamageFlashes, 5);
    // Five steps of weight 100, one on bare rock of weight 0.
    EXPECT_EQ(state.Hero.EncounterCounter, 500);
}

TEST(FieldPlay, AnEventWithNoPageLeavesPlayAndTallGrassWeighsThrice) {
    TPlay play;
    bool drawnAtStart = true, controlDrawn = false;
    int frame = 0;
    play.Each = [&](TGameMain& game) {
        // Once the picture is fully shown: the ghost at (5, 5) is not drawn, the villager
        // at (9, 5) is; (7, 5) is plain floor.
        if (++frame != 40) return;
        const TKandelBoard& board = game.Display->Board;
        const TRect ghost = SpriteArea(5, 5), floor = SpriteArea(7, 5), stay = SpriteArea(9, 5);
        drawnAtStart = !SamePiece(board, ghost.Left, ghost.Top, floor.Left, floor.Top, 24, 32);
        controlDrawn = !SamePiece(board, stay.Left, stay.Top, floor.Left, floor.Top, 24, 32);
    };
    // Up four steps: through the ghost's tile onto the tall grass; then decide.
    TGameMain& game = play.Run("150 Up\n182\n200 Decide\n201\n", 300);
    const TLcfgGameState& state = StateOf(game);
    EXPECT_FALSE(drawnAtStart);
    EXPECT_TRUE(controlDrawn);
    EXPECT_EQ(state.Hero.X, 5);
    EXPECT_EQ(state.Hero.Y, 3) << "the ghost's tile does not block";
    EXPECT_EQ(state.Hero.EncounterCounter, 3 * 100 + 300);
    EXPECT_FALSE(game.Session->MessageWindow.Present());

    // With its switch on the ghost is back: it blocks and talks.
    TPlay back;
    back.Early = [](TGameMain& g) {
        StateOf(g).System.SetSwitch(30, true);
        StateOf(g).Map.Events.RefreshPages();
    };
    TGameMain& again = back.Run("150 Up\n182\n200 Decide\n201\n", 300);
    EXPECT_EQ(StateOf(again).Hero.Y, 6);
    EXPECT_TRUE(again.Session->MessageWindow.Present());
}

TEST(FieldPlay, InTestPlayCtrlWalksThroughWallsAndMeetsNobody) {
    // Up one step, then right along row 6 through the wall in column 12.
    const std::string walk = "150 Up\n158\n170 Right\n235\n";
    TPlay blocked;
    TGameMain& game = blocked.Run(walk, 320);
    EXPECT_EQ(StateOf(game).Hero.X, 11);
    EXPECT_EQ(StateOf(game).Hero.EncounterCounter, 700);

    TPlay through;
    TGameMain& ctrl = through.Run("150 Up\n158\n170 Right Ctrl\n235\n", 320);
    EXPECT_GT(StateOf(ctrl).Hero.X, 12);
    EXPECT_EQ(StateOf(ctrl).Hero.EncounterCounter, 100) << "only the step before Ctrl counts";
    EXPECT_EQ(StateOf(ctrl).PartyInfo.Steps, StateOf(ctrl).Hero.X - 5 + 1);

    // Outside test play Ctrl does nothing.
    TPlay player;
    player.Prepare = [](TGameMain& g) { g.Config.TestPlayMode = false; };
    TGameMain& plain = player.Run("150 Up\n158\n170 Right Ctrl\n235\n", 320);
    EXPECT_EQ(StateOf(plain).Hero.X, 11);
}

TEST(FieldPlay, RouteCommandsSetSwitchesAndPlaySoundsForEventsAndTheHero) {
    TPlay play;
    play.Early = [](TGameMain& game) {
        TVezMoveRoute route;
        route.Repeat = false;
        route.Commands.Items = {
            {35, 0, "Chest", 100, 100, 50}, {32, 33, "", 0, 0, 0}, {33, 31, "", 0, 0, 0}};
        StateOf(game).Hero.SetForcedRoute(route, 8);
    };
    TGameMain& game = play.Run("", 200);
    TLcfgGameState& state = StateOf(game);
    // The walker's own route played its sound and set switch 31, which chose its second
    // page; the hero's route set switch 33 and cleared 31, so the walker's first page
    // ran again.
    EXPECT_TRUE(state.System.Switch(31));
    EXPECT_TRUE(state.System.Switch(33));
    EXPECT_EQ(state.Map.Events.Get(3).PageId(), 2);
    EXPECT_EQ(play.Files.Sound().Count("Item"), 2);
    EXPECT_EQ(play.Files.Sound().Count("Chest"), 1);
}

TEST(FieldPlay, CancelOpensTheMenuOnlyWhenNothingElseTakesIt) {
    // Turn to the asker on the left and decide; Cancel answers the choice (South).
    TPlay play;
    TGameMain& game = play.Run("150 Left\n152\n170 Decide\n171\n260 Cancel\n261\n", 330);
    const TLcfgGameState& state = StateOf(game);
    EXPECT_TRUE(state.System.Switch(40)) << "Cancel chose the second answer";
    EXPECT_EQ(state.System.Scene, KSceneField) << "and did not open the menu";

    // Once the box is gone Cancel opens the menu; not while the menu is forbidden.
    TPlay later;
    TGameMain& menu =
        later.Run("150 Left\n152\n170 Decide\n171\n260 Cancel\n261\n330 Cancel\n331\n", 400);
    EXPECT_EQ(StateOf(menu).System.Scene, KSceneMenu);
    TPlay forbidden;
    forbidden.Early = [](TGameMain& g) { StateOf(g).System.MenuAllowed = false; };
    TGameMain& none = forbidden.Run("150 Cancel\n151\n", 250);
    EXPECT_EQ(StateOf(none).System.Scene, KSceneField);
}

// The final boards of two runs of the same keys, one changed by `change` on the first
// field frame.
struct TTwoRuns {
    TTwoRuns(const std::string& moves, std::uint64_t frames,
             const std::function<void(TGameMain&)>& change) {
        TPlay a;
        Plain.SetSize(320, 240);
        Changed.SetSize(320, 240);
        TGameMain& ga = a.Run(moves, frames);
        Plain.CopyBoard(0, 0, {0, 0, 320, 240}, ga.Display->Board);
        HeroA = {StateOf(ga).Hero.X, StateOf(ga).Hero.Y};
        TPlay b;
        b.Early = change;
        TGameMain& gb = b.Run(moves, frames);
        Changed.CopyBoard(0, 0, {0, 0, 320, 240}, gb.Display->Board);
        HeroB = {StateOf(gb).Hero.X, StateOf(gb).Hero.Y};
    }
    TKandelBoard Plain, Changed;
    std::pair<int, int> HeroA, HeroB;
};

bool Inside(const std::set<std::pair<int, int>>& points, TRect r) {
    for (const auto& [x, y] : points)
        if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) return false;
    return true;
}

TEST(FieldPlay, TallGrassSinksTheHeroAndAFlashColoursOnlyTheCharacter) {
    // The hero on the tall grass at (5, 3): with the terrain's bush depth 2 its lower 16
    // rows are drawn at half opacity.
    TTwoRuns bush("150 Up\n182\n", 260,
                  [](TGameMain& game) { game.Session->DataBase.Terrain.Get(4).BushDepth = 0; });
    ASSERT_EQ(bush.HeroA, std::make_pair(5, 3));
    ASSERT_EQ(bush.HeroB, bush.HeroA);
    const auto sunk = Differences(bush.Plain, bush.Changed);
    EXPECT_FALSE(sunk.empty());
    const TRect hero = SpriteArea(5, 3);
    EXPECT_TRUE(Inside(sunk, {hero.Left, hero.Top + 16, hero.Right, hero.Bottom}));

    // A long white flash of the villager at (9, 5) changes only its sprite.
    TTwoRuns flash("", 200, [](TGameMain& game) {
        StateOf(game).Map.Events.Get(2).Flash(31, 31, 31, 31, 6000);
    });
    const auto lit = Differences(flash.Plain, flash.Changed);
    EXPECT_GT(lit.size(), 50U);
    EXPECT_TRUE(Inside(lit, SpriteArea(9, 5)));
}

TEST(FieldPlay, TheTimerIsDrawnTopLeftOrBottomLeftWithMessagesAtTheTop) {
    auto withTimer = [](bool top) {
        return [top](TGameMain& game) {
            TLcfgGameState& state = StateOf(game);
            state.PartyInfo.SetTimer(75);
            state.PartyInfo.StartTimer(true, false);
            if (top) state.System.MessagePosition = 0;
        };
    };
    const TRect high{4, 4, 44, 20}, low{4, 220, 44, 236};
    TTwoRuns shown("", 200, withTimer(false));
    const auto digits = Differences(shown.Plain, shown.Changed);
    EXPECT_GT(digits.size(), 40U);
    EXPECT_TRUE(Inside(digits, high));
    TTwoRuns below("", 200, withTimer(true));
    const auto lower = Differences(below.Plain, below.Changed);
    EXPECT_GT(lower.size(), 40U);
    EXPECT_TRUE(Inside(lower, low));
    // Not shown: not drawn, though it runs.
    TTwoRuns hidden("", 200, [](TGameMain& game) {
        StateOf(game).PartyInfo.SetTimer(75);
        StateOf(game).PartyInfo.StartTimer(false, false);
    });
    EXPECT_TRUE(Differences(hidden.Plain, hidden.Changed).empty());
}

// A platform whose display is paced for real against a simulated clock: every present
// costs `PresentCost` ms, and playing a sound whose file starts with `StallOn` stalls
// for `Stall` ms.
class TPacedPlatform : public test::TTestPlatform {
public:
    class THost : public THeadlessDrawHost {
    public:
        THost(double& clock, TPacedPlatform& owner) : THeadlessDrawHost(clock), Owner(owner) {}
        void Present(const TKandelBoard& board) override {
            THeadlessDrawHost::Present(board);
            Owner.Clock += Owner.PresentCost;
        }
        TPacedPlatform& Owner;
    };
    class TStallingTonica : public test::TRecordingTonica {
    public:
        explicit TStallingTonica(TPacedPlatform& owner) : Owner(owner) {}
        bool PlaySoundEx(const std::string& path, std::int32_t volume, std::int32_t tempo,
                         std::int32_t balance) override {
            if (!Owner.StallOn.empty() &&
                std::filesystem::path(path).filename().string().rfind(Owner.StallOn, 0) == 0)
                Owner.Clock += Owner.Stall;
            return TRecordingTonica::PlaySoundEx(path, volume, tempo, balance);
        }
        TPacedPlatform& Owner;
    };

    bool Headless() const override { return false; }
    std::unique_ptr<IKandelDrawHost> CreateDisplayHost(const std::string&, bool) override {
        auto host = std::make_unique<THost>(Clock, *this);
        Host = host.get();
        return host;
    }
    std::unique_ptr<ITonica> CreateTonica() override {
        auto sound = std::make_unique<TStallingTonica>(*this);
        Sound = sound.get();
        return sound;
    }
    std::int64_t WallClockMilliseconds() override {
        return KHeadlessEpochMs + static_cast<std::int64_t>(Clock);
    }

    double Clock = 0;
    double PresentCost = 0, Stall = 0;
    std::string StallOn;
    THost* Host = nullptr;
};

// Plays `moves` on the paced platform; per field frame whether it was presented, and
// whether the message box was in its last closing step.
struct TPacedRun {
    struct TFrame {
        bool Presented = false, LastClosingStep = false;
        std::int32_t MapId = 0;
    };
    TPacedRun(const std::function<void(TPacedPlatform&)>& set, const std::string& moves,
              std::uint64_t frames) {
        Play.Files.MakePlatform = [set] {
            auto p = std::make_unique<TPacedPlatform>();
            set(*p);
            return p;
        };
        int presents = 0;
        Play.Each = [&](TGameMain& game) {
            auto& platform = static_cast<TPacedPlatform&>(*Play.Files.Platform);
            TFrame f;
            f.Presented = platform.Host->Presents != presents;
            presents = platform.Host->Presents;
            f.LastClosingStep = game.Session->MessageWindow.ClosePhase() == 7;
            f.MapId = StateOf(game).Hero.MapId;
            if (StateOf(game).System.Scene == KSceneField) Frames.push_back(f);
        };
        Game = &Play.Run(moves, frames);
    }
    TPlay Play;
    std::vector<TFrame> Frames;
    TGameMain* Game = nullptr;
};

TEST(FieldPlay, TheBoxsLastClosingStepIsDrawnEvenWhenTheLoopIsBehind) {
    // Every picture costs nine frames of time: the loop draws about one frame in nine.
    TPacedRun run([](TPacedPlatform& p) { p.PresentCost = 150; },
                  "150 Left\n152\n170 Decide\n171\n260 Cancel\n261\n", 360);
    int skipped = 0, closing = 0;
    for (const auto& f : run.Frames) {
        skipped += f.Presented ? 0 : 1;
        if (!f.LastClosingStep) continue;
        ++closing;
        EXPECT_TRUE(f.Presented);
    }
    EXPECT_GE(closing, 1);
    EXPECT_GT(skipped, 50) << "the loop was behind";
    EXPECT_FALSE(run.Game->Session->Field->ForceDraw) << "the mark is spent by the frame loop";
}

TEST(FieldPlay, AStallBeforeAMapChangeCausesNoCatchUpFrames) {
    // The walker's sound stalls the town for 15 frames: the loop skips drawing while it
    // catches up.
    TPacedRun town(
        [](TPacedPlatform& p) {
            p.StallOn = "Item";
            p.Stall = 250;
        },
        "", 260);
    int skipped = 0;
    for (const auto& f : town.Frames) skipped += f.Presented ? 0 : 1;
    EXPECT_GE(skipped, 3);
    // The cave door's sound stalls as long, right before the map changes: the schedule
    // restarts with the new map, and every frame on it is drawn.
    TPacedRun cave(
        [](TPacedPlatform& p) {
            p.StallOn = "Door";
            p.Stall = 250;
        },
        KToTheCave, 300);
    int onCave = 0;
    for (const auto& f : cave.Frames)
        if (f.MapId == 2) {
            ++onCave;
            EXPECT_TRUE(f.Presented);
        }
    EXPECT_GT(onCave, 50);
}

} // namespace
} // namespace kestra

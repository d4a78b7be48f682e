// The field frame with every screen effect at once (all twenty pictures: ten rotating,
// five wavering, five plain at 200 %; strong rain; a tint and a flash) over the real
// game object of the packed test game "screen", and one rotated and one wavering
// picture on their own. Compare with BM_FieldFrame and BM_BoardMemcpyBaseline.
#include <benchmark/benchmark.h>

#include "../tests/TestGame.h"
#include "scenes/LS_Field.h"
#include "state/LGD_GameState.h"

namespace {

using namespace kestra;

// A new game of "screen" with the field drawing; the hero walks left and right.
struct TEffectsGame {
    TEffectsGame() : Game(Files.Start("", 1000000000)) {
        StartNewGame(Game);
        Game.RandomGenerator->Seed = 7;
        Scene = &static_cast<TVezFieldScene&>(*Game.Scenes[KSceneField]);
        Scene->Entered = true;
    }
    TLcfgGameState& State() { return Game.Session->Save->State; }
    void Frame() {
        ++Count;
        Game.Input->Direction = (Count / 64) % 2 == 0 ? 6 : 4;
        Scene->Update();
        Scene->Draw();
        benchmark::DoNotOptimize(Game.Display->Board.ScanLine(0));
        benchmark::ClobberMemory();
    }
    test::TTestGame Files{"screen"};
    TGameMain& Game;
    TVezFieldScene* Scene = nullptr;
    int Count = 0;
};

TPictureShow Picture(int number) {
    TPictureShow show;
    show.Name = "Map";
    show.X = 20 + (number % 5) * 70;
    show.Y = 30 + (number / 5) * 55;
    show.Transparency = number % 3 == 0 ? 30 : 0;
    if (number <= 10) {
        show.Effect = KPictureEffectRotation;
        show.EffectStrength = 3 + number;
    } else if (number <= 15) {
        show.Effect = KPictureEffectWaver;
        show.EffectStrength = 2 + number % 5;
    } else {
        show.Magnification = 200;
    }
    return show;
}

void BM_FieldFrameAllEffects(benchmark::State& state) {
    TEffectsGame g;
    TLcfgGameState& s = g.State();
    for (int n = 1; n <= KPictureCount; ++n) s.Pictures.Show(n, Picture(n));
    s.Screen.SetWeather(KWeatherRain, 2, g.Game.Random());
    s.Screen.SetTint(120, 90, 80, 70, 0);
    for (int frame = 0; frame < 30; ++frame) g.Frame(); // the rain under way
    for (auto _ : state) {
        // The flash comes again now and then, as a game's would.
        if (g.Count % 40 == 0) s.Screen.SetFlash(31, 28, 20, 16, 20);
        g.Frame();
    }
}
BENCHMARK(BM_FieldFrameAllEffects);

// The plain frame of the same map, for the ratio.
void BM_FieldFrameNoEffects(benchmark::State& state) {
    TEffectsGame g;
    for (auto _ : state) g.Frame();
}
BENCHMARK(BM_FieldFrameNoEffects);

void DrawOnePicture(benchmark::State& state, const TPictureShow& show, int frames) {
    TEffectsGame g;
    TLcfgGameState& s = g.State();
    s.Pictures.Show(1, show);
    for (int i = 0; i < frames; ++i) s.Pictures.UpdateAll();
    TLcfgPictureItem& item = *s.Pictures.Picture(1);
    TKandelBoard& board = g.Game.Display->Board;
    for (auto _ : state) {
        item.Draw(board, s.Screen);
        benchmark::DoNotOptimize(board.ScanLine(0));
        benchmark::ClobberMemory();
    }
}

// The 160 x 120 picture centred at 200 % with an effect.
TPictureShow CentredAtDouble(int effect, int strength) {
    TPictureShow show;
    show.Name = "Map";
    show.X = 160;
    show.Y = 120;
    show.Magnification = 200;
    show.Effect = effect;
    show.EffectStrength = strength;
    return show;
}

// Turned by 20 / 256 after two updates.
void BM_PictureRotated(benchmark::State& state) {
    DrawOnePicture(state, CentredAtDouble(KPictureEffectRotation, 10), 2);
}
BENCHMARK(BM_PictureRotated);

void BM_PictureWavered(benchmark::State& state) {
    DrawOnePicture(state, CentredAtDouble(KPictureEffectWaver, 5), 2);
}
BENCHMARK(BM_PictureWavered);

void BM_PicturePlain(benchmark::State& state) {
    DrawOnePicture(state, CentredAtDouble(KPictureEffectNone, 0), 2);
}
BENCHMARK(BM_PicturePlain);

} // namespace

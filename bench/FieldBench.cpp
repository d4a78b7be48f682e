// One whole field frame (character updates, panorama behind every cell, both tile
// layers, twenty walking characters and the hero) on a busy synthetic town.
#include <benchmark/benchmark.h>

#include "../tests/state/FieldWorld.h"
#include "scenes/LS_Field.h"

namespace {

using namespace kestra;

class TBenchHost : public TSceneHost {
public:
    explicit TBenchHost(TRandom& random) : Rng(random) { Screen.SetSize(320, 240); }
    TKandelBoard& Board() override { return Screen; }
    bool CanDraw() override { return true; }
    void Present() override {}
    void WaitFrame() override {}
    void FlushInput() override {}
    TRandom& Random() override { return Rng; }
    TKandelBoard Screen;
    TRandom& Rng;
};

TKandelBitmap Picture(int width, int height, int seed) {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, width, height);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                                    static_cast<std::uint8_t>(255 - i),
                                                    static_cast<std::uint8_t>(i * 3), 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.Row(y)[x] =
                static_cast<std::uint8_t>((x * seed + y * 5) % 7 == 0 ? 0 : 1 + (x ^ y) % 250);
    return bmp;
}

void BM_FieldFrame(benchmark::State& state) {
    test::TFieldWorld world(60, 40, 0, 7);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            world.Unit.Lower.SetTile(x, y, static_cast<std::uint16_t>(5000 + (x + y) % 100));
            world.Unit.Upper.SetTile(x, y, static_cast<std::uint16_t>(10001 + (x * 3 + y) % 100));
        }
    world.Unit.PanoramaOn = true;
    world.Unit.ChipSetGraphic().LoadChipSetBitmap(Picture(KChipSetWidth, KChipSetHeight, 3), "b");
    world.Unit.CharSetGraphic().AddBitmap("people", Picture(288, 256, 5));
    for (int i = 0; i < 20; ++i) {
        auto& e = world.AddEvent(20 + i % 10, 15 + i / 10 * 3);
        e.SpriteIndex = i % 8;
        e.SetForcedRoute(test::Route({8}, true, true), 7);
    }
    world.Hero.SpriteName = "people";
    world.Hero.SetPosition(1, 25, 18);
    TKandelBitmap panorama = Picture(320, 240, 11);
    world.Map.Enter(true, &panorama);
    TBenchHost host(world.Random);
    TVezFieldScene scene(host, world.Map, world.Hero, world.Unit);
    scene.Entered = true;
    int frame = 0;
    scene.InputDirection = [&] { return (frame / 64) % 2 == 0 ? 6 : 4; };
    for (auto _ : state) {
        ++frame;
        scene.Update();
        scene.Draw();
        benchmark::DoNotOptimize(host.Screen.ScanLine(0));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FieldFrame);

} // namespace

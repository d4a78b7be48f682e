// One frame of the party menu's main screen drawn: background, command window,
// money box and a party of four with their faces; compare with
// BM_BoardMemcpyBaseline.
#include "../tests/scenes/MenuTestHost.h"
#include "../tests/state/GameFixture.h"
#include "data/Catalog.h"
#include "graphics/KandelPng.h"
#include "media/Tonica.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

using namespace kestra;

// A 192 x 192 face file of sixteen 48 x 48 cells.
std::string WriteFaceFile() {
    TKandelBitmap faces;
    faces.Reset(TPixelFormat::Indexed8, 192, 192);
    faces.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        faces.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                                      static_cast<std::uint8_t>(255 - i),
                                                      static_cast<std::uint8_t>(i / 2), 0};
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 192; ++x) faces.Row(y)[x] = static_cast<std::uint8_t>((x ^ y) | 1);
    std::vector<std::uint8_t> bytes;
    WritePng(faces, bytes);
    const auto path = std::filesystem::temp_directory_path() / "kestra-bench-faces.png";
    WriteWholeFile(path.string(), bytes);
    return path.string();
}

void BM_MenuMainScreenFrame(benchmark::State& state) {
    TVezDataBase db;
    test::FillDataBase(db);
    db.Actors.Get(3).FaceGraphic = "Faces3";
    db.Actors.Get(4).FaceGraphic = "Faces4";
    static TNullTonica silence;
    TLcfgEnvironment env(db, silence, NoAssetFile, [] {});
    TLcfgGameState game(env);
    game.Reset();
    for (std::int32_t id = 3; id <= 4; ++id) game.PartyInfo.AddMember(id);
    game.PartyInfo.GainGold(123456);
    testing::TMenuRig rig(game);
    const std::string faces = WriteFaceFile();
    rig.Game.FaceFinder = [&faces](const std::string&) { return faces; };
    rig.Idle();
    for (auto _ : state) {
        rig.Menu.Draw();
        benchmark::DoNotOptimize(rig.Windows.board.ScanLine(120));
        benchmark::ClobberMemory();
    }
    std::filesystem::remove(faces);
}
BENCHMARK(BM_MenuMainScreenFrame);

} // namespace

// Loading and saving a database of a plausible game's size.
#include <benchmark/benchmark.h>

#include "data/DataBase.h"
#include "data/LD_Map.h"

namespace {

std::vector<std::uint8_t> SampleDataBase() {
    kestra::TVezDataBase db;
    for (std::int32_t i = 1; i <= 500; ++i) db.Switches.Obtain(i).Name = "switch";
    for (std::int32_t i = 1; i <= 500; ++i) db.Variables.Obtain(i).Name = "variable";
    for (std::int32_t i = 1; i <= 100; ++i) {
        auto& ce = db.CommonEvents.Obtain(i);
        ce.Commands.Lines.clear();
        for (std::int32_t l = 0; l < 50; ++l)
            ce.Commands.Lines.push_back({10110, l % 4, "a line of message text", {l, 300, -1}});
        ce.Commands.Lines.push_back({});
    }
    for (std::int32_t i = 1; i <= 100; ++i) {
        auto& an = db.Animations.Obtain(i);
        an.Frames.Clear();
        for (std::int32_t f = 1; f <= 10; ++f)
            for (std::int32_t c = 1; c <= 5; ++c) an.Frames.Obtain(f).Cells.Obtain(c).X = c;
    }
    return db.SaveToBytes();
}

// About 1 MB: 300 common events of 60 commands, 300 animations of 20 frames with 8
// cells and 10 timings each, 1000 switches and variables.
std::vector<std::uint8_t> LargeDataBase() {
    kestra::TVezDataBase db;
    for (std::int32_t i = 1; i <= 1000; ++i) db.Switches.Obtain(i).Name = "a switch name";
    for (std::int32_t i = 1; i <= 1000; ++i) db.Variables.Obtain(i).Name = "a variable name";
    for (std::int32_t i = 1; i <= 300; ++i) {
        auto& ce = db.CommonEvents.Obtain(i);
        ce.Name = "common event";
        ce.Commands.Lines.clear();
        for (std::int32_t l = 0; l < 60; ++l)
            ce.Commands.Lines.push_back({l % 3 == 0 ? 10110 : 10220,
                                         l % 4,
                                         l % 3 == 0 ? "a line of message text" : "",
                                         {l, 300, -1, i * 7, 12, 0}});
        ce.Commands.Lines.push_back({});
    }
    for (std::int32_t i = 1; i <= 300; ++i) {
        auto& an = db.Animations.Obtain(i);
        an.Name = "animation";
        an.Graphic = "Battle";
        for (std::int32_t t = 1; t <= 10; ++t) {
            auto& timing = an.Timings.Obtain(t);
            timing.Frame = t * 2;
            timing.Sound.Name = "Sound";
            timing.FlashStrength = 20;
        }
        an.Frames.Clear();
        for (std::int32_t f = 1; f <= 20; ++f)
            for (std::int32_t c = 1; c <= 8; ++c) {
                auto& cell = an.Frames.Obtain(f).Cells.Obtain(c);
                cell.Cell = c + f;
                cell.X = c * 10 - 40;
                cell.Y = f - 10;
                cell.Zoom = 100 + c;
                cell.Transparency = f;
            }
    }
    return db.SaveToBytes();
}

// A 60 x 40 map with 300 events of two pages, each with a route and 20 commands.
std::vector<std::uint8_t> LargeMap() {
    kestra::TVezMap map;
    map.Width = 60;
    map.Height = 40;
    map.Lower.Resize(60, 40);
    map.Upper.Resize(60, 40);
    for (std::int32_t i = 1; i <= 300; ++i) {
        auto& event = map.Events.Obtain(i);
        event.Name = "an event";
        event.X = i % 60;
        event.Y = i / 60;
        for (std::int32_t p = 1; p <= 2; ++p) {
            auto& page = event.Pages.Obtain(p);
            page.Graphic = "People";
            page.GraphicIndex = i % 8;
            page.Condition.Flags = static_cast<std::uint8_t>(p - 1);
            page.Commands.Lines.clear();
            for (std::int32_t l = 0; l < 20; ++l)
                page.Commands.Lines.push_back({10110, 0, "what an event says", {l, i}});
            page.Commands.Lines.push_back({});
        }
    }
    return map.SaveToBytes();
}

void BM_DataBaseLoad1MB(benchmark::State& state) {
    auto bytes = LargeDataBase();
    kestra::TVezDataBase db;
    for (auto _ : state) {
        db.LoadFromBytes(bytes, "large.ldb");
        benchmark::DoNotOptimize(db.Animations.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_DataBaseLoad1MB);

void BM_MapLoad300Events(benchmark::State& state) {
    auto bytes = LargeMap();
    kestra::TVezMap map;
    for (auto _ : state) {
        map.LoadFromBytes(bytes, "Map0001.lmu");
        benchmark::DoNotOptimize(map.Events.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_MapLoad300Events);

void BM_DataBaseLoad(benchmark::State& state) {
    auto bytes = SampleDataBase();
    kestra::TVezDataBase db;
    for (auto _ : state) {
        db.LoadFromBytes(bytes, "bench.ldb");
        benchmark::DoNotOptimize(db.CommonEvents.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DataBaseLoad);

void BM_DataBaseSave(benchmark::State& state) {
    auto bytes = SampleDataBase();
    kestra::TVezDataBase db;
    db.LoadFromBytes(bytes, "bench.ldb");
    for (auto _ : state) benchmark::DoNotOptimize(db.SaveToBytes());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DataBaseSave);

} // namespace

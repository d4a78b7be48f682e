// Loading and saving a database of a plausible game's size.
#include <benchmark/benchmark.h>

#include "data/DataBase.h"

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

// Loads arbitrary bytes as a save file over a small database, reads its header alone,
// exercises the loaded actors and party, enters a small map with the loaded map state
// and walks the loaded hero, runs and draws the loaded screen effects and pictures
// (without images: the fuzz tree reaches no files), and checks that a save that loads
// survives writing and reloading unchanged.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "base/Random.h"
#include "base/Warning.h"
#include "data/DataBase.h"
#include "data/SaveData.h"
#include "graphics/KandelBoard.h"
#include "media/Tonica.h"

namespace {

std::unique_ptr<kestra::TVezDataBase> MakeDataBase() {
    auto d = std::make_unique<kestra::TVezDataBase>();
    for (std::int32_t id = 1; id <= 3; ++id) {
        d->Actors.Obtain(id).Name = "A";
        d->Items.Obtain(id).Kind = static_cast<std::uint8_t>(id);
        d->States.Obtain(id).Priority = 40 + 10 * id;
        d->Skills.Obtain(id);
    }
    d->System.Party = {1, 2};
    return d;
}

const kestra::TVezDataBase& FuzzDataBase() {
    static const std::unique_ptr<kestra::TVezDataBase> db = MakeDataBase();
    return *db;
}

// A 12 x 9 map whose lower tiles block from the left, with one chip set.
struct TFuzzMap {
    TFuzzMap() : Random(7) {
        Unit.Lower.Resize(12, 9);
        Unit.Upper.Resize(12, 9);
        for (auto& t : Unit.Lower.Tiles()) t = 5000;
        for (auto& t : Unit.Upper.Tiles()) t = 10000;
        Unit.ChipSet = 1;
        ChipSets.Obtain(1).Lower.fill(13);
        ChipSets.Obtain(1).Upper.fill(15);
    }
    kestra::TVezMap Unit;
    kestra::TVezChipSet ChipSets;
    kestra::TRandom Random;
};

kestra::TLcfgSaveData MakeSave() {
    static kestra::TNullTonica silence;
    kestra::TLcfgEnvironment env(FuzzDataBase(), silence, kestra::NoAssetFile, [] {});
    return kestra::TLcfgSaveData(
        env, "", [](const auto&, auto) { throw kestra::EFileError("no writes while fuzzing"); },
        [] { return 1.0; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::SetWarningsEnabled(false); // broken data by the million
    std::span<const std::uint8_t> bytes(data, size);
    try {
        (void)kestra::TLcfgSaveData::ReadHeaderFromBytes(bytes, "fuzz.lsd");
    } catch (const kestra::EKestraError&) {
    }
    auto save = MakeSave();
    try {
        save.LoadFromBytes(bytes, "fuzz.lsd");
    } catch (const kestra::EKestraError&) {
        return 0;
    }
    auto& state = save.State;
    for (std::int32_t i = 0; i < state.PartyInfo.MemberCount(); ++i) {
        auto* m = state.PartyInfo.Member(i);
        if (m == nullptr) continue;
        (void)m->Attack();
        (void)m->AttributeRank(1);
        (void)m->DominantState();
        m->GainExperience(1000);
        m->Equip(0, 1);
    }
    static TFuzzMap field;
    state.Map.Attach(field.Unit, field.ChipSets, field.Random);
    state.Map.SetHero(state.Hero);
    if (state.Hero.MapId != 0) {
        state.Map.Resume(nullptr);
        for (int frame = 0; frame < 40; ++frame) {
            state.Hero.InputDirection = 2 * (1 + frame / 10 % 4);
            state.Hero.UpdatedThisFrame = false;
            state.Hero.Update();
            state.Map.Panorama.Update();
        }
    }
    // The loaded screen effects and pictures run and draw as the field would.
    static kestra::TKandelBoard board;
    if (board.Width() == 0) board.SetSize(320, 240);
    for (int frame = 0; frame < 12; ++frame) {
        state.Screen.Update(field.Random);
        state.Pictures.UpdateAll();
        state.Screen.ScrollWeather(frame % 4, 16 * frame);
        state.Pictures.ScrollAll(frame % 4, 16 * frame);
    }
    state.Screen.ApplyColors(field.Unit.ChipSetGraphic().Sheet());
    state.Screen.DrawWeather(board);
    state.Pictures.DrawAll(board, state.Screen);
    (void)state.PartyInfo.Fatigue();
    (void)state.PartyInfo.AverageLevel();
    state.PartyInfo.GainItem(1, 5);

    auto once = save.SaveToBytes();
    auto again = MakeSave();
    again.LoadFromBytes(once, "resaved.lsd");
    if (again.SaveToBytes() != once) __builtin_trap();
    return 0;
}

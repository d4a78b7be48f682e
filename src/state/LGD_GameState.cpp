#include "state/LGD_GameState.h"

#include <algorithm>

#include "data/DataBase.h"

namespace kestra {

TLcfgGameState::TLcfgGameState(TLcfgEnvironment env)
    : Env(std::move(env)), System(*this), Actors(*this), PartyInfo(*this) {
    if (Env.DataBase == nullptr) throw EKestraError("game state created without a database");
}

void TLcfgGameState::Reset() {
    System.Clear();
    Actors.Rebuild();
    PartyInfo.NewGame();
    Teleport.NewGame();
}

void TLcfgGameState::Normalise() {
    const auto& actors = DataBase().Actors;
    for (std::size_t i = 0; i < actors.Count(); ++i) {
        std::int32_t id = actors.At(i).Id;
        if (Actors.Find(id) == nullptr) Actors.Obtain(id).Reset();
    }
    for (std::size_t i = 0; i < Actors.Count(); ++i) {
        auto& a = Actors.At(i);
        a.Experience = std::clamp(a.Experience, 0, KMaxExperience);
        for (auto& b : a.Bonus) b = std::clamp(b, -KMaxParameterBonus, KMaxParameterBonus);
        if (actors.Find(a.Id) == nullptr) continue;
        a.Level = std::clamp(a.Level, 1, a.FinalLevel());
        a.HP = std::clamp(a.HP, 0, a.MaxHP());
        a.MP = std::clamp(a.MP, 0, a.MaxMP());
    }
    auto& p = PartyInfo;
    p.Gold = std::clamp(p.Gold, 0, KMaxGold);
    p.Timer = std::clamp(p.Timer, 0, KMaxTimerFrames);
    for (auto& amount : p.ItemAmounts)
        amount = static_cast<std::uint8_t>(std::clamp<int>(amount, 1, KMaxItemAmount));
    Teleport.Escape();
}

void TLcfgGameState::CopyFrom(const TLcfgGameState& other) {
    System.CopyFrom(other.System);
    Actors.CopyFrom(other.Actors);
    PartyInfo.CopyFrom(other.PartyInfo);
    Teleport.CopyFrom(other.Teleport);
}

void TLcfgGameState::ApplyToDevices() {
    System.ApplyToDevices();
    PartyInfo.RefreshFaces();
}

} // namespace kestra

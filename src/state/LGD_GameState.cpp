#include "state/LGD_GameState.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "data/DataBase.h"

namespace kestra {

TLcfgEnvironment::TLcfgEnvironment(const TVezDataBase& dataBase, ITonica& sound,
                                   TLcfgAssetFinder findAsset,
                                   std::function<void()> restartFrameTiming)
    : DataBase(&dataBase), Sound(&sound), FindAsset(std::move(findAsset)),
      RestartFrameTiming(std::move(restartFrameTiming)) {
    if (!FindAsset || !RestartFrameTiming)
        throw EKestraError("game state environment without an asset finder or frame timing");
}

TLcfgGameState::TLcfgGameState(TLcfgEnvironment env)
    : Env(std::move(env)), System(*this), Pictures(*this), Boat(*this, KVehicleBoat),
      Ship(*this, KVehicleShip), Airship(*this, KVehicleAirship), Actors(*this), PartyInfo(*this),
      Map(*this) {}

void TLcfgGameState::Reset() {
    System.Clear();
    Screen.Clear();
    Pictures.Reset();
    Hero.Clear();
    Boat.Clear();
    Ship.Clear();
    Airship.Clear();
    Actors.Rebuild();
    PartyInfo.NewGame();
    Teleport.NewGame();
    Map.Clear();
    Map.Panorama.Clear();
    Interpreter.Clear();
    CommonEvents.Clear();
    CommonEvents.Rebuild(DataBase().CommonEvents);
}

void TLcfgGameState::ResumeMapEvents(const TVezMap& unit, TGameMain& game) {
    if (Hero.MapSaveCount == unit.SaveCount) {
        Map.Events.Relink(unit, game);
        // Frames started by an event the unit no longer has run without one.
        for (std::size_t i = 0; i < Interpreter.Frames.Count(); ++i) {
            TLcfgScriptData& frame = Interpreter.Frames.At(i);
            if (frame.EventId > 0 && Map.Events.Find(frame.EventId) == nullptr) frame.EventId = 0;
        }
    } else {
        Map.Events.CreateFromMap(unit, game);
        Interpreter.Clear();
    }
    Map.UseOwnEvents();
}

void TLcfgGameState::Normalise() {
    const auto& actors = DataBase().Actors;
    // Run-time actors exist for the database's actors only, and the party holds only
    // run-time actors.
    bool foreign = false;
    for (std::size_t i = 0; i < Actors.Count(); ++i)
        if (actors.Find(Actors.At(i).Id) == nullptr) foreign = true;
    if (foreign) {
        std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> kept;
        for (std::size_t i = 0; i < Actors.Count(); ++i) {
            const auto& a = Actors.At(i);
            if (actors.Find(a.Id) != nullptr) kept.emplace_back(a.Id, a.Encode());
        }
        Actors.Clear();
        for (const auto& [id, bytes] : kept) Actors.Obtain(id).Decode(bytes, Actors.Name());
    }
    for (std::size_t i = 0; i < actors.Count(); ++i) {
        std::int32_t id = actors.At(i).Id;
        if (Actors.Find(id) == nullptr) Actors.Obtain(id).Reset();
    }
    for (std::size_t i = 0; i < Actors.Count(); ++i) {
        auto& a = Actors.At(i);
        a.Experience = std::clamp(a.Experience, 0, KMaxExperience);
        for (auto& b : a.Bonus) b = std::clamp(b, -KMaxParameterBonus, KMaxParameterBonus);
        a.Level = std::clamp(a.Level, 1, a.FinalLevel());
        a.HP = std::clamp(a.HP, 0, a.MaxHP());
        a.MP = std::clamp(a.MP, 0, a.MaxMP());
    }
    auto& p = PartyInfo;
    std::vector<std::uint16_t> members;
    for (std::uint16_t id : p.Members)
        if (Actors.Find(id) != nullptr &&
            std::find(members.begin(), members.end(), id) == members.end())
            members.push_back(id);
    p.Members = std::move(members);
    p.Gold = std::clamp(p.Gold, 0, KMaxGold);
    p.Timer = std::clamp(p.Timer, 0, KMaxTimerFrames);
    for (auto& amount : p.ItemAmounts)
        amount = static_cast<std::uint8_t>(std::clamp<int>(amount, 1, KMaxItemAmount));
    Teleport.Escape();
    if (Hero.DataBaseSaveCount != DataBase().System.SaveCount) CommonEvents.Clear();
    CommonEvents.Rebuild(DataBase().CommonEvents);
}

void TLcfgGameState::CopyFrom(const TLcfgGameState& other) {
    System.CopyFrom(other.System);
    Screen.CopyFrom(other.Screen);
    // The images are loaded again from the names.
    Pictures.CopyFrom(other.Pictures);
    Pictures.Normalise();
    Hero.CopyFrom(other.Hero);
    Boat.CopyFrom(other.Boat);
    Ship.CopyFrom(other.Ship);
    Airship.CopyFrom(other.Airship);
    Actors.CopyFrom(other.Actors);
    PartyInfo.CopyFrom(other.PartyInfo);
    Teleport.CopyFrom(other.Teleport);
    Map.CopyFrom(other.Map);
    Map.Panorama.CopyFrom(other.Map.Panorama);
    Interpreter.CopyFrom(other.Interpreter);
    CommonEvents.CopyFrom(other.CommonEvents);
}

void TLcfgGameState::ApplyToDevices() {
    System.ApplyToDevices();
}

} // namespace kestra

#pragma once
// A battle in memory: the game-state fixture's party against a troop built per test,
// a stage that records what the battle message window shows, and an independent
// copy of the game's random formula to predict the draws of a fixed seed.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "../state/GameFixture.h"
#include "base/Random.h"
#include "battle/LGD_BattleAction.h"
#include "battle/LGD_BattleRules.h"
#include "battle/LGD_Monster.h"
#include "state/LGD_GameState.h"

namespace kestra::test {

// seed := seed x 134775813 + 1; Random(n) = high 32 bits of n x seed.
struct TShadowRandom {
    std::uint32_t Seed;
    std::int32_t Next(std::int32_t n) {
        Seed = Seed * 134775813u + 1u;
        if (n <= 0) return 0;
        return static_cast<std::int32_t>(
            (static_cast<std::uint64_t>(Seed) * static_cast<std::uint32_t>(n)) >> 32);
    }
};

struct TRecordingStage : IVezBattleStage {
    void Wait(int minFrames, int) override {
        ++Waits;
        for (int i = 0; i < minFrames && Troop != nullptr; ++i) Troop->Update();
    }
    void RunFrame() override {
        ++Frames;
        if (Troop != nullptr) Troop->Update();
    }
    void SetLine(int line, const std::string& text) override {
        Lines.at(static_cast<std::size_t>(line)) = text;
        if (!text.empty()) Shown.push_back(text);
    }
    void ResetMessages() override { Lines = {}; }
    void ShakeScreen(int, int, int) override { ++Shakes; }
    bool FirstStrikeTurn() const override { return FirstStrike; }

    TLcfgMonster* Troop = nullptr;
    std::array<std::string, 4> Lines{};
    std::vector<std::string> Shown;
    int Waits = 0, Frames = 0, Shakes = 0;
    bool FirstStrike = false;
};

// Monster IDs of the battle database.
enum : std::int32_t { KSlime = 1, KBat = 2, KGolem = 3, KHollow = 4 };
// Skill IDs added to the fixture's two.
enum : std::int32_t { KCure = 3, KBolt = 4 };

inline void FillBattleData(TVezDataBase& db) {
    auto& slime = db.Monsters.Obtain(KSlime);
    slime.Name = "Slime";
    slime.Parameters = {100, 20, 100, 40, 10, 50};
    slime.Experience = 7;
    slime.Gold = 11;
    auto& bat = db.Monsters.Obtain(KBat);
    bat.Name = "Bat";
    bat.Parameters = {60, 0, 30, 10, 5, 100};
    auto& golem = db.Monsters.Obtain(KGolem);
    golem.Name = "Golem";
    golem.Parameters = {40, 50, 200, 200, 1, 1};
    auto& hollow = db.Monsters.Obtain(KHollow);
    hollow.Name = "Hollow";
    hollow.Parameters = {0, 0, 0, 0, 0, 0};

    auto& cure = db.Skills.Obtain(KCure);
    cure.Name = "Cure";
    cure.Scope = 3;
    cure.EffectFlags[0] = true;
    cure.BaseEffect = 30;
    cure.Variance = 0;
    auto& bolt = db.Skills.Obtain(KBolt);
    bolt.Name = "Bolt";
    bolt.Scope = 0;
    bolt.EffectFlags[0] = true;
    bolt.BaseEffect = 50;
    bolt.Variance = 0;

    db.Vocabulary.Term(0x0B) = " attacks";
    db.Vocabulary.Term(0x0C) = "Critical!";
    db.Vocabulary.Term(0x0D) = "Ouch!";
    db.Vocabulary.Term(0x11) = " explodes";
    db.Vocabulary.Term(0x13) = " changes";
    db.Vocabulary.Term(0x14) = " damage";
    db.Vocabulary.Term(0x15) = " unhurt";
    db.Vocabulary.Term(0x16) = " hurt";
    db.Vocabulary.Term(0x17) = " unharmed";
    db.Vocabulary.Term(0x1B) = " dodges";
    db.States.Get(1).MessageMonster = " falls";
    db.States.Get(1).MessageActor = " is down";
}

struct TBattleFixture : TGameFixture {
    TBattleFixture() {
        FillBattleData(DataBase);
        Game.Reset();
        Game.System.Scene = KSceneBattle;
        Stage.Troop = &Troop;
    }
    // A troop of the given monsters at positions 0, 1, ...
    void MakeTroop(const std::vector<std::int32_t>& monsters, std::int32_t troopId = 1) {
        auto& troop = DataBase.Troops.Obtain(troopId);
        troop.Members.Clear();
        for (std::size_t i = 0; i < monsters.size(); ++i) {
            auto& m = troop.Members.Obtain(static_cast<std::int32_t>(i) + 1);
            m.MonsterId = monsters[i];
            m.X = 80 + 40 * static_cast<std::int32_t>(i);
            m.Y = 100;
        }
        Troop.SetupTroop(troopId, false);
    }
    TLcfgPlayerItem& Member(std::int32_t i) { return *Game.PartyInfo.Member(i); }
    // Gives the actor exactly this effective agility through its bonus.
    static void SetAgility(TLcfgPlayerItem& actor, std::int32_t agility) {
        actor.Bonus[5] = 0;
        actor.Bonus[5] = agility - actor.BaseAgility();
    }
    void Seed(std::uint32_t seed) {
        Random.Seed = seed;
        Shadow.Seed = seed;
    }

    TLcfgGameState Game{Env()};
    TRandom Random{1};
    TLcfgMonster Troop{Game, Random};
    TRecordingStage Stage;
    TLcfgActionRunner Runner{Game, Troop, Stage};
    TShadowRandom Shadow{1};
};

} // namespace kestra::test

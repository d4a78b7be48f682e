// Fights a battle whose monsters, actions, skills and states are filled from arbitrary
// bytes: every turn the monsters and the party choose, the turn order is built and
// every action runs. Nothing may crash, hang or leave hit points out of range. Then the
// same troop is fought by the battle scene of the real game object for a bounded
// number of frames, the rest of the bytes pressing one key per frame.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "../fuzz/FuzzGame.h"
#include "base/Random.h"
#include "battle/LGD_BattleAction.h"
#include "battle/LGD_BattleRules.h"
#include "battle/LGD_Monster.h"
#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "media/ScriptedInput.h"
#include "media/Tonica.h"
#include "state/LGD_GameState.h"

using namespace kestra;

namespace {

class TBytes {
public:
    TBytes(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}
    std::uint8_t Byte() { return Pos < Size ? Data[Pos++] : 0; }
    // Mostly small values, sometimes extreme ones.
    std::int32_t Int() {
        std::uint8_t b = Byte();
        switch (b >> 6) {
        case 0:
            return b & 0x3F;
        case 1:
            return (b & 0x3F) * 16 + Byte();
        case 2:
            return -static_cast<std::int32_t>(b & 0x3F);
        default: {
            std::uint32_t v = 0;
            for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
            return static_cast<std::int32_t>(v);
        }
        }
    }
    bool Bool() { return (Byte() & 1) != 0; }

private:
    const std::uint8_t* Data;
    std::size_t Size, Pos = 0;
};

struct TNullStage : IVezBattleStage {
    explicit TNullStage(TLcfgMonster& troop) : Troop(troop) {}
    void Wait(int minFrames, int) override {
        for (int i = 0; i < minFrames; ++i) Troop.Update();
    }
    void RunFrame() override { Troop.Update(); }
    void SetLine(int line, const std::string&) override {
        if (line < 0 || line > 3) __builtin_trap();
    }
    void ResetMessages() override {}
    void ShakeScreen(int, int, int) override {}
    bool FirstStrikeTurn() const override { return FirstStrike; }
    TLcfgMonster& Troop;
    bool FirstStrike = false;
};

void Fill(TVezDataBase& db, TBytes& in) {
    for (std::int32_t id = 1; id <= 4; ++id) {
        auto& a = db.Actors.Obtain(id);
        a.Name = "A";
        a.InitialLevel = in.Int();
        a.CriticalChance = in.Int();
        a.StrongDefence = in.Bool();
        a.Automatic = in.Bool();
    }
    db.System.Party.clear();
    for (int n = in.Byte() % 5; n > 0; --n)
        db.System.Party.push_back(static_cast<std::uint16_t>(in.Byte() % 6));
    for (std::int32_t id = 1; id <= 4; ++id) {
        auto& s = db.States.Obtain(id);
        s.Priority = in.Int();
        s.Restriction = static_cast<std::uint8_t>(in.Byte() % 5);
        s.MinTurns = in.Int();
        s.TurnRecovery = in.Int();
        s.HitRecovery = in.Int();
        s.HitRate = in.Int();
        s.HpTurnPercent = in.Int();
        s.HpTurn = in.Int();
        s.MpTurn = in.Int();
        s.Halve[in.Byte() % 4] = in.Bool();
        for (auto& r : s.RankChances) r = in.Int();
    }
    for (std::int32_t id = 1; id <= 2; ++id)
        db.Attributes.Obtain(id).AttribKind = static_cast<std::uint8_t>(in.Byte() % 3);
    for (std::int32_t id = 1; id <= 4; ++id) {
        auto& k = db.Skills.Obtain(id);
        k.SkillKind = static_cast<std::uint8_t>(in.Byte() % 5);
        k.Scope = static_cast<std::uint8_t>(in.Byte() % 6);
        k.MpCost = in.Int();
        k.BaseEffect = in.Int();
        k.AttackInfluence = in.Int();
        k.IntelligenceInfluence = in.Int();
        k.Variance = in.Int();
        k.SuccessRate = in.Int();
        k.FailureMessage = in.Int();
        k.Animation = in.Byte() % 3;
        k.SwitchId = in.Int();
        k.AffectsResistance = in.Bool();
        for (auto& f : k.EffectFlags) f = in.Bool();
        k.SetStateEffect(in.Byte() % 6, true);
        k.SetAttribute(in.Byte() % 3, true);
    }
    auto& anim = db.Animations.Obtain(1);
    anim.Frames.Clear();
    for (int n = in.Byte() % 8; n > 0; --n) anim.Frames.Append();
    auto& timing = anim.Timings.Obtain(1);
    timing.Frame = in.Int();
    timing.FlashScope = in.Byte();
    timing.FlashStrength = in.Int();
    for (std::int32_t id = 1; id <= 5; ++id) {
        auto& m = db.Monsters.Obtain(id);
        m.Name = "M";
        for (auto& p : m.Parameters) p = in.Int();
        m.CriticalHits = in.Bool();
        m.CriticalChance = in.Int();
        m.Miss = in.Bool();
        m.Experience = in.Int();
        m.Gold = in.Int();
        m.DropItem = in.Int();
        m.DropChance = in.Int();
        m.SetStateRank(in.Byte() % 6, in.Byte());
        m.SetAttribRank(in.Byte() % 3, in.Byte());
        m.Actions.Clear();
        for (int n = in.Byte() % 5; n > 0; --n) {
            auto& act = m.Actions.Append();
            act.ActionKind = static_cast<std::uint8_t>(in.Byte() % 4);
            act.BasicAction = static_cast<std::uint8_t>(in.Byte() % 8);
            act.SkillId = in.Byte() % 6;
            act.TransformInto = in.Byte() % 7;
            act.ConditionKind = static_cast<std::uint8_t>(in.Byte() % 9);
            act.ConditionMin = in.Int();
            act.ConditionMax = in.Int();
            act.Rating = in.Int();
            act.SetSwitch = in.Bool();
            act.SwitchOn = in.Int();
        }
    }
    auto& troop = db.Troops.Obtain(1);
    troop.Members.Clear();
    for (int n = in.Byte() % 9; n > 0; --n) {
        auto& e = troop.Members.Append();
        e.MonsterId = in.Byte() % 7;
        e.Hidden = in.Bool();
        e.Y = in.Int();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBytes in(data, size);
    TVezDataBase db;
    Fill(db, in);
    TVezMapTree tree;
    static TNullTonica silence;
    TLcfgEnvironment env(db, silence, NoAssetFile, [] {});
    env.MapTree = &tree;
    TLcfgGameState game(env);
    game.Reset();
    game.System.Scene = KSceneBattle;
    TRandom random(static_cast<std::uint32_t>(in.Int()));
    TLcfgMonster troop(game, random);
    troop.SetupTroop(1, false);
    TNullStage stage(troop);
    TLcfgActionRunner runner(game, troop, stage);
    (void)EscapeChance(game, troop);
    std::vector<TLcfgUnitItem*> order;
    for (int turn = 0; turn < 12; ++turn) {
        if (PartyDefeated(game) || troop.AliveCount() == 0) break;
        stage.FirstStrike = turn == 0 && in.Bool();
        game.PartyInfo.Turns = turn + 1;
        troop.ChooseActions();
        for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i)
            if (auto* m = game.PartyInfo.Member(i))
                m->Action.Kind = in.Bool() ? TLcfgUnitActItem::KAuto : TLcfgUnitActItem::KNone;
        BuildTurnOrder(game, troop, order);
        for (auto* u : order) {
            runner.Execute(*u);
            if (u->HP < 0 || u->MP < 0) __builtin_trap();
        }
    }
    (void)CollectRewards(game, troop);

    // The scene: the same troop, keys from the rest of the bytes, at most KFrames frames.
    static test::TFuzzGame world;
    TGameMain& main = *world.Game;
    TVezDataBase& tables = main.Session->DataBase;
    for (std::size_t i = 0; i < db.Monsters.Count(); ++i)
        tables.Monsters.Obtain(db.Monsters.At(i).Id).CopyFrom(db.Monsters.At(i));
    tables.Troops.Obtain(1).CopyFrom(db.Troops.Get(1));
    world.NewGame();
    TVezBattleScene& battle = *main.Battle;
    battle.Setup = {};
    battle.Setup.Troop = 1;
    battle.Setup.CanEscape = in.Bool();
    battle.Setup.DefeatContinues = in.Bool();
    battle.Setup.FirstStrike = in.Bool();
    main.System().Scene = KSceneBattle;
    constexpr int KFrames = 1500;
    static const TKeyCode KKeys[] = {TKeyCode::Z,    TKeyCode::Escape, TKeyCode::Up,
                                     TKeyCode::Down, TKeyCode::Left,   TKeyCode::Right,
                                     TKeyCode::None, TKeyCode::None};
    int frames = 0;
    TScriptedInput* keys = main.Script();
    const auto restore = main.Display->OnFrame;
    main.Display->OnFrame = [&](std::uint64_t) {
        if (++frames > KFrames) throw EKandelDrawAbort();
        if (keys != nullptr) keys->Tap(KKeys[in.Byte() % 8]);
    };
    try {
        while (main.System().Scene == KSceneBattle) {
            main.Input->Update();
            battle.Update();
            if (main.System().Scene == KSceneBattle) battle.DrawFrame();
        }
    } catch (const EKandelDrawAbort&) {
        // the frame budget
    }
    battle.Reset();
    main.Display->OnFrame = restore;
    if (main.State().Battle != nullptr) __builtin_trap();
    return 0;
}

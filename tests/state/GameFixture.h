#pragma once
// A small database and map tree for game-state tests, and a game state over them.
#include <memory>

#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"
#include "media/Tonica.h"

namespace kestra::test {

// Item IDs of the fixture's database.
enum : std::int32_t {
    KSword = 1,
    KShield = 2,
    KGreatSword = 3,
    KPotion = 4,
    KMail = 5,
    KDagger = 6,
};
// State IDs: 1 death (priority 100), 2 poison (50, 1 HP every 2 steps), 3 slow (60,
// halves agility), 4 dazed (51, cannot act).
enum : std::int32_t { KPoison = 2, KSlow = 3, KDazed = 4 };

inline void FillDataBase(TVezDataBase& db) {
    auto& alex = db.Actors.Obtain(1);
    alex.Name = "Alex";
    alex.Title = "Hero";
    alex.FaceGraphic = "Faces1";
    alex.FaceIndex = 2;
    alex.SetEquipment(0, KSword);
    alex.SetEquipment(1, KShield);
    alex.SetEquipment(2, KMail);
    auto& learn = alex.Learning.Obtain(1);
    learn.Level = 3;
    learn.SkillId = 2;
    auto& early = alex.Learning.Obtain(2);
    early.Level = 1;
    early.SkillId = 1;

    auto& bea = db.Actors.Obtain(2);
    bea.Name = "Bea";
    bea.TwoWeapons = true;
    bea.FaceGraphic = "Faces2";
    bea.InitialLevel = 5;
    auto& cid = db.Actors.Obtain(3);
    cid.Name = "Cid";
    for (std::int32_t id = 4; id <= 5; ++id) db.Actors.Obtain(id).Name = "Extra";

    db.Skills.Obtain(1).Name = "Heal";
    db.Skills.Obtain(2).Name = "Fire";

    auto& sword = db.Items.Obtain(KSword);
    sword.Name = "Sword";
    sword.Kind = 1;
    sword.Bonuses = {10, 0, 0, 0};
    auto& shield = db.Items.Obtain(KShield);
    shield.Name = "Shield";
    shield.Kind = 2;
    shield.Bonuses = {0, 5, 0, 0};
    auto& great = db.Items.Obtain(KGreatSword);
    great.Name = "Great sword";
    great.Kind = 1;
    great.TwoHanded = 1;
    great.Bonuses = {30, 0, 0, 0};
    auto& potion = db.Items.Obtain(KPotion);
    potion.Name = "Potion";
    potion.Kind = 6;
    potion.Uses = 3;
    auto& mail = db.Items.Obtain(KMail);
    mail.Name = "Mail";
    mail.Kind = 3;
    mail.SetUsableBy(2, false); // Bea cannot wear it
    auto& dagger = db.Items.Obtain(KDagger);
    dagger.Name = "Dagger";
    dagger.Kind = 1;

    db.States.Obtain(1).Name = "Dead";
    auto& poison = db.States.Obtain(KPoison);
    poison.Name = "Poison";
    poison.Priority = 50;
    poison.StateKind = 1;
    poison.HpStepInterval = 2;
    poison.HpPerInterval = 1;
    auto& slow = db.States.Obtain(KSlow);
    slow.Name = "Slow";
    slow.Priority = 60;
    slow.Halve[3] = true;
    auto& dazed = db.States.Obtain(KDazed);
    dazed.Name = "Dazed";
    dazed.Priority = 51;
    dazed.Restriction = 1;

    db.Vocabulary.Term(0x24) = " rises";
    db.Vocabulary.Term(0x25) = " learnt";
    db.Vocabulary.Term(0x7B) = "Level";
    db.Vocabulary.Term(0x7E) = "Normal";

    db.System.Party = {1, 2};
    db.System.SystemGraphic = "System1";
    db.System.Music[1].Name = "Battle1";
    db.System.Sound[0].Name = "Cursor1";
    db.System.Transition[2] = 7;
}

struct TGameFixture {
    TGameFixture() {
        FillDataBase(DataBase);
        MapTree.Start.Places[0] = {3, 5, 6};
    }
    // A silent game state over the fixture's tables that finds no files.
    TLcfgEnvironment Env() {
        TLcfgEnvironment env(DataBase, Silence, NoAssetFile, [] {});
        env.MapTree = &MapTree;
        return env;
    }

    TNullTonica Silence;
    TVezDataBase DataBase;
    TVezMapTree MapTree;
};

} // namespace kestra::test

#include "interpreter/LGD_ScripterParty.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "ScriptWorld.h"
#include "base/Errors.h"
#include "base/Random.h"
#include "media/Tonica.h"
#include "shell/SceneNumbers.h"
#include "state/LGD_Character.h"
#include "state/LGD_GameState.h"

using namespace kestra;
using namespace kestra::test;

namespace {

class RecordingTonica : public TNullTonica {
public:
    bool PlayMusic(const std::string& path) override {
        Music.push_back(path);
        return TNullTonica::PlayMusic(path);
    }
    bool PlaySoundEx(const std::string& path, std::int32_t, std::int32_t, std::int32_t) override {
        Sounds.push_back(path);
        return true;
    }
    void StopSound() override { ++SoundStops; }
    std::vector<std::string> Music, Sounds;
    int SoundStops = 0;
};

// The party commands on the real game object: a new game of the test game "field"
// with the fixture's actors, the sound library recording what is played (asset files
// named folder/name).
struct PartyCommands : ::testing::Test {
    PartyCommands() {
        State.Env.Sound = &Tonica;
        State.Env.FindAsset = [](std::string_view name, std::string_view folder) {
            return std::string(folder) + "/" + std::string(name);
        };
        State.System.Scene = KSceneField;
    }
    void Run(std::int32_t code, std::vector<std::int32_t> p, const std::string& text = "") {
        ASSERT_TRUE(Commands.Run(code, p, text)) << code;
    }
    TLcfgPlayerItem& Actor(std::int32_t id) { return State.Actors.Get(id); }
    bool Defeated() const { return State.System.Scene == KSceneGameOver; }

    RecordingTonica Tonica;
    TScriptWorld W;
    TLcfgGameState& State = W.State;
    TLcfgPartyCommands Commands{W.Game};
};

} // namespace

TEST_F(PartyCommands, MoneyAndItemsByConstantOrVariableSaturate) {
    auto& party = State.PartyInfo;
    // An event whose second page shows while the party holds a sword.
    auto& event = W.AddEventData(9, 9);
    W.AddPage(event, 1);
    auto& armed = W.AddPage(event, 2);
    armed.Condition.Flags = KCondItem;
    armed.Condition.Item = KSword;
    W.CreateEvents();
    State.System.SetVariable(7, 900000);
    Run(10310, {0, 1, 7});
    Run(10310, {0, 0, 200000});
    EXPECT_EQ(party.Gold, KMaxGold);
    Run(10310, {1, 0, 1000});
    EXPECT_EQ(party.Gold, KMaxGold - 1000);
    Run(10310, {1, 0, INT32_MAX});
    EXPECT_EQ(party.Gold, 0);
    Run(10310, {0, 5, 100}); // an unknown operand kind reads 0
    EXPECT_EQ(party.Gold, 0);

    State.System.SetVariable(3, KPotion);
    State.System.SetVariable(4, 150);
    Run(10320, {0, 1, 3, 1, 4});
    EXPECT_EQ(party.ItemAmount(KPotion), KMaxItemAmount);
    Run(10320, {0, 0, KPotion, 0, INT32_MAX});
    EXPECT_EQ(party.ItemAmount(KPotion), KMaxItemAmount);
    Run(10320, {0, 0, KSword, 0, 2});
    Run(10320, {1, 0, KPotion, 0, 10});
    EXPECT_EQ(party.ItemAmount(KPotion), KMaxItemAmount - 10);
    Run(10320, {1, 0, KPotion, 0, 1000});
    EXPECT_EQ(party.ItemAmount(KPotion), 0);
    EXPECT_EQ(party.ItemIds, (std::vector<std::uint16_t>{KSword}));

    // Zero or negative counts, item 0 and items not held change nothing.
    Run(10320, {0, 0, KDagger, 0, 0});
    Run(10320, {0, 0, KDagger, 0, -5});
    Run(10320, {0, 0, 0, 0, 5});
    Run(10320, {1, 0, 999, 0, 5});
    EXPECT_EQ(party.ItemIds, (std::vector<std::uint16_t>{KSword}));
    EXPECT_THROW(Commands.Run(10320, {0, 0, 999, 0, 1}, ""), ELookupError);
    // The item commands chose the pages again.
    EXPECT_EQ(W.EventList.At(0).PageId(), 2);
}

TEST_F(PartyCommands, PartyMembersJoinOnceUpToFourAndLeave) {
    auto& party = State.PartyInfo;
    ASSERT_EQ(party.Members, (std::vector<std::uint16_t>{1, 2}));
    W.DataBase.Actors.Get(2).Graphic = "Bea1";
    State.Hero.SpriteName = "Own";
    Run(10330, {0, 0, 2});
    EXPECT_EQ(State.Hero.SpriteName, "Own") << "no change, no new sprite";
    State.System.SetVariable(1, 3);
    Run(10330, {0, 1, 1});
    Run(10330, {0, 0, 4});
    Run(10330, {0, 0, 5}); // a fifth member
    EXPECT_EQ(party.Members, (std::vector<std::uint16_t>{1, 2, 3, 4}));
    Run(10330, {1, 0, 1});
    EXPECT_EQ(party.Members, (std::vector<std::uint16_t>{2, 3, 4}));
    EXPECT_EQ(State.Hero.SpriteName, "Bea1"); // the new leader's
    EXPECT_THROW(Commands.Run(10330, {0, 0, 77}, ""), ELookupError);
    EXPECT_EQ(party.MemberCount(), 3);
}

TEST_F(PartyCommands, SingleActorCommandsNeedAParty) {
    State.PartyInfo.Members.clear();
    auto& cid = Actor(3);
    std::int32_t hp = cid.HP;
    Run(10460, {1, 3, 1, 0, 5, 1});
    Run(10410, {1, 3, 0, 0, 500, 1});
    Run(10480, {1, 3, 0, KPoison});
    Run(10480, {2, 9, 0, 999}); // nothing is looked up without a party
    Run(10450, {1, 3, 1, 5});
    EXPECT_EQ(cid.HP, hp);
    EXPECT_EQ(cid.Level, 1);
    EXPECT_EQ(cid.HasState(KPoison), 0);
    EXPECT_TRUE(W.Pool.Empty());
    EXPECT_FALSE(Defeated()); // an empty party is never defeated
    EXPECT_EQ(State.System.Scene, KSceneField);
}

TEST_F(PartyCommands, TargetsFromVariablesAndTheWholeParty) {
    State.System.SetVariable(10, 2);
    State.System.SetVariable(11, 7);
    Actor(2).MP = Actor(2).MaxMP();
    std::int32_t mp = Actor(2).MP;
    Run(10470, {2, 10, 1, 1, 11}); // Bea loses variable 11's SP
    EXPECT_EQ(Actor(2).MP, std::max(0, mp - 7));
    Run(10470, {2, 10, 0, 0, 1000});
    EXPECT_EQ(Actor(2).MP, Actor(2).MaxMP());
    Run(10430, {2, 10, 0, 2, 1, 11});
    EXPECT_EQ(Actor(2).Bonus[2], 7);
    EXPECT_EQ(Actor(1).Bonus[2], 0);
    Run(10430, {0, 0, 1, 3, 0, 5000}); // clamped bonus
    EXPECT_EQ(Actor(1).Bonus[3], -KMaxParameterBonus);
    EXPECT_EQ(Actor(2).Bonus[3], -KMaxParameterBonus);
    Run(10430, {0, 0, 0, 6, 0, 5}); // no such parameter
    Run(10440, {2, 10, 0, 0, 2});
    EXPECT_TRUE(Actor(2).KnowsSkill(2));
    Run(10440, {2, 10, 1, 0, 2});
    EXPECT_FALSE(Actor(2).KnowsSkill(2));
    State.System.SetVariable(10, 0);
    EXPECT_THROW(Commands.Run(10460, {2, 10, 0, 0, 1}, ""), ELookupError);
    EXPECT_THROW(Commands.Run(10440, {1, 1, 0, 0, 99}, ""), ELookupError);
    EXPECT_THROW(Commands.Run(10480, {1, 1, 0, 0}, ""), ELookupError);
}

TEST_F(PartyCommands, ExperienceAndLevelChangesAnnounceLevelUps) {
    auto& alex = Actor(1);
    Run(10410, {1, 1, 0, 0, 84, 1});
    EXPECT_EQ(alex.Level, 3);
    ASSERT_EQ(W.Pool.Count(), 3u);
    EXPECT_EQ(W.Pool.Lines[0], "Alex  Level\x01"
                               "3\x01 rises");
    EXPECT_EQ(W.Pool.Lines[1], "Fire learnt");
    EXPECT_EQ(W.Pool.Lines[2], "");

    // Silent level-ups still teach the skills.
    W.Pool.Clear();
    alex.ForgetSkill(2);
    Run(10420, {1, 1, 1, 0, 2, 0});
    EXPECT_EQ(alex.Level, 1);
    EXPECT_EQ(alex.Experience, 0);
    EXPECT_FALSE(alex.KnowsSkill(2));
    State.System.SetVariable(5, 2);
    Run(10420, {1, 1, 0, 1, 5, 0});
    EXPECT_EQ(alex.Level, 3);
    EXPECT_EQ(alex.Experience, alex.ExpForLevel(3));
    EXPECT_TRUE(alex.KnowsSkill(2));
    EXPECT_TRUE(W.Pool.Empty());

    // Going down keeps skills, never passes level 1 and cuts HP to the new maximum.
    alex.HP = alex.MaxHP();
    std::int32_t topHp = alex.HP;
    Run(10420, {1, 1, 1, 0, 1000, 1});
    EXPECT_EQ(alex.Level, 1);
    EXPECT_TRUE(alex.KnowsSkill(2));
    EXPECT_EQ(alex.HP, std::min(topHp, alex.MaxHP()));
    Run(10410, {1, 1, 1, 0, 5, 0});
    EXPECT_EQ(alex.Experience, 0);

    // Whole party, each member announced in party order.
    Run(10410, {0, 0, 0, 0, 30, 1});
    ASSERT_FALSE(W.Pool.Empty());
    EXPECT_EQ(W.Pool.Lines[0].rfind("Alex", 0), 0u);
    EXPECT_EQ(Actor(1).Level, 2);
    EXPECT_EQ(Actor(2).Level, 5); // 30 more points are not enough at level 5
}

TEST_F(PartyCommands, DamageThatMayOrMayNotKillAndTheDefeatCheck) {
    for (std::int32_t id : {1, 2}) Actor(id).HP = 10;
    Run(10460, {0, 0, 1, 0, 500, 0});
    EXPECT_EQ(Actor(1).HP, 1);
    EXPECT_EQ(Actor(2).HP, 1);
    EXPECT_FALSE(Defeated());

    Run(10460, {1, 1, 1, 0, 500, 1});
    EXPECT_EQ(Actor(1).HP, 0);
    EXPECT_NE(Actor(1).HasState(KDeathState), 0);
    Run(10460, {1, 1, 0, 0, 50}); // the dead are not healed
    EXPECT_EQ(Actor(1).HP, 0);
    EXPECT_FALSE(Defeated()); // Bea still stands
    EXPECT_EQ(State.System.Scene, KSceneField);

    // Outside the field the check does not end the game.
    State.System.Scene = KSceneMenu;
    Run(10460, {1, 2, 1, 0, 500, 1});
    EXPECT_FALSE(Defeated());
    EXPECT_EQ(State.System.Scene, KSceneMenu);

    State.System.Scene = KSceneField;
    Run(10490, {1, 2});
    EXPECT_EQ(Actor(2).HP, Actor(2).MaxHP());
    EXPECT_EQ(Actor(2).HasState(KDeathState), 0);
    const std::uint64_t before = W.Game.Display->FramesWaited();
    Run(10480, {1, 2, 0, KDeathState});
    EXPECT_TRUE(Defeated());
    // The field's defeat: it fades out with step 3.
    EXPECT_GE(W.Game.Display->FramesWaited() - before, 30u);
    EXPECT_EQ(W.Game.Display->Board.Brightness, 0);
    EXPECT_EQ(State.System.Scene, KSceneGameOver);
    EXPECT_EQ(State.System.CurrentMusic.Name, State.System.Music(KMusicGameOver).Name);

    Run(10480, {1, 2, 1, KDeathState});
    EXPECT_EQ(Actor(2).HP, 1);
}

TEST_F(PartyCommands, InflictDamageSpreadAndDefences) {
    auto& bea = Actor(2);
    std::set<std::int32_t> seen;
    for (int i = 0; i < 400; ++i) {
        bea.HP = bea.MaxHP();
        bea.Bonus[0] = 999;
        bea.HP = bea.MaxHP();
        Run(10500, {1, 2, 100, 0, 0, 5, 1, 20});
        std::int32_t d = State.System.Variable(20);
        ASSERT_GE(d, 75);
        ASSERT_LE(d, 125);
        EXPECT_EQ(bea.MaxHP() - bea.HP, d);
        seen.insert(d);
    }
    EXPECT_TRUE(seen.count(75) && seen.count(125));

    bea.HP = bea.MaxHP();
    std::int64_t expect = 100 - static_cast<std::int64_t>(bea.Defence()) * 200 / 400 -
                          static_cast<std::int64_t>(bea.Intelligence()) * 400 / 800;
    Run(10500, {1, 2, 100, 200, 400, 0, 1, 21});
    EXPECT_EQ(State.System.Variable(21), std::max<std::int64_t>(0, expect));
    Run(10500, {1, 2, -50, 0, 0, 0, 1, 22}); // never heals
    EXPECT_EQ(State.System.Variable(22), 0);
    Run(10500, {1, 2, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, 1, 23});
    EXPECT_EQ(bea.HP, 0); // death is allowed
}

TEST_F(PartyCommands, EquipmentBySlotWithSecondWeaponAndTwoHandedRule) {
    auto& party = State.PartyInfo;
    auto& bea = Actor(2);
    ASSERT_TRUE(bea.TwoWeapons());
    Run(10450, {1, 2, 0, 0, KSword}); // equipping works with none held
    Run(10450, {1, 2, 0, 0, KDagger});
    EXPECT_EQ(bea.Equipment[0], KSword);
    EXPECT_EQ(bea.Equipment[1], KDagger); // the free second slot takes the weapon
    Run(10450, {1, 2, 0, 0, KGreatSword});
    EXPECT_EQ(bea.Equipment[0], KGreatSword);
    EXPECT_EQ(bea.Equipment[1], 0); // the two-handed weapon takes both hands
    EXPECT_EQ(party.ItemAmount(KSword), 1);
    EXPECT_EQ(party.ItemAmount(KDagger), 1);
    // Beside a two-handed weapon a second one replaces it instead.
    Run(10450, {1, 2, 0, 0, KDagger});
    EXPECT_EQ(bea.Equipment[0], KDagger);
    EXPECT_EQ(bea.Equipment[1], 0);
    EXPECT_EQ(party.ItemAmount(KGreatSword), 1);
    EXPECT_EQ(party.ItemAmount(KDagger), 0);
    Run(10450, {1, 2, 0, 0, KMail}); // Bea may not wear it
    EXPECT_EQ(bea.Equipment[2], 0);
    EXPECT_EQ(party.ItemAmount(KMail), 0);
    Run(10450, {1, 2, 0, 0, KPotion}); // not equipment
    Run(10450, {1, 2, 0, 0, 0});

    auto& alex = Actor(1);
    ASSERT_FALSE(alex.TwoWeapons());
    Run(10450, {1, 1, 0, 0, KDagger}); // one weapon slot only
    EXPECT_EQ(alex.Equipment[0], KDagger);
    EXPECT_EQ(alex.Equipment[1], KShield);
    EXPECT_EQ(party.ItemAmount(KSword), 2);
    Run(10450, {1, 1, 1, 2});
    EXPECT_EQ(alex.Equipment[2], 0);
    EXPECT_EQ(party.ItemAmount(KMail), 1);
    Run(10450, {1, 1, 1, 6}); // no such slot
    Run(10450, {1, 1, 1, -1});
    EXPECT_EQ(alex.Equipment[1], KShield);
    Run(10450, {1, 1, 1, 5});
    for (auto slot : alex.Equipment) EXPECT_EQ(slot, 0);
    EXPECT_EQ(party.ItemAmount(KShield), 1);
    EXPECT_EQ(party.ItemAmount(KDagger), 1);
    EXPECT_THROW(Commands.Run(10450, {1, 1, 0, 0, 999}, ""), ELookupError);
}

TEST_F(PartyCommands, ActorLooksAndSystemSettingSelectors) {
    Run(10610, {1}, "Alexis");
    EXPECT_EQ(Actor(1).GetName(), "Alexis");
    EXPECT_THROW(Commands.Run(10610, {0}, "x"), ELookupError);

    // Change vehicle graphic: selector 1 is the ship; its database graphic clears the
    // override again; selector 3 is no vehicle and changes nothing.
    const auto hero = State.Hero.Encode();
    const auto system = State.System.Encode();
    const auto boat = State.Boat.Encode();
    const auto airship = State.Airship.Encode();
    Run(10650, {1, 4}, "Ship2");
    EXPECT_EQ(State.Ship.SpriteName, "Ship2");
    EXPECT_EQ(State.Ship.SpriteIndex, 4);
    EXPECT_EQ(State.Ship.GraphicOverrideName, "Ship2");
    const auto& db = State.DataBase().System;
    Run(10650, {1, db.VehicleIndex[1]}, db.VehicleGraphic[1]);
    EXPECT_EQ(State.Ship.GraphicOverrideName, "");
    EXPECT_EQ(State.Ship.GraphicOverrideIndex, 0);
    EXPECT_EQ(State.Ship.SpriteName, db.VehicleGraphic[1]);
    Run(10650, {3, 4}, "Nothing");
    EXPECT_EQ(State.Hero.Encode(), hero);
    EXPECT_EQ(State.System.Encode(), system);
    EXPECT_EQ(State.Boat.Encode(), boat);
    EXPECT_EQ(State.Airship.Encode(), airship);

    // Selector 0 is the battle music and 6 the game-over music; the title music is not
    // selectable.
    auto& sys = State.System;
    Run(10660, {0, 0, 100, 100, 50}, "Battle9");
    Run(10660, {6, 0, 100, 100, 50}, "Lost");
    Run(10660, {7, 0, 100, 100, 50}, "Title9");
    EXPECT_EQ(sys.Music(KMusicBattle).Name, "Battle9");
    EXPECT_EQ(sys.Music(KMusicGameOver).Name, "Lost");
    EXPECT_NE(sys.Music(KMusicTitle).Name, "Title9");
    Run(10670, {11, 90, 100, 50}, "Use2");
    Run(10670, {12, 90, 100, 50}, "None");
    EXPECT_EQ(sys.Sound(KSoundItemUse).Name, "Use2");
    Run(10680, {1, 1}, "Skin"); // the game's own skin, which the window framework loads
    EXPECT_EQ(sys.WindowBackground(), 1);
    Run(10690, {0, 20});
    Run(10690, {1, 1000}); // kept clear of the byte that means "no override"
    Run(10690, {6, 3});
    EXPECT_EQ(sys.Transition(0), 20);
    EXPECT_EQ(sys.Transition(1), 254);
}

TEST_F(PartyCommands, MusicMemorizedAndPlayedBackAndSounds) {
    auto& sys = State.System;
    // The map plays "Town" already; another piece starts.
    Run(11510, {1500, 80, 110, 40}, "Battle");
    Run(11530, {});
    Run(11510, {0, 100, 100, 50}, "Cave");
    EXPECT_EQ(sys.CurrentMusic.Name, "Cave");
    Run(11540, {});
    EXPECT_EQ(sys.CurrentMusic.Name, "Battle");
    EXPECT_EQ(sys.CurrentMusic.FadeIn, 0);
    EXPECT_EQ(sys.CurrentMusic.Volume, 80);
    EXPECT_EQ(sys.CurrentMusic.Tempo, 110);
    EXPECT_EQ(sys.RememberedMusic.FadeIn, 1500); // the memory itself is kept
    EXPECT_EQ(Tonica.Music,
              (std::vector<std::string>{"Music/Battle", "Music/Cave", "Music/Battle"}));

    Run(11520, {1000});
    EXPECT_TRUE(sys.MusicStopped);
    Run(11550, {100, 100, 50}, "Door");
    EXPECT_EQ(Tonica.Sounds, (std::vector<std::string>{"Sound/Door"}));
    Run(11550, {100, 100, 50}, "(OFF)");
    EXPECT_EQ(Tonica.SoundStops, 1);
    EXPECT_EQ(Tonica.Sounds.size(), 1u);
}

TEST_F(PartyCommands, GameOverAndReturnToTitle) {
    const std::uint64_t before = W.Game.Display->FramesWaited();
    Run(12420, {});
    EXPECT_EQ(State.System.Scene, KSceneGameOver);
    // The field faded out with step 3.
    EXPECT_GE(W.Game.Display->FramesWaited() - before, 30u);
    EXPECT_EQ(W.Game.Display->Board.Brightness, 0);
    Run(11510, {0, 100, 100, 50}, "Town");
    EXPECT_THROW(Commands.Run(12510, {}, ""), EKandelDrawReset);
    EXPECT_TRUE(State.System.MusicStopped);
    EXPECT_EQ(Tonica.SoundStops, 1);
}

TEST_F(PartyCommands, HostileParametersNeverCorruptState) {
    const std::vector<std::vector<std::int32_t>> hostile = {
        {},
        {0, 0, 0, 0, 0, 0, 0, 0},
        {-1, -1, -1, -1, -1, -1, -1, -1},
        {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
        {0, 0, 1, 1, INT32_MAX, INT32_MAX, 1, INT32_MAX},
        {1, 1, 0, 1, -5, 1, -5, 1},
        {2, 100001, 1, 0, 5, 1, 1, -3},
    };
    for (std::int32_t code : TLcfgPartyCommands::Codes()) {
        for (const auto& p : hostile) {
            try {
                Commands.Run(code, p, "x");
            } catch (const ELookupError&) {
            } catch (const EFileError& e) {
                // The skin "x" does not exist, nor the character set "x" an earlier
                // command gave the hero, which the game over's fade draws: errors name them.
                EXPECT_TRUE(code == 10680 || code == 12420) << code;
                EXPECT_NE(std::string(e.what()).find("/x:"), std::string::npos) << e.what();
            } catch (const EKandelDrawReset&) {
                EXPECT_EQ(code, 12510);
            }
            State.System.Scene = KSceneField;
        }
    }
    EXPECT_FALSE(Commands.Run(13110, {0, 0, 0, 0, 5}, ""));
    auto& party = State.PartyInfo;
    EXPECT_LE(party.MemberCount(), KMaxPartySize);
    EXPECT_GE(party.Gold, 0);
    EXPECT_LE(party.Gold, KMaxGold);
    for (std::size_t i = 0; i < State.Actors.Count(); ++i) {
        const auto& a = State.Actors.At(i);
        EXPECT_GE(a.HP, 0);
        EXPECT_LE(a.HP, a.MaxHP());
        EXPECT_GE(a.MP, 0);
        EXPECT_LE(a.MP, a.MaxMP());
        EXPECT_GE(a.Level, 1);
        EXPECT_LE(a.Level, a.FinalLevel());
        for (auto b : a.Bonus) EXPECT_LE(std::abs(b), KMaxParameterBonus);
    }
    for (std::int32_t i = 0; i < party.ItemCount(); ++i)
        EXPECT_LE(party.ItemAmountAt(i), KMaxItemAmount);
    EXPECT_LE(State.System.VariableCount(), KMaxVariableId);
}

TEST_F(PartyCommands, HeroWearsTheLeadersSprite) {
    TLcfgParty hero;
    W.DataBase.Actors.Get(2).Graphic = "Bea1";
    Run(10630, {1, 6, 1}, "Hero2");
    TakeLeaderSprite(hero, State.PartyInfo);
    EXPECT_EQ(hero.SpriteName, "Hero2");
    EXPECT_EQ(hero.SpriteIndex, 6);
    EXPECT_EQ(hero.Transparency, 3);
    Run(10330, {1, 0, 1});
    TakeLeaderSprite(hero, State.PartyInfo);
    EXPECT_EQ(hero.SpriteName, "Bea1");
    EXPECT_EQ(hero.Transparency, 0);
    State.PartyInfo.Members.clear();
    TakeLeaderSprite(hero, State.PartyInfo);
    EXPECT_TRUE(hero.SpriteName.empty());
}

#include "data/DataBase.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Chunks(const std::vector<std::pair<std::int32_t, Bytes>>& chunks) {
    TByteWriter w;
    for (const auto& [id, payload] : chunks) {
        WriteVarInt(w, id);
        WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
        w.WriteBytes(payload);
    }
    w.WriteByte(0);
    return w.Bytes;
}

TVezEventScriptLine Line(std::int32_t code, std::int32_t indent, std::string text,
                         std::vector<std::int32_t> params) {
    TVezEventScriptLine line;
    line.Code = code;
    line.Indent = indent;
    line.Text = std::move(text);
    line.Params = std::move(params);
    return line;
}

// Every table of the database with records that differ from their initial values.
void Fill(TVezDataBase& db) {
    auto& hero = db.Actors.Obtain(1);
    hero.Name = "Hero";
    hero.Title = "Knight";
    hero.Graphic = "Actor1";
    hero.GraphicIndex = 3;
    hero.Transparent = true;
    hero.MaxLevel = 99;
    hero.CriticalHits = false;
    hero.FaceGraphic = "Face1";
    hero.TwoWeapons = true;
    hero.SetParameter(0, 50, 9999);
    hero.SetEquipment(0, 2);
    hero.SetEquipment(4, 3);
    hero.ExpCorrection = -4;
    hero.Learning.Obtain(1).SkillId = 2;
    hero.Learning.Obtain(2).Level = 10;
    hero.OwnSkillCommand = true;
    hero.SkillCommandName = "Magic";
    hero.SetStateRank(1, 0);
    hero.SetStateRank(2, 4);
    hero.SetAttribRank(2, 1);
    db.Actors.Obtain(2).Name = "Mage";

    auto& fire = db.Skills.Obtain(1);
    fire.Name = "Fire";
    fire.Description = "Burns";
    fire.UseMessage1 = " casts";
    fire.FailureMessage = 3;
    fire.SkillKind = 0;
    fire.Scope = 1;
    fire.MpCost = 5;
    fire.Sound.Name = "Fire1";
    fire.Sound.Volume = 80;
    fire.FieldUse = false;
    fire.EffectFlags[0] = true;
    fire.SetStateEffect(2, true);
    fire.SetAttribute(1, true);
    fire.AffectsResistance = true;
    auto& gate = db.Skills.Obtain(2);
    gate.SkillKind = 3;
    gate.SwitchId = 7;
    gate.BattleUse = true;

    auto& sword = db.Items.Obtain(2);
    sword.Name = "Sword";
    sword.Kind = 1;
    sword.TwoHanded = 1;
    sword.Price = 120;
    sword.Bonuses = {5, 0, -1, 2};
    sword.HitRate = 95;
    sword.Flags[3] = true;
    sword.SetUsableBy(2, false);
    sword.SetState(2, true);
    sword.SetAttribute(1, true);
    sword.StateChance = 20;
    auto& potion = db.Items.Obtain(3);
    potion.Kind = 6;
    potion.Uses = 0;
    potion.Recovery = {50, 10, 0, 0};
    potion.ParameterChanges = {1, 2, 3, 4, 5, 6};
    potion.NotInBattle = true;
    potion.ExtraKind = 2;

    auto& slime = db.Monsters.Obtain(1);
    slime.Name = "Slime";
    slime.Graphic = "Slime";
    slime.Hue = 120;
    slime.Parameters = {30, 0, 8, 6, 4, 5};
    slime.Experience = 3;
    slime.Gold = 7;
    slime.DropItem = 3;
    slime.DropChance = 25;
    slime.Miss = true;
    slime.SetStateRank(2, 3);
    slime.SetAttribRank(1, 0);
    auto& act = slime.Actions.Obtain(2);
    act.ActionKind = 1;
    act.SkillId = 1;
    act.ConditionKind = 2;
    act.ConditionMax = 5;
    act.SetSwitch = true;
    act.SwitchOn = 9;
    act.Rating = 5;

    auto& troop = db.Troops.Obtain(1);
    troop.Name = "Slimes";
    auto& m1 = troop.Members.Obtain(1);
    m1.X = 120;
    m1.Y = 90;
    auto& m2 = troop.Members.Obtain(2);
    m2.X = 200;
    m2.Y = 100;
    m2.Hidden = true;
    troop.SetTerrainAllowed(2, false);
    auto& page = troop.Pages.Obtain(2);
    page.Trigger.Flags = TVezBattleEventTrigger::KTurn | TVezBattleEventTrigger::KMonsterHp;
    page.Trigger.TurnA = 2;
    page.Trigger.TurnB = 3;
    page.Trigger.Monster = 1;
    page.Trigger.MonsterMax = 50;
    page.Commands.Clear();
    page.Commands.Append(Line(10110, 0, "Ouch", {}));
    page.Commands.Append(Line(10210, 1, "", {1, 300, -1}));
    page.Commands.Append(Line(0, 0, "", {}));

    auto& sea = db.Terrain.Obtain(2);
    sea.Name = "Sea";
    sea.Damage = -2;
    sea.EncounterRate = 50;
    sea.Background = "Ocean";
    sea.ShipPasses = true;
    sea.AirshipLands = false;
    sea.BushDepth = 2;

    auto& flame = db.Attributes.Obtain(1);
    flame.Name = "Flame";
    flame.AttribKind = 1;
    flame.Rates = {200, 150, 100, 25, -50};
    db.Attributes.Obtain(2).Name = "Ice";

    auto& dead = db.States.Obtain(1);
    dead.Name = "Dead";
    dead.MessageActor = " falls";
    auto& poison = db.States.Obtain(2);
    poison.Name = "Poison";
    poison.Colour = 3;
    poison.RankChances = {90, 70, 50, 20, 1};
    poison.Halve[1] = true;
    poison.Limit2On = true;
    poison.Limit2 = 4;
    poison.MessageAlready = " is already poisoned";
    poison.MessageTurn = " suffers";
    poison.HpTurnPercent = 10;
    poison.HpStepInterval = 4;
    poison.MpPerInterval = 1;

    db.Animations.Obtain(1).Name = "Slash";
    db.ChipSets.Obtain(1).Name = "World";
    db.Vocabulary.Term(95) = "G";
    db.System.TitleGraphic = "Title";
    db.Switches.Obtain(3).Name = "Door";
    db.Variables.Obtain(2).Name = "Count";
    auto& common = db.CommonEvents.Obtain(1);
    common.Name = "Heal";
    common.Commands.Clear();
    common.Commands.Append(Line(11110, 0, "Rest", {0}));
    common.Commands.Append(Line(0, 0, "", {}));
}

} // namespace

TEST(DataBaseTables, SkillDefaults) {
    TVezSkillItem skill(1), read(1);
    read.Decode(Bytes{0x00});
    EXPECT_TRUE(read.Equals(skill));
    EXPECT_EQ(skill.SwitchId, 1);
    EXPECT_EQ(skill.Animation, 1);
    EXPECT_EQ(skill.Sound.Name, "(OFF)");
    EXPECT_TRUE(skill.FieldUse);
    EXPECT_FALSE(skill.BattleUse);
    EXPECT_EQ(skill.IntelligenceInfluence, 3);
    EXPECT_EQ(skill.Variance, 4);
    EXPECT_EQ(skill.SuccessRate, 100);
    EXPECT_EQ(skill.StateEffect(1), 0);

    skill.Decode(Chunks({{41, {3}}, {42, {0, 1, 1, 1}}, {43, {8}}, {44, {1}}}));
    EXPECT_EQ(skill.StateEffect(2), 1);
    EXPECT_EQ(skill.StateEffect(3), 1);
    EXPECT_EQ(skill.StateEffect(4), 0); // beyond the count
    EXPECT_EQ(skill.Attribute(1), 1);
    EXPECT_EQ(skill.Attribute(2), 0);
}

TEST(DataBaseTables, TroopPagesCarryTriggersAndCommandLists) {
    TVezMonGroupItem troop(1);
    ASSERT_EQ(troop.Pages.Count(), 1u);
    const auto& first = troop.Pages.Get(1);
    ASSERT_EQ(first.Commands.Count(), 1u);
    EXPECT_EQ(first.Commands.LineAt(0), TVezEventScriptLine{});
    EXPECT_EQ(first.Trigger.Flags, 0);

    // A page from bytes: trigger flags, a size chunk that lies and a command list of
    // two lines (code 10110 "Hi" with parameters 1 and 300, then the end line).
    Bytes commands = {0xCE, 0x7E, 0x00, 0x02, 'H',  'i',  0x02,
                      0x01, 0x82, 0x2C, 0x00, 0x00, 0x00, 0x00};
    Bytes page =
        Chunks({{2, Chunks({{1, {0x09}}, {2, {5}}, {6, {2}}})}, {11, {99}}, {12, commands}});
    TByteWriter list;
    WriteVarInt(list, 1);
    WriteVarInt(list, 3);
    list.WriteBytes(page);
    troop.Decode(Chunks({{11, list.Bytes}}));
    ASSERT_EQ(troop.Pages.Count(), 1u);
    const auto& read = troop.Pages.Get(3);
    EXPECT_EQ(read.Trigger.Flags, 0x09);
    EXPECT_EQ(read.Trigger.SwitchA, 5);
    EXPECT_EQ(read.Trigger.TurnA, 2);
    EXPECT_EQ(read.Trigger.FatigueMax, 100);
    ASSERT_EQ(read.Commands.Count(), 2u);
    EXPECT_EQ(read.Commands.LineAt(0), Line(10110, 0, "Hi", {1, 300}));
    EXPECT_EQ(read.Commands.LineAt(1).Code, 0);

    // Written back, the size chunk tells the real length and the list is the same.
    Bytes written = troop.Encode();
    TVezMonGroupItem back(1);
    back.Decode(written);
    EXPECT_TRUE(back.Equals(troop));
    EXPECT_EQ(back.Pages.Get(3).Commands.Lines, read.Commands.Lines);

    // A command list cut inside a line is a read error naming the data.
    Bytes cut(commands.begin(), commands.begin() + 5);
    Bytes badPage = Chunks({{12, cut}});
    TByteWriter badList;
    WriteVarInt(badList, 1);
    WriteVarInt(badList, 1);
    badList.WriteBytes(badPage);
    EXPECT_THROW(troop.Decode(Chunks({{11, badList.Bytes}})), EStreamReadError);
}

TEST(DataBaseTables, FilledDatabaseRoundTripsByteIdentically) {
    TVezDataBase db;
    Fill(db);
    Bytes first = db.SaveToBytes();
    TVezDataBase back;
    back.LoadFromBytes(first, "KESTRA.ldb");
    EXPECT_EQ(back.SaveToBytes(), first);

    // Every table came back, not just the bytes.
    EXPECT_EQ(back.Actors.Get(1).Name, "Hero");
    EXPECT_EQ(back.Actors.Get(1).Parameter(0, 50), 9999);
    EXPECT_EQ(back.Actors.Get(1).Learning.Get(2).Level, 10);
    EXPECT_EQ(back.Actors.Get(1).StateRank(2), 4);
    EXPECT_EQ(back.Skills.Get(1).Sound.Name, "Fire1");
    EXPECT_EQ(back.Skills.Get(2).SwitchId, 7);
    EXPECT_TRUE(back.Items.Get(2).IsTwoHanded());
    EXPECT_FALSE(back.Items.Get(2).UsableBy(2));
    EXPECT_EQ(back.Items.Get(3).ParameterChanges[5], 6);
    EXPECT_EQ(back.Monsters.Get(1).Actions.Count(), 2u);
    EXPECT_EQ(back.Monsters.Get(1).Actions.Get(2).SwitchOn, 9);
    EXPECT_EQ(back.Monsters.Get(1).StateRank(2), 3);
    EXPECT_TRUE(back.Troops.Get(1).Members.Get(2).Hidden);
    EXPECT_FALSE(back.Troops.Get(1).TerrainAllowed(2));
    EXPECT_EQ(back.Troops.Get(1).Pages.Get(2).Commands.Lines,
              db.Troops.Get(1).Pages.Get(2).Commands.Lines);
    EXPECT_EQ(back.Terrain.Get(2).BushDepth, 2);
    EXPECT_EQ(back.Attributes.Get(1).Rate(4), -50);
    EXPECT_EQ(back.States.Get(1).Priority, 100);
    EXPECT_EQ(back.States.Get(2).MessageTurn, " suffers");
    EXPECT_EQ(back.CommonEvents.Get(1).Commands.Count(), 2u);
    EXPECT_EQ(back.Vocabulary.Term(95), "G");
    EXPECT_EQ(back.Switches.Get(3).Name, "Door");
}

TEST(DataBaseTables, ResetDatabaseHasOneDefaultItemInEveryTable) {
    TVezDataBase db;
    Bytes header = {0x0B, 'V', 'e', 'z', 'D', 'a', 't', 'a', 'B', 'a', 's', 'e'};
    Fill(db);
    db.LoadFromBytes(header, "KESTRA.ldb");
    EXPECT_EQ(db.Actors.Count(), 1u);
    EXPECT_EQ(db.Skills.Count(), 1u);
    EXPECT_EQ(db.Items.Count(), 1u);
    EXPECT_EQ(db.Monsters.Count(), 1u);
    EXPECT_EQ(db.Troops.Count(), 1u);
    EXPECT_EQ(db.Terrain.Count(), 1u);
    EXPECT_EQ(db.Attributes.Count(), 1u);
    EXPECT_EQ(db.States.Count(), 1u);
    EXPECT_TRUE(db.Actors.Get(1).Equals(TVezPlayerItem(1)));
    EXPECT_TRUE(db.Troops.Get(1).Equals(TVezMonGroupItem(1)));
    // An empty state 1 record still yields the incapacitated state.
    EXPECT_EQ(db.States.Get(1).Priority, 100);
    EXPECT_EQ(db.States.Get(1).Restriction, 1);
    EXPECT_THROW(db.Monsters.Get(2), ELookupError);
}

TEST(DataBaseTables, WritingCutsRankArraysToTheDatabaseTables) {
    TVezDataBase db;
    db.States.Obtain(2);
    db.Attributes.Obtain(3);
    auto& hero = db.Actors.Obtain(1);
    hero.SetStateRank(2, 0);
    hero.SetStateRank(5, 0);
    hero.SetAttribRank(4, 0);
    hero.SetAttribRank(3, 1);
    db.Skills.Obtain(1).SetStateEffect(3, true);
    db.Items.Obtain(1).SetAttribute(9, true);
    db.Monsters.Obtain(1).SetStateRank(2, 4);
    db.Monsters.Obtain(1).SetStateRank(3, 4);
    TVezDataBase back;
    back.LoadFromBytes(db.SaveToBytes(), "KESTRA.ldb");
    EXPECT_EQ(back.Actors.Get(1).StateRanks.size(), 2u);
    EXPECT_EQ(back.Actors.Get(1).StateRank(2), 0);
    EXPECT_EQ(back.Actors.Get(1).StateRank(5), 2);
    EXPECT_EQ(back.Actors.Get(1).AttribRanks.size(), 3u);
    EXPECT_EQ(back.Actors.Get(1).AttribRank(3), 1);
    EXPECT_TRUE(back.Skills.Get(1).StateEffects.empty());
    EXPECT_TRUE(back.Items.Get(1).Attributes.empty());
    EXPECT_EQ(back.Monsters.Get(1).StateRank(2), 4);
    EXPECT_EQ(back.Monsters.Get(1).StateRank(3), 1);
}

// The party menu of the real game driven frame by frame over the menu test game
// (tests/games/menu): the command rules, items used on members (revival with exact HP,
// books, group medicine, the last piece), skills, the equipment preview and its
// restore, an empty party and inventory, and the end of the game.
#include "../state/GameFixture.h"
#include "WindowTestHost.h"
#include "scenes/LS_Field.h"
#include "scenes/LS_Menu.h"
#include "scenes/LS_SaveFile.h"
#include "state/LGD_Unit.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;
using namespace kestra::test;

namespace {

// Items and skills of the menu test game beside those of tests/state/GameFixture.h.
enum : std::int32_t {
    KPhoenix = 7,
    KHerb = 8,
    KTome = 9,
    KBell = 10,
    KGroupHerb = 11,
    KScroll = 12
};
enum : std::int32_t { KHeal = 1, KRing = 3, KWarp = 4, KFlee = 5 };
// The map event whose page 2 waits for switch 7.
constexpr std::int32_t KWatcher = 2;

// The game's menu over a new game of the menu test game, with the party of Alex and Bea.
struct TMenuRig {
    TMenuRig() { Host.scene = KSceneMenu; }
    // One frame with these buttons newly pressed (direction buttons also repeat).
    void Press(std::uint16_t buttons) {
        Game.Input->Pressed = buttons;
        Host.keys = buttons & (KButtonDown | KButtonLeft | KButtonRight | KButtonUp);
        Menu.Update();
        Game.Input->Pressed = 0;
        Host.keys = 0;
    }
    void Idle(int frames = 1) {
        for (int i = 0; i < frames; ++i) Press(0);
    }
    // Display frames waited so far (fades).
    std::uint64_t Frames() const { return Game.Display->FramesWaited(); }

    TTestWindowHost Host{true, "menu"};
    TGameMain& Game = Host.game;
    TVezMenuScene& Menu = *Host.game.Menu;
};

class MenuScene : public ::testing::Test {
protected:
    TLcfgPlayerItem& Alex() { return State->Actors.Get(1); }
    TLcfgPlayerItem& Bea() { return State->Actors.Get(2); }
    TVezMenuScene& Menu() { return Rig->Menu; }
    std::string LastSound() const {
        const auto sounds = Rig->Host.Sounds();
        return sounds.empty() ? "" : sounds.back();
    }
    bool Played(const std::string& name) const {
        const auto sounds = Rig->Host.Sounds();
        return std::find(sounds.begin(), sounds.end(), name) != sounds.end();
    }
    // Enters the menu and opens the item list.
    void OpenItems() {
        Rig->Idle();
        Rig->Press(KButtonDecide);
        ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenItems);
    }
    // Moves the command cursor down to a command and decides it.
    void Command(int index) {
        Rig->Idle();
        for (int i = 0; i < index; ++i) Rig->Press(KButtonDown);
        ASSERT_EQ(Menu().Commands.CursorIndex, index);
        Rig->Press(KButtonDecide);
    }
    int Scene() const { return Rig->Host.scene; }

    std::unique_ptr<TMenuRig> Rig = std::make_unique<TMenuRig>();
    TLcfgGameState* State = &Rig->Host.State();
};

// ---- the command window

TEST_F(MenuScene, EnteringShowsTheCommandsMoneyAndPartyFadedIn) {
    Rig->Host.board.Brightness = 0; // the field faded out
    const std::uint64_t before = Rig->Frames();
    Rig->Idle();
    EXPECT_TRUE(Menu().Shown);
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenCommands);
    EXPECT_TRUE(Menu().Commands.IsOpen());
    EXPECT_TRUE(Menu().Commands.CursorActive);
    EXPECT_TRUE(Menu().Gold.IsOpen());
    EXPECT_EQ(Menu().PartyList.ItemCount, 2);
    EXPECT_EQ(Rig->Host.board.Brightness, 100);
    EXPECT_EQ(Rig->Frames() - before, 5u); // 100 by steps of 20
}

TEST_F(MenuScene, ForbiddenSaveIsGreyAndBuzzesAllowedSaveOpensTheSaveScene) {
    // The save command's text is drawn in another colour when saving is forbidden.
    State->System.SaveAllowed = true;
    Rig->Idle();
    const TKandelSheet& allowed = Menu().Commands.WindowImage;
    std::vector<std::uint8_t> saveRowAllowed, itemRowAllowed;
    for (int y = 58; y < 72; ++y)
        saveRowAllowed.insert(saveRowAllowed.end(), allowed.ScanLine(y) + 8,
                              allowed.ScanLine(y) + 80);
    for (int y = 10; y < 24; ++y)
        itemRowAllowed.insert(itemRowAllowed.end(), allowed.ScanLine(y) + 8,
                              allowed.ScanLine(y) + 80);

    // The same menu entered again with saving forbidden.
    Menu().Reset();
    State->System.SaveAllowed = false;
    Rig->Idle();
    const TKandelSheet& forbidden = Menu().Commands.WindowImage;
    std::vector<std::uint8_t> saveRow, itemRow;
    for (int y = 58; y < 72; ++y)
        saveRow.insert(saveRow.end(), forbidden.ScanLine(y) + 8, forbidden.ScanLine(y) + 80);
    for (int y = 10; y < 24; ++y)
        itemRow.insert(itemRow.end(), forbidden.ScanLine(y) + 8, forbidden.ScanLine(y) + 80);
    EXPECT_NE(saveRow, saveRowAllowed);
    EXPECT_EQ(itemRow, itemRowAllowed);

    for (int i = 0; i < 3; ++i) Rig->Press(KButtonDown);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Scene(), KSceneMenu);
    EXPECT_TRUE(Menu().Shown);

    State->System.SaveAllowed = true;
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Decide");
    EXPECT_EQ(Scene(), KSceneSaveFile);
    EXPECT_FALSE(Menu().Shown);
    EXPECT_TRUE(Rig->Game.SaveFile->SaveMode);
    // Back from the save scene (cancelled there) the cursor waits on the save command.
    Rig->Game.SaveFile->Update(); // entered (its fade flushes the keys)
    Rig->Game.Input->Pressed = KButtonCancel;
    Rig->Game.SaveFile->Update();
    Rig->Game.Input->Pressed = 0;
    ASSERT_EQ(Scene(), KSceneMenu);
    Rig->Idle();
    EXPECT_EQ(Menu().Commands.CursorIndex, TVezMenuScene::KCommandSave);
    // The return is taken once: closed and opened again, the menu starts on the top.
    Rig->Press(KButtonCancel);
    ASSERT_EQ(Scene(), KSceneField);
    Menu().Open();
    Rig->Idle();
    EXPECT_EQ(Menu().Commands.CursorIndex, TVezMenuScene::KCommandItems);
}

TEST_F(MenuScene, CancelClosesTheMenuTowardsTheField) {
    Rig->Idle();
    Rig->Press(KButtonCancel);
    EXPECT_EQ(LastSound(), "Sound/Cancel");
    EXPECT_EQ(Scene(), KSceneField);
    EXPECT_EQ(State->System.Scene, KSceneField);
    EXPECT_FALSE(Menu().Shown);
    EXPECT_EQ(Rig->Host.board.Brightness, 0);
}

TEST_F(MenuScene, AMemberWhoCannotActCannotOpenTheSkillList) {
    Alex().AddState(KDazed);
    Command(TVezMenuScene::KCommandSkills);
    EXPECT_EQ(Menu().ChoosingFor, TVezMenuScene::KCommandSkills);
    EXPECT_TRUE(Menu().PartyList.CursorActive);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenCommands);
    // Bea can act; cancelling instead gives the command cursor back.
    Rig->Press(KButtonCancel);
    EXPECT_EQ(Menu().ChoosingFor, -1);
    EXPECT_TRUE(Menu().Commands.CursorActive);
    EXPECT_FALSE(Menu().PartyList.CursorVisible);
}

// ---- items

TEST_F(MenuScene, AMedicineRevivesAFallenMemberWithExactlyItsAmountAndTheLastPieceBuzzes) {
    State->PartyInfo.GainItem(KPhoenix, 1);
    Bea().AddState(KDeathState);
    ASSERT_EQ(Bea().HP, 0);
    OpenItems();
    Rig->Press(KButtonDecide); // the phoenix is entry 0
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenItemTarget);
    EXPECT_EQ(Menu().UsedItem, KPhoenix);
    // Alex is alive, so an item for the fallen does nothing to him.
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(State->PartyInfo.ItemAmount(KPhoenix), 1);
    Rig->Press(KButtonDown);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Bea().HP, 50);
    EXPECT_EQ(Bea().HasState(KDeathState), 0);
    EXPECT_EQ(LastSound(), "Sound/Item");
    EXPECT_EQ(State->PartyInfo.ItemAmount(KPhoenix), 0);
    // The target screen stays open; with nothing left a decide buzzes.
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenItemTarget);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Bea().HP, 50);
}

TEST_F(MenuScene, HealingAddsTheExactAmountAndTheListComesBackWhereItWas) {
    State->PartyInfo.GainItem(KPhoenix, 1);
    State->PartyInfo.GainItem(KHerb, 2);
    Alex().HP = 10;
    OpenItems();
    Rig->Press(KButtonRight);
    ASSERT_EQ(Menu().Items.SelectedItem(), KHerb);
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Alex().HP, 40);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KHerb), 1);
    // A member at full health gains nothing: buzzer, nothing used.
    Alex().HP = Alex().MaxHP();
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(State->PartyInfo.ItemAmount(KHerb), 1);
    Rig->Press(KButtonCancel);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenItems);
    EXPECT_EQ(Menu().Items.CursorIndex, 1);
    EXPECT_TRUE(Menu().Items.CursorActive);
}

TEST_F(MenuScene, AGroupMedicineReachesEveryMemberByPercentage) {
    State->PartyInfo.GainItem(KGroupHerb, 1);
    Alex().HP = 1;
    Bea().HP = 1;
    OpenItems();
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Targets.ItemCount, 1);
    EXPECT_EQ(Menu().Targets.ItemHeight, 2 * 58 - 10);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Alex().HP, 1 + Alex().MaxHP() * 50 / 100);
    EXPECT_EQ(Bea().HP, 1 + Bea().MaxHP() * 50 / 100);
}

TEST_F(MenuScene, ABookTeachesOnceAndBuzzesForAMemberWhoKnowsTheSkill) {
    State->PartyInfo.GainItem(KTome, 2);
    ASSERT_TRUE(Alex().KnowsSkill(KHeal));
    ASSERT_FALSE(Bea().KnowsSkill(KHeal));
    OpenItems();
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonDecide); // Alex already knows it
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(State->PartyInfo.ItemAmount(KTome), 2);
    Rig->Press(KButtonDown);
    Rig->Press(KButtonDecide);
    EXPECT_TRUE(Bea().KnowsSkill(KHeal));
    EXPECT_EQ(State->PartyInfo.ItemAmount(KTome), 1);
}

TEST_F(MenuScene, ASwitchItemTurnsItsSwitchOnAndClosesTheMenu) {
    State->PartyInfo.GainItem(KBell, 1);
    OpenItems();
    Rig->Press(KButtonDecide);
    EXPECT_TRUE(State->System.Switch(7));
    EXPECT_EQ(State->PartyInfo.ItemAmount(KBell), 0);
    // The map's events chose their pages again: the watcher's page waits for switch 7.
    const TLcfgEventItem* watcher = State->Map.Events.Find(KWatcher);
    ASSERT_NE(watcher, nullptr);
    ASSERT_NE(watcher->CurrentPage, nullptr);
    EXPECT_EQ(watcher->CurrentPage->Id, 2);
    EXPECT_EQ(Scene(), KSceneField);
}

TEST_F(MenuScene, EquipmentCannotBeUsedAndAnEmptyInventoryBuzzes) {
    OpenItems();
    EXPECT_EQ(Menu().Items.ItemCount, 0);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    State->PartyInfo.GainItem(KSword, 1);
    Rig->Press(KButtonCancel);
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenItems);
}

// ---- skills

TEST_F(MenuScene, AHealingSkillHealsTheChosenMemberAndCostsTheUsersMp) {
    Bea().HP = 10;
    const std::int32_t mp = Alex().MP;
    Command(TVezMenuScene::KCommandSkills);
    Rig->Press(KButtonDecide); // Alex
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenSkills);
    ASSERT_EQ(Menu().Skills.SelectedSkill(), KHeal);
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenSkillTarget);
    Rig->Press(KButtonDown);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Bea().HP, 30);
    EXPECT_EQ(Alex().MP, mp - 3);
    // Without the MP the skill is refused.
    Alex().MP = 2;
    Bea().HP = 10;
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Bea().HP, 10);
}

TEST_F(MenuScene, ASwitchSkillPlaysItsSoundPaysAndGoesBackToTheField) {
    Alex().LearnSkill(KRing);
    const std::int32_t mp = Alex().MP;
    Command(TVezMenuScene::KCommandSkills);
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonRight);
    ASSERT_EQ(Menu().Skills.SelectedSkill(), KRing);
    Rig->Press(KButtonDecide);
    EXPECT_TRUE(State->System.Switch(9));
    EXPECT_EQ(Alex().MP, mp - 2);
    EXPECT_TRUE(Played("Sound/Chest"));
    EXPECT_EQ(Scene(), KSceneField);
}

TEST_F(MenuScene, ASpecialItemCastsItsSkillByTheHighestLevelMemberWithoutMp) {
    State->PartyInfo.GainItem(KScroll, 1);
    Alex().HP = 10;
    const std::int32_t mp = Bea().MP;
    ASSERT_GT(Bea().Level, Alex().Level);
    OpenItems();
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenItemTarget);
    EXPECT_EQ(Menu().UsedSkill, KHeal);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Alex().HP, 30);
    EXPECT_EQ(Bea().MP, mp);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KScroll), 0);
}

TEST_F(MenuScene, TeleportNeedsADestinationAndTakesTheParty) {
    Alex().LearnSkill(KWarp);
    Command(TVezMenuScene::KCommandSkills);
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonRight);
    ASSERT_EQ(Menu().Skills.SelectedSkill(), KWarp);
    // Only the escape point: no teleport skill.
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenSkills);

    State->Teleport.AddDestination(2, 4, 5, true, 12);
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenTeleport);
    EXPECT_EQ(Menu().Teleports.ItemCount, 1);
    // Cancel goes back to the skill list where it was.
    Rig->Press(KButtonCancel);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenSkills);
    EXPECT_EQ(Menu().Skills.SelectedSkill(), KWarp);
    Rig->Press(KButtonDecide);
    const std::int32_t mp = Alex().MP;
    Rig->Press(KButtonDecide);
    // The party stands there, and the field fades in by 2 when it runs next.
    EXPECT_EQ(State->Hero.MapId, 2);
    EXPECT_EQ(State->Hero.X, 4);
    EXPECT_EQ(State->Hero.Y, 5);
    EXPECT_EQ(Rig->Game.Session->Field->EnterFadeStep, 2);
    EXPECT_TRUE(State->System.Switch(12));
    EXPECT_EQ(Alex().MP, mp - 5);
    EXPECT_EQ(Scene(), KSceneField);
    EXPECT_TRUE(Played("Sound/Door"));
}

TEST_F(MenuScene, EscapeGoesToTheStoredEscapePoint) {
    Alex().LearnSkill(KFlee);
    auto& escape = State->Teleport.Escape();
    escape.MapId = 2;
    escape.X = 7;
    escape.Y = 6;
    Command(TVezMenuScene::KCommandSkills);
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonRight);
    ASSERT_EQ(Menu().Skills.SelectedSkill(), KFlee);
    const std::int32_t mp = Alex().MP;
    Rig->Press(KButtonDecide);
    EXPECT_EQ(State->Hero.MapId, 2);
    EXPECT_EQ(State->Hero.X, 7);
    EXPECT_EQ(State->Hero.Y, 6);
    EXPECT_EQ(Alex().MP, mp - 4);
    EXPECT_EQ(Scene(), KSceneField);
    EXPECT_FALSE(Menu().Shown);
}

// ---- equipment

TEST_F(MenuScene, EquipmentPreviewIsRestoredOnCancelAndEquippingUsesTheInventory) {
    State->PartyInfo.GainItem(KGreatSword, 1);
    State->PartyInfo.GainItem(KDagger, 1);
    const auto before = Alex().Equipment;
    ASSERT_EQ(before[0], KSword);
    ASSERT_EQ(before[1], KShield);
    Command(TVezMenuScene::KCommandEquip);
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenEquipment);
    EXPECT_EQ(Menu().Equipment.ItemCount, 3); // two weapons and taking off
    // The slot cursor shows each slot's candidates: no spare shield.
    Rig->Press(KButtonDown);
    EXPECT_EQ(Menu().Equipment.Slot(), 1);
    EXPECT_EQ(Menu().Equipment.ItemCount, 1);
    Rig->Press(KButtonUp);
    EXPECT_EQ(Menu().Equipment.ItemCount, 3);
    Rig->Press(KButtonDecide);
    ASSERT_TRUE(Menu().ChoosingItem);
    // The great sword needs both hands: the preview takes the shield off.
    EXPECT_EQ(Alex().Equipment[0], KGreatSword);
    EXPECT_EQ(Alex().Equipment[1], 0);
    const auto& params = Menu().Equipment.Parameters;
    EXPECT_TRUE(params.ShowPreview);
    EXPECT_GT(params.Preview[0], params.Now[0]);
    EXPECT_LT(params.Preview[1], params.Now[1]);
    Rig->Press(KButtonRight);
    EXPECT_EQ(Alex().Equipment[0], KDagger);
    EXPECT_EQ(Alex().Equipment[1], KShield);
    Rig->Press(KButtonCancel);
    EXPECT_EQ(Alex().Equipment, before);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KGreatSword), 1);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KSword), 0);
    EXPECT_FALSE(Menu().ChoosingItem);
    EXPECT_TRUE(Menu().Equipment.Slots.CursorActive);

    Rig->Press(KButtonDecide);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Alex().Equipment[0], KGreatSword);
    EXPECT_EQ(Alex().Equipment[1], 0);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KGreatSword), 0);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KSword), 1);
    EXPECT_EQ(State->PartyInfo.ItemAmount(KShield), 1);
}

TEST_F(MenuScene, LockedEquipmentBuzzesAndLeftRightChangesTheMember) {
    Rig->Game.Session->DataBase.Actors.Get(2).FixedEquipment = true;
    State->PartyInfo.GainItem(KDagger, 1);
    Command(TVezMenuScene::KCommandEquip);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(Menu().Equipment.ActorId(), 1);
    const std::uint64_t frames = Rig->Frames();
    Rig->Press(KButtonRight);
    EXPECT_EQ(Menu().Equipment.ActorId(), 2);
    EXPECT_GT(Rig->Frames(), frames); // faded out and in
    EXPECT_EQ(Menu().Equipment.ItemCount, 0);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_FALSE(Menu().ChoosingItem);
    Rig->Press(KButtonLeft);
    EXPECT_EQ(Menu().Equipment.ActorId(), 1);
    // Alone in the party, left and right do nothing.
    State->PartyInfo.RemoveMember(2);
    const std::uint64_t still = Rig->Frames();
    Rig->Press(KButtonRight);
    EXPECT_EQ(Menu().Equipment.ActorId(), 1);
    EXPECT_EQ(Rig->Frames(), still);
}

// ---- an empty party, the end of the game

TEST_F(MenuScene, AnEmptyPartyStillHasAMenu) {
    State->PartyInfo.RemoveMember(1);
    State->PartyInfo.RemoveMember(2);
    State->PartyInfo.GainItem(KHerb, 1);
    Rig->Idle();
    EXPECT_EQ(Menu().PartyList.ItemCount, 0);
    Menu().Draw();
    Rig->Press(KButtonDown);
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(Menu().ChoosingFor, -1);
    Rig->Press(KButtonUp);
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenItems);
    Rig->Press(KButtonDecide);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenItemTarget);
    EXPECT_EQ(Menu().Targets.ItemCount, 0);
    Menu().Draw();
    Rig->Press(KButtonDecide);
    EXPECT_EQ(LastSound(), "Sound/Buzzer");
    EXPECT_EQ(State->PartyInfo.ItemAmount(KHerb), 1);
    Rig->Press(KButtonCancel);
    Rig->Press(KButtonCancel);
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenCommands);
}

TEST_F(MenuScene, EndGameAsksAndReturnsToTheTitleOrToTheCommands) {
    State->System.MusicStopped = false;
    Command(TVezMenuScene::KCommandEnd);
    ASSERT_EQ(Menu().Screen, TVezMenuScene::KScreenEndGame);
    EXPECT_TRUE(Menu().EndGame.CursorActive);
    Rig->Press(KButtonCancel);
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenCommands);
    Rig->Press(KButtonDecide);
    Rig->Press(KButtonDown);
    Rig->Press(KButtonDecide); // the second answer
    EXPECT_EQ(Menu().Screen, TVezMenuScene::KScreenCommands);
    Rig->Press(KButtonDecide);
    // The first answer: the music fades and the game starts over from the title.
    EXPECT_THROW(Rig->Press(KButtonDecide), EKandelDrawReset);
    Rig->Game.Input->Pressed = 0;
    EXPECT_EQ(Rig->Host.Files.Sound().MusicFades, std::vector<std::int32_t>{400});
    EXPECT_FALSE(Menu().Shown);
}

} // namespace

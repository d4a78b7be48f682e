#pragma once
// The party menu opened from the field: the command list, the money box and the
// party's status, with the screens that use items and skills, choose a teleport
// destination, change equipment and end the game. Every rule of play goes through
// the game state's actors and party; the scene only moves between screens.
#include "scenes/GameWindows.h"
#include "scenes/MenuWindows.h"
#include "shell/LS_Base.h"
#include "state/LGD_Teleport.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestra {

class TLcfgGameState;
class TLcfgPlayerItem;
class TVezSkillItem;
class TVezItemItem;

class TGameMain;

class TVezMenuScene : public TVezScene {
public:
    // The game must outlive the scene.
    explicit TVezMenuScene(TGameMain& game);

    // The menu key on the field: the menu runs from the next frame.
    void Open();
    // The save scene goes back to the menu: it enters again with its cursor on Save.
    void ReturnFromSave() { saveReturned_ = true; }

    enum TScreen : int {
        KScreenCommands = 0,
        KScreenItems = 1,
        KScreenItemTarget = 2,
        KScreenSkills = 3,
        KScreenSkillTarget = 4,
        KScreenTeleport = 5,
        KScreenEquipment = 6,
        KScreenEndGame = 7,
    };
    // The commands in the order of the command window.
    enum TCommand : int { KCommandItems, KCommandSkills, KCommandEquip, KCommandSave, KCommandEnd };

    void Reset() override;
    void Update() override;
    void Draw() override;

    bool Shown = false;
    int Screen = KScreenCommands;
    std::int32_t SavedItemTop = 0, SavedItemCursor = 0;
    std::int32_t SavedSkillTop = 0, SavedSkillCursor = 0;
    std::int32_t UsedItem = 0;
    std::int32_t UsedSkill = 0;
    // The party slot chosen on the main screen for the skill or equipment screen.
    int ChosenMember = 0;
    // The party list's cursor is choosing a member for this command (-1: none).
    int ChoosingFor = -1;
    // The equipment screen is choosing an item for the slot.
    bool ChoosingItem = false;
    std::array<std::uint16_t, 5> RememberedEquipment{};

    TVezMenuFaces Faces;
    TVezWindow Commands;
    TVezGoldWindow Gold;
    TVezMenuStatusWindow1 PartyList;
    TVezMenuStatusWindow2 Targets;
    TVezItemWindow Items;
    TVezSkillWindow Skills;
    TVezTeleportWindow Teleports;
    TVezEquipWindow Equipment;
    TVezEndWindow EndGame;

private:
    void Enter();
    void HideAll();
    // Fades out, shows the screen's windows and fades in again.
    void ChangeScreen(int screen);
    void SetupScreen();
    void SetupCommands();
    // Fades out and hands the game to another scene.
    void Leave(int scene, double step);

    void UpdateCommands();
    void UpdateItems();
    void UpdateItemTarget();
    void UpdateSkills();
    void UpdateSkillTarget();
    void UpdateTeleport();
    void UpdateEquipment();
    void UpdateEndGame();

    // The step that follows choosing a skill (from the list or a special item).
    void SkillKindStep();
    void OpenSkillTargets();
    void ReturnToItems();
    void ReturnToSkills();
    // True when the item or skill did something; plays the sounds of success.
    bool UseMedicine(const TVezItemItem& item);
    bool UseBook(const TVezItemItem& item);
    bool UseSeed(const TVezItemItem& item);
    bool UseSkill(TLcfgPlayerItem& user, const TVezSkillItem& skill);
    // The used item is used up, or the user pays the skill's cost.
    void PayForSkill(TLcfgPlayerItem* user, const TVezSkillItem& skill);
    void PlaySkillSound(const TVezSkillItem& skill);
    void PlayAnimationSound(const TVezSkillItem& skill);
    // The member who casts a special item's skill: the highest level among those the
    // item allows and who can act; null when nobody may.
    TLcfgPlayerItem* SpecialItemUser(const TVezItemItem& item) const;
    TLcfgPlayerItem* ChosenActor() const;
    int PartyRowOf(const TLcfgPlayerItem* actor) const;
    void CloseTowardsField(double step);
    // While the screen is dark: the party goes to the place and the field is rebuilt
    // there; it fades in with `fadeStep` when it runs next.
    void GoToPlace(const TLcfgPlace& place, double fadeStep);
    void RefreshMapEvents();

    void PlayDecide();
    void PlayCancel();
    void PlayBuzzer();
    void PlayCursor();

    TGameMain& Game;
    TLcfgGameState& State;
    bool saveReturned_ = false;
    // Where screen 5 returns to on cancel.
    int TeleportFrom = KScreenSkills;
    // The user of a skill chosen from a special item.
    std::int32_t ItemUser = 0;
};

} // namespace kestra

#include "scenes/LS_Menu.h"

#include "data/DataBase.h"
#include "media/MultiInput.h"
#include "scenes/LS_Field.h"
#include "scenes/LS_SaveFile.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

#include <algorithm>
#include <vector>

namespace kestra {

namespace {

// Vocabulary terms of the command window, in its order.
constexpr std::array<int, 5> KCommandTerms{0x6A, 0x6B, 0x6C, 0x6E, 0x70};

// Item kinds used from the menu.
enum : int {
    KItemMedicine = 6,
    KItemBook = 7,
    KItemSeed = 8,
    KItemSpecial = 9,
    KItemSwitch = 10,
};
// Skill kinds and scopes.
enum : int { KSkillNormal = 0, KSkillTeleport = 1, KSkillEscape = 2, KSkillSwitch = 3 };
enum : int { KScopeUser = 2, KScopeOneAlly = 3, KScopeAllAllies = 4 };

constexpr double KScreenFade = 20;
constexpr double KTravelFade = 4;
constexpr double KFieldArrivalFade = 2;

} // namespace

TVezMenuScene::TVezMenuScene(TGameMain& game)
    : TVezScene(game), Faces([&game](const std::string& name) {
          const auto path = game.Assets->FindAssetFile(name, "FaceSet", KPictureExtensions);
          return path ? path->string() : std::string();
      }),
      Commands(game), Gold(game), PartyList(game, Faces), Targets(game, Faces), Items(game),
      Skills(game), Teleports(game), Equipment(game), EndGame(game), Game(game),
      State(game.State()) {}

void TVezMenuScene::Open() {
    State.System.Scene = KSceneMenu;
    PlayDecide();
}

void TVezMenuScene::GoToPlace(const TLcfgPlace& place, double fadeStep) {
    TLcfgParty& hero = State.Hero;
    // Travel leaves any vehicle where it stands.
    hero.ForceLeave();
    hero.Direction = KDirDown;
    hero.SpriteDirection = KDirDown;
    // The menu opens only from the field of a running game.
    TVezFieldScene* field = Game.Session->Field;
    if (field == nullptr) throw EKestraError("the menu has no field to send the party to");
    // The screen is dark: the teleport runs without transitions.
    field->RequestTeleport(place.MapId, place.X, place.Y);
    field->PerformTeleport();
    field->EnterFadeStep = fadeStep;
    RefreshMapEvents();
}

void TVezMenuScene::RefreshMapEvents() {
    State.Map.Events.RefreshPages();
}

void TVezMenuScene::Reset() {
    TVezScene::Reset();
    HideAll();
    Shown = false;
    Screen = KScreenCommands;
    SavedItemTop = SavedItemCursor = SavedSkillTop = SavedSkillCursor = 0;
    UsedItem = UsedSkill = 0;
    ChosenMember = 0;
    ChoosingFor = -1;
    ChoosingItem = false;
    RememberedEquipment = {};
    ItemUser = 0;
    saveReturned_ = false;
    Faces.Clear();
}

void TVezMenuScene::HideAll() {
    Commands.Hide();
    Gold.Hide();
    PartyList.Hide();
    Targets.Hide();
    Items.Hide();
    Skills.Hide();
    Teleports.Hide();
    Equipment.Hide();
    EndGame.Hide();
}

// ---- sounds

void TVezMenuScene::PlayDecide() {
    State.System.PlaySystemSound(KSoundDecide);
}
void TVezMenuScene::PlayCancel() {
    State.System.PlaySystemSound(KSoundCancel);
}
void TVezMenuScene::PlayBuzzer() {
    State.System.PlaySystemSound(KSoundBuzzer);
}
void TVezMenuScene::PlayCursor() {
    State.System.PlaySystemSound(KSoundCursor);
}

void TVezMenuScene::PlaySkillSound(const TVezSkillItem& skill) {
    State.System.PlaySound(skill.Sound);
}

void TVezMenuScene::PlayAnimationSound(const TVezSkillItem& skill) {
    const auto* animation = State.DataBase().Animations.Find(skill.Animation);
    if (animation == nullptr) return;
    for (std::size_t i = 0; i < animation->Timings.Count(); ++i) {
        const TVezSound& sound = animation->Timings.At(i).Sound;
        if (!sound.Name.empty() && sound.Name != "(OFF)") {
            State.System.PlaySound(sound);
            return;
        }
    }
}

// ---- entering, leaving and changing screens

void TVezMenuScene::Enter() {
    HideAll();
    Host.Board().Clear();
    Screen = KScreenCommands;
    Shown = true;
    ChoosingFor = -1;
    ChoosingItem = false;
    // The usability rules of items and skills ask for the menu's scene.
    State.System.Scene = KSceneMenu;
    Commands.SetCursorIndex(0);
    SetupCommands();
    if (saveReturned_) Commands.SetCursorIndex(KCommandSave);
    saveReturned_ = false;
    FadeIn(KScreenFade);
}

void TVezMenuScene::SetupCommands() {
    const int cursor = std::clamp(Commands.CursorIndex, 0, 4);
    Commands.Setup(0, 0, 88, 96, false);
    Commands.ItemCount = 5;
    for (int i = 0; i < 5; ++i) {
        const bool greyed = i == KCommandSave && !State.System.SaveAllowed;
        Commands.DrawText(
            8, 8 + 16 * i, true, greyed ? 3 : 0,
            State.DataBase().Vocabulary.Term(KCommandTerms[static_cast<std::size_t>(i)]));
    }
    Commands.SetCursorIndex(cursor);
    Commands.SetCursorActive(true);
    Gold.SetupAndRefresh(0, 208, 88, 32, false);
    PartyList.SetupAndFill();
}

void TVezMenuScene::ChangeScreen(int screen) {
    FadeOut(KScreenFade);
    HideAll();
    Screen = screen;
    SetupScreen();
    FadeIn(KScreenFade);
}

void TVezMenuScene::SetupScreen() {
    switch (Screen) {
    case KScreenCommands:
        ChoosingFor = -1;
        SetupCommands();
        break;
    case KScreenItems:
        Items.SetupForActor(0);
        break;
    case KScreenItemTarget: {
        const auto* item = State.DataBase().Items.Find(UsedItem);
        auto cover = TVezMenuStatusWindow2::TCover::One;
        int userRow = 0;
        if (item != nullptr && item->Kind == KItemSpecial) {
            const auto* skill = State.DataBase().Skills.Find(item->SkillId);
            if (skill != nullptr && skill->Scope == KScopeAllAllies)
                cover = TVezMenuStatusWindow2::TCover::All;
            if (skill != nullptr && skill->Scope == KScopeUser) {
                cover = TVezMenuStatusWindow2::TCover::User;
                userRow = PartyRowOf(SpecialItemUser(*item));
            }
        } else if (item != nullptr && item->Scope != 0) {
            cover = TVezMenuStatusWindow2::TCover::All;
        }
        Targets.SetupFor(UsedItem, 0, cover, userRow);
        break;
    }
    case KScreenSkills:
        Skills.SetupForActor(ChosenActor() ? ChosenActor()->Id : 0);
        break;
    case KScreenSkillTarget: {
        const auto* skill = State.DataBase().Skills.Find(UsedSkill);
        auto cover = TVezMenuStatusWindow2::TCover::One;
        if (skill != nullptr && skill->Scope == KScopeAllAllies)
            cover = TVezMenuStatusWindow2::TCover::All;
        if (skill != nullptr && skill->Scope == KScopeUser)
            cover = TVezMenuStatusWindow2::TCover::User;
        Targets.SetupFor(0, UsedSkill, cover, ChosenMember);
        break;
    }
    case KScreenTeleport:
        Teleports.SetupAndFill();
        break;
    case KScreenEquipment:
        ChoosingItem = false;
        Equipment.SetupForActor(ChosenActor() ? ChosenActor()->Id : 0);
        break;
    case KScreenEndGame:
        EndGame.SetupAndFill();
        break;
    default:
        break;
    }
}

void TVezMenuScene::Leave(int scene, double step) {
    FadeOut(step);
    HideAll();
    Shown = false;
    State.System.Scene = static_cast<std::uint8_t>(scene);
}

void TVezMenuScene::CloseTowardsField(double step) {
    Leave(KSceneField, step);
}

namespace {

// Puts a rebuilt list back where it was, as far as it still reaches.
void RestoreListPosition(TVezWindow& list, std::int32_t top, std::int32_t cursor) {
    const int rows = (list.ItemCount + list.Columns - 1) / std::max(list.Columns, 1);
    const int maxTop = std::max(0, rows - list.VisibleRows);
    list.SetTopRow(std::clamp(top, 0, maxTop));
    list.SetCursorIndex(cursor);
    list.SetCursorActive(true);
}

} // namespace

void TVezMenuScene::ReturnToItems() {
    ChangeScreen(KScreenItems);
    RestoreListPosition(Items, SavedItemTop, SavedItemCursor);
}

void TVezMenuScene::ReturnToSkills() {
    ChangeScreen(KScreenSkills);
    RestoreListPosition(Skills, SavedSkillTop, SavedSkillCursor);
}

// ---- the frame

void TVezMenuScene::Update() {
    if (!Shown) {
        Enter();
        return;
    }
    switch (Screen) {
    case KScreenCommands:
        UpdateCommands();
        break;
    case KScreenItems:
        UpdateItems();
        break;
    case KScreenItemTarget:
        UpdateItemTarget();
        break;
    case KScreenSkills:
        UpdateSkills();
        break;
    case KScreenSkillTarget:
        UpdateSkillTarget();
        break;
    case KScreenTeleport:
        UpdateTeleport();
        break;
    case KScreenEquipment:
        UpdateEquipment();
        break;
    case KScreenEndGame:
        UpdateEndGame();
        break;
    default:
        ChangeScreen(KScreenCommands);
        break;
    }
}

void TVezMenuScene::Draw() {
    TKandelBoard& board = Host.Board();
    const TRgbQuad bg = Game.SystemGraphic().BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);
    // Windows of other screens are hidden and draw nothing.
    Commands.Draw();
    Gold.Draw();
    PartyList.Draw();
    Items.Draw();
    Skills.Draw();
    Targets.Draw();
    Teleports.Draw();
    Equipment.Draw();
    EndGame.Draw();
}

// ---- screen 0

void TVezMenuScene::UpdateCommands() {
    Commands.Update();
    Gold.Update();
    PartyList.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (ChoosingFor >= 0) {
        if (pressed & KButtonDecide) {
            const TLcfgPlayerItem* actor = State.PartyInfo.Member(PartyList.CursorIndex);
            if (actor == nullptr || (ChoosingFor == KCommandSkills && !actor->CanAct())) {
                PlayBuzzer();
                return;
            }
            PlayDecide();
            ChosenMember = PartyList.CursorIndex;
            const int command = ChoosingFor;
            ChoosingFor = -1;
            PartyList.SetCursorVisible(false);
            Commands.SetCursorActive(true);
            ChangeScreen(command == KCommandSkills ? KScreenSkills : KScreenEquipment);
        } else if (pressed & KButtonCancel) {
            PlayCancel();
            ChoosingFor = -1;
            PartyList.SetCursorVisible(false);
            Commands.SetCursorActive(true);
        }
        return;
    }
    if (pressed & KButtonDecide) {
        switch (Commands.CursorIndex) {
        case KCommandItems:
            PlayDecide();
            ChangeScreen(KScreenItems);
            break;
        case KCommandSkills:
        case KCommandEquip:
            // Nobody to choose in an empty party.
            if (State.PartyInfo.MemberCount() == 0) {
                PlayBuzzer();
                break;
            }
            PlayDecide();
            ChoosingFor = Commands.CursorIndex;
            Commands.SetCursorActive(false);
            PartyList.SetCursorIndex(0);
            PartyList.SetCursorActive(true);
            break;
        case KCommandSave:
            if (!State.System.SaveAllowed) {
                PlayBuzzer();
                break;
            }
            PlayDecide();
            FadeOut(KScreenFade);
            HideAll();
            Shown = false;
            Game.SaveFile->OpenForSave(KSceneMenu);
            break;
        case KCommandEnd:
            PlayDecide();
            ChangeScreen(KScreenEndGame);
            break;
        default:
            break;
        }
    } else if (pressed & KButtonCancel) {
        PlayCancel();
        CloseTowardsField(KScreenFade);
    }
}

// ---- screens 1 and 2: items

void TVezMenuScene::UpdateItems() {
    Items.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonCancel) {
        PlayCancel();
        ChangeScreen(KScreenCommands);
        return;
    }
    if (!(pressed & KButtonDecide)) return;
    const std::int32_t id = Items.SelectedItem();
    const auto* item = State.DataBase().Items.Find(id);
    if (item == nullptr || !State.PartyInfo.UsableNow(id)) {
        PlayBuzzer();
        return;
    }
    PlayDecide();
    UsedItem = id;
    SavedItemTop = Items.TopRow;
    SavedItemCursor = Items.CursorIndex;
    switch (item->Kind) {
    case KItemMedicine:
    case KItemBook:
    case KItemSeed:
        ChangeScreen(KScreenItemTarget);
        break;
    case KItemSpecial: {
        UsedSkill = item->SkillId;
        const auto* skill = State.DataBase().Skills.Find(UsedSkill);
        if (skill == nullptr) break;
        if (skill->SkillKind == KSkillNormal)
            ChangeScreen(KScreenItemTarget);
        else
            SkillKindStep();
        break;
    }
    case KItemSwitch:
        State.PartyInfo.UseItem(id);
        State.System.SetSwitch(item->SwitchId, true);
        RefreshMapEvents();
        CloseTowardsField(KScreenFade);
        break;
    default:
        break;
    }
}

TLcfgPlayerItem* TVezMenuScene::SpecialItemUser(const TVezItemItem& item) const {
    TLcfgPlayerItem* best = nullptr;
    for (std::int32_t m = 0; m < State.PartyInfo.MemberCount(); ++m) {
        TLcfgPlayerItem* actor = State.PartyInfo.Member(m);
        if (actor == nullptr || !item.UsableBy(actor->Id) || !actor->CanAct()) continue;
        if (best == nullptr || actor->Level > best->Level) best = actor;
    }
    return best;
}

void TVezMenuScene::UpdateItemTarget() {
    Targets.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonCancel) {
        PlayCancel();
        ReturnToItems();
        return;
    }
    if (!(pressed & KButtonDecide)) return;
    const auto* item = State.DataBase().Items.Find(UsedItem);
    if (item == nullptr || State.PartyInfo.ItemAmount(UsedItem) <= 0) {
        PlayBuzzer();
        return;
    }
    if (item->Kind == KItemSpecial) {
        TLcfgPlayerItem* user = SpecialItemUser(*item);
        const auto* skill = State.DataBase().Skills.Find(item->SkillId);
        if (user == nullptr || skill == nullptr || !UseSkill(*user, *skill)) PlayBuzzer();
        return;
    }
    bool success = false;
    if (item->Kind == KItemMedicine) success = UseMedicine(*item);
    if (item->Kind == KItemBook) success = UseBook(*item);
    if (item->Kind == KItemSeed) success = UseSeed(*item);
    if (!success) {
        PlayBuzzer();
        return;
    }
    State.System.PlaySystemSound(KSoundItemUse);
    State.PartyInfo.UseItem(UsedItem);
    Targets.Refresh();
}

namespace {

// The members an item or skill reaches: every member, or the one under the cursor.
std::vector<TLcfgPlayerItem*> TargetMembers(const TLcfgPartyInfo& party, bool all, int cursor) {
    std::vector<TLcfgPlayerItem*> out;
    if (all) {
        for (std::int32_t m = 0; m < party.MemberCount(); ++m)
            if (TLcfgPlayerItem* a = party.Member(m)) out.push_back(a);
    } else if (TLcfgPlayerItem* a = party.Member(cursor)) {
        out.push_back(a);
    }
    return out;
}

// Removes every held state of the set; true when one was held.
template <typename InSet>
bool CureStates(TLcfgPlayerItem& member, const TVezDataBase& db, InSet inSet) {
    bool cured = false;
    for (std::size_t i = 0; i < db.States.Count(); ++i) {
        const std::int32_t id = db.States.At(i).Id;
        if (inSet(id) && member.HasState(id) != 0) {
            member.RemoveState(id);
            cured = true;
        }
    }
    return cured;
}

} // namespace

bool TVezMenuScene::UseMedicine(const TVezItemItem& item) {
    bool success = false;
    for (TLcfgPlayerItem* m :
         TargetMembers(State.PartyInfo, item.Scope != 0, Targets.CursorIndex)) {
        if (!item.UsableBy(m->Id)) continue;
        // Field 0x26 marks an item made only for fallen members.
        if (item.Flag10 && m->HP != 0) continue;
        const bool fallen = m->HP == 0;
        const std::int64_t hp =
            static_cast<std::int64_t>(m->MaxHP()) * item.Recovery[0] / 100 + item.Recovery[1];
        const std::int64_t mp =
            static_cast<std::int64_t>(m->MaxMP()) * item.Recovery[2] / 100 + item.Recovery[3];
        bool changed = m->ChangeHP(hp) != 0;
        changed = m->ChangeMP(mp) != 0 || changed;
        changed = CureStates(*m, State.DataBase(),
                             [&item](std::int32_t id) { return item.State(id) != 0; }) ||
                  changed;
        if (fallen && m->HP > 0) m->ChangeHP(std::max<std::int64_t>(0, hp - 1));
        success = success || changed;
    }
    return success;
}

bool TVezMenuScene::UseBook(const TVezItemItem& item) {
    bool success = false;
    for (TLcfgPlayerItem* m :
         TargetMembers(State.PartyInfo, item.Scope != 0, Targets.CursorIndex)) {
        if (!item.UsableBy(m->Id) || m->HP <= 0 || m->KnowsSkill(item.SkillId)) continue;
        if (State.DataBase().Skills.Find(item.SkillId) == nullptr) continue;
        m->LearnSkill(item.SkillId);
        success = true;
    }
    return success;
}

bool TVezMenuScene::UseSeed(const TVezItemItem& item) {
    bool success = false;
    for (TLcfgPlayerItem* m :
         TargetMembers(State.PartyInfo, item.Scope != 0, Targets.CursorIndex)) {
        if (!item.UsableBy(m->Id) || m->HP <= 0) continue;
        for (int p = 0; p < 6; ++p)
            m->ChangeBonus(p, item.ParameterChanges[static_cast<std::size_t>(p)]);
        success = true;
    }
    return success;
}

bool TVezMenuScene::UseSkill(TLcfgPlayerItem& user, const TVezSkillItem& skill) {
    std::vector<TLcfgPlayerItem*> targets;
    if (skill.Scope == KScopeUser)
        targets.push_back(&user);
    else if (skill.Scope == KScopeOneAlly || skill.Scope == KScopeAllAllies)
        targets =
            TargetMembers(State.PartyInfo, skill.Scope == KScopeAllAllies, Targets.CursorIndex);
    const bool hpSkill = skill.EffectFlags[0];
    bool success = false;
    for (TLcfgPlayerItem* t : targets) {
        const bool fallen = t->HP <= 0;
        const std::int32_t p = user.SkillPower(skill, *t, Host.Random());
        bool changed = false;
        if (hpSkill) changed = t->ChangeHP(p) != 0;
        if (skill.EffectFlags[1]) changed = t->ChangeMP(p) != 0 || changed;
        changed = CureStates(*t, State.DataBase(),
                             [&skill](std::int32_t id) { return skill.StateEffect(id) != 0; }) ||
                  changed;
        if (changed && fallen && t->HP > 0) {
            if (hpSkill)
                t->ChangeHP(static_cast<std::int64_t>(p) - 1);
            else
                t->ChangeHP(static_cast<std::int64_t>(p) * t->MaxHP() / 100 - 1);
        }
        success = success || changed;
    }
    if (!success) return false;
    PlayAnimationSound(skill);
    PayForSkill(&user, skill);
    Targets.Refresh();
    return true;
}

void TVezMenuScene::PayForSkill(TLcfgPlayerItem* user, const TVezSkillItem& skill) {
    if (UsedItem != 0) {
        State.PartyInfo.UseItem(UsedItem);
        return;
    }
    if (user == nullptr) return;
    std::int64_t cost = skill.MpCost;
    if (user->HalfMPCost()) cost = (cost + 1) / 2;
    user->SpendMP(cost);
}

// ---- screens 3 and 4: skills

TLcfgPlayerItem* TVezMenuScene::ChosenActor() const {
    return State.PartyInfo.Member(ChosenMember);
}

int TVezMenuScene::PartyRowOf(const TLcfgPlayerItem* actor) const {
    for (std::int32_t m = 0; m < State.PartyInfo.MemberCount(); ++m)
        if (State.PartyInfo.Member(m) == actor) return m;
    return 0;
}

void TVezMenuScene::UpdateSkills() {
    Skills.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonCancel) {
        PlayCancel();
        ChangeScreen(KScreenCommands);
        return;
    }
    if (!(pressed & KButtonDecide)) return;
    TLcfgPlayerItem* actor = ChosenActor();
    const std::int32_t skill = Skills.SelectedSkill();
    if (actor == nullptr || State.DataBase().Skills.Find(skill) == nullptr ||
        !actor->CanUseSkill(skill)) {
        PlayBuzzer();
        return;
    }
    PlayDecide();
    UsedItem = 0;
    UsedSkill = skill;
    SavedSkillTop = Skills.TopRow;
    SavedSkillCursor = Skills.CursorIndex;
    SkillKindStep();
}

void TVezMenuScene::SkillKindStep() {
    const auto* skill = State.DataBase().Skills.Find(UsedSkill);
    if (skill == nullptr) return;
    TLcfgPlayerItem* user = UsedItem != 0 ? nullptr : ChosenActor();
    switch (skill->SkillKind) {
    case KSkillNormal:
        ChangeScreen(KScreenSkillTarget);
        break;
    case KSkillTeleport:
        TeleportFrom = UsedItem != 0 ? KScreenItems : KScreenSkills;
        ChangeScreen(KScreenTeleport);
        break;
    case KSkillEscape: {
        PlaySkillSound(*skill);
        PayForSkill(user, *skill);
        FadeOut(KTravelFade);
        HideAll();
        Shown = false;
        const TLcfgTeleportItem& escape = State.Teleport.Escape();
        const TLcfgPlace place = State.Env.MapTree != nullptr
                                     ? TLcfgTeleport::Target(escape, *State.Env.MapTree)
                                     : TLcfgPlace{escape.MapId, escape.X, escape.Y};
        if (escape.SetSwitch) State.System.SetSwitch(escape.SwitchId, true);
        State.System.Scene = KSceneField;
        GoToPlace(place, KFieldArrivalFade);
        break;
    }
    case KSkillSwitch:
        PlaySkillSound(*skill);
        PayForSkill(user, *skill);
        State.System.SetSwitch(skill->SwitchId, true);
        RefreshMapEvents();
        CloseTowardsField(KScreenFade);
        break;
    default:
        PlayBuzzer();
        break;
    }
}

void TVezMenuScene::UpdateSkillTarget() {
    Targets.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonCancel) {
        PlayCancel();
        ReturnToSkills();
        return;
    }
    if (!(pressed & KButtonDecide)) return;
    TLcfgPlayerItem* user = ChosenActor();
    const auto* skill = State.DataBase().Skills.Find(UsedSkill);
    if (user == nullptr || skill == nullptr || !user->CanUseSkill(UsedSkill) ||
        !UseSkill(*user, *skill))
        PlayBuzzer();
}

// ---- screen 5: teleport destinations

void TVezMenuScene::UpdateTeleport() {
    Teleports.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonCancel) {
        PlayCancel();
        if (TeleportFrom == KScreenItems)
            ReturnToItems();
        else
            ReturnToSkills();
        return;
    }
    if (!(pressed & KButtonDecide)) return;
    const auto entry = static_cast<std::size_t>(Teleports.CursorIndex) + 1;
    const auto* skill = State.DataBase().Skills.Find(UsedSkill);
    if (Teleports.ItemCount <= 0 || entry >= State.Teleport.Count() || skill == nullptr) {
        PlayBuzzer();
        return;
    }
    const TLcfgTeleportItem& destination = State.Teleport.Destination(entry);
    const TLcfgPlace place = State.Env.MapTree != nullptr
                                 ? TLcfgTeleport::Target(destination, *State.Env.MapTree)
                                 : TLcfgPlace{destination.MapId, destination.X, destination.Y};
    const bool setSwitch = destination.SetSwitch;
    const std::int32_t switchId = destination.SwitchId;
    PlaySkillSound(*skill);
    PayForSkill(UsedItem != 0 ? nullptr : ChosenActor(), *skill);
    FadeOut(KTravelFade);
    HideAll();
    Shown = false;
    if (setSwitch) State.System.SetSwitch(switchId, true);
    State.System.Scene = KSceneField;
    GoToPlace(place, KFieldArrivalFade);
}

// ---- screen 6: equipment

void TVezMenuScene::UpdateEquipment() {
    const int candidate = Equipment.CursorIndex;
    Equipment.Update();
    TLcfgPlayerItem* actor = State.Actors.Find(Equipment.ActorId());
    const std::uint16_t pressed = Game.Input->Pressed;
    if (actor == nullptr) {
        if (pressed & KButtonCancel) {
            PlayCancel();
            ChangeScreen(KScreenCommands);
        }
        return;
    }
    const int slot = std::clamp(Equipment.Slot(), 0, 4);
    auto preview = [&] {
        actor->Equipment = RememberedEquipment;
        actor->SetEquipmentRaw(slot, Equipment.Candidate());
        Equipment.ShowPreview(true);
    };
    if (ChoosingItem) {
        if (Equipment.CursorIndex != candidate) preview();
        if (pressed & KButtonDecide) {
            PlayDecide();
            const std::int32_t item = Equipment.Candidate();
            actor->Equipment = RememberedEquipment;
            actor->Equip(slot, item);
            ChoosingItem = false;
            Equipment.SetCursorVisible(false);
            Equipment.Refill();
            Equipment.Slots.SetCursorActive(true);
        } else if (pressed & KButtonCancel) {
            PlayCancel();
            actor->Equipment = RememberedEquipment;
            ChoosingItem = false;
            Equipment.SetCursorVisible(false);
            Equipment.ShowPreview(false);
            Equipment.Slots.SetCursorActive(true);
        }
        return;
    }
    if (pressed & KButtonDecide) {
        if (actor->EquipmentLocked()) {
            PlayBuzzer();
            return;
        }
        PlayDecide();
        RememberedEquipment = actor->Equipment;
        ChoosingItem = true;
        Equipment.Slots.SetCursorActive(false);
        Equipment.SetCursorIndex(0);
        Equipment.SetCursorActive(true);
        preview();
    } else if (pressed & KButtonCancel) {
        PlayCancel();
        ChangeScreen(KScreenCommands);
    } else if ((pressed & (KButtonLeft | KButtonRight)) && State.PartyInfo.MemberCount() >= 2) {
        PlayCursor();
        const int n = State.PartyInfo.MemberCount();
        const int step = (pressed & KButtonRight) ? 1 : n - 1;
        FadeOut(KScreenFade);
        ChosenMember = (ChosenMember + step) % n;
        const int keepSlot = Equipment.Slot();
        Equipment.SetupForActor(ChosenActor() ? ChosenActor()->Id : 0);
        Equipment.Slots.SetCursorIndex(keepSlot);
        Equipment.Refill();
        Equipment.Slots.SetCursorActive(true);
        FadeIn(KScreenFade);
    }
}

// ---- screen 7: end game

void TVezMenuScene::UpdateEndGame() {
    EndGame.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        PlayDecide();
        if (EndGame.CursorIndex == 0) {
            State.System.FadeOutMusic(400);
            FadeOut(KTravelFade);
            HideAll();
            Shown = false;
            Game.Display->RequestReset();
            return;
        }
        ChangeScreen(KScreenCommands);
    } else if (pressed & KButtonCancel) {
        PlayCancel();
        ChangeScreen(KScreenCommands);
    }
}

} // namespace kestra

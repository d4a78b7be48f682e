#pragma once
// The windows of the party menu: the party's status list with faces, the target
// list of items and skills, the teleport destinations, the equipment screen and the
// end-game question. They read the game's state directly; faces come from a
// TVezMenuFaces that the scene owns.
#include "scenes/GameWindows.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kestra {

class TLcfgGameState;
class TLcfgPlayerItem;

// 48 x 48 face pictures cut from files of the "FaceSet" folder, one sheet per file.
class TVezMenuFaces {
public:
    // Answers the path of a face file, or "" when there is none.
    using TFinder = std::function<std::string(const std::string& name)>;
    explicit TVezMenuFaces(TFinder finder) : Finder(std::move(finder)) {}

    // Draws cell (index mod 4, index div 4) of the actor's face; nothing for an actor
    // without a face or whose file is missing or unreadable.
    void Draw(TKandelBoard& board, int x, int y, const TLcfgPlayerItem& actor);
    // Forgets the loaded files (a new game may bring others).
    void Clear() { Sheets.clear(); }

private:
    TKandelSheet* Sheet(const std::string& name);
    TFinder Finder;
    std::map<std::string, std::unique_ptr<TKandelSheet>> Sheets;
};

inline constexpr int KMenuRowHeight = 58;

// The party list of the main screen: one 58-pixel row per member.
class TVezMenuStatusWindow1 : public TVezWindow {
public:
    TVezMenuStatusWindow1(TGameMain& game, TVezMenuFaces& faces);
    // Sets the window up at (88, 0) 232 x 240 and writes every member's row.
    void SetupAndFill();
    void Fill();
    void Draw() override;

private:
    TLcfgGameState& State;
    TVezMenuFaces& Faces;
};

// The targets of an item or a skill, with a title box and a count box beside it.
class TVezMenuStatusWindow2 : public TVezWindow {
public:
    TVezMenuStatusWindow2(TGameMain& game, TVezMenuFaces& faces);
    enum class TCover { One, All, User };
    // Shows the targets of an item (skillId 0) or of a skill (itemId 0). `userRow`
    // is the party row of the skill's user when the cover is the user only.
    void SetupFor(std::int32_t itemId, std::int32_t skillId, TCover cover, int userRow);
    // Writes the rows and boxes again after a use, keeping the cursor.
    void Refresh() override;
    void Hide() override;
    void Draw() override;

    TVezWindow TitleBox;
    TVezWindow CountBox;

private:
    void FillBoxes();
    TLcfgGameState& State;
    TVezMenuFaces& Faces;
    std::int32_t ItemId = 0, SkillId = 0;
};

// Teleport destinations: entry i + 1 of the teleport list in cell i (the escape
// destination is never offered).
class TVezTeleportWindow : public TVezWindow {
public:
    explicit TVezTeleportWindow(TGameMain& game);
    void SetupAndFill();
    void DrawItem(int x, int y, int index) override;

private:
    TLcfgGameState& State;
};

// The parameters of the actor, and what they become with a candidate worn.
class TVezEquipSubWindow1 : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void Refresh() override;
    std::string Name;
    std::array<std::int32_t, 4> Now{};
    std::array<std::int32_t, 4> Preview{};
    bool ShowPreview = false;
    std::array<std::string, 4> Terms;
};

// The five equipment slots and what they hold.
class TVezEquipSubWindow2 : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void Refresh() override;
    std::array<std::string, 5> SlotTerms;
    std::array<std::string, 5> Items;
};

// The equipment screen: the candidate list of the chosen slot with the help line,
// the parameters and the slots.
class TVezEquipWindow : public TVezWindow {
public:
    explicit TVezEquipWindow(TGameMain& game);
    // Shows actor `actorId`'s equipment with the slot cursor active.
    void SetupForActor(std::int32_t actorId);
    // Rewrites the parameters, slots and candidate list of the actor.
    void Refill();
    void DrawItem(int x, int y, int index) override;
    void Hide() override;
    void Update() override;
    void Draw() override;

    // The slot under the slot cursor and the candidate under the list cursor.
    int Slot() const { return Slots.CursorIndex; }
    std::int32_t Candidate() const;
    // While choosing an item: the parameters with the candidate worn.
    void ShowPreview(bool on);
    std::int32_t ActorId() const { return ActorId_; }

    TVezHelpWindow Help;
    TVezEquipSubWindow1 Parameters;
    TVezEquipSubWindow2 Slots;

private:
    TLcfgPlayerItem* Actor() const;
    void FillParameters(bool preview);
    void FillSlots();
    void FillList();
    void UpdateHelp();
    TLcfgGameState& State;
    std::int32_t ActorId_ = 0;
    int ListSlot = -1;
};

// The end-game choice box, with the question box above it.
class TVezEndWindow : public TVezWindow {
public:
    explicit TVezEndWindow(TGameMain& game);
    void SetupAndFill();
    void Hide() override;
    void Update() override;
    void Draw() override;

    TVezWindow Question;

private:
    TLcfgGameState& State;
};

} // namespace kestra

#pragma once
// The runtime map events: a character whose look, movement and behaviour come from
// the page its conditions choose, with a trigger that says when the page's commands
// run, and its own interpreter for parallel processes.
#include <cstdint>
#include <vector>

#include "data/Catalog.h"
// Ahead of the trigger constants below, which the common event record's own names
// would otherwise shadow.
#include "data/LD_CmnEvent.h"
#include "data/LD_Event.h"
#include "data/LD_Map.h"
#include "interpreter/LGD_Scripter.h"
#include "state/LGD_Character.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;

// Triggers of event pages and common events.
enum : std::uint8_t {
    KTriggerActionKey = 0,
    KTriggerTouch = 1,
    KTriggerCollision = 2,
    KTriggerAutoStart = 3,
    KTriggerParallelProcess = 4,
    KTriggerNone = 5,
};

// Movement types of event pages.
enum : std::uint8_t {
    KMoveFixed = 0,
    KMoveRandom = 1,
    KMoveUpDown = 2,
    KMoveLeftRight = 3,
    KMoveTowardHero = 4,
    KMoveAwayFromHero = 5,
    KMoveOwnRoute = 6,
};

// Whether every flagged part of a page condition holds now.
bool PageConditionHolds(const TVezEventCondition& condition, const TLcfgGameState& game);

class TLcfgEventItem : public TLcfgCharacter {
public:
    explicit TLcfgEventItem(std::int32_t id = 0) : TLcfgCharacter(id) { TLcfgEventItem::Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;

    // Joins the event to its record in the map unit and the game around it (not saved).
    void Attach(const TVezEventItem& data, TGameMain& game);
    // Back to the record's position and the first page the conditions choose.
    void Reset();

    // The page the conditions choose now, or null.
    const TVezEventPageItem* ChoosePage() const;
    void SelectPage();
    void RequestStart();
    std::uint8_t Trigger() const;
    std::int32_t PageId() const;
    // The current page's command list has more than its end line.
    bool HasCommands() const;

    void Update() override;
    // An event none of whose pages applies has left play.
    bool InPlay() const override { return Active && CurrentPage != nullptr; }

    const TVezEventItem* Data = nullptr;
    const TVezEventPageItem* CurrentPage = nullptr;
    // The game the event belongs to: set by Attach, null before (an event that is not
    // attached chooses no page and does not run).
    TGameMain* Game = nullptr;

    bool StartRequested;
    std::int32_t RoutePosition;
    bool StartedByActionKey;
    TLcfgRegularScripter Interpreter;
    // Not saved: the sprite direction before the event turned toward the hero.
    std::uint8_t FacingBeforeStart = KDirDown;
    bool TurnedForStart = false;

protected:
    void MovementDecision() override;

private:
    void ApplyPage(const TVezEventPageItem& page);
    std::int32_t NextWait() const;
    bool MainInterpreterIdle() const;
    // Blocked with the hero in front on the same layer: a collision start.
    void CollideFromSide();
};

// The hero's trigger test on one tile: every active event with a page at (x, y) whose
// trigger matches and whose layer is the hero's (sameLayer) or not the hero's gets
// RequestStart and StartedByActionKey := byAction. Answers how many were found.
int StartEventsAt(TLcfgEvent& events, std::int32_t x, std::int32_t y, int trigger, bool byAction,
                  bool sameLayer);

class TLcfgEvent : public TCatalogOf<TLcfgEventItem> {
public:
    TLcfgEvent() : TCatalogOf("map events") {}

    // One runtime event per event of the unit, at its position with its page chosen.
    void CreateFromMap(const TVezMap& unit, TGameMain& game);
    // After loading saved events of the same map: joins them to the unit's records,
    // drops those the unit lacks, and takes the page the conditions choose as the
    // current one without applying it again (the saved fields already hold it).
    void Relink(const TVezMap& unit, TGameMain& game);
    void RefreshPages();
    bool AnyStartRequested() const;
    // The events in ID order, for the map's character list.
    std::vector<TLcfgCharacter*> Characters() const;
};

} // namespace kestra

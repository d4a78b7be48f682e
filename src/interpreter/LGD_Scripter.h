#pragma once
// The event interpreters: the machine that runs event command lists. A frame is one
// activation of one list; an interpreter is a stack of frames. The main interpreter
// runs the events that block the player, one regular interpreter per map event and
// per common event runs parallel processes, and the battle interpreter runs troop
// battle pages. The drivers are given the game object; handlers reach the game state,
// the field, the message window and pool, input, random and sound through it.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "data/Catalog.h"
#include "data/LD_Event.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;
class TLcfgMap;
class TLcfgParty;
class TLcfgCharacter;
class TLcfgEvent;
class TLcfgEventItem;
class TLcfgCommonEvent;
class TLcfgScripter;
class TMultiInput;
class TRandom;
class TVezFieldScene;
class TVezMessageWindow;
class TVezMonGroupItem;

// A missing event, page or common event named by a command, a runaway call depth, or
// an interpreter asked to run without a frame.
class EScripterError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// Lines waiting for the message window (battle and level-up notices). An empty line
// ends a page.
class TVezMessagePool {
public:
    void Push(std::string line) { Lines.push_back(std::move(line)); }
    bool Empty() const { return Lines.empty(); }
    std::size_t Count() const { return Lines.size(); }
    const std::string& Front() const { return Lines.front(); }
    std::string Pop() {
        std::string s = std::move(Lines.front());
        Lines.pop_front();
        return s;
    }
    void Clear() { Lines.clear(); }

    std::deque<std::string> Lines;
};

// Character references of commands.
inline constexpr std::int32_t KRefHero = 10001;
inline constexpr std::int32_t KRefBoat = 10002;
inline constexpr std::int32_t KRefShip = 10003;
inline constexpr std::int32_t KRefAirship = 10004;
inline constexpr std::int32_t KRefThisEvent = 10005;

// Commands per frame of one driver call, and frames an interpreter may hold.
inline constexpr int KCommandsPerFrame = 10000;
inline constexpr std::int32_t KMaxCallDepth = 1000;
// Indentation levels a frame keeps branch outcomes for; deeper lines share the last.
inline constexpr std::int32_t KMaxIndent = 1024;

// One activation of one command list.
class TLcfgScriptData : public TCatalogItem {
public:
    explicit TLcfgScriptData(std::int32_t id = 0) : TCatalogItem(id) { TLcfgScriptData::Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    // The outcome byte of the structure opening at `indent` (grown on demand).
    std::uint8_t& BranchResult(std::int32_t indent);
    // The line at `index`; an index at or past the end reads as the end line.
    const TVezEventScriptLine& LineAt(std::int32_t index) const;
    std::int32_t LineCount() const { return static_cast<std::int32_t>(Commands.Count()); }

    TVezEventScriptList Commands;
    std::int32_t Pc;
    std::int32_t EventId;
    bool StartedByActionKey;
    std::vector<std::uint8_t> BranchResults;
};

class TLcfgScriptDataList : public TCatalogOf<TLcfgScriptData> {
public:
    TLcfgScriptDataList() : TCatalogOf("interpreter frames") {}
};

class TLcfgBaseScripter : public TCatalogBaseItem {
public:
    TLcfgBaseScripter() { TLcfgBaseScripter::Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;
    void LoadFromStream(TByteReader& reader) override;

    bool IsRunning() const { return Frames.Count() > 0; }
    // Clear, then one frame running a copy of `list`.
    void Start(TGameMain& game, std::int32_t eventId, const TVezEventScriptList& list);
    TLcfgScriptData& PushFrame(std::int32_t eventId, const TVezEventScriptList& list);
    TLcfgScriptData* TopFrame() const;
    // One command of the top frame; false when the interpreter must stop for this frame.
    bool ExecuteOne();
    // Ends the top frame.
    virtual void EndFrame();

    // Resolves a character reference for `frame` (the hero, a vehicle, this event or
    // another); absent events raise EScripterError.
    TLcfgCharacter* GetCharacter(std::int32_t reference, const TLcfgScriptData& frame);
    std::int32_t ReadKeyCode(bool edgeOnly) const;
    // Moves Pc to the first line at or after Pc with `line`'s indent (the end of the
    // list when there is none).
    static void SkipToSameIndent(TLcfgScriptData& frame, const TVezEventScriptLine& line);

    void SetKeyVariable(std::int32_t id);
    std::int32_t KeyVariable() const { return KeyVariableId; }

    TLcfgScriptDataList Frames;
    bool WaitingForMessage;
    bool BattleEscapeEndsEvent;
    bool WaitingForMovement;
    bool WaitingForKey;
    bool KeyAcceptDirections, KeyAcceptDecision, KeyAcceptCancel;
    std::int32_t WaitFrames;

    // Where an inn, shop, battle or choice writes its answer (not saved): a frame by
    // ID and the indent of the structure, checked before use.
    struct TResultTarget {
        std::int32_t FrameId = 0;
        std::int32_t Indent = -1;
    } ResultTarget;
    // Writes `value` to the result target when that frame is still running.
    void WriteResult(std::uint8_t value);
    // The result byte of the structure; 255 when the target is gone.
    std::uint8_t ReadResult() const;

    // The price of the inn offer the message window holds (not saved).
    std::int32_t InnPrice = 0;
    // Set by a handler: the interpreter stops for this frame after the command.
    bool StopRequested = false;
    // Parallel interpreters leave teleports to the end of the field frame.
    virtual bool IsParallel() const { return false; }

    // The game the interpreter runs in: handlers reach everything outside the game
    // state through it. Set by Start and the drivers; raises EScripterError while the
    // interpreter has not been run yet.
    TGameMain& Game() const;
    void SetGame(TGameMain& game) { RunningGame = &game; }

protected:
    // End of the frame stack shared by every EndFrame.
    void BaseEndFrame();

private:
    std::int32_t KeyVariableId = 0;
    // Saved forms of KeyVariableId: the low byte (chunk 22) and, above 255, the whole ID.
    std::uint8_t KeyVariableLow = 0;
    std::int32_t KeyVariableFull = 0;
    TGameMain* RunningGame = nullptr;
};

// The main interpreter.
class TLcfgScripter : public TLcfgBaseScripter {
public:
    void UpdateMain(TGameMain& game);
};

// The parallel process of one map event or common event.
class TLcfgRegularScripter : public TLcfgBaseScripter {
public:
    void EndFrame() override;
    bool IsParallel() const override { return true; }
    void UpdateParallel(TGameMain& game);
};

class TLcfgBattleScripter : public TLcfgBaseScripter {
public:
    static constexpr int KPageFlags = 100;

    void Clear() override;
    void EndFrame() override;
    void UpdateBattle(TGameMain& game);
    // Starts the first battle page of `troop` not yet started this turn whose
    // condition holds (the turn and fatigue of the party, the monsters of the game
    // state's running battle); true when one was started. Only while no frame runs.
    bool StartBattlePage(TGameMain& game, const TVezMonGroupItem& troop);
    // At the start of every turn.
    void ResetPageFlags() { PageStarted.fill(false); }

    std::array<bool, KPageFlags> PageStarted{};
};

// The handler of one command code: the interpreter, the running frame and its line
// (Pc already past it).
using TScriptHandler = void (*)(TLcfgBaseScripter& s, TLcfgScriptData& frame,
                                const TVezEventScriptLine& line);

// Dispatch over the commands and branch lines of the event command table
// (data/LD_EventCommands.h). Those whose handlers are not part of the program yet are
// listed as unavailable: they are skipped with one warning per code.
struct TScriptCommand {
    std::int32_t Code;
    const char* Name;
    TScriptHandler Handler; // null: not yet available
};
const TScriptCommand* FindScriptCommand(std::int32_t code);

namespace scripter {
struct THandlerEntry {
    std::int32_t Code;
    TScriptHandler Handler;
};
// Handler groups, one per file; the dispatch table joins them.
std::vector<THandlerEntry> FlowHandlers();
std::vector<THandlerEntry> MapHandlers();
std::vector<THandlerEntry> MessageHandlers();
std::vector<THandlerEntry> PartyHandlers();
std::vector<THandlerEntry> ScreenHandlers();
std::vector<THandlerEntry> BattleHandlers();
std::vector<THandlerEntry> SystemHandlers();
std::vector<THandlerEntry> SceneHandlers();
// All groups together. Every code must be a command or branch line of the event
// command table; one that is not is never dispatched.
std::vector<THandlerEntry> AllHandlers();
// Value by kind: 0 the constant n, 1 variable n, anything else 0.
std::int32_t ValueByKind(TGameMain& game, std::int32_t kind, std::int32_t n);
// The parts of the game the handlers use.
TLcfgGameState& State(TGameMain& game);
// The message window (made with the first game; EScripterError before).
TVezMessageWindow& MessageBox(TGameMain& game);
TVezMessagePool& MessagePool(TGameMain& game);
// The field scene (EScripterError while none is installed).
TVezFieldScene& Field(TGameMain& game);
// Re-chooses the pages of the events of the map the hero is on.
void RefreshPages(TGameMain& game);
// Test play with the abort key (F10) held.
bool AbortKeyHeld(TGameMain& game);
// The scene number is no longer the field's.
bool FieldLeft(TGameMain& game);
// One line for the log (codes not yet available, and the like).
void Warn(const std::string& message);
} // namespace scripter

} // namespace kestra

#pragma once
// The event interpreters: the machine that runs event command lists. A frame is one
// activation of one list; an interpreter is a stack of frames. The main interpreter
// runs the events that block the player, one regular interpreter per map event and
// per common event runs parallel processes, and the battle interpreter runs troop
// battle pages. Everything outside the game state is reached through
// ILcfgScriptWorld.
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
class TVezMonGroupItem;

// A missing event, page or common event named by a command, a runaway call depth, or
// an interpreter asked to run without a frame.
class EScripterError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// The message window as the interpreter drives it.
class ILcfgMessageBox {
public:
    virtual ~ILcfgMessageBox() = default;
    virtual bool Present() const = 0;   // shown, opening or closing
    virtual int ClosePhase() const = 0; // 0 not closing
    virtual bool AlreadyOpen() const = 0;
    virtual bool PriceCheck() const = 0; // an inn offer is pending
    virtual void ClearPriceCheck() = 0;
    virtual std::uint8_t Result() const = 0; // the answer the window wrote
    virtual int LineCount() const = 0;
    virtual void BeginMessage() = 0;
    virtual void AddLine(const std::string& line) = 0; // CP932 bytes, expanded by the window
    virtual void Close() = 0;
    // The prompts that end a page. A choice is a line of its own; cancelChoice 0 makes
    // cancel do nothing, n answers n - 1; the answer goes to target as well.
    virtual void AddChoice(const std::string& /*text*/) {}
    virtual void SetChoiceOptions(std::int32_t /*cancelChoice*/,
                                  std::function<void(std::uint8_t)> /*target*/) {}
    virtual void SetNumberInput(std::int32_t /*digits*/, std::int32_t /*variable*/) {}
    // Choice 0 may be taken only with at least price money (an inn offer).
    virtual void SetPriceCheck(std::int32_t /*price*/) {}
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

// What the interpreters and the events reach outside the game state tree. Optional
// parts have defaults that do nothing, so a world can start small (tests, battle).
class ILcfgScriptWorld {
public:
    virtual ~ILcfgScriptWorld() = default;

    virtual TLcfgGameState& Game() = 0;
    virtual TRandom& Random() = 0;
    // The field: null where there is none.
    virtual TLcfgMap* Map() { return nullptr; }
    virtual TLcfgParty* Hero() { return nullptr; }
    virtual TLcfgEvent* Events() { return nullptr; }
    virtual TLcfgCommonEvent* CommonEvents() { return nullptr; }
    // Vehicle 0 boat, 1 ship, 2 airship; null while there are none.
    virtual TLcfgCharacter* Vehicle(int /*kind*/) { return nullptr; }
    virtual TLcfgScripter* MainInterpreter() { return nullptr; }
    virtual ILcfgMessageBox* MessageBox() { return nullptr; }
    virtual TVezMessagePool* MessagePool() { return nullptr; }
    virtual TMultiInput* Input() { return nullptr; }

    // Test play with the abort key (F10) held.
    virtual bool AbortKeyHeld() { return false; }
    // A scene other than the running one was asked for.
    virtual bool SceneChangeRequested() { return false; }
    // The hero boards or leaves a vehicle, or the airship takes off or lands.
    virtual bool VehicleInTransition() { return false; }
    // The field's teleport: the request, and carrying it out now.
    virtual void RequestTeleport(std::int32_t /*map*/, std::int32_t /*x*/, std::int32_t /*y*/) {}
    virtual void PerformTeleport() {}
    virtual void InnRest() {}
    // Re-chooses the pages of every map event; the default asks Events().
    virtual void RefreshPages();
    // Played as the sound library reports it (music position, looped once).
    virtual std::int32_t MusicTick() { return 0; }
    virtual bool MusicLooped() { return false; }
    // The running battle's troop monster `index` (from 0): attribute 0 HP, 1 SP, 2 max HP,
    // 3 max SP, 4 attack, 5 defence, 6 spirit, 7 agility; 0 outside a battle.
    virtual std::int32_t MonsterValue(std::int32_t /*index*/, std::int32_t /*attribute*/) {
        return 0;
    }
    virtual bool MonsterCanAct(std::int32_t /*index*/) { return false; }
    // One line for the log (codes not yet available, and the like).
    virtual void Warn(const std::string& /*message*/) {}

    // Codes already warned about as not yet available.
    std::vector<std::int32_t> WarnedCodes;
};

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
    void Start(ILcfgScriptWorld& world, std::int32_t eventId, const TVezEventScriptList& list);
    TLcfgScriptData& PushFrame(std::int32_t eventId, const TVezEventScriptList& list);
    TLcfgScriptData* TopFrame() const;
    // One command of the top frame; false when the interpreter must stop for this frame.
    bool ExecuteOne();
    // Ends the top frame.
    virtual void EndFrame();

    // Resolves a character reference for `frame`; absent events raise EScripterError,
    // vehicles that do not exist answer null.
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

    // Set by the drivers before running; handlers reach the world through it.
    ILcfgScriptWorld* World = nullptr;

protected:
    ILcfgScriptWorld& W() const;
    // End of the frame stack shared by every EndFrame.
    void BaseEndFrame();

private:
    std::int32_t KeyVariableId = 0;
    // Saved forms of KeyVariableId: the low byte (chunk 22) and, above 255, the whole ID.
    std::uint8_t KeyVariableLow = 0;
    std::int32_t KeyVariableFull = 0;
};

// The main interpreter.
class TLcfgScripter : public TLcfgBaseScripter {
public:
    void UpdateMain(ILcfgScriptWorld& world);
};

// The parallel process of one map event or common event.
class TLcfgRegularScripter : public TLcfgBaseScripter {
public:
    void EndFrame() override;
    bool IsParallel() const override { return true; }
    void UpdateParallel(ILcfgScriptWorld& world);
};

// What the battle page conditions ask of the running battle.
class ILcfgBattleView {
public:
    virtual ~ILcfgBattleView() = default;
    virtual std::int32_t Turn() const = 0;
    virtual std::int32_t Fatigue() const = 0;
    // HP x 100 / max HP of troop monster `index`; false when there is no such monster.
    virtual bool MonsterHpPercent(std::int32_t index, std::int32_t& percent) const = 0;
};

class TLcfgBattleScripter : public TLcfgBaseScripter {
public:
    static constexpr int KPageFlags = 100;

    void Clear() override;
    void EndFrame() override;
    void UpdateBattle(ILcfgScriptWorld& world);
    // Starts the first battle page of `troop` not yet started this turn whose
    // condition holds; true when one was started. Only while no frame runs.
    bool StartBattlePage(ILcfgScriptWorld& world, const TVezMonGroupItem& troop,
                         const ILcfgBattleView& battle);
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
// All groups together. Every code must be a command or branch line of the event
// command table; one that is not is never dispatched.
std::vector<THandlerEntry> AllHandlers();
// Value by kind: 0 the constant n, 1 variable n, anything else 0.
std::int32_t ValueByKind(ILcfgScriptWorld& w, std::int32_t kind, std::int32_t n);
} // namespace scripter

} // namespace kestra

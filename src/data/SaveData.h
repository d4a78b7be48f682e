#pragma once
// Save files "Save%.2d.lsd": the magic "VezSaveData", then one top-level chunk per
// game-state object (IDs 100..114, ascending), each an ID, a length and the object's
// own encoding, up to the end of the file with no terminator.
//
// Saving builds the whole file in memory and hands it to a writer that replaces the
// old file atomically; a failed save leaves the old file and the state as they were.
// Loading parses into a separate state tree and takes it over only when the whole file
// was read. Reading a header for the save list touches nothing but the header.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "state/LGD_GameState.h"

namespace kestra {

inline constexpr const char* KSaveMagic = "VezSaveData";
inline constexpr std::int32_t KSaveSlotCount = 15;

// Top-level chunk IDs.
enum : std::int32_t {
    KSaveChunkHeader = 100,
    KSaveChunkSystem = 101,
    KSaveChunkScreen = 102,
    KSaveChunkPictures = 103,
    KSaveChunkHero = 104,
    KSaveChunkBoat = 105,
    KSaveChunkShip = 106,
    KSaveChunkAirship = 107,
    KSaveChunkActors = 108,
    KSaveChunkPartyInfo = 109,
    KSaveChunkTeleport = 110,
    KSaveChunkMap = 111,
    KSaveChunkPanorama = 112,
    KSaveChunkInterpreter = 113,
    KSaveChunkCommonEvents = 114,
    KSaveChunkLast = 114,
};

// What the save list shows.
class TLcfgSaveHeader : public TCatalogBaseItem {
public:
    TLcfgSaveHeader() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    // Face file and index of party member 0..3; empty and 0 otherwise.
    std::string FaceFile(int member) const;
    std::int32_t FaceIndex(int member) const;

    // Days since 30 December 1899, local time; the time of day is the fraction.
    double Time;
    std::string LeaderName;
    std::int32_t LeaderLevel, LeaderHP;
    std::array<std::string, 4> Faces;
    std::array<std::int32_t, 4> FaceIndices;
};

// Replaces the file at `path` with `bytes` so that a reader sees either the old or the
// new contents; raises EFileError naming the path on failure.
using TSaveFileWriter =
    std::function<void(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)>;
// The current local time as a day count (see TLcfgSaveHeader::Time).
using TDayClock = std::function<double()>;
// Looks at a fully read game before it replaces the running one; raises EKestraError
// to refuse it (for example when the map it stands on cannot be loaded).
using TLoadCheck = std::function<void(const TLcfgGameState& loaded)>;

// The wall clock in the day-count format.
double LocalDayCount();
// The day count of a moment given in milliseconds since 1970-01-01 UTC, in local time.
double DayCountAt(std::int64_t unixMilliseconds);
// The same moment in UTC, whatever the machine's zone.
double DayCountUtc(std::int64_t unixMilliseconds);
// The day count of a local calendar date and time.
double DayCount(int year, int month, int day, int hour, int minute, int second);

// What a save slot holds, as the save list shows it.
struct TSaveSlot {
    // The header of a readable save.
    std::optional<TLcfgSaveHeader> Header;
    // A file of the slot's name is there (or a directory or a pipe in its place) that
    // holds no readable save; Problem says why, naming the file.
    bool Damaged = false;
    std::string Problem;
};

class TLcfgSaveData {
public:
    // `saveDir` ends in "/" (or is empty for the current directory).
    TLcfgSaveData(TLcfgEnvironment env, std::string saveDir, TSaveFileWriter writer,
                  TDayClock clock = LocalDayCount);

    // The file a save into slot N writes: "Save%.2d.lsd" in exactly that case. Null
    // for a slot outside 1..99.
    std::optional<std::filesystem::path> SlotPath(std::int32_t slot) const;
    // The file slot N is read from. Files whose names match "Save%.2d.lsd" in another
    // letter case count too (saves copied from another system), and when there are
    // several, the newest save whose header reads wins (its time stamp, then the file's
    // modification time), so a stale or broken twin never hides a good save. Nullopt
    // when the slot has no file.
    std::optional<std::filesystem::path> SlotFile(std::int32_t slot) const;
    // Directories whose saves are listed and loaded besides the save directory's (the
    // game directory, when saves had to move elsewhere); a save is written only to the
    // save directory. For each slot the newest readable save of all places wins.
    void SetOtherSaveDirs(std::vector<std::string> dirs) { OtherDirs = std::move(dirs); }
    const std::string& SaveDirectory() const { return SaveDir; }
    // Another game was chosen: its saves go to `saveDir` (ends in "/").
    void SetSaveDirectory(std::string saveDir) { SaveDir = std::move(saveDir); }

    // Every object cleared, the actors set up from the database, then the devices told.
    void Reset();
    // Reset, then the party's start position from the map tree; raises EKestraError
    // when the map tree has none. The field scene places the party there.
    TLcfgPlace NewGame();

    // Counts the save and records the slot, then writes. On failure the file and the
    // counters stay as they were and the error is raised.
    void Save(std::int32_t slot);
    // False when the slot has no file; errors are raised and leave the state unchanged.
    // `check` sees the read game before it is taken over.
    bool Load(std::int32_t slot, const TLoadCheck& check = {});
    // The header of a slot, or nullopt when the file is missing or unreadable.
    std::optional<TLcfgSaveHeader> ReadHeader(std::int32_t slot) const;
    // The slot as the list shows it: a save, a damaged file, or nothing.
    TSaveSlot ReadSlot(std::int32_t slot) const;
    // The headers of slots 1..count, nullopt for the gaps.
    std::vector<std::optional<TLcfgSaveHeader>>
    ListHeaders(std::int32_t count = KSaveSlotCount) const;

    // The file image of the current state, the header rebuilt first and the save counts
    // of the database and of the map unit the map state is attached to recorded in the
    // hero.
    std::vector<std::uint8_t> SaveToBytes();
    // A full load from a file image into a fresh tree, taken over only when it was read
    // completely and `check` accepted it. Chunks are read in file order whatever it is.
    void LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                       const TLoadCheck& check = {});
    // The header of a file image; errors are raised. Nothing else is touched.
    static TLcfgSaveHeader ReadHeaderFromBytes(std::span<const std::uint8_t> bytes,
                                               const std::string& name);

    // The time stamps of later saves (tests and headless runs fix it).
    void SetClock(TDayClock clock) { Clock = std::move(clock); }

    TLcfgGameState State;
    TLcfgSaveHeader Header;

private:
    struct TSlotFile {
        std::filesystem::path Path;
        TLcfgSaveHeader Header; // read when Readable
        bool Readable = false;
        std::string Problem; // why it is not readable
    };
    std::filesystem::path SaveDirPath() const;
    std::optional<TSlotFile> FindSlotFile(std::int32_t slot) const;
    void RebuildHeader();
    std::vector<std::uint8_t> Serialise() const;
    // Reads the chunks of a file image into the tree and header; with `headerOnly`
    // every chunk but the header is skipped and reading stops after it.
    static void Parse(std::span<const std::uint8_t> bytes, const std::string& name,
                      TLcfgGameState* state, TLcfgSaveHeader& header, bool headerOnly);

    std::string SaveDir;
    std::vector<std::string> OtherDirs;
    TSaveFileWriter Writer;
    TDayClock Clock;
};

} // namespace kestra

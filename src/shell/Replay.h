#pragma once
// Replay files: a recorded playthrough that checks a later run of the same game.
//
//     kestra-replay 1
//     player 0.1
//     game demo
//     data 0123456789abcdef        hash of the game's database, map tree and maps
//     seed 3141592653
//     clock 1765250000000          wall clock at the start, in ms since 1970
//     word TestPlay                one line per command-line word, in order
//     save Save01.lsd 4c5346...    a save that existed at the start, in hex
//     input
//     1 Space                      input script lines (the --input format) ...
//     checkpoint 60 89ab...        ... and the board hash of a frame, every 60 frames
//     end 1234 cdef...             the last frame and its board hash
//
// A recording writes the file as it plays, so a run that dies leaves what it did.
#include "base/Errors.h"
#include "graphics/KandelBoard.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kestra {

class EReplayError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// A replayed run that did not show what the recording showed.
class EReplayMismatch : public EKestraError {
public:
    using EKestraError::EKestraError;
};

inline constexpr int KReplayFormat = 1;
inline constexpr std::uint64_t KReplayCheckpointFrames = 60;
// Larger files are refused before they are read.
inline constexpr std::uintmax_t KMaxReplayBytes = 128u << 20;
// The exit code of a replay that does not match.
inline constexpr int KReplayMismatchExit = 3;

struct TReplayCheckpoint {
    std::uint64_t Frame = 0;
    std::uint64_t Hash = 0;
    bool operator==(const TReplayCheckpoint&) const = default;
};

struct TReplayFile {
    std::string Player;
    std::string Game;
    std::uint64_t DataHash = 0;
    std::uint32_t Seed = 0;
    std::int64_t ClockStart = 0;
    std::vector<std::string> Words;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Saves;
    std::vector<std::string> InputLines;
    std::vector<TReplayCheckpoint> Checkpoints;
    TReplayCheckpoint End;

    // The input lines as one script.
    std::string InputScript() const;
};

// Raises EReplayError naming the file, the line and the problem.
TReplayFile ParseReplay(std::string_view text, const std::string& name);
// Raises EFileError when the file cannot be read, EReplayError when it is not a replay.
TReplayFile ReadReplayFile(const std::filesystem::path& path);
// The whole file as ParseReplay reads it back; the header alone, through "input".
std::string FormatReplay(const TReplayFile& replay);
std::string FormatReplayHeader(const TReplayFile& replay);

// FNV-1a over the database, the map tree and the maps of a game directory (names in
// lower case, sorted, each with its size and bytes).
std::uint64_t GameDataHash(const std::filesystem::path& gameDir);
// The save files in a directory ("Save01.lsd" to "Save15.lsd" in any case).
std::vector<std::pair<std::string, std::vector<std::uint8_t>>>
ReadSaveFiles(const std::filesystem::path& dir);

std::string HashText(std::uint64_t hash);

// A new empty directory under the system's temporary directory, removed with
// everything in it when this goes. Raises EFileError when none can be made.
class TScratchDir {
public:
    explicit TScratchDir(const std::string& prefix);
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Writes a replay while the game plays: the header at once, then each input line and
// checkpoint as it comes, flushed, and the end line last.
class TReplayRecorder {
public:
    // Raises EFileError when the file cannot be created.
    TReplayRecorder(const std::filesystem::path& path, const TReplayFile& header);
    ~TReplayRecorder();
    TReplayRecorder(const TReplayRecorder&) = delete;
    TReplayRecorder& operator=(const TReplayRecorder&) = delete;

    void WriteInputLine(const std::string& line);
    // Frame `frame` has ended; `presented` says whether its picture reached the
    // screen (a frame the loop skipped to catch up leaves the board as it was).
    void Frame(std::uint64_t frame, bool presented, const TKandelBoard& board);
    // The end line: the last presented frame and the board now. Only once.
    void Finish(const TKandelBoard& board);

private:
    void Write(const std::string& line);

    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    std::uint64_t nextCheckpoint_ = KReplayCheckpointFrames;
    std::uint64_t lastPresented_ = 0;
    bool finished_ = false;
};

// Checks a run against a replay's checkpoints. On the first mismatch it writes the
// board of that frame and of the last matching checkpoint as PNG next to the replay
// and raises EReplayMismatch; when approving it collects the new checkpoints instead.
class TReplayChecker {
public:
    TReplayChecker(std::filesystem::path path, TReplayFile replay, bool approve);

    // Frame `frame` has ended. A frame that was not presented is not checked (a
    // replay in a window may skip frames to keep pace).
    void Frame(std::uint64_t frame, bool presented, const TKandelBoard& board);
    // The run has stopped. Raises EReplayMismatch when it stopped before the end; when
    // approving, returns the replay with the new checkpoints.
    TReplayFile Finish(std::uint64_t lastFrame);

    std::size_t Checked() const { return checked_; }
    bool Approving() const { return approve_; }
    const std::filesystem::path& Path() const { return path_; }
    std::size_t Skipped() const { return skipped_; }
    const TReplayFile& Replay() const { return replay_; }

private:
    [[noreturn]] void Mismatch(const TReplayCheckpoint& expected, std::uint64_t actual,
                               const TKandelBoard& board);

    std::filesystem::path path_;
    TReplayFile replay_;
    bool approve_;
    std::size_t next_ = 0; // the next checkpoint; Checkpoints.size() means the end
    std::size_t checked_ = 0, skipped_ = 0;
    TKandelBoard lastMatch_; // empty until a checkpoint matched
    std::uint64_t lastMatchFrame_ = 0;
    std::vector<TReplayCheckpoint> approved_;
    bool endSeen_ = false;
};

} // namespace kestra

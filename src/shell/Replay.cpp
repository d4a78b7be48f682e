#include "shell/Replay.h"

#include "base/FileBytes.h"
#include "base/IniFile.h"
#include "shell/FrameRecorder.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <fstream>
#include <random>

namespace kestra {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view KMagic = "kestra-replay";
constexpr std::uintmax_t KMaxSaveBytes = 4u << 20;

template <class T>
bool ParseUnsigned(std::string_view text, T& value, int base = 10) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

// "save01.lsd" .. "save15.lsd".
bool IsSaveName(const std::string& lower) {
    if (lower.size() != 10 || lower.compare(0, 4, "save") != 0 || lower.compare(6, 4, ".lsd") != 0)
        return false;
    int slot = 0;
    return ParseUnsigned(std::string_view(lower).substr(4, 2), slot) && slot >= 1 && slot <= 15;
}

// "kestra.ldb", "kestra.lmt" and "map" + digits + ".lmu".
bool IsDataName(const std::string& lower) {
    if (lower == "kestra.ldb" || lower == "kestra.lmt") return true;
    if (lower.size() < 8 || lower.compare(0, 3, "map") != 0 ||
        lower.compare(lower.size() - 4, 4, ".lmu") != 0)
        return false;
    return std::all_of(lower.begin() + 3, lower.end() - 4,
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool Unhex(std::string_view text, std::vector<std::uint8_t>& out) {
    if (text.size() % 2 != 0) return false;
    out.clear();
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t b = 0;
        if (!ParseUnsigned(text.substr(i, 2), b, 16)) return false;
        out.push_back(b);
    }
    return true;
}

struct THasher {
    std::uint64_t H = 14695981039346656037ull;
    void Add(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < n; ++i) {
            H ^= p[i];
            H *= 1099511628211ull;
        }
    }
};

} // namespace

std::string HashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

std::string TReplayFile::InputScript() const {
    std::string script;
    for (const std::string& line : InputLines) script.append(line).append("\n");
    return script;
}

TReplayFile ParseReplay(std::string_view text, const std::string& name) {
    TReplayFile replay;
    std::size_t pos = 0, lineNo = 0;
    bool inInput = false, haveEnd = false;
    bool have[5] = {}; // player, game, data, seed, clock
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto fail = [&](const std::string& what) -> EReplayError {
            return EReplayError(name + ":" + std::to_string(lineNo) + ": " + what);
        };
        if (lineNo > 1 && std::any_of(line.begin(), line.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20 && c != '\t';
            }))
            throw fail("a control character in the line (not a replay written by kestra?)");
        const std::size_t space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        if (lineNo == 1) {
            int version = 0;
            if (key != KMagic || !ParseUnsigned(value, version))
                throw fail("not a replay file (it does not start with \"kestra-replay\")");
            if (version != KReplayFormat)
                throw fail("replay format " + std::to_string(version) +
                           "; this player reads format " + std::to_string(KReplayFormat));
            continue;
        }
        if (haveEnd) {
            if (line.empty()) continue;
            throw fail("text after the end line");
        }
        auto checkpoint = [&](bool isEnd) {
            const std::size_t gap = value.find(' ');
            TReplayCheckpoint c;
            if (gap == std::string_view::npos || !ParseUnsigned(value.substr(0, gap), c.Frame) ||
                value.size() - gap - 1 != 16 || !ParseUnsigned(value.substr(gap + 1), c.Hash, 16))
                throw fail("expected a frame number and a 16-digit hash");
            const std::uint64_t last =
                replay.Checkpoints.empty() ? 0 : replay.Checkpoints.back().Frame;
            if (c.Frame < last || (c.Frame == last && !isEnd))
                throw fail("frame " + std::to_string(c.Frame) + " comes too early");
            return c;
        };
        if (inInput) {
            if (key == "checkpoint") {
                replay.Checkpoints.push_back(checkpoint(false));
            } else if (key == "end") {
                replay.End = checkpoint(true);
                haveEnd = true;
            } else if (!line.empty() && (line[0] == '#' || (line[0] >= '0' && line[0] <= '9'))) {
                replay.InputLines.emplace_back(line);
            } else if (!line.empty()) {
                throw fail("expected an input line, a checkpoint or the end");
            }
            continue;
        }
        if (key == "player") {
            replay.Player = value;
            have[0] = true;
        } else if (key == "game") {
            replay.Game = value;
            have[1] = true;
        } else if (key == "data") {
            if (value.size() != 16 || !ParseUnsigned(value, replay.DataHash, 16))
                throw fail("the data hash is not 16 hex digits");
            have[2] = true;
        } else if (key == "seed") {
            if (!ParseUnsigned(value, replay.Seed)) throw fail("the seed is not a number");
            have[3] = true;
        } else if (key == "clock") {
            if (!ParseUnsigned(value, replay.ClockStart) || replay.ClockStart < 0)
                throw fail("the clock is not a number");
            have[4] = true;
        } else if (key == "word") {
            replay.Words.emplace_back(value);
        } else if (key == "save") {
            const std::size_t gap = value.find(' ');
            std::string file(value.substr(0, gap));
            std::vector<std::uint8_t> bytes;
            if (gap == std::string_view::npos || !IsSaveName(FoldAsciiCase(file)) ||
                !Unhex(value.substr(gap + 1), bytes))
                throw fail("expected a save file name (Save01.lsd to Save15.lsd) and hex bytes");
            replay.Saves.emplace_back(std::move(file), std::move(bytes));
        } else if (key == "input") {
            static constexpr const char* names[] = {"player", "game", "data", "seed", "clock"};
            for (int i = 0; i < 5; ++i)
                if (!have[i]) throw fail(std::string("the header has no ") + names[i] + " line");
            inInput = true;
        } else if (!line.empty() && line[0] != '#') {
            throw fail("unknown header line '" + std::string(key) + "'");
        }
    }
    if (lineNo == 0) throw EReplayError(name + ": the file is empty");
    if (!haveEnd)
        throw EReplayError(name + ": the replay has no end line (the recording did not finish)");
    if (!replay.Checkpoints.empty() && replay.End.Frame < replay.Checkpoints.back().Frame)
        throw EReplayError(name + ": the end comes before the last checkpoint");
    return replay;
}

TReplayFile ReadReplayFile(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) throw EFileError(path.string() + ": cannot read the replay (" + ec.message() + ")");
    if (size > KMaxReplayBytes)
        throw EReplayError(path.string() + ": the replay is larger than 128 MiB");
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path.string(), KMaxReplayBytes);
    return ParseReplay(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                       path.string());
}

std::string FormatReplayHeader(const TReplayFile& r) {
    std::string out = std::string(KMagic) + " " + std::to_string(KReplayFormat) + "\n";
    out += "player " + r.Player + "\n";
    out += "game " + r.Game + "\n";
    out += "data " + HashText(r.DataHash) + "\n";
    out += "seed " + std::to_string(r.Seed) + "\n";
    out += "clock " + std::to_string(r.ClockStart) + "\n";
    for (const std::string& word : r.Words) out += "word " + word + "\n";
    for (const auto& [file, bytes] : r.Saves) out += "save " + file + " " + Hex(bytes) + "\n";
    out += "input\n";
    return out;
}

std::string FormatReplay(const TReplayFile& r) {
    // A recording writes the checkpoints among the input lines as they come; reading
    // does not need that order, so a rewritten file has them after the input.
    std::string out = FormatReplayHeader(r) + r.InputScript();
    for (const TReplayCheckpoint& c : r.Checkpoints)
        out += "checkpoint " + std::to_string(c.Frame) + " " + HashText(c.Hash) + "\n";
    out += "end " + std::to_string(r.End.Frame) + " " + HashText(r.End.Hash) + "\n";
    return out;
}

std::uint64_t GameDataHash(const fs::path& gameDir) {
    std::vector<std::pair<std::string, fs::path>> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(gameDir, ec)) {
        std::string lower = FoldAsciiCase(entry.path().filename().string());
        if (IsDataName(lower) && entry.is_regular_file(ec)) files.emplace_back(lower, entry.path());
    }
    std::sort(files.begin(), files.end());
    THasher h;
    std::vector<char> buffer(1 << 16);
    for (const auto& [lower, path] : files) {
        h.Add(lower.data(), lower.size() + 1);
        std::ifstream in(path, std::ios::binary);
        std::uint64_t size = 0;
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            h.Add(buffer.data(), static_cast<std::size_t>(in.gcount()));
            size += static_cast<std::uint64_t>(in.gcount());
        }
        h.Add(&size, sizeof size);
    }
    return h.H;
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> ReadSaveFiles(const fs::path& dir) {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> saves;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string file = entry.path().filename().string();
        if (!IsSaveName(FoldAsciiCase(file)) || !entry.is_regular_file(ec)) continue;
        if (entry.file_size(ec) > KMaxSaveBytes || ec) continue; // not a save this player reads
        try {
            saves.emplace_back(file, ReadFileBytes(entry.path().string(), KMaxSaveBytes));
        } catch (const EKestraError&) {
            // unreadable: the game will not read it either
        }
    }
    std::sort(saves.begin(), saves.end());
    return saves;
}

TScratchDir::TScratchDir(const std::string& prefix) {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw EFileError("no temporary directory for a scratch folder (" + ec.message() + ")");
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = base / (prefix + "-" + HashText(random()).substr(8));
        if (fs::create_directory(dir, ec)) {
            path_ = dir;
            return;
        }
    }
    throw EFileError(base.string() + ": cannot make a scratch folder (" + ec.message() + ")");
}

TScratchDir::~TScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TReplayRecorder::TReplayRecorder(const fs::path& path, const TReplayFile& header) : path_(path) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) throw EFileError(path.string() + ": cannot create the replay");
    std::string text = FormatReplayHeader(header);
    text.pop_back(); // Write ends the line
    Write(text);
}

TReplayRecorder::~TReplayRecorder() {
    if (file_) std::fclose(file_);
}

void TReplayRecorder::Write(const std::string& line) {
    if (std::fputs(line.c_str(), file_) < 0 || std::fputc('\n', file_) < 0 ||
        std::fflush(file_) != 0)
        throw EFileError(path_.string() + ": cannot write the replay");
}

void TReplayRecorder::WriteInputLine(const std::string& line) {
    if (!finished_) Write(line);
}

void TReplayRecorder::Frame(std::uint64_t frame, bool presented, const TKandelBoard& board) {
    if (!presented || finished_) return;
    lastPresented_ = frame;
    if (frame < nextCheckpoint_) return;
    Write("checkpoint " + std::to_string(frame) + " " + HashText(BoardHash(board)));
    nextCheckpoint_ = (frame / KReplayCheckpointFrames + 1) * KReplayCheckpointFrames;
}

void TReplayRecorder::Finish(const TKandelBoard& board) {
    if (finished_) return;
    finished_ = true;
    Write("end " + std::to_string(lastPresented_) + " " + HashText(BoardHash(board)));
}

TReplayChecker::TReplayChecker(fs::path path, TReplayFile replay, bool approve)
    : path_(std::move(path)), replay_(std::move(replay)), approve_(approve) {}

void TReplayChecker::Mismatch(const TReplayCheckpoint& expected, std::uint64_t actual,
                              const TKandelBoard& board) {
    const fs::path base = path_.parent_path() / path_.stem();
    const fs::path shot = base.string() + ".frame" + std::to_string(expected.Frame) + ".png";
    std::string message = path_.string() + ": frame " + std::to_string(expected.Frame) +
                          " differs: expected board " + HashText(expected.Hash) + ", got " +
                          HashText(actual) + "; its picture is in " + shot.string();
    WriteBoardPng(board, shot);
    if (lastMatch_.Width() > 0) {
        const fs::path good =
            base.string() + ".frame" + std::to_string(lastMatchFrame_) + ".match.png";
        WriteBoardPng(lastMatch_, good);
        message += ", the last matching checkpoint's (frame " + std::to_string(lastMatchFrame_) +
                   ") in " + good.string();
    }
    throw EReplayMismatch(message);
}

void TReplayChecker::Frame(std::uint64_t frame, bool presented, const TKandelBoard& board) {
    if (endSeen_) return;
    if (approve_) {
        if (presented && (frame % KReplayCheckpointFrames == 0 || frame == replay_.End.Frame))
            approved_.push_back({frame, BoardHash(board)});
        if (frame >= replay_.End.Frame) endSeen_ = true;
        return;
    }
    // The last checkpoint and the end may name the same frame.
    while (!endSeen_) {
        const bool isEnd = next_ >= replay_.Checkpoints.size();
        const TReplayCheckpoint& expected = isEnd ? replay_.End : replay_.Checkpoints[next_];
        if (frame < expected.Frame) return;
        if (!presented) {
            ++skipped_;
        } else {
            ++checked_;
            const std::uint64_t actual = BoardHash(board);
            if (actual != expected.Hash) Mismatch(expected, actual, board);
            lastMatch_.SetSize(board.Width(), board.Height());
            lastMatch_.CopyBoard(0, 0, board.GetBounds(), board);
            lastMatchFrame_ = frame;
        }
        if (isEnd)
            endSeen_ = true;
        else
            ++next_;
    }
}

TReplayFile TReplayChecker::Finish(std::uint64_t lastFrame) {
    if (!endSeen_)
        throw EReplayMismatch(path_.string() + ": the run stopped at frame " +
                              std::to_string(lastFrame) + ", before the replay's end at frame " +
                              std::to_string(replay_.End.Frame));
    TReplayFile result = replay_;
    if (approve_ && !approved_.empty()) {
        result.End = approved_.back();
        approved_.pop_back();
        result.Checkpoints = approved_;
    }
    return result;
}

} // namespace kestra

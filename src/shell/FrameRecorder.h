#pragma once
// What a test run records of the frames it shows: a hash of the board per frame,
// PNG screenshots at chosen frames, and the frame at which the run ends.
#include "graphics/KandelBitmap.h"
#include "graphics/KandelBoard.h"
#include "shell/GameConfig.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace kestra {

// FNV-1a, 64 bits, over the pixels as little-endian 16-bit values, row by row.
std::uint64_t BoardHash(const TKandelBoard& board);

// The board as a 24-bit image; 5 and 6-bit channels widened by repeating their top bits.
TKandelBitmap BoardToBitmap(const TKandelBoard& board);
// Raises EFileError naming the file when it cannot be written.
void WriteBoardPng(const TKandelBoard& board, const std::filesystem::path& path);

class TFrameRecorder {
public:
    // Raises EFileError when the hash log cannot be created.
    TFrameRecorder(const std::optional<std::filesystem::path>& hashLog,
                   std::vector<TScreenshotRequest> screenshots,
                   std::optional<std::uint64_t> frameLimit);
    ~TFrameRecorder();
    TFrameRecorder(const TFrameRecorder&) = delete;
    TFrameRecorder& operator=(const TFrameRecorder&) = delete;

    // Records frame `frame` (from 1). True when the run has shown all its frames.
    bool Record(std::uint64_t frame, const TKandelBoard& board);

private:
    std::filesystem::path hashLogPath_;
    std::FILE* hashLog_ = nullptr;
    std::vector<TScreenshotRequest> screenshots_;
    std::optional<std::uint64_t> frameLimit_;
};

} // namespace kestra

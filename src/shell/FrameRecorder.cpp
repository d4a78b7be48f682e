#include "shell/FrameRecorder.h"

#include "base/Errors.h"
#include "graphics/KandelPng.h"

#include <cinttypes>

namespace kestra {

std::uint64_t BoardHash(const TKandelBoard& board) {
    std::uint64_t h = 14695981039346656037ull;
    auto mix = [&h](std::uint8_t byte) {
        h ^= byte;
        h *= 1099511628211ull;
    };
    for (int y = 0; y < board.Height(); ++y) {
        const std::uint16_t* row = board.ScanLine(y);
        for (int x = 0; x < board.Width(); ++x) {
            mix(static_cast<std::uint8_t>(row[x] & 0xFF));
            mix(static_cast<std::uint8_t>(row[x] >> 8));
        }
    }
    return h;
}

TKandelBitmap BoardToBitmap(const TKandelBoard& board) {
    TKandelBitmap bitmap;
    bitmap.Reset(TPixelFormat::Rgb24, board.Width(), board.Height());
    for (int y = 0; y < board.Height(); ++y) {
        const std::uint16_t* src = board.ScanLine(y);
        std::uint8_t* dst = bitmap.Row(y);
        for (int x = 0; x < board.Width(); ++x) {
            unsigned p = src[x];
            unsigned r = p >> 11, g = (p >> 5) & 63, b = p & 31;
            dst[3 * x + 0] = static_cast<std::uint8_t>(b << 3 | b >> 2);
            dst[3 * x + 1] = static_cast<std::uint8_t>(g << 2 | g >> 4);
            dst[3 * x + 2] = static_cast<std::uint8_t>(r << 3 | r >> 2);
        }
    }
    return bitmap;
}

void WriteBoardPng(const TKandelBoard& board, const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    WritePng(BoardToBitmap(board), bytes);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw EFileError(path.string() + ": cannot create the screenshot");
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) throw EFileError(path.string() + ": cannot write the screenshot");
}

TFrameRecorder::TFrameRecorder(const std::optional<std::filesystem::path>& hashLog,
                               std::vector<TScreenshotRequest> screenshots,
                               std::optional<std::uint64_t> frameLimit)
    : screenshots_(std::move(screenshots)), frameLimit_(frameLimit) {
    if (hashLog) {
        hashLogPath_ = *hashLog;
        hashLog_ = std::fopen(hashLog->c_str(), "w");
        if (!hashLog_) throw EFileError(hashLog->string() + ": cannot create the hash log");
    }
}

TFrameRecorder::~TFrameRecorder() {
    if (hashLog_) std::fclose(hashLog_);
}

bool TFrameRecorder::Record(std::uint64_t frame, const TKandelBoard& board) {
    // Flushed per line: a run that dies still leaves the frames it showed.
    if (hashLog_ &&
        (std::fprintf(hashLog_, "%" PRIu64 " %016" PRIx64 "\n", frame, BoardHash(board)) < 0 ||
         std::fflush(hashLog_) != 0))
        throw EFileError(hashLogPath_.string() + ": cannot write the hash log");
    for (const TScreenshotRequest& shot : screenshots_)
        if (shot.Frame == frame) WriteBoardPng(board, shot.Path);
    return frameLimit_ && frame >= *frameLimit_;
}

} // namespace kestra

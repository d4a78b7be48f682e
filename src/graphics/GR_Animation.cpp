#include "graphics/GR_Animation.h"

#include <algorithm>

#include "base/Errors.h"

namespace kestra {

namespace {

// Timings lit more frames than an animation may have are ignored beyond this.
constexpr std::int64_t KMaxTableFrames = 100000;

} // namespace

TVezAnimationGraphic::TVezAnimationGraphic(TFinder find) : Find(std::move(find)) {
    Sheet.AutoSize = true;
    Sheet.Transparent = true;
}

void TVezAnimationGraphic::SetAnimation(const TVezAnimationItem& record, bool noFlash) {
    Record_ = &record;
    LoadPicture(record.Graphic);
    TargetTable.clear();
    ScreenTable.clear();
    if (!noFlash) BuildFlashTables();
}

void TVezAnimationGraphic::LoadPicture(const std::string& name) {
    if (name == PictureName && Sheet.Width() > 0) return;
    Unload();
    if (name.empty()) return;
    const std::string path = Find(name, "Battle");
    if (path.empty()) throw EFileError("battle animation picture \"" + name + "\" not found");
    Sheet.LoadFromFile(path, true);
    Sheet.Transparent = true;
    PictureName = name;
}

void TVezAnimationGraphic::Unload() {
    PictureName.clear();
    Sheet.SetSize(0, 0);
}

std::int32_t TVezAnimationGraphic::FrameCount() const {
    return Record_ == nullptr ? 0 : static_cast<std::int32_t>(Record_->Frames.Count());
}

void TVezAnimationGraphic::BuildFlashTables() {
    const std::int64_t size =
        std::min<std::int64_t>(static_cast<std::int64_t>(FrameCount()) + 10, KMaxTableFrames);
    TargetTable.assign(static_cast<std::size_t>(size), {});
    ScreenTable.assign(static_cast<std::size_t>(size), {});
    for (std::size_t i = 0; i < Record_->Timings.Count(); ++i) {
        const auto& t = Record_->Timings.At(i);
        if (t.FlashScope == 0) continue;
        auto& table = t.FlashScope == 1 ? TargetTable : ScreenTable;
        const std::int64_t n = t.Frame;
        for (std::int64_t j = n - 1; j <= n + 4; ++j) {
            if (j < 0 || j >= size) continue;
            const std::int64_t strength = std::min<std::int64_t>(
                31, static_cast<std::int64_t>(t.FlashStrength) * (n - j + 6) / 6);
            table[static_cast<std::size_t>(j)] = {
                std::clamp(t.FlashRed, 0, 31), std::clamp(t.FlashGreen, 0, 31),
                std::clamp(t.FlashBlue, 0, 31),
                static_cast<int>(std::max<std::int64_t>(0, strength))};
        }
    }
}

TVezAnimationFlash TVezAnimationGraphic::TargetFlash(int frame) const {
    if (frame < 0 || static_cast<std::size_t>(frame) >= TargetTable.size()) return {};
    return TargetTable[static_cast<std::size_t>(frame)];
}

TVezAnimationFlash TVezAnimationGraphic::ScreenFlash(int frame) const {
    if (frame < 0 || static_cast<std::size_t>(frame) >= ScreenTable.size()) return {};
    return ScreenTable[static_cast<std::size_t>(frame)];
}

std::int32_t TVezAnimationGraphic::TimingSpan() const {
    if (Record_ == nullptr || Record_->Timings.Count() == 0) return 0;
    const auto& last = Record_->Timings.At(Record_->Timings.Count() - 1);
    return std::clamp(last.Frame, 0, 20);
}

TRect TVezAnimationGraphic::CellSource(std::int32_t pattern) {
    const std::int32_t p = std::max(pattern, 0);
    return RectOfSize((p % KAnimationCellsPerRow) * KAnimationCellSize,
                      (p / KAnimationCellsPerRow) * KAnimationCellSize, KAnimationCellSize,
                      KAnimationCellSize);
}

void TVezAnimationGraphic::PlayFrameSounds(
    int frame, const std::function<void(const TVezSound&)>& play) const {
    if (Record_ == nullptr) return;
    for (std::size_t i = 0; i < Record_->Timings.Count(); ++i) {
        const auto& t = Record_->Timings.At(i);
        if (static_cast<std::int64_t>(t.Frame) != static_cast<std::int64_t>(frame) + 1) continue;
        if (t.Sound.Name == "(OFF)") continue;
        play(t.Sound);
    }
}

void TVezAnimationGraphic::DrawAnimationFrame(TKandelBoard& board, int x, int y, int frame) {
    if (Record_ == nullptr || frame < 0 || frame >= FrameCount() || Sheet.Width() <= 0) return;
    const auto& cells = Record_->Frames.At(static_cast<std::size_t>(frame)).Cells;
    const TVezAnimationFlash flash = ScreenFlash(frame);
    for (std::size_t i = 0; i < cells.Count(); ++i) {
        const auto& cell = cells.At(i);
        if (!cell.Visible) continue;
        Sheet.ScreenColorControl.SetFlash(flash.Red, flash.Green, flash.Blue, flash.Strength,
                                          false);
        Sheet.ColorControl.SetTone(cell.Red, cell.Green, cell.Blue, cell.Saturation, false);
        Sheet.UpdateColors();
        Sheet.Opacity =
            std::clamp((100 - std::clamp(cell.Transparency, 0, 100)) * 255 / 100, 0, 255);
        const double zoom = cell.Zoom / 100.0;
        const std::int64_t cx = static_cast<std::int64_t>(x) + cell.X;
        const std::int64_t cy = static_cast<std::int64_t>(y) + cell.Y;
        board.DrawSheetZoomed(static_cast<int>(std::clamp<std::int64_t>(cx, -100000, 100000)),
                              static_cast<int>(std::clamp<std::int64_t>(cy, -100000, 100000)),
                              CellSource(cell.Cell), Sheet, KAnimationCellSize / 2,
                              KAnimationCellSize / 2, zoom);
    }
    Sheet.Opacity = 255;
}

} // namespace kestra

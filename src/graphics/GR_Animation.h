#pragma once
// A battle animation as it is drawn: the cells of its "Battle" picture (96 x 96, five to
// a row), every frame's cells placed, zoomed, toned and made translucent around a
// point, the sounds of a frame, and the flash each frame gives its target and the
// screen. Where and when a frame shows is the caller's business (the battle, the map).
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/LD_Animation.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

namespace kestra {

// One frame's flash: colour 0..31 and strength 0..31 (0: none).
struct TVezAnimationFlash {
    int Red = 0, Green = 0, Blue = 0, Strength = 0;
    bool operator==(const TVezAnimationFlash&) const = default;
};

inline constexpr int KAnimationCellSize = 96;
inline constexpr int KAnimationCellsPerRow = 5;

class TVezAnimationGraphic {
public:
    // A picture file of an asset folder for a name, or "" when there is none.
    using TFinder = std::function<std::string(std::string_view name, std::string_view folder)>;
    explicit TVezAnimationGraphic(TFinder find);

    // Takes the record (kept by reference: the database outlives the graphic), loads
    // its picture and builds the flash tables (left empty with `noFlash`). A picture
    // that cannot be found or read raises an error naming it.
    void SetAnimation(const TVezAnimationItem& record, bool noFlash);
    void LoadPicture(const std::string& name);
    void Unload();
    const TVezAnimationItem* Record() const { return Record_; }
    std::int32_t FrameCount() const;

    // Every visible cell of frame `frame` around (x, y); the frame's screen flash goes
    // to the cells' screen colour control.
    void DrawAnimationFrame(TKandelBoard& board, int x, int y, int frame);
    // The sounds of the timings of frame `frame` (timing frame numbers count from 1),
    // except "(OFF)".
    void PlayFrameSounds(int frame, const std::function<void(const TVezSound&)>& play) const;
    TVezAnimationFlash TargetFlash(int frame) const;
    TVezAnimationFlash ScreenFlash(int frame) const;
    // The frame number of the last timing, at most 20; 0 without timings.
    std::int32_t TimingSpan() const;

    // The source square of cell pattern p.
    static TRect CellSource(std::int32_t pattern);

    TKandelSheet Sheet;

private:
    void BuildFlashTables();

    TFinder Find;
    const TVezAnimationItem* Record_ = nullptr;
    std::string PictureName;
    std::vector<TVezAnimationFlash> TargetTable, ScreenTable;
};

} // namespace kestra

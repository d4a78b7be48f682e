#pragma once
// The character-set cache: character pictures (288 x 256, eight characters of
// 3 x 4 frames of 24 x 32) by name, and the drawing of one frame with transparency
// levels and the bush effect.
#include "graphics/GR_ChipSet.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

#include <memory>
#include <string>
#include <vector>

namespace kestra {

inline constexpr int KCharSetWidth = 288;
inline constexpr int KCharSetHeight = 256;
inline constexpr int KCharFrameWidth = 24;
inline constexpr int KCharFrameHeight = 32;
// Purge frees unused entries only while the cache holds at least this many.
inline constexpr std::size_t KCharSetCacheKeep = 20;

// Full and half opacity of a transparency level (0..7; clamped to 0..8).
int CharacterOpacity(int level);
int CharacterHalfOpacity(int level);
// Source rectangle of a frame; walking pattern 3 shows frame 1. Empty for a
// character outside 0..7, a pattern outside 0..3 or a direction outside 0..3.
TRect CharacterFrame(int character, int pattern, int direction);

class TVezCharSetGraphic {
public:
    TAssetFinder FindAsset;
    // Applied to every sheet when it is drawn.
    bool Transparent = true;
    bool Greyscale = false;
    // Transparency level 0..7 for the next draw.
    int Level = 0;

    // The entry of a name, loaded from the "CharSet" folder when not cached and
    // marked used. A picture that is missing or broken raises an error naming it (an
    // author's misspelt name shows at once), and nothing is cached for it.
    int Use(const std::string& name);
    // -1 when absent.
    int IndexOf(const std::string& name) const;
    // Null for an index outside the cache.
    TKandelSheet* Sheet(int index);
    std::size_t Count() const { return Entries.size(); }
    const std::string& Name(int index) const {
        return Entries.at(static_cast<std::size_t>(index)).Name;
    }
    bool IsUsed(int index) const { return Entries.at(static_cast<std::size_t>(index)).Used; }
    // Adds a picture held in memory under a name (tests, tools), marked used.
    int AddBitmap(const std::string& name, const TKandelBitmap& bitmap);

    void ClearUsed();
    // Walks the entries but the last: used ones stay; an unused one is freed only
    // while the cache holds at least KCharSetCacheKeep entries, and the walk stops at
    // the first unused entry when fewer remain. Indexes after a freed entry move down.
    void Purge();
    void Clear() { Entries.clear(); }

    // Draws one frame with its bottom centre at (x, y). Bush 0: whole frame at full
    // opacity; 1: bottom 11 rows at half; 2: bottom 16 rows at half; 3: all at half;
    // other values, and indexes outside the cache, draw nothing.
    void DrawCharacter(TKandelBoard& board, int x, int y, int bush, int pattern, int direction,
                       int character, int index);

private:
    struct TEntry {
        std::string Name;
        std::unique_ptr<TKandelSheet> Sheet;
        bool Used = false;
    };
    std::vector<TEntry> Entries;
};

} // namespace kestra

#include "graphics/GR_CharSet.h"

#include "base/Errors.h"

#include <algorithm>

namespace kestra {

int CharacterOpacity(int level) {
    return 255 - 30 * std::clamp(level, 0, 8);
}

int CharacterHalfOpacity(int level) {
    return CharacterOpacity(level) / 2;
}

TRect CharacterFrame(int character, int pattern, int direction) {
    if (character < 0 || character > 7 || pattern < 0 || pattern > 3 || direction < 0 ||
        direction > 3)
        return {};
    int frame = pattern == 3 ? 1 : pattern;
    return RectOfSize((character % 4) * 72 + frame * KCharFrameWidth,
                      (character / 4) * 128 + direction * KCharFrameHeight, KCharFrameWidth,
                      KCharFrameHeight);
}

namespace {

std::unique_ptr<TKandelSheet> BlankSheet() {
    auto sheet = std::make_unique<TKandelSheet>();
    sheet->SetSize(KCharSetWidth, KCharSetHeight);
    return sheet;
}

} // namespace

int TVezCharSetGraphic::Use(const std::string& name) {
    int index = IndexOf(name);
    if (index >= 0) {
        Entries[static_cast<std::size_t>(index)].Used = true;
        return index;
    }
    auto sheet = BlankSheet();
    std::string path = FindAsset ? FindAsset(name, "CharSet") : std::string();
    if (path.empty()) throw EFileError("CharSet/" + name + ": character set not found");
    sheet->LoadFromFile(path, true);
    Entries.push_back({name, std::move(sheet), true});
    return static_cast<int>(Entries.size()) - 1;
}

int TVezCharSetGraphic::AddBitmap(const std::string& name, const TKandelBitmap& bitmap) {
    auto sheet = BlankSheet();
    sheet->LoadFromBitmap(bitmap);
    int index = IndexOf(name);
    if (index >= 0) {
        Entries[static_cast<std::size_t>(index)] = {name, std::move(sheet), true};
        return index;
    }
    Entries.push_back({name, std::move(sheet), true});
    return static_cast<int>(Entries.size()) - 1;
}

int TVezCharSetGraphic::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].Name == name) return static_cast<int>(i);
    return -1;
}

TKandelSheet* TVezCharSetGraphic::Sheet(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Entries.size()) return nullptr;
    return Entries[static_cast<std::size_t>(index)].Sheet.get();
}

void TVezCharSetGraphic::ClearUsed() {
    for (TEntry& e : Entries) e.Used = false;
}

void TVezCharSetGraphic::Purge() {
    std::size_t i = 0;
    while (i + 1 < Entries.size()) {
        if (Entries[i].Used) {
            ++i;
        } else if (Entries.size() >= KCharSetCacheKeep) {
            Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            break;
        }
    }
}

void TVezCharSetGraphic::DrawCharacter(TKandelBoard& board, int x, int y, int bush, int pattern,
                                       int direction, int character, int index) {
    TKandelSheet* sheet = Sheet(index);
    TRect frame = CharacterFrame(character, pattern, direction);
    if (sheet == nullptr || frame.Empty() || bush < 0 || bush > 3) return;
    sheet->Transparent = Transparent;
    sheet->ColorControl.SetTone(100, 100, 100, Greyscale ? 0 : 100, true);
    const int full = CharacterOpacity(Level);
    const int half = CharacterHalfOpacity(Level);
    // Rows drawn at half opacity, counted from the bottom of the frame.
    static constexpr int KHalfRows[4] = {0, 11, 16, KCharFrameHeight};
    const int split = KCharFrameHeight - KHalfRows[bush];
    const int left = x - KCharFrameWidth / 2, top = y - KCharFrameHeight;
    if (split > 0) {
        sheet->Opacity = full;
        board.DrawSheet(left, top, {frame.Left, frame.Top, frame.Right, frame.Top + split}, *sheet);
    }
    if (split < KCharFrameHeight) {
        sheet->Opacity = half;
        board.DrawSheet(left, top + split,
                        {frame.Left, frame.Top + split, frame.Right, frame.Bottom}, *sheet);
    }
}

} // namespace kestra

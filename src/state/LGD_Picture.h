#pragma once
// The twenty numbered pictures that events show, move and erase over the map. Saved as
// chunk 103 of a save file; their images are not saved but loaded again from the names.
#include <cstdint>
#include <string>

#include "data/Catalog.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

namespace kestra {

class TLcfgGameState;
class TLcfgScreen;

inline constexpr std::int32_t KPictureCount = 20;
inline constexpr std::int32_t KPictureEffectNone = 0;
inline constexpr std::int32_t KPictureEffectRotation = 1;
inline constexpr std::int32_t KPictureEffectWaver = 2;

// What Show picture gives.
struct TPictureShow {
    std::string Name;
    std::int32_t X = 0, Y = 0;
    bool ScrollsWithMap = false;
    std::int32_t Magnification = 100, Transparency = 0;
    bool UseTransparentColour = false;
    std::int32_t Red = 100, Green = 100, Blue = 100, Saturation = 100;
    std::int32_t Effect = KPictureEffectNone, EffectStrength = 0;
};

// What Move picture gives.
struct TPictureMove {
    std::int32_t X = 0, Y = 0;
    std::int32_t Magnification = 100, Transparency = 0;
    std::int32_t Red = 100, Green = 100, Blue = 100, Saturation = 100;
    std::int32_t Effect = KPictureEffectNone, EffectStrength = 0;
    std::int32_t Frames = 0;
};

class TLcfgPictureItem : public TCatalogItem {
public:
    explicit TLcfgPictureItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    TLcfgPictureItem(const TLcfgPictureItem&) = delete;
    TLcfgPictureItem& operator=(const TLcfgPictureItem&) = delete;
    void DescribeChunks(TChunkVisitor& v) override;
    // Values a save may hold out of range come back within them.
    void LoadFromStream(TByteReader& reader) override;

    // Every value from the command; targets equal to the values, no move, no angle.
    // The image is loaded by the list.
    void Show(const TPictureShow& show);
    void Move(const TPictureMove& move);
    // The name and image go; the other values stay.
    void Erase();
    void Update();
    // The view scrolled by `amount` (1/16 pixel) in a straight direction (0 up .. 3
    // left): a picture that scrolls with the map moves the other way.
    void Scrolled(int direction, std::int32_t amount);
    bool HasImage() const { return !Name.empty() && Image.Width() > 0 && Image.Height() > 0; }
    // The angle drawn (0..255): the rotation's, or what a wound-down rotation left.
    int DrawnAngle() const;
    void Draw(TKandelBoard& board, const TLcfgScreen& screen);

    // Saved.
    std::string Name;
    double OriginX, OriginY;
    double X, Y;
    bool ScrollsWithMap;
    double Magnification, Transparency;
    bool UseTransparentColour;
    double Red, Green, Blue, Saturation;
    std::int32_t Effect;
    double EffectStrength;
    double TargetX, TargetY;
    std::int32_t TargetMagnification, TargetTransparency;
    std::int32_t TargetRed, TargetGreen, TargetBlue, TargetSaturation;
    std::int32_t TargetEffectStrength;
    std::int32_t MoveFrames;
    double Angle;
    std::int32_t WaverPhase;

    // Not saved.
    TKandelSheet Image;
};

// Exactly the pictures 1..20, drawn in number order.
class TLcfgPicture : public TCatalogOf<TLcfgPictureItem> {
public:
    explicit TLcfgPicture(TLcfgGameState& game);
    TLcfgPicture(const TLcfgPicture&) = delete;
    TLcfgPicture& operator=(const TLcfgPicture&) = delete;

    // Twenty pictures with their initial values and no images.
    void Reset();
    // A list that is not exactly 1..20 keeps its pictures 1..20 and gains the missing
    // ones; the images are loaded again from the names (a name without a file shows
    // nothing).
    void LoadFromStream(TByteReader& reader) override;
    void Normalise();

    // Numbers outside 1..20 do nothing. Show raises EFileError when the name has no
    // picture file.
    void Show(std::int32_t number, const TPictureShow& show);
    void Move(std::int32_t number, const TPictureMove& move);
    void Erase(std::int32_t number);
    void EraseAll();
    void UpdateAll();
    void ScrollAll(int direction, std::int32_t amount);
    // Pictures with an image, 1 to 20, with the screen's flash and shake.
    void DrawAll(TKandelBoard& board, const TLcfgScreen& screen);
    // Null outside 1..20.
    TLcfgPictureItem* Picture(std::int32_t number) const;

private:
    bool LoadImage(TLcfgPictureItem& item, bool raiseErrors);
    TLcfgGameState& Game;
};

} // namespace kestra

#include "graphics/GR_ChipSet.h"

#include "base/Errors.h"
#include "graphics/KandelSpan.h"

#include <algorithm>

namespace kestra {

TVezChipSetGraphic::TVezChipSetGraphic() {
    Picture.SetSize(KChipSetWidth, KChipSetHeight);
    ComputeFlags();
}

TAssetFinder PictureFinder(TAssetLookup& assets) {
    return [&assets](const std::string& name, const std::string& folder) {
        auto path = assets.FindAssetFile(name, folder, KPictureExtensions);
        return path ? path->string() : std::string();
    };
}

void TVezChipSetGraphic::SetChipSet(const TVezChipSetItem& record) {
    SetWaterAnimation(record.WaterSequence, record.WaterSpeed);
    LoadChipSet(record.Graphic);
}

void TVezChipSetGraphic::SetWaterAnimation(int sequence, int speed) {
    WaterSequence_ = sequence;
    WaterSpeed_ = speed;
}

void TVezChipSetGraphic::LoadChipSet(const std::string& name) {
    if (name == Name) return;
    Picture.Clear();
    // The name is forgotten until the new picture is in, so a failed load is retried.
    Name.clear();
    if (!name.empty()) {
        std::string path = FindAsset ? FindAsset(name, "ChipSet") : std::string();
        if (path.empty()) {
            ComputeFlags();
            throw EFileError("ChipSet/" + name + ": chip set picture not found");
        }
        try {
            Picture.LoadFromFile(path, true);
        } catch (...) {
            Picture.Clear();
            ComputeFlags();
            throw;
        }
    }
    Name = name;
    ComputeFlags();
}

void TVezChipSetGraphic::LoadChipSetBitmap(const TKandelBitmap& bitmap, const std::string& name) {
    Picture.Clear();
    Name.clear();
    Picture.LoadFromBitmap(bitmap);
    Name = name;
    ComputeFlags();
}

void TVezChipSetGraphic::SetTranslucency(int level) {
    Picture.Opacity = 255 - 30 * std::clamp(level, 0, 8);
}

void TVezChipSetGraphic::ComputeFlags() {
    auto cell = [](TTilePoint p, int w, int h) { return RectOfSize(p.X, p.Y, w, h); };
    // Water: the frames and edge pieces of all three tables.
    bool water = Picture.IsAreaSolid(RectOfSize(0, 0, 96, 64)) &&
                 Picture.IsAreaSolid(RectOfSize(0, 64, 48, 64));
    for (int t = 0; t < KWaterTypeCount; ++t) {
        LowerOpaque[static_cast<std::size_t>(t)] = water;
        LowerEmpty[static_cast<std::size_t>(t)] = false;
    }
    for (int a = 0; a < KAnimatedTileCount; ++a) {
        std::size_t e = static_cast<std::size_t>(3 + a);
        LowerOpaque[e] = Picture.IsAreaSolid(cell(AnimatedColumnOrigin(a), 16, 64));
        LowerEmpty[e] = false;
    }
    for (int a = 0; a < KAutotileCount; ++a) {
        std::size_t e = static_cast<std::size_t>(6 + a);
        LowerOpaque[e] =
            Picture.IsAreaSolid(cell(KAutotileBlocks[static_cast<std::size_t>(a)], 48, 64));
        LowerEmpty[e] = false;
    }
    for (int k = 0; k < 144; ++k) {
        std::size_t e = static_cast<std::size_t>(18 + k);
        TRect r = cell(LowerTileCell(k), 16, 16);
        LowerOpaque[e] = Picture.IsAreaSolid(r);
        LowerEmpty[e] = Picture.IsAreaEmpty(r);
        UpperEmpty[static_cast<std::size_t>(k)] =
            Picture.IsAreaEmpty(cell(UpperTileCell(k), 16, 16));
    }
}

bool TVezChipSetGraphic::IsTileOpaque(int tileId) const {
    // Upper IDs (10000 and more) are never opaque.
    int entry = LowerEntryOf(tileId);
    return entry >= 0 && LowerOpaque[static_cast<std::size_t>(entry)];
}

bool TVezChipSetGraphic::IsLowerEntryEmpty(int entry) const {
    return entry < 0 || entry >= KLowerEntryCount || LowerEmpty[static_cast<std::size_t>(entry)];
}

bool TVezChipSetGraphic::IsUpperEntryEmpty(int entry) const {
    return entry < 0 || entry >= KUpperEntryCount || UpperEmpty[static_cast<std::size_t>(entry)];
}

namespace {

// Draws the pieces of a tile wholly on the board at full opacity.
void CopyPieces(TKandelBoard& board, int x, int y, TKandelSheet& sheet, const TTilePieces& p,
                bool keyed) {
    const int piece = p.Count == 1 ? KTileSize : KTileSize / 2;
    for (std::size_t i = 0; i < static_cast<std::size_t>(p.Count); ++i) {
        const int dx = x + static_cast<int>(i & 1) * piece,
                  dy = y + static_cast<int>(i >> 1) * piece;
        TableBlit(board.ScanLine(dy) + dx, board.Width(),
                  sheet.ScanLine(p.Source[i].Y) + p.Source[i].X, sheet.Width(), piece, piece,
                  sheet.Colors.data(), keyed, 255);
    }
}

} // namespace

bool TVezChipSetGraphic::DrawDirect(TKandelBoard& board, int x, int y, const TTilePieces& pieces,
                                    bool opaque) {
    // Only the plain case: full opacity, the whole tile on the board, every piece
    // inside the picture. Everything else is the board's business.
    if (Picture.Opacity < 255 || x < 0 || y < 0 || x > board.Width() - KTileSize ||
        y > board.Height() - KTileSize)
        return false;
    const int piece = pieces.Count == 1 ? KTileSize : 8;
    for (int i = 0; i < pieces.Count; ++i) {
        const TTilePoint& s = pieces.Source[static_cast<std::size_t>(i)];
        if (s.X < 0 || s.Y < 0 || s.X + piece > Picture.Width() || s.Y + piece > Picture.Height())
            return false;
    }
    // The board rebuilds a sheet's table for its brightness the same way.
    if (Picture.Brightness != board.Brightness) {
        Picture.Brightness = board.Brightness;
        Picture.UpdateColors();
    }
    CopyPieces(board, x, y, Picture, pieces, Picture.Transparent && !opaque);
    return true;
}

void TVezChipSetGraphic::DrawTile(TKandelBoard& board, int x, int y, int tileId, int counter,
                                  int size) {
    if (size <= 0) return;
    TTileClass kind = ClassifyTile(tileId);
    if (Picture.Transparent) {
        if (kind.Kind == TTileKind::Lower && LowerEmpty[static_cast<std::size_t>(18 + kind.Number)])
            return;
        if (kind.Kind == TTileKind::Upper && UpperEmpty[static_cast<std::size_t>(kind.Number)])
            return;
    }
    TTilePieces pieces = TilePieces(tileId, counter, WaterSequence_, WaterSpeed_);
    if (pieces.Count == 0) return;
    if (DirectCopy && size == KTileSize) {
        bool opaque = kind.Kind == TTileKind::Upper
                          ? UpperOpaque[static_cast<std::size_t>(kind.Number)]
                          : LowerOpaque[static_cast<std::size_t>(LowerEntryOf(tileId))];
        if (DrawDirect(board, x, y, pieces, opaque)) return;
    }
    if (pieces.Count == 1) {
        const TTilePoint& s = pieces.Source[0];
        board.StretchSheet(RectOfSize(x, y, size, size), Picture,
                           RectOfSize(s.X, s.Y, KTileSize, KTileSize));
    } else if (pieces.Count == 4) {
        int half = size / 2;
        for (std::size_t i = 0; i < 4; ++i) {
            const TTilePoint& s = pieces.Source[i];
            board.StretchSheet(RectOfSize(x + static_cast<int>(i & 1) * half,
                                          y + static_cast<int>(i >> 1) * half, half, half),
                               Picture, RectOfSize(s.X, s.Y, 8, 8));
        }
    }
}

} // namespace kestra

#include "graphics/GR_Font.h"

#include "base/Errors.h"

#include <algorithm>
#include <filesystem>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace kestra {

namespace {

struct TExtension {
    std::uint16_t Sjis;
    std::uint16_t Unicode;
};

constexpr TExtension KExtensions[] = {
#include "graphics/Cp932Extensions.inc"
};

// Half-width font: JIS X 0201, so 0x5C is the yen sign and 0xA1-0xDF katakana,
// as Japanese text in this code page shows them. Its 0x7E is an overline; the
// tilde comes from the Latin-1 font, the way Japanese system fonts draw it.
constexpr const char* KHalfWidthFont = "shnm6x12r.pcf.gz";
constexpr const char* KLatinFont = "shnm6x12a.pcf.gz";
constexpr const char* KGothicFont = "shnmk12.pcf.gz";
constexpr const char* KMinchoFont = "shnmk12min.pcf.gz";
constexpr const char* KExtensionFont = "f12.pcf.gz";
// The efont Unicode fonts of the other code pages: 6 x 12 and 12 x 12 cells.
constexpr const char* KUnicodeHalfFont = "h12.pcf.gz";
constexpr const char* KUnicodeFullFont = "f12.pcf.gz";

} // namespace

std::uint16_t SjisToJis(std::uint16_t sjis) {
    int s1 = sjis >> 8, s2 = sjis & 0xFF;
    if (!IsCp932LeadByte(static_cast<std::uint8_t>(s1)) || s2 < 0x40 || s2 == 0x7F || s2 > 0xFC)
        return 0;
    int row = s1 <= 0x9F ? (s1 - 0x81) * 2 + 1 : (s1 - 0xE0) * 2 + 63;
    int cell;
    if (s2 >= 0x9F) {
        row += 1;
        cell = s2 - 0x9F + 1;
    } else {
        cell = s2 - 0x40 + 1 - (s2 >= 0x80 ? 1 : 0);
    }
    if (row < 1 || row > 94 || cell < 1 || cell > 94) return 0;
    return static_cast<std::uint16_t>((row + 0x20) << 8 | (cell + 0x20));
}

std::uint32_t Cp932ExtensionToUnicode(std::uint16_t sjis) {
    auto it = std::lower_bound(std::begin(KExtensions), std::end(KExtensions), sjis,
                               [](const TExtension& e, std::uint16_t v) { return e.Sjis < v; });
    return it != std::end(KExtensions) && it->Sjis == sjis ? it->Unicode : 0;
}

struct TGlyphFont::Faces {
    FT_Library library = nullptr;
    FT_Face halfWidth = nullptr, latin = nullptr, gothic = nullptr, mincho = nullptr,
            extension = nullptr;

    ~Faces() {
        for (FT_Face f : {halfWidth, latin, gothic, mincho, extension})
            if (f) FT_Done_Face(f);
        if (library) FT_Done_FreeType(library);
    }

    FT_Face Open(const std::string& dir, const char* file, bool required,
                 const char* package = "xfonts-shinonome") {
        std::string path = (std::filesystem::path(dir) / file).string();
        FT_Face face = nullptr;
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
            if (required)
                throw EFileError(path + ": cannot open the font (install " + package + ")");
            return nullptr;
        }
        // The JIS-encoded bitmap fonts carry one charmap that FreeType does not
        // select by itself; its codes are the raw JIS values.
        if (!face->charmap && face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
        return face;
    }
};

TGlyphFont::TGlyphFont(const TCodePage& codePage, const std::string& fontDir)
    : codePage_(codePage), faces_(std::make_unique<Faces>()) {
    if (FT_Init_FreeType(&faces_->library) != 0)
        throw EKestraError("cannot start the font rasteriser");
    if (codePage.Number() != 932) {
        // halfWidth and gothic hold the Unicode fonts; mincho is gothic.
        faces_->halfWidth = faces_->Open(fontDir, KUnicodeHalfFont, true, "xfonts-efont-unicode");
        faces_->gothic = faces_->Open(fontDir, KUnicodeFullFont, true, "xfonts-efont-unicode");
        return;
    }
    faces_->halfWidth = faces_->Open(fontDir, KHalfWidthFont, true);
    faces_->latin = faces_->Open(fontDir, KLatinFont, true);
    faces_->gothic = faces_->Open(fontDir, KGothicFont, true);
    faces_->mincho = faces_->Open(fontDir, KMinchoFont, true);
    faces_->extension = faces_->Open(fontDir, KExtensionFont, false);
}

TGlyphFont::~TGlyphFont() = default;

std::string TGlyphFont::DefaultFontDir() {
    return "/usr/share/fonts/X11/misc";
}

bool TGlyphFont::HasExtensionFont() const {
    return faces_->extension != nullptr;
}

namespace {

// Renders code from face into mask, the glyph's cell top at row 0 (text sits
// on the font's ascent line, as a raster text call places it).
bool RenderInto(FT_Face face, FT_ULong code, TGlyphMask& mask) {
    if (!face) return false;
    FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0) return false;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    if (ascent <= 0 || ascent > KGlyphSize) ascent = 10;
    int top = ascent - slot->bitmap_top;
    int left = slot->bitmap_left;
    for (unsigned row = 0; row < bm.rows; ++row) {
        int y = top + static_cast<int>(row);
        if (y < 0 || y >= KGlyphSize) continue;
        const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
        for (unsigned col = 0; col < bm.width; ++col) {
            int x = left + static_cast<int>(col);
            if (x < 0 || x >= KGlyphSize) continue;
            bool ink = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (src[col >> 3] >> (7 - (col & 7))) & 1
                                                           : src[col] >= 128;
            if (ink) mask[static_cast<std::size_t>(y * KGlyphSize + x)] = 1;
        }
    }
    return true;
}

} // namespace

const TGlyphMask& TGlyphFont::Glyph(TFontFace face, std::uint16_t code) {
    std::uint32_t key = static_cast<std::uint32_t>(face) << 16 | code;
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    TGlyphMask mask{};
    if (codePage_.Number() != 932) {
        const std::uint32_t unicode = codePage_.ToUnicode(code);
        if (unicode >= 0x20 && unicode != 0x7F && !(unicode >= 0x80 && unicode < 0xA0))
            RenderInto(code <= 0xFF ? faces_->halfWidth : faces_->gothic, unicode, mask);
        return cache_.emplace(key, mask).first->second;
    }
    if (code <= 0xFF) {
        if (code == 0x7E)
            RenderInto(faces_->latin, code, mask);
        else if ((code >= 0x20 && code < 0x7F) || (code >= 0xA1 && code <= 0xDF))
            RenderInto(faces_->halfWidth, code, mask);
    } else {
        FT_Face full = face == TFontFace::Mincho ? faces_->mincho : faces_->gothic;
        std::uint16_t jis = SjisToJis(code);
        if (!(jis && RenderInto(full, jis, mask))) {
            std::uint32_t unicode = Cp932ExtensionToUnicode(code);
            if (unicode) RenderInto(faces_->extension, unicode, mask);
        }
    }
    return cache_.emplace(key, mask).first->second;
}

} // namespace kestra

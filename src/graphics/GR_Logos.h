#pragma once
// The program's own pictures: the three logos shown before the title, drawn
// by code and carried as XYZ files, so they load like any other picture.
#include "graphics/GR_Font.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kestra {

inline constexpr int KLogoCount = 3;

// "LOGO1".."LOGO3" as XYZ file bytes (320 x 240), the same bytes on every call;
// nullopt for any other name. The small lettering uses the glyph font.
std::optional<std::vector<std::uint8_t>> ProgramResource(std::string_view name, TGlyphFont& font);

} // namespace kestra

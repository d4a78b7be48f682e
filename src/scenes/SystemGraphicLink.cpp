#include "scenes/SystemGraphicLink.h"

namespace kestra {

void TVezSystemGraphicLink::SystemGraphicChanged(const std::string& file, std::int32_t background,
                                                 std::int32_t font) {
    // 0 stretches the window background, anything else tiles it.
    System.Tiling = background != 0;
    System.SetFont(font != 0);
    if (file.empty()) {
        TKandelBitmap blank;
        blank.Reset(TPixelFormat::Indexed8, KSystemGraphicWidth, KSystemGraphicHeight);
        System.LoadSystemBitmap(blank);
        return;
    }
    System.LoadSystemGraphic(file);
}

} // namespace kestra

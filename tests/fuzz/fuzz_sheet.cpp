// Image bytes through the path every game picture takes: into a sheet (a fixed size
// with an origin, as face sets and chip sets are cut, or sized by the image), its colour
// table built with tone and flash, and drawn onto a board. Sizes beyond the decoder's
// caps must be refused before anything is allocated.
//
// Input: one byte of flags (bit 0 auto size), two bytes of sheet size, two of origin,
// then the image file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Errors.h"
#include "graphics/KandelBitmap.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestra;
    if (size < 5) return 0;
    TKandelSheet sheet;
    sheet.AutoSize = (data[0] & 1) != 0;
    sheet.Transparent = (data[0] & 2) != 0;
    if (!sheet.AutoSize) sheet.SetSize(1 + data[1] % 96, 1 + data[2] % 96);
    const std::vector<std::uint8_t> image(data + 5, data + size);
    try {
        if (sheet.AutoSize) {
            sheet.LoadFromImageData(image, "fuzz", true);
        } else {
            TKandelBitmap bitmap;
            ReadImage(image, bitmap, "fuzz");
            sheet.LoadFromBitmap(bitmap, data[3] % 64, data[4] % 64);
        }
    } catch (const EKestraError&) {
        return 0;
    }
    if (sheet.Width() > KMaxImageSide || sheet.Height() > KMaxImageSide) __builtin_trap();
    if (static_cast<std::int64_t>(sheet.Width()) * sheet.Height() > KMaxImagePixels)
        __builtin_trap();
    sheet.ColorControl.SetTone(100 + data[1] % 101, 100, 100 - data[2] % 101, 50 + data[3] % 151,
                               false);
    sheet.ScreenColorControl.SetFlash(data[4] % 32, 31, 0, data[0] % 33, false);
    sheet.UpdateColors();
    TKandelBoard board;
    board.SetSize(64, 48);
    board.DrawSheet(-(data[3] % 16), -(data[4] % 16), sheet.GetBounds(), sheet);
    return 0;
}

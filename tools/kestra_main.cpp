// The player program. Until the game shell is in place it opens the window and
// shows a test pattern drawn by the board; with --frames N it stops after N frames.
#include "graphics/KandelBoard.h"
#include "platform/SdlWindow.h"
#include "shell/GameConfig.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

// A 32 x 32 sheet: diagonal colour bands inside a transparent ring of index 0.
void MakeTestSheet(kestra::TKandelSheet& sheet) {
    sheet.SetSize(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool ring = x < 2 || y < 2 || x >= 30 || y >= 30;
            sheet.ScanLine(y)[x] =
                static_cast<std::uint8_t>(ring ? 0 : 1 + ((x + y) * 4 + x) % 255);
        }
    for (int i = 1; i < 256; ++i)
        sheet.SetPaletteEntry(i, i < 128 ? 2 * i : 255, (i * 3) & 255, 255 - i);
    sheet.UpdateColors();
}

void DrawTestPattern(kestra::TKandelBoard& board, kestra::TKandelSheet& sheet, int frame) {
    board.Clear();
    sheet.Transparent = false;
    sheet.Opacity = 255;
    board.StretchSheet(board.GetBounds(), sheet, {2, 2, 30, 30}); // background
    sheet.Transparent = true;
    board.DrawSheet(16, 16, sheet.GetBounds(), sheet);
    board.StretchSheet({64, 16, 160, 64}, sheet, sheet.GetBounds());
    board.DrawSheetRotated(240, 80, sheet.GetBounds(), sheet, 16, 16, 2.0, frame);
    board.DrawSheetWaver(240, 180, sheet.GetBounds(), sheet, 16, 16, 1.5, frame * 4, 32, 4);
    sheet.Opacity = 128 + (frame * 2) % 128;
    board.DrawSheetZoomed(100, 170, sheet.GetBounds(), sheet, 16, 16, 2.5);
    board.FillRect({8, 224, 8 + frame % 304, 232}, 255, 255, 255);
}

} // namespace

int main(int argc, char** argv) {
    kestra::TCommandLine commandLine;
    try {
        commandLine = kestra::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const kestra::ECommandLineError& e) {
        std::fprintf(stderr, "kestra: %s\n", e.what());
        return 2;
    }
    if (commandLine.Help) {
        std::fputs(kestra::CommandLineHelp("kestra").c_str(), stdout);
        return 0;
    }
    long frames = commandLine.Frames ? static_cast<long>(*commandLine.Frames) : -1;
    if (commandLine.Headless) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("SDL_VIDEODRIVER")) {
        std::fprintf(stderr, "kestra: no display found; running headless for 600 frames\n");
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (frames < 0) frames = 600;
    }
    try {
        constexpr int W = 320, H = 240;
        kestra::platform::SdlWindow window("Kestra", W, H, true);
        kestra::TKandelBoard board;
        board.SetSize(W, H);
        kestra::TKandelSheet sheet;
        MakeTestSheet(sheet);
        std::uint64_t start = kestra::platform::SdlWindow::Milliseconds();
        for (long frame = 0; frames < 0 || frame < frames; ++frame) {
            auto events = window.PumpEvents();
            if (events.Quit || events.Escape) break;
            DrawTestPattern(board, sheet, static_cast<int>(frame));
            window.Present(board.ScanLine(0), board.Pitch());
            std::uint64_t due = start + static_cast<std::uint64_t>((frame + 1) * 1000 / 60);
            std::uint64_t now = kestra::platform::SdlWindow::Milliseconds();
            if (due > now)
                kestra::platform::SdlWindow::Delay(static_cast<std::uint32_t>(due - now));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestra: %s\n", e.what());
        return 1;
    }
    return 0;
}

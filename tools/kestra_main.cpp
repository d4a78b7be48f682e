// The player program. Until the game shell is in place it opens the window and
// shows a test pattern; with --frames N it stops after N frames.
#include "platform/SdlWindow.h"
#include "shell/GameConfig.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

void DrawTestPattern(std::vector<std::uint16_t>& pixels, int width, int height, int frame) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            auto r = static_cast<std::uint16_t>((x * 32 / width) & 31);
            auto g = static_cast<std::uint16_t>(((y * 64 / height) + frame) & 63);
            auto b = static_cast<std::uint16_t>(((x ^ y) >> 3) & 31);
            pixels[static_cast<std::size_t>(y * width + x)] =
                static_cast<std::uint16_t>(r << 11 | g << 5 | b);
        }
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
        std::vector<std::uint16_t> pixels(W * H);
        std::uint64_t start = kestra::platform::SdlWindow::Milliseconds();
        for (long frame = 0; frames < 0 || frame < frames; ++frame) {
            auto events = window.PumpEvents();
            if (events.Quit || events.Escape) break;
            DrawTestPattern(pixels, W, H, static_cast<int>(frame));
            window.Present(pixels.data(), W * 2);
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

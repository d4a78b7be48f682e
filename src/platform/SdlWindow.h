#pragma once
// The game window: shows a 320 x 240 RGB565 picture at 1x or 2x and reports
// what the user did with the window. No SDL type leaks out of this header.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/SdlEventSink.h"

namespace kestra::platform {

struct WindowEvents {
    bool Quit = false;   // the close box or the system asked to quit
    bool Escape = false; // Escape was pressed (used by the bare test-pattern run)
};

class SdlWindow {
public:
    // Opens the window; throws std::runtime_error with SDL's message on failure.
    SdlWindow(const std::string& title, int width, int height, bool zoomed);
    ~SdlWindow();
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Copies a width x height RGB565 picture (pitch in bytes) to the window,
    // scaled by the largest whole factor that fits and centred. A picture equal to
    // the one on the screen is not sent again, unless the window was uncovered,
    // resized or switched in the meantime (the pump then draws it again by itself).
    void Present(const std::uint16_t* pixels, int pitchBytes);
    // Presents that reached the screen, and those skipped as unchanged.
    std::uint64_t FramesShown() const;
    std::uint64_t FramesSkipped() const;
    // The renderer's name ("software", "opengl", ...; SDL_RENDER_DRIVER chooses).
    std::string RendererName() const;
    // The window's pixels as 0xRRGGBB, row by row, and their size.
    std::vector<std::uint32_t> ReadScreen(int& width, int& height) const;
    // A resizable window of `scale` (1..4) times the picture, or desktop full screen.
    // The picture is enlarged by the largest whole factor that fits and centred, or
    // with `fit` by the largest factor that keeps its aspect. Throws
    // std::runtime_error when SDL refuses.
    void SetMode(bool fullScreen, int scale, bool fit);
    // Where the picture lies in the window's output: x, y, width, height.
    std::array<int, 4> PictureRect() const;
    bool FullScreen() const;
    // The caption, UTF-8.
    void SetTitle(const std::string& title);
    // Takes every pending event from the queue and hands each to the sinks.
    WindowEvents PumpEvents();
    // Sinks are not owned; remove one before destroying it.
    void AddEventSink(SdlEventSink* sink);
    void RemoveEventSink(SdlEventSink* sink);
    static std::uint64_t Milliseconds();
    static void Delay(std::uint32_t ms);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestra::platform

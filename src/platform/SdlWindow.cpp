#include "platform/SdlWindow.h"

#include <SDL.h>
#include <algorithm>
#include <stdexcept>

namespace kestra::platform {

struct SdlWindow::Impl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
    bool fullScreen = false;
    std::vector<SdlEventSink*> sinks;
};

SdlWindow::SdlWindow(const std::string& title, int width, int height, bool zoomed)
    : impl_(std::make_unique<Impl>()) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        throw std::runtime_error(std::string("cannot start the video system: ") + SDL_GetError());
    impl_->width = width;
    impl_->height = height;
    int scale = zoomed ? 2 : 1;
    impl_->window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     width * scale, height * scale, 0);
    if (!impl_->window)
        throw std::runtime_error(std::string("cannot open the window: ") + SDL_GetError());
    impl_->renderer = SDL_CreateRenderer(impl_->window, -1, 0);
    if (!impl_->renderer)
        throw std::runtime_error(std::string("cannot create a renderer: ") + SDL_GetError());
    SDL_RenderSetLogicalSize(impl_->renderer, width, height);
    // Whole-number scaling keeps every board pixel square; the rest is black border.
    SDL_RenderSetIntegerScale(impl_->renderer, SDL_TRUE);
    SDL_DisableScreenSaver();
    SDL_ShowCursor(SDL_DISABLE);
    impl_->texture = SDL_CreateTexture(impl_->renderer, SDL_PIXELFORMAT_RGB565,
                                       SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!impl_->texture)
        throw std::runtime_error(std::string("cannot create the screen texture: ") +
                                 SDL_GetError());
}

SdlWindow::~SdlWindow() {
    SDL_ShowCursor(SDL_ENABLE);
    SDL_EnableScreenSaver();
    if (impl_->texture) SDL_DestroyTexture(impl_->texture);
    if (impl_->renderer) SDL_DestroyRenderer(impl_->renderer);
    if (impl_->window) SDL_DestroyWindow(impl_->window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void SdlWindow::Present(const std::uint16_t* pixels, int pitchBytes) {
    SDL_UpdateTexture(impl_->texture, nullptr, pixels, pitchBytes);
    SDL_RenderClear(impl_->renderer);
    SDL_RenderCopy(impl_->renderer, impl_->texture, nullptr, nullptr);
    SDL_RenderPresent(impl_->renderer);
}

void SdlWindow::SetMode(bool fullScreen, bool zoomed) {
    if (fullScreen != impl_->fullScreen) {
        if (SDL_SetWindowFullscreen(impl_->window,
                                    fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
            throw std::runtime_error(std::string("cannot change the screen mode: ") +
                                     SDL_GetError());
        impl_->fullScreen = fullScreen;
    }
    if (!fullScreen) {
        int scale = zoomed ? 2 : 1;
        SDL_SetWindowSize(impl_->window, impl_->width * scale, impl_->height * scale);
        SDL_SetWindowPosition(impl_->window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
}

bool SdlWindow::FullScreen() const {
    return impl_->fullScreen;
}

void SdlWindow::SetTitle(const std::string& title) {
    SDL_SetWindowTitle(impl_->window, title.c_str());
}

WindowEvents SdlWindow::PumpEvents() {
    WindowEvents result;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) result.Quit = true;
        if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
            result.Escape = true;
        for (SdlEventSink* sink : impl_->sinks) sink->OnSdlEvent(event);
    }
    return result;
}

void SdlWindow::AddEventSink(SdlEventSink* sink) {
    if (std::find(impl_->sinks.begin(), impl_->sinks.end(), sink) == impl_->sinks.end())
        impl_->sinks.push_back(sink);
}

void SdlWindow::RemoveEventSink(SdlEventSink* sink) {
    std::erase(impl_->sinks, sink);
}

std::uint64_t SdlWindow::Milliseconds() {
    return SDL_GetTicks64();
}
void SdlWindow::Delay(std::uint32_t ms) {
    SDL_Delay(ms);
}

} // namespace kestra::platform

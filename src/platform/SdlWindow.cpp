#include "platform/SdlWindow.h"

#include "graphics/KandelPresent.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kestra::platform {

namespace {

// The index of the render driver of that name, or -1.
int RenderDriverIndex(const char* name) {
    for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name &&
            std::strcmp(info.name, name) == 0)
            return i;
    }
    return -1;
}

// True for an OpenGL renderer whose OpenGL is drawn by the processor (Mesa's llvmpipe
// and softpipe, the software rasteriser of other drivers). The renderer's context is
// current right after it is made.
bool RendersGlInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name ||
        std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using TGetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<TGetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    constexpr unsigned int KGlRenderer = 0x1F01;
    const auto* text = reinterpret_cast<const char*>(getString(KGlRenderer));
    if (text == nullptr) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (std::strstr(text, soft) != nullptr) return true;
    return false;
}

// The texture formats we can write, and ours for each.
bool Writable(Uint32 format, TScreenPixels& ours) {
    switch (format) {
    case SDL_PIXELFORMAT_RGB565:
        ours = TScreenPixels::Rgb565;
        return true;
    case SDL_PIXELFORMAT_RGB888:   // 0x00RRGGBB words
    case SDL_PIXELFORMAT_ARGB8888: // 0xFFRRGGBB words, drawn without blending
        ours = TScreenPixels::Xrgb8888;
        return true;
    default:
        return false;
    }
}

} // namespace

struct SdlWindow::Impl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
    bool fullScreen = false;
    bool fit = false;
    std::vector<SdlEventSink*> sinks;

    // The texture: its format, and whether it holds the picture already enlarged
    // (the software renderer, whose own scaling converts pixel by pixel) or at 1x
    // for the renderer to scale (a graphics card does that for nothing).
    Uint32 format = SDL_PIXELFORMAT_RGB565;
    TScreenPixels pixels = TScreenPixels::Rgb565;
    bool prescale = false;
    int textureWidth = 0, textureHeight = 0, factor = 0;
    SDL_Rect dest{};
    bool coversOutput = false;

    // The picture on the screen, and whether the screen must be drawn again.
    TKandelBoard shown;
    bool haveShown = false;
    bool stale = true;
    std::uint64_t framesShown = 0, framesSkipped = 0;

    void Layout();
    void Upload();
    void Render();
    void Redraw() {
        Upload();
        Render();
        stale = false;
    }
};

void SdlWindow::Impl::Layout() {
    int ow = 0, oh = 0;
    if (SDL_GetRendererOutputSize(renderer, &ow, &oh) != 0 || ow <= 0 || oh <= 0) {
        ow = width;
        oh = height;
    }
    factor = std::max(1, std::min(ow / width, oh / height));
    int dw = width * factor, dh = height * factor;
    if (fit) {
        // The largest picture of the board's aspect: full width, or full height.
        if (static_cast<long long>(ow) * height <= static_cast<long long>(oh) * width) {
            dw = ow;
            dh = std::max(1, static_cast<int>(static_cast<long long>(ow) * height / width));
        } else {
            dh = oh;
            dw = std::max(1, static_cast<int>(static_cast<long long>(oh) * width / height));
        }
    }
    dest = {(ow - dw) / 2, (oh - dh) / 2, dw, dh};
    coversOutput = dest.x == 0 && dest.y == 0 && dest.w == ow && dest.h == oh;
    // A fitted picture is enlarged by whole factors here and by the renderer the rest.
    const int tw = prescale ? width * factor : width, th = prescale ? height * factor : height;
    if (texture && tw == textureWidth && th == textureHeight) return;
    if (texture) SDL_DestroyTexture(texture);
    texture = SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, tw, th);
    if (!texture)
        throw std::runtime_error(std::string("cannot create the screen texture: ") +
                                 SDL_GetError());
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    textureWidth = tw;
    textureHeight = th;
}

void SdlWindow::Impl::Upload() {
    Layout();
    void* frame = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &frame, &pitch) != 0) return;
    PresentBoard(shown, frame, pitch, prescale ? factor : 1, pixels);
    SDL_UnlockTexture(texture);
}

void SdlWindow::Impl::Render() {
    // A picture that fills the output needs no clearing around it.
    if (!coversOutput) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
    }
    SDL_RenderCopy(renderer, texture, nullptr, &dest);
    SDL_RenderPresent(renderer);
    ++framesShown;
}

SdlWindow::SdlWindow(const std::string& title, int width, int height, bool zoomed)
    : impl_(std::make_unique<Impl>()) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        throw std::runtime_error(std::string("cannot start the video system: ") + SDL_GetError());
    impl_->width = width;
    impl_->height = height;
    impl_->shown.SetSize(width, height);
    int scale = zoomed ? 2 : 1;
    impl_->window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     width * scale, height * scale, SDL_WINDOW_RESIZABLE);
    if (!impl_->window)
        throw std::runtime_error(std::string("cannot open the window: ") + SDL_GetError());
    // The software renderer draws into the window's surface; by default SDL shows
    // that surface through an OpenGL texture, which without a graphics card (Mesa's
    // llvmpipe) costs more than the drawing. The window system's own image path is
    // cheaper there and as good elsewhere. An environment setting still wins.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    impl_->renderer = SDL_CreateRenderer(impl_->window, -1, 0);
    if (!impl_->renderer)
        throw std::runtime_error(std::string("cannot create a renderer: ") + SDL_GetError());
    // OpenGL without a graphics card (Mesa's llvmpipe) costs more per frame than the
    // software renderer (measured with tools/idle-cpu.sh: 3.6 against 2.0 % of a core
    // on the idle title at 2x): then the software renderer takes over, unless the
    // environment names a renderer.
    if (RendersGlInSoftware(impl_->renderer) && SDL_GetHint(SDL_HINT_RENDER_DRIVER) == nullptr) {
        const int software = RenderDriverIndex("software");
        if (software >= 0) {
            SDL_DestroyRenderer(impl_->renderer);
            impl_->renderer = SDL_CreateRenderer(impl_->window, software, 0);
            if (!impl_->renderer) impl_->renderer = SDL_CreateRenderer(impl_->window, -1, 0);
            if (!impl_->renderer)
                throw std::runtime_error(std::string("cannot create a renderer: ") +
                                         SDL_GetError());
        }
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(impl_->renderer, &info);
    impl_->prescale = (info.flags & SDL_RENDERER_ACCELERATED) == 0;
    // The window's own format first (the software renderer then copies rows), else
    // the renderer's first that we can write.
    const Uint32 windowFormat = SDL_GetWindowPixelFormat(impl_->window);
    bool chosen = false;
    for (Uint32 i = 0; i < info.num_texture_formats && !chosen; ++i)
        if (info.texture_formats[i] == windowFormat && Writable(windowFormat, impl_->pixels)) {
            impl_->format = windowFormat;
            chosen = true;
        }
    for (Uint32 i = 0; i < info.num_texture_formats && !chosen; ++i)
        if (Writable(info.texture_formats[i], impl_->pixels)) {
            impl_->format = info.texture_formats[i];
            chosen = true;
        }
    if (!chosen) {
        impl_->format = SDL_PIXELFORMAT_RGB565;
        impl_->pixels = TScreenPixels::Rgb565;
    }
    SDL_DisableScreenSaver();
    SDL_ShowCursor(SDL_DISABLE);
    impl_->Layout();
}

SdlWindow::~SdlWindow() {
    if (std::getenv("KESTRA_PRESENT_STATS"))
        std::fprintf(stderr, "kestra: renderer %s: %llu frames shown, %llu unchanged skipped\n",
                     RendererName().c_str(), static_cast<unsigned long long>(impl_->framesShown),
                     static_cast<unsigned long long>(impl_->framesSkipped));
    SDL_ShowCursor(SDL_ENABLE);
    SDL_EnableScreenSaver();
    if (impl_->texture) SDL_DestroyTexture(impl_->texture);
    if (impl_->renderer) SDL_DestroyRenderer(impl_->renderer);
    if (impl_->window) SDL_DestroyWindow(impl_->window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void SdlWindow::Present(const std::uint16_t* pixels, int pitchBytes) {
    Impl& m = *impl_;
    const auto rowBytes = static_cast<std::size_t>(m.width) * 2;
    const auto* source = reinterpret_cast<const std::uint8_t*>(pixels);
    auto row = [&](int y) { return source + static_cast<std::ptrdiff_t>(y) * pitchBytes; };
    if (m.haveShown && !m.stale) {
        int y = 0;
        while (y < m.height && std::memcmp(m.shown.ScanLine(y), row(y), rowBytes) == 0) ++y;
        if (y == m.height) {
            ++m.framesSkipped;
            return;
        }
    }
    for (int y = 0; y < m.height; ++y) std::memcpy(m.shown.ScanLine(y), row(y), rowBytes);
    m.haveShown = true;
    m.Redraw();
}

std::uint64_t SdlWindow::FramesShown() const {
    return impl_->framesShown;
}

std::uint64_t SdlWindow::FramesSkipped() const {
    return impl_->framesSkipped;
}

std::string SdlWindow::RendererName() const {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(impl_->renderer, &info) != 0 || !info.name) return "unknown";
    return info.name;
}

std::vector<std::uint32_t> SdlWindow::ReadScreen(int& width, int& height) const {
    width = height = 0;
    int ow = 0, oh = 0;
    if (SDL_GetRendererOutputSize(impl_->renderer, &ow, &oh) != 0 || ow <= 0 || oh <= 0) return {};
    std::vector<std::uint32_t> out(static_cast<std::size_t>(ow) * static_cast<std::size_t>(oh));
    if (SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_RGB888, out.data(),
                             ow * 4) != 0)
        return {};
    for (auto& p : out) p &= 0xFFFFFFu;
    width = ow;
    height = oh;
    return out;
}

void SdlWindow::SetMode(bool fullScreen, int scale, bool fit) {
    impl_->fit = fit;
    if (fullScreen != impl_->fullScreen) {
        if (SDL_SetWindowFullscreen(impl_->window,
                                    fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
            throw std::runtime_error(std::string("cannot change the screen mode: ") +
                                     SDL_GetError());
        impl_->fullScreen = fullScreen;
    }
    if (!fullScreen) {
        scale = std::clamp(scale, 1, 4);
        SDL_SetWindowSize(impl_->window, impl_->width * scale, impl_->height * scale);
        SDL_SetWindowPosition(impl_->window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    impl_->stale = true;
}

std::array<int, 4> SdlWindow::PictureRect() const {
    impl_->Layout();
    return {impl_->dest.x, impl_->dest.y, impl_->dest.w, impl_->dest.h};
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
        // Whatever uncovers, resizes or resets the window's pixels: draw it again.
        if (event.type == SDL_RENDER_TARGETS_RESET || event.type == SDL_RENDER_DEVICE_RESET)
            impl_->stale = true;
        if (event.type == SDL_WINDOWEVENT) switch (event.window.event) {
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_RESIZED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_MAXIMIZED:
            case SDL_WINDOWEVENT_RESTORED:
                impl_->stale = true;
                break;
            default:
                break;
            }
        for (SdlEventSink* sink : impl_->sinks) sink->OnSdlEvent(event);
    }
    // At once, also while the game is paused and presents nothing.
    if (impl_->stale && impl_->haveShown) impl_->Redraw();
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

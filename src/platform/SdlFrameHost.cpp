#include "platform/SdlFrameHost.h"

#include "base/Errors.h"
#include "platform/SdlInput.h"
#include "platform/SdlWindow.h"

#include <SDL.h>

namespace kestra::platform {

SdlFrameHost::SdlFrameHost(SdlWindow& window) : window_(window) {
    window_.AddEventSink(this);
}

SdlFrameHost::~SdlFrameHost() {
    window_.RemoveEventSink(this);
}

std::uint64_t SdlFrameHost::Milliseconds() {
    return SDL_GetTicks64();
}

void SdlFrameHost::Sleep(std::uint32_t ms) {
    SDL_Delay(ms);
}

void SdlFrameHost::PumpMessages() {
    if (window_.PumpEvents().Quit) quit_ = true;
    if (quit_) throw EKandelDrawAbort();
}

void SdlFrameHost::WaitForMessage() {
    // A null event leaves the message in the queue for the next pump.
    SDL_WaitEventTimeout(nullptr, 100);
}

void SdlFrameHost::Present(const TKandelBoard& board) {
    if (board.Width() <= 0 || board.Height() <= 0) return;
    window_.Present(board.ScanLine(0), board.Pitch());
}

void SdlFrameHost::ApplyScreenMode(bool fullScreen, int scale, bool fit) {
    window_.SetMode(fullScreen, scale, fit);
}

THotKeys SdlFrameHost::TakeHotKeys() {
    THotKeys keys = hotKeys_;
    hotKeys_ = {};
    return keys;
}

void SdlFrameHost::OnSdlEvent(const SDL_Event& event) {
    if (event.type == SDL_QUIT) quit_ = true;
    // Auto-repeat would reset the game over and over while F12 is held.
    if (event.type == SDL_KEYDOWN && !event.key.repeat) {
        const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        const SDL_Scancode code = event.key.keysym.scancode;
        const TBoundKey key = code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12
                                  ? FunctionKey(code - SDL_SCANCODE_F1 + 1)
                                  : TableKey(KeyOfScancode(code));
        auto is = [&](THotKey hotKey) {
            return !key.Empty() && key == keys_[static_cast<std::size_t>(hotKey)];
        };
        // Alt+F4 belongs to the window system; Alt+Enter always switches the screen.
        if (is(THotKey::FullScreen) && !alt) hotKeys_.ToggleScreenMode = true;
        if (alt && (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER))
            hotKeys_.ToggleScreenMode = true;
        if (is(THotKey::Zoom)) hotKeys_.ToggleZoom = true;
        if (is(THotKey::Reset)) hotKeys_.Reset = true;
    }
    if (event.type != SDL_WINDOWEVENT) return;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        focused_ = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        focused_ = false;
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        minimized_ = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        minimized_ = false;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        quit_ = true;
        break;
    default:
        break;
    }
}

} // namespace kestra::platform

#pragma once
// The display's clock, sleep and message pump over SDL. The window's pump hands
// every event to the sinks; this host watches the focus and the quit request.
#include "graphics/KandelDraw.h"
#include "platform/SdlEventSink.h"

namespace kestra::platform {

class SdlWindow;

class SdlFrameHost : public IKandelDrawHost, public SdlEventSink {
public:
    // Registers itself with the window; the window must outlive the host.
    explicit SdlFrameHost(SdlWindow& window);
    ~SdlFrameHost() override;
    SdlFrameHost(const SdlFrameHost&) = delete;
    SdlFrameHost& operator=(const SdlFrameHost&) = delete;

    std::uint64_t Milliseconds() override;
    void Sleep(std::uint32_t ms) override;
    void PumpMessages() override; // raises EKandelDrawAbort once quitting was asked for
    bool IsApplicationActive() override { return focused_ && !minimized_; }
    void WaitForMessage() override;
    void OnSdlEvent(const SDL_Event& event) override;
    void Present(const TKandelBoard& board) override;
    void ApplyScreenMode(bool fullScreen, int scale, bool fit) override;
    THotKeys TakeHotKeys() override;
    void BindHotKeys(const THotKeyBindings& keys) override { keys_ = keys; }

private:
    SdlWindow& window_;
    bool focused_ = true; // until the window system says otherwise
    bool minimized_ = false;
    bool quit_ = false;
    THotKeys hotKeys_;
    THotKeyBindings keys_ = DefaultHotKeys();
};

} // namespace kestra::platform

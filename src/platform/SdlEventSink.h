#pragma once
// Receives every SDL event the window's pump takes from the queue.
union SDL_Event;

namespace kestra::platform {

class SdlEventSink {
public:
    virtual ~SdlEventSink() = default;
    virtual void OnSdlEvent(const SDL_Event& event) = 0;
};

} // namespace kestra::platform

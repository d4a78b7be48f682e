#pragma once
// The input device over SDL: keyboard state and key events from the window's
// pump, the mouse buttons and the first joystick. Everything runs on the main
// thread: presses seen while events are pumped are kept until the next Sample,
// so a key tapped between two frames is never lost.
#include "media/InputDevice.h"
#include "platform/SdlEventSink.h"

#include <cstdint>

struct _SDL_Joystick;

namespace kestra::platform {

class SdlInput : public IInputDevice, public SdlEventSink {
public:
    // Opens the first joystick when useJoystick is set and one is attached.
    explicit SdlInput(bool useJoystick = true);
    ~SdlInput() override;
    SdlInput(const SdlInput&) = delete;
    SdlInput& operator=(const SdlInput&) = delete;

    TInputSample Sample() override;
    bool FunctionKeyDown(int n) const override;
    bool FunctionKeyPressed(int n) const override;
    void OnSdlEvent(const SDL_Event& event) override;

    bool HasJoystick() const { return joystick_ != nullptr; }
    bool Active() const { return active_; }

private:
    void OpenJoystick();
    void CloseJoystick();

    bool useJoystick_;
    bool joystickSystem_ = false;
    _SDL_Joystick* joystick_ = nullptr;
    std::int32_t joystickId_ = -1;
    bool active_ = true;
    TKeySet keysWentDown_ = 0;
    std::uint8_t mouseWentDown_ = 0;
    std::uint32_t joystickWentDown_ = 0;
    std::uint16_t functionWentDown_ = 0; // collecting
    std::uint16_t functionPressed_ = 0;  // as of the last Sample
};

// The SDL scancode of a key-table key (0 for None), and the key of a scancode (None
// for keys the table cannot name).
int ScancodeOf(TKeyCode key);
TKeyCode KeyOfScancode(int scancode);

} // namespace kestra::platform

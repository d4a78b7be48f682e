#include "media/RecordingInput.h"

namespace kestra {

TRecordingInput::TRecordingInput(std::unique_ptr<IInputDevice> live,
                                 std::function<void(const std::string&)> writeLine)
    : live_(std::move(live)), writeLine_(std::move(writeLine)) {}

TScriptedInput::TState TRecordingInput::StateOf(const TInputSample& live,
                                                const TScriptedInput::TState& previous,
                                                std::uint16_t functionDown,
                                                std::uint16_t functionPressed) {
    TScriptedInput::TState s;
    s.Keys = live.KeysDown;
    s.Shift = live.Shift;
    s.Ctrl = live.Ctrl;
    s.Alt = live.Alt;
    s.FunctionKeys = functionDown;
    s.Mouse = live.MouseDown;
    s.Joystick = live.JoystickPresent;
    if (s.Joystick) {
        s.JoystickX = live.JoystickX;
        s.JoystickY = live.JoystickY;
        s.Buttons = live.JoystickButtonsDown;
    }
    s.Pad = live.PadPresent;
    if (s.Pad) {
        s.PadX = live.PadStickX;
        s.PadY = live.PadStickY;
        s.PadButtons = live.PadButtonsDown;
    }
    s.Inactive = !live.Active;
    // A replay derives a press from a button that becomes held; the rest are taps.
    const TKeySet newlyHeld = live.Alt ? 0 : s.Keys & ~previous.Keys;
    s.KeyTaps = live.KeysWentDown & ~newlyHeld;
    s.FunctionTaps =
        static_cast<std::uint16_t>(functionPressed & ~(s.FunctionKeys & ~previous.FunctionKeys));
    s.MouseTaps = static_cast<std::uint8_t>(live.MouseWentDown & ~(s.Mouse & ~previous.Mouse));
    s.ButtonTaps = s.Joystick ? live.JoystickButtonsWentDown & ~(s.Buttons & ~previous.Buttons) : 0;
    s.PadTaps = s.Pad ? static_cast<TPadButtons>(live.PadButtonsWentDown &
                                                 ~(s.PadButtons & ~previous.PadButtons))
                      : TPadButtons{0};
    return s;
}

TInputSample TRecordingInput::Sample() {
    const TInputSample live = live_->Sample();
    std::uint16_t down = 0, pressed = 0;
    for (int n = 1; n <= 12; ++n) {
        if (live_->FunctionKeyDown(n)) down = static_cast<std::uint16_t>(down | 1u << n);
        if (live_->FunctionKeyPressed(n)) pressed = static_cast<std::uint16_t>(pressed | 1u << n);
    }
    const TScriptedInput::TState state = StateOf(live, last_, down, pressed);
    ++samples_;
    if (samples_ == 1 || !state.SameHeld(last_) || state.HasTaps()) {
        const TScriptedInput::TChange change{samples_, state};
        writeLine_(TScriptedInput::FormatLine(change));
        script_.Append(change);
    }
    last_ = state;
    return script_.Sample();
}

} // namespace kestra

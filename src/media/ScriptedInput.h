#pragma once
// An input device driven by a script, for tests, headless runs and replays.
//
// Script format, one line per change:
//     N KEY KEY ...
// From the N-th call of Sample (counted from 1; 0 means from the start) on, exactly
// the listed keys are held; a line with no keys releases everything. N must grow
// from line to line. "#" starts a comment. Names (any case):
//   Decide, Cancel      the Space and Escape keys
//   Down, Left, ... N   every key of the key table by its name (Pad2, Return, Z, ...)
//   Shift, Ctrl, Alt    the modifiers
//   F1 ... F12          the function keys
//   MouseLeft, MouseRight
//   Joy:X,Y             a joystick with its axes at X and Y (-32768..32767)
//   Button0 ... Button31  a joystick button held (implies a joystick at the centre)
//   Inactive            the application does not have the input focus
// "+NAME" (a key, function key, mouse or joystick button) says the button went down
// in the line's first update although it does not become newly held there (it was
// pressed again, or pressed and released between two updates). A recording writes
// what the devices gave in this form, so replaying it gives every update the same.
#include "base/Errors.h"
#include "media/InputDevice.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

class EInputScriptError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

class TScriptedInput : public IInputDevice {
public:
    // What one script line holds.
    struct TState {
        TKeySet Keys = 0;
        bool Shift = false, Ctrl = false, Alt = false;
        std::uint16_t FunctionKeys = 0; // bit n = Fn
        std::uint8_t Mouse = 0;         // KMouseLeft, KMouseRight
        bool Joystick = false;
        int JoystickX = 0, JoystickY = 0;
        std::uint32_t Buttons = 0;
        bool Inactive = false;
        // Went down in the line's first update besides what becomes newly held.
        TKeySet KeyTaps = 0;
        std::uint16_t FunctionTaps = 0;
        std::uint8_t MouseTaps = 0;
        std::uint32_t ButtonTaps = 0;
        bool operator==(const TState&) const = default;
        // The same but for the taps.
        bool SameHeld(const TState& other) const;
        bool HasTaps() const { return KeyTaps || FunctionTaps || MouseTaps || ButtonTaps; }
    };
    struct TChange {
        std::uint64_t From = 0; // sample number
        TState State;
    };

    TScriptedInput() = default;
    // Parses a script; sourceName names it in error messages ("file:line: ...").
    static TScriptedInput FromText(std::string_view text, const std::string& sourceName);
    static TScriptedInput FromFile(const std::filesystem::path& path);

    // Appends a change after the last one (a recording feeds its script as it plays).
    // Raises EInputScriptError when `change.From` does not come after the last line.
    void Append(const TChange& change);
    // The script line of a change, in the form FromText reads back to the same change.
    static std::string FormatLine(const TChange& change);

    TInputSample Sample() override;
    bool FunctionKeyDown(int n) const override;
    bool FunctionKeyPressed(int n) const override;

    // Test hooks: a key that goes down and up again before the next sample, and
    // the application's focus.
    void Tap(TKeyCode key) { taps_ |= KeyBit(key); }
    void SetActive(bool active) { active_ = active; }

    std::uint64_t SampleCount() const { return samples_; }
    // Function keys (bit n = Fn) that went down in any sample since the last
    // call: the window's hot keys act on presses that several input updates
    // between two message pumps would otherwise hide.
    std::uint16_t TakeFunctionKeyPresses();
    // Likewise the key-table keys that went down (hot keys bound to them).
    TKeySet TakeKeyPresses();
    const std::vector<TChange>& Changes() const { return changes_; }

private:
    std::vector<TChange> changes_;
    std::size_t next_ = 0;
    TState current_;
    TKeySet taps_ = 0;
    std::uint16_t functionPressed_ = 0;
    std::uint16_t unclaimedPresses_ = 0;
    TKeySet unclaimedKeyPresses_ = 0;
    std::uint64_t samples_ = 0;
    bool active_ = true;
};

} // namespace kestra

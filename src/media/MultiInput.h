#pragma once
// Logical buttons: the keyboard, the first joystick and the mouse buttons turned
// into one 16-bit set per frame (held, newly pressed, pressed with key repeat) and
// one walking direction.
#include "media/InputDevice.h"
#include "media/KeyBindings.h"

#include <array>
#include <cstdint>

namespace kestra {

// Logical button bits.
inline constexpr std::uint16_t KButtonDown = 0x001;
inline constexpr std::uint16_t KButtonLeft = 0x002;
inline constexpr std::uint16_t KButtonRight = 0x004;
inline constexpr std::uint16_t KButtonUp = 0x008;
inline constexpr std::uint16_t KButtonDecide = 0x010;
inline constexpr std::uint16_t KButtonCancel = 0x020;
inline constexpr std::uint16_t KButtonMouseLeft = 0x040;
inline constexpr std::uint16_t KButtonMouseRight = 0x080;
inline constexpr std::uint16_t KButtonShift = 0x100;
inline constexpr std::uint16_t KButtonCtrl = 0x200;

inline constexpr int KKeyTableRows = 10; // row i sets button bit i
inline constexpr int KKeyTableSlots = 8;
using TKeyTable = std::array<std::array<TKeyCode, KKeyTableSlots>, KKeyTableRows>;

// The keys every game uses. Row 4 (Decide) holds Return and the keypad Enter,
// which one virtual key covered on the original platform.
extern const TKeyTable KDefaultKeyTable;

class TMultiInput {
public:
    // The device must outlive this object.
    explicit TMultiInput(IInputDevice& device);

    // Once per frame, before the scene's update, and inside waiting loops that read keys.
    void Update();
    // Two updates: forgets keys pressed during a fade or transition.
    void Flush();

    IInputDevice& Device() { return device_; }

    std::uint16_t Held = 0;
    std::uint16_t Pressed = 0;
    std::uint16_t Repeated = 0; // at most one bit
    int Direction = 0;          // 0 none, 2 down, 4 left, 6 right, 8 up
    int RepeatInterval = 4;     // frames, used within 1..100000
    TKeyTable KeyTable = KDefaultKeyTable;
    // The program's own keys and the joystick buttons of Decide, Cancel and the menu.
    THotKeyBindings HotKeys = DefaultHotKeys();
    TJoystickBindings JoystickButtons;
    // The last sample the buttons came from (the settings screen reads raw keys).
    TInputSample LastSample;

    // A hot key's key is down now, or went down in the interval of the last Update.
    bool HotKeyDown(THotKey key) const;
    bool HotKeyPressed(THotKey key) const;

    // Joystick thresholds: a direction counts when the axis is strictly beyond them.
    int JoystickLeft = 0, JoystickRight = 0, JoystickTop = 0, JoystickBottom = 0;
    bool JoystickDisabled = false;

private:
    std::uint16_t KeyBits(TKeySet keys) const;
    std::uint16_t JoystickButtonBits(std::uint32_t buttons) const;

    IInputDevice& device_;
    std::uint16_t polled_ = 0;
    bool lastAxisHorizontal_ = false;
    int repeatButton_ = 0;
    int repeatCounter_ = 0;
};

} // namespace kestra

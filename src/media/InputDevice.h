#pragma once
// What an input device tells the logical-button layer. The platform implements it
// over SDL; ScriptedInput implements it from a script for tests and headless runs.
#include <cstdint>
#include <string_view>

namespace kestra {

// The physical keys the key table can name. 0 is an empty slot.
enum class TKeyCode : std::uint8_t {
    None = 0,
    Down,
    Left,
    Right,
    Up,
    Pad2,
    Pad4,
    Pad6,
    Pad8,
    J,
    H,
    L,
    K,
    Space,
    Return,
    PadEnter,
    Z,
    Escape,
    Pad0,
    Insert,
    X,
    C,
    V,
    B,
    N,
    // Further keys a player may bind (not in the default table).
    A,
    D,
    E,
    F,
    G,
    I,
    M,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    W,
    Y,
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    Tab,
    Backspace,
    Delete,
    Home,
    End,
    PageUp,
    PageDown,
    Pad1,
    Pad3,
    Pad5,
    Pad7,
    Pad9,
    Count
};

// One bit per key code (bit = 1 << code).
using TKeySet = std::uint64_t;
static_assert(static_cast<int>(TKeyCode::Count) <= 64);

constexpr TKeySet KeyBit(TKeyCode key) {
    return key == TKeyCode::None ? 0u : TKeySet{1} << static_cast<unsigned>(key);
}

// The name used in input scripts, settings and messages ("Down", "Pad2", "Digit1", ...).
std::string_view KeyCodeName(TKeyCode key);
// The key of a name in any letter case; None when no key has it.
TKeyCode KeyCodeOfName(std::string_view name);

// Mouse button bits of a sample.
inline constexpr std::uint8_t KMouseLeft = 0x01;
inline constexpr std::uint8_t KMouseRight = 0x02;

// The joystick axes range over -32768..32767; 0 is the centre.
inline constexpr int KJoystickAxisMax = 32767;

// The state of every device at one instant, plus what went down since the
// previous sample. "Went down" catches presses that were released again before
// the sample was taken; keys pressed while Alt was down are never reported there.
struct TInputSample {
    bool Active = true; // the application has the input focus
    TKeySet KeysDown = 0;
    TKeySet KeysWentDown = 0;
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    std::uint8_t MouseDown = 0;
    std::uint8_t MouseWentDown = 0;
    bool JoystickPresent = false;
    int JoystickX = 0;                         // negative: left
    int JoystickY = 0;                         // negative: up
    std::uint32_t JoystickButtonsDown = 0;     // bit i = button index i (0-based)
    std::uint32_t JoystickButtonsWentDown = 0; // likewise
};

class IInputDevice {
public:
    virtual ~IInputDevice() = default;
    // Takes a sample and starts a new "went down" interval. Called once per
    // input update; scripted devices count their time in these calls.
    virtual TInputSample Sample() = 0;
    // Function keys F1..F12, read directly by the program, never logical buttons.
    // Down: the key is down now. Pressed: it went down during the interval that the
    // last Sample closed.
    virtual bool FunctionKeyDown(int n) const = 0;
    virtual bool FunctionKeyPressed(int n) const = 0;
};

} // namespace kestra

#include "media/MultiInput.h"

#include "base/IniFile.h"

#include <algorithm>

namespace kestra {

namespace {
using K = TKeyCode;
constexpr K _ = K::None;
} // namespace

const TKeyTable KDefaultKeyTable = {{
    {K::Down, K::Pad2, K::J, _, _, _, _, _},                       // Down
    {K::Left, K::Pad4, K::H, _, _, _, _, _},                       // Left
    {K::Right, K::Pad6, K::L, _, _, _, _, _},                      // Right
    {K::Up, K::Pad8, K::K, _, _, _, _, _},                         // Up
    {K::Space, K::Return, K::PadEnter, K::Z, _, _, _, _},          // Decide
    {K::Escape, K::Pad0, K::Insert, K::X, K::C, K::V, K::B, K::N}, // Cancel
    {},
    {},
    {},
    {},
}};

std::string_view KeyCodeName(TKeyCode key) {
    static constexpr std::string_view names[] = {
        "None",   "Down",     "Left",   "Right",  "Up",        "Pad2",   "Pad4",   "Pad6",
        "Pad8",   "J",        "H",      "L",      "K",         "Space",  "Return", "PadEnter",
        "Z",      "Escape",   "Pad0",   "Insert", "X",         "C",      "V",      "B",
        "N",      "A",        "D",      "E",      "F",         "G",      "I",      "M",
        "O",      "P",        "Q",      "R",      "S",         "T",      "U",      "W",
        "Y",      "Digit0",   "Digit1", "Digit2", "Digit3",    "Digit4", "Digit5", "Digit6",
        "Digit7", "Digit8",   "Digit9", "Tab",    "Backspace", "Delete", "Home",   "End",
        "PageUp", "PageDown", "Pad1",   "Pad3",   "Pad5",      "Pad7",   "Pad9"};
    static_assert(std::size(names) == static_cast<std::size_t>(TKeyCode::Count));
    auto i = static_cast<std::size_t>(key);
    return i < std::size(names) ? names[i] : std::string_view("?");
}

std::string_view PadButtonName(TPadButton button) {
    static constexpr std::string_view names[] = {
        "GamepadSouth", "GamepadEast", "GamepadWest", "GamepadNorth", "GamepadBack",
        "GamepadStart", "GamepadUp",   "GamepadDown", "GamepadLeft",  "GamepadRight"};
    static_assert(std::size(names) == static_cast<std::size_t>(TPadButton::Count));
    auto i = static_cast<std::size_t>(button);
    return i < std::size(names) ? names[i] : std::string_view("?");
}

TKeyCode KeyCodeOfName(std::string_view name) {
    for (int k = 1; k < static_cast<int>(TKeyCode::Count); ++k)
        if (SameAsciiName(KeyCodeName(static_cast<TKeyCode>(k)), name))
            return static_cast<TKeyCode>(k);
    return TKeyCode::None;
}

TMultiInput::TMultiInput(IInputDevice& device) : device_(device) {
    // Axes report -32768..32767: half range 32767, a 25 % dead zone around the centre.
    constexpr int min = -KJoystickAxisMax - 1, max = KJoystickAxisMax;
    constexpr int half = (max - min) / 2;
    constexpr int dead = half * 25 / 100;
    constexpr int centre = (max + min) / 2;
    JoystickLeft = JoystickTop = centre - dead;
    JoystickRight = JoystickBottom = centre + dead;
}

std::uint16_t TMultiInput::KeyBits(TKeySet keys) const {
    std::uint16_t bits = 0;
    for (int row = 0; row < KKeyTableRows; ++row)
        for (TKeyCode key : KeyTable[static_cast<std::size_t>(row)])
            if (keys & KeyBit(key)) bits = static_cast<std::uint16_t>(bits | (1u << row));
    return bits;
}

std::uint16_t TMultiInput::JoystickButtonBits(std::uint32_t buttons) const {
    std::uint16_t bits = 0;
    if (buttons & JoystickButtons.Decide) bits |= KButtonDecide;
    if (buttons & (JoystickButtons.Cancel | JoystickButtons.Menu)) bits |= KButtonCancel;
    return bits;
}

std::uint16_t TMultiInput::PadButtonBits(TPadButtons buttons) {
    std::uint16_t bits = 0;
    if (buttons & PadBit(TPadButton::South)) bits |= KButtonDecide;
    if (buttons & (PadBit(TPadButton::East) | PadBit(TPadButton::Start))) bits |= KButtonCancel;
    if (buttons & PadBit(TPadButton::DpadDown)) bits |= KButtonDown;
    if (buttons & PadBit(TPadButton::DpadLeft)) bits |= KButtonLeft;
    if (buttons & PadBit(TPadButton::DpadRight)) bits |= KButtonRight;
    if (buttons & PadBit(TPadButton::DpadUp)) bits |= KButtonUp;
    return bits;
}

bool TMultiInput::TakeHotKeyPress(THotKey key) {
    const std::uint32_t bit = 1u << static_cast<unsigned>(key);
    const bool pressed = (hotPressed_ & bit) != 0;
    hotPressed_ &= ~bit;
    return pressed;
}

bool TMultiInput::HotKeyDown(THotKey key) const {
    const TBoundKey bound = HotKeys[static_cast<std::size_t>(key)];
    if (bound.Function != 0) return device_.FunctionKeyDown(bound.Function);
    return LastSample.Active && !LastSample.Alt && (LastSample.KeysDown & KeyBit(bound.Key)) != 0;
}

bool TMultiInput::HotKeyPressed(THotKey key) const {
    const TBoundKey bound = HotKeys[static_cast<std::size_t>(key)];
    if (bound.Function != 0) return device_.FunctionKeyPressed(bound.Function);
    return LastSample.Active && (LastSample.KeysWentDown & KeyBit(bound.Key)) != 0;
}

void TMultiInput::Update() {
    TInputSample s = device_.Sample();
    LastSample = s;
    std::uint16_t previous = polled_;
    std::uint16_t bits = 0, wentDown = 0;
    if (s.Active) {
        if (s.JoystickPresent && !JoystickDisabled) {
            if (s.JoystickX < JoystickLeft) bits |= KButtonLeft;
            if (s.JoystickX > JoystickRight) bits |= KButtonRight;
            if (s.JoystickY < JoystickTop) bits |= KButtonUp;
            if (s.JoystickY > JoystickBottom) bits |= KButtonDown;
            bits |= JoystickButtonBits(s.JoystickButtonsDown);
            wentDown |= JoystickButtonBits(s.JoystickButtonsWentDown);
        }
        if (s.PadPresent) {
            if (s.PadStickX < JoystickLeft) bits |= KButtonLeft;
            if (s.PadStickX > JoystickRight) bits |= KButtonRight;
            if (s.PadStickY < JoystickTop) bits |= KButtonUp;
            if (s.PadStickY > JoystickBottom) bits |= KButtonDown;
            bits |= PadButtonBits(s.PadButtonsDown);
            wentDown |= PadButtonBits(s.PadButtonsWentDown);
        }
        // Alt combinations (Alt+Enter) are hot keys, never game input.
        if (!s.Alt) {
            bits |= KeyBits(s.KeysDown);
            wentDown |= KeyBits(s.KeysWentDown);
        }
        if (s.MouseDown & KMouseLeft) bits |= KButtonMouseLeft;
        if (s.MouseDown & KMouseRight) bits |= KButtonMouseRight;
        if (s.MouseWentDown & KMouseLeft) wentDown |= KButtonMouseLeft;
        if (s.MouseWentDown & KMouseRight) wentDown |= KButtonMouseRight;
        if (s.Shift) bits |= KButtonShift;
        if (s.Ctrl) bits |= KButtonCtrl;
    }
    for (int i = 0; i < KHotKeyCount; ++i)
        if (HotKeyPressed(static_cast<THotKey>(i))) hotPressed_ |= 1u << i;
    polled_ = bits;
    Held = bits;
    Pressed = static_cast<std::uint16_t>(wentDown | (bits & ~previous));

    // Key repeat: the press frame, then from counter 6 x interval every interval.
    const int interval = std::clamp(RepeatInterval, 1, 100000);
    if (Pressed & 0x3FF) {
        for (int bit = 9; bit >= 0; --bit)
            if (Pressed & (1u << bit)) {
                repeatButton_ = bit;
                break;
            }
        repeatCounter_ = 1;
    }
    Repeated = 0;
    if (repeatCounter_ > 0 && (Held & (1u << repeatButton_))) {
        if (repeatCounter_ == 1 ||
            (repeatCounter_ >= 6 * interval && repeatCounter_ % interval == 0))
            Repeated = static_cast<std::uint16_t>(1u << repeatButton_);
        ++repeatCounter_;
        // A button held for days must not overflow the counter; keep its phase.
        if (repeatCounter_ > 1'000'000'000) repeatCounter_ -= (1'000'000'000 / interval) * interval;
    }

    int dy = 0, dx = 0;
    if (Held & KButtonDown) ++dy;
    if (Held & KButtonUp) --dy;
    if (Held & KButtonLeft) --dx;
    if (Held & KButtonRight) ++dx;
    if (dx != 0 && dy != 0) {
        if (lastAxisHorizontal_)
            dx = 0;
        else
            dy = 0;
    } else if (dx != 0) {
        lastAxisHorizontal_ = true;
    } else if (dy != 0) {
        lastAxisHorizontal_ = false;
    }
    Direction = dy > 0 ? 2 : dx < 0 ? 4 : dx > 0 ? 6 : dy < 0 ? 8 : 0;
}

void TMultiInput::Flush() {
    Update();
    Update();
}

} // namespace kestra

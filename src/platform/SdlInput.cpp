#include "platform/SdlInput.h"

#include <SDL.h>

namespace kestra::platform {

namespace {

constexpr SDL_Scancode KScancodes[] = {
    SDL_SCANCODE_UNKNOWN,   SDL_SCANCODE_DOWN,     SDL_SCANCODE_LEFT,   SDL_SCANCODE_RIGHT,
    SDL_SCANCODE_UP,        SDL_SCANCODE_KP_2,     SDL_SCANCODE_KP_4,   SDL_SCANCODE_KP_6,
    SDL_SCANCODE_KP_8,      SDL_SCANCODE_J,        SDL_SCANCODE_H,      SDL_SCANCODE_L,
    SDL_SCANCODE_K,         SDL_SCANCODE_SPACE,    SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER,
    SDL_SCANCODE_Z,         SDL_SCANCODE_ESCAPE,   SDL_SCANCODE_KP_0,   SDL_SCANCODE_INSERT,
    SDL_SCANCODE_X,         SDL_SCANCODE_C,        SDL_SCANCODE_V,      SDL_SCANCODE_B,
    SDL_SCANCODE_N,         SDL_SCANCODE_A,        SDL_SCANCODE_D,      SDL_SCANCODE_E,
    SDL_SCANCODE_F,         SDL_SCANCODE_G,        SDL_SCANCODE_I,      SDL_SCANCODE_M,
    SDL_SCANCODE_O,         SDL_SCANCODE_P,        SDL_SCANCODE_Q,      SDL_SCANCODE_R,
    SDL_SCANCODE_S,         SDL_SCANCODE_T,        SDL_SCANCODE_U,      SDL_SCANCODE_W,
    SDL_SCANCODE_Y,         SDL_SCANCODE_0,        SDL_SCANCODE_1,      SDL_SCANCODE_2,
    SDL_SCANCODE_3,         SDL_SCANCODE_4,        SDL_SCANCODE_5,      SDL_SCANCODE_6,
    SDL_SCANCODE_7,         SDL_SCANCODE_8,        SDL_SCANCODE_9,      SDL_SCANCODE_TAB,
    SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_DELETE,   SDL_SCANCODE_HOME,   SDL_SCANCODE_END,
    SDL_SCANCODE_PAGEUP,    SDL_SCANCODE_PAGEDOWN, SDL_SCANCODE_KP_1,   SDL_SCANCODE_KP_3,
    SDL_SCANCODE_KP_5,      SDL_SCANCODE_KP_7,     SDL_SCANCODE_KP_9};
static_assert(std::size(KScancodes) == static_cast<std::size_t>(TKeyCode::Count));

std::uint8_t MouseBit(std::uint8_t sdlButton) {
    if (sdlButton == SDL_BUTTON_LEFT) return KMouseLeft;
    if (sdlButton == SDL_BUTTON_RIGHT) return KMouseRight;
    return 0;
}

} // namespace

TKeyCode KeyOfScancode(int code) {
    for (std::size_t i = 1; i < std::size(KScancodes); ++i)
        if (KScancodes[i] == code) return static_cast<TKeyCode>(i);
    return TKeyCode::None;
}

int ScancodeOf(TKeyCode key) {
    auto i = static_cast<std::size_t>(key);
    return i < std::size(KScancodes) ? static_cast<int>(KScancodes[i]) : 0;
}

SdlInput::SdlInput(bool useJoystick) : useJoystick_(useJoystick) {
    if (useJoystick_ && SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0) {
        joystickSystem_ = true;
        OpenJoystick();
    }
}

SdlInput::~SdlInput() {
    CloseJoystick();
    if (joystickSystem_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void SdlInput::OpenJoystick() {
    if (joystick_ || !joystickSystem_ || SDL_NumJoysticks() < 1) return;
    joystick_ = SDL_JoystickOpen(0);
    joystickId_ = joystick_ ? SDL_JoystickInstanceID(joystick_) : -1;
}

void SdlInput::CloseJoystick() {
    if (joystick_) SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    joystickId_ = -1;
}

void SdlInput::OnSdlEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN: {
        if (event.key.repeat) break;
        SDL_Scancode code = event.key.keysym.scancode;
        if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12)
            functionWentDown_ = static_cast<std::uint16_t>(functionWentDown_ |
                                                           (1u << (code - SDL_SCANCODE_F1 + 1)));
        if (!(event.key.keysym.mod & KMOD_ALT)) keysWentDown_ |= KeyBit(KeyOfScancode(code));
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        mouseWentDown_ = static_cast<std::uint8_t>(mouseWentDown_ | MouseBit(event.button.button));
        break;
    case SDL_JOYBUTTONDOWN:
        if (event.jbutton.which == joystickId_ && event.jbutton.button < 32)
            joystickWentDown_ |= 1u << event.jbutton.button;
        break;
    case SDL_JOYDEVICEADDED:
        if (useJoystick_) OpenJoystick();
        break;
    case SDL_JOYDEVICEREMOVED:
        if (event.jdevice.which == joystickId_) {
            CloseJoystick();
            OpenJoystick();
        }
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) active_ = true;
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) active_ = false;
        break;
    default:
        break;
    }
}

TInputSample SdlInput::Sample() {
    TInputSample s;
    s.Active = active_;
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    for (std::size_t i = 1; i < std::size(KScancodes); ++i)
        if (KScancodes[i] < count && keys[KScancodes[i]])
            s.KeysDown |= KeyBit(static_cast<TKeyCode>(i));
    s.KeysWentDown = keysWentDown_;
    SDL_Keymod mod = SDL_GetModState();
    s.Shift = (mod & KMOD_SHIFT) != 0;
    s.Ctrl = (mod & KMOD_CTRL) != 0;
    s.Alt = (mod & KMOD_ALT) != 0;
    Uint32 mouse = SDL_GetMouseState(nullptr, nullptr);
    if (mouse & SDL_BUTTON(SDL_BUTTON_LEFT)) s.MouseDown |= KMouseLeft;
    if (mouse & SDL_BUTTON(SDL_BUTTON_RIGHT)) s.MouseDown |= KMouseRight;
    s.MouseWentDown = mouseWentDown_;
    if (joystick_) {
        s.JoystickPresent = true;
        if (SDL_JoystickNumAxes(joystick_) >= 2) {
            s.JoystickX = SDL_JoystickGetAxis(joystick_, 0);
            s.JoystickY = SDL_JoystickGetAxis(joystick_, 1);
        }
        int buttons = SDL_JoystickNumButtons(joystick_);
        for (int b = 0; b < buttons && b < 32; ++b)
            if (SDL_JoystickGetButton(joystick_, b)) s.JoystickButtonsDown |= 1u << b;
        s.JoystickButtonsWentDown = joystickWentDown_;
    }
    keysWentDown_ = 0;
    mouseWentDown_ = 0;
    joystickWentDown_ = 0;
    functionPressed_ = functionWentDown_;
    functionWentDown_ = 0;
    return s;
}

bool SdlInput::FunctionKeyDown(int n) const {
    if (n < 1 || n > 12) return false;
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    int code = SDL_SCANCODE_F1 + n - 1;
    return code < count && keys[code];
}

bool SdlInput::FunctionKeyPressed(int n) const {
    return n >= 1 && n <= 12 && (functionPressed_ >> n & 1u);
}

} // namespace kestra::platform

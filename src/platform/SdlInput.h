#pragma once
// The input device over SDL: keyboard state and key events from the window's
// pump, the mouse buttons, every gamepad that SDL knows the layout of (its game
// controller mappings: the built-in database and the player's own file) and the
// first joystick it knows no layout for. Pads come and go while the game runs.
// Everything runs on the main thread: presses seen while events are pumped are
// kept until the next Sample, so a key tapped between two frames is never lost.
#include "media/InputDevice.h"
#include "platform/SdlEventSink.h"

#include <cstdint>
#include <filesystem>
#include <vector>

struct _SDL_Joystick;
struct _SDL_GameController;

namespace kestra::platform {

class SdlInput : public IInputDevice, public SdlEventSink {
public:
    // With useJoystick, opens every gamepad and the first other joystick attached
    // now or later; a `mappings` file that exists (SDL's gamecontrollerdb.txt
    // format) adds layouts to SDL's own, and a broken one is a warning.
    explicit SdlInput(bool useJoystick = true, const std::filesystem::path& mappings = {});
    ~SdlInput() override;
    SdlInput(const SdlInput&) = delete;
    SdlInput& operator=(const SdlInput&) = delete;

    TInputSample Sample() override;
    bool FunctionKeyDown(int n) const override;
    bool FunctionKeyPressed(int n) const override;
    void OnSdlEvent(const SDL_Event& event) override;

    bool HasJoystick() const { return joystick_ != nullptr; }
    std::size_t PadCount() const { return pads_.size(); }
    bool Active() const { return active_; }

private:
    struct TPad {
        _SDL_GameController* Controller = nullptr;
        std::int32_t Id = -1;
    };
    void OpenJoystick();
    void CloseJoystick();
    void OpenPad(int deviceIndex);
    void ClosePad(std::int32_t instanceId);

    bool useJoystick_;
    bool joystickSystem_ = false;
    _SDL_Joystick* joystick_ = nullptr;
    std::int32_t joystickId_ = -1;
    bool active_ = true;
    TKeySet keysWentDown_ = 0;
    std::uint8_t mouseWentDown_ = 0;
    std::uint32_t joystickWentDown_ = 0;
    std::vector<TPad> pads_;
    TPadButtons padWentDown_ = 0;
    std::uint16_t functionWentDown_ = 0; // collecting
    std::uint16_t functionPressed_ = 0;  // as of the last Sample
};

// The SDL scancode of a key-table key (0 for None), and the key of a scancode (None
// for keys the table cannot name).
int ScancodeOf(TKeyCode key);
TKeyCode KeyOfScancode(int scancode);

// $XDG_CONFIG_HOME/kestra/gamecontrollerdb.txt (default ~/.config); empty when neither
// variable is set.
std::filesystem::path UserPadMappingsFile();

} // namespace kestra::platform

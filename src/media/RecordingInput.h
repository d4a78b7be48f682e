#pragma once
// Records what the devices give while the game plays them. Every sample of the live
// device becomes a script change (a line only when something changed or a button was
// pressed again), and the game reads the script being written, not the device: a
// replay of the lines gives the game the very same samples and function keys.
#include "media/InputDevice.h"
#include "media/ScriptedInput.h"

#include <functional>
#include <memory>
#include <string>

namespace kestra {

class TRecordingInput : public IInputDevice {
public:
    // `writeLine` takes each script line as it is made.
    TRecordingInput(std::unique_ptr<IInputDevice> live,
                    std::function<void(const std::string&)> writeLine);

    TInputSample Sample() override;
    bool FunctionKeyDown(int n) const override { return script_.FunctionKeyDown(n); }
    bool FunctionKeyPressed(int n) const override { return script_.FunctionKeyPressed(n); }

    // The script the game reads (its function key presses drive the hot keys).
    TScriptedInput& Script() { return script_; }

    // The change that reproduces `live` after a sample that gave `previous`, with the
    // function keys held and pressed as the live device answers for them.
    static TScriptedInput::TState StateOf(const TInputSample& live,
                                          const TScriptedInput::TState& previous,
                                          std::uint16_t functionDown,
                                          std::uint16_t functionPressed);

private:
    std::unique_ptr<IInputDevice> live_;
    std::function<void(const std::string&)> writeLine_;
    TScriptedInput script_;
    TScriptedInput::TState last_;
    std::uint64_t samples_ = 0;
};

} // namespace kestra

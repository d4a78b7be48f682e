#pragma once
// An input device driven by a script, for tests and headless runs.
//
// Script format, one line per change:
//     N KEY KEY ...
// From the N-th call of Sample (counted from 1; 0 means from the start) on, exactly
// the listed keys are held; a line with no keys releases everything. N must grow
// from line to line. "#" starts a comment. Key names (any case): Down, Left, Right,
// Up, Decide, Cancel, Shift, Ctrl, Alt, F4, F5, F9, F10, F12.
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
        bool operator==(const TState&) const = default;
    };
    struct TChange {
        std::uint64_t From = 0; // sample number
        TState State;
    };

    TScriptedInput() = default;
    // Parses a script; sourceName names it in error messages ("file:line: ...").
    static TScriptedInput FromText(std::string_view text, const std::string& sourceName);
    static TScriptedInput FromFile(const std::filesystem::path& path);

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
    const std::vector<TChange>& Changes() const { return changes_; }

private:
    std::vector<TChange> changes_;
    std::size_t next_ = 0;
    TState current_;
    TKeySet taps_ = 0;
    std::uint16_t functionPressed_ = 0;
    std::uint16_t unclaimedPresses_ = 0;
    std::uint64_t samples_ = 0;
    bool active_ = true;
};

} // namespace kestra

#pragma once
// Frame pacing of the display: an absolute schedule (base time plus frame count
// times the frame time) re-anchored every second, a lag measure that lets the
// game skip drawing when it falls behind, and the frame wait that pumps window
// messages. Clock, sleeping and messages come from the host, so the schedule runs
// the same over SDL, in headless runs and against a test clock.
#include "graphics/KandelBoard.h"
#include "media/KeyBindings.h"

#include <cstdint>
#include <functional>

namespace kestra {

// Hot keys the window saw since they were last taken.
struct THotKeys {
    bool ToggleScreenMode = false; // F4 (the FullScreen key) without Alt, or Alt+Enter
    bool ToggleZoom = false;       // F5 (the Zoom key)
    bool Reset = false;            // F12 (the Reset key)
};

class IKandelDrawHost {
public:
    virtual ~IKandelDrawHost() = default;
    // A monotonic millisecond clock.
    virtual std::uint64_t Milliseconds() = 0;
    // Sleeps about ms milliseconds; may return early when a window message arrives.
    virtual void Sleep(std::uint32_t ms) = 0;
    // Handles pending window messages; raises EKandelDrawAbort when the
    // application is closing (and EKandelDrawReset for the reset key).
    virtual void PumpMessages() = 0;
    // The application has the focus; while it has not, the game pauses.
    virtual bool IsApplicationActive() = 0;
    // Blocks until a window message is pending (or a short time-out passes).
    virtual void WaitForMessage() = 0;

    // Shows the board; full screen integer-scaled and centred.
    virtual void Present(const TKandelBoard&) {}
    // A window of `scale` times the board (1 unzoomed), or full screen; the picture is
    // enlarged by the largest whole factor that fits, or with `fit` by the largest
    // factor that keeps its aspect.
    virtual void ApplyScreenMode(bool /*fullScreen*/, int /*scale*/, bool /*fit*/) {}
    virtual THotKeys TakeHotKeys() { return {}; }
    // The keys of FullScreen, Zoom and Reset from now on (F4, F5, F12 until told).
    virtual void BindHotKeys(const THotKeyBindings& /*keys*/) {}
    // Headless runs: a frame's time has passed on a simulated clock.
    virtual void AdvanceClock(double /*ms*/) {}
};

class TKandelDraw {
public:
    // Headless: no sleeping, no pause while inactive, and GetLag always 0, so a
    // run depends only on its inputs.
    explicit TKandelDraw(IKandelDrawHost& host, bool headless = false);

    // The main board, 320 x 240.
    TKandelBoard Board;

    int FrameRate() const { return frameRate_; }
    void SetFrameRate(int framesPerSecond); // values of 0 or less are ignored
    int MaxLag() const { return maxLag_; }
    void SetMaxLag(int frames); // values below 2 become 1
    bool Headless() const { return headless_; }

    // Whole frames the game is behind its schedule (nearest, halves to even).
    int GetLag() const;
    // The frame loop draws only while the lag is below half the allowed lag (at
    // least one frame, so a MaxLag of 1 still draws when on time).
    bool DrawAllowed() const;
    // Restarts the schedule at now.
    void ResetTiming();
    // Waits until the next frame is due, pumping messages; pauses while the
    // application is inactive.
    void WaitFrame();
    // Window messages, then the hot keys (while HotKeysEnabled); raises
    // EKandelDrawAbort once a close was requested or the window closed, and
    // EKandelDrawReset for F12.
    void PumpMessages();
    // Shows the board, except in a frame that fast-forward passes over (it still
    // counts as presented: the game's pictures are the same at any speed).
    void Present() {
        if (fastForward_ <= 1 || fastPhase_ + 1 >= fastForward_) host_.Present(Board);
        ++presents_;
    }
    // Fast-forward: the game runs `frames` frames for each frame shown and waited
    // for (values below 2: normal speed). The frames between only pump messages,
    // and a headless clock does not move for them.
    void SetFastForward(int frames);
    int FastForward() const { return fastForward_; }
    // How many times the board has been presented.
    std::uint64_t Presents() const { return presents_; }

    bool FullScreen() const { return fullScreen_; }
    void SetFullScreen(bool fullScreen);
    void ToggleScreenMode() { SetFullScreen(!fullScreen_); }
    bool ScreenZoom() const { return zoom_; }
    void SetScreenZoom(bool zoom);
    // The window's size in boards: 1 unzoomed, else the zoom factor (2..4, default 2).
    // Setting 1 turns the zoom off, 2..4 turn it on at that factor.
    int WindowScale() const { return zoom_ ? zoomScale_ : 1; }
    void SetWindowScale(int scale);
    // Aspect-correct enlargement by any factor instead of whole factors.
    bool Fit() const { return fit_; }
    void SetFit(bool fit);
    // Applies the screen mode for the first time.
    void Initialize();
    [[noreturn]] void RequestReset();
    // Closing only sets a flag; the next pump raises EKandelDrawAbort, so code
    // running on after the request never uses freed objects.
    void RequestClose() { closeRequested_ = true; }
    bool CloseRequested() const { return closeRequested_; }

    // Hot keys act only while the game's main loop runs.
    bool HotKeysEnabled = false;
    // Called at the start of every frame wait with the number of that frame
    // (from 1); the board then holds the frame's picture.
    std::function<void(std::uint64_t)> OnFrame;

    // Frame waits so far; nested loops keep their timing through WaitFrame, so
    // tests count these rather than the system frame counter.
    std::uint64_t FramesWaited() const { return framesWaited_; }

private:
    // Gives the window side the screen mode and restarts the frame schedule.
    void ApplyScreenMode();
    // Milliseconds since the display was created.
    double Now() const;
    double Due() const { return base_ + static_cast<double>(count_) * frameTime_; }

    IKandelDrawHost& host_;
    bool headless_;
    std::uint64_t created_;
    int frameRate_ = 20;
    int maxLag_ = 4;
    double frameTime_ = 50.0;
    double base_ = 0.0; // schedule start, ms since creation
    int count_ = 0;     // frames since base_
    std::uint64_t framesWaited_ = 0;
    std::uint64_t presents_ = 0;
    bool fullScreen_ = false;
    bool zoom_ = false;
    int zoomScale_ = 2;
    bool fit_ = false;
    bool initialized_ = false;
    bool closeRequested_ = false;
    int fastForward_ = 1;
    int fastPhase_ = 0; // frames of the fast-forward group gone by
};

} // namespace kestra

#include "graphics/KandelDraw.h"
#include "base/Errors.h"

#include <algorithm>
#include <cmath>

namespace kestra {

TKandelDraw::TKandelDraw(IKandelDrawHost& host, bool headless)
    : host_(host), headless_(headless), created_(host.Milliseconds()) {
    Board.SetSize(320, 240);
    ResetTiming();
}

void TKandelDraw::Initialize() {
    initialized_ = true;
    ApplyScreenMode();
}

void TKandelDraw::ApplyScreenMode() {
    // Before the window exists the mode is only remembered.
    if (!initialized_) return;
    host_.ApplyScreenMode(fullScreen_, WindowScale(), fit_);
    ResetTiming();
}

void TKandelDraw::SetFullScreen(bool fullScreen) {
    if (fullScreen == fullScreen_) return;
    fullScreen_ = fullScreen;
    ApplyScreenMode();
}

void TKandelDraw::SetScreenZoom(bool zoom) {
    if (zoom == zoom_) return;
    zoom_ = zoom;
    ApplyScreenMode();
}

void TKandelDraw::SetWindowScale(int scale) {
    const int clamped = std::clamp(scale, 1, 4);
    const bool zoom = clamped > 1;
    const int zoomScale = zoom ? clamped : zoomScale_;
    if (zoom == zoom_ && zoomScale == zoomScale_) return;
    zoom_ = zoom;
    zoomScale_ = zoomScale;
    ApplyScreenMode();
}

void TKandelDraw::SetFit(bool fit) {
    if (fit == fit_) return;
    fit_ = fit;
    ApplyScreenMode();
}

void TKandelDraw::RequestReset() {
    throw EKandelDrawReset();
}

void TKandelDraw::PumpMessages() {
    host_.PumpMessages();
    if (closeRequested_) throw EKandelDrawAbort();
    THotKeys keys = host_.TakeHotKeys();
    if (!HotKeysEnabled) return;
    if (keys.ToggleScreenMode) ToggleScreenMode();
    if (keys.ToggleZoom) SetScreenZoom(!zoom_);
    if (keys.Reset) RequestReset();
}

void TKandelDraw::SetFrameRate(int framesPerSecond) {
    if (framesPerSecond <= 0) return;
    frameRate_ = framesPerSecond;
    frameTime_ = 1000.0 / framesPerSecond;
}

void TKandelDraw::SetFastForward(int frames) {
    fastForward_ = frames < 2 ? 1 : frames;
    if (fastForward_ == 1) fastPhase_ = 0;
}

void TKandelDraw::SetMaxLag(int frames) {
    maxLag_ = frames < 2 ? 1 : frames;
}

double TKandelDraw::Now() const {
    return static_cast<double>(host_.Milliseconds() - created_);
}

int TKandelDraw::GetLag() const {
    if (headless_) return 0;
    // nearbyint in the default rounding mode sends halves to the even neighbour.
    double lag = std::nearbyint((Now() - Due()) / frameTime_);
    return static_cast<int>(std::clamp(lag, -1e9, 1e9));
}

bool TKandelDraw::DrawAllowed() const {
    return GetLag() < std::max(1, maxLag_ / 2);
}

void TKandelDraw::ResetTiming() {
    base_ = Now();
    count_ = 0;
}

void TKandelDraw::WaitFrame() {
    ++framesWaited_;
    if (OnFrame) OnFrame(framesWaited_);
    if (fastForward_ > 1) {
        if (++fastPhase_ < fastForward_) {
            PumpMessages();
            return;
        }
        fastPhase_ = 0;
    }
    if (headless_) {
        host_.AdvanceClock(frameTime_);
        PumpMessages();
        return;
    }
    for (;;) {
        host_.Sleep(1);
        if (GetLag() > maxLag_) ResetTiming(); // too far behind: give up catching up
        const double t0 = Now();
        for (;;) {
            PumpMessages();
            double now = Now(), due = Due();
            if (now > due) break;
            // The frame is due once the clock has passed the due time.
            host_.Sleep(static_cast<std::uint32_t>(std::floor(due) - now) + 1);
        }
        if (++count_ >= frameRate_) {
            base_ += 1000.0; // re-anchor every second: fractional frame times do not drift
            count_ = 0;
        }
        // A long stall (a dragged window, a blocked pump) restarts the schedule
        // instead of causing a burst of catch-up frames.
        if (Now() - t0 > 2.0 * frameTime_) ResetTiming();
        if (host_.IsApplicationActive()) return;
        host_.WaitForMessage();
        ResetTiming();
    }
}

} // namespace kestra

#include "graphics/KandelDraw.h"

#include <algorithm>
#include <cmath>

namespace kestra {

TKandelDraw::TKandelDraw(IKandelDrawHost& host, bool headless)
    : host_(host), headless_(headless), created_(host.Milliseconds()) {
    ResetTiming();
}

void TKandelDraw::SetFrameRate(int framesPerSecond) {
    if (framesPerSecond <= 0) return;
    frameRate_ = framesPerSecond;
    frameTime_ = 1000.0 / framesPerSecond;
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
    if (headless_) {
        host_.PumpMessages();
        return;
    }
    for (;;) {
        host_.Sleep(1);
        if (GetLag() > maxLag_) ResetTiming(); // too far behind: give up catching up
        const double t0 = Now();
        for (;;) {
            host_.PumpMessages();
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

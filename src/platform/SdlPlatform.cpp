#include "platform/SdlPlatform.h"

#include "shell/GameConfig.h"

#include "base/Cp932.h"
#include "data/SaveData.h"
#include "platform/Cp932.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "platform/SdlFrameHost.h"
#include "platform/SdlInput.h"
#include "platform/SdlTonica.h"
#include "platform/SdlWindow.h"

#include <SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace kestra::platform {

namespace {

// The window and the display host over it, destroyed host first.
class SdlDisplayHost : public IKandelDrawHost {
public:
    SdlDisplayHost(const std::string& title, bool zoom, SdlWindow*& published)
        : window_(std::make_unique<SdlWindow>(title, 320, 240, zoom)),
          host_(std::make_unique<SdlFrameHost>(*window_)), published_(published) {
        published_ = window_.get();
    }
    ~SdlDisplayHost() override {
        published_ = nullptr;
        host_.reset();
    }
    SdlDisplayHost(const SdlDisplayHost&) = delete;
    SdlDisplayHost& operator=(const SdlDisplayHost&) = delete;

    std::uint64_t Milliseconds() override { return host_->Milliseconds(); }
    void Sleep(std::uint32_t ms) override { host_->Sleep(ms); }
    void PumpMessages() override { host_->PumpMessages(); }
    bool IsApplicationActive() override { return host_->IsApplicationActive(); }
    void WaitForMessage() override { host_->WaitForMessage(); }
    void Present(const TKandelBoard& board) override { host_->Present(board); }
    void ApplyScreenMode(bool fullScreen, int scale, bool fit) override {
        host_->ApplyScreenMode(fullScreen, scale, fit);
    }
    THotKeys TakeHotKeys() override { return host_->TakeHotKeys(); }

private:
    std::unique_ptr<SdlWindow> window_;
    std::unique_ptr<SdlFrameHost> host_;
    SdlWindow*& published_;
};

// The input devices, fed by the window's event pump while they live.
class SdlWindowInput : public SdlInput {
public:
    explicit SdlWindowInput(SdlWindow& window) : window_(window) { window_.AddEventSink(this); }
    ~SdlWindowInput() override { window_.RemoveEventSink(this); }
    SdlWindowInput(const SdlWindowInput&) = delete;
    SdlWindowInput& operator=(const SdlWindowInput&) = delete;

private:
    SdlWindow& window_;
};

} // namespace

std::unique_ptr<IKandelDrawHost> SdlPlatform::CreateDisplayHost(const std::string& titleUtf8,
                                                                bool zoom) {
    return std::make_unique<SdlDisplayHost>(titleUtf8, zoom, window_);
}

std::unique_ptr<IInputDevice> SdlPlatform::CreateInputDevice() {
    if (!window_) throw std::logic_error("the input devices need the window");
    return std::make_unique<SdlWindowInput>(*window_);
}

std::unique_ptr<ITonica> SdlPlatform::CreateTonica() {
    return std::make_unique<SdlTonica>();
}

std::unique_ptr<IKandelMovie> SdlPlatform::OpenMovie(const std::string& path) {
    return OpenFfmpegMovie(path);
}

void SdlPlatform::ShowErrorMessage(std::string_view titleCp932, std::string_view textCp932) {
    auto readable = [](std::string_view s) {
        return IsValidUtf8(s) ? std::string(s) : Cp932ToUtf8Lossy(s);
    };
    const std::string title = readable(titleCp932);
    const std::string text = readable(textCp932);
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    // Under the dummy or offscreen drivers there is nowhere to show a box; if
    // showing one fails, the text is on stderr already.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::string_view(driver) == "dummy" || std::string_view(driver) == "offscreen"))
        return;
    // A box as wide as its longest line: wrapped, it fits any screen.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), WrapText(text, 72).c_str(),
                             nullptr);
}

std::int64_t SdlPlatform::WallClockMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

TCodePageDecoder SdlPlatform::TextDecoder() {
    return CodePageToUtf8;
}

bool SdlPlatform::IsWritableDirectory(const std::filesystem::path& dir) {
    return platform::IsWritableDirectory(dir);
}

double SdlPlatform::SaveDayCount(std::int64_t unixMilliseconds) {
    return DayCountAt(unixMilliseconds);
}

void SdlPlatform::ReplaceFile(const std::filesystem::path& path,
                              std::span<const std::uint8_t> bytes) {
    platform::AtomicWriteFile(path, bytes);
}

} // namespace kestra::platform

#include "shell/HeadlessPlatform.h"

#include "base/Cp932.h"
#include "data/SaveData.h"

#include <cstdio>
#include <system_error>

namespace kestra {

TScriptedHotKeyHost::TScriptedHotKeyHost(std::unique_ptr<IKandelDrawHost> inner)
    : inner_(std::move(inner)) {}

THotKeys TScriptedHotKeyHost::TakeHotKeys() {
    THotKeys keys = inner_->TakeHotKeys();
    if (script_) {
        // Each press acts once, however many pumps follow it.
        const std::uint16_t presses = script_->TakeFunctionKeyPresses();
        const TKeySet keyPresses = script_->TakeKeyPresses();
        auto pressed = [&](THotKey hotKey) {
            const TBoundKey key = keys_[static_cast<std::size_t>(hotKey)];
            return key.Function != 0 ? (presses >> key.Function & 1u) != 0
                                     : (keyPresses & KeyBit(key.Key)) != 0;
        };
        if (resetFromScriptOnly_) {
            keys.Reset = pressed(THotKey::Reset);
            return keys;
        }
        keys.ToggleScreenMode |= pressed(THotKey::FullScreen);
        keys.ToggleZoom |= pressed(THotKey::Zoom);
        keys.Reset |= pressed(THotKey::Reset);
    }
    return keys;
}

std::unique_ptr<IKandelDrawHost> THeadlessPlatform::CreateDisplayHost(const std::string&, bool) {
    return std::make_unique<THeadlessDrawHost>(clock_);
}

std::unique_ptr<IInputDevice> THeadlessPlatform::CreateInputDevice() {
    return std::make_unique<TScriptedInput>();
}

std::unique_ptr<ITonica> THeadlessPlatform::CreateTonica() {
    return std::make_unique<TNullTonica>();
}

void THeadlessPlatform::ShowErrorMessage(std::string_view titleCp932, std::string_view textCp932) {
    auto readable = [this](std::string_view s) {
        if (IsValidUtf8(s) || !decoder_) return std::string(s);
        return decoder_(932, s).value_or(std::string(s));
    };
    const std::string title = readable(titleCp932), text = readable(textCp932);
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

std::int64_t THeadlessPlatform::WallClockMilliseconds() {
    return KHeadlessEpochMs + static_cast<std::int64_t>(clock_);
}

double THeadlessPlatform::SaveDayCount(std::int64_t unixMilliseconds) {
    return DayCountUtc(unixMilliseconds);
}

bool THeadlessPlatform::IsWritableDirectory(const std::filesystem::path& dir) {
    // Probe by creating a file: permission bits alone miss read-only mounts.
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return false;
    std::filesystem::path probe = dir / ".kestra-write-probe";
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    std::filesystem::remove(probe, ec);
    return true;
}

} // namespace kestra

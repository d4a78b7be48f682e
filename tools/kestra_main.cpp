// The player program: reads the command line and runs the game on the SDL
// platform, or on the headless one.
#include "platform/Cp932.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "platform/SdlPlatform.h"
#include "shell/GameConfig.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"
#include "shell/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The game directory's database and map tree are loaded before the first frame; a
// directory without them is an error naming the missing file.
void PrepareGameData(kestra::TGameMain& game) {
    kestra::PrepareGame(game);
}

} // namespace

int main(int argc, char** argv) {
    kestra::TCommandLine commandLine;
    try {
        commandLine = kestra::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const kestra::ECommandLineError& e) {
        std::fprintf(stderr, "kestra: %s\n", e.what());
        return 2;
    }
    if (commandLine.Help) {
        std::fputs(kestra::CommandLineHelp(
                       "kestra", kestra::UserConfigPath(kestra::ProcessEnvironment()).string())
                       .c_str(),
                   stdout);
        return 0;
    }
    if (commandLine.Version) {
        std::printf("kestra %s\n", std::string(kestra::PlayerVersion()).c_str());
        return 0;
    }
    kestra::TakeGameDirectoryWord(commandLine);
    for (const std::string& warning : kestra::CommandLineWarnings(commandLine))
        std::fprintf(stderr, "kestra: warning: %s\n", warning.c_str());
    try {
        kestra::LoadReplay(commandLine);
    } catch (const kestra::ECommandLineError& e) {
        std::fprintf(stderr, "kestra: %s\n", e.what());
        return 2;
    } catch (const kestra::EKestraError& e) {
        std::fprintf(stderr, "kestra: %s\n", e.what());
        return 1;
    }
    if (!commandLine.Headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("SDL_VIDEODRIVER")) {
        std::fprintf(stderr, "kestra: no display found; running headless for 600 frames\n");
        commandLine.Headless = true;
        if (!commandLine.Frames) commandLine.Frames = 600;
    }
    if (commandLine.Headless) {
        // Nothing in a headless run opens SDL; these keep any library that does quiet.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        kestra::THeadlessPlatform platform(kestra::platform::AtomicWriteFile,
                                           kestra::platform::OpenFfmpegMovie);
        platform.SetTextDecoder(kestra::platform::CodePageToUtf8);
        return kestra::RunGame(commandLine, platform, PrepareGameData);
    }
    kestra::platform::SdlPlatform platform;
    return kestra::RunGame(commandLine, platform, PrepareGameData);
}

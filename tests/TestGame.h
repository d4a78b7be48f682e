#pragma once
// A packed test game (tests/games/NAME) copied into a temporary folder and played by
// the real game object on the headless platform with a scripted input: what a test
// checks is what the player would see (the board, the scene, the saved files).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"
#include "shell/TempDir.h"

namespace kestra::test {

class TTestGame {
public:
    // Copies the packed game; its saves go into the copy.
    explicit TTestGame(const std::string& name) {
        std::filesystem::copy(std::filesystem::path(KESTRA_GAMES_DIR) / name, Dir.Path(),
                              std::filesystem::copy_options::recursive);
    }

    // Builds the game object over the copy: test play (no logos) unless other words are
    // given, headless, seed 1, the input script `script` (see the README's format), a
    // limit of `frames` frames.
    TGameMain& Start(const std::string& script, std::uint64_t frames,
                     std::vector<std::string> words = {"TestPlay"}) {
        Game.reset();
        Platform = std::make_unique<THeadlessPlatform>();
        TCommandLine line;
        line.Words = std::move(words);
        line.GameDir = Dir.Path();
        line.Headless = true;
        line.Seed = 1;
        line.Frames = frames;
        line.InputScript = Dir.Write("input.txt", script).string();
        Game = std::make_unique<TGameMain>(line, *Platform);
        PrepareGame(*Game);
        return *Game;
    }

    // Start, then the frame loop until the frame limit; answers the game object as the
    // player left it.
    TGameMain& Play(const std::string& script, std::uint64_t frames,
                    std::vector<std::string> words = {"TestPlay"}) {
        TGameMain& game = Start(script, frames, std::move(words));
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        return game;
    }

    // The bytes of a file of the game folder (empty when it does not exist).
    std::vector<std::uint8_t> Read(const std::string& name) const {
        std::ifstream in(Dir.Path() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(Dir.Path() / name);
    }

    TempDir Dir;
    std::unique_ptr<THeadlessPlatform> Platform;
    std::unique_ptr<TGameMain> Game;
};

} // namespace kestra::test

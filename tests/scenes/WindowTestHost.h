#pragma once
// Windows, the message box and scenes built over the real game object of a test game
// (tests/games/basic) that is started but not run: a new game stands on its first
// map, the windows draw with the game's one skin (the coded test skin loaded into it)
// onto the game's board, and a test sets the game's logical buttons and scene byte
// for each frame it drives by hand. Sounds are the game's recorded sound effects.
#include "../TestGame.h"
#include "../graphics/TestSystemGraphic.h"
#include "media/MultiInput.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"
#include "state/LGD_GameState.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kestra::testing {

// No frame limit for games driven by hand.
inline constexpr std::uint64_t KNoFrameLimit = 1'000'000'000;

class TTestWindowHost {
public:
    // codedSkin false keeps the game's own system graphic.
    explicit TTestWindowHost(bool codedSkin = true, const std::string& gameName = "basic")
        : Files(gameName), game(Files.Start("0\n", KNoFrameLimit)), system(game.SystemGraphic()),
          board(game.Board()), keys(game.Input->Repeated), scene(game.System().Scene) {
        StartNewGame(game);
        scene = KSceneField;
        board.Brightness = 100;
        if (codedSkin) system.LoadSystemBitmap(CodedSystemBitmap());
    }
    TTestWindowHost(const TTestWindowHost&) = delete;
    TTestWindowHost& operator=(const TTestWindowHost&) = delete;

    // Windows take the game object.
    operator TGameMain&() { return game; }

    TLcfgGameState& State() { return game.State(); }
    // Cursor sounds the windows played so far.
    int CursorSounds() const { return Files.Platform->Sound->Count("Cursor"); }
    // The recorded sound effects as "Sound/<name>" (the file's stem).
    std::vector<std::string> Sounds() const {
        std::vector<std::string> names;
        for (const std::string& path : Files.Platform->Sound->Sounds)
            names.push_back("Sound/" + std::filesystem::path(path).stem().string());
        return names;
    }

    test::TTestGame Files;
    TGameMain& game;
    TVezSystemGraphic& system;
    TKandelBoard& board;
    std::uint16_t& keys; // the repeated buttons of this frame
    std::uint8_t& scene; // the game state's scene byte
};

} // namespace kestra::testing

#pragma once
// The owner of the process-wide objects and the frame loop.
//
// Creation order (destruction is the reverse):
//   start-up configuration, the code page of the game's text, the player's settings and
//   asset lookup,
//   frame recorder (hash log, screenshots, frame limit), replay recorder or checker,
//   display (its window side from the platform, the 320 x 240 board),
//   sound (Create, InitMidi, InitWave),
//   random generator (seeded from --seed, else from the platform's clock),
//   input device (an input script when given, else the platform's devices) and
//   the logical buttons,
//   the interface skin (the one system graphic every window draws with),
//   the session: map tree, current map, database and game state (empty until a
//   game is prepared), then message pool and message window (slots filled as those
//   objects exist),
//   the scene slots (the field is installed with each game), the menu, battle,
//   shop, name input, save file, title, game-over and debug scenes, and the
//   placeholder scene, and the settings screen.
// Sound is released before anything is destroyed.
#include "base/AssetLookup.h"
#include "base/CodePage.h"
#include "base/Random.h"
#include "graphics/GR_Font.h"
#include "graphics/GR_System.h"
#include "graphics/KandelDraw.h"
#include "media/MultiInput.h"
#include "media/ScriptedInput.h"
#include "media/Tonica.h"
#include "shell/FrameRecorder.h"
#include "shell/GameConfig.h"
#include "shell/GamePlatform.h"
#include "shell/HeadlessPlatform.h"
#include "shell/LS_Base.h"
#include "shell/PlaceholderScene.h"
#include "shell/Replay.h"
#include "shell/Settings.h"
#include "state/LGD_System.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace kestra {

class TLcfgGameState;
class TVezBattleScene;
class TVezDebugScene;
class TVezGameOverScene;
class TVezMenuScene;
class TVezNameScene;
class TVezSaveFileScene;
class TVezShopScene;
class TVezTitleScene;
class TVezSettingsScreen;
struct TGameSession;

inline constexpr int KSceneCount = 9;
inline constexpr int KMaxLagFrames = 20;
inline constexpr int KGameFrameRate = 60;
// Frames that pass after F12 is released before the game starts again.
inline constexpr int KResetSettleFrames = 20;

class TGameMain : public TSceneHost {
public:
    // Builds every process-wide object in the order above. The platform must
    // outlive the game. Raises what configuration and loading raise.
    TGameMain(const TCommandLine& commandLine, IGamePlatform& platform);
    ~TGameMain() override;
    TGameMain(const TGameMain&) = delete;
    TGameMain& operator=(const TGameMain&) = delete;

    // Runs until the window closes, the frame limit is reached or an error
    // escapes. F12 unwinds to here; the database and map tree are read again and
    // the game starts over.
    void Run();
    // One entry of the main loop: ResetGame, then frames until an exception.
    void KandelDrawMain();
    // Back to the start state: silence, a black board, every scene reset, the
    // wait for F12 to be released plus KResetSettleFrames, then the title (or the
    // battle test).
    void ResetGame();
    // Ends the recording or the replay check of a run that stopped; the exit code.
    // A replay that stopped before its end, or did not match, raises EReplayMismatch.
    int FinishReplay();
    // Leaves full screen so that a message box can be seen.
    void LeaveFullScreen() noexcept;
    // A message for the player that does not end the game (a save that failed), shown
    // with the game's title.
    void ShowMessage(std::string_view text);
    // Gives the display what changed since `before`, and the sound and the input what
    // the settings say now.
    void ApplySettings(const TSettings& before);

    // TSceneHost
    TKandelBoard& Board() override { return Display->Board; }
    bool CanDraw() override { return Display->DrawAllowed(); }
    void Present() override { Display->Present(); }
    void WaitFrame() override { Display->WaitFrame(); }
    void FlushInput() override { Input->Flush(); }
    TRandom& Random() override { return *RandomGenerator; }

    // The scene that runs for a scene number: one installed into its slot, else the
    // game's own scene of that number once a game is loaded, else the placeholder.
    TVezScene& SceneFor(std::uint8_t number);
    // Installs a scene into its slot (the field of each game; tests); it takes the
    // place of the game's own scene of that number.
    void SetScene(std::uint8_t number, std::unique_ptr<TVezScene> scene);

    // The machine the game runs on (movies are opened through it).
    IGamePlatform& Platform() { return platform_; }

    // The input script when the run has one.
    TScriptedInput* Script() { return script_; }

    // The system state of the game state: the scene byte and the frame counter.
    TLcfgSystem& System();
    // The game state of the session.
    TLcfgGameState& State();
    // The interface skin, brought up to the game state's system graphic, window
    // background and font first (an event's change reaches it here). A picture that
    // is not found raises an error naming it; an empty name gives a blank skin.
    TVezSystemGraphic& SystemGraphic();

    // Process-wide objects, declared in creation order so that they are
    // destroyed in reverse.
    TGameConfig Config;
    // The code page of every text of the game (--encoding, the user's config file, else
    // guessed from the database): lead bytes, glyphs, file names, caption, messages.
    TCodePage CodePage;
    // The player's settings: the file's, with the command line's on top.
    std::unique_ptr<TSettingsStore> Settings;
    std::unique_ptr<TAssetLookup> Assets;
    std::int32_t BattleTestTroop = 0;
    std::unique_ptr<TFrameRecorder> Recorder;
    // --record: the replay being written. --replay: the check and the saves the
    // recording started with, in a scratch folder that stands in for the save folder.
    std::unique_ptr<TReplayRecorder> ReplayRecorder;
    std::unique_ptr<TReplayChecker> ReplayChecker;
    std::unique_ptr<TScratchDir> ReplaySaves;
    std::unique_ptr<TScriptedHotKeyHost> DisplayHost;
    std::unique_ptr<TKandelDraw> Display;
    std::unique_ptr<ITonica> Sound;
    std::unique_ptr<TRandom> RandomGenerator;
    std::unique_ptr<IInputDevice> InputDevice;
    std::unique_ptr<TMultiInput> Input;
    // The glyphs and the interface skin; read the skin through SystemGraphic().
    std::unique_ptr<TGlyphFont> Font;
    std::unique_ptr<TVezSystemGraphic> Skin;
    // The database, map tree, current map unit and game state (empty until
    // PrepareGame loads a game). Slots for the message pool and message window go
    // after it as those objects are built.
    std::shared_ptr<TGameSession> Session;
    // Installed scenes by number (the field); empty slots run the scenes below.
    std::array<std::unique_ptr<TVezScene>, KSceneCount> Scenes;
    // The game's own scenes, never null once the game object is built.
    std::unique_ptr<TVezMenuScene> Menu;
    std::unique_ptr<TVezBattleScene> Battle;
    std::unique_ptr<TVezShopScene> Shop;
    std::unique_ptr<TVezNameScene> Name;
    std::unique_ptr<TVezSaveFileScene> SaveFile;
    std::unique_ptr<TVezTitleScene> Title;
    std::unique_ptr<TVezGameOverScene> GameOver;
    // Test play's switch and variable editor (its place in the lists lasts the run).
    std::unique_ptr<TVezDebugScene> Debug;
    std::unique_ptr<TPlaceholderScene> Placeholder;
    // The settings screen of the Settings key (F1), over whatever runs.
    std::unique_ptr<TVezSettingsScreen> SettingsScreen;

private:
    void StartReplayCheck(const TCommandLine& commandLine);

    IGamePlatform& platform_;
    std::string battleTestWord_;       // the fourth command-line word
    TScriptedInput* script_ = nullptr; // InputDevice when it is a script
    std::uint64_t presentsSeen_ = 0;   // the display's presents at the last frame's end
    // The system graphic, window background and font the skin shows (none yet before
    // the first use).
    bool skinLoaded_ = false;
    std::string skinName_;
    std::int32_t skinBackground_ = 0, skinFont_ = 0;
};

// The top handler: builds the game, runs it and turns whatever escapes into an
// exit code. The window closing and the frame limit end with 0; an error leaves
// full screen, shows its message with the game's title and ends with 1.
// prepare runs on the built game before it starts (tests install scenes there).
int RunGame(const TCommandLine& commandLine, IGamePlatform& platform,
            const std::function<void(TGameMain&)>& prepare = {});

} // namespace kestra

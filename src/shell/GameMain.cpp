#include "shell/GameMain.h"

#include "scenes/LS_Field.h"

#include "base/Errors.h"
#include "base/Warning.h"
#include "battle/LS_Battle.h"
#include "media/RecordingInput.h"
#include "scenes/LS_Debug.h"
#include "scenes/LS_Menu.h"
#include "scenes/LS_Name.h"
#include "scenes/LS_SaveFile.h"
#include "scenes/LS_Settings.h"
#include "scenes/LS_Shop.h"
#include "shell/GameCodePage.h"
#include "shell/GameSetup.h"
#include "shell/LS_GameOver.h"
#include "shell/LS_Title.h"

#include <cstdio>
#include <new>

namespace kestra {

namespace {

// A line about a recording or a replay: for whoever runs it, on stderr, never a box.
void Report(const std::string& text) {
    std::fprintf(stderr, "kestra: %s\n", text.c_str());
}

// Hot keys act only while the main loop runs.
class THotKeyScope {
public:
    explicit THotKeyScope(TKandelDraw& display) : display_(display) {
        display_.HotKeysEnabled = true;
    }
    ~THotKeyScope() { display_.HotKeysEnabled = false; }
    THotKeyScope(const THotKeyScope&) = delete;
    THotKeyScope& operator=(const THotKeyScope&) = delete;

private:
    TKandelDraw& display_;
};

} // namespace

TGameMain::TGameMain(const TCommandLine& commandLine, IGamePlatform& platform)
    : Config(LoadGameConfig(commandLine, platform.Environment(),
                            [&platform](const std::filesystem::path& dir) {
                                return platform.IsWritableDirectory(dir);
                            })),
      CodePage(ChooseCodePage(Config), platform.TextDecoder()), platform_(platform),
      battleTestWord_(commandLine.Word(4)) {
    if (!Config.CodePage && CodePage.Number() != KDefaultCodePage)
        Report("the game's texts look like code page " + std::to_string(CodePage.Number()) +
               "; --encoding N or Encoding=N under [game:" + Config.GameFolderName +
               "] in the config file chooses another");
    Settings = std::make_unique<TSettingsStore>(
        UserConfigPath(platform.Environment()), commandLine,
        [&platform](const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
            platform.ReplaceFile(path, bytes);
        });
    if (commandLine.Replay || commandLine.RecordFile) {
        // A replay reads the keys as the recording did: both use the default bindings,
        // and a replay writes no settings.
        if (Settings->KeepDefaultBindings() && commandLine.RecordFile)
            Warn("the recording uses the default keys; the key bindings of " +
                 Settings->Path().string() + " are not used while recording");
        if (commandLine.Replay) Settings->SetReadOnly();
    }
    Assets = std::make_unique<TAssetLookup>(Config.GameDir, Config.RuntimePackagePath, CodePage);
    Recorder = std::make_unique<TFrameRecorder>(commandLine.HashLog, commandLine.Screenshots,
                                                commandLine.Frames);
    const std::int64_t clockStart = platform.WallClockMilliseconds();
    const std::uint32_t seed =
        commandLine.Seed ? *commandLine.Seed : static_cast<std::uint32_t>(clockStart);

    // A save directory that cannot be made is reported when a save is attempted:
    // the game itself can still be played.
    std::string saveDir = Config.GameDir;
    try {
        saveDir = GetSaveDir(Config, platform.Environment());
    } catch (const EFileError&) {
    }
    // Save times run from the recording's start, so a replay finds the newest save
    // where the recording did.
    std::int64_t clockShift = 0;
    // Saves moved out of a game directory that takes no new files (not a replay's).
    const bool movedSaves = !commandLine.Replay && saveDir != Config.GameDir;
    if (commandLine.Replay) {
        StartReplayCheck(commandLine);
        saveDir = ReplaySaves->Path().string() + "/";
        clockShift = commandLine.Replay->ClockStart - clockStart;
    } else if (commandLine.RecordFile) {
        TReplayFile header;
        header.Player = PlayerVersion();
        header.Game = Config.GameFolderName;
        header.DataHash = GameDataHash(Config.GameDir);
        header.Seed = seed;
        header.ClockStart = clockStart;
        header.Words = commandLine.Words;
        header.Saves = ReadSaveFiles(saveDir);
        ReplayRecorder = std::make_unique<TReplayRecorder>(*commandLine.RecordFile, header);
    }

    DisplayHost = std::make_unique<TScriptedHotKeyHost>(
        platform.CreateDisplayHost(CodePage.ToUtf8Lossy(Config.GameTitle), true));
    Display = std::make_unique<TKandelDraw>(*DisplayHost, platform.Headless());
    Display->SetFrameRate(KGameFrameRate);
    Display->SetMaxLag(KMaxLagFrames);
    // Without a setting: zoomed, and full screen unless the word "Window" is given.
    const TSettings& settings = Settings->Current();
    Display->SetWindowScale(settings.Scale);
    Display->SetFit(settings.Fit);
    Display->SetFullScreen(settings.FullScreen.value_or(!Config.WindowMode) &&
                           !platform.Headless());
    Display->OnFrame = [this](std::uint64_t frame) {
        if (Sound) Sound->AdvanceFrame();
        // A frame the loop skipped to catch up leaves the board as it was.
        const bool presented = Display->Presents() != presentsSeen_;
        presentsSeen_ = Display->Presents();
        if (ReplayRecorder) ReplayRecorder->Frame(frame, presented, Display->Board);
        if (ReplayChecker) ReplayChecker->Frame(frame, presented, Display->Board);
        if (Recorder->Record(frame, Display->Board)) throw EKandelDrawAbort();
    };
    Display->Initialize();

    Sound = platform.CreateTonica();
    Sound->Create();
    Sound->InitMidi();
    Sound->InitWave();
    Sound->SetPlayerVolumes(settings.MusicVolume, settings.SoundVolume);

    RandomGenerator = std::make_unique<TRandom>(seed);

    if (commandLine.Replay) {
        auto script = std::make_unique<TScriptedInput>(TScriptedInput::FromText(
            commandLine.Replay->InputScript(), commandLine.ReplayFile->string() + " (input)"));
        script_ = script.get();
        InputDevice = std::move(script);
    } else if (commandLine.InputScript) {
        auto script =
            std::make_unique<TScriptedInput>(TScriptedInput::FromFile(*commandLine.InputScript));
        script_ = script.get();
        InputDevice = std::move(script);
    } else {
        InputDevice = platform.CreateInputDevice();
        script_ = dynamic_cast<TScriptedInput*>(InputDevice.get());
    }
    if (ReplayRecorder) {
        // The game plays the script the recording writes: F12 resets as it will on replay.
        auto recording = std::make_unique<TRecordingInput>(
            std::move(InputDevice),
            [this](const std::string& line) { ReplayRecorder->WriteInputLine(line); });
        script_ = &recording->Script();
        InputDevice = std::move(recording);
        DisplayHost->SetResetFromScriptOnly(true);
    }
    DisplayHost->Attach(script_);
    Input = std::make_unique<TMultiInput>(*InputDevice);
    Settings->ApplyTo(*Input);
    DisplayHost->BindHotKeys(settings.HotKeys);
    Font = std::make_unique<TGlyphFont>(CodePage);
    Skin = std::make_unique<TVezSystemGraphic>(*Font, Assets.get());

    Session = CreateGameSession(
        *this, saveDir,
        [&platform](const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
            platform.ReplaceFile(path, bytes);
        },
        [&platform, clockShift] {
            return platform.SaveDayCount(platform.WallClockMilliseconds() + clockShift);
        });
    if (movedSaves) {
        // Saves that moved are said once, and the game directory's own saves still show.
        Warn("saves go to " + saveDir + ", since the game directory " + Config.GameDir +
             " cannot take new files; Continue lists the saves of both places");
        Session->Save->SetOtherSaveDirs({Config.GameDir});
    }

    Menu = std::make_unique<TVezMenuScene>(*this);
    Battle = std::make_unique<TVezBattleScene>(*this);
    Shop = std::make_unique<TVezShopScene>(*this);
    Name = std::make_unique<TVezNameScene>(*this);
    SaveFile = std::make_unique<TVezSaveFileScene>(*this);
    Title = std::make_unique<TVezTitleScene>(*this);
    GameOver = std::make_unique<TVezGameOverScene>(*this);
    Debug = std::make_unique<TVezDebugScene>(*this);
    Placeholder =
        std::make_unique<TPlaceholderScene>(*this, *Input, [this] { Display->RequestClose(); });
    SettingsScreen = std::make_unique<TVezSettingsScreen>(*this);
}

void TGameMain::ApplySettings(const TSettings& before) {
    const TSettings& settings = Settings->Current();
    // The screen follows only what changed: F4 and F5 of the run stay as they were.
    if (settings.FullScreen != before.FullScreen && settings.FullScreen)
        Display->SetFullScreen(*settings.FullScreen);
    if (settings.Scale != before.Scale) Display->SetWindowScale(settings.Scale);
    if (settings.Fit != before.Fit) Display->SetFit(settings.Fit);
    Sound->SetPlayerVolumes(settings.MusicVolume, settings.SoundVolume);
    Settings->ApplyTo(*Input);
    DisplayHost->BindHotKeys(settings.HotKeys);
}

TGameMain::~TGameMain() {
    // A run that ends in an error still leaves a complete recording of what it did.
    if (ReplayRecorder && Display) {
        try {
            ReplayRecorder->Finish(Display->Board);
        } catch (const EKestraError&) {
            // the error that ended the run is the one to report
        }
    }
    if (Sound) Sound->Release();
    if (DisplayHost) DisplayHost->Attach(nullptr);
}

TVezScene& TGameMain::SceneFor(std::uint8_t number) {
    if (number < KSceneCount && Scenes[number]) return *Scenes[number];
    // Without a game's data only the placeholder runs.
    if (!Session->GameLoaded) return *Placeholder;
    switch (number) {
    case KSceneMenu:
        return *Menu;
    case KSceneBattle:
        return *Battle;
    case KSceneShop:
        return *Shop;
    case KSceneName:
        return *Name;
    case KSceneSaveFile:
        return *SaveFile;
    case KSceneTitle:
        return *Title;
    case KSceneGameOver:
        return *GameOver;
    case KSceneDebug:
        return *Debug;
    default:
        return *Placeholder;
    }
}

TLcfgSystem& TGameMain::System() {
    return Session->Save->State.System;
}

TLcfgGameState& TGameMain::State() {
    return Session->Save->State;
}

TVezSystemGraphic& TGameMain::SystemGraphic() {
    const TLcfgSystem& system = System();
    const std::string& name = system.SystemGraphic();
    const std::int32_t background = system.WindowBackground(), font = system.Font();
    if (skinLoaded_ && name == skinName_ && background == skinBackground_ && font == skinFont_)
        return *Skin;
    // 0 stretches the window background, anything else tiles it.
    Skin->Tiling = background != 0;
    Skin->SetFont(font != 0);
    if (name.empty()) {
        TKandelBitmap blank;
        blank.Reset(TPixelFormat::Indexed8, KSystemGraphicWidth, KSystemGraphicHeight);
        Skin->LoadSystemBitmap(blank);
    } else {
        Skin->LoadSystemGraphic(name);
    }
    skinLoaded_ = true;
    skinName_ = name;
    skinBackground_ = background;
    skinFont_ = font;
    return *Skin;
}

void TGameMain::SetScene(std::uint8_t number, std::unique_ptr<TVezScene> scene) {
    if (number >= KSceneCount) throw EKestraError("scene number out of range");
    Scenes[number] = std::move(scene);
}

void TGameMain::Run() {
    for (;;) {
        try {
            THotKeyScope hotKeys(*Display);
            KandelDrawMain();
            return;
        } catch (const EKandelDrawReset&) {
            // F12: the next pass resets the whole game, over the game's files read
            // again (an author who edited them sees the change).
            if (Session->GameLoaded) LoadGameData(*this);
        }
    }
}

void TGameMain::KandelDrawMain() {
    ResetGame();
    TLcfgSystem& system = System();
    for (;;) {
        if (Config.BattleTestMode && system.Scene != KSceneBattle) {
            Display->RequestClose();
            return;
        }
        const std::uint8_t scene = system.Scene;
        // The saved counter wraps instead of overflowing.
        system.FrameCount =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(system.FrameCount) + 1U);
        Input->Update();
        // The settings stop the game where it is; it goes on from there afterwards.
        if (Session->GameLoaded && Input->HotKeyPressed(THotKey::Settings)) {
            SettingsScreen->Run();
            continue;
        }
        SceneFor(scene).Update();
        // A new scene starts at once: no drawing and no wait for the old one.
        if (system.Scene != scene) continue;
        // The field's force-draw mark (the message box's last closing step) draws even
        // when the frame loop is behind; the mark is spent by this decision.
        bool forced = false;
        if (scene == KSceneField && Session->Field != nullptr) {
            forced = Session->Field->ForceDraw;
            Session->Field->ForceDraw = false;
        }
        if (forced || Display->DrawAllowed()) {
            SceneFor(scene).Draw();
            Display->Present();
        }
        Display->WaitFrame();
    }
}

void TGameMain::ResetGame() {
    Sound->StopMusic();
    Sound->StopSound();
    TKandelBoard& board = Display->Board;
    board.Clear();
    board.Brightness = 0;
    Display->Present();
    Session->Save->Reset();
    // Every scene starts over; the debug scene's reset only closes its windows and keeps
    // its place in the lists for the whole run.
    for (int n = 0; n < KSceneCount; ++n) SceneFor(static_cast<std::uint8_t>(n)).Reset();
    Placeholder->Reset();
    // The screen stays black while F12 is held.
    Input->Update();
    while (Input->HotKeyDown(THotKey::Reset)) {
        Display->WaitFrame();
        Input->Update();
    }
    for (int i = 0; i < KResetSettleFrames; ++i) Display->WaitFrame();
    if (Config.BattleTestMode) {
        BattleTestTroop = ParseTroopNumber(battleTestWord_);
        if (Session->GameLoaded)
            SetupBattleTest(*this, BattleTestTroop);
        else
            System().Scene = KSceneBattle;
    } else {
        System().Scene = KSceneTitle;
    }
}

void TGameMain::StartReplayCheck(const TCommandLine& commandLine) {
    const TReplayFile& replay = *commandLine.Replay;
    const std::string name = commandLine.ReplayFile->string();
    if (GameDataHash(Config.GameDir) != replay.DataHash) {
        if (replay.Game != Config.GameFolderName)
            throw EReplayError(name + ": recorded with the game \"" + replay.Game +
                               "\", not with " + Config.GameDir);
        const std::string what =
            name + ": the game's data files differ from the recording's (edited since?)";
        if (commandLine.Strict) throw EReplayMismatch(what);
        Report("warning: " + what);
    }
    ReplaySaves = std::make_unique<TScratchDir>("kestra-replay");
    for (const auto& [file, bytes] : replay.Saves)
        platform_.ReplaceFile(ReplaySaves->Path() / file, bytes);
    ReplayChecker =
        std::make_unique<TReplayChecker>(*commandLine.ReplayFile, replay, commandLine.Approve);
}

int TGameMain::FinishReplay() {
    if (ReplayRecorder) ReplayRecorder->Finish(Display->Board);
    if (!ReplayChecker) return 0;
    const TReplayFile result = ReplayChecker->Finish(Display->FramesWaited());
    const std::string name = ReplayChecker->Path().string();
    if (ReplayChecker->Approving()) {
        const std::string text = FormatReplay(result);
        platform_.ReplaceFile(
            ReplayChecker->Path(),
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        Report(name + ": approved " + std::to_string(result.Checkpoints.size()) +
               " checkpoints and the end at frame " + std::to_string(result.End.Frame));
    } else {
        std::string text = name + ": " + std::to_string(ReplayChecker->Checked()) +
                           " checkpoints matched, the end included";
        if (ReplayChecker->Skipped() > 0)
            text += "; " + std::to_string(ReplayChecker->Skipped()) +
                    " skipped (frames the window did not draw)";
        Report(text);
    }
    return 0;
}

void TGameMain::LeaveFullScreen() noexcept {
    try {
        if (Display) Display->SetFullScreen(false);
    } catch (const std::exception&) {
        // The message box must still be shown.
    }
}

void TGameMain::ShowMessage(std::string_view text) {
    platform_.ShowErrorMessage(CodePage.ToUtf8Lossy(Config.GameTitle), CodePage.Readable(text));
}

int RunGame(const TCommandLine& commandLine, IGamePlatform& platform,
            const std::function<void(TGameMain&)>& prepare) {
    std::unique_ptr<TGameMain> game;
    std::string title = "Kestra";
    auto fail = [&](std::string_view message) {
        if (game) game->LeaveFullScreen();
        platform.ShowErrorMessage(title,
                                  game ? game->CodePage.Readable(message) : std::string(message));
        return 1;
    };
    try {
        game = std::make_unique<TGameMain>(commandLine, platform);
        title = game->CodePage.ToUtf8Lossy(game->Config.GameTitle);
        if (prepare) prepare(*game);
        game->Run();
        return game->FinishReplay();
    } catch (const EKandelDrawAbort&) {
        try {
            return game ? game->FinishReplay() : 0;
        } catch (const EReplayMismatch& e) {
            Report(e.what());
            return KReplayMismatchExit;
        } catch (const std::exception& e) {
            return fail(e.what());
        }
    } catch (const EReplayMismatch& e) {
        Report(e.what());
        return KReplayMismatchExit;
    } catch (const EKandelDrawReset&) {
        return fail("a reset was requested before the game was running");
    } catch (const EVezBattleEnd&) {
        return fail("a battle ended outside the battle scene");
    } catch (const std::bad_alloc&) {
        return fail("Out of memory: the system has not enough memory or resources left.");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

} // namespace kestra

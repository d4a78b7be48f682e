#include "shell/GameSetup.h"

#include "graphics/GR_ChipSet.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameMenuLink.h"
#include "shell/GameSaveLink.h"
#include "shell/GameTitleLink.h"

namespace kestra {

namespace {

// Vocabulary terms of the title window: new game, continue, quit.
constexpr std::int32_t KTermNewGame = 114, KTermContinue = 115, KTermQuit = 117;

} // namespace

void EnterMap(TGameMain& game, std::int32_t mapId) {
    TGameSession& session = *game.Session;
    LoadMapFromGameDir(session.Unit, *game.Assets, mapId);
    session.Unit.ChipSetGraphic().FindAsset = PictureFinder(*game.Assets);
    session.Unit.CharSetGraphic().FindAsset = PictureFinder(*game.Assets);
    session.Unit.AttachGraphics(session.DataBase.ChipSets);
    TLcfgGameState& state = session.Save->State;
    state.Map.Attach(session.Unit, session.DataBase.ChipSets, game.Random());
    state.Map.SetHero(state.Hero);
    state.Map.SetEvents({});
}

namespace {

// The message box over the session's game state, skinned like the title's windows.
void MakeMessageWindow(TGameMain& game, TGameSession& session) {
    TLcfgGameState& state = session.Save->State;
    session.PartyView = std::make_unique<TLcfgWindowPartyView>(state);
    session.MessageLink =
        std::make_unique<TVezMessageGameLink>(state, *game.Input, game.Config.TestPlayMode);
    session.MessageLink->HeroScreenYSource = [&state] { return state.Hero.ScreenY(); };
    session.MessageLink->VariablesChanged = [&state] { state.Map.Events.RefreshPages(); };
    session.MessageWindow = std::make_unique<TVezMessageWindow>(*game.TitleLink, *session.PartyView,
                                                                *session.MessageLink);
    session.Pictures = std::make_unique<TVezSystemGraphicLink>(game.TitleLink->SystemGraphic());
    session.Pictures->MessageFace =
        MessageFaceLoader(*session.MessageWindow, PictureFinder(*game.Assets));
    state.Env.Pictures = session.Pictures.get();
}

} // namespace

void StartNewGame(TGameMain& game) {
    TGameSession& session = *game.Session;
    session.StartPlace = session.Save->NewGame();
    TLcfgGameState& state = session.Save->State;
    TLcfgParty& hero = state.Hero;
    if (const auto* leader = state.PartyInfo.Member(0)) {
        auto walk = leader->WalkGraphic();
        hero.SpriteName = walk.Name;
        hero.SpriteIndex = walk.Index;
    }
    hero.SetPosition(session.StartPlace.MapId, session.StartPlace.X, session.StartPlace.Y);
    EnterMap(game, session.StartPlace.MapId);
    state.Map.Enter(true, nullptr);
    InstallField(game, session).CreateEvents();
}

TVezFieldScene& InstallField(TGameMain& game, TGameSession& session) {
    if (!session.MessageWindow) MakeMessageWindow(game, session);
    session.MessageWindow->Hide();
    session.MessagePool.Clear();
    session.WarnedCodes.clear();
    auto field = std::make_unique<TVezFieldScene>(game);
    TVezFieldScene& scene = *field;
    game.SetScene(KSceneField, std::move(field));
    InstallMenuScene(game, session, scene);
    return scene;
}

bool LoadSavedGame(TGameMain& game, std::int32_t slot) {
    TGameSession& session = *game.Session;
    // The saved game must be enterable before it replaces the running one.
    auto check = [&game](const TLcfgGameState& loaded) {
        if (loaded.Hero.MapId <= 0) throw EKestraError("the saved party stands on no map");
        TVezMap probe;
        LoadMapFromGameDir(probe, *game.Assets, loaded.Hero.MapId);
    };
    return session.Save->Load(slot, check);
}

void EnterSavedGame(TGameMain& game) {
    TGameSession& session = *game.Session;
    TLcfgGameState& state = session.Save->State;
    EnterMap(game, state.Hero.MapId);
    state.Map.Resume(nullptr);
    TVezFieldScene& field = InstallField(game, session);
    field.ResumeEvents();
    field.EnterFadeStep = 3;
    TLcfgSystem& system = state.System;
    if (!system.MusicStopped) system.PlayMusic(system.CurrentMusic, true);
}

std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer, TDayClock clock) {
    auto session = std::make_shared<TGameSession>();
    auto findAsset = [&game](std::string_view name, std::string_view folder) {
        const bool music = folder == "Music", sound = folder == "Sound";
        const auto path = game.Assets->FindAssetFile(
            name, folder,
            music   ? std::span<const std::string_view>(KMusicExtensions)
            : sound ? std::span<const std::string_view>(KSoundExtensions)
                    : std::span<const std::string_view>(KPictureExtensions));
        return path ? path->string() : std::string();
    };
    TLcfgEnvironment env(session->DataBase, *game.Sound, findAsset,
                         [&game] { game.Display->ResetTiming(); });
    env.MapTree = &session->MapTree;
    session->Save = std::make_unique<TLcfgSaveData>(std::move(env), std::move(saveDir),
                                                    std::move(writer), std::move(clock));
    return session;
}

std::shared_ptr<TGameSession> PrepareGame(TGameMain& game) {
    auto dataBaseFile = game.Assets->FindGameFile("KESTRA.ldb");
    auto mapTreeFile = game.Assets->FindGameFile("KESTRA.lmt");
    if (!dataBaseFile || !mapTreeFile) return nullptr;

    std::shared_ptr<TGameSession> session = game.Session;
    session->DataBase.LoadFromFile(dataBaseFile->string());
    session->MapTree.LoadFromFile(mapTreeFile->string());
    session->Save->Reset();

    const TVezSystem& system = session->DataBase.System;
    const TVezVocabulary& words = session->DataBase.Vocabulary;
    TVezTitleSettings settings;
    for (std::int32_t term : {KTermNewGame, KTermContinue, KTermQuit}) {
        const std::string& text = words.Term(term);
        if (!text.empty())
            settings.Commands[term == KTermNewGame ? 0 : term == KTermContinue ? 1 : 2] = text;
    }
    settings.SystemGraphic = system.SystemGraphic;
    settings.TitlePicture = system.TitleGraphic;
    settings.GameOverPicture = system.GameOverGraphic;
    settings.TitleMusic = system.Music[0].Name;
    settings.CursorSound = system.Sound[0].Name;
    settings.DecisionSound = system.Sound[1].Name;
    settings.BuzzerSound = system.Sound[3].Name;
    settings.NewGame = [&game] { StartNewGame(game); };
    InstallTitleScenes(game, std::move(settings));
    InstallSaveFileScene(game);
    return session;
}

} // namespace kestra

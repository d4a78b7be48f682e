#include "shell/GameSetup.h"

#include <iostream>

#include "graphics/GR_ChipSet.h"
#include "media/MultiInput.h"
#include "scenes/LS_Field.h"
#include "scenes/LS_Menu.h"
#include "shell/GameMain.h"

namespace kestra {

namespace {

// Loads map `mapId` into the session's unit and enters it with the hero at (x, y).
void EnterMap(TGameMain& game, TGameSession& session, std::int32_t mapId) {
    LoadMapFromGameDir(session.Unit, *game.Assets, mapId);
    session.Unit.ChipSetGraphic().FindAsset = PictureFinder(*game.Assets);
    session.Unit.CharSetGraphic().FindAsset = PictureFinder(*game.Assets);
    session.Unit.AttachGraphics(session.DataBase.ChipSets);
    TLcfgGameState& state = session.Save->State;
    state.Map.Attach(session.Unit, session.DataBase.ChipSets, game.Random());
    state.Map.SetHero(state.Hero);
    state.Map.SetEvents({});
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
    EnterMap(game, session, session.StartPlace.MapId);
    state.Map.Enter(true, nullptr);
    InstallField(game, session).CreateEvents();
}

TVezFieldScene& InstallField(TGameMain& game, TGameSession& session) {
    session.MessageWindow.Hide();
    session.MessagePool.Clear();
    TLcfgGameState& state = session.Save->State;
    auto field = std::make_unique<TVezFieldScene>(game, state.Map, state.Hero, session.Unit);
    field->MapTree = &session.MapTree;
    field->SceneNumber = &state.System.Scene;
    field->MessageWindow = &session.MessageWindow;
    field->MessagePool = &session.MessagePool;
    field->InputDirection = [&game] { return game.Input->Direction; };
    field->LoadMapUnit = [&game, &session](std::int32_t mapId) { EnterMap(game, session, mapId); };
    field->Game = &state;
    field->Input = game.Input.get();
    field->TestPlay = game.Config.TestPlayMode;
    field->Warn = [](const std::string& message) {
        std::cerr << "kestra: events: " << message << "\n";
    };
    field->MenuKey = [&game] {
        return (game.Input->Pressed & KButtonCancel) != 0 && game.System().MenuAllowed;
    };
    field->MenuOpened = [&game] { game.Menu->Open(); };
    TVezFieldScene& scene = *field;
    game.SetScene(KSceneField, std::move(field));
    session.Field = &scene;
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
    EnterMap(game, session, state.Hero.MapId);
    state.Map.Resume(nullptr);
    TVezFieldScene& field = InstallField(game, session);
    field.ResumeEvents();
    field.EnterFadeStep = 3;
    TLcfgSystem& system = state.System;
    if (!system.MusicStopped) system.PlayMusic(system.CurrentMusic, true);
}

std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer, TDayClock clock) {
    auto session = std::make_shared<TGameSession>(game);
    TLcfgEnvironment env;
    env.DataBase = &session->DataBase;
    env.MapTree = &session->MapTree;
    env.Sound = game.Sound.get();
    env.FindAsset = [&game](std::string_view name, std::string_view folder) {
        const bool music = folder == "Music", sound = folder == "Sound";
        const auto path = game.Assets->FindAssetFile(
            name, folder,
            music   ? std::span<const std::string_view>(KMusicExtensions)
            : sound ? std::span<const std::string_view>(KSoundExtensions)
                    : std::span<const std::string_view>(KPictureExtensions));
        return path ? path->string() : std::string();
    };
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
    session->GameLoaded = true;

    return session;
}

bool AnySaveExists(TGameMain& game, int count) {
    for (const auto& header : game.Session->Save->ListHeaders(count))
        if (header && header->Time > 0.0) return true;
    return false;
}

} // namespace kestra

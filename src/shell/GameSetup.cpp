#include "shell/GameSetup.h"

#include <iostream>

#include "graphics/GR_ChipSet.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameTitleLink.h"

namespace kestra {

namespace {

// Vocabulary terms of the title window: new game, continue, quit.
constexpr std::int32_t KTermNewGame = 114, KTermContinue = 115, KTermQuit = 117;

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

// A new game: the state from the database, the hero on the start position, the
// field scene on the start map.
void StartNewGame(TGameMain& game, TGameSession& session) {
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

    auto field = std::make_unique<TVezFieldScene>(game, state.Map, hero, session.Unit);
    field->MapTree = &session.MapTree;
    field->SceneNumber = &state.System.Scene;
    field->InputDirection = [&game] { return game.Input->Direction; };
    field->LoadMapUnit = [&game, &session](std::int32_t mapId) { EnterMap(game, session, mapId); };
    field->Game = &state;
    field->Input = game.Input.get();
    field->TestPlay = game.Config.TestPlayMode;
    field->Warn = [](const std::string& message) {
        std::cerr << "kestra: events: " << message << "\n";
    };
    field->CreateEvents();
    game.SetScene(KSceneField, std::move(field));
}

} // namespace

std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer) {
    auto session = std::make_shared<TGameSession>();
    TLcfgEnvironment env;
    env.DataBase = &session->DataBase;
    env.MapTree = &session->MapTree;
    env.Sound = game.Sound.get();
    session->Save =
        std::make_unique<TLcfgSaveData>(std::move(env), std::move(saveDir), std::move(writer));
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
    settings.NewGame = [&game, session] { StartNewGame(game, *session); };
    InstallTitleScenes(game, std::move(settings));
    return session;
}

} // namespace kestra

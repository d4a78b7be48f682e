#include "shell/GameSetup.h"

#include "shell/GameMain.h"
#include "shell/GameTitleLink.h"

namespace kestra {

namespace {

// Vocabulary terms of the title window: new game, continue, quit.
constexpr std::int32_t KTermNewGame = 114, KTermContinue = 115, KTermQuit = 117;

} // namespace

std::shared_ptr<TGameSession> PrepareGame(TGameMain& game) {
    auto dataBaseFile = game.Assets->FindGameFile("KESTRA.ldb");
    auto mapTreeFile = game.Assets->FindGameFile("KESTRA.lmt");
    if (!dataBaseFile || !mapTreeFile) return nullptr;

    auto session = std::make_shared<TGameSession>();
    session->DataBase.LoadFromFile(dataBaseFile->string());
    session->MapTree.LoadFromFile(mapTreeFile->string());
    TLcfgEnvironment env;
    env.DataBase = &session->DataBase;
    env.MapTree = &session->MapTree;
    env.Sound = game.Sound.get();
    session->Save = std::make_unique<TLcfgSaveData>(env, game.Config.GameDir, TSaveFileWriter{});

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
    // The title link holds the session through this callback, so the session goes
    // with the link, before the sound and display it refers to.
    settings.NewGame = [session] { session->StartPlace = session->Save->NewGame(); };
    InstallTitleScenes(game, std::move(settings));
    return session;
}

} // namespace kestra

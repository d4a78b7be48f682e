#include "shell/GameSetup.h"

#include "graphics/GR_ChipSet.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelSheet.h"
#include "interpreter/LGD_ScripterParty.h"
#include "media/MultiInput.h"
#include "scenes/LS_Field.h"
#include "scenes/LS_Menu.h"
#include "shell/GameMain.h"

namespace kestra {

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

bool LoadPanoramaPicture(TGameMain& game, TKandelBitmap& picture) {
    const TLcfgMap& map = game.Session->Save->State.Map;
    if (!map.HasPanorama()) return false;
    const std::string name = map.PanoramaName();
    if (name.empty()) return false;
    const auto path = game.Assets->FindAssetFile(name, "Panorama", KPictureExtensions);
    if (!path)
        throw EFileError(
            MapFileName(game.Session->Save->State.Hero.MapId) + ": the map's panorama \"" + name +
            "\" is not in the Panorama folder of the game directory or the " + "runtime package");
    ReadImageFile(path->string(), picture);
    return true;
}

void LoadScenePicture(TGameMain& game, TKandelSheet& sheet, const std::string& name,
                      const char* folder) {
    sheet.Clear();
    sheet.Transparent = false;
    if (name.empty()) return;
    const auto path = game.Assets->FindAssetFile(name, folder, KPictureExtensions);
    if (!path)
        throw EFileError(game.Session->DataBase.FileName + ": the system record names the " +
                         (std::string_view(folder) == "Title" ? "title" : "game-over") +
                         " picture \"" + name + "\", but " + folder + "/" + name +
                         " is in neither the game directory nor the runtime package");
    sheet.LoadFromFile(path->string(), true);
}

void UseMapChipSet(TGameMain& game) {
    TGameSession& session = *game.Session;
    if (const TVezChipSetItem* record = session.Save->State.Map.ChipSetRecord())
        session.Unit.ChipSetGraphic().SetChipSet(*record);
}

void TakeMapTreeSettings(TGameMain& game) {
    TGameSession& session = *game.Session;
    TLcfgGameState& state = session.Save->State;
    TLcfgSystem& system = state.System;
    const TLcfgMapSettings s = InheritedMapSettings(session.MapTree, state.Hero.MapId);
    if (s.MusicKind == 2) {
        // While riding, the map's music waits for the party to leave the vehicle.
        if (state.Hero.InVehicle)
            system.VehicleMusic = s.Music;
        else
            system.PlayMusic(s.Music);
    }
    system.TeleportAllowed = s.CanTeleport;
    system.EscapeAllowed = s.CanEscape;
    system.SaveAllowed = s.CanSave;
    system.BattleBackground = s.Backdrop;
}

void EnterNewMap(TGameMain& game, TVezFieldScene& field) {
    TGameSession& session = *game.Session;
    TLcfgGameState& state = session.Save->State;
    EnterMap(game, state.Hero.MapId);
    TakeLeaderSprite(state.Hero, state.PartyInfo);
    TKandelBitmap panorama;
    // The map state answers the panorama name only once its fields are cleared.
    state.Map.Clear();
    const bool picture = LoadPanoramaPicture(game, panorama);
    state.Map.Enter(true, picture ? &panorama : nullptr);
    TakeMapTreeSettings(game);
    field.CreateEvents();
    game.Display->ResetTiming();
}

void StartNewGame(TGameMain& game) {
    TGameSession& session = *game.Session;
    session.StartPlace = session.Save->NewGame();
    TLcfgGameState& state = session.Save->State;
    state.Hero.SetPosition(session.StartPlace.MapId, session.StartPlace.X, session.StartPlace.Y);
    EnterNewMap(game, InstallField(game, session));
}

TVezFieldScene& InstallField(TGameMain& game, TGameSession& session) {
    session.MessageWindow.Hide();
    session.MessagePool.Clear();
    session.WarnedCodes.clear();
    auto field = std::make_unique<TVezFieldScene>(game);
    TVezFieldScene& scene = *field;
    game.SetScene(KSceneField, std::move(field));
    session.Field = &scene;
    return scene;
}

bool LoadSavedGame(TGameMain& game, std::int32_t slot) {
    TGameSession& session = *game.Session;
    // The saved game must be enterable before it replaces the running one.
    auto check = [&game](const TLcfgGameState& loaded) {
        const TLcfgParty& hero = loaded.Hero;
        if (hero.MapId <= 0)
            throw EKestraError("the saved party stands on map " + std::to_string(hero.MapId) +
                               " (none)");
        TVezMap probe;
        LoadMapFromGameDir(probe, *game.Assets, hero.MapId);
        // A party off the map cannot be shown or moved: the save is refused.
        if (hero.X < 0 || hero.Y < 0 || hero.X >= probe.Width || hero.Y >= probe.Height)
            throw EKestraError("the saved party stands at (" + std::to_string(hero.X) + ", " +
                               std::to_string(hero.Y) + "), outside the " +
                               std::to_string(probe.Width) + " x " + std::to_string(probe.Height) +
                               " map " + std::to_string(hero.MapId));
    };
    return session.Save->Load(slot, check);
}

void EnterSavedGame(TGameMain& game) {
    TGameSession& session = *game.Session;
    TLcfgGameState& state = session.Save->State;
    EnterMap(game, state.Hero.MapId);
    TKandelBitmap panorama;
    const bool picture = LoadPanoramaPicture(game, panorama);
    state.Map.Resume(picture ? &panorama : nullptr);
    UseMapChipSet(game);
    TakeLeaderSprite(state.Hero, state.PartyInfo);
    TVezFieldScene& field = InstallField(game, session);
    field.ResumeEvents();
    field.EnterFadeStep = 3;
    TLcfgSystem& system = state.System;
    if (!system.MusicStopped) system.PlayMusic(system.CurrentMusic, true);
    game.Display->ResetTiming();
}

std::shared_ptr<TGameSession> CreateGameSession(TGameMain& game, std::string saveDir,
                                                TSaveFileWriter writer, TDayClock clock) {
    auto session = std::make_shared<TGameSession>(game);
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

void LoadGameData(TGameMain& game) {
    TGameSession& session = *game.Session;
    // Both files are required: a directory without them is no game.
    auto required = [&game](const char* name) {
        auto path = game.Assets->FindGameFile(name);
        if (!path)
            throw EFileError(std::string(name) + ": not found in the game directory " +
                             game.Config.GameDir);
        return path->string();
    };
    const std::string dataBaseFile = required(KDataBaseFile);
    const std::string mapTreeFile = required(KMapTreeFile);
    session.DataBase.LoadFromFile(dataBaseFile);
    session.MapTree.LoadFromFile(mapTreeFile);
}

std::shared_ptr<TGameSession> PrepareGame(TGameMain& game) {
    std::shared_ptr<TGameSession> session = game.Session;
    // The chooser's folder has no data; the chosen game is prepared when it starts.
    if (game.ChoosingGame()) return session;
    LoadGameData(game);
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

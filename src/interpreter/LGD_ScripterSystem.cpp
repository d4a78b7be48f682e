// Handlers of the map appearance and travel commands: chip set, panorama, encounter
// rate and tile replacement; teleport and escape destinations; the teleport, escape,
// save and menu permissions; and opening the save list and the menu.
#include <string>

#include "base/Errors.h"
#include "data/DataBase.h"
#include "graphics/KandelBitmap.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/LS_SaveFile.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

void ChangeChipSet(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    const std::int32_t id = l.Param(0);
    if (State(w).DataBase().ChipSets.Find(id) == nullptr) {
        Warn("change chip set: the database has no chip set " + std::to_string(id) +
             "; the map keeps its own");
        return;
    }
    State(w).Map.SetChipSet(id);
    UseMapChipSet(w);
}

void ChangePanorama(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgMap& map = State(w).Map;
    const bool had = map.HasPanorama();
    const std::string before = map.PanoramaName();
    map.PanoramaOverrideName = l.Text;
    map.PanoramaHScroll = l.Param(0) != 0;
    map.PanoramaVScroll = l.Param(1) != 0;
    map.PanoramaHAuto = l.Param(2) != 0;
    map.PanoramaHSpeed = l.Param(3);
    map.PanoramaVAuto = l.Param(4) != 0;
    map.PanoramaVSpeed = l.Param(5);
    // The same picture again only takes the new settings.
    if (had && map.HasPanorama() && map.PanoramaName() == before) {
        map.RefreshPanorama(nullptr, false);
        return;
    }
    TKandelBitmap picture;
    bool found = false;
    try {
        found = LoadPanoramaPicture(w, picture);
    } catch (const EKestraError& e) {
        // A missing or broken picture leaves an empty panorama, not a stopped game.
        Warn(std::string("change panorama: ") + e.what());
    }
    map.RefreshPanorama(found ? &picture : nullptr, true);
}

void ChangeEncounterRate(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    // -1 gives the map tree's steps back; 0 and less meets nobody.
    State(s.Game()).Map.SetEncounterSteps(l.Param(0) < -1 ? 0 : l.Param(0));
}

void ReplaceTiles(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    const std::int32_t layer = l.Param(0);
    if (layer != 0 && layer != 1) return;
    State(s.Game()).Map.ReplaceTiles(layer, l.Param(1), l.Param(2));
}

void ChangeTeleportTargets(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgTeleport& teleport = State(s.Game()).Teleport;
    if (l.Param(0) == 0)
        teleport.AddDestination(l.Param(1), l.Param(2), l.Param(3), l.Param(4) != 0, l.Param(5));
    else
        teleport.RemoveDestination(l.Param(1));
}

void SetEscapeTarget(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TLcfgTeleportItem& escape = State(s.Game()).Teleport.Escape();
    escape.MapId = l.Param(0);
    escape.X = l.Param(1);
    escape.Y = l.Param(2);
    escape.SetSwitch = l.Param(3) != 0;
    escape.SwitchId = l.Param(4);
}

void EnableTeleport(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    State(s.Game()).System.TeleportAllowed = l.Param(0) != 0;
}

void EnableEscape(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    State(s.Game()).System.EscapeAllowed = l.Param(0) != 0;
}

void EnableSaving(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    State(s.Game()).System.SaveAllowed = l.Param(0) != 0;
}

void EnableMainMenu(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    State(s.Game()).System.MenuAllowed = l.Param(0) != 0;
}

// The save list and the menu open over the field only: a battle's events stay in the
// battle.
bool OnTheField(TLcfgBaseScripter& s, const char* command) {
    if (!FieldLeft(s.Game())) return true;
    Warn(std::string(command) + ": only an event on the field opens it; ignored");
    return false;
}

void OpenSaveMenu(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    // A save point: the list goes back to the field afterwards.
    if (OnTheField(s, "open save menu")) s.Game().SaveFile->OpenForSave(KSceneField);
}

void OpenMainMenu(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine&) {
    if (OnTheField(s, "open main menu")) State(s.Game()).System.Scene = KSceneMenu;
}

} // namespace

std::vector<THandlerEntry> SystemHandlers() {
    return {
        {11710, ChangeChipSet},   {11720, ChangePanorama},        {11740, ChangeEncounterRate},
        {11750, ReplaceTiles},    {11810, ChangeTeleportTargets}, {11820, EnableTeleport},
        {11830, SetEscapeTarget}, {11840, EnableEscape},          {11910, OpenSaveMenu},
        {11930, EnableSaving},    {11950, OpenMainMenu},          {11960, EnableMainMenu},
    };
}

} // namespace kestra::scripter

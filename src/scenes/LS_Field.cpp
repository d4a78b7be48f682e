#include "scenes/LS_Field.h"

#include <algorithm>
#include <array>

#include "data/LD_ChipSet.h"
#include "media/MultiInput.h"
#include "media/Tonica.h"
#include "state/LGD_CmnEvent.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

struct TDrawEntry {
    TLcfgCharacter* Character;
    int Layer, X, Y;
    bool IsHero;
};

void SortEntries(std::vector<TDrawEntry>& list) {
    std::stable_sort(list.begin(), list.end(), [](const TDrawEntry& a, const TDrawEntry& b) {
        if (a.Layer != b.Layer) return a.Layer < b.Layer;
        if (a.Y != b.Y) return a.Y < b.Y;
        if (a.IsHero != b.IsHero) return b.IsHero;
        return a.X < b.X;
    });
}

} // namespace

TVezFieldScene::TVezFieldScene(TSceneHost& host, TLcfgMap& map, TLcfgParty& hero, TVezMap& unit)
    : TVezScene(host), Map(map), Hero(hero), Unit(unit) {
    Hero.Hooks = this;
}

void TVezFieldScene::Reset() {
    TVezScene::Reset();
    Entered = false;
    TeleportPending = false;
    TeleportMap = TeleportX = TeleportY = 0;
    ForceDraw = false;
}

TPoint TVezFieldScene::ZoomCentre() const {
    return {Hero.ScreenX(), Hero.ScreenY() - 8};
}

void TVezFieldScene::UpdateEventsOnce() {
    for (TLcfgCharacter* c : Map.Characters()) c->UpdatedThisFrame = false;
    if (Game != nullptr) Game->CommonEvents.UpdateParallel(World);
    Hero.InputDirection = InputDirection ? InputDirection() : 0;
    // Copied: a character update may not change the list, but a teleport request
    // carried out later rebuilds it.
    const std::vector<TLcfgCharacter*> list = Map.Characters();
    for (TLcfgCharacter* c : list) c->Update();
}

void TVezFieldScene::CreateEvents() {
    if (Game == nullptr) return;
    Map.MayMove = [this] {
        return !Game->Interpreter.IsRunning() || Game->System.EventsMoveDuringMessages;
    };
    Map.Events.CreateFromMap(Unit, World);
    Map.UseOwnEvents();
}

void TVezFieldScene::RelinkEvents() {
    if (Game == nullptr) return;
    Map.MayMove = [this] {
        return !Game->Interpreter.IsRunning() || Game->System.EventsMoveDuringMessages;
    };
    Map.Events.Relink(Unit, World);
    Map.UseOwnEvents();
}

void TVezFieldScene::Update() {
    if (!Entered) {
        FadeIn(10);
        Entered = true;
    }
    ++FrameCounter;
    UpdateEventsOnce();
    if (Game != nullptr) {
        if (Game->PartyInfo.TickTimer()) Map.Events.RefreshPages();
        Game->Interpreter.UpdateMain(World);
    }
    Map.Panorama.Update();
    PerformTeleport();
    if (SceneNumber != nullptr && *SceneNumber != KSceneField) {
        FadeOut(10);
        Entered = false;
    }
}

void TVezFieldScene::RequestTeleport(std::int32_t map, std::int32_t x, std::int32_t y) {
    TeleportPending = true;
    TeleportMap = map;
    TeleportX = x;
    TeleportY = y;
}

void TVezFieldScene::PerformTeleport() {
    if (!TeleportPending || Hero.Leaving) return;
    if (MessageBox != nullptr) MessageBox->Close();
    const bool visible = Host.Board().Brightness > 0 && TeleportHide != 20;
    if (visible) {
        Hero.ResetAnimation();
        HideWithTransition(TeleportHide);
    }
    for (int pass = 0; TeleportPending && pass < KMaxTeleportPasses; ++pass) {
        TeleportPending = false;
        const bool otherMap = TeleportMap != Hero.MapId;
        Hero.SetPosition(TeleportMap, TeleportX, TeleportY);
        Hero.EncounterCounter = 0;
        Hero.MenuRequested = false;
        if (otherMap) {
            if (LoadMapUnit) LoadMapUnit(TeleportMap);
            Map.Enter(true, nullptr);
            CreateEvents();
        } else {
            Map.Recentre();
        }
        if (Host.Board().Brightness == 0) Hero.ResetAnimation();
        UpdateEventsOnce();
    }
    if (visible) ShowWithTransition(TeleportShow);
}

bool TVezFieldScene::PrepareEncounter() {
    // The battle scene is not part of the program yet: the encounter is recorded and
    // the walk goes on.
    ++EncountersRolled;
    BattleUnavailable = true;
    return false;
}

bool TVezFieldScene::InterpreterRunning() {
    return Game != nullptr && Game->Interpreter.IsRunning();
}

bool TVezFieldScene::MessagePresent() {
    return MessageBox != nullptr && MessageBox->Present();
}

bool TVezFieldScene::DecideKeyPressed() {
    return Input != nullptr && (Input->Pressed & KButtonDecide) != 0;
}

int TVezFieldScene::StartEventsAt(std::int32_t x, std::int32_t y, int trigger, bool byAction,
                                  bool sameLayer) {
    return kestra::StartEventsAt(Map.Events, x, y, trigger, byAction, sameLayer);
}

bool TVezFieldScene::StartPending() {
    if (Game == nullptr) return false;
    return Game->CommonEvents.FirstAutoStart(World) != nullptr || Map.Events.AnyStartRequested();
}

TLcfgGameState& TVezFieldScene::TScriptWorld::Game() {
    return *Scene.Game;
}
TRandom& TVezFieldScene::TScriptWorld::Random() {
    return Scene.Host.Random();
}
TLcfgCommonEvent* TVezFieldScene::TScriptWorld::CommonEvents() {
    return Scene.Game != nullptr ? &Scene.Game->CommonEvents : nullptr;
}
TLcfgScripter* TVezFieldScene::TScriptWorld::MainInterpreter() {
    return Scene.Game != nullptr ? &Scene.Game->Interpreter : nullptr;
}
bool TVezFieldScene::TScriptWorld::AbortKeyHeld() {
    return Scene.TestPlay && Scene.Input != nullptr && Scene.Input->Device().FunctionKeyDown(10);
}
bool TVezFieldScene::TScriptWorld::SceneChangeRequested() {
    return Scene.SceneNumber != nullptr && *Scene.SceneNumber != KSceneField;
}
std::int32_t TVezFieldScene::TScriptWorld::MusicTick() {
    ITonica* sound = Scene.Game != nullptr ? Scene.Game->Env.Sound : nullptr;
    return sound != nullptr ? sound->GetMidiTick() : 0;
}
bool TVezFieldScene::TScriptWorld::MusicLooped() {
    ITonica* sound = Scene.Game != nullptr ? Scene.Game->Env.Sound : nullptr;
    return sound != nullptr && sound->GetMusicLooping();
}

void TVezFieldScene::StepStarted() {
    if (MapTree == nullptr) return;
    const std::int32_t steps = Map.EncounterSteps(*MapTree);
    const std::int32_t terrain = Map.TerrainAt(Hero.X, Hero.Y);
    const std::int32_t weight = TerrainWeight ? TerrainWeight(terrain) : 100;
    if (!Hero.CtrlThrough) EncounterStep(Hero, weight, steps, Host.Random());
}

void TVezFieldScene::DrawCharacter(TLcfgCharacter& c) {
    if (!c.Active || c.Hidden) return;
    TKandelBoard& board = Host.Board();
    const int sx = c.ScreenX();
    const int sy = c.ScreenY() - c.JumpHeight();
    auto drawAt = [&](int x, int y) {
        if (c.SpriteName.empty()) {
            TVezChipSetGraphic& chips = Unit.ChipSetGraphic();
            chips.SetTransparent(true);
            chips.SetTranslucency(c.Transparency);
            chips.DrawTile(board, x - 8, y - 16, 10000 + std::clamp(c.SpriteIndex, 0, 143),
                           FrameCounter);
            chips.SetTranslucency(0);
            return;
        }
        TVezCharSetGraphic& chars = Unit.CharSetGraphic();
        const int index = chars.Use(c.SpriteName, false);
        chars.Level = std::clamp(c.Transparency, 0, 7);
        chars.DrawCharacter(board, x, y, 0, c.Pattern, c.SpriteDirection & 3, c.SpriteIndex, index);
        chars.Level = 0;
    };
    drawAt(sx, sy);
    const int w = Map.MapWidth() * 16;
    const int h = Map.MapHeight() * 16;
    const bool copyX = Map.LoopsX() && Map.MapWidth() <= 21;
    const bool copyY = Map.LoopsY() && Map.MapHeight() <= 16;
    if (copyX) drawAt(sx + w, sy);
    if (copyY) drawAt(sx, sy + h);
    if (copyX && copyY) drawAt(sx + w, sy + h);
}

void TVezFieldScene::Draw() {
    TKandelBoard& board = Host.Board();
    // 1. The characters to draw, by layer.
    std::array<std::vector<TDrawEntry>, 3> lists;
    for (TLcfgCharacter* c : Map.Characters()) {
        if (!c->Active) continue;
        const bool isHero = c == &Hero;
        const int x = c->ScreenX();
        const int y = c->ScreenY();
        if (!isHero && (x < -32 || x > 352 || y < -32 || y > 272)) continue;
        // A broken layer byte reads as the hero's layer.
        const int layer = isHero ? 1 : (c->Layer <= 2 ? c->Layer : 1);
        lists[static_cast<std::size_t>(layer)].push_back({c, c->Layer, x, y, isHero});
    }
    for (auto& l : lists) SortEntries(l);

    board.Clear();
    TVezChipSetGraphic& chips = Unit.ChipSetGraphic();
    const TVezChipSetItem* record = Map.ChipSetRecord();
    // 3. Origin in pixels, split into a tile offset and a pixel offset.
    const int px = FloorDiv(Map.ScrollX, 16);
    const int py = FloorDiv(Map.ScrollY, 16);
    const int tileX = FloorDiv(px, 16);
    const int tileY = FloorDiv(py, 16);
    const int offX = px - tileX * 16;
    const int offY = py - tileY * 16;
    constexpr int KCols = 22, KRows = 17;
    std::array<std::int32_t, KCols * KRows> lower{};
    std::array<std::int32_t, KCols * KRows> upper{};
    std::array<bool, KCols * KRows> lowerAbove{};
    std::array<bool, KCols * KRows> upperAbove{};
    for (int r = 0; r < KRows; ++r)
        for (int col = 0; col < KCols; ++col) {
            const auto i = static_cast<std::size_t>(r * KCols + col);
            const int x = tileX + col - 1;
            const int y = tileY + r - 1;
            lower[i] = Map.LowerTileAt(x, y);
            upper[i] = Map.UpperTileAt(x, y);
            lowerAbove[i] = record != nullptr && (Map.LowerFlagsOf(lower[i]) & KPassAbove) != 0;
            upperAbove[i] = record != nullptr && (Map.UpperFlagsOf(upper[i]) & KPassAbove) != 0;
        }
    auto cellX = [&](int col) { return (col - 1) * 16 - offX; };
    auto cellY = [&](int r) { return (r - 1) * 16 - offY; };
    // 6. First pass: panorama behind open lower tiles, then the tiles below.
    for (int r = 0; r < KRows; ++r)
        for (int col = 0; col < KCols; ++col) {
            const auto i = static_cast<std::size_t>(r * KCols + col);
            const int x = cellX(col), y = cellY(r);
            if (!chips.IsTileOpaque(lower[i])) Map.Panorama.DrawPiece(board, x, y, 0, 0);
            if (!lowerAbove[i]) {
                chips.SetTransparent(true);
                chips.DrawTile(board, x, y, lower[i], FrameCounter);
            }
            if (!upperAbove[i]) {
                chips.SetTransparent(true);
                chips.DrawTile(board, x, y, upper[i], FrameCounter);
            }
        }
    // 7. Below the hero.
    for (auto& e : lists[0]) DrawCharacter(*e.Character);
    // 8. The hero's layer, row band by row band.
    for (int row = -1; row <= 16; ++row) {
        const int top = row * 16;
        for (auto& e : lists[1])
            if (e.Y > top && e.Y <= top + 16) DrawCharacter(*e.Character);
    }
    // 9. Above tiles.
    for (int r = 0; r < KRows; ++r)
        for (int col = 0; col < KCols; ++col) {
            const auto i = static_cast<std::size_t>(r * KCols + col);
            chips.SetTransparent(true);
            if (lowerAbove[i]) chips.DrawTile(board, cellX(col), cellY(r), lower[i], FrameCounter);
            if (upperAbove[i]) chips.DrawTile(board, cellX(col), cellY(r), upper[i], FrameCounter);
        }
    // 10. Above the hero.
    for (auto& e : lists[2]) DrawCharacter(*e.Character);
}

} // namespace kestra

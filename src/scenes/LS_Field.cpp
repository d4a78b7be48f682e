#include "scenes/LS_Field.h"

#include <algorithm>
#include <array>

#include "data/DataBase.h"
#include "data/LD_ChipSet.h"
#include "interpreter/LGD_ScripterParty.h"
#include "media/MultiInput.h"
#include "media/Tonica.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Menu.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
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

TVezFieldScene::TVezFieldScene(TGameMain& game)
    : TVezScene(game), Game(game), State(game.Session->Save->State), Map(State.Map),
      Hero(State.Hero), Unit(game.Session->Unit), MessageWindow(game.Session->MessageWindow),
      MessagePool(game.Session->MessagePool),
      MapAnimation([&game](std::string_view name, std::string_view folder) {
          return game.State().Env.FindAsset(name, folder);
      }) {
    Hero.Hooks = this;
}

void TVezFieldScene::Reset() {
    TVezScene::Reset();
    Entered = false;
    TeleportPending = false;
    TeleportMap = TeleportX = TeleportY = 0;
    ForceDraw = false;
    MapAnimation.Unload();
}

TPoint TVezFieldScene::ZoomCentre() const {
    return {Hero.ScreenX(), Hero.ScreenY() - 8};
}

void TVezFieldScene::UpdateEventsOnce() {
    for (TLcfgCharacter* c : Map.Characters()) c->UpdatedThisFrame = false;
    State.CommonEvents.UpdateParallel(Game);
    Hero.InputDirection = Game.Input->Direction;
    // Test play: Ctrl held walks through everything and meets nobody.
    Hero.CtrlThrough = Game.Config.TestPlayMode && (Game.Input->Held & KButtonCtrl) != 0;
    // Copied: a character update may not change the list, but a teleport request
    // carried out later rebuilds it.
    const std::vector<TLcfgCharacter*> list = Map.Characters();
    for (TLcfgCharacter* c : list) c->Update();
}

void TVezFieldScene::CreateEvents() {
    Map.Events.CreateFromMap(Unit, Game);
    Map.UseOwnEvents();
}

void TVezFieldScene::RelinkEvents() {
    Map.Events.Relink(Unit, Game);
    Map.UseOwnEvents();
}

void TVezFieldScene::ResumeEvents() {
    State.ResumeMapEvents(Unit, Game);
}

void TVezFieldScene::Update() {
    if (!Entered) {
        FadeIn(EnterFadeStep);
        EnterFadeStep = 10;
        Entered = true;
    }
    ++FrameCounter;
    // A message begun after the frame its box started closing opens anew.
    if (MessageWindow.ClosePhase() > 0) MessageWindow.ClearAlreadyOpen();
    UpdateEventsOnce();
    MessageWindow.Update();
    if (State.PartyInfo.TickTimer()) Map.Events.RefreshPages();
    UpdateScreenEffects();
    State.Interpreter.UpdateMain(Game);
    Map.Panorama.Update();
    PerformTeleport();
    // The box's last closing step is drawn even when the frame loop is behind.
    if (MessageWindow.ClosePhase() == 7) ForceDraw = true;
    if (State.System.Scene != KSceneField) {
        // The defeat sequence has faded the field out already.
        if (Entered) FadeOut(10);
        Entered = false;
    } else if (Game.Config.TestPlayMode && Game.Input->HotKeyDown(THotKey::Debug)) {
        // Test play: F9 held opens the switch and variable editor over the field.
        State.System.Scene = KSceneDebug;
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
    MessageWindow.Close();
    const TLcfgSystem& system = State.System;
    const int hide = system.Transition(KTransitionTeleportHide);
    const bool visible = Host.Board().Brightness > 0 && hide != KNoTeleportTransition;
    if (visible) {
        Hero.ResetAnimation();
        HideWithTransition(hide);
    }
    for (int pass = 0; TeleportPending && pass < KMaxTeleportPasses; ++pass) {
        TeleportPending = false;
        PlaceHero(TeleportMap, TeleportX, TeleportY);
        if (Host.Board().Brightness == 0) Hero.ResetAnimation();
        UpdateEventsOnce();
        Game.Display->ResetTiming();
    }
    if (visible) ShowWithTransition(system.Transition(KTransitionTeleportShow));
}

void TVezFieldScene::PlaceHero(std::int32_t map, std::int32_t x, std::int32_t y) {
    const bool otherMap = map != Hero.MapId;
    Hero.SetPosition(map, x, y);
    Hero.EncounterCounter = 0;
    Hero.MenuRequested = false;
    if (otherMap) {
        EnterNewMap(Game, *this);
        LeaveMapScreenEffects();
    } else {
        Map.Recentre();
        Map.RefreshCharacters();
        TakeLeaderSprite(Hero, State.PartyInfo);
    }
}

void TVezFieldScene::PartyDefeated() {
    if (State.System.Scene != KSceneField) return;
    // The box closes while the field goes on.
    MessageWindow.Close();
    while (MessageWindow.Present()) {
        Update();
        DrawFrame();
    }
    State.System.PlayMusic(State.System.Music(KMusicGameOver));
    State.System.Scene = KSceneGameOver;
    FadeOut(3);
    Entered = false;
}

void TVezFieldScene::InnRest() {
    TLcfgSystem& system = State.System;
    const TVezMusic before = system.CurrentMusic;
    system.FadeOutMusic(800);
    MessageWindow.Close();
    Hero.ResetAnimation();
    FadeOut(3);
    system.PlayMusic(system.Music(KMusicInn));
    for (std::int32_t i = 0; i < State.PartyInfo.MemberCount(); ++i)
        if (TLcfgPlayerItem* member = State.PartyInfo.Member(i)) member->FullRecovery();
    for (int frame = 0;
         frame < 600 && Game.Sound->GetMusicPlaying() && !Game.Sound->GetMusicLooping(); ++frame) {
        Host.WaitFrame();
        Host.Present();
    }
    system.PlayMusic(before);
    FadeIn(3);
}

bool TVezFieldScene::PrepareEncounter() {
    return StartEncounter();
}

bool TVezFieldScene::InterpreterRunning() {
    return State.Interpreter.IsRunning();
}

bool TVezFieldScene::MessagePresent() {
    return MessageWindow.Present();
}

bool TVezFieldScene::DecideKeyPressed() {
    return (Game.Input->Pressed & KButtonDecide) != 0;
}

int TVezFieldScene::StartEventsAt(std::int32_t x, std::int32_t y, int trigger, bool byAction,
                                  bool sameLayer) {
    return kestra::StartEventsAt(Map.Events, x, y, trigger, byAction, sameLayer);
}

bool TVezFieldScene::StartPending() {
    return State.CommonEvents.FirstAutoStart(State) != nullptr || Map.Events.AnyStartRequested();
}

bool TVezFieldScene::MenuKeyPressed() {
    // A Cancel that answers a message or a choice never also opens the menu.
    return (Game.Input->Pressed & KButtonCancel) != 0 && State.System.MenuAllowed &&
           !MessageWindow.Present() && !State.Interpreter.IsRunning();
}

void TVezFieldScene::OpenMenu() {
    Game.Menu->Open();
}

void TVezFieldScene::StepStarted() {
    TakeStepEffects();
}

void TVezFieldScene::DrawCharacter(TLcfgCharacter& c, int raised) {
    // The vehicle is drawn in place of the hero who rides it.
    if (!c.Active || c.Hidden || (&c == &Hero && Hero.InVehicle)) return;
    TKandelBoard& board = Host.Board();
    const int sx = c.ScreenX() + State.Screen.ShakeX;
    const int sy = c.ScreenY() + State.Screen.ShakeY - c.JumpHeight() - raised;
    const int bush = BushDepthOf(c);
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
        const int index = chars.Use(c.SpriteName);
        if (TKandelSheet* sheet = chars.Sheet(index)) State.Screen.ApplyColors(*sheet);
        chars.Level = std::clamp(c.Transparency, 0, 7);
        // The character's own flash mixes into its sheet for this one draw.
        TKandelSheet* sheet = chars.Sheet(index);
        const int strength = FlashStrengthOf(c);
        if (sheet != nullptr && strength > 0)
            sheet->ColorControl.SetFlash(c.FlashRed, c.FlashGreen, c.FlashBlue, strength, true);
        chars.DrawCharacter(board, x, y, bush, c.Pattern, c.SpriteDirection & 3, c.SpriteIndex,
                            index);
        if (sheet != nullptr && strength > 0) sheet->ColorControl.SetFlash(0, 0, 0, 0, true);
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
        if (!c->InPlay()) continue;
        const bool isHero = c == &Hero;
        const int x = c->ScreenX();
        const int y = c->ScreenY();
        if (!isHero && (x < -32 || x > 352 || y < -32 || y > 272)) continue;
        // The airship in the air comes after everything else.
        if (c == &State.Airship && State.Airship.InAir()) continue;
        // A broken layer byte reads as the hero's layer.
        const int layer = isHero ? 1 : (c->Layer <= 2 ? c->Layer : 1);
        lists[static_cast<std::size_t>(layer)].push_back({c, c->Layer, x, y, isHero});
    }
    for (auto& l : lists) SortEntries(l);

    board.Clear();
    TVezChipSetGraphic& chips = Unit.ChipSetGraphic();
    const TVezChipSetItem* record = Map.ChipSetRecord();
    const int shakeX = State.Screen.ShakeX, shakeY = State.Screen.ShakeY;
    // 3. Origin in pixels (the shake moves the whole map), split into a tile offset and
    // a pixel offset.
    const int px = FloorDiv(Map.ScrollX - 16 * shakeX, 16);
    const int py = FloorDiv(Map.ScrollY - 16 * shakeY, 16);
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
    // Rows an open opaque message box covers fully are not drawn in the first pass.
    const bool boxCovers = MessageWindow.IsOpenOpaque();
    auto covered = [&](int y) {
        if (!boxCovers) return false;
        switch (MessageWindow.Position) {
        case 0:
            return y <= 64;
        case 1:
            return y >= 80 && y <= 144;
        default:
            return y >= 160;
        }
    };
    // 5. The screen's tint and flash on the chip set and the panorama.
    State.Screen.ApplyColors(chips.Sheet());
    State.Screen.ApplyColors(Map.Panorama.Image);
    // 6. First pass: panorama behind open lower tiles, then the tiles below.
    for (int r = 0; r < KRows; ++r) {
        if (covered(cellY(r))) continue;
        for (int col = 0; col < KCols; ++col) {
            const auto i = static_cast<std::size_t>(r * KCols + col);
            const int x = cellX(col), y = cellY(r);
            if (!chips.IsTileOpaque(lower[i])) Map.Panorama.DrawPiece(board, x, y, shakeX, shakeY);
            if (!lowerAbove[i]) {
                chips.SetTransparent(true);
                chips.DrawTile(board, x, y, lower[i], FrameCounter);
            }
            if (!upperAbove[i]) {
                chips.SetTransparent(true);
                chips.DrawTile(board, x, y, upper[i], FrameCounter);
            }
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
    // 11. The airship in the air, over its shadow.
    DrawFlyingAirship();
    // 12-14. Weather, the battle animation, the pictures.
    DrawScreenEffects();
    MessageWindow.Draw();
    DrawTimer();
}

} // namespace kestra

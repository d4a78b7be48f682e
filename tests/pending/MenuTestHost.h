#pragma once
// The menu scene over a game state of its own: a scene host that counts frames, a
// menu game that records what the scene asked for, a sound library that records
// the files played, and a way to press buttons for one frame.
#include "WindowTestHost.h"
#include "media/MultiInput.h"
#include "media/Tonica.h"
#include "scenes/LS_Menu.h"
#include "scenes/WindowPartyView.h"
#include "state/LGD_GameState.h"

#include <string>
#include <vector>

namespace kestra::testing {

// Remembers every sound effect and music fade.
class TRecordingTonica : public TNullTonica {
public:
    bool PlaySoundEx(const std::string& path, std::int32_t, std::int32_t, std::int32_t) override {
        Sounds.push_back(path);
        return true;
    }
    void FadeOutMusic(std::int32_t ms) override { MusicFades.push_back(ms); }
    std::vector<std::string> Sounds;
    std::vector<std::int32_t> MusicFades;
};

class TMenuSceneHost : public TSceneHost {
public:
    explicit TMenuSceneHost(TKandelBoard& board) : board_(board) {}
    TKandelBoard& Board() override { return board_; }
    bool CanDraw() override { return true; }
    void Present() override {}
    void WaitFrame() override { ++Frames; }
    void FlushInput() override {}
    TRandom& Random() override { return Rng; }
    int Frames = 0;
    TRandom Rng{12345};

private:
    TKandelBoard& board_;
};

// The windows' host over a system graphic the rig chooses.
class TMenuWindowHost : public IVezWindowHost {
public:
    explicit TMenuWindowHost(TVezSystemGraphic& system) : system_(system) {
        board.SetSize(KScreenWidth, KScreenHeight);
    }
    TVezSystemGraphic& SystemGraphic() override { return system_; }
    TKandelBoard& Board() override { return board; }
    std::uint16_t RepeatedButtons() override { return keys; }
    void PlayCursorSound() override { ++cursorSounds; }
    int CurrentScene() override { return scene; }

    TKandelBoard board;
    std::uint16_t keys = 0;
    int cursorSounds = 0;
    int scene = KSceneMenu;

private:
    TVezSystemGraphic& system_;
};

class TMenuTestGame : public IVezMenuGame {
public:
    TMenuTestGame(TMenuWindowHost& windows, TLcfgGameState& state)
        : Windows(windows), Game(state), View(state) {}

    IVezWindowHost& WindowHost() override { return Windows; }
    IVezPartyView& PartyView() override { return View; }
    TLcfgGameState& State() override { return Game; }
    std::uint16_t PressedButtons() override { return Pressed; }
    void SetScene(int scene) override {
        Windows.scene = scene;
        Game.System.Scene = static_cast<std::uint8_t>(scene);
    }
    std::string FindFace(const std::string& name) override {
        return FaceFinder ? FaceFinder(name) : std::string();
    }
    void OpenSaveScene() override { SetScene(KSceneSaveFile); }
    bool TakeSaveReturn() override {
        const bool r = SaveReturned;
        SaveReturned = false;
        return r;
    }
    void GoToPlace(const TLcfgPlace& place, double fadeStep) override {
        Places.push_back(place);
        ArrivalFade = fadeStep;
    }
    void RefreshMapEvents() override { ++EventRefreshes; }
    void ReturnToTitle() override { ++TitleReturns; }

    TMenuWindowHost& Windows;
    TLcfgGameState& Game;
    TLcfgWindowPartyView View;
    std::uint16_t Pressed = 0;
    bool SaveReturned = false;
    std::function<std::string(const std::string&)> FaceFinder;
    std::vector<TLcfgPlace> Places;
    double ArrivalFade = 0;
    int EventRefreshes = 0;
    int TitleReturns = 0;
};

// One menu over a state, with the frame helpers of the tests. Without assets the
// windows use the coded test skin, else the named system graphic of the assets.
struct TMenuRig {
    explicit TMenuRig(TLcfgGameState& state, TAssetLookup* assets = nullptr,
                      const std::string& skin = "")
        : System(SharedFont(), assets), Windows(LoadSkin(System, skin)), Host(Windows.board),
          Game(Windows, state), Menu(Host, Game) {
        state.System.Scene = KSceneMenu;
    }
    static TVezSystemGraphic& LoadSkin(TVezSystemGraphic& system, const std::string& skin) {
        if (skin.empty())
            system.LoadSystemBitmap(CodedSystemBitmap());
        else
            system.LoadSystemGraphic(skin);
        return system;
    }
    // One frame with these buttons newly pressed (direction buttons also repeat).
    void Press(std::uint16_t buttons) {
        Game.Pressed = buttons;
        Windows.keys = buttons & (KButtonDown | KButtonLeft | KButtonRight | KButtonUp);
        Menu.Update();
        Game.Pressed = 0;
        Windows.keys = 0;
    }
    void Idle(int frames = 1) {
        for (int i = 0; i < frames; ++i) Press(0);
    }

    TVezSystemGraphic System;
    TMenuWindowHost Windows;
    TMenuSceneHost Host;
    TMenuTestGame Game;
    TVezMenuScene Menu;
};

} // namespace kestra::testing

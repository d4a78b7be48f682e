// Handlers of the commands that hand the player to another scene or offer a service:
// Open shop, Show inn and Input actor name; and Play movie. The shop and the inn answer through the
// frame's checked result target; the inn's price is taken, and the rest given, by the
// interpreter once the player has accepted an offer that the money covers.
#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "base/AssetLookup.h"
#include "data/DataBase.h"
#include "interpreter/LGD_Scripter.h"
#include "media/MultiInput.h"
#include "media/MusicPlayer.h"
#include "media/Tonica.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Name.h"
#include "scenes/LS_Shop.h"
#include "shell/GameMain.h"
#include "shell/GameMovie.h"
#include "state/LGD_GameState.h"

namespace kestra::scripter {

namespace {

using TLine = TVezEventScriptLine;

// The first vocabulary term of each inn message set.
constexpr std::int32_t KInnSetTerms[2] = {0x50, 0x55};
constexpr std::int32_t KTermCurrency = 0x5F;

// A writer of the result byte of the structure opening at `l` in `frame`, which reads
// 255 (no branch) until the answer comes.
std::function<void(std::uint8_t)> ResultWriter(TLcfgBaseScripter& s, TLcfgScriptData& frame,
                                               const TLine& l) {
    const std::int32_t indent = std::clamp<std::int32_t>(l.Indent, 0, KMaxIndent);
    frame.BranchResult(indent) = 255;
    s.ResultTarget = {frame.Id, indent};
    TLcfgBaseScripter* interpreter = &s;
    const TLcfgBaseScripter::TResultTarget target = s.ResultTarget;
    return [interpreter, target](std::uint8_t result) {
        interpreter->ResultTarget = target;
        interpreter->WriteResult(result);
    };
}

void OpenShop(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& game = s.Game();
    State(game).System.MessageActive = true;
    TVezShopSetup setup;
    setup.Kind = l.Param(0);
    setup.MessageSet = l.Param(1);
    for (std::size_t i = 4; i < l.Params.size(); ++i) setup.Wares.push_back(l.Params[i]);
    setup.ResultTarget = ResultWriter(s, frame, l);
    MessageBox(game).Hide();
    game.Shop->Open(std::move(setup));
    s.StopRequested = true;
}

void ShowInn(TLcfgBaseScripter& s, TLcfgScriptData& frame, const TLine& l) {
    TGameMain& game = s.Game();
    TLcfgGameState& state = State(game);
    TVezMessageWindow& box = MessageBox(game);
    // A price below 0 would pay the party for staying: such an inn is free.
    const std::int32_t price = std::max(l.Param(1), 0);
    const std::int32_t set = l.Param(0);
    const bool known = set == 0 || set == 1;
    auto text = [&](int n) {
        return known ? state.DataBase().Vocabulary.Term(KInnSetTerms[set] + n) : std::string();
    };
    s.InnPrice = price;
    auto writer = ResultWriter(s, frame, l);
    if (price == 0) {
        // No offer: the rest follows at the next command.
        box.SetPriceCheck(0);
        box.ResultValue = 0;
        writer(0);
        return;
    }
    state.System.MessageActive = true;
    box.BeginMessage();
    box.AddLine("\\$" + text(0) + "\x01" + std::to_string(price) +
                state.DataBase().Vocabulary.Term(KTermCurrency) + text(1));
    if (!text(2).empty()) box.AddLine(text(2));
    box.SetChoiceOptions(2, std::move(writer));
    box.AddChoice((state.PartyInfo.Gold < price ? "\\C[3]" : "\\C[0]") + text(3));
    box.AddChoice("\\C[0]" + text(4));
    box.SetPriceCheck(price);
    s.WaitingForMessage = true;
}

void InputActorName(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& game = s.Game();
    // Nobody to name: nothing happens.
    if (State(game).Actors.Find(l.Param(0)) == nullptr) return;
    MessageBox(game).Hide();
    game.Name->Open(l.Param(0), l.Param(1), l.Param(2) != 0);
    s.StopRequested = true;
}

// The current music's file is a wave (RIFF) file.
bool MusicIsWave(TGameMain& w) {
    const TVezMusic& music = State(w).System.CurrentMusic;
    if (music.Name.empty() || music.Name == KMusicOff) return false;
    const std::string path = State(w).Env.FindAsset(music.Name, "Music");
    if (path.empty()) return false;
    std::array<char, 4> magic{};
    std::ifstream in(path, std::ios::binary);
    return in.read(magic.data(), magic.size()) && std::string(magic.data(), 4) == "RIFF";
}

// The effect output opens again with the interface sounds reserved, however the movie
// ended (also when the window closes or F12 unwinds through it).
class TWaveReopen {
public:
    explicit TWaveReopen(TGameMain& game) : game_(game) {}
    ~TWaveReopen() {
        game_.Sound->InitWave();
        try {
            State(game_).System.ApplyToDevices();
        } catch (const EKestraError& e) {
            Warn(std::string("play movie: ") + e.what());
        }
    }
    TWaveReopen(const TWaveReopen&) = delete;
    TWaveReopen& operator=(const TWaveReopen&) = delete;

private:
    TGameMain& game_;
};

// Positions and sizes beyond this many pixels are cut to it (the rectangle is only
// ever clipped to the board).
constexpr std::int32_t KMovieCoordinateLimit = 1 << 20;

void PlayMovie(TLcfgBaseScripter& s, TLcfgScriptData&, const TLine& l) {
    TGameMain& w = s.Game();
    TLcfgSystem& system = State(w).System;
    if (MusicIsWave(w)) system.StopMusic();
    auto coordinate = [&](std::int32_t n) {
        const std::int32_t v = l.Param(0) == 0 ? n : system.Variable(n);
        return std::clamp(v, -KMovieCoordinateLimit, KMovieCoordinateLimit);
    };
    const std::int32_t left = coordinate(l.Param(1)), top = coordinate(l.Param(2));
    const std::int32_t width = std::clamp(l.Param(3), 0, KMovieCoordinateLimit);
    const std::int32_t height = std::clamp(l.Param(4), 0, KMovieCoordinateLimit);
    w.Sound->TermWave();
    {
        TWaveReopen reopen(w);
        const auto file = w.Assets->FindAssetFile(l.Text, "Movie", KMovieExtensions);
        if (!file)
            ReportMovieProblem("\"" + l.Text + "\": no such movie in the Movie folder");
        else
            PlayMovieFile(w, file->string(), RectOfSize(left, top, width, height));
        // Keys pressed while the movie played (a skip among them) do not reach the game.
        w.Input->Pressed = 0;
        w.Input->Repeated = 0;
    }
    // The music starts again from its beginning, without its fade-in.
    TVezMusic music = system.CurrentMusic;
    const std::int32_t fadeIn = music.FadeIn;
    music.FadeIn = 0;
    system.PlayMusic(music, true);
    system.CurrentMusic.FadeIn = fadeIn;
}

} // namespace

std::vector<THandlerEntry> SceneHandlers() {
    return {
        {10720, OpenShop},
        {10730, ShowInn},
        {10740, InputActorName},
        {11560, PlayMovie},
    };
}

} // namespace kestra::scripter

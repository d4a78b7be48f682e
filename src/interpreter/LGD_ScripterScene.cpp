// Handlers of the commands that hand the player to another scene or offer a service:
// Open shop, Show inn and Input actor name. The shop and the inn answer through the
// frame's checked result target; the inn's price is taken, and the rest given, by the
// interpreter once the player has accepted an offer that the money covers.
#include <algorithm>
#include <string>
#include <vector>

#include "data/DataBase.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Name.h"
#include "scenes/LS_Shop.h"
#include "shell/GameMain.h"
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

} // namespace

std::vector<THandlerEntry> SceneHandlers() {
    return {
        {10720, OpenShop},
        {10730, ShowInn},
        {10740, InputActorName},
    };
}

} // namespace kestra::scripter

#include "state/LGD_CmnEvent.h"

#include "data/DataBase.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"

namespace kestra {

void TLcfgCommonEventItem::DescribeChunks(TChunkVisitor& v) {
    v.Record(1, Interpreter);
}

const TVezCommonEventItem* TLcfgCommonEventItem::Record(const TLcfgGameState& game) const {
    return game.DataBase().CommonEvents.Find(Id);
}

bool TLcfgCommonEventItem::CanAutoStart(const TLcfgGameState& game) const {
    const TVezCommonEventItem* r = Record(game);
    if (r == nullptr) return false;
    if (r->NeedsSwitch && !game.System.Switch(r->Switch)) return false;
    return r->Trigger == KTriggerAutoStart && r->Commands.Count() > 1;
}

void TLcfgCommonEventItem::UpdateParallel(TGameMain& game) {
    const TLcfgGameState& state = game.Session->Save->State;
    const TVezCommonEventItem* r = Record(state);
    if (r == nullptr) return;
    // With its switch off a running process is kept; it only does not advance.
    if (r->NeedsSwitch && !state.System.Switch(r->Switch)) return;
    if (r->Trigger != KTriggerParallelProcess) return;
    if (!Interpreter.IsRunning()) Interpreter.Start(game, 0, r->Commands);
    Interpreter.UpdateParallel(game);
}

void TLcfgCommonEvent::Rebuild(const TVezCommonEvent& database) {
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> kept;
    for (std::size_t i = 0; i < Count(); ++i) {
        const TLcfgCommonEventItem& c = At(i);
        if (database.Find(c.Id) != nullptr) kept.emplace_back(c.Id, c.Encode());
    }
    Clear();
    for (std::size_t i = 0; i < database.Count(); ++i) Obtain(database.At(i).Id);
    for (const auto& [id, bytes] : kept) Obtain(id).Decode(bytes, "common event state");
}

TLcfgCommonEventItem* TLcfgCommonEvent::FirstAutoStart(const TLcfgGameState& game) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (ItemAt(i)->CanAutoStart(game)) return ItemAt(i);
    return nullptr;
}

void TLcfgCommonEvent::UpdateParallel(TGameMain& game) {
    for (std::size_t i = 0; i < Count(); ++i) ItemAt(i)->UpdateParallel(game);
}

} // namespace kestra

#include "state/LGD_CmnEvent.h"

#include "data/DataBase.h"
#include "state/LGD_Event.h"
#include "state/LGD_GameState.h"

namespace kestra {

void TLcfgCommonEventItem::DescribeChunks(TChunkVisitor& v) {
    v.Record(1, Interpreter);
}

const TVezCommonEventItem* TLcfgCommonEventItem::Record(ILcfgScriptWorld& world) const {
    return world.Game().DataBase().CommonEvents.Find(Id);
}

bool TLcfgCommonEventItem::CanAutoStart(ILcfgScriptWorld& world) const {
    const TVezCommonEventItem* r = Record(world);
    if (r == nullptr) return false;
    if (r->NeedsSwitch && !world.Game().System.Switch(r->Switch)) return false;
    return r->Trigger == KTriggerAutoStart && r->Commands.Count() > 1;
}

void TLcfgCommonEventItem::UpdateParallel(ILcfgScriptWorld& world) {
    const TVezCommonEventItem* r = Record(world);
    if (r == nullptr) return;
    // With its switch off a running process is kept; it only does not advance.
    if (r->NeedsSwitch && !world.Game().System.Switch(r->Switch)) return;
    if (r->Trigger != KTriggerParallelProcess) return;
    if (!Interpreter.IsRunning()) Interpreter.Start(world, 0, r->Commands);
    Interpreter.UpdateParallel(world);
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

TLcfgCommonEventItem* TLcfgCommonEvent::FirstAutoStart(ILcfgScriptWorld& world) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (ItemAt(i)->CanAutoStart(world)) return ItemAt(i);
    return nullptr;
}

void TLcfgCommonEvent::UpdateParallel(ILcfgScriptWorld& world) {
    for (std::size_t i = 0; i < Count(); ++i) ItemAt(i)->UpdateParallel(world);
}

} // namespace kestra

#pragma once
// Common events: command lists that run independently of maps.
#include <cstdint>
#include <string>

#include "data/Catalog.h"
#include "data/LD_Event.h"

namespace kestra {

class TVezCommonEventItem : public TVezBaseEventPageItem {
public:
    enum : std::uint8_t { KTriggerAuto = 3, KTriggerParallel = 4, KTriggerCall = 5 };

    explicit TVezCommonEventItem(std::int32_t id = 0) : TVezBaseEventPageItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // An automatic event starts only with more than the terminating line.
    bool CanAutoStart() const { return Trigger == KTriggerAuto && Commands.Count() > 1; }

    std::string Name;
    std::uint8_t Trigger;
    bool NeedsSwitch;
    std::int32_t Switch;
};

class TVezCommonEvent : public TCatalogOf<TVezCommonEventItem> {
public:
    TVezCommonEvent() : TCatalogOf("common events") {}
};

} // namespace kestra

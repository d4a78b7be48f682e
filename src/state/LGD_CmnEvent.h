#pragma once
// The runtime state of the database's common events: one parallel interpreter each.
#include <cstdint>

#include "data/Catalog.h"
#include "data/LD_CmnEvent.h"
#include "interpreter/LGD_Scripter.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;

class TLcfgCommonEventItem : public TCatalogItem {
public:
    explicit TLcfgCommonEventItem(std::int32_t id = 0) : TCatalogItem(id) {
        TLcfgCommonEventItem::Clear();
    }
    void DescribeChunks(TChunkVisitor& v) override;

    // The database record with the same ID, or null.
    const TVezCommonEventItem* Record(const TLcfgGameState& game) const;
    bool CanAutoStart(const TLcfgGameState& game) const;
    // One frame of a parallel common event.
    void UpdateParallel(TGameMain& game);

    TLcfgRegularScripter Interpreter;
};

class TLcfgCommonEvent : public TCatalogOf<TLcfgCommonEventItem> {
public:
    TLcfgCommonEvent() : TCatalogOf("common event states") {}

    // One item per common event of the database, with its ID; items kept keep their
    // state.
    void Rebuild(const TVezCommonEvent& database);
    // The first common event that may auto-start now, in ID order, or null.
    TLcfgCommonEventItem* FirstAutoStart(const TLcfgGameState& game) const;
    void UpdateParallel(TGameMain& game);
};

} // namespace kestra

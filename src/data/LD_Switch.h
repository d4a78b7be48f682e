#pragma once
// The names of the game's switches; the number of items is the number of switches.
#include <string>

#include "data/Catalog.h"

namespace kestra {

class TVezSwitchItem : public TCatalogItem {
public:
    explicit TVezSwitchItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override { v.String(1, Name, true); }

    std::string Name;
};

class TVezSwitch : public TCatalogOf<TVezSwitchItem> {
public:
    TVezSwitch() : TCatalogOf("switches") {}
};

} // namespace kestra

#pragma once
// The names of the game's variables; the number of items is the number of variables.
#include <string>

#include "data/Catalog.h"

namespace kestra {

class TVezVariableItem : public TCatalogItem {
public:
    explicit TVezVariableItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override { v.String(1, Name, true); }

    std::string Name;
};

class TVezVariable : public TCatalogOf<TVezVariableItem> {
public:
    TVezVariable() : TCatalogOf("variables") {}
};

} // namespace kestra

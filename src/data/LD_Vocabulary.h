#pragma once
// Every word and message the player shows that is not a record's own name. Terms are
// named by their chunk ID.
#include <array>
#include <cstdint>
#include <string>

#include "data/Catalog.h"

namespace kestra {

struct TVezVocabularyShop {
    std::array<std::string, 11> Texts; // text 1 is Texts[0]
};

struct TVezVocabularyInn {
    std::array<std::string, 5> Texts;
};

class TVezVocabulary : public TCatalogBaseItem {
public:
    enum { KMaxTermId = 153 };

    TVezVocabulary() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    // The term with that chunk ID (shop and inn texts included); empty for IDs the
    // vocabulary does not hold.
    const std::string& Term(std::int32_t id) const;
    std::string& Term(std::int32_t id);
    // Shop sets 0..2 and inn sets 0..1; null for other types.
    const TVezVocabularyShop* Shop(std::int32_t type) const {
        return type >= 0 && type < 3 ? &Shops[type] : nullptr;
    }
    const TVezVocabularyInn* Inn(std::int32_t type) const {
        return type >= 0 && type < 2 ? &Inns[type] : nullptr;
    }

    std::array<TVezVocabularyShop, 3> Shops;
    std::array<TVezVocabularyInn, 2> Inns;

private:
    std::string* Slot(std::int32_t id);
    // Indexed by chunk ID; the shop and inn IDs are held in the sets above.
    std::array<std::string, KMaxTermId + 1> Terms;
    std::string Absent;
};

} // namespace kestra

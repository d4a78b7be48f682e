#include "data/LD_Vocabulary.h"

namespace kestra {

namespace {

// The plain terms the file holds, as ranges of chunk IDs.
constexpr std::pair<std::int32_t, std::int32_t> KTermRanges[] = {
    {1, 37},    {92, 93},   {95, 95},   {101, 108}, {110, 110}, {112, 112},
    {114, 115}, {117, 117}, {123, 140}, {146, 148}, {151, 153},
};
constexpr std::int32_t KShopFirst[3] = {41, 54, 67};
constexpr std::int32_t KInnFirst[2] = {80, 85};

} // namespace

std::string* TVezVocabulary::Slot(std::int32_t id) {
    for (std::int32_t s = 0; s < 3; ++s)
        if (id >= KShopFirst[s] && id < KShopFirst[s] + 11)
            return &Shops[s].Texts[id - KShopFirst[s]];
    for (std::int32_t s = 0; s < 2; ++s)
        if (id >= KInnFirst[s] && id < KInnFirst[s] + 5) return &Inns[s].Texts[id - KInnFirst[s]];
    for (auto [lo, hi] : KTermRanges)
        if (id >= lo && id <= hi) return &Terms[id];
    return nullptr;
}

const std::string& TVezVocabulary::Term(std::int32_t id) const {
    std::string* s = const_cast<TVezVocabulary*>(this)->Slot(id);
    return s != nullptr ? *s : Absent;
}

std::string& TVezVocabulary::Term(std::int32_t id) {
    std::string* s = Slot(id);
    if (s != nullptr) return *s;
    Absent.clear();
    return Absent;
}

void TVezVocabulary::DescribeChunks(TChunkVisitor& v) {
    for (std::int32_t id = 1; id <= KMaxTermId; ++id)
        if (std::string* s = Slot(id)) v.String(id, *s);
}

} // namespace kestra

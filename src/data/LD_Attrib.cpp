#include "data/LD_Attrib.h"

namespace kestra {

void TVezAttribItem::DescribeChunks(TChunkVisitor& v) {
    static constexpr std::int32_t KDefaultRates[KRankCount] = {300, 200, 100, 50, 0};
    v.String(1, Name, true);
    v.Fixed(2, AttribKind);
    for (std::size_t i = 0; i < Rates.size(); ++i)
        v.Int(11 + static_cast<std::int32_t>(i), Rates[i], KDefaultRates[i]);
}

} // namespace kestra

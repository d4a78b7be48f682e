#include "data/LD_CmnEvent.h"

namespace kestra {

void TVezCommonEventItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.Fixed(11, Trigger, std::uint8_t{KTriggerCall});
    v.Bool(12, NeedsSwitch, false);
    v.Int(13, Switch, 1);
    DescribeCommands(v, 21, 22);
}

} // namespace kestra

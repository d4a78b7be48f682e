#include "data/LD_Ground.h"

namespace kestra {

void TVezGroundItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.Int(2, Damage, 0);
    v.Int(3, EncounterRate, 100);
    v.String(4, Background, true);
    v.Bool(5, BoatPasses, false);
    v.Bool(6, ShipPasses, false);
    v.Bool(7, AirshipPasses, true);
    v.Bool(9, AirshipLands, true);
    v.Fixed(11, BushDepth);
}

} // namespace kestra

#include "data/LD_System.h"

namespace kestra {

void TVezMusic::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name);
    v.Int(2, FadeIn, 0);
    v.Int(3, Volume, 100);
    v.Int(4, Tempo, 100);
    v.Int(5, Balance, 50);
}

void TVezMusic::Clear() {
    TCatalogBaseItem::Clear();
    Name = KSoundOff;
}

void TVezSound::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name);
    v.Int(3, Volume, 100);
    v.Int(4, Tempo, 100);
    v.Int(5, Balance, 50);
}

void TVezSound::Clear() {
    TCatalogBaseItem::Clear();
    Name = KSoundOff;
}

void TVezTestPlayerItem::DescribeChunks(TChunkVisitor& v) {
    v.Int(1, Actor, 1);
    v.Int(2, Level, 1);
    for (std::int32_t i = 0; i < 5; ++i) v.Int(11 + i, Equip[i]);
}

void TVezSystem::DescribeChunks(TChunkVisitor& v) {
    for (std::int32_t i = 0; i < 3; ++i) v.String(11 + i, VehicleGraphic[i], true);
    for (std::int32_t i = 0; i < 3; ++i) v.Int(14 + i, VehicleIndex[i]);
    v.String(17, TitleGraphic, true);
    v.String(18, GameOverGraphic, true);
    v.String(19, SystemGraphic, true);
    v.Count(21, Party, 1);
    v.Block(22, Party);
    for (std::int32_t i = 0; i < KMusicCount; ++i) v.Record(31 + i, Music[i]);
    for (std::int32_t i = 0; i < KSoundCount; ++i) v.Record(41 + i, Sound[i]);
    for (std::int32_t i = 0; i < KTransitionCount; ++i) v.Fixed(61 + i, Transition[i]);
    v.Int(71, WindowTiled);
    v.Int(72, FontKind);
    v.Int(81, EditorInt81, 1);
    v.Fixed(82, EditorByte82, std::uint8_t{1});
    v.String(84, BattleTestBackground, true);
    v.List(85, BattleTestParty);
    v.Int(91, SaveCount);
}

void TVezSystem::Clear() {
    TCatalogBaseItem::Clear();
    Party.assign(1, 1);
}

} // namespace kestra

#pragma once
// The database file "KESTRA.ldb": the magic "VezDataBase", then top-level chunks up to
// the end of the file (no terminator), one per table.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_Animation.h"
#include "data/LD_Attrib.h"
#include "data/LD_ChipSet.h"
#include "data/LD_CmnEvent.h"
#include "data/LD_Ground.h"
#include "data/LD_Item.h"
#include "data/LD_MonGroup.h"
#include "data/LD_Monster.h"
#include "data/LD_Player.h"
#include "data/LD_Skill.h"
#include "data/LD_Status.h"
#include "data/LD_Switch.h"
#include "data/LD_System.h"
#include "data/LD_Variable.h"
#include "data/LD_Vocabulary.h"

namespace kestra {

inline constexpr const char* KDataBaseFile = "KESTRA.ldb";
inline constexpr const char* KDataBaseMagic = "VezDataBase";

class TVezDataBase : public TCatalogBaseItem {
public:
    TVezDataBase() { Clear(); }

    // The tables by top-level chunk ID. A table is added by declaring its member and
    // adding its line here; chunks of tables not described are kept verbatim.
    void DescribeChunks(TChunkVisitor& v) override {
        v.List(11, Actors);
        v.List(12, Skills);
        v.List(13, Items);
        v.List(14, Monsters);
        v.List(15, Troops);
        v.List(16, Terrain);
        v.List(17, Attributes);
        v.List(18, States);
        v.List(19, Animations);
        v.List(20, ChipSets);
        v.Record(21, Vocabulary);
        v.Record(22, System);
        v.List(23, Switches);
        v.List(24, Variables);
        v.List(25, CommonEvents);
    }
    // Every list holds one default item with ID 1; the records are cleared.
    void Clear() override;
    // Rank and flag arrays of actors, skills, items and monsters lose their entries for
    // state and attribute IDs beyond the highest ones in the database first.
    void SaveToStream(TByteWriter& writer, bool terminator = true) const override;

    // Reads the whole file and parses it (always: the player never writes the database,
    // so a file with an unchanged size and time is no proof of unchanged contents).
    // Errors name the file; a table that fails midway is left empty.
    void LoadFromFile(const std::string& path);
    void LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name);
    std::vector<std::uint8_t> SaveToBytes() const;
    void SaveToFile(const std::string& path) const;

    TVezPlayer Actors;
    TVezSkill Skills;
    TVezItem Items;
    TVezMonster Monsters;
    TVezMonGroup Troops;
    TVezGround Terrain;
    TVezAttrib Attributes;
    TVezStatus States;
    TVezAnimation Animations;
    TVezChipSet ChipSets;
    TVezVocabulary Vocabulary;
    TVezSystem System;
    TVezSwitch Switches;
    TVezVariable Variables;
    TVezCommonEvent CommonEvents;

    // The file last loaded ("KESTRA.ldb" before any load), for errors about its data.
    std::string FileName = KDataBaseFile;
    // Size and modification time of the file last loaded (0 before).
    std::int64_t FileSize = 0;
    std::int64_t FileTime = 0;
};

} // namespace kestra

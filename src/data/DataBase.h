#pragma once
// The database file "KESTRA.ldb": the magic "VezDataBase", then top-level chunks up to
// the end of the file (no terminator), one per table.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_Animation.h"
#include "data/LD_ChipSet.h"
#include "data/LD_CmnEvent.h"
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
        // 11 actors, 12 skills, 13 items, 14 monsters, 15 troops, 16 terrain,
        // 17 attributes, 18 states: kept verbatim until their records exist.
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

    // Reads the whole file and parses it (always: the player never writes the database,
    // so a file with an unchanged size and time is no proof of unchanged contents).
    // Errors name the file; a table that fails midway is left empty.
    void LoadFromFile(const std::string& path);
    void LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name);
    std::vector<std::uint8_t> SaveToBytes() const;
    void SaveToFile(const std::string& path) const;

    TVezAnimation Animations;
    TVezChipSet ChipSets;
    TVezVocabulary Vocabulary;
    TVezSystem System;
    TVezSwitch Switches;
    TVezVariable Variables;
    TVezCommonEvent CommonEvents;

    // Size and modification time of the file last loaded (0 before).
    std::int64_t FileSize = 0;
    std::int64_t FileTime = 0;
};

} // namespace kestra

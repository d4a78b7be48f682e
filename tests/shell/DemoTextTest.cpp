// Every line the demo puts in its message box fits beside a face: the box types a
// character only while its pen is at most 226 pixels in, so a longer line loses its end
// ("The elder s"). Read from the packed demo, as the player reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "data/DataBase.h"
#include "data/LD_Map.h"

namespace kestra {
namespace {

// Half-width cells a line takes; a name code counts as the longest name (12 cells).
int LineCells(const std::string& text) {
    int cells = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char code = static_cast<char>(text[i + 1] & ~0x20); // either case
            std::size_t end = i + 2;
            if (end < text.size() && text[end] == '[') {
                const std::size_t close = text.find(']', end);
                end = close == std::string::npos ? text.size() : close + 1;
            }
            if (code == 'N') cells += 12;
            if (text[i + 1] == '\\') cells += 1; // a drawn backslash
            i = end;
            continue;
        }
        const std::size_t length = Cp932CharLength(text, i);
        cells += length == 2 ? 2 : 1;
        i += length;
    }
    return cells;
}

// The message lines of a command list, each with where it is.
void CollectLines(const TVezEventScriptList& list, const std::string& where,
                  std::vector<std::pair<std::string, std::string>>& out) {
    for (const TVezEventScriptLine& line : list.Lines)
        if (line.Code == 10110 || line.Code == 20110) out.emplace_back(where, line.Text);
}

// Beside a face the pen starts a character at 0, 6, ..., 222: 38 cells.
constexpr int KCellsBesideAFace = 38;

TEST(DemoText, EveryMessageLineFitsBesideAFace) {
    const std::filesystem::path dir = KESTRA_DEMO_DIR;
    std::vector<std::pair<std::string, std::string>> lines;

    TVezDataBase db;
    db.LoadFromFile((dir / "KESTRA.ldb").string());
    for (std::size_t i = 0; i < db.CommonEvents.Count(); ++i)
        CollectLines(db.CommonEvents.At(i).Commands,
                     "common event " + std::to_string(db.CommonEvents.At(i).Id), lines);
    for (std::size_t t = 0; t < db.Troops.Count(); ++t)
        for (std::size_t p = 0; p < db.Troops.At(t).Pages.Count(); ++p)
            CollectLines(db.Troops.At(t).Pages.At(p).Commands,
                         "troop " + std::to_string(db.Troops.At(t).Id), lines);

    int maps = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".lmu") continue;
        TVezMap map;
        map.LoadFromFile(entry.path().string());
        ++maps;
        for (std::size_t e = 0; e < map.Events.Count(); ++e)
            for (std::size_t p = 0; p < map.Events.At(e).Pages.Count(); ++p)
                CollectLines(map.Events.At(e).Pages.At(p).Commands,
                             entry.path().filename().string() + " event " +
                                 std::to_string(map.Events.At(e).Id),
                             lines);
    }
    EXPECT_GE(maps, 4);
    EXPECT_GT(lines.size(), 50u) << "the demo's messages were not found";
    for (const auto& [where, text] : lines)
        EXPECT_LE(LineCells(text), KCellsBesideAFace) << where << ": \"" << text << "\"";
}

TEST(DemoText, CellsCountDoubleByteCharactersTwiceAndNamesAsTheLongest) {
    EXPECT_EQ(LineCells("Elder: Hello"), 12);
    EXPECT_EQ(LineCells("\x83\x8d\x83\x8f"), 4); // two katakana
    EXPECT_EQ(LineCells("I am \\N[1]."), 5 + 12 + 1);
    EXPECT_EQ(LineCells("\\C[2]red\\C[0]"), 3);
}

} // namespace
} // namespace kestra

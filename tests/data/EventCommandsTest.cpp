#include "data/LD_EventCommands.h"

#include "data/LD_Map.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>

#include "../shell/TempDir.h"

using namespace kestra;

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(EventCommandTable, NamesAreUniqueAndLeadBackToTheirCodes) {
    std::set<std::string> names;
    for (const TEventCommand& c : EventCommands()) {
        ASSERT_NE(c.Name, nullptr) << c.Code;
        EXPECT_FALSE(std::string(c.Name).empty()) << c.Code;
        EXPECT_TRUE(names.insert(c.Name).second) << "name used twice: " << c.Name;
        const TEventCommand* byCode = FindEventCommand(c.Code);
        ASSERT_EQ(byCode, &c) << c.Code;
        const TEventCommand* byName = FindEventCommandByName(byCode->Name);
        ASSERT_NE(byName, nullptr) << c.Name;
        EXPECT_EQ(byName->Code, c.Code) << c.Name;
    }
    // Both the interpreter's and the stored JSON's commands are there.
    EXPECT_STREQ(FindEventCommand(10110)->Name, "Show message");
    EXPECT_EQ(FindEventCommand(20110)->Kind, TEventLineKind::Continuation);
    EXPECT_EQ(FindEventCommand(22410)->Kind, TEventLineKind::Continuation);
    EXPECT_EQ(FindEventCommand(22010)->Kind, TEventLineKind::Branch);
    EXPECT_EQ(FindEventCommand(0)->Kind, TEventLineKind::End);
    EXPECT_EQ(FindEventCommandByName("Shop traded branch")->Code, 20720);
}

TEST(EventCommandTable, CodesAndNamesOutsideTheTableAreNotFound) {
    EXPECT_EQ(FindEventCommand(55555), nullptr);
    EXPECT_EQ(FindEventCommand(10111), nullptr);
    EXPECT_EQ(FindEventCommand(-1), nullptr);
    EXPECT_EQ(FindEventCommandByName("show message"), nullptr);
    EXPECT_EQ(FindEventCommandByName("Show message "), nullptr);
    EXPECT_EQ(FindEventCommandByName(""), nullptr);
}

// The data tool names every line by the table and packs the names back to the codes.
TEST(EventCommandTable, TheDataToolDumpsCommandsByNameAndPacksThemBack) {
    test::TempDir dir;
    TVezMap map(1);
    auto& lines = map.Events.Obtain(1).Pages.Get(1).Commands.Lines;
    lines.clear();
    std::int32_t indent = 0;
    for (const TEventCommand& c : EventCommands())
        lines.push_back({c.Code, indent++ % 3, "", {c.Code % 7}});
    lines.push_back({55555, 0, "", {1, 2}});
    lines.push_back({10310, 0, "", {0, 0, 250}});
    lines.push_back({});
    const auto original = dir.Path() / "Map0001.lmu", json = dir.Path() / "map.json",
               packed = dir.Path() / "back.lmu";
    map.SaveToFile(original.string());

    const std::string tool = KESTRA_DATA_TOOL;
    ASSERT_EQ(std::system((tool + " dump " + original.string() + " > " + json.string()).c_str()),
              0);
    const std::string text = ReadText(json);
    EXPECT_NE(text.find("\"Change money\", 0, \"\", 0, 0, 250]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Shop traded branch\""), std::string::npos);
    EXPECT_NE(text.find("\"Message line\""), std::string::npos);
    EXPECT_NE(text.find("[55555, 0, \"\", 1, 2]"), std::string::npos) << "unnamed code as number";
    ASSERT_EQ(std::system((tool + " pack " + json.string() + " " + packed.string()).c_str()), 0);
    EXPECT_TRUE(ReadText(packed) == ReadText(original)) << "dump and pack changed the bytes";
}

// kestra-data dump and pack run on real files: packing over a database or map unit whose
// contents changed counts a save (so saves made before resume no events on the changed
// map), `--exact` packs byte for byte, and chunks of any ID, negative ones too, dump and
// pack back.
#include "../TestGame.h"
#include "base/Json.h"
#include "data/DataBase.h"
#include "data/LD_Map.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Sets a member of a JSON object, in place when it is there.
void Put(TJson& object, const std::string& key, TJson value) {
    for (auto& member : object.Members())
        if (member.first == key) {
            member.second = std::move(value);
            return;
        }
    object.Set(key, std::move(value));
}

struct TToolRun {
    int ExitCode = -1;
    std::string Err;
};

class DataTool : public ::testing::Test {
protected:
    TToolRun Tool(const std::string& args, const std::string& out = "/dev/null") {
        const std::string err = (Dir.Path() / "tool.err").string();
        const int status = std::system(
            (std::string(KESTRA_DATA_TOOL) + " " + args + " >" + out + " 2>" + err).c_str());
        TToolRun r;
        r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(err);
        std::stringstream s;
        s << in.rdbuf();
        r.Err = s.str();
        return r;
    }
    std::string Path(const std::string& name) const { return (Dir.Path() / name).string(); }
    Bytes Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void WriteBytes(const std::string& name, const Bytes& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    // `file` dumped into `json`.
    void Dump(const std::string& file, const std::string& json) {
        const std::string from = file.front() == '/' ? file : Path(file);
        ASSERT_EQ(Tool("dump " + from, Path(json)).ExitCode, 0);
    }
    // The JSON file with `edit` applied to its document.
    void Edit(const std::string& json, const std::function<void(TJson&)>& edit) {
        std::ifstream in(Path(json));
        std::stringstream s;
        s << in.rdbuf();
        TJson doc = ParseJson(s.str(), json);
        edit(doc);
        std::ofstream(Path(json)) << WriteJson(doc);
    }
    void Copy(const std::filesystem::path& from, const std::string& to) {
        std::filesystem::copy_file(from, Path(to),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::int32_t MapCount(const std::string& name) {
        TVezMap map;
        map.LoadFromFile(Path(name));
        return map.SaveCount;
    }
    std::int32_t DataBaseCount(const std::string& name) {
        TVezDataBase db;
        db.LoadFromFile(Path(name));
        return db.System.SaveCount;
    }

    test::TempDir Dir;
    const std::filesystem::path Basic = std::filesystem::path(KESTRA_GAMES_DIR) / "basic";
};

} // namespace

TEST_F(DataTool, PackOverAChangedFileCountsASaveAndExactPacksByteForByte) {
    Copy(Basic / "Map0001.lmu", "map.lmu");
    Copy(Basic / "KESTRA.ldb", "db.ldb");
    const Bytes map = Read("map.lmu"), db = Read("db.ldb");
    const std::int32_t mapCount = MapCount("map.lmu"), dbCount = DataBaseCount("db.ldb");
    Dump("map.lmu", "map.json");
    Dump("db.ldb", "db.json");

    // A new file, and the same contents over the old file: the bytes as they were.
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("fresh.lmu")).ExitCode, 0);
    EXPECT_EQ(Read("fresh.lmu"), map);
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("map.lmu")).ExitCode, 0);
    EXPECT_EQ(Read("map.lmu"), map);
    ASSERT_EQ(Tool("pack " + Path("db.json") + " " + Path("db.ldb")).ExitCode, 0);
    EXPECT_EQ(Read("db.ldb"), db);

    // An edit: one more save of each file, kept when the edit is packed again.
    Edit("map.json", [](TJson& doc) { Put(doc, "panoramaHorizontalScroll", TJson::Bool(true)); });
    Edit("db.json", [](TJson& doc) {
        TJson words = *doc.Find("vocabulary");
        Put(words, "newGame", TJson::Str("Set out"));
        Put(doc, "vocabulary", std::move(words));
    });
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("map.lmu")).ExitCode, 0);
        ASSERT_EQ(Tool("pack " + Path("db.json") + " " + Path("db.ldb")).ExitCode, 0);
        EXPECT_EQ(MapCount("map.lmu"), mapCount + 1) << pass;
        EXPECT_EQ(DataBaseCount("db.ldb"), dbCount + 1) << pass;
    }
    TVezDataBase edited;
    edited.LoadFromFile(Path("db.ldb"));
    EXPECT_EQ(edited.Vocabulary.Term(114), "Set out");

    // --exact writes the JSON's own count over it, and the dump of that file packs back to
    // the same bytes.
    ASSERT_EQ(Tool("pack --exact " + Path("map.json") + " " + Path("map.lmu")).ExitCode, 0);
    EXPECT_EQ(MapCount("map.lmu"), mapCount);
    Dump("map.lmu", "again.json");
    ASSERT_EQ(Tool("pack --exact " + Path("again.json") + " " + Path("again.lmu")).ExitCode, 0);
    EXPECT_EQ(Read("again.lmu"), Read("map.lmu"));

    // A JSON count above the file's is taken as it is when nothing else changed.
    Edit("map.json", [](TJson& doc) { Put(doc, "saveCount", TJson::Int(40)); });
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("forty.lmu")).ExitCode, 0);
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("forty.lmu")).ExitCode, 0);
    EXPECT_EQ(MapCount("forty.lmu"), 40);
    // Over the unedited map, whose contents differ: one above the higher count.
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("fresh.lmu")).ExitCode, 0);
    EXPECT_EQ(MapCount("fresh.lmu"), 41);
    // Over a file of another kind there is no count to follow.
    Copy(Basic / "KESTRA.lmt", "tree.lmt");
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + Path("tree.lmt")).ExitCode, 0);
    EXPECT_EQ(MapCount("tree.lmt"), 40);
}

TEST_F(DataTool, ChunksWithNegativeIdsDumpAndPackBack) {
    // A database with chunks no table describes: negative IDs and 0 at the top of the
    // file, a negative ID inside the system record.
    auto chunk = [](Bytes& out, std::int32_t id, const Bytes& payload) {
        TByteWriter w;
        WriteVarInt(w, id);
        WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
        w.WriteBytes(payload);
        out.insert(out.end(), w.Bytes.begin(), w.Bytes.end());
    };
    TVezDataBase plain;
    plain.System.TitleGraphic = "Title";
    Bytes system;
    chunk(system, -3, {7, 8});
    const Bytes own = plain.System.Encode();
    system.insert(system.end(), own.begin(), own.end());
    TByteWriter magic;
    WriteLString(magic, KDataBaseMagic);
    Bytes file = magic.Bytes;
    chunk(file, -100000, {1});
    chunk(file, 0, {2, 3});
    chunk(file, 22, system);
    TVezDataBase odd;
    odd.LoadFromBytes(file, "odd.ldb");
    ASSERT_EQ(odd.UnknownChunks().size(), 2u);
    ASSERT_EQ(odd.System.UnknownChunks().size(), 1u);
    EXPECT_EQ(odd.System.UnknownChunks()[0].Id, -3);
    EXPECT_EQ(odd.System.TitleGraphic, "Title");
    const Bytes canonical = odd.SaveToBytes();
    WriteBytes("odd.ldb", canonical);

    Dump("odd.ldb", "odd.json");
    const TToolRun packed = Tool("pack --exact " + Path("odd.json") + " " + Path("back.ldb"));
    ASSERT_EQ(packed.ExitCode, 0) << packed.Err;
    EXPECT_EQ(Read("back.ldb"), canonical);

    // Chunk 0 inside a record would end it: refused with the place named.
    Edit("odd.json", [](TJson& doc) {
        TJson record = *doc.Find("system");
        TJson raw = TJson::Array();
        TJson one = TJson::Object();
        one.Set("id", TJson::Int(0));
        one.Set("bytes", TJson::Str("09"));
        raw.Push(std::move(one));
        Put(record, "unknownChunks", std::move(raw));
        Put(doc, "system", std::move(record));
    });
    const TToolRun zero = Tool("pack " + Path("odd.json") + " " + Path("zero.ldb"));
    EXPECT_EQ(zero.ExitCode, 1);
    EXPECT_NE(zero.Err.find("$.system.unknownChunks[0].id: chunk 0 would end the record"),
              std::string::npos)
        << zero.Err;
}

TEST_F(DataTool, ASaveResumesItsEventsOnlyWhileTheRepackedMapIsUnchanged) {
    test::TTestGame basic("basic");
    // A saved game whose map event has been moved from where the map puts it.
    std::int32_t dataX = 0, dataY = 0;
    {
        TGameMain& game = basic.Start("0\n", 10);
        StartNewGame(game);
        auto& events = game.Session->Save->State.Map.Events;
        ASSERT_GT(events.Count(), 0u);
        dataX = events.At(0).X;
        dataY = events.At(0).Y;
        events.At(0).SetPosition(events.At(0).MapId, 9, 9);
        game.Session->Save->Save(1);
    }
    const std::string map = (basic.Dir.Path() / "Map0001.lmu").string();
    const std::string continueScript = "0\n60 Down\n61\n80 Decide\n81\n160 Decide\n161\n";
    auto eventPlace = [&] {
        TGameMain& game = basic.Play(continueScript, 300);
        EXPECT_EQ(game.System().Scene, KSceneField);
        const auto& e = game.Session->Save->State.Map.Events.At(0);
        return std::make_pair(e.X, e.Y);
    };

    // Packed again without a change: the saved event goes on where it was.
    Dump(map, "map.json");
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + map).ExitCode, 0);
    EXPECT_EQ(eventPlace(), std::make_pair(9, 9));

    // Edited and packed: the map's events start afresh from the map.
    Edit("map.json", [](TJson& doc) { Put(doc, "panoramaHorizontalScroll", TJson::Bool(true)); });
    ASSERT_EQ(Tool("pack " + Path("map.json") + " " + map).ExitCode, 0);
    EXPECT_EQ(eventPlace(), std::make_pair(dataX, dataY));
}

TEST_F(DataTool, TextIsPackedIntoTheCodePageTheJsonNames) {
    auto write = [this](const std::string& name, const std::string& page) {
        std::ofstream(Path(name)) << "{\"kind\": \"database\"" << page
                                  << ", \"actors\": [{\"id\": 1, \"name\": \"Zo\xC3\xAB "
                                     "\xE2\x82\xAC\"}]}";
    };
    write("western.json", ", \"codePage\": 1252");
    const TToolRun western = Tool("pack " + Path("western.json") + " " + Path("western.ldb"));
    ASSERT_EQ(western.ExitCode, 0) << western.Err;
    TVezDataBase db;
    db.LoadFromFile(Path("western.ldb"));
    EXPECT_EQ(db.Actors.Get(1).Name, "Zo\xEB \x80");
    // Without the key: code page 932, which has neither letter.
    write("japanese.json", "");
    const TToolRun japanese = Tool("pack " + Path("japanese.json") + " " + Path("japanese.ldb"));
    EXPECT_EQ(japanese.ExitCode, 1);
    EXPECT_NE(japanese.Err.find("code page 932 lacks"), std::string::npos) << japanese.Err;
    write("bad.json", ", \"codePage\": 1253");
    const TToolRun bad = Tool("pack " + Path("bad.json") + " " + Path("bad.ldb"));
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_NE(bad.Err.find("$.codePage: not a code page"), std::string::npos) << bad.Err;
}

#include "data/LD_Map.h"

#include "base/Errors.h"

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace kestra;

namespace {

struct TMapBytes {
    TByteWriter W;
    TMapBytes() { WriteLString(W, "VezMapUnit"); }
    TMapBytes& Int(std::int32_t id, std::int32_t value) {
        WriteVarInt(W, id);
        WriteVarInt(W, value, true);
        return *this;
    }
    TMapBytes& Raw(std::int32_t id, const std::vector<std::uint8_t>& payload) {
        WriteVarInt(W, id);
        WriteVarInt(W, static_cast<std::int32_t>(payload.size()));
        W.WriteBytes(payload.data(), payload.size());
        return *this;
    }
    std::vector<std::uint8_t> End() {
        W.WriteByte(0);
        return W.Bytes;
    }
};

std::vector<std::uint8_t> Tiles16(std::initializer_list<std::uint16_t> tiles) {
    std::vector<std::uint8_t> out;
    for (std::uint16_t t : tiles) {
        out.push_back(static_cast<std::uint8_t>(t & 0xFF));
        out.push_back(static_cast<std::uint8_t>(t >> 8));
    }
    return out;
}

} // namespace

TEST(MapUnit, LayerChunksOfTheRightLengthLoadOthersKeepTheFill) {
    TVezMap map;
    map.LoadFromBytes(TMapBytes()
                          .Int(2, 3)
                          .Int(3, 2)
                          .Raw(0x47, Tiles16({1, 2, 3, 4, 5, 4000}))
                          .Raw(0x48, Tiles16({10001, 10002, 10003, 10004, 10005}))
                          .End(),
                      "Map0001.lmu");
    EXPECT_EQ(map.Lower.Width(), 3);
    EXPECT_EQ(map.Lower.Height(), 2);
    EXPECT_EQ(map.Lower.TileAt(0, 0), 1);
    EXPECT_EQ(map.Lower.TileAt(2, 1), 4000);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(map.Upper.TileAt(x, y), 10000);

    // A layer chunk placed before the size chunks still gets the file's size.
    map.LoadFromBytes(
        TMapBytes().Raw(0x47, Tiles16({7, 8, 9, 10, 11, 12})).Int(3, 2).Int(2, 3).End(), "m");
    EXPECT_EQ(map.Lower.TileAt(2, 1), 12);

    // The default 20 x 15 map with a lower layer one cell short.
    std::vector<std::uint8_t> shortLayer(20 * 15 * 2 - 2, 0x11);
    map.LoadFromBytes(TMapBytes().Raw(0x47, shortLayer).End(), "m");
    EXPECT_EQ(map.Lower.TileAt(19, 14), 0);
}

TEST(MapUnit, RoundTripKeepsEveryFieldAndCountsSaves) {
    TVezMap map;
    map.ChipSet = 4;
    map.Width = 5;
    map.Height = 3;
    map.Lower.Resize(5, 3);
    map.Upper.Resize(5, 3);
    map.Lower.SetTile(4, 2, 5143);
    map.Upper.SetTile(1, 0, 10020);
    map.Wrapping = 3;
    map.PanoramaOn = true;
    map.Panorama = "sky\x82\xA0";
    map.HorizontalAutoScroll = true;
    map.HorizontalSpeed = -3;
    map.VerticalSpeed = 7;
    map.SaveCount = 9;
    std::vector<std::uint8_t> bytes = map.SaveToBytes();
    EXPECT_EQ(map.SaveCount, 10);

    TVezMap back;
    back.LoadFromBytes(bytes, "round");
    EXPECT_EQ(back.ChipSet, 4);
    EXPECT_EQ(back.SaveCount, 10);
    EXPECT_EQ(back.Panorama, map.Panorama);
    EXPECT_EQ(back.HorizontalSpeed, -3);
    EXPECT_EQ(back.VerticalSpeed, 7);
    EXPECT_TRUE(back.HorizontalAutoScroll);
    EXPECT_EQ(back.Lower.Tiles(), map.Lower.Tiles());
    EXPECT_EQ(back.Upper.Tiles(), map.Upper.Tiles());
    EXPECT_TRUE(back.Lower.HorizontalWrap && back.Lower.VerticalWrap);
    EXPECT_TRUE(back.Upper.HorizontalWrap && back.Upper.VerticalWrap);
}

TEST(MapUnit, HostileSizesAndHeadersRaiseNamingTheFile) {
    auto expectRejected = [](std::vector<std::uint8_t> bytes, const char* why) {
        TVezMap map;
        try {
            map.LoadFromBytes(bytes, "Map0042.lmu");
            ADD_FAILURE() << why << ": accepted";
        } catch (const EStreamReadError& e) {
            EXPECT_NE(std::string(e.what()).find("Map0042.lmu"), std::string::npos) << why;
        }
        // A failed load leaves the cleared default map, not half of the bad one.
        EXPECT_EQ(map.Width, 20);
        EXPECT_EQ(map.Lower.Width(), 20);
    };
    expectRejected(TMapBytes().Int(2, 0).End(), "width 0");
    expectRejected(TMapBytes().Int(3, 0).End(), "height 0");
    expectRejected(TMapBytes().Int(2, -20).Int(3, -15).End(), "negative size");
    expectRejected(TMapBytes().Int(2, 65536).Int(3, 65536).End(), "product wraps to 0 in 32 bits");
    // 32768 x 32768 x 2 wraps to 2^31; 46341^2 overflows a signed product.
    expectRejected(TMapBytes().Int(2, 46341).Int(3, 46341).End(), "signed overflow");
    expectRejected(TMapBytes().Int(2, 1 << 21).Int(3, 1).End(), "above the cell cap");
    std::vector<std::uint8_t> wrongMagic = TMapBytes().End();
    wrongMagic[1] = 'v';
    expectRejected(wrongMagic, "wrong magic");
    std::vector<std::uint8_t> truncated = TMapBytes().Int(2, 3).Raw(0x47, Tiles16({1, 2, 3})).End();
    truncated.resize(truncated.size() - 3);
    expectRejected(truncated, "truncated layer chunk");

    // The largest allowed size still loads.
    TVezMap wide;
    wide.LoadFromBytes(TMapBytes().Int(2, 1 << 20).Int(3, 1).End(), "wide");
    EXPECT_EQ(wide.Upper.TileAt((1 << 20) - 1, 0), 10000);
}

TEST(MapUnit, TileLookupWrapsOnlyWhereTheMapWraps) {
    TVezMap map;
    map.Lower.Reset();
    map.Lower.SetTile(19, 5, 77);
    map.Lower.SetTile(0, 14, 88);
    EXPECT_EQ(map.Lower.TileAt(-1, 5), -1);
    map.Lower.HorizontalWrap = true;
    EXPECT_EQ(map.Lower.TileAt(-1, 5), 77);
    EXPECT_EQ(map.Lower.TileAt(39, 5), 77);
    EXPECT_EQ(map.Lower.TileAt(3, -1), -1);
    EXPECT_EQ(map.Lower.TileAt(INT_MIN, 5), map.Lower.TileAt(((INT_MIN % 20) + 20) % 20, 5));
    map.Lower.VerticalWrap = true;
    EXPECT_EQ(map.Lower.TileAt(20, -1), 88);
    EXPECT_EQ(map.Lower.TileAt(INT_MAX, INT_MAX), map.Lower.TileAt(INT_MAX % 20, INT_MAX % 15));

    // Resizing keeps the overlap and fills the rest.
    map.Upper.SetTile(2, 2, 10005);
    map.Upper.Resize(3, 40);
    EXPECT_EQ(map.Upper.TileAt(2, 2), 10005);
    EXPECT_EQ(map.Upper.TileAt(2, 39), 10000);
    EXPECT_EQ(map.Upper.TileAt(3, 0), -1);
    EXPECT_THROW(map.Upper.Resize(0, 5), EKestraError);
}

TEST(MapUnit, FileNamesAndCaseInsensitiveLookup) {
    EXPECT_EQ(MapFileName(1), "Map0001.lmu");
    EXPECT_EQ(MapFileName(12), "Map0012.lmu");
    EXPECT_EQ(MapFileName(12345), "Map12345.lmu");

    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() /
                   ("kestra-map-test-" +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    TVezMap source;
    source.ChipSet = 3;
    {
        std::vector<std::uint8_t> bytes = source.SaveToBytes();
        std::ofstream(dir / "MAP0007.LMU", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    const TCodePage page{932, {}};
    TAssetLookup assets(dir.string() + "/", "", page);
    TVezMap map;
    LoadMapFromGameDir(map, assets, 7);
    EXPECT_EQ(map.Id, 7);
    EXPECT_EQ(map.ChipSet, 3);
    // Pictures come from their asset folder with the picture extensions.
    fs::create_directories(dir / "CharSet");
    std::ofstream(dir / "CharSet" / "HERO.PNG") << "x";
    TAssetFinder find = PictureFinder(assets);
    EXPECT_EQ(find("hero", "CharSet"), (dir / "CharSet" / "HERO.PNG").string());
    EXPECT_EQ(find("hero", "ChipSet"), "");
    try {
        LoadMapFromGameDir(map, assets, 8);
        ADD_FAILURE() << "missing map loaded";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Map0008.lmu"), std::string::npos);
    }
    fs::remove_all(dir);
}

TEST(MapUnit, EventsLoadAndFeedTheGraphicsCaches) {
    TVezMap map;
    map.ChipSet = 2;
    TVezEventItem& guard = map.Events.Obtain(1);
    guard.X = 4;
    guard.Pages.ItemAt(0)->Graphic = "Guard";
    guard.Pages.Obtain(2).Graphic = "Ghost";
    TVezEventItem& sign = map.Events.Obtain(5);
    sign.Name = "sign";
    std::vector<std::uint8_t> bytes = map.SaveToBytes();

    TVezMap back;
    back.LoadFromBytes(bytes, "events.lmu");
    ASSERT_EQ(back.Events.Count(), 2u);
    EXPECT_EQ(back.Events.Get(1).X, 4);
    EXPECT_EQ(back.Events.Get(1).Pages.Get(2).Graphic, "Ghost");
    EXPECT_EQ(back.Events.Get(5).Name, "sign");

    TVezChipSet chipSets;
    TVezChipSetItem& record = chipSets.Obtain(2);
    record.WaterSequence = 1;
    record.WaterSpeed = 1;
    std::vector<std::string> asked;
    back.CharSetGraphic().FindAsset = [&](const std::string& name, const std::string&) {
        asked.push_back(name);
        return std::string(); // neither picture exists
    };
    // A page naming a character set that is not there is an error naming it.
    try {
        back.AttachGraphics(chipSets);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "CharSet/Guard: character set not found");
    }
    EXPECT_EQ(back.ChipSetGraphic().WaterSequence(), 1);
    EXPECT_EQ(back.ChipSetGraphic().WaterSpeed(), 1);
    EXPECT_EQ(asked, (std::vector<std::string>{"Guard"}));
    EXPECT_EQ(back.CharSetGraphic().Count(), 0u);

    back.ChipSet = 3;
    EXPECT_THROW(back.AttachGraphics(chipSets), ELookupError);
}

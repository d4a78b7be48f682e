#include "data/SaveData.h"

#include <gtest/gtest.h>

#include <fstream>

#include "../shell/TempDir.h"
#include "GameFixture.h"
#include "base/Random.h"
#include "platform/FileSystem.h"

using namespace kestra;
using namespace kestra::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::filesystem::path& p, const Bytes& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void AddChunk(Bytes& out, std::int32_t id, const Bytes& payload) {
    TByteWriter w;
    WriteVarInt(w, id);
    WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
    w.WriteBytes(payload);
    out.insert(out.end(), w.Bytes.begin(), w.Bytes.end());
}

Bytes Magic() {
    TByteWriter w;
    WriteLString(w, KSaveMagic);
    return w.Bytes;
}

constexpr double KSaveTime = 46000.5; // 9 Dec 2025, noon

struct SaveFiles : ::testing::Test, TGameFixture {
    SaveFiles() : Save(Env(), Dir.Dir(), platform::AtomicWriteFile, [] { return KSaveTime; }) {}

    // A game in progress touching every saved object.
    void Play(TLcfgSaveData& save) {
        auto& s = save.State;
        s.System.SetSwitch(7, true);
        s.System.SetVariable(3, -42);
        s.System.Scene = KSceneMenu;
        s.System.FrameCount = 12345;
        TVezMusic boss;
        boss.Name = "Boss";
        boss.Tempo = 120;
        s.System.SetMusic(KMusicBattle, boss);
        s.System.SetTransition(0, 4);
        s.System.SetFace("Faces9", 5, true, true);
        s.PartyInfo.GainItem(KPotion, 7);
        s.PartyInfo.UseItem(KPotion);
        s.PartyInfo.GainGold(1234);
        s.PartyInfo.SetTimer(30);
        s.PartyInfo.StartTimer(true, true);
        s.PartyInfo.Steps = 999;
        s.PartyInfo.AddMember(3);
        auto& alex = s.Actors.Get(1);
        alex.GainExperience(200);
        alex.SetName("Al");
        alex.AddState(KPoison);
        alex.Damage(3, false);
        alex.ChangeBonus(2, 17);
        alex.SetFace("Faces7", 1);
        s.Teleport.AddDestination(4, 10, 11, true, 5);
        s.Teleport.Escape().MapId = 2;
        TRandom random(3);
        s.Screen.SetTint(150, 80, 60, 40, 30);
        s.Screen.SetFlash(31, 10, 6, 20, 10);
        s.Screen.SetShake(5, 7, 60);
        s.Screen.SetWeather(KWeatherSnow, 1, random);
        for (int frame = 0; frame < 7; ++frame) s.Screen.Update(random);
        s.Screen.ScrollWeather(1, 48);
    }

    TempDir Dir;
    TLcfgSaveData Save;
};

} // namespace

TEST_F(SaveFiles, NewGameStartsFromTheDataBaseAndMapTree) {
    auto place = Save.NewGame();
    EXPECT_EQ(place.MapId, 3);
    EXPECT_EQ(place.X, 5);
    EXPECT_EQ(place.Y, 6);
    EXPECT_EQ(Save.State.Actors.Count(), DataBase.Actors.Count());
    EXPECT_EQ(Save.State.PartyInfo.Members, (std::vector<std::uint16_t>{1, 2}));
    EXPECT_EQ(Save.State.Actors.Get(2).Level, 5);
    EXPECT_EQ(Save.State.Teleport.Count(), 1u);

    MapTree.Start.Places[0].MapId = 0;
    EXPECT_THROW(Save.NewGame(), EKestraError);
}

TEST_F(SaveFiles, AGameInProgressRoundTripsByteForByte) {
    Play(Save);
    Save.Save(3);
    auto path = Dir.Path() / "Save03.lsd";
    Bytes first = ReadFile(path);
    ASSERT_FALSE(first.empty());
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Save03.lsd.tmp"));
    EXPECT_EQ(Save.State.System.SaveCount, 1);
    EXPECT_EQ(Save.State.System.LastSaveSlot, 3);

    TLcfgSaveData other(Env(), Dir.Dir(), platform::AtomicWriteFile, [] { return KSaveTime; });
    ASSERT_TRUE(other.Load(3));
    EXPECT_EQ(other.State.System.Variable(3), -42);
    EXPECT_EQ(other.State.Actors.Get(1).GetName(), "Al");
    EXPECT_EQ(other.State.PartyInfo.ItemUses[0], 1);
    EXPECT_EQ(other.State.Teleport.FindByMap(4)->SwitchId, 5);
    EXPECT_EQ(other.Header.LeaderName, "Al");
    EXPECT_EQ(other.Header.FaceFile(0), "Faces7");
    EXPECT_EQ(other.Header.FaceFile(1), "Faces2");
    EXPECT_EQ(other.Header.Time, KSaveTime);
    const TLcfgScreen& screen = other.State.Screen;
    EXPECT_TRUE(screen.Equals(Save.State.Screen));
    EXPECT_EQ(screen.TintTarget[0], 150);
    EXPECT_EQ(screen.TintFrames, 23);
    EXPECT_DOUBLE_EQ(screen.TintCurrent[3], Save.State.Screen.TintCurrent[3]);
    EXPECT_EQ(screen.FlashFrames, 3);
    EXPECT_EQ(screen.ShakeX, Save.State.Screen.ShakeX);
    EXPECT_EQ(screen.WeatherKind, KWeatherSnow);
    EXPECT_EQ(screen.WeatherOffsetX, 5120 - 48);
    EXPECT_EQ(other.SaveToBytes(), first);
    EXPECT_FALSE(other.Load(4));
}

TEST_F(SaveFiles, AFailedWriteKeepsTheOldFileAndTheCounters) {
    Save.Save(1);
    auto path = Dir.Path() / "Save01.lsd";
    Bytes old = ReadFile(path);

    // A writer that gets half the file onto disk and then fails.
    TLcfgSaveData failing(
        Env(), Dir.Dir(), [](const std::filesystem::path& p, std::span<const std::uint8_t> bytes) {
            auto tmp = p;
            tmp += ".tmp";
            WriteFile(tmp, Bytes(bytes.begin(), bytes.begin() + bytes.size() / 2));
            throw EFileError(p.string() + ": disk full");
        });
    ASSERT_TRUE(failing.Load(1));
    Play(failing);
    auto header = failing.Header.Encode();
    EXPECT_THROW(failing.Save(1), EFileError);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(failing.State.System.SaveCount, 1);
    EXPECT_EQ(failing.State.System.LastSaveSlot, 1);
    EXPECT_EQ(failing.Header.Encode(), header);
}

TEST_F(SaveFiles, TheAtomicWriterReplacesWholeFilesAndReportsFailures) {
    auto path = Dir.Path() / "f.bin";
    platform::AtomicWriteFile(path, Bytes{1, 2, 3});
    platform::AtomicWriteFile(path, Bytes{4, 5});
    EXPECT_EQ(ReadFile(path), (Bytes{4, 5}));
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "f.bin.tmp"));
    // Renaming over a directory fails; the directory stays and no temporary is left.
    std::filesystem::create_directory(Dir.Path() / "d");
    std::filesystem::create_directory(Dir.Path() / "d" / "inner");
    EXPECT_THROW(platform::AtomicWriteFile(Dir.Path() / "d", Bytes{1}), EFileError);
    EXPECT_TRUE(std::filesystem::is_directory(Dir.Path() / "d"));
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "d.tmp"));
    EXPECT_THROW(platform::AtomicWriteFile(Dir.Path() / "missing" / "x", Bytes{1}), EFileError);
}

TEST_F(SaveFiles, ACorruptSaveLeavesTheStateUnchanged) {
    Play(Save);
    Bytes good = Save.SaveToBytes();
    Bytes before = Save.SaveToBytes();
    std::vector<Bytes> bad = {
        Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() - 7)),
        Bytes(good.begin(), good.begin() + 5),
        Bytes{},
    };
    Bytes wrongMagic = good;
    wrongMagic[3] = 'X';
    bad.push_back(wrongMagic);
    Bytes hugeLength = Magic();
    hugeLength.insert(hugeLength.end(), {101, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 1});
    bad.push_back(hugeLength);
    for (const auto& file : bad) {
        Save.State.System.SetSwitch(7, true);
        EXPECT_THROW(Save.LoadFromBytes(file, "Save01.lsd"), EStreamReadError);
        EXPECT_EQ(Save.SaveToBytes(), before);
    }
    WriteFile(Dir.Path() / "Save02.lsd", bad[0]);
    EXPECT_THROW(Save.Load(2), EStreamReadError);
    EXPECT_EQ(Save.SaveToBytes(), before);
}

TEST_F(SaveFiles, HeadersAreReadAloneFromFilesInAnyOrderAndCase) {
    Play(Save);
    Save.Save(1);
    std::filesystem::rename(Dir.Path() / "Save01.lsd", Dir.Path() / "SAVE03.LSD");
    Save.State.PartyInfo.Members.clear();
    Save.Save(7);
    WriteFile(Dir.Path() / "Save09.lsd", Bytes{1, 2, 3});

    // A file with chunk 101 before chunk 100: header reads never touch the state.
    TLcfgGameState other(Env());
    other.Reset();
    other.System.SetSwitch(50, true);
    Bytes reordered = Magic();
    AddChunk(reordered, 101, other.System.Encode());
    TLcfgSaveHeader h;
    h.LeaderName = "Zed";
    AddChunk(reordered, 100, h.Encode());
    AddChunk(reordered, 250, Bytes{9, 9}); // unknown chunks are skipped
    WriteFile(Dir.Path() / "save12.lsd", reordered);

    auto switches = Save.State.System.Switches;
    auto list = Save.ListHeaders();
    ASSERT_EQ(list.size(), 15u);
    for (std::int32_t slot = 1; slot <= 15; ++slot) {
        bool present = slot == 3 || slot == 7 || slot == 12;
        EXPECT_EQ(list[static_cast<std::size_t>(slot - 1)].has_value(), present) << slot;
    }
    EXPECT_EQ(list[2]->LeaderName, "Al");
    EXPECT_EQ(list[2]->LeaderLevel, Save.State.Actors.Get(1).Level);
    EXPECT_EQ(list[2]->Time, KSaveTime);
    // Saved while the party was empty: only the time.
    EXPECT_EQ(list[6]->Encode(), [] {
        TLcfgSaveHeader only;
        only.Time = KSaveTime;
        return only.Encode();
    }());
    EXPECT_EQ(list[11]->LeaderName, "Zed");
    EXPECT_EQ(Save.State.System.Switches, switches);

    // A full load of the same file takes chunk 101 as well.
    ASSERT_TRUE(Save.Load(12));
    EXPECT_TRUE(Save.State.System.Switch(50));
    EXPECT_EQ(Save.State.Actors.Count(), DataBase.Actors.Count()); // absent chunks: cleared
    // Read from the file as it is named; a save writes the name in its own case.
    EXPECT_EQ(Save.SlotFile(3)->filename(), "SAVE03.LSD");
    EXPECT_EQ(Save.SlotPath(3)->filename(), "Save03.lsd");
    EXPECT_FALSE(Save.SlotPath(0).has_value());
    EXPECT_FALSE(Save.SlotFile(4).has_value());
}

TEST(SaveTime, DayCountsStartOn30December1899) {
    EXPECT_EQ(DayCount(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(DayCount(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_EQ(DayCount(2000, 1, 1, 18, 0, 0), 36526.75);
    double now = LocalDayCount();
    EXPECT_GT(now, DayCount(2020, 1, 1, 0, 0, 0));
}

TEST_F(SaveFiles, LoadingRepairsWhatTheDataBaseDoesNotBack) {
    TLcfgGameState foreign(Env());
    foreign.Reset();
    foreign.Actors.Obtain(9).Level = 3; // no such actor record
    foreign.PartyInfo.Members = {9, 1, 1, 2, 3, 4};
    foreign.PartyInfo.Gold = -5;
    foreign.Actors.Get(2).Level = 500;
    foreign.Actors.Remove(3);
    Bytes file = Magic();
    AddChunk(file, 108, [&] {
        TByteWriter w;
        foreign.Actors.SaveToStream(w);
        return w.Bytes;
    }());
    AddChunk(file, 109, foreign.PartyInfo.Encode());
    Save.LoadFromBytes(file, "Save05.lsd");
    const auto& s = Save.State;
    EXPECT_EQ(s.Actors.Find(9), nullptr);
    EXPECT_EQ(s.Actors.Count(), DataBase.Actors.Count());
    EXPECT_EQ(s.Actors.Get(3).Level, 1); // set up from its record
    EXPECT_EQ(s.Actors.Get(2).Level, 50);
    EXPECT_EQ(s.PartyInfo.Members, (std::vector<std::uint16_t>{1, 2}));
    EXPECT_EQ(s.PartyInfo.Gold, 0);
    EXPECT_NO_THROW(Save.SaveToBytes());
}

#pragma once
// The real game object for fuzz targets: a one-room game (the fixture's database, an
// open 30 x 20 map, the party starting at (5, 5)) written once into a temporary folder
// and played headless. NewGame starts a new game in it for every input.
#include <filesystem>
#include <memory>

#include "../shell/TempDir.h"
#include "../state/GameFixture.h"
#include "base/Warning.h"
#include "platform/FileSystem.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"

namespace kestra::test {

class TFuzzGame {
public:
    TFuzzGame() {
        // Broken data by the million: warnings would only slow the run.
        SetWarningsEnabled(false);
        TVezDataBase db;
        FillDataBase(db);
        db.System.SystemGraphic.clear();
        db.System.Transition.fill(20); // teleports without transitions: quick inputs
        auto& chips = db.ChipSets.Obtain(1);
        chips.Lower.fill(15);
        chips.Upper.fill(15);
        db.SaveToFile(Dir.Dir() + "KESTRA.ldb");
        TVezMapTree tree;
        tree.Obtain(1);
        tree.Start.Places[0] = {1, 5, 5};
        WriteBytes("KESTRA.lmt", tree.SaveToBytes());
        TVezMap map(1);
        map.Lower.Resize(30, 20);
        map.Upper.Resize(30, 20);
        for (auto& t : map.Lower.Tiles()) t = 5000;
        for (auto& t : map.Upper.Tiles()) t = 10000;
        map.ChipSet = 1;
        map.SaveToFile(Dir.Dir() + "Map0001.lmu");
        // The game holds every file it uses: no runtime package.
        const std::string ini = "[KESTRA]\r\nFullPackageFlag=1\r\nGameTitle=Fuzz\r\n";
        WriteBytes("KESTRA.ini", std::vector<std::uint8_t>(ini.begin(), ini.end()));
        TCommandLine line;
        line.Words = {"TestPlay"};
        line.GameDir = Dir.Path();
        line.Headless = true;
        line.Seed = 1;
        Game = std::make_unique<TGameMain>(line, Platform);
        PrepareGame(*Game);
    }
    // A new game on the map: the state from the database, fresh events and field.
    TGameMain& NewGame() {
        StartNewGame(*Game);
        return *Game;
    }

    // The game directory, and a file written into it.
    const std::filesystem::path& Path() const { return Dir.Path(); }
    void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(Dir.Path() / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

private:
    TempDir Dir;
    // The fuzzed games play no movies.
    THeadlessPlatform Platform{kestra::platform::AtomicWriteFile,
                               [](const std::string& path) -> std::unique_ptr<IKandelMovie> {
                                   throw EMovieError(path + ": no movies in fuzz runs");
                               }};

public:
    std::unique_ptr<TGameMain> Game;
};

} // namespace kestra::test

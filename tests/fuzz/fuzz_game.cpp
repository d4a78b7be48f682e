// A whole game directory from strangers, through the game object: the database, the map
// tree, the start map and a save are written into the game's folder, the game's data is
// loaded as at start-up, a new game starts on the map and the save is loaded from the
// list's path (its check, then the saved map entered), each followed by field frames.
// Every failure must be an error naming what is wrong; nothing may crash or hang.
//
// Input: one selector byte (0 database, 1 map tree, 2 map, 3 save; taken modulo 4),
// then the bytes of that file; the other three stay the realistic files of the game.
#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzGame.h"
#include "scenes/LS_Field.h"

namespace {

constexpr std::array<const char*, 4> KFiles = {"KESTRA.ldb", "KESTRA.lmt", "Map0001.lmu",
                                               "Save01.lsd"};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct TGameFiles {
    TGameFiles() {
        // A save of a new game, so that every file has a realistic original.
        kestra::TGameMain& game = Fuzz.NewGame();
        game.Session->Save->Save(1);
        for (std::size_t i = 0; i < KFiles.size(); ++i)
            Original[i] = ReadFile(Fuzz.Path() / KFiles[i]);
    }
    kestra::test::TFuzzGame Fuzz;
    std::array<std::vector<std::uint8_t>, 4> Original;
};

void Frames(kestra::TGameMain& game, int count) {
    for (int i = 0; i < count; ++i) {
        game.SceneFor(kestra::KSceneField).Update();
        game.SceneFor(kestra::KSceneField).Draw();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestra;
    static TGameFiles files;
    if (size == 0) return 0;
    const std::size_t chosen = data[0] % KFiles.size();
    for (std::size_t i = 0; i < KFiles.size(); ++i)
        files.Fuzz.WriteBytes(KFiles[i], i == chosen
                                             ? std::vector<std::uint8_t>(data + 1, data + size)
                                             : files.Original[i]);
    TGameMain& game = *files.Fuzz.Game;
    try {
        LoadGameData(game);
    } catch (const EKestraError&) {
        return 0;
    }
    try {
        StartNewGame(game);
        Frames(game, 2);
    } catch (const EKestraError&) {
    }
    try {
        if (LoadSavedGame(game, 1)) {
            EnterSavedGame(game);
            Frames(game, 2);
        }
    } catch (const EKestraError&) {
    }
    return 0;
}

#pragma once
// Scene numbers: the byte of the system state that selects the running scene.
#include <cstdint>

namespace kestra {

enum TSceneNumber : std::uint8_t {
    KSceneField = 0,
    KSceneMenu = 1,
    KSceneBattle = 2,
    KSceneShop = 3,
    KSceneName = 4,
    KSceneSaveFile = 5,
    KSceneTitle = 6,
    KSceneGameOver = 7,
    KSceneDebug = 8,
};

} // namespace kestra

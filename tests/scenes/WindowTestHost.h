#pragma once
// A window host for tests: a real system graphic over the coded test skin, a
// board, the auto-repeat bits a test sets, and a count of cursor sounds.
#include "../graphics/TestSystemGraphic.h"
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

namespace kestra::testing {

inline TGlyphFont& SharedFont() {
    static TGlyphFont font;
    return font;
}

class TTestWindowHost : public IVezWindowHost {
public:
    TTestWindowHost() : system(SharedFont(), nullptr) {
        system.LoadSystemBitmap(CodedSystemBitmap());
        board.SetSize(KScreenWidth, KScreenHeight);
    }
    TVezSystemGraphic& SystemGraphic() override { return system; }
    TKandelBoard& Board() override { return board; }
    std::uint16_t RepeatedButtons() override { return keys; }
    void PlayCursorSound() override { ++cursorSounds; }
    int CurrentScene() override { return scene; }

    TVezSystemGraphic system;
    TKandelBoard board;
    std::uint16_t keys = 0;
    int cursorSounds = 0;
    int scene = KSceneField;
};

} // namespace kestra::testing

#pragma once
// The scene framework: what every screen of the game shares. A scene composes its
// picture onto the display board in Draw; the base gives it frame-paced drawing,
// brightness fades, the double flash and the twenty show/hide transitions, each
// of which runs its own frames through the host.
#include "base/Random.h"
#include "graphics/KandelBoard.h"
#include "shell/SceneNumbers.h"

#include <cstdint>
#include <vector>

namespace kestra {

inline constexpr int KScreenWidth = 320;
inline constexpr int KScreenHeight = 240;
inline constexpr int KSceneTransitionCount = 20; // 0..19; any other number paints nothing

// What a scene needs from the program around it. The game provides the real
// display, input and random generator; tests provide a recording fake.
class TSceneHost {
public:
    virtual ~TSceneHost() = default;
    virtual TKandelBoard& Board() = 0;
    // True while the display is on time (lag below half the maximum lag).
    virtual bool CanDraw() = 0;
    virtual void Present() = 0;
    // Waits for the next frame, pumping window events; may raise the abort and
    // reset exceptions.
    virtual void WaitFrame() = 0;
    // Two input updates, so that keys pressed during an effect do not act.
    virtual void FlushInput() = 0;
    virtual TRandom& Random() = 0;
};

struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

class TVezScene {
public:
    explicit TVezScene(TSceneHost& host);
    virtual ~TVezScene() = default;
    TVezScene(const TVezScene&) = delete;
    TVezScene& operator=(const TVezScene&) = delete;

    // Back to the start state; the base clears both transition boards.
    virtual void Reset();
    // One frame of the scene's logic; the frame loop calls it once per pass.
    virtual void Update() {}
    // Composes the scene's current picture onto the display board.
    virtual void Draw() = 0;

    void DrawFrame();
    void FadeIn(double step);
    void FadeOut(double step);
    void Flash();
    void ShowWithTransition(int transition);
    void HideWithTransition(int transition);

    TKandelBoard OldBoard;
    TKandelBoard NewBoard;

protected:
    // Centre of the zoom transition; the field puts it on the party's character.
    virtual TPoint ZoomCentre() const { return {160, 112}; }
    TSceneHost& Host;

private:
    void RunTransition(int transition, bool show);
    void CrossFade();
    void PaintStep(int transition, bool show, int step, const std::vector<int>& blockOrder);
    void Paint(const TRect& rect);
    void Place(const TKandelBoard& source, const TRect& rect, int x, int y);
};

// The pieces of the transitions that are pure arithmetic, open for tests.
namespace transition {

// Block orders of the block transitions 1 (random), 2 (top down) and 3 (bottom up),
// 4800 blocks of 4 x 4 pixels, block k at (4 (k mod 80), 4 (k div 80)).
std::vector<int> BlockOrder(int transition, TRandom& random);

// Per channel of two 5-6-5 pixels: (l x a + (257 - l) x b) div 256.
std::uint16_t CrossFadePixel(std::uint16_t a, std::uint16_t b, int l);

// Source rectangle of the zoom transition at step i.
TRect ZoomSource(bool show, int step, TPoint centre);

// Nearest-neighbour copy of a board rectangle onto the whole destination board.
void StretchBoard(TKandelBoard& dest, const TKandelBoard& source, const TRect& sourceRect);

// The mosaic of block size a with offset r (0..a-1) drawn from source into dest.
void Mosaic(TKandelBoard& dest, const TKandelBoard& source, int a, int r);

// Horizontal shift of row y in the wave of amplitude a.
int WaveShift(int amplitude, int row);
void Wave(TKandelBoard& dest, const TKandelBoard& source, int amplitude);

} // namespace transition

} // namespace kestra

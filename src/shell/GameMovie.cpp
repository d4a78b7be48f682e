#include "shell/GameMovie.h"

#include "graphics/KandelMovie.h"
#include "media/MultiInput.h"
#include "media/Tonica.h"
#include "shell/GameMain.h"

#include <iostream>
#include <memory>
#include <vector>

namespace kestra {

namespace {

// The movie's sound stops with the movie, also when the window closes or F12 unwinds.
class TMovieSoundScope {
public:
    explicit TMovieSoundScope(ITonica& sound) : sound_(sound) {}
    ~TMovieSoundScope() { sound_.EndMovieSound(); }
    TMovieSoundScope(const TMovieSoundScope&) = delete;
    TMovieSoundScope& operator=(const TMovieSoundScope&) = delete;

private:
    ITonica& sound_;
};

} // namespace

void ReportMovieProblem(const std::string& message) {
    std::cerr << "kestra: movie: " << message << "\n";
}

TMovieEnd PlayMovieFile(TGameMain& game, const std::string& path, const TRect& rect) {
    std::unique_ptr<IKandelMovie> movie;
    try {
        movie = game.Platform().OpenMovie(path);
    } catch (const EKestraError& e) {
        ReportMovieProblem(e.what());
        return TMovieEnd::Failed;
    }
    TKandelDraw& display = *game.Display;
    IKandelDrawHost& host = *game.DisplayHost;
    TMovieSoundScope soundScope(*game.Sound);
    // The movie's sound is queued as its frames go by: it plays at normal speed only.
    struct TNormalSpeed {
        TGameMain& Game;
        explicit TNormalSpeed(TGameMain& g) : Game(g) {
            Game.PlayingMovie = true;
            Game.Display->SetFastForward(1);
        }
        ~TNormalSpeed() { Game.PlayingMovie = false; }
        TNormalSpeed(const TNormalSpeed&) = delete;
        TNormalSpeed& operator=(const TNormalSpeed&) = delete;
    } normalSpeed(game);
    const double frameMs = 1000.0 / display.FrameRate();
    std::vector<std::int16_t> sound;
    std::uint64_t pictures = 0, decodeMs = 0;
    int idleFrames = 0;
    TMovieEnd end = TMovieEnd::Played;
    for (std::uint64_t n = 1;; ++n) {
        bool more = false;
        const std::uint64_t before = host.Milliseconds();
        try {
            more = movie->Advance(static_cast<double>(n) * frameMs);
        } catch (const EKestraError& e) {
            ReportMovieProblem(e.what());
            end = TMovieEnd::Failed;
            break;
        }
        decodeMs += host.Milliseconds() - before;
        sound.clear();
        movie->TakeSound(sound);
        if (!sound.empty()) game.Sound->QueueMovieSound(sound.data(), sound.size() / 2);
        if (!more) break;
        if (movie->PictureCount() != pictures || !sound.empty()) {
            pictures = movie->PictureCount();
            idleFrames = 0;
            decodeMs = 0;
        } else if (++idleFrames > KMovieStallFrames || decodeMs > KMovieStallDecodeMs) {
            ReportMovieProblem(path + ": the movie makes no progress; it ends here");
            end = TMovieEnd::Failed;
            break;
        }
        DrawMoviePicture(display.Board, movie->Picture(), rect);
        if (display.DrawAllowed()) display.Present();
        display.WaitFrame();
        game.Input->Update();
        if ((game.Input->Pressed & (KButtonDecide | KButtonCancel)) != 0) {
            end = TMovieEnd::Skipped;
            break;
        }
    }
    display.ResetTiming();
    return end;
}

} // namespace kestra

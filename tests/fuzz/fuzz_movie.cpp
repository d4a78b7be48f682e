// Feeds arbitrary bytes to the movie reader as a file and plays it for up to ten
// seconds of game time: it must play, end or raise EMovieError, never crash, read out
// of bounds, allocate without bound or hang.
#include "platform/FfmpegMovie.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/kestra-fuzz-movie-" + std::to_string(getpid()) + ".avi";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    try {
        auto movie = kestra::platform::OpenFfmpegMovie(path);
        std::vector<std::int16_t> sound;
        for (int n = 1; n <= 600; ++n) {
            const bool more = movie->Advance(n * 1000.0 / 60);
            movie->TakeSound(sound);
            sound.clear();
            const kestra::TMoviePicture& p = movie->Picture();
            if (p.Pixels.size() != static_cast<std::size_t>(p.Width) * p.Height) __builtin_trap();
            if (!more) break;
        }
    } catch (const kestra::EMovieError&) {
    }
    return 0;
}

#include "shell/Screenshot.h"

#include "base/Errors.h"
#include "shell/FrameRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace kestra {

namespace fs = std::filesystem;

namespace {

// A user-dirs.dirs larger than this is no desktop's, and is not read.
constexpr std::uintmax_t KMaxUserDirsBytes = 64 * 1024;

std::string ReadSmallFile(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > KMaxUserDirsBytes) return {};
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

} // namespace

fs::path PicturesDirFromUserDirs(std::string_view text, const std::string& home) {
    const std::string_view key = "XDG_PICTURES_DIR=\"";
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line.substr(start).substr(0, key.size()) != key)
            continue;
        line = line.substr(start + key.size());
        const std::size_t close = line.find('"');
        if (close == std::string_view::npos) return {};
        std::string value(line.substr(0, close));
        if (value.starts_with("$HOME")) {
            if (home.empty()) return {};
            value = home + value.substr(5);
        }
        if (value.empty() || value.front() != '/') return {};
        return value;
    }
    return {};
}

fs::path ScreenshotFolder(const TEnvLookup& env) {
    if (auto v = env("XDG_PICTURES_DIR"); v && !v->empty() && v->front() == '/')
        return fs::path(*v) / "kestra";
    const std::string home = env("HOME").value_or("");
    fs::path config;
    if (auto c = env("XDG_CONFIG_HOME"); c && !c->empty() && c->front() == '/')
        config = *c;
    else if (!home.empty())
        config = fs::path(home) / ".config";
    if (!config.empty())
        if (fs::path pictures =
                PicturesDirFromUserDirs(ReadSmallFile(config / "user-dirs.dirs"), home);
            !pictures.empty())
            return pictures / "kestra";
    if (home.empty()) return {};
    return fs::path(home) / "Pictures" / "kestra";
}

std::string ScreenshotBaseName(std::string_view game, double dayCount) {
    // Whole seconds since 1970-01-01 (day 25569 of the count).
    const double seconds = std::round((dayCount - 25569.0) * 86400.0);
    const auto total = static_cast<long long>(std::clamp(seconds, -1e13, 1e13));
    long long days = total / 86400, rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // The civil date of a day number (days since 1970-01-01), proleptic Gregorian.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "-%04lld-%02lld-%02lld-%02lld%02lld%02lld", year, month, day,
                  rest / 3600, rest / 60 % 60, rest % 60);
    return std::string(game) + stamp;
}

fs::path WriteScreenshot(const TKandelBoard& board, const fs::path& folder,
                         std::string_view baseName) {
    if (folder.empty())
        throw EFileError("no folder for screenshots (neither XDG_PICTURES_DIR nor HOME is set)");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw EFileError(folder.string() + ": cannot create the folder (" + ec.message() + ")");
    fs::path path = folder / (std::string(baseName) + ".png");
    for (int n = 2; fs::exists(path, ec); ++n) {
        if (n > 9999) throw EFileError(folder.string() + ": too many screenshots of this second");
        path = folder / (std::string(baseName) + "-" + std::to_string(n) + ".png");
    }
    WriteBoardPng(board, path);
    return path;
}

} // namespace kestra

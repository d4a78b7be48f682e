#pragma once
// Finding the files that game data names: asset folders of the game directory
// first, then of the runtime package; names match without regard to ASCII case,
// and names in the game's code page are tried converted to UTF-8 and as raw bytes.
#include "base/CodePage.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

inline constexpr std::array<std::string_view, 3> KPictureExtensions = {"bmp", "png", "xyz"};
inline constexpr std::array<std::string_view, 2> KMusicExtensions = {"mid", "wav"};
inline constexpr std::array<std::string_view, 1> KSoundExtensions = {"wav"};
inline constexpr std::array<std::string_view, 2> KMovieExtensions = {"avi", "mpg"};

class TAssetLookup {
public:
    // Roots end in "/" (packageDir may be empty: no package). Names without a UTF-8
    // form in the code page are tried as raw bytes only.
    TAssetLookup(std::string gameDir, std::string packageDir, const TCodePage& codePage);

    // The file for a base name from game data, or nullopt when there is none (also
    // for an empty name). Names may reach into subfolders with "\" or "/", but a
    // name with an empty, "." or ".." component never matches.
    std::optional<std::filesystem::path>
    FindAssetFile(std::string_view baseName, std::string_view folder,
                  std::span<const std::string_view> extensions);

    // A file directly in the game directory ("KESTRA.ldb", "Save01.lsd"), any case.
    std::optional<std::filesystem::path> FindGameFile(std::string_view name);

    // Directory listings are remembered while the directory's modification time is
    // unchanged; this forgets them all.
    void ClearCache() { listings_.clear(); }

private:
    std::optional<std::filesystem::path> Resolve(const std::string& root, std::string_view folder,
                                                 const std::vector<std::string>& components,
                                                 bool raw);
    std::optional<std::string> FindEntry(const std::string& dir, std::string_view name, bool raw,
                                         bool wantDirectory);
    const std::vector<std::string>& Listing(const std::string& dir);

    std::string gameDir_, packageDir_;
    const TCodePage& codePage_;
    struct TListing {
        std::filesystem::file_time_type Stamp;
        std::vector<std::string> Names;
    };
    std::map<std::string, TListing> listings_;
};

// The file starts with the four bytes "RIFF"; any failure answers false.
bool IsRiffFile(const std::filesystem::path& path);

} // namespace kestra

#include "base/AssetLookup.h"

#include <algorithm>
#include <fstream>

namespace kestra {

namespace fs = std::filesystem;

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether a directory entry names the same file as a wanted name. In the raw bytes of
// a double-byte code page the trail byte of a character can look like an ASCII letter;
// it must match exactly. page is null for UTF-8 names.
bool SameName(std::string_view entry, std::string_view wanted, const TCodePage* page) {
    if (entry.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (page && page->IsLeadByte(static_cast<unsigned char>(wanted[i])) &&
            i + 1 < wanted.size()) {
            if (entry[i] != wanted[i] || entry[i + 1] != wanted[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(entry[i]) != FoldAscii(wanted[i])) return false;
    }
    return true;
}

// Splits a name at "\" and "/"; nullopt when a component is empty, "." or "..".
std::optional<std::vector<std::string>> SplitName(std::string_view name, const TCodePage* page) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c == '\0') return std::nullopt;
        if (page && page->IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < name.size()) {
            parts.back() += c;
            parts.back() += name[++i];
            continue;
        }
        if (c == '\\' || c == '/')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    for (const std::string& p : parts)
        if (p.empty() || p == "." || p == "..") return std::nullopt;
    return parts;
}

} // namespace

TAssetLookup::TAssetLookup(std::string gameDir, std::string packageDir, const TCodePage& codePage)
    : gameDir_(std::move(gameDir)), packageDir_(std::move(packageDir)), codePage_(codePage) {}

const std::vector<std::string>& TAssetLookup::Listing(const std::string& dir) {
    std::error_code ec;
    // A directory's modification time changes whenever an entry is added, removed
    // or renamed, so a remembered listing stays valid while it is unchanged.
    auto stamp = fs::last_write_time(dir, ec);
    if (ec) stamp = {};
    auto it = listings_.find(dir);
    if (it != listings_.end() && it->second.Stamp == stamp && !ec) return it->second.Names;
    TListing listing;
    listing.Stamp = stamp;
    for (fs::directory_iterator d(dir, ec), end; !ec && d != end; d.increment(ec))
        listing.Names.push_back(d->path().filename().string());
    // A fixed choice among names that differ only in case.
    std::sort(listing.Names.begin(), listing.Names.end());
    return listings_.insert_or_assign(dir, std::move(listing)).first->second.Names;
}

std::optional<std::string> TAssetLookup::FindEntry(const std::string& dir, std::string_view name,
                                                   bool raw, bool wantDirectory) {
    std::error_code ec;
    auto fits = [&](const std::string& entry) {
        fs::path p = fs::path(dir) / entry;
        return wantDirectory ? fs::is_directory(p, ec) : fs::is_regular_file(p, ec);
    };
    std::string exact(name);
    if (fits(exact)) return exact;
    for (const std::string& entry : Listing(dir))
        if (SameName(entry, name, raw ? &codePage_ : nullptr) && fits(entry)) return entry;
    return std::nullopt;
}

std::optional<fs::path> TAssetLookup::Resolve(const std::string& root, std::string_view folder,
                                              const std::vector<std::string>& components,
                                              bool raw) {
    auto folderName = FindEntry(root, folder, false, true);
    if (!folderName) return std::nullopt;
    std::string dir = root + *folderName;
    for (std::size_t i = 0; i < components.size(); ++i) {
        bool last = i + 1 == components.size();
        auto entry = FindEntry(dir, components[i], raw, !last);
        if (!entry) return std::nullopt;
        dir += "/" + *entry;
    }
    return fs::path(dir);
}

std::optional<fs::path> TAssetLookup::FindAssetFile(std::string_view baseName,
                                                    std::string_view folder,
                                                    std::span<const std::string_view> extensions) {
    if (baseName.empty()) return std::nullopt;
    // The UTF-8 spelling first, then the raw bytes.
    struct Spelling {
        std::vector<std::string> Components;
        bool Raw;
    };
    std::vector<Spelling> spellings;
    if (auto utf8 = codePage_.ToUtf8(baseName); utf8 && *utf8 != baseName)
        if (auto parts = SplitName(*utf8, nullptr)) spellings.push_back({*parts, false});
    if (auto parts = SplitName(baseName, &codePage_)) spellings.push_back({*parts, true});
    if (spellings.empty()) return std::nullopt;

    for (const std::string* root : {&gameDir_, &packageDir_}) {
        if (root->empty()) continue;
        for (std::string_view ext : extensions)
            for (Spelling s : spellings) {
                s.Components.back() += ".";
                s.Components.back() += ext;
                if (auto found = Resolve(*root, folder, s.Components, s.Raw)) return found;
            }
    }
    return std::nullopt;
}

std::optional<fs::path> TAssetLookup::FindGameFile(std::string_view name) {
    auto parts = SplitName(name, nullptr);
    if (!parts || parts->size() != 1) return std::nullopt;
    auto entry = FindEntry(gameDir_, name, false, false);
    if (!entry) return std::nullopt;
    return fs::path(gameDir_ + *entry);
}

bool IsRiffFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    if (!in.read(magic, 4)) return false;
    return std::string_view(magic, 4) == "RIFF";
}

} // namespace kestra

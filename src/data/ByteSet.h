#pragma once
// Per-ID byte arrays of database records (ranks, flags): entry i belongs to ID i + 1,
// and every ID beyond the stored entries answers the array's fill value.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestra {

// Setters never grow an array past this many entries.
inline constexpr std::int32_t KMaxByteSetEntries = 5000;

inline std::uint8_t ByteSetAt(const std::vector<std::uint8_t>& set, std::int32_t id,
                              std::uint8_t fill) {
    if (id < 1 || static_cast<std::size_t>(id) > set.size()) return fill;
    return set[static_cast<std::size_t>(id) - 1];
}

// Stores `value` for `id`, filling new entries with `fill`; IDs outside
// 1..KMaxByteSetEntries are ignored.
inline void ByteSetPut(std::vector<std::uint8_t>& set, std::int32_t id, std::uint8_t value,
                       std::uint8_t fill) {
    if (id < 1 || id > KMaxByteSetEntries) return;
    if (static_cast<std::size_t>(id) > set.size()) set.resize(static_cast<std::size_t>(id), fill);
    set[static_cast<std::size_t>(id) - 1] = value;
}

// Cuts the array after its last entry that differs from `fill`; no answer changes.
inline void ByteSetTrim(std::vector<std::uint8_t>& set, std::uint8_t fill) {
    std::size_t n = set.size();
    while (n > 0 && set[n - 1] == fill) --n;
    set.resize(n);
}

// Keeps at most `limit` entries.
inline void ByteSetLimit(std::vector<std::uint8_t>& set, std::size_t limit) {
    if (set.size() > limit) set.resize(limit);
}

} // namespace kestra

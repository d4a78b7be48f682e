#include "data/SaveData.h"

#include <cstdio>
#include <ctime>
#include <new>

#include "base/Warning.h"
#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "media/Tonica.h"

namespace kestra {

namespace {

std::string SlotFileName(std::int32_t slot) {
    char name[16];
    std::snprintf(name, sizeof(name), "Save%.2d.lsd", static_cast<int>(slot));
    return name;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Days from 1 January 1970 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// 30 December 1899 is 25569 days before 1 January 1970.
constexpr std::int64_t KDayCountEpochOffset = 25569;

} // namespace

// ---- header ----

void TLcfgSaveHeader::DescribeChunks(TChunkVisitor& v) {
    v.Real(1, Time);
    v.String(11, LeaderName, true);
    v.Int(12, LeaderLevel);
    v.Int(13, LeaderHP);
    for (int i = 0; i < 4; ++i) {
        v.String(21 + 2 * i, Faces[static_cast<std::size_t>(i)], true);
        v.Int(22 + 2 * i, FaceIndices[static_cast<std::size_t>(i)]);
    }
}

std::string TLcfgSaveHeader::FaceFile(int member) const {
    return member >= 0 && member < 4 ? Faces[static_cast<std::size_t>(member)] : std::string();
}

std::int32_t TLcfgSaveHeader::FaceIndex(int member) const {
    return member >= 0 && member < 4 ? FaceIndices[static_cast<std::size_t>(member)] : 0;
}

double DayCount(int year, int month, int day, int hour, int minute, int second) {
    auto days = DaysFromCivil(year, month, day) + KDayCountEpochOffset;
    return static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

double DayCountAt(std::int64_t unixMilliseconds) {
    const auto seconds = static_cast<std::time_t>(unixMilliseconds / 1000);
    std::tm local{};
    if (const std::tm* t = std::localtime(&seconds)) local = *t;
    const double fraction = static_cast<double>(unixMilliseconds % 1000) / 86400000.0;
    return DayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min, local.tm_sec) +
           fraction;
}

double DayCountUtc(std::int64_t unixMilliseconds) {
    // Floor division, so that moments before 1970 count back correctly.
    std::int64_t days = unixMilliseconds / 86400000, rest = unixMilliseconds % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    return static_cast<double>(days + KDayCountEpochOffset) +
           static_cast<double>(rest) / 86400000.0;
}

double LocalDayCount() {
    return DayCountAt(static_cast<std::int64_t>(std::time(nullptr)) * 1000);
}

// ---- the save file ----

TLcfgSaveData::TLcfgSaveData(TLcfgEnvironment env, std::string saveDir, TSaveFileWriter writer,
                             TDayClock clock)
    : State(std::move(env)), SaveDir(std::move(saveDir)), Writer(std::move(writer)),
      Clock(std::move(clock)) {
    State.Reset();
}

std::filesystem::path TLcfgSaveData::SaveDirPath() const {
    return SaveDir.empty() ? std::filesystem::path(".") : std::filesystem::path(SaveDir);
}

std::optional<std::filesystem::path> TLcfgSaveData::SlotPath(std::int32_t slot) const {
    if (slot < 1 || slot > 99) return std::nullopt;
    return SaveDirPath() / SlotFileName(slot);
}

std::optional<TLcfgSaveData::TSlotFile> TLcfgSaveData::FindSlotFile(std::int32_t slot) const {
    if (slot < 1 || slot > 99) return std::nullopt;
    const std::string wanted = SlotFileName(slot);
    // Every file of the slot's name in any letter case; the best is the newest save
    // whose header reads (its time stamp, then the file's time), then one that reads
    // not at all (so that loading it reports why).
    struct TCandidate {
        TSlotFile File;
        bool Readable = false;
        std::filesystem::file_time_type Modified{};
        bool Exact = false;
    };
    auto better = [](const TCandidate& a, const TCandidate& b) {
        if (a.Readable != b.Readable) return a.Readable;
        if (a.Readable && a.File.Header.Time != b.File.Header.Time)
            return a.File.Header.Time > b.File.Header.Time;
        if (a.Modified != b.Modified) return a.Modified > b.Modified;
        return a.Exact && !b.Exact;
    };
    std::optional<TCandidate> best;
    std::vector<std::filesystem::path> dirs{SaveDirPath()};
    for (const std::string& dir : OtherDirs)
        if (std::filesystem::path(dir) != SaveDirPath()) dirs.emplace_back(dir);
    for (const std::filesystem::path& dir : dirs) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (!SameIgnoringAsciiCase(name, wanted)) continue;
            // Whatever stands under the slot's name counts: a directory or a pipe there
            // is a damaged slot (never opened), not an empty one.
            std::error_code fileEc;
            TCandidate c;
            c.File.Path = it->path();
            c.Exact = name == wanted;
            c.Modified = it->last_write_time(fileEc);
            try {
                const auto bytes =
                    ReadDataFile(c.File.Path.string(), KMaxSaveFileBytes, "save file");
                c.File.Header = ReadHeaderFromBytes(bytes, c.File.Path.string());
                c.Readable = true;
            } catch (const EKestraError& e) {
                c.Readable = false;
                c.File.Problem = e.what();
            } catch (const std::bad_alloc&) {
                c.Readable = false;
                c.File.Problem = c.File.Path.string() + ": not enough memory to read it";
            }
            if (!best || better(c, *best)) best = std::move(c);
        }
    }
    if (!best) return std::nullopt;
    best->File.Readable = best->Readable;
    return std::move(best->File);
}

std::optional<std::filesystem::path> TLcfgSaveData::SlotFile(std::int32_t slot) const {
    auto file = FindSlotFile(slot);
    if (!file) return std::nullopt;
    return file->Path;
}

void TLcfgSaveData::Reset() {
    Header.Clear();
    State.Reset();
    State.ApplyToDevices();
}

TLcfgPlace TLcfgSaveData::NewGame() {
    Reset();
    const TVezMapTree* tree = State.Env.MapTree;
    if (tree == nullptr)
        throw EKestraError("KESTRA.lmt: no map tree is loaded, so a new game has no start");
    const auto& start = tree->Start.Places[0];
    if (start.MapId <= 0)
        throw EKestraError(tree->FileName + ": the start positions give the party map " +
                           std::to_string(start.MapId) + " (none), so a new game cannot start");
    return {start.MapId, start.X, start.Y};
}

void TLcfgSaveData::RebuildHeader() {
    Header.Clear();
    Header.Time = Clock ? Clock() : 0.0;
    const auto& party = State.PartyInfo;
    for (std::int32_t i = 0; i < party.MemberCount() && i < 4; ++i) {
        const auto* m = party.Member(i);
        if (m == nullptr) continue;
        if (i == 0) {
            Header.LeaderName = m->GetName();
            Header.LeaderLevel = m->Level;
            Header.LeaderHP = m->HP;
        }
        auto face = m->Face();
        Header.Faces[static_cast<std::size_t>(i)] = face.Name;
        Header.FaceIndices[static_cast<std::size_t>(i)] = face.Index;
    }
}

std::vector<std::uint8_t> TLcfgSaveData::Serialise() const {
    TByteWriter w;
    WriteLString(w, KSaveMagic);
    auto chunk = [&w](std::int32_t id, const auto& object) {
        TByteWriter scratch;
        object.SaveToStream(scratch);
        WriteVarInt(w, id);
        WriteVarInt(w, static_cast<std::int32_t>(scratch.Size()));
        w.WriteBytes(scratch.Bytes);
    };
    chunk(KSaveChunkHeader, Header);
    chunk(KSaveChunkSystem, State.System);
    chunk(KSaveChunkScreen, State.Screen);
    chunk(KSaveChunkPictures, State.Pictures);
    chunk(KSaveChunkHero, State.Hero);
    chunk(KSaveChunkBoat, State.Boat);
    chunk(KSaveChunkShip, State.Ship);
    chunk(KSaveChunkAirship, State.Airship);
    chunk(KSaveChunkActors, State.Actors);
    chunk(KSaveChunkPartyInfo, State.PartyInfo);
    chunk(KSaveChunkTeleport, State.Teleport);
    chunk(KSaveChunkMap, State.Map);
    chunk(KSaveChunkPanorama, State.Map.Panorama);
    chunk(KSaveChunkInterpreter, State.Interpreter);
    chunk(KSaveChunkCommonEvents, State.CommonEvents);
    return std::move(w.Bytes);
}

std::vector<std::uint8_t> TLcfgSaveData::SaveToBytes() {
    RebuildHeader();
    // A later load takes the saved events only while these still match.
    State.Hero.DataBaseSaveCount = State.DataBase().System.SaveCount;
    if (State.Map.Unit != nullptr) State.Hero.MapSaveCount = State.Map.Unit->SaveCount;
    return Serialise();
}

void TLcfgSaveData::Save(std::int32_t slot) {
    auto path = SlotPath(slot);
    if (!path) throw EFileError("save slot " + std::to_string(slot) + " does not exist");
    auto& sys = State.System;
    const std::int32_t oldCount = sys.SaveCount, oldSlot = sys.LastSaveSlot;
    TLcfgSaveHeader oldHeader;
    oldHeader.CopyFrom(Header);
    try {
        if (sys.SaveCount < INT32_MAX) ++sys.SaveCount;
        sys.LastSaveSlot = slot;
        auto bytes = SaveToBytes();
        Writer(*path, bytes);
    } catch (...) {
        sys.SaveCount = oldCount;
        sys.LastSaveSlot = oldSlot;
        Header.CopyFrom(oldHeader);
        throw;
    }
}

void TLcfgSaveData::Parse(std::span<const std::uint8_t> bytes, const std::string& name,
                          TLcfgGameState* state, TLcfgSaveHeader& header, bool headerOnly) {
    TByteReader r(bytes, name);
    ReadFileHeader(r, KSaveMagic);
    std::size_t foreign = 0;
    std::string firstForeign;
    while (!r.AtEnd()) {
        std::int32_t id = ReadVarInt(r);
        std::size_t at = r.Position();
        std::int32_t len = ReadVarInt(r);
        if (len < 0 || static_cast<std::size_t>(len) > r.Remaining())
            r.FailAt(at, "chunk " + std::to_string(id) + " claims " + std::to_string(len) +
                             " bytes, " + std::to_string(r.Remaining()) + " are left");
        TByteReader payload = r.Sub(static_cast<std::size_t>(len));
        if (id == KSaveChunkHeader) {
            header.LoadFromStream(payload);
            if (headerOnly) return;
            continue;
        }
        if (headerOnly || state == nullptr) continue;
        switch (id) {
        case KSaveChunkSystem:
            state->System.LoadFromStream(payload);
            break;
        case KSaveChunkScreen:
            state->Screen.LoadFromStream(payload);
            break;
        case KSaveChunkPictures:
            state->Pictures.LoadFromStream(payload);
            break;
        case KSaveChunkHero:
            state->Hero.LoadFromStream(payload);
            break;
        case KSaveChunkBoat:
            state->Boat.LoadFromStream(payload);
            break;
        case KSaveChunkShip:
            state->Ship.LoadFromStream(payload);
            break;
        case KSaveChunkAirship:
            state->Airship.LoadFromStream(payload);
            break;
        case KSaveChunkActors:
            state->Actors.LoadFromStream(payload);
            break;
        case KSaveChunkPartyInfo:
            state->PartyInfo.LoadFromStream(payload);
            break;
        case KSaveChunkTeleport:
            state->Teleport.LoadFromStream(payload);
            break;
        case KSaveChunkMap:
            state->Map.LoadFromStream(payload);
            break;
        case KSaveChunkPanorama:
            state->Map.Panorama.LoadFromStream(payload);
            break;
        case KSaveChunkInterpreter:
            state->Interpreter.LoadFromStream(payload);
            break;
        case KSaveChunkCommonEvents:
            state->CommonEvents.LoadFromStream(payload);
            break;
        default:
            // Vehicles (105-107) are not kept; anything else is no part of a save.
            if (id < KSaveChunkHeader || id > KSaveChunkLast) {
                if (foreign++ == 0)
                    firstForeign = "chunk " + std::to_string(id) + " at offset " +
                                   std::to_string(payload.FileOffset() - payload.Position());
            }
            break;
        }
    }
    if (headerOnly || state == nullptr) return;
    if (foreign > 0)
        Warn(name + ": ignored " + std::to_string(foreign) + (foreign == 1 ? " chunk" : " chunks") +
             " that no save holds (the first: " + firstForeign + ")");
    if (r.IgnoredCount() > 0) Warn(r.IgnoredSummary());
}

void TLcfgSaveData::LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                                  const TLoadCheck& check) {
    // The scratch tree reaches no device, so parsing has no effect outside it.
    TNullTonica silence;
    TLcfgEnvironment quiet(*State.Env.DataBase, silence, NoAssetFile, [] {});
    quiet.MapTree = State.Env.MapTree;
    TLcfgGameState scratch(quiet);
    scratch.Reset();
    TLcfgSaveHeader header;
    Parse(bytes, name, &scratch, header, false);
    scratch.Normalise();
    if (check) {
        try {
            check(scratch);
        } catch (const EKestraError& e) {
            throw EKestraError(name + ": " + e.what());
        }
    }

    State.CopyFrom(scratch);
    Header.CopyFrom(header);
    State.ApplyToDevices();
}

TLcfgSaveHeader TLcfgSaveData::ReadHeaderFromBytes(std::span<const std::uint8_t> bytes,
                                                   const std::string& name) {
    TLcfgSaveHeader header;
    Parse(bytes, name, nullptr, header, true);
    return header;
}

bool TLcfgSaveData::Load(std::int32_t slot, const TLoadCheck& check) {
    auto file = FindSlotFile(slot);
    if (!file) return false;
    auto bytes = ReadDataFile(file->Path.string(), KMaxSaveFileBytes, "save file");
    LoadFromBytes(bytes, file->Path.string(), check);
    return true;
}

std::optional<TLcfgSaveHeader> TLcfgSaveData::ReadHeader(std::int32_t slot) const {
    auto file = FindSlotFile(slot);
    if (!file || !file->Readable) return std::nullopt;
    return std::move(file->Header);
}

TSaveSlot TLcfgSaveData::ReadSlot(std::int32_t slot) const {
    TSaveSlot result;
    auto file = FindSlotFile(slot);
    if (!file) return result;
    if (file->Readable) {
        result.Header = std::move(file->Header);
    } else {
        result.Damaged = true;
        result.Problem = std::move(file->Problem);
    }
    return result;
}

std::vector<std::optional<TLcfgSaveHeader>> TLcfgSaveData::ListHeaders(std::int32_t count) const {
    std::vector<std::optional<TLcfgSaveHeader>> list;
    for (std::int32_t slot = 1; slot <= count; ++slot) list.push_back(ReadHeader(slot));
    return list;
}

} // namespace kestra

#include "data/Catalog.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <limits>
#include <typeinfo>

namespace kestra {

// ---- byte windows ----

TByteReader::TByteReader(std::span<const std::uint8_t> bytes, std::string fileName)
    : Bytes(bytes), Source(std::make_shared<TSource>()) {
    Source->Name = std::move(fileName);
    Source->BudgetLeft = KLoadMemoryPerByte * bytes.size() + KLoadMemoryBase;
}

void TByteReader::Fail(std::string_view what) const {
    FailAt(Pos, what);
}

void TByteReader::FailAt(std::size_t position, std::string_view what) const {
    throw EStreamReadError(Source->Name + ": offset " + std::to_string(Base + position) + ": " +
                           std::string(what));
}

void TByteReader::Charge(std::size_t bytes) {
    if (bytes <= Source->BudgetLeft) {
        Source->BudgetLeft -= bytes;
        return;
    }
    Fail("the records would take more memory than a file of its size may use (" +
         std::to_string(KLoadMemoryPerByte) + " bytes for each byte of the file and " +
         std::to_string(KLoadMemoryBase >> 20) + " MiB): too many records for its bytes");
}

void TByteReader::NoteIgnored(std::size_t position, std::string_view what) {
    if (Source->Ignored++ == 0)
        Source->FirstIgnored =
            "offset " + std::to_string(Base + position) + ": " + std::string(what);
}

std::string TByteReader::IgnoredSummary() const {
    if (Source->Ignored == 0) return {};
    return Source->Name + ": ignored " + std::to_string(Source->Ignored) +
           (Source->Ignored == 1 ? " chunk" : " chunks") +
           " of the wrong size, whose fields keep their initial values (the first: " +
           Source->FirstIgnored + ")";
}

std::uint8_t TByteReader::ReadByte() {
    if (Pos >= Bytes.size()) Fail("unexpected end of data");
    return Bytes[Pos++];
}

void TByteReader::ReadBytes(void* target, std::size_t count) {
    auto span = ReadSpan(count);
    if (count > 0) std::memcpy(target, span.data(), count);
}

std::span<const std::uint8_t> TByteReader::ReadSpan(std::size_t count) {
    if (count > Remaining())
        Fail("needs " + std::to_string(count) + " bytes, " + std::to_string(Remaining()) + " left");
    auto span = Bytes.subspan(Pos, count);
    Pos += count;
    return span;
}

void TByteReader::Skip(std::size_t count) {
    ReadSpan(count);
}

void TByteReader::Seek(std::size_t position) {
    if (position > Bytes.size()) Fail("seek beyond the end of data");
    Pos = position;
}

TByteReader TByteReader::Sub(std::size_t count) {
    std::size_t start = Pos;
    auto span = ReadSpan(count);
    return TByteReader(span, Source, Base + start);
}

void TByteWriter::WriteBytes(const void* data, std::size_t count) {
    auto* p = static_cast<const std::uint8_t*>(data);
    Bytes.insert(Bytes.end(), p, p + count);
}

// ---- primitives ----

namespace {

// Decodes one variable-length integer; false when the window ends inside it.
bool TryReadVarInt(TByteReader& reader, std::int32_t& value) {
    std::uint32_t v = 0;
    for (;;) {
        if (reader.AtEnd()) return false;
        std::uint8_t b = reader.ReadByte();
        v = (v << 7) | (b & 0x7Fu);
        if ((b & 0x80u) == 0) break;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

std::string LengthMessage(const std::string& what, std::int64_t length, std::size_t left) {
    return what + " " + std::to_string(length) + " exceeds the " + std::to_string(left) +
           " bytes left";
}

} // namespace

std::int32_t ReadVarInt(TByteReader& reader) {
    std::size_t start = reader.Position();
    std::int32_t value = 0;
    if (!TryReadVarInt(reader, value)) reader.FailAt(start, "truncated variable-length integer");
    return value;
}

std::size_t VarIntSize(std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    std::size_t n = 1;
    while (v >= 0x80u) {
        v >>= 7;
        ++n;
    }
    return n;
}

void WriteVarInt(TByteWriter& writer, std::int32_t value, bool withByteCount) {
    std::size_t n = VarIntSize(value);
    if (withByteCount) writer.WriteByte(static_cast<std::uint8_t>(n));
    auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = n; i-- > 0;) {
        auto group = static_cast<std::uint8_t>((v >> (7 * i)) & 0x7Fu);
        writer.WriteByte(i > 0 ? static_cast<std::uint8_t>(group | 0x80u) : group);
    }
}

std::string ReadLString(TByteReader& reader) {
    std::size_t start = reader.Position();
    std::int32_t n = ReadVarInt(reader);
    if (n < 0 || static_cast<std::size_t>(n) > reader.Remaining())
        reader.FailAt(start, LengthMessage("string length", n, reader.Remaining()));
    auto span = reader.ReadSpan(static_cast<std::size_t>(n));
    return std::string(span.begin(), span.end());
}

void WriteLString(TByteWriter& writer, std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw EKestraError("string too long to write");
    WriteVarInt(writer, static_cast<std::int32_t>(text.size()));
    writer.WriteBytes(text.data(), text.size());
}

void ReadFileHeader(TByteReader& reader, std::string_view magic) {
    std::size_t start = reader.Position();
    std::string found;
    try {
        found = ReadLString(reader);
    } catch (const EStreamReadError&) {
        reader.FailAt(start, "not a " + std::string(magic) + " file (no header)");
    }
    if (found != magic) reader.FailAt(start, "not a " + std::string(magic) + " file");
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path + ": cannot open");
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) throw EFileError(path + ": cannot read its size");
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw EFileError(path + ": read failed");
    return bytes;
}

std::vector<std::uint8_t> ReadDataFile(const std::string& path, std::uint64_t maxBytes,
                                       std::string_view kind) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        throw EFileError(path + ": cannot open the " + std::string(kind));
    if (fs::is_directory(status))
        throw EFileError(path + ": is a directory, not a " + std::string(kind));
    if (!fs::is_regular_file(status))
        throw EFileError(path + ": is not a regular file, so it is no " + std::string(kind));
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) throw EFileError(path + ": cannot read the size of the " + std::string(kind));
    if (size > maxBytes)
        throw EFileError(path + ": the " + std::string(kind) + " is " + std::to_string(size) +
                         " bytes long, more than the " + std::to_string(maxBytes >> 20) +
                         " MiB a " + std::string(kind) + " may have");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path + ": cannot open the " + std::string(kind));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 &&
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        throw EFileError(path + ": cannot read the " + std::string(kind) + " (it ended early)");
    return bytes;
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw EFileError(path + ": cannot create");
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw EFileError(path + ": write failed");
}

// ---- chunk descriptions ----

void TChunkVisitor::Bool(std::int32_t id, bool& field, bool def, bool init) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Boolean;
    c.Target = &field;
    c.DefaultBool = def;
    c.InitBool = init;
    Visit(c);
}

void TChunkVisitor::Real(std::int32_t id, double& field, double def, double init) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Real;
    c.Target = &field;
    c.DefaultReal = def;
    c.InitReal = init;
    Visit(c);
}

void TChunkVisitor::String(std::int32_t id, std::string& field, bool skipEmpty) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::String;
    c.Target = &field;
    c.SkipEmpty = skipEmpty;
    Visit(c);
}

void TChunkVisitor::FixedRaw(std::int32_t id, void* data, std::size_t elemSize, std::size_t count,
                             const void* init, bool omitWhenInit) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Fixed;
    c.Target = data;
    c.ElemSize = static_cast<std::uint8_t>(elemSize);
    c.ElemCount = count;
    c.InitFixed = init;
    c.OmitWhenInit = omitWhenInit && init != nullptr;
    Visit(c);
}

void TChunkVisitor::Encoded(std::int32_t id, TChunkCodec& codec) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Block;
    c.Codec = &codec;
    Visit(c);
}

void TChunkVisitor::EncodedSize(std::int32_t id, TChunkCodec& codec, std::int32_t def) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Integer;
    c.SizeOf = &codec;
    c.DefaultInt = def;
    c.InitInt = def;
    Visit(c);
}

void TChunkVisitor::List(std::int32_t id, TCatalog& list) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::List;
    c.List = &list;
    Visit(c);
}

void TChunkVisitor::Record(std::int32_t id, TCatalogBaseItem& record) {
    TChunkDesc c;
    c.Id = id;
    c.Kind = EChunkKind::Record;
    c.Record = &record;
    Visit(c);
}

std::int32_t TChunkDesc::GetInt() const {
    switch (IntWidth) {
    case 1:
        return IntSigned ? *static_cast<const std::int8_t*>(Target)
                         : *static_cast<const std::uint8_t*>(Target);
    case 2:
        return IntSigned ? *static_cast<const std::int16_t*>(Target)
                         : *static_cast<const std::uint16_t*>(Target);
    default:
        return *static_cast<const std::int32_t*>(Target);
    }
}

void TChunkDesc::SetInt(std::int32_t v) const {
    // Narrow fields keep the low bits, as a store of the 32-bit value would.
    switch (IntWidth) {
    case 1:
        *static_cast<std::uint8_t*>(Target) = static_cast<std::uint8_t>(v);
        break;
    case 2:
        *static_cast<std::uint16_t*>(Target) = static_cast<std::uint16_t>(v);
        break;
    default:
        *static_cast<std::int32_t*>(Target) = v;
        break;
    }
}

namespace {

std::uint64_t RealBits(double d) {
    return std::bit_cast<std::uint64_t>(d);
}

// Little-endian element access for fixed and block payloads.
[[maybe_unused]] void StoreLE(void* data, std::size_t elemSize, std::size_t index,
                              const std::uint8_t* src) {
    std::uint32_t v = 0;
    for (std::size_t b = 0; b < elemSize; ++b) v |= static_cast<std::uint32_t>(src[b]) << (8 * b);
    auto* p = static_cast<std::uint8_t*>(data) + index * elemSize;
    switch (elemSize) {
    case 1:
        *p = static_cast<std::uint8_t>(v);
        break;
    case 2: {
        auto w = static_cast<std::uint16_t>(v);
        std::memcpy(p, &w, 2);
        break;
    }
    default:
        std::memcpy(p, &v, 4);
        break;
    }
}

void LoadLE(const void* data, std::size_t elemSize, std::size_t index, std::uint8_t* dst) {
    const auto* p = static_cast<const std::uint8_t*>(data) + index * elemSize;
    std::uint32_t v = 0;
    switch (elemSize) {
    case 1:
        v = *p;
        break;
    case 2: {
        std::uint16_t w;
        std::memcpy(&w, p, 2);
        v = w;
        break;
    }
    default:
        std::memcpy(&v, p, 4);
        break;
    }
    for (std::size_t b = 0; b < elemSize; ++b) dst[b] = static_cast<std::uint8_t>(v >> (8 * b));
}

// Little-endian elements of a payload into a field; on a little-endian machine that
// is a plain copy.
void StoreAllLE(void* data, std::size_t elemSize, std::size_t count, const std::uint8_t* src) {
    if (count == 0) return;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(data, src, elemSize * count);
    } else {
        for (std::size_t i = 0; i < count; ++i) StoreLE(data, elemSize, i, src + i * elemSize);
    }
}

// A variable-length integer at the start of a payload; false when the payload ends
// inside it. The same decoding as TryReadVarInt.
bool TryVarInt(std::span<const std::uint8_t> bytes, std::int32_t& value) {
    std::uint32_t v = 0;
    for (const std::uint8_t b : bytes) {
        v = (v << 7) | (b & 0x7Fu);
        if ((b & 0x80u) == 0) {
            value = static_cast<std::int32_t>(v);
            return true;
        }
    }
    return false;
}

// The same at `pos` of a window, moving `pos` past it; false (and `pos` unmoved) when
// the window ends inside it.
bool TryVarIntAt(std::span<const std::uint8_t> bytes, std::size_t& pos, std::int32_t& value) {
    std::uint32_t v = 0;
    for (std::size_t i = pos; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        v = (v << 7) | (b & 0x7Fu);
        if ((b & 0x80u) == 0) {
            value = static_cast<std::int32_t>(v);
            pos = i + 1;
            return true;
        }
    }
    return false;
}

class TClearVisitor final : public TChunkVisitor {
public:
    void Visit(TChunkDesc& c) override {
        switch (c.Kind) {
        case EChunkKind::Integer:
            if (!c.IsCount && c.SizeOf == nullptr) c.SetInt(c.InitInt);
            break;
        case EChunkKind::Boolean:
            *static_cast<bool*>(c.Target) = c.InitBool;
            break;
        case EChunkKind::Real:
            *static_cast<double*>(c.Target) = c.InitReal;
            break;
        case EChunkKind::String:
            static_cast<std::string*>(c.Target)->clear();
            break;
        case EChunkKind::Fixed:
            if (c.InitFixed != nullptr)
                std::memcpy(c.Target, c.InitFixed, c.ElemSize * c.ElemCount);
            else
                std::memset(c.Target, 0, c.ElemSize * c.ElemCount);
            break;
        case EChunkKind::Block:
            if (c.Codec != nullptr)
                c.Codec->ClearCodec();
            else
                c.BlockResize(c.Target, 0);
            break;
        case EChunkKind::List:
            c.List->Clear();
            break;
        case EChunkKind::Record:
            c.Record->Clear();
            break;
        case EChunkKind::None:
            break;
        }
    }
};

void WriteRaw(TByteWriter& w, const TRawChunk& raw) {
    WriteVarInt(w, raw.Id);
    WriteVarInt(w, static_cast<std::int32_t>(raw.Payload.size()));
    w.WriteBytes(raw.Payload);
}

std::int32_t ClampSize(std::size_t n) {
    return static_cast<std::int32_t>(
        std::min<std::size_t>(n, std::numeric_limits<std::int32_t>::max()));
}

void WriteLength(TByteWriter& w, std::size_t n) {
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw EKestraError("chunk too large to write");
    WriteVarInt(w, static_cast<std::int32_t>(n));
}

class TWriteVisitor final : public TChunkVisitor {
public:
    TWriteVisitor(TByteWriter& writer, const std::vector<TRawChunk>& unknown)
        : W(writer), Unknown(unknown) {}

    void Visit(TChunkDesc& c) override {
        if (c.Kind == EChunkKind::None) return;
        FlushUnknownBelow(c.Id);
        switch (c.Kind) {
        case EChunkKind::Integer: {
            std::int32_t v;
            if (c.SizeOf != nullptr) {
                TByteWriter scratch;
                c.SizeOf->EncodeTo(scratch);
                v = ClampSize(scratch.Size());
            } else if (c.IsCount) {
                v = ClampSize(c.BlockSize(c.Target));
            } else {
                v = c.GetInt();
            }
            if (v == c.DefaultInt) return;
            WriteVarInt(W, c.Id);
            WriteVarInt(W, v, true);
            break;
        }
        case EChunkKind::Boolean: {
            bool v = *static_cast<const bool*>(c.Target);
            if (v == c.DefaultBool) return;
            WriteVarInt(W, c.Id);
            WriteVarInt(W, 1);
            W.WriteByte(v ? 1 : 0);
            break;
        }
        case EChunkKind::Real: {
            double v = *static_cast<const double*>(c.Target);
            if (RealBits(v) == RealBits(c.DefaultReal)) return;
            WriteVarInt(W, c.Id);
            WriteVarInt(W, 8);
            std::uint64_t bits = RealBits(v);
            for (int b = 0; b < 8; ++b) W.WriteByte(static_cast<std::uint8_t>(bits >> (8 * b)));
            break;
        }
        case EChunkKind::String: {
            const auto& s = *static_cast<const std::string*>(c.Target);
            if (s.empty() && c.SkipEmpty) return;
            WriteVarInt(W, c.Id);
            WriteLString(W, s);
            break;
        }
        case EChunkKind::Fixed:
            if (c.OmitWhenInit && std::memcmp(c.Target, c.InitFixed, c.ElemSize * c.ElemCount) == 0)
                return;
            WriteVarInt(W, c.Id);
            WriteElems(c.Target, c.ElemSize, c.ElemCount);
            break;
        case EChunkKind::Block:
            if (c.Codec != nullptr) {
                TByteWriter scratch;
                c.Codec->EncodeTo(scratch);
                WriteVarInt(W, c.Id);
                WriteLength(W, scratch.Size());
                W.WriteBytes(scratch.Bytes);
                break;
            }
            WriteVarInt(W, c.Id);
            WriteElems(c.BlockResize(c.Target, c.BlockSize(c.Target)), c.ElemSize,
                       c.BlockSize(c.Target));
            break;
        case EChunkKind::List: {
            TByteWriter scratch;
            c.List->SaveToStream(scratch);
            WriteVarInt(W, c.Id);
            WriteLength(W, scratch.Size());
            W.WriteBytes(scratch.Bytes);
            break;
        }
        case EChunkKind::Record: {
            TByteWriter scratch;
            c.Record->SaveToStream(scratch);
            WriteVarInt(W, c.Id);
            WriteLength(W, scratch.Size());
            W.WriteBytes(scratch.Bytes);
            break;
        }
        case EChunkKind::None:
            break;
        }
    }

    void Finish() {
        while (Next < Unknown.size()) WriteRaw(W, Unknown[Next++]);
    }

private:
    void FlushUnknownBelow(std::int32_t id) {
        while (Next < Unknown.size() && Unknown[Next].Id < id) WriteRaw(W, Unknown[Next++]);
    }
    void WriteElems(const void* data, std::size_t elemSize, std::size_t count) {
        WriteLength(W, elemSize * count);
        std::uint8_t buf[4];
        for (std::size_t i = 0; i < count; ++i) {
            LoadLE(data, elemSize, i, buf);
            W.WriteBytes(buf, elemSize);
        }
    }

    TByteWriter& W;
    const std::vector<TRawChunk>& Unknown;
    std::size_t Next = 0;
};

struct TChunkRef {
    std::int32_t Id;
    std::size_t Start; // payload position within the record's window
    std::size_t Length;
    bool Used = false;
};

class TReadVisitor final : public TChunkVisitor {
public:
    // The record's chunks are chunks[first, first + count), sorted by ID with one
    // entry per ID. Nested records append theirs behind while this one reads, which
    // may move the storage, so entries are reached by index.
    TReadVisitor(TByteReader& reader, std::vector<TChunkRef>& chunks, std::size_t first,
                 std::size_t count)
        : R(reader), Chunks(chunks), First(first), Count(count) {}

    bool ForReading() const override { return true; }

    void Visit(TChunkDesc& c) override {
        if (c.Kind == EChunkKind::None) return;
        TChunkRef* ref = FindChunk(c.Id);
        if (c.SizeOf != nullptr) {
            if (ref != nullptr) ref->Used = true;
            return;
        }
        if (c.IsCount) {
            std::int32_t count = c.InitInt;
            if (ref != nullptr) {
                ref->Used = true;
                std::int32_t v;
                if (TryVarInt(Payload(*ref), v)) count = v;
            }
            Counts.push_back({count, c});
            return;
        }
        if (ref == nullptr) return;
        ref->Used = true;
        const std::size_t len = ref->Length;
        // Plain values read straight from the payload; nested records, lists and
        // self-encoding blocks get a window of their own.
        switch (c.Kind) {
        case EChunkKind::Integer: {
            std::int32_t v;
            if (TryVarInt(Payload(*ref), v))
                c.SetInt(v); // a varint running past its chunk is ignored
            break;
        }
        case EChunkKind::Boolean:
            if (len == 1)
                *static_cast<bool*>(c.Target) = Payload(*ref)[0] != 0;
            else
                Ignore(*ref, 1);
            break;
        case EChunkKind::Real:
            if (len != 8) Ignore(*ref, 8);
            if (len == 8) {
                const auto p = Payload(*ref);
                std::uint64_t bits = 0;
                for (int b = 0; b < 8; ++b)
                    bits |= static_cast<std::uint64_t>(p[static_cast<std::size_t>(b)]) << (8 * b);
                *static_cast<double*>(c.Target) = std::bit_cast<double>(bits);
            }
            break;
        case EChunkKind::String: {
            const auto p = Payload(*ref);
            static_cast<std::string*>(c.Target)->assign(p.begin(), p.end());
            break;
        }
        case EChunkKind::Fixed:
            if (len == std::size_t{c.ElemSize} * c.ElemCount)
                StoreAllLE(c.Target, c.ElemSize, c.ElemCount, Payload(*ref).data());
            else
                Ignore(*ref, std::size_t{c.ElemSize} * c.ElemCount);
            break;
        case EChunkKind::Block: {
            if (c.Codec != nullptr) {
                TByteReader in = Window(*ref);
                c.Codec->DecodeFrom(in);
                break;
            }
            const auto p = Payload(*ref);
            const std::size_t n = len / c.ElemSize;
            StoreAllLE(c.BlockResize(c.Target, n), c.ElemSize, n, p.data());
            break;
        }
        case EChunkKind::List: {
            TByteReader in = Window(*ref);
            c.List->LoadFromStream(in);
            break;
        }
        case EChunkKind::Record: {
            TByteReader in = Window(*ref);
            c.Record->LoadFromStream(in);
            break;
        }
        case EChunkKind::None:
            break;
        }
    }

    // Cuts every counted container to min(count, its size).
    void ApplyCounts() {
        for (auto& [count, c] : Counts) {
            std::size_t have = c.BlockSize(c.Target);
            std::size_t want = count <= 0 ? 0 : static_cast<std::size_t>(count);
            if (want < have) c.BlockResize(c.Target, want);
        }
    }

private:
    // Descriptions come in ascending ID order, so a cursor walks the sorted chunks
    // once; an ID below the cursor's (a description out of order) searches.
    TChunkRef* FindChunk(std::int32_t id) {
        const auto begin = Chunks.begin() + static_cast<std::ptrdiff_t>(First);
        const auto end = begin + static_cast<std::ptrdiff_t>(Count);
        if (Next > 0 && begin[static_cast<std::ptrdiff_t>(Next - 1)].Id >= id) {
            auto it = std::lower_bound(begin, end, id,
                                       [](const TChunkRef& r, std::int32_t v) { return r.Id < v; });
            return it != end && it->Id == id ? &*it : nullptr;
        }
        while (Next < Count && begin[static_cast<std::ptrdiff_t>(Next)].Id < id) ++Next;
        if (Next < Count && begin[static_cast<std::ptrdiff_t>(Next)].Id == id)
            return &begin[static_cast<std::ptrdiff_t>(Next++)];
        return nullptr;
    }
    TByteReader Window(const TChunkRef& ref) {
        R.Seek(ref.Start);
        return R.Sub(ref.Length);
    }
    void Ignore(const TChunkRef& ref, std::size_t expected) {
        R.NoteIgnored(ref.Start, "chunk " + std::to_string(ref.Id) + " holds " +
                                     std::to_string(ref.Length) + " bytes, " +
                                     std::to_string(expected) + " expected");
    }
    // The chunk scan checked every chunk against the window.
    std::span<const std::uint8_t> Payload(const TChunkRef& ref) const {
        return R.Window().subspan(ref.Start, ref.Length);
    }

    TByteReader& R;
    std::vector<TChunkRef>& Chunks;
    std::size_t First, Count;
    std::size_t Next = 0; // the cursor, relative to First
    std::vector<std::pair<std::int32_t, TChunkDesc>> Counts;
};

class TFootprintVisitor final : public TChunkVisitor {
public:
    void Visit(TChunkDesc& c) override {
        switch (c.Kind) {
        case EChunkKind::String: {
            const auto& text = *static_cast<const std::string*>(c.Target);
            if (text.capacity() > 15) Bytes += text.capacity() + 1 + KAllocationOverhead;
            break;
        }
        case EChunkKind::Block:
            if (c.Codec == nullptr && c.BlockSize(c.Target) > 0)
                Bytes += c.BlockSize(c.Target) * c.ElemSize + KAllocationOverhead;
            break;
        case EChunkKind::List:
            if (c.List->Count() > 0)
                Bytes += c.List->Count() * (c.List->ItemFootprint() + 2 * sizeof(void*)) +
                         KAllocationOverhead;
            if (c.List->Name().size() > 15)
                Bytes += c.List->Name().size() + 1 + KAllocationOverhead;
            break;
        case EChunkKind::Record:
            Bytes += HeapFootprint(*c.Record);
            break;
        default:
            break;
        }
    }
    std::size_t Bytes = 0;
};

} // namespace

std::size_t HeapFootprint(TCatalogBaseItem& record) {
    TFootprintVisitor v;
    record.DescribeChunks(v);
    return v.Bytes;
}

// ---- records ----

void TCatalogBaseItem::Clear() {
    TClearVisitor v;
    DescribeChunks(v);
    Unknown.clear();
}

void TCatalogBaseItem::LoadFromStream(TByteReader& reader) {
    if (!reader.TakeFreshRecord()) Clear();
    LoadChunks(reader, true);
}

void TCatalogBaseItem::LoadUnterminated(TByteReader& reader) {
    Clear();
    LoadChunks(reader, false);
}

namespace {

// The chunk index of every record being read on this thread, nested records behind
// their parents', so that reading allocates nothing per record once it has grown.
std::vector<TChunkRef>& ChunkIndex() {
    thread_local std::vector<TChunkRef> index;
    return index;
}

// Gives the index back to the record's parent however the record's reading ends.
struct TChunkIndexMark {
    std::vector<TChunkRef>& Index;
    std::size_t First;
    ~TChunkIndexMark() { Index.resize(First); }
};

} // namespace

void TCatalogBaseItem::LoadChunks(TByteReader& reader, bool terminated) {
    // First pass: locate every chunk. A broken chunk stops the scan; the chunks before
    // it are still loaded, then the error is passed on.
    std::vector<TChunkRef>& index = ChunkIndex();
    const TChunkIndexMark mark{index, index.size()};
    const std::size_t first = mark.First;
    std::exception_ptr failure;
    bool ascending = true;
    try {
        // The common case decodes straight from the window; a truncated integer is
        // read again by ReadVarInt for its error.
        const std::span<const std::uint8_t> bytes = reader.Window();
        std::size_t pos = reader.Position();
        for (;;) {
            reader.Seek(pos);
            if (reader.AtEnd()) break;
            std::int32_t id = 0;
            if (!TryVarIntAt(bytes, pos, id)) ReadVarInt(reader);
            if (id == 0 && terminated) {
                reader.Seek(pos);
                break;
            }
            const std::size_t at = pos;
            std::int32_t len = 0;
            if (!TryVarIntAt(bytes, pos, len)) {
                reader.Seek(at);
                ReadVarInt(reader);
            }
            const std::size_t left = bytes.size() - pos;
            if (len < 0 || static_cast<std::size_t>(len) > left) {
                reader.Seek(pos);
                reader.FailAt(at,
                              LengthMessage("chunk " + std::to_string(id) + " length", len, left));
            }
            if (index.size() > first && index.back().Id >= id) ascending = false;
            index.push_back({id, pos, static_cast<std::size_t>(len)});
            pos += static_cast<std::size_t>(len);
        }
    } catch (const EStreamReadError&) {
        failure = std::current_exception();
    }
    std::size_t end = reader.Position();

    // Files list chunks in ascending ID order; anything else is sorted, and of
    // duplicates the later one wins.
    if (!ascending) {
        const auto begin = index.begin() + static_cast<std::ptrdiff_t>(first);
        std::stable_sort(begin, index.end(),
                         [](const TChunkRef& a, const TChunkRef& b) { return a.Id < b.Id; });
        auto out = begin;
        for (auto it = begin; it != index.end(); ++it)
            if (it + 1 == index.end() || (it + 1)->Id != it->Id) *out++ = *it;
        index.erase(out, index.end());
    }
    const std::size_t count = index.size() - first;

    TReadVisitor v(reader, index, first, count);
    DescribeChunks(v);
    v.ApplyCounts();
    std::size_t kept = 0;
    for (std::size_t i = first; i < first + count; ++i) kept += index[i].Used ? 0 : 1;
    Unknown.reserve(kept);
    for (std::size_t i = first; i < first + count; ++i) {
        const TChunkRef ref = index[i];
        if (ref.Used) continue;
        reader.Seek(ref.Start);
        reader.Charge(sizeof(TRawChunk) + ref.Length + KAllocationOverhead);
        auto span = reader.ReadSpan(ref.Length);
        Unknown.push_back({ref.Id, std::vector<std::uint8_t>(span.begin(), span.end())});
    }
    reader.Seek(end);
    if (failure) std::rethrow_exception(failure);
}

void TCatalogBaseItem::SaveToStream(TByteWriter& writer, bool terminator) const {
    // The write visitor only reads the fields it is shown.
    auto& self = const_cast<TCatalogBaseItem&>(*this);
    TWriteVisitor v(writer, Unknown);
    self.DescribeChunks(v);
    v.Finish();
    if (terminator) writer.WriteByte(0);
}

void TCatalogBaseItem::CopyFrom(const TCatalogBaseItem& other) {
    if (&other == this) return;
    auto bytes = other.Encode();
    Decode(bytes, "copy");
}

bool TCatalogBaseItem::Equals(const TCatalogBaseItem& other) const {
    return typeid(*this) == typeid(other) && Encode() == other.Encode();
}

std::vector<std::uint8_t> TCatalogBaseItem::Encode() const {
    TByteWriter w;
    SaveToStream(w);
    return std::move(w.Bytes);
}

void TCatalogBaseItem::Decode(std::span<const std::uint8_t> bytes, const std::string& name) {
    TByteReader r(bytes, name);
    LoadFromStream(r);
}

// ---- lists ----

TCatalogItem* TCatalog::ItemAt(std::size_t index) const {
    return index < Items.size() ? Items[index].get() : nullptr;
}

TCatalogItem* TCatalog::FindItem(std::int32_t id) const {
    if (Items.empty() || Items.back()->Id < id) return nullptr;
    if (id > 0 && static_cast<std::size_t>(id) <= Items.size() && Items[id - 1]->Id == id)
        return Items[id - 1].get();
    auto it = std::lower_bound(Items.begin(), Items.end(), id,
                               [](const auto& item, std::int32_t v) { return item->Id < v; });
    return it != Items.end() && (*it)->Id == id ? it->get() : nullptr;
}

TCatalogItem& TCatalog::ObtainItem(std::int32_t id) {
    if (TCatalogItem* found = FindItem(id)) return *found;
    auto it = std::lower_bound(Items.begin(), Items.end(), id,
                               [](const auto& item, std::int32_t v) { return item->Id < v; });
    return **Items.insert(it, NewItem(id));
}

TCatalogItem& TCatalog::AppendItem() {
    std::int32_t id = 1;
    if (!Items.empty()) {
        if (Items.back()->Id == std::numeric_limits<std::int32_t>::max())
            throw ELookupError(TableName + ": no ID left to append");
        id = Items.back()->Id + 1;
    }
    Items.push_back(NewItem(id));
    return *Items.back();
}

void TCatalog::Remove(std::int32_t id) {
    auto it = std::lower_bound(Items.begin(), Items.end(), id,
                               [](const auto& item, std::int32_t v) { return item->Id < v; });
    if (it == Items.end() || (*it)->Id != id) return;
    it = Items.erase(it);
    for (; it != Items.end(); ++it) (*it)->SetId((*it)->Id - 1);
}

void TCatalog::LoadFromStream(TByteReader& reader) {
    Clear();
    try {
        std::size_t at = reader.Position();
        std::int32_t count = ReadVarInt(reader);
        // Every entry takes at least one byte, so a larger count cannot be real.
        if (count < 0 || static_cast<std::size_t>(count) > reader.Remaining())
            reader.FailAt(at, LengthMessage(TableName + " item count", count, reader.Remaining()));
        const std::size_t footprint = ItemFootprint() + 2 * sizeof(void*);
        // A bounded reserve: the count is only known to be below the bytes left.
        Items.reserve(std::min<std::size_t>(static_cast<std::size_t>(count), 1024));
        bool ascending = true;
        for (std::int32_t i = 0; i < count; ++i) {
            std::int32_t id = ReadVarInt(reader);
            reader.Charge(footprint);
            if (!Items.empty() && Items.back()->Id >= id) ascending = false;
            Items.push_back(NewItem(id));
            reader.MarkFreshRecord();
            Items.back()->LoadFromStream(reader);
            reader.TakeFreshRecord();
        }
        // Files list items in ascending ID order; anything else is sorted, and of two
        // entries with one ID the later wins.
        if (!ascending) {
            std::stable_sort(Items.begin(), Items.end(),
                             [](const auto& a, const auto& b) { return a->Id < b->Id; });
            auto out = Items.begin();
            for (auto it = Items.begin(); it != Items.end(); ++it)
                if (it + 1 == Items.end() || (*(it + 1))->Id != (*it)->Id) *out++ = std::move(*it);
            Items.erase(out, Items.end());
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void TCatalog::SaveToStream(TByteWriter& writer) const {
    WriteLength(writer, Items.size());
    for (const auto& item : Items) {
        WriteVarInt(writer, item->Id);
        item->SaveToStream(writer);
    }
}

void TCatalog::CopyFrom(const TCatalog& other) {
    if (&other == this) return;
    Clear();
    for (const auto& item : other.Items) {
        auto copy = NewItem(item->Id);
        copy->CopyFrom(*item);
        Items.push_back(std::move(copy));
    }
}

bool TCatalog::Equals(const TCatalog& other) const {
    TByteWriter a, b;
    SaveToStream(a);
    other.SaveToStream(b);
    return a.Bytes == b.Bytes;
}

void TCatalog::FailLookup(std::int32_t id) const {
    throw ELookupError(TableName + ": no item with ID " + std::to_string(id));
}

void TCatalog::FailIndex(std::size_t index) const {
    throw ELookupError(TableName + ": no item at index " + std::to_string(index) + " of " +
                       std::to_string(Items.size()));
}

} // namespace kestra

// `dump` and `pack`: the data files as JSON and back. Both walk the records through
// their chunk descriptions, so every described field appears under its name (or as
// "#<id>"), in the description's order, with only the values that differ from a
// cleared record. Lists always appear in full, each item with its "id".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <typeindex>

#include "DataJson.h"
#include "ToolCommands.h"
#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/Json.h"
#include "data/DataBase.h"
#include "data/LD_EventCommands.h"
#include "data/LD_Map.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"
#include "media/Tonica.h"
#include "platform/Cp932.h"

namespace kestra::tool {

namespace {

// ---- names ----

using TNameList = std::vector<std::pair<std::int32_t, const char*>>;

const std::map<std::type_index, TNameList>& ChunkNames() {
    static const std::map<std::type_index, TNameList> names = {
#include "ChunkNames.inc"
    };
    return names;
}

std::string ChunkName(const TCatalogBaseItem& record, std::int32_t id) {
    auto it = ChunkNames().find(std::type_index(typeid(record)));
    if (it != ChunkNames().end())
        for (const auto& [cid, name] : it->second)
            if (cid == id) return name;
    return "#" + std::to_string(id);
}

constexpr const char* KMoveNames[] = {
    "move up",          "move right",       "move down",           "move left",
    "move up-right",    "move down-right",  "move down-left",      "move up-left",
    "move randomly",    "move toward hero", "move away from hero", "move forward",
    "face up",          "face right",       "face down",           "face left",
    "turn right",       "turn left",        "turn around",         "turn either way",
    "face randomly",    "face hero",        "face away from hero", "wait",
    "begin jump",       "end jump",         "fix direction on",    "fix direction off",
    "speed up",         "speed down",       "frequency up",        "frequency down",
    "switch on",        "switch off",       "change graphic",      "play sound",
    "through on",       "through off",      "stop animation",      "resume animation",
    "more transparent", "less transparent",
};
constexpr std::int32_t KMoveNameCount = static_cast<std::int32_t>(std::size(KMoveNames));

// ---- errors ----

[[noreturn]] void Fail(const std::string& file, const std::string& path, const std::string& what) {
    throw EKestraError(file + ": " + path + ": " + what);
}

struct TContext {
    std::string File;
    // The code page texts are packed into ("codePage" at the top of the JSON).
    int CodePage = 932;
};

// ---- text ----

// Code points standing for one byte that has no character: U+F700 + byte. Code page 932
// never decodes to this range, so the escape cannot be confused with real text.
constexpr unsigned KByteEscape = 0xF700;

// Decodes one UTF-8 sequence at text[pos]; false for a malformed one.
bool NextCodePoint(const std::string& text, std::size_t& pos, unsigned& cp) {
    auto b = static_cast<unsigned char>(text[pos]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || pos + n > text.size()) return false;
    cp = n == 1 ? b : n == 2 ? (b & 0x1Fu) : n == 3 ? (b & 0x0Fu) : (b & 0x07u);
    for (std::size_t i = 1; i < n; ++i) {
        auto c = static_cast<unsigned char>(text[pos + i]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    static constexpr unsigned KMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < KMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
    pos += n;
    return true;
}

bool InEscapeRange(const std::string& utf8) {
    std::size_t pos = 0;
    unsigned cp = 0;
    while (pos < utf8.size())
        if (!NextCodePoint(utf8, pos, cp) || (cp >= KByteEscape && cp < KByteEscape + 256))
            return true;
    return false;
}

} // namespace

std::string GameTextToUtf8(std::string_view bytes) {
    std::string out;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        std::size_t len = Cp932CharLength(bytes, pos);
        std::string_view ch = bytes.substr(pos, len);
        auto utf8 = platform::Cp932ToUtf8(ch);
        bool ok = utf8.has_value() && !utf8->empty() && !InEscapeRange(*utf8);
        if (ok) {
            auto back = platform::Utf8ToCp932(*utf8);
            ok = back.has_value() && *back == ch;
        }
        if (ok) {
            out += *utf8;
        } else {
            for (char c : ch) AppendCodePointUtf8(out, KByteEscape + static_cast<unsigned char>(c));
        }
        pos += len;
    }
    return out;
}

std::optional<std::string> Utf8ToGameText(const std::string& text, std::string* problem,
                                          int codePage) {
    std::string out, run;
    auto flush = [&]() -> bool {
        if (run.empty()) return true;
        auto bytes = platform::Utf8ToCodePage(codePage, run);
        if (!bytes) {
            if (problem)
                *problem = "text \"" + run + "\" has characters code page " +
                           std::to_string(codePage) + " lacks";
            return false;
        }
        out += *bytes;
        run.clear();
        return true;
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        unsigned cp = 0;
        if (!NextCodePoint(text, pos, cp)) {
            if (problem) *problem = "malformed UTF-8";
            return std::nullopt;
        }
        if (cp < 0x80) {
            if (!flush()) return std::nullopt;
            out += static_cast<char>(cp);
        } else if (cp >= KByteEscape && cp < KByteEscape + 256) {
            if (!flush()) return std::nullopt;
            out += static_cast<char>(cp - KByteEscape);
        } else {
            run.append(text, start, pos - start);
        }
    }
    if (!flush()) return std::nullopt;
    return out;
}

namespace {

// ---- field access ----

// Element i of an integer array of `elemSize` bytes: 4-byte elements signed, the others
// unsigned.
std::int64_t GetElem(const void* data, std::size_t elemSize, std::size_t i) {
    const auto* p = static_cast<const std::uint8_t*>(data) + i * elemSize;
    if (elemSize == 1) return *p;
    if (elemSize == 2) {
        std::uint16_t w;
        std::memcpy(&w, p, 2);
        return w;
    }
    std::int32_t d;
    std::memcpy(&d, p, 4);
    return d;
}

void SetElem(void* data, std::size_t elemSize, std::size_t i, std::int64_t v) {
    auto* p = static_cast<std::uint8_t*>(data) + i * elemSize;
    if (elemSize == 1) {
        *p = static_cast<std::uint8_t>(v);
    } else if (elemSize == 2) {
        auto w = static_cast<std::uint16_t>(v);
        std::memcpy(p, &w, 2);
    } else {
        auto d = static_cast<std::uint32_t>(v);
        std::memcpy(p, &d, 4);
    }
}

std::pair<std::int64_t, std::int64_t> ElemRange(std::size_t elemSize) {
    if (elemSize == 1) return {0, 255};
    if (elemSize == 2) return {0, 65535};
    return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max()};
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::optional<std::vector<std::uint8_t>> Unhex(const std::string& s) {
    if (s.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> out;
    auto nib = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int hi = nib(s[i]), lo = nib(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return out;
}

// Event command names come from the engine's table; a code not in it stays a number.
std::string CommandName(std::int32_t code) {
    const TEventCommand* command = FindEventCommand(code);
    return command != nullptr ? command->Name : std::string();
}

std::optional<std::int32_t> CommandCode(const std::string& name) {
    const TEventCommand* command = FindEventCommandByName(name);
    if (command == nullptr) return std::nullopt;
    return command->Code;
}

// ---- to JSON ----

TJson CommandsToJson(const TVezEventScriptList& list) {
    TJson lines = TJson::Array();
    std::size_t n = list.Lines.size();
    bool endLine = n > 0 && list.Lines.back() == TVezEventScriptLine{};
    if (endLine) --n;
    for (std::size_t i = 0; i < n; ++i) {
        const auto& line = list.Lines[i];
        TJson row = TJson::Array();
        std::string name = CommandName(line.Code);
        row.Push(name.empty() ? TJson::Int(line.Code) : TJson::Str(name));
        row.Push(TJson::Int(line.Indent));
        row.Push(TJson::Str(GameTextToUtf8(line.Text)));
        for (std::int32_t p : line.Params) row.Push(TJson::Int(p));
        lines.Push(std::move(row));
    }
    if (endLine) return lines;
    TJson obj = TJson::Object();
    obj.Set("lines", std::move(lines));
    obj.Set("endLine", TJson::Bool(false));
    return obj;
}

TJson MovesToJson(const TVezMoveCommands& moves) {
    TJson arr = TJson::Array();
    for (const auto& m : moves.Items) {
        TJson name = m.Code >= 0 && m.Code < KMoveNameCount ? TJson::Str(KMoveNames[m.Code])
                                                            : TJson::Int(m.Code);
        if (m.Code < 32 || m.Code > 35) {
            arr.Push(std::move(name));
            continue;
        }
        TJson row = TJson::Array();
        row.Push(std::move(name));
        if (m.Code == 32 || m.Code == 33) {
            row.Push(TJson::Int(m.Arg));
        } else if (m.Code == 34) {
            row.Push(TJson::Str(GameTextToUtf8(m.Name)));
            row.Push(TJson::Int(m.Arg));
        } else {
            row.Push(TJson::Str(GameTextToUtf8(m.Name)));
            row.Push(TJson::Int(m.Volume));
            row.Push(TJson::Int(m.Tempo));
            row.Push(TJson::Int(m.Balance));
        }
        arr.Push(std::move(row));
    }
    return arr;
}

TJson RecordToJson(TCatalogBaseItem& record, const TJson* cleared);

// Every item in full against its own cleared form.
TJson ListToJson(TCatalog& list) {
    TJson arr = TJson::Array();
    for (std::size_t i = 0; i < list.Count(); ++i) {
        TCatalogItem& item = *list.ItemAt(i);
        // The cleared form of this very item (clearing may depend on the ID).
        std::vector<std::uint8_t> bytes = item.Encode();
        item.Clear();
        TJson cleared = RecordToJson(item, nullptr);
        item.Decode(bytes, list.Name());
        TJson obj = TJson::Object();
        obj.Set("id", TJson::Int(item.Id));
        TJson body = RecordToJson(item, &cleared);
        for (auto& m : body.Members()) obj.Set(m.first, std::move(m.second));
        arr.Push(std::move(obj));
    }
    return arr;
}

bool IsMapLayer(const TCatalogBaseItem& record, const TChunkDesc& c) {
    return typeid(record) == typeid(TVezMap) && (c.Id == 0x47 || c.Id == 0x48);
}

class TToJsonVisitor final : public TChunkVisitor {
public:
    TToJsonVisitor(TCatalogBaseItem& record, const TJson* cleared)
        : Record(record), Cleared(cleared), Out(TJson::Object()) {}

    void Visit(TChunkDesc& c) override {
        if (c.Kind == EChunkKind::None || c.IsCount || c.SizeOf != nullptr) return;
        std::string key = ChunkName(Record, c.Id);
        const TJson* old = Cleared != nullptr ? Cleared->Find(key) : nullptr;
        TJson v;
        switch (c.Kind) {
        case EChunkKind::Integer:
            v = TJson::Int(c.GetInt());
            break;
        case EChunkKind::Boolean:
            v = TJson::Bool(*static_cast<const bool*>(c.Target));
            break;
        case EChunkKind::Real: {
            double d = *static_cast<const double*>(c.Target);
            if (std::isfinite(d)) {
                v = TJson::Real(d);
            } else {
                std::uint64_t bits;
                std::memcpy(&bits, &d, 8);
                char buf[24];
                std::snprintf(buf, sizeof buf, "0x%016llx", static_cast<unsigned long long>(bits));
                v = TJson::Str(buf);
            }
            break;
        }
        case EChunkKind::String:
            v = TJson::Str(GameTextToUtf8(*static_cast<const std::string*>(c.Target)));
            break;
        case EChunkKind::Fixed:
            if (IsMapLayer(Record, c)) {
                const auto& map = static_cast<const TVezMap&>(Record);
                v = TJson::Array();
                std::size_t w = map.Width > 0 ? static_cast<std::size_t>(map.Width) : 1;
                for (std::size_t y = 0; y * w < c.ElemCount; ++y) {
                    TJson row = TJson::Array();
                    for (std::size_t x = 0; x < w && y * w + x < c.ElemCount; ++x)
                        row.Push(TJson::Int(GetElem(c.Target, 2, y * w + x)));
                    v.Push(std::move(row));
                }
            } else if (c.ElemCount == 1) {
                v = TJson::Int(GetElem(c.Target, c.ElemSize, 0));
            } else {
                v = TJson::Array();
                for (std::size_t i = 0; i < c.ElemCount; ++i)
                    v.Push(TJson::Int(GetElem(c.Target, c.ElemSize, i)));
            }
            break;
        case EChunkKind::Block:
            if (c.Codec != nullptr) {
                if (auto* list = dynamic_cast<TVezEventScriptList*>(c.Codec))
                    v = CommandsToJson(*list);
                else if (auto* moves = dynamic_cast<TVezMoveCommands*>(c.Codec))
                    v = MovesToJson(*moves);
                else {
                    TByteWriter w;
                    c.Codec->EncodeTo(w);
                    v = TJson::Str(Hex(w.Bytes));
                }
            } else {
                v = TJson::Array();
                std::size_t n = c.BlockSize(c.Target);
                const void* data = c.BlockResize(c.Target, n);
                for (std::size_t i = 0; i < n; ++i)
                    v.Push(TJson::Int(GetElem(data, c.ElemSize, i)));
            }
            break;
        case EChunkKind::List:
            Out.Set(key, ListToJson(*c.List));
            return;
        case EChunkKind::Record: {
            v = RecordToJson(*c.Record, old);
            if (Cleared != nullptr && v.Members().empty()) return;
            Out.Set(key, std::move(v));
            return;
        }
        case EChunkKind::None:
            return;
        }
        if (old != nullptr && *old == v) return;
        Out.Set(key, std::move(v));
    }

    TCatalogBaseItem& Record;
    const TJson* Cleared;
    TJson Out;
};

// With `cleared`, only the members that differ from it.
TJson RecordToJson(TCatalogBaseItem& record, const TJson* cleared) {
    TToJsonVisitor v(record, cleared);
    record.DescribeChunks(v);
    if (!record.UnknownChunks().empty()) {
        TJson raw = TJson::Array();
        for (const auto& u : record.UnknownChunks()) {
            TJson one = TJson::Object();
            one.Set("id", TJson::Int(u.Id));
            one.Set("bytes", TJson::Str(Hex(u.Payload)));
            raw.Push(std::move(one));
        }
        v.Out.Set("unknownChunks", std::move(raw));
    }
    return std::move(v.Out);
}

template <class T>
TJson TopToJson(T& record) {
    T fresh;
    TJson cleared = RecordToJson(fresh, nullptr);
    return RecordToJson(record, &cleared);
}

// ---- from JSON ----

std::int64_t WantInt(const TContext& cx, const TJson& v, const std::string& path, std::int64_t lo,
                     std::int64_t hi) {
    if (!v.IsInt()) Fail(cx.File, path, "expected an integer");
    if (v.AsInt() < lo || v.AsInt() > hi)
        Fail(cx.File, path,
             "value " + std::to_string(v.AsInt()) + " is outside " + std::to_string(lo) + ".." +
                 std::to_string(hi));
    return v.AsInt();
}

std::string WantText(const TContext& cx, const TJson& v, const std::string& path) {
    if (!v.IsString()) Fail(cx.File, path, "expected a string");
    std::string problem;
    auto bytes = Utf8ToGameText(v.AsString(), &problem, cx.CodePage);
    if (!bytes) Fail(cx.File, path, problem);
    return *bytes;
}

const std::vector<TJson>& WantArray(const TContext& cx, const TJson& v, const std::string& path) {
    if (!v.IsArray()) Fail(cx.File, path, "expected an array");
    return v.Items();
}

constexpr std::int64_t KI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t KI32Max = std::numeric_limits<std::int32_t>::max();

void CommandsFromJson(const TContext& cx, const TJson& v, const std::string& path,
                      TVezEventScriptList& list) {
    const TJson* lines = &v;
    bool endLine = true;
    if (v.IsObject()) {
        for (const auto& m : v.Members())
            if (m.first != "lines" && m.first != "endLine")
                Fail(cx.File, path + "." + m.first, "unknown member");
        lines = v.Find("lines");
        if (lines == nullptr) Fail(cx.File, path, "missing \"lines\"");
        if (const TJson* e = v.Find("endLine")) {
            if (!e->IsBool()) Fail(cx.File, path + ".endLine", "expected true or false");
            endLine = e->AsBool();
        }
    }
    list.Lines.clear();
    const auto& rows = WantArray(cx, *lines, path);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string at = path + "[" + std::to_string(i) + "]";
        const auto& row = WantArray(cx, rows[i], at);
        if (row.size() < 3) Fail(cx.File, at, "a line is [command, indent, text, parameters...]");
        TVezEventScriptLine line;
        if (row[0].IsString()) {
            auto code = CommandCode(row[0].AsString());
            if (!code) Fail(cx.File, at + "[0]", "unknown command \"" + row[0].AsString() + "\"");
            line.Code = *code;
        } else {
            line.Code =
                static_cast<std::int32_t>(WantInt(cx, row[0], at + "[0]", KI32Min, KI32Max));
        }
        line.Indent = static_cast<std::int32_t>(WantInt(cx, row[1], at + "[1]", KI32Min, KI32Max));
        line.Text = WantText(cx, row[2], at + "[2]");
        for (std::size_t p = 3; p < row.size(); ++p)
            line.Params.push_back(static_cast<std::int32_t>(
                WantInt(cx, row[p], at + "[" + std::to_string(p) + "]", KI32Min, KI32Max)));
        list.Lines.push_back(std::move(line));
    }
    if (endLine) list.Lines.emplace_back();
}

void MovesFromJson(const TContext& cx, const TJson& v, const std::string& path,
                   TVezMoveCommands& moves) {
    moves.Items.clear();
    const auto& rows = WantArray(cx, v, path);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string at = path + "[" + std::to_string(i) + "]";
        const TJson& head =
            rows[i].IsArray() && !rows[i].Items().empty() ? rows[i].Items()[0] : rows[i];
        TVezMoveRouteItem m;
        if (head.IsString()) {
            auto* found = std::find_if(std::begin(KMoveNames), std::end(KMoveNames),
                                       [&](const char* n) { return head.AsString() == n; });
            if (found == std::end(KMoveNames))
                Fail(cx.File, at, "unknown move command \"" + head.AsString() + "\"");
            m.Code = static_cast<std::int32_t>(found - std::begin(KMoveNames));
        } else {
            m.Code = static_cast<std::int32_t>(WantInt(cx, head, at, KI32Min, KI32Max));
        }
        std::size_t want = m.Code == 32 || m.Code == 33 ? 2
                           : m.Code == 34               ? 3
                           : m.Code == 35               ? 5
                                                        : 1;
        std::size_t have = rows[i].IsArray() ? rows[i].Items().size() : 1;
        if (have != want)
            Fail(cx.File, at, "this move command takes " + std::to_string(want - 1) + " arguments");
        if (want > 1) {
            const auto& r = rows[i].Items();
            if (m.Code == 32 || m.Code == 33) {
                m.Arg = static_cast<std::int32_t>(WantInt(cx, r[1], at + "[1]", KI32Min, KI32Max));
            } else {
                m.Name = WantText(cx, r[1], at + "[1]");
                if (m.Code == 34) {
                    m.Arg =
                        static_cast<std::int32_t>(WantInt(cx, r[2], at + "[2]", KI32Min, KI32Max));
                } else {
                    m.Volume =
                        static_cast<std::int32_t>(WantInt(cx, r[2], at + "[2]", KI32Min, KI32Max));
                    m.Tempo =
                        static_cast<std::int32_t>(WantInt(cx, r[3], at + "[3]", KI32Min, KI32Max));
                    m.Balance =
                        static_cast<std::int32_t>(WantInt(cx, r[4], at + "[4]", KI32Min, KI32Max));
                }
            }
        }
        moves.Items.push_back(std::move(m));
    }
}

void RecordFromJson(const TContext& cx, const TJson& obj, const std::string& path,
                    TCatalogBaseItem& record, int depth);

void ListFromJson(const TContext& cx, const TJson& v, const std::string& path, TCatalog& list,
                  int depth) {
    list.Clear();
    const auto& items = WantArray(cx, v, path);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string at = path + "[" + std::to_string(i) + "]";
        if (!items[i].IsObject()) Fail(cx.File, at, "expected an object");
        const TJson* id = items[i].Find("id");
        if (id == nullptr) Fail(cx.File, at, "missing \"id\"");
        auto n = static_cast<std::int32_t>(WantInt(cx, *id, at + ".id", KI32Min, KI32Max));
        if (list.FindItem(n) != nullptr)
            Fail(cx.File, at + ".id", "ID " + std::to_string(n) + " appears twice");
        RecordFromJson(cx, items[i], at, list.ObtainItem(n), depth + 1);
    }
}

// Tile rows: numbers, or strings of legend characters.
void LayerFromJson(const TContext& cx, const TJson& v, const std::string& path, TChunkDesc& c,
                   const TVezMap& map, const TJson* legend) {
    const auto& rows = WantArray(cx, v, path);
    auto w = static_cast<std::size_t>(map.Width), h = static_cast<std::size_t>(map.Height);
    if (rows.size() != h)
        Fail(cx.File, path,
             std::to_string(rows.size()) + " rows for a map " + std::to_string(h) + " high");
    for (std::size_t y = 0; y < h; ++y) {
        std::string at = path + "[" + std::to_string(y) + "]";
        if (rows[y].IsString()) {
            if (legend == nullptr) Fail(cx.File, at, "a text row needs a \"legend\"");
            const std::string& s = rows[y].AsString();
            std::vector<std::string> cells;
            for (std::size_t pos = 0; pos < s.size();) {
                std::size_t start = pos;
                unsigned cp = 0;
                if (!NextCodePoint(s, pos, cp)) Fail(cx.File, at, "malformed UTF-8");
                cells.push_back(s.substr(start, pos - start));
            }
            if (cells.size() != w)
                Fail(cx.File, at,
                     std::to_string(cells.size()) + " cells for a map " + std::to_string(w) +
                         " wide");
            for (std::size_t x = 0; x < w; ++x) {
                const TJson* tile = legend->Find(cells[x]);
                if (tile == nullptr) Fail(cx.File, at, "\"" + cells[x] + "\" is not in the legend");
                SetElem(c.Target, 2, y * w + x, WantInt(cx, *tile, "legend." + cells[x], 0, 65535));
            }
            continue;
        }
        const auto& row = WantArray(cx, rows[y], at);
        if (row.size() != w)
            Fail(cx.File, at,
                 std::to_string(row.size()) + " cells for a map " + std::to_string(w) + " wide");
        for (std::size_t x = 0; x < w; ++x)
            SetElem(c.Target, 2, y * w + x,
                    WantInt(cx, row[x], at + "[" + std::to_string(x) + "]", 0, 65535));
    }
}

class TFromJsonVisitor final : public TChunkVisitor {
public:
    TFromJsonVisitor(const TContext& cx, const TJson& obj, const std::string& path,
                     TCatalogBaseItem& record, int depth)
        : Cx(cx), Obj(obj), Path(path), Record(record), Depth(depth) {}

    bool ForReading() const override { return true; }

    void Visit(TChunkDesc& c) override {
        if (c.Kind == EChunkKind::None || c.IsCount || c.SizeOf != nullptr) return;
        std::string key = ChunkName(Record, c.Id);
        const TJson* v = Obj.Find(key);
        std::string at = Path + "." + key;
        if (v == nullptr) {
            key = "#" + std::to_string(c.Id);
            v = Obj.Find(key);
        }
        if (v == nullptr) return;
        Used.push_back(key);
        switch (c.Kind) {
        case EChunkKind::Integer: {
            std::int64_t lo = KI32Min, hi = KI32Max;
            if (c.IntWidth < 4) {
                lo = c.IntSigned ? -(std::int64_t{1} << (8 * c.IntWidth - 1)) : 0;
                hi = (std::int64_t{1} << (8 * c.IntWidth - (c.IntSigned ? 1 : 0))) - 1;
            }
            c.SetInt(static_cast<std::int32_t>(WantInt(Cx, *v, at, lo, hi)));
            break;
        }
        case EChunkKind::Boolean:
            if (!v->IsBool()) Fail(Cx.File, at, "expected true or false");
            *static_cast<bool*>(c.Target) = v->AsBool();
            break;
        case EChunkKind::Real:
            if (v->IsNumber()) {
                *static_cast<double*>(c.Target) = v->AsReal();
            } else if (v->IsString() && v->AsString().size() == 18 &&
                       v->AsString().rfind("0x", 0) == 0) {
                auto bytes = Unhex(v->AsString().substr(2));
                if (!bytes) Fail(Cx.File, at, "bad bit pattern");
                std::uint64_t bits = 0;
                for (std::uint8_t b : *bytes) bits = (bits << 8) | b;
                std::memcpy(c.Target, &bits, 8);
            } else {
                Fail(Cx.File, at, "expected a number");
            }
            break;
        case EChunkKind::String:
            *static_cast<std::string*>(c.Target) = WantText(Cx, *v, at);
            break;
        case EChunkKind::Fixed: {
            if (IsMapLayer(Record, c)) {
                LayerFromJson(Cx, *v, at, c, static_cast<const TVezMap&>(Record),
                              Obj.Find("legend"));
                break;
            }
            auto [lo, hi] = ElemRange(c.ElemSize);
            if (c.ElemCount == 1 && !v->IsArray()) {
                SetElem(c.Target, c.ElemSize, 0, WantInt(Cx, *v, at, lo, hi));
                break;
            }
            const auto& arr = WantArray(Cx, *v, at);
            if (arr.size() != c.ElemCount)
                Fail(Cx.File, at, "expected " + std::to_string(c.ElemCount) + " values");
            for (std::size_t i = 0; i < arr.size(); ++i)
                SetElem(c.Target, c.ElemSize, i,
                        WantInt(Cx, arr[i], at + "[" + std::to_string(i) + "]", lo, hi));
            break;
        }
        case EChunkKind::Block: {
            if (c.Codec != nullptr) {
                if (auto* list = dynamic_cast<TVezEventScriptList*>(c.Codec)) {
                    CommandsFromJson(Cx, *v, at, *list);
                } else if (auto* moves = dynamic_cast<TVezMoveCommands*>(c.Codec)) {
                    MovesFromJson(Cx, *v, at, *moves);
                } else {
                    if (!v->IsString()) Fail(Cx.File, at, "expected a hex string");
                    auto bytes = Unhex(v->AsString());
                    if (!bytes) Fail(Cx.File, at, "bad hex string");
                    TByteReader r(*bytes, Cx.File + ": " + at);
                    c.Codec->DecodeFrom(r);
                }
                break;
            }
            const auto& arr = WantArray(Cx, *v, at);
            auto [lo, hi] = ElemRange(c.ElemSize);
            void* data = c.BlockResize(c.Target, arr.size());
            for (std::size_t i = 0; i < arr.size(); ++i)
                SetElem(data, c.ElemSize, i,
                        WantInt(Cx, arr[i], at + "[" + std::to_string(i) + "]", lo, hi));
            break;
        }
        case EChunkKind::List:
            ListFromJson(Cx, *v, at, *c.List, Depth);
            break;
        case EChunkKind::Record:
            if (!v->IsObject()) Fail(Cx.File, at, "expected an object");
            RecordFromJson(Cx, *v, at, *c.Record, Depth + 1);
            break;
        case EChunkKind::None:
            break;
        }
    }

    const TContext& Cx;
    const TJson& Obj;
    const std::string& Path;
    TCatalogBaseItem& Record;
    int Depth;
    std::vector<std::string> Used;
};

// The record is a whole file without a closing chunk 0 (a database, a save file).
bool Unterminated(const TCatalogBaseItem& record);

// Puts the kept chunks back by re-reading the record's own encoding with them merged in.
void MergeUnknown(const TContext& cx, const TJson& raw, const std::string& path,
                  TCatalogBaseItem& record, bool zeroIsChunk) {
    std::vector<TRawChunk> chunks;
    const auto& arr = WantArray(cx, raw, path);
    for (std::size_t i = 0; i < arr.size(); ++i) {
        std::string at = path + "[" + std::to_string(i) + "]";
        const TJson* id = arr[i].IsObject() ? arr[i].Find("id") : nullptr;
        const TJson* bytes = arr[i].IsObject() ? arr[i].Find("bytes") : nullptr;
        if (id == nullptr || bytes == nullptr || !bytes->IsString())
            Fail(cx.File, at, "expected {\"id\": N, \"bytes\": \"hex\"}");
        auto payload = Unhex(bytes->AsString());
        if (!payload) Fail(cx.File, at + ".bytes", "bad hex string");
        // Any 32-bit ID but 0, which closes a record (except at the top of a file
        // that has no terminator, where it is an ordinary chunk).
        const auto n = static_cast<std::int32_t>(WantInt(cx, *id, at + ".id", KI32Min, KI32Max));
        if (n == 0 && !zeroIsChunk) Fail(cx.File, at + ".id", "chunk 0 would end the record");
        chunks.push_back({n, *payload});
    }
    if (chunks.empty()) return;
    std::stable_sort(chunks.begin(), chunks.end(),
                     [](const TRawChunk& a, const TRawChunk& b) { return a.Id < b.Id; });
    TByteWriter own;
    record.SaveToStream(own, false);
    TByteReader r(own.Bytes, cx.File + ": " + path);
    TByteWriter merged;
    std::size_t next = 0;
    auto putRaw = [&](const TRawChunk& c) {
        WriteVarInt(merged, c.Id);
        WriteVarInt(merged, static_cast<std::int32_t>(c.Payload.size()));
        merged.WriteBytes(c.Payload);
    };
    while (!r.AtEnd()) {
        std::int32_t id = ReadVarInt(r);
        std::int32_t len = ReadVarInt(r);
        auto payload = r.ReadSpan(static_cast<std::size_t>(len));
        for (; next < chunks.size() && chunks[next].Id < id; ++next) putRaw(chunks[next]);
        if (next < chunks.size() && chunks[next].Id == id)
            Fail(cx.File, path, "chunk " + std::to_string(id) + " is a described field");
        WriteVarInt(merged, id);
        WriteVarInt(merged, len);
        merged.WriteBytes(payload);
    }
    for (; next < chunks.size(); ++next) putRaw(chunks[next]);
    TByteReader in(merged.Bytes, cx.File + ": " + path);
    record.LoadUnterminated(in);
}

void RecordFromJson(const TContext& cx, const TJson& obj, const std::string& path,
                    TCatalogBaseItem& record, int depth) {
    if (depth > KMaxJsonDepth) Fail(cx.File, path, "nested too deeply");
    if (!obj.IsObject()) Fail(cx.File, path, "expected an object");
    TFromJsonVisitor v(cx, obj, path, record, depth);
    record.DescribeChunks(v);
    bool isItem = dynamic_cast<const TCatalogItem*>(&record) != nullptr;
    bool isMap = typeid(record) == typeid(TVezMap);
    for (const auto& m : obj.Members()) {
        if (std::find(v.Used.begin(), v.Used.end(), m.first) != v.Used.end()) continue;
        if (m.first == "unknownChunks" || (isItem && m.first == "id") ||
            (depth == 0 && (m.first == "kind" || m.first == "codePage")) ||
            (isMap && m.first == "legend"))
            continue;
        Fail(cx.File, path + "." + m.first, "unknown field");
    }
    if (const TJson* raw = obj.Find("unknownChunks"))
        MergeUnknown(cx, *raw, path + ".unknownChunks", record, depth == 0 && Unterminated(record));
}

// ---- files ----

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path + ": cannot open");
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string FileMagic(std::span<const std::uint8_t> bytes, const std::string& path) {
    TByteReader r(bytes, path);
    try {
        return ReadLString(r);
    } catch (const EStreamReadError&) {
        throw EStreamReadError(path + ": not a game data file (no header)");
    }
}

TJson MapTreeToJson(TVezMapTree& tree) {
    TJson out = TJson::Object();
    out.Set("kind", TJson::Str("map tree"));
    out.Set("maps", ListToJson(tree));
    TJson order = TJson::Array();
    for (std::int32_t id : tree.DisplayOrder) order.Push(TJson::Int(id));
    out.Set("displayOrder", std::move(order));
    out.Set("selectedMap", TJson::Int(tree.SelectedId));
    TVezMapStartPosition fresh;
    TJson cleared = RecordToJson(fresh, nullptr);
    out.Set("start", RecordToJson(tree.Start, &cleared));
    return out;
}

// A save file as one record of its top-level chunks. The runtime objects need a
// database only to set themselves up; an empty one serves, since the tool shows
// exactly what the file holds and adds nothing.
class TSaveFileImage : public TCatalogBaseItem {
public:
    TSaveFileImage() : State(Environment(DataBase)) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override {
        v.Record(KSaveChunkHeader, Header);
        v.Record(KSaveChunkSystem, State.System);
        v.Record(KSaveChunkScreen, State.Screen);
        v.List(KSaveChunkPictures, State.Pictures);
        v.List(KSaveChunkActors, State.Actors);
        v.Record(KSaveChunkPartyInfo, State.PartyInfo);
        v.List(KSaveChunkTeleport, State.Teleport);
    }

    TVezDataBase DataBase;
    TLcfgSaveHeader Header;
    TLcfgGameState State;

private:
    static TLcfgEnvironment Environment(const TVezDataBase& dataBase) {
        // A dump plays nothing and reads no asset files.
        static TNullTonica silence;
        return TLcfgEnvironment(dataBase, silence, NoAssetFile, [] {});
    }
};

bool Unterminated(const TCatalogBaseItem& record) {
    return typeid(record) == typeid(TVezDataBase) || typeid(record) == typeid(TSaveFileImage);
}

} // namespace

TJson DumpFile(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    std::string magic = FileMagic(bytes, path);
    if (magic == KDataBaseMagic) {
        auto db = std::make_unique<TVezDataBase>();
        db->LoadFromBytes(bytes, path);
        TJson body = TopToJson(*db);
        TJson out = TJson::Object();
        out.Set("kind", TJson::Str("database"));
        for (auto& m : body.Members()) out.Set(m.first, std::move(m.second));
        return out;
    }
    if (magic == KMapTreeMagic) {
        TVezMapTree tree;
        tree.LoadFromBytes(bytes, path);
        return MapTreeToJson(tree);
    }
    if (magic == KMapUnitMagic) {
        auto map = std::make_unique<TVezMap>();
        map->LoadFromBytes(bytes, path);
        TJson body = TopToJson(*map);
        TJson out = TJson::Object();
        out.Set("kind", TJson::Str("map"));
        for (auto& m : body.Members()) out.Set(m.first, std::move(m.second));
        return out;
    }
    if (magic == KSaveMagic) {
        auto save = std::make_unique<TSaveFileImage>();
        TByteReader r(bytes, path);
        ReadFileHeader(r, KSaveMagic);
        save->LoadUnterminated(r);
        TJson body = TopToJson(*save);
        TJson out = TJson::Object();
        out.Set("kind", TJson::Str("save"));
        for (auto& m : body.Members()) out.Set(m.first, std::move(m.second));
        return out;
    }
    throw EStreamReadError(path + ": unknown kind of data file (header \"" +
                           GameTextToUtf8(magic.substr(0, 40)) + "\")");
}

std::vector<std::uint8_t> PackJson(const TJson& doc, const std::string& source) {
    TContext cx{source, 932};
    if (!doc.IsObject()) Fail(source, "$", "expected an object");
    const TJson* kind = doc.Find("kind");
    if (kind == nullptr || !kind->IsString())
        Fail(source, "$.kind", "missing: \"database\", \"map tree\", \"map\" or \"save\"");
    if (const TJson* page = doc.Find("codePage")) {
        cx.CodePage = static_cast<int>(WantInt(cx, *page, "$.codePage", 0, 9999));
        if (!IsSupportedCodePage(cx.CodePage))
            Fail(source, "$.codePage", "not a code page (932, 1252, 1250, 1251, 936, 949, 950)");
    }
    if (kind->AsString() == "save") {
        auto save = std::make_unique<TSaveFileImage>();
        RecordFromJson(cx, doc, "$", *save, 0);
        TByteWriter w;
        WriteLString(w, KSaveMagic);
        save->SaveToStream(w, false);
        return std::move(w.Bytes);
    }
    if (kind->AsString() == "database") {
        auto db = std::make_unique<TVezDataBase>();
        RecordFromJson(cx, doc, "$", *db, 0);
        return db->SaveToBytes();
    }
    if (kind->AsString() == "map") {
        auto map = std::make_unique<TVezMap>();
        RecordFromJson(cx, doc, "$", *map, 0);
        if (map->Width < 1 || map->Height < 1 ||
            std::int64_t{map->Width} * map->Height > KMaxMapCells)
            Fail(source, "$", "map size out of range");
        TByteWriter w;
        WriteLString(w, KMapUnitMagic);
        map->SaveToStream(w);
        return std::move(w.Bytes);
    }
    if (kind->AsString() == "map tree") {
        TVezMapTree tree;
        for (const auto& m : doc.Members())
            if (m.first != "kind" && m.first != "codePage" && m.first != "maps" &&
                m.first != "displayOrder" && m.first != "selectedMap" && m.first != "start")
                Fail(source, "$." + m.first, "unknown field");
        if (const TJson* maps = doc.Find("maps")) ListFromJson(cx, *maps, "$.maps", tree, 0);
        if (const TJson* order = doc.Find("displayOrder")) {
            const auto& ids = WantArray(cx, *order, "$.displayOrder");
            for (std::size_t i = 0; i < ids.size(); ++i) {
                std::string at = "$.displayOrder[" + std::to_string(i) + "]";
                auto id = static_cast<std::int32_t>(WantInt(cx, ids[i], at, KI32Min, KI32Max));
                if (tree.Find(id) == nullptr)
                    Fail(source, at, "no map with ID " + std::to_string(id));
                tree.DisplayOrder.push_back(id);
            }
        }
        if (const TJson* sel = doc.Find("selectedMap"))
            tree.SelectedId =
                static_cast<std::int32_t>(WantInt(cx, *sel, "$.selectedMap", KI32Min, KI32Max));
        if (const TJson* start = doc.Find("start"))
            RecordFromJson(cx, *start, "$.start", tree.Start, 1);
        return tree.SaveToBytes();
    }
    Fail(source, "$.kind", "unknown kind \"" + kind->AsString() + "\"");
}

namespace {

// ---- save counts ----

// The files whose records carry a save count, which save files remember: a save made
// on a map (or with a database) of another count does not resume its events there.
std::int32_t& SaveCountOf(TVezDataBase& db) {
    return db.System.SaveCount;
}

std::int32_t& SaveCountOf(TVezMap& map) {
    return map.SaveCount;
}

std::vector<std::uint8_t> FileImage(const TVezDataBase& db) {
    return db.SaveToBytes();
}

std::vector<std::uint8_t> FileImage(const TVezMap& map) {
    TByteWriter w;
    WriteLString(w, KMapUnitMagic);
    map.SaveToStream(w);
    return std::move(w.Bytes);
}

// `packed` as it replaces `old`: with the same contents it keeps the higher of the two
// counts (and the old bytes when that is the old count); with other contents it is a
// new save of the file, one above the higher. A previous file that does not read as
// the same kind is no previous file.
template <class T>
std::vector<std::uint8_t>
CountedAgainst(std::vector<std::uint8_t> packed, const std::string& source,
               const std::vector<std::uint8_t>& old, const std::string& oldName) {
    auto previous = std::make_unique<T>();
    try {
        previous->LoadFromBytes(old, oldName);
    } catch (const EKestraError&) {
        return packed;
    }
    auto fresh = std::make_unique<T>();
    fresh->LoadFromBytes(packed, source);
    const std::int32_t own = SaveCountOf(*fresh), before = SaveCountOf(*previous);
    const std::int32_t higher = std::max(own, before);
    SaveCountOf(*fresh) = before;
    if (FileImage(*fresh) == FileImage(*previous)) {
        if (own <= before) return old;
        SaveCountOf(*fresh) = higher;
    } else {
        SaveCountOf(*fresh) = higher < KI32Max ? higher + 1 : higher;
    }
    return FileImage(*fresh);
}

std::vector<std::uint8_t> CountedAgainstFile(std::vector<std::uint8_t> packed,
                                             const std::string& source, const std::string& out) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(out, ec)) return packed;
    std::vector<std::uint8_t> old;
    try {
        old = ReadWholeFile(out);
    } catch (const EKestraError&) {
        return packed;
    }
    const std::string magic = FileMagic(packed, source);
    if (magic == KDataBaseMagic)
        return CountedAgainst<TVezDataBase>(std::move(packed), source, old, out);
    if (magic == KMapUnitMagic) return CountedAgainst<TVezMap>(std::move(packed), source, old, out);
    return packed;
}

} // namespace

const char* const KDumpUsage = "FILE";
const char* const KPackUsage = "[--exact] JSON OUT";

int RunDumpCommand(const TArgs& args) {
    if (args.size() != 1) throw EUsage{"dump takes one file"};
    std::string text = WriteJson(DumpFile(args[0]));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

int RunPackCommand(const TArgs& args) {
    TArgs files;
    bool exact = false;
    for (const std::string& a : args) {
        if (a == "--exact")
            exact = true;
        else
            files.push_back(a);
    }
    if (files.size() != 2) throw EUsage{"pack takes a JSON file and an output file"};
    std::string text = ReadText(files[0]);
    TJson doc = ParseJson(text, files[0]);
    std::vector<std::uint8_t> bytes = PackJson(doc, files[0]);
    // Packing over a database or map unit is a save of it, unless asked for the bytes
    // exactly as the JSON gives them.
    if (!exact) bytes = CountedAgainstFile(std::move(bytes), files[0], files[1]);
    WriteWholeFile(files[1], bytes);
    return 0;
}

} // namespace kestra::tool

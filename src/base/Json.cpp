#include "base/Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/CodePage.h"
#include "base/Errors.h"

namespace kestra {

TJson TJson::Bool(bool v) {
    TJson j;
    j.Kind = EType::Bool;
    j.BoolValue = v;
    return j;
}

TJson TJson::Int(std::int64_t v) {
    TJson j;
    j.Kind = EType::Int;
    j.IntValue = v;
    return j;
}

TJson TJson::Real(double v) {
    TJson j;
    j.Kind = EType::Real;
    j.RealValue = v;
    return j;
}

TJson TJson::Str(std::string v) {
    TJson j;
    j.Kind = EType::String;
    j.Text = std::move(v);
    return j;
}

TJson TJson::Array() {
    TJson j;
    j.Kind = EType::Array;
    return j;
}

TJson TJson::Object() {
    TJson j;
    j.Kind = EType::Object;
    return j;
}

TJson& TJson::Push(TJson v) {
    Elements.push_back(std::move(v));
    return Elements.back();
}

TJson& TJson::Set(std::string key, TJson v) {
    Fields.emplace_back(std::move(key), std::move(v));
    return Fields.back().second;
}

const TJson* TJson::Find(std::string_view key) const {
    for (const auto& [k, v] : Fields)
        if (k == key) return &v;
    return nullptr;
}

bool TJson::operator==(const TJson& o) const {
    if (Kind != o.Kind) return false;
    switch (Kind) {
    case EType::Null:
        return true;
    case EType::Bool:
        return BoolValue == o.BoolValue;
    case EType::Int:
        return IntValue == o.IntValue;
    case EType::Real:
        return RealValue == o.RealValue || (std::isnan(RealValue) && std::isnan(o.RealValue));
    case EType::String:
        return Text == o.Text;
    case EType::Array:
        return Elements == o.Elements;
    case EType::Object:
        return Fields == o.Fields;
    }
    return false;
}

// ---- reader ----

namespace {

class TParser {
public:
    TParser(std::string_view text, const std::string& source) : S(text), Source(source) {}

    TJson Document() {
        TJson v = Value(0);
        SkipSpace();
        if (P < S.size()) Fail("unexpected text after the value");
        return v;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        std::size_t line = 1, col = 1;
        for (std::size_t i = 0; i < P && i < S.size(); ++i) {
            if (S[i] == '\n') {
                ++line;
                col = 1;
            } else {
                ++col;
            }
        }
        throw EKestraError(Source + ": line " + std::to_string(line) + ", column " +
                           std::to_string(col) + ": " + what);
    }

    void SkipSpace() {
        while (P < S.size() && (S[P] == ' ' || S[P] == '\t' || S[P] == '\n' || S[P] == '\r')) ++P;
    }

    bool Literal(std::string_view word) {
        if (S.substr(P, word.size()) != word) return false;
        P += word.size();
        return true;
    }

    TJson Value(int depth) {
        if (depth > KMaxJsonDepth) Fail("nesting deeper than " + std::to_string(KMaxJsonDepth));
        SkipSpace();
        if (P >= S.size()) Fail("unexpected end of text");
        char c = S[P];
        if (c == '{') return ObjectValue(depth);
        if (c == '[') return ArrayValue(depth);
        if (c == '"') return TJson::Str(StringValue());
        if (Literal("true")) return TJson::Bool(true);
        if (Literal("false")) return TJson::Bool(false);
        if (Literal("null")) return TJson();
        if (c == '-' || (c >= '0' && c <= '9')) return Number();
        Fail(std::string("unexpected character '") + c + "'");
    }

    TJson ObjectValue(int depth) {
        ++P;
        TJson obj = TJson::Object();
        SkipSpace();
        if (P < S.size() && S[P] == '}') {
            ++P;
            return obj;
        }
        for (;;) {
            SkipSpace();
            if (P >= S.size() || S[P] != '"') Fail("expected a member name");
            std::size_t keyAt = P;
            std::string key = StringValue();
            if (obj.Find(key) != nullptr) {
                P = keyAt;
                Fail("duplicate member \"" + key + "\"");
            }
            SkipSpace();
            if (P >= S.size() || S[P] != ':') Fail("expected ':'");
            ++P;
            obj.Set(std::move(key), Value(depth + 1));
            SkipSpace();
            if (P < S.size() && S[P] == ',') {
                ++P;
                continue;
            }
            if (P < S.size() && S[P] == '}') {
                ++P;
                return obj;
            }
            Fail("expected ',' or '}'");
        }
    }

    TJson ArrayValue(int depth) {
        ++P;
        TJson arr = TJson::Array();
        SkipSpace();
        if (P < S.size() && S[P] == ']') {
            ++P;
            return arr;
        }
        for (;;) {
            arr.Push(Value(depth + 1));
            SkipSpace();
            if (P < S.size() && S[P] == ',') {
                ++P;
                continue;
            }
            if (P < S.size() && S[P] == ']') {
                ++P;
                return arr;
            }
            Fail("expected ',' or ']'");
        }
    }

    unsigned Hex4() {
        if (S.size() - P < 4) Fail("truncated \\u escape");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            char h = S[P++];
            v <<= 4;
            if (h >= '0' && h <= '9')
                v |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                v |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                v |= static_cast<unsigned>(h - 'A' + 10);
            else
                Fail("bad \\u escape");
        }
        return v;
    }

    std::string StringValue() {
        ++P; // opening quote
        std::string out;
        for (;;) {
            if (P >= S.size()) Fail("unterminated string");
            auto c = static_cast<unsigned char>(S[P]);
            if (c == '"') {
                ++P;
                return out;
            }
            if (c < 0x20) Fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                ++P;
                continue;
            }
            ++P;
            if (P >= S.size()) Fail("unterminated string");
            char e = S[P++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned cp = Hex4();
                if (cp >= 0xD800 && cp < 0xDC00) {
                    if (!Literal("\\u")) Fail("lone surrogate in \\u escape");
                    unsigned lo = Hex4();
                    if (lo < 0xDC00 || lo >= 0xE000) Fail("bad surrogate pair");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    Fail("lone surrogate in \\u escape");
                }
                AppendCodePointUtf8(out, cp);
                break;
            }
            default:
                Fail(std::string("bad escape '\\") + e + "'");
            }
        }
    }

    TJson Number() {
        std::size_t start = P;
        if (S[P] == '-') ++P;
        auto digits = [&] {
            std::size_t from = P;
            while (P < S.size() && S[P] >= '0' && S[P] <= '9') ++P;
            return P - from;
        };
        if (P < S.size() && S[P] == '0')
            ++P;
        else if (digits() == 0)
            Fail("bad number");
        bool integral = true;
        if (P < S.size() && S[P] == '.') {
            ++P;
            integral = false;
            if (digits() == 0) Fail("bad number");
        }
        if (P < S.size() && (S[P] == 'e' || S[P] == 'E')) {
            ++P;
            integral = false;
            if (P < S.size() && (S[P] == '+' || S[P] == '-')) ++P;
            if (digits() == 0) Fail("bad number");
        }
        const char* first = S.data() + start;
        const char* last = S.data() + P;
        if (integral) {
            std::int64_t v = 0;
            auto r = std::from_chars(first, last, v);
            if (r.ec == std::errc() && r.ptr == last) return TJson::Int(v);
        }
        double d = 0.0;
        auto r = std::from_chars(first, last, d);
        if (r.ec != std::errc() || r.ptr != last) Fail("number out of range");
        return TJson::Real(d);
    }

    std::string_view S;
    const std::string& Source;
    std::size_t P = 0;
};

void WriteString(std::string& out, const std::string& s) {
    out += '"';
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

bool IsScalar(const TJson& v) {
    return !v.IsArray() && !v.IsObject();
}

constexpr std::size_t KLineWidth = 100;

void WriteValue(std::string& out, const TJson& v, int indent);

void WriteScalar(std::string& out, const TJson& v) {
    switch (v.Type()) {
    case TJson::EType::Null:
        out += "null";
        break;
    case TJson::EType::Bool:
        out += v.AsBool() ? "true" : "false";
        break;
    case TJson::EType::Int:
        out += std::to_string(v.AsInt());
        break;
    case TJson::EType::Real: {
        if (!std::isfinite(v.AsReal())) {
            out += "null"; // JSON has no infinities; callers encode those themselves
            break;
        }
        char buf[40];
        auto r = std::to_chars(buf, buf + sizeof buf, v.AsReal());
        std::string text(buf, r.ptr);
        if (text.find_first_of(".eE") == std::string::npos) text += ".0";
        out += text;
        break;
    }
    case TJson::EType::String:
        WriteString(out, v.AsString());
        break;
    default:
        break;
    }
}

bool Atom(const TJson& v) {
    return IsScalar(v) || (v.IsArray() && v.Items().empty()) ||
           (v.IsObject() && v.Members().empty());
}

bool AllScalar(const TJson& v) {
    if (v.IsArray()) {
        for (const auto& e : v.Items())
            if (!Atom(e)) return false;
    } else {
        for (const auto& m : v.Members())
            if (!Atom(m.second)) return false;
    }
    return true;
}

// Everything on one line.
void WriteFlat(std::string& out, const TJson& v) {
    if (IsScalar(v)) {
        WriteScalar(out, v);
    } else if (v.IsArray()) {
        out += '[';
        for (std::size_t i = 0; i < v.Items().size(); ++i) {
            if (i > 0) out += ", ";
            WriteFlat(out, v.Items()[i]);
        }
        out += ']';
    } else {
        out += '{';
        for (std::size_t i = 0; i < v.Members().size(); ++i) {
            if (i > 0) out += ", ";
            WriteString(out, v.Members()[i].first);
            out += ": ";
            WriteFlat(out, v.Members()[i].second);
        }
        out += '}';
    }
}

void NewLine(std::string& out, int indent) {
    out += '\n';
    out.append(static_cast<std::size_t>(indent) * 2, ' ');
}

std::size_t Column(const std::string& out) {
    std::size_t nl = out.rfind('\n');
    return nl == std::string::npos ? out.size() : out.size() - nl - 1;
}

void WriteValue(std::string& out, const TJson& v, int indent) {
    if (IsScalar(v)) {
        WriteScalar(out, v);
        return;
    }
    bool empty = v.IsArray() ? v.Items().empty() : v.Members().empty();
    if (empty) {
        out += v.IsArray() ? "[]" : "{}";
        return;
    }
    if (AllScalar(v)) {
        std::string flat;
        WriteFlat(flat, v);
        if (Column(out) + flat.size() <= KLineWidth) {
            out += flat;
            return;
        }
        if (v.IsArray()) {
            // Long runs of scalars fill lines.
            out += '[';
            NewLine(out, indent + 1);
            for (std::size_t i = 0; i < v.Items().size(); ++i) {
                std::string item; // a scalar, or an empty array or object
                WriteFlat(item, v.Items()[i]);
                if (i > 0) {
                    out += ',';
                    if (Column(out) + item.size() + 2 > KLineWidth)
                        NewLine(out, indent + 1);
                    else
                        out += ' ';
                }
                out += item;
            }
            NewLine(out, indent);
            out += ']';
            return;
        }
    }
    if (v.IsArray()) {
        out += '[';
        for (std::size_t i = 0; i < v.Items().size(); ++i) {
            if (i > 0) out += ',';
            NewLine(out, indent + 1);
            const TJson& e = v.Items()[i];
            // Rows of scalars (command lines, tile rows) keep one line each.
            if (e.IsArray() && AllScalar(e))
                WriteFlat(out, e);
            else
                WriteValue(out, e, indent + 1);
        }
        NewLine(out, indent);
        out += ']';
        return;
    }
    out += '{';
    for (std::size_t i = 0; i < v.Members().size(); ++i) {
        if (i > 0) out += ',';
        NewLine(out, indent + 1);
        WriteString(out, v.Members()[i].first);
        out += ": ";
        WriteValue(out, v.Members()[i].second, indent + 1);
    }
    NewLine(out, indent);
    out += '}';
}

} // namespace

TJson ParseJson(std::string_view text, const std::string& source) {
    TParser parser(text, source);
    return parser.Document();
}

std::string WriteJson(const TJson& value) {
    std::string out;
    WriteValue(out, value, 0);
    out += '\n';
    return out;
}

} // namespace kestra

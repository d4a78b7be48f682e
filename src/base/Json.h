#pragma once
// A small JSON value with a bounded reader and a pretty writer, for the data tool.
//
// Objects keep their members in order. Integers that fit 64 bits stay exact; other
// numbers are doubles. The reader rejects nesting deeper than KMaxJsonDepth and
// anything that is not strict JSON; errors name the source and the line and column.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestra {

inline constexpr int KMaxJsonDepth = 64;

class TJson {
public:
    enum class EType : std::uint8_t { Null, Bool, Int, Real, String, Array, Object };

    TJson() = default;
    static TJson Bool(bool v);
    static TJson Int(std::int64_t v);
    static TJson Real(double v);
    static TJson Str(std::string v);
    static TJson Array();
    static TJson Object();

    EType Type() const { return Kind; }
    bool IsNull() const { return Kind == EType::Null; }
    bool IsBool() const { return Kind == EType::Bool; }
    bool IsInt() const { return Kind == EType::Int; }
    bool IsNumber() const { return Kind == EType::Int || Kind == EType::Real; }
    bool IsString() const { return Kind == EType::String; }
    bool IsArray() const { return Kind == EType::Array; }
    bool IsObject() const { return Kind == EType::Object; }

    bool AsBool() const { return BoolValue; }
    std::int64_t AsInt() const { return IntValue; }
    double AsReal() const { return Kind == EType::Int ? static_cast<double>(IntValue) : RealValue; }
    const std::string& AsString() const { return Text; }

    // Array
    std::vector<TJson>& Items() { return Elements; }
    const std::vector<TJson>& Items() const { return Elements; }
    TJson& Push(TJson v);
    // Object
    std::vector<std::pair<std::string, TJson>>& Members() { return Fields; }
    const std::vector<std::pair<std::string, TJson>>& Members() const { return Fields; }
    // Appends a member (no check for an existing key).
    TJson& Set(std::string key, TJson v);
    const TJson* Find(std::string_view key) const;

    bool operator==(const TJson& other) const;

private:
    EType Kind = EType::Null;
    bool BoolValue = false;
    std::int64_t IntValue = 0;
    double RealValue = 0.0;
    std::string Text;
    std::vector<TJson> Elements;
    std::vector<std::pair<std::string, TJson>> Fields;
};

// Raises EKestraError "<source>: line L, column C: <problem>".
TJson ParseJson(std::string_view text, const std::string& source);
// Two-space indentation; arrays and objects that hold only scalars and fit the line
// stay on one line. Ends with a newline.
std::string WriteJson(const TJson& value);

} // namespace kestra

#include "base/Json.h"
#include "base/Errors.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestra;

namespace {

std::string ErrorOf(std::string_view text) {
    try {
        ParseJson(text, "case.json");
    } catch (const EKestraError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(Json, ValuesSurviveWriteAndRead) {
    const std::string text = R"({
  "big": 9223372036854775807, "small": -9223372036854775808, "zero": 0,
  "reals": [0.1, -2.5e-300, 1e300, 3.0],
  "text": "tab\there \"q\" \\ \u00e9 \ud83d\ude00 \u0001",
  "nested": {"a": [[], {}, [1, [2, [3]]]], "b": null, "c": true, "d": false}
})";
    TJson doc = ParseJson(text, "in.json");
    EXPECT_EQ(doc.Find("big")->AsInt(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(doc.Find("small")->AsInt(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(doc.Find("reals")->Items()[0].AsReal(), 0.1);
    EXPECT_TRUE(doc.Find("reals")->Items()[3].Type() == TJson::EType::Real);
    EXPECT_EQ(doc.Find("text")->AsString(), "tab\there \"q\" \\ \xC3\xA9 \xF0\x9F\x98\x80 \x01");
    std::string written = WriteJson(doc);
    EXPECT_EQ(written.back(), '\n');
    TJson again = ParseJson(written, "out.json");
    EXPECT_TRUE(again == doc);
    // Member order is kept.
    EXPECT_EQ(again.Members()[0].first, "big");
    EXPECT_EQ(again.Members().back().first, "nested");
    // Writing is stable.
    EXPECT_EQ(WriteJson(again), written);
}

TEST(Json, WriterKeepsShortRowsOnOneLineAndWrapsLongOnes) {
    TJson row = TJson::Array();
    for (int i = 0; i < 5; ++i) row.Push(TJson::Int(i));
    TJson longRow = TJson::Array();
    for (int i = 0; i < 200; ++i) longRow.Push(TJson::Int(1000 + i));
    TJson doc = TJson::Object();
    doc.Set("row", std::move(row));
    doc.Set("long", std::move(longRow));
    std::string text = WriteJson(doc);
    EXPECT_NE(text.find("\"row\": [0, 1, 2, 3, 4]"), std::string::npos);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        EXPECT_LE(end - start, 100u) << text.substr(start, end - start);
        start = end + 1;
    }
    EXPECT_TRUE(ParseJson(text, "x") == doc);
}

TEST(Json, WrappedRowsKeepEmptyArraysAndObjects) {
    // A row too long for one line, holding empty containers among its scalars.
    TJson row = TJson::Array();
    row.Push(TJson::Array());
    row.Push(TJson::Str(std::string(120, 'x')));
    row.Push(TJson::Object());
    std::string text = WriteJson(row);
    EXPECT_TRUE(ParseJson(text, "wrapped") == row) << text;
}

TEST(Json, MalformedTextNamesSourceLineAndColumn) {
    EXPECT_EQ(ErrorOf("{\n  \"a\": 1,\n}"), "case.json: line 3, column 1: expected a member name");
    EXPECT_EQ(ErrorOf("[1, 2"), "case.json: line 1, column 6: expected ',' or ']'");
    const char* bad[] = {
        "",        "{",           "[1,]",        "\"open",
        "\"\\x\"", "\"\\ud800\"", "\"\\udc00\"", "\"a\nb\"",
        "01",      "-",           "1.",          "1e",
        "tru",     "nul",         "{\"a\" 1}",   "{\"a\":1,\"a\":2}",
        "[1] 2",   "1e999",       "\"\\u12\"",   "{1: 2}",
    };
    for (const char* text : bad) {
        std::string err = ErrorOf(text);
        EXPECT_EQ(err.rfind("case.json: line ", 0), 0u) << "accepted: " << text;
    }
}

TEST(Json, NestingIsBounded) {
    std::string ok(KMaxJsonDepth, '['), closing(KMaxJsonDepth, ']');
    EXPECT_NO_THROW(ParseJson(ok + closing, "ok"));
    std::string deep(100000, '[');
    EXPECT_NE(ErrorOf(deep).find("nesting deeper than"), std::string::npos);
}

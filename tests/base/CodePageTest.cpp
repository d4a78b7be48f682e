#include "base/CodePage.h"

#include "base/Errors.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

int Guess(std::initializer_list<const char*> texts) {
    TCodePageGuess guess;
    for (const char* t : texts) guess.Add(t);
    return guess.Guess();
}

} // namespace

TEST(CodePage, CharactersAndLeadBytesFollowThePage) {
    const TCodePage japanese{932, {}}, western{1252, {}}, chinese{936, {}}, korean{949, {}},
        taiwanese{950, {}};
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(japanese.IsLeadByte(byte), IsCp932LeadByte(byte)) << b;
        EXPECT_FALSE(western.IsLeadByte(byte)) << b;
        for (const TCodePage* page : {&chinese, &korean, &taiwanese})
            EXPECT_EQ(page->IsLeadByte(byte), b >= 0x81 && b <= 0xFE) << page->Number() << " " << b;
    }
    // "Café" is four characters in 1252; 0xE9 and the comma are one character in 932.
    const std::string cafe = "Caf\xE9,";
    EXPECT_EQ(western.CharLength(cafe, 3), 1u);
    EXPECT_EQ(japanese.CharLength(cafe, 3), 2u);
    EXPECT_EQ(chinese.CharLength("\xA0\xA1", 0), 2u);
    EXPECT_EQ(chinese.CharLength("\x80\xA1", 0), 1u);
    EXPECT_EQ(chinese.CharLength("\xFE", 0), 1u); // a lead byte at the end stands alone
    EXPECT_THROW(TCodePage(65001, {}), EKestraError);
}

TEST(CodePage, ConvertsTheSingleBytePagesByItsOwnTablesAndTheOthersThroughTheDecoder) {
    const TCodePage western{1252, {}}, central{1250, {}}, cyrillic{1251, {}};
    EXPECT_EQ(western.ToUtf8("Caf\xE9 \x80 \x9F"), "Caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
    EXPECT_EQ(central.ToUtf8("\xB9\xB3"), "\xC4\x85\xC5\x82");              // ą ł
    EXPECT_EQ(cyrillic.ToUtf8("\xCF\xF0\xE8"), "\xD0\x9F\xD1\x80\xD0\xB8"); // При
    // 0x81 is no character of 1252: the whole text fails, the lossy form marks it.
    EXPECT_EQ(western.ToUtf8("a\x81"), std::nullopt);
    EXPECT_EQ(western.ToUtf8Lossy("a\x81\xE9"), "a?\xC3\xA9");
    EXPECT_EQ(western.ToUnicode(0xE9), 0xE9u);
    EXPECT_EQ(western.ToUnicode(0x80), 0x20ACu);
    EXPECT_EQ(western.ToUnicode(0x81), 0u);
    EXPECT_EQ(cyrillic.ToUnicode(0xC4), 0x414u);
    // UTF-8 messages (file paths) stay as they are.
    EXPECT_EQ(western.Readable("/home/z\xC3\xA9/Caf\xE9"), "/home/z\xC3\x83\xC2\xA9/Caf\xC3\xA9");
    EXPECT_EQ(western.Readable("/home/z\xC3\xA9"), "/home/z\xC3\xA9");

    const TCodePage korean{949, platform::CodePageToUtf8}, chinese{936, platform::CodePageToUtf8},
        taiwanese{950, platform::CodePageToUtf8}, japanese{932, platform::CodePageToUtf8};
    EXPECT_EQ(korean.ToUnicode(0xB0A1), 0xAC00u);    // 가
    EXPECT_EQ(chinese.ToUnicode(0xB0A1), 0x554Au);   // 啊
    EXPECT_EQ(taiwanese.ToUnicode(0xA440), 0x4E00u); // 一
    EXPECT_EQ(japanese.ToUnicode(0x82A0), 0x3042u);  // あ
    EXPECT_EQ(korean.ToUnicode('A'), 0x41u);
    EXPECT_EQ(korean.ToUnicode(0xB0), 0u); // a lead byte alone
    EXPECT_EQ(korean.ToUtf8("\xB0\xA1!"), "\xEA\xB0\x80!");
    EXPECT_EQ(korean.ToUtf8Lossy("a\xB0"), "a?");
    // Without a decoder the double-byte pages have no UTF-8 form, except for ASCII.
    const TCodePage bare{949, {}};
    EXPECT_EQ(bare.ToUtf8("\xB0\xA1"), std::nullopt);
    EXPECT_EQ(bare.ToUtf8("plain"), "plain");
    EXPECT_EQ(bare.ToUnicode(0xB0A1), 0u);
}

TEST(CodePage, NamesOfCodePagesParse) {
    EXPECT_EQ(ParseCodePage("1252"), 1252);
    EXPECT_EQ(ParseCodePage("cp949"), 949);
    EXPECT_EQ(ParseCodePage("CP932"), 932);
    for (const char* bad : {"", "cp", "1253", "65001", "+932", "932 ", "99999", "cp-932"})
        EXPECT_EQ(ParseCodePage(bad), std::nullopt) << bad;
}

TEST(CodePageGuess, JapaneseStaysTheDefaultAndWesternScriptsAreRecognised) {
    // Nothing above ASCII, or too little to tell: 932.
    EXPECT_EQ(Guess({}), 932);
    EXPECT_EQ(Guess({"Hero", "Potion", "New Game"}), 932);
    EXPECT_EQ(Guess({"Caf\xE9"}), 932); // one byte alone proves nothing
    // Japanese: hiragana, katakana, kanji and half-width katakana.
    EXPECT_EQ(Guess({"\x82\xA0\x82\xE8\x82\xAA\x82\xC6\x82\xA4",
                     "\x83\x7C\x81\x5B\x83\x56\x83\x87\x83\x93", "\x8C\x95", "\xCA\xDF\xB0\xC3\xA8",
                     "HP\x82\xAA\x89\xF1\x95\x9C\x82\xB5\x82\xBD"}),
              932);
    // Code page 1252: French, Danish, German, Spanish.
    EXPECT_EQ(Guess({"Caf\xE9, \xC6r\xF8sk\xF8"
                     "bing, \xDC"
                     "berraschung, \xF1"}),
              1252);
    EXPECT_EQ(Guess({"L'\xE9p\xE9"
                     "e du ch\xE2teau",
                     "Tr\xE8s bien!", "\xBFQu\xE9 pasa?",
                     "\x93"
                     "Bonjour\x94, dit-il."}),
              1252);
    // Code page 1250: Polish and Czech.
    EXPECT_EQ(
        Guess({"Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1", "P\xF8\xED\x6C\x69\x9A "
                                                               "\x9Elu\x9Dou\xE8k\xFD k\xF9\xF2"}),
        1250);
    // Code page 1251: Russian.
    EXPECT_EQ(Guess({"\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0",
                     "\xC4\xEE\xE1\xF0\xEE "
                     "\xEF\xEE\xE6\xE0\xEB\xEE\xE2\xE0\xF2\xFC"}),
              1251);
    // A Japanese game with a few stray Western bytes is still Japanese.
    TCodePageGuess mixed;
    for (int i = 0; i < 20; ++i) mixed.Add("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD");
    mixed.Add("Caf\xE9!");
    mixed.Add("\xFF\xFE");
    EXPECT_EQ(mixed.Guess(), 932);
    EXPECT_GT(mixed.Cp932Evidence(), 2 * mixed.SingleByteEvidence());
}

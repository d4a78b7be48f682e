#include "base/AssetLookup.h"
#include "TempDir.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

using namespace kestra;
using kestra::test::TempDir;

namespace {

// "表示" in code page 932: the first trail byte is 0x5C, a backslash in ASCII.
const std::string KShowCp932 = "\x95\x5C\x8E\xA6";
const std::string KShowUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";

// Code page 932 without a UTF-8 form: names are tried as raw bytes only.
const TCodePage KRaw932{932, {}};

struct Roots {
    TempDir game, rtp;
    TCodePage page{932, platform::CodePageToUtf8};
    TAssetLookup lookup{game.Dir(), rtp.Dir(), page};
    std::optional<std::filesystem::path> Picture(std::string_view name) {
        return lookup.FindAssetFile(name, "Picture", KPictureExtensions);
    }
};

} // namespace

TEST(AssetLookup, GameDirectoryBeforePackageThenExtensionOrder) {
    Roots r;
    r.rtp.Write("Picture/hero.bmp");
    r.rtp.Write("Picture/only.xyz");
    auto gamePng = r.game.Write("Picture/hero.png");
    EXPECT_EQ(r.Picture("hero"), gamePng); // a png in the game beats a bmp in the package
    auto gameBmp = r.game.Write("Picture/hero.bmp");
    EXPECT_EQ(r.Picture("hero"), gameBmp);
    EXPECT_EQ(r.Picture("only"), r.rtp.Path() / "Picture/only.xyz");
    EXPECT_EQ(r.lookup.FindAssetFile("hero", "Music", KMusicExtensions), std::nullopt);
    EXPECT_EQ(r.Picture(""), std::nullopt);

    TAssetLookup noPackage(r.game.Dir(), "", KRaw932);
    EXPECT_EQ(noPackage.FindAssetFile("only", "Picture", KPictureExtensions), std::nullopt);
}

TEST(AssetLookup, MatchesFoldersAndNamesInAnyCase) {
    Roots r;
    auto file = r.game.Write("PICTURE/Hero_Face.PNG");
    EXPECT_EQ(r.Picture("hero_face"), file);
    EXPECT_EQ(r.Picture("HERO_FACE"), file);
    auto sub = r.rtp.Write("sound/Battle/Hit.WAV");
    EXPECT_EQ(r.lookup.FindAssetFile("battle\\hit", "Sound", KSoundExtensions), sub);
    EXPECT_EQ(r.lookup.FindAssetFile("BATTLE/HIT", "Sound", KSoundExtensions), sub);
    // A directory with the wanted name is not a file.
    r.game.Write("Picture/dir.png/inner");
    EXPECT_EQ(r.Picture("dir"), std::nullopt);

    r.game.Write("Save01.LSD");
    EXPECT_EQ(r.lookup.FindGameFile("SAVE01.lsd"), r.game.Path() / "Save01.LSD");
    EXPECT_EQ(r.lookup.FindGameFile("Save02.lsd"), std::nullopt);
    EXPECT_EQ(r.lookup.FindGameFile("../Save01.LSD"), std::nullopt);
}

TEST(AssetLookup, Cp932NamesAreTriedAsUtf8ThenRaw) {
    Roots r;
    auto utf8 = r.game.Write("Picture/" + KShowUtf8 + ".png");
    auto raw = r.game.Write("Picture/" + KShowCp932 + ".bmp");
    // Extension order first; within one extension the UTF-8 spelling first.
    EXPECT_EQ(r.Picture(KShowCp932), raw);
    auto utf8Bmp = r.game.Write("Picture/" + KShowUtf8 + ".BMP");
    EXPECT_EQ(r.Picture(KShowCp932), utf8Bmp);
    EXPECT_EQ(r.lookup.FindAssetFile(KShowCp932, "Picture", std::array<std::string_view, 1>{"png"}),
              utf8);
    // The 0x5C trail byte does not split the name: no folder "\x95" is looked for.
    TAssetLookup rawOnly(r.game.Dir(), "", KRaw932);
    EXPECT_EQ(rawOnly.FindAssetFile(KShowCp932, "Picture", KPictureExtensions), raw);
}

TEST(AssetLookup, NamesOfOtherCodePagesAreTriedAsUtf8ThenRaw) {
    TempDir game;
    // "Café" in code page 1252: converted by the page's own table, no decoder needed.
    const TCodePage western{1252, {}};
    TAssetLookup lookup(game.Dir(), "", western);
    auto utf8 = game.Write("Picture/Caf\xC3\xA9.png");
    EXPECT_EQ(lookup.FindAssetFile("Caf\xE9", "Picture", KPictureExtensions), utf8);
    // Its raw bytes, in any ASCII case: 0xC9 (É) is a letter of its own, not a lead byte.
    auto raw = game.Write("Picture/\xC9T\xC9.bmp");
    EXPECT_EQ(lookup.FindAssetFile("\xC9t\xC9", "Picture", KPictureExtensions), raw);
    // The same bytes in code page 932 would be a lead byte and its trail byte.
    TAssetLookup japanese(game.Dir(), "", KRaw932);
    EXPECT_EQ(japanese.FindAssetFile("\xC9t\xC9", "Picture", KPictureExtensions), raw);
    auto pair = game.Write("Picture/\x82T.bmp");
    EXPECT_EQ(japanese.FindAssetFile("\x82t", "Picture", KPictureExtensions), std::nullopt);
    EXPECT_EQ(lookup.FindAssetFile("\x82t", "Picture", KPictureExtensions), pair);
}

TEST(AssetLookup, TrailBytesThatLookLikeLettersMustMatchExactly) {
    Roots r;
    // 0x82 0x60 and 0x82 0x41 are different characters; ASCII folding of the trail byte
    // would confuse them.
    r.game.Write(std::string("Picture/\x82\x60.bmp"));
    TAssetLookup rawOnly(r.game.Dir(), "", KRaw932);
    EXPECT_EQ(rawOnly.FindAssetFile("\x82\x41", "Picture", KPictureExtensions), std::nullopt);
    EXPECT_TRUE(rawOnly.FindAssetFile("\x82\x60", "Picture", KPictureExtensions));
}

TEST(AssetLookup, NamesNeverLeaveTheirFolder) {
    Roots r;
    r.game.Write("secret.bmp");
    r.game.Write("Picture/a.bmp");
    r.game.Write("Picture/sub/b.bmp");
    for (std::string name :
         std::vector<std::string>{"../secret", "..\\secret", "sub/../a", "/secret", "sub//b", "./a",
                                  std::string("a\0b", 3), "sub\\"})
        EXPECT_EQ(r.Picture(name), std::nullopt) << name;
    EXPECT_TRUE(r.Picture("sub\\b"));
    // A missing asset is not found, even when a file of that name is nearby.
    EXPECT_EQ(r.Picture("secret"), std::nullopt);
}

TEST(AssetLookup, RiffCheckAnswersFalseOnAnyFailure) {
    TempDir d;
    EXPECT_TRUE(IsRiffFile(d.Write("a.avi", "RIFF....AVI ")));
    EXPECT_FALSE(IsRiffFile(d.Write("b.mpg", "\x00\x00\x01\xBA")));
    EXPECT_FALSE(IsRiffFile(d.Write("c.avi", "RIF")));
    EXPECT_FALSE(IsRiffFile(d.Path() / "missing.avi"));
}

TEST(Cp932, ConvertsBothWaysAndRejectsBrokenBytes) {
    EXPECT_EQ(platform::Cp932ToUtf8(KShowCp932), KShowUtf8);
    EXPECT_EQ(platform::Utf8ToCp932(KShowUtf8), KShowCp932);
    EXPECT_EQ(platform::Cp932ToUtf8("\\~"), "\\~");           // code page 932 keeps ASCII here
    EXPECT_EQ(platform::Cp932ToUtf8("ab\x95"), std::nullopt); // lead byte without trail
    EXPECT_EQ(platform::Cp932ToUtf8Lossy("a\x95"), "a?");
    EXPECT_EQ(platform::Cp932ToUtf8Lossy("\xA0" + KShowCp932), "?" + KShowUtf8);
}

// The game state choosing the system graphic, its background mode and its font.
#include "scenes/SystemGraphicLink.h"
#include "../graphics/TestSystemGraphic.h"
#include "../shell/TempDir.h"
#include "../state/GameFixture.h"
#include "base/AssetLookup.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

struct SystemGraphicLink : ::testing::Test, kestra::test::TGameFixture {
    SystemGraphicLink() : Lookup(Dir.Dir(), ""), System(Font(), &Lookup), Link(System) {
        std::vector<std::uint8_t> bytes;
        WritePng(kestra::testing::CodedSystemBitmap(), bytes);
        Dir.Write("System/System1.png", std::string(bytes.begin(), bytes.end()));
    }
    static TGlyphFont& Font() {
        static TGlyphFont font;
        return font;
    }
    TLcfgEnvironment LinkedEnv() {
        TLcfgEnvironment env = Env();
        env.Pictures = &Link;
        return env;
    }
    kestra::test::TempDir Dir;
    TAssetLookup Lookup;
    TVezSystemGraphic System;
    TVezSystemGraphicLink Link;
};

TEST_F(SystemGraphicLink, TheStateLoadsTheSkinAndChoosesModeAndFont) {
    TLcfgGameState state(LinkedEnv());
    state.Reset();
    state.ApplyToDevices();
    EXPECT_EQ(System.ShadowIndex(), kestra::testing::KCodedShadow);
    EXPECT_FALSE(System.Tiling); // database setting 0: stretched
    EXPECT_EQ(System.Face(), TFontFace::Gothic);
    state.System.SetSystemGraphic("System1", 1, 1);
    EXPECT_TRUE(System.Tiling);
    EXPECT_EQ(System.Face(), TFontFace::Mincho);
}

TEST_F(SystemGraphicLink, AMissingSkinIsAnErrorNamingItAndNoNameIsBlank) {
    TLcfgGameState state(LinkedEnv());
    state.Reset();
    try {
        state.System.SetSystemGraphic("Nowhere", 0, 0);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Nowhere"), std::string::npos);
    }
    Link.SystemGraphicChanged("", 0, 0);
    EXPECT_EQ(System.ShadowIndex(), 0);
}

} // namespace

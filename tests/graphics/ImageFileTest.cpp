#include "graphics/KandelImage.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "ImageTestSupport.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"
#include "graphics/KandelXyz.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct TTempDir {
    std::filesystem::path Path;
    TTempDir() {
        Path =
            std::filesystem::temp_directory_path() /
            ("kestra-image-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(Path);
    }
    ~TTempDir() { std::filesystem::remove_all(Path); }
};

TKandelBitmap Small() {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, 5, 3);
    for (std::size_t i = 0; i < b.Pixels.size(); ++i)
        b.Pixels[i] = static_cast<std::uint8_t>(i * 11);
    b.PaletteSize = 256;
    b.Palette[11] = {1, 2, 3, 0};
    return b;
}

} // namespace

TEST(ImageFile, TypeComesFromTheContentNotTheName) {
    TTempDir dir;
    const TKandelBitmap source = Small();
    TBytes png, xyz;
    WritePng(source, png);
    WriteXyz(source, xyz);
    const std::string asBmp = (dir.Path / "picture.bmp").string();
    const std::string asPng = (dir.Path / "other.png").string();
    WriteFileBytes(asBmp, png);
    WriteFileBytes(asPng, xyz);
    TKandelBitmap b;
    EXPECT_EQ(ReadImageFile(asBmp, b), TImageFileType::Png);
    EXPECT_EQ(b.Pixels, source.Pixels);
    EXPECT_EQ(b.Palette[11], source.Palette[11]);
    EXPECT_EQ(ReadImageFile(asPng, b), TImageFileType::Xyz);
    EXPECT_EQ(b.Pixels, source.Pixels);
    EXPECT_EQ(ReadImageFile(SuitePath("bmpsuite/g/pal8.bmp"), b), TImageFileType::Bmp);
}

TEST(ImageFile, FailuresNameTheFileAndLeaveTheBitmapAlone) {
    TTempDir dir;
    TKandelBitmap b = Small();
    const std::string missing = (dir.Path / "missing.png").string();
    try {
        ReadImageFile(missing, b);
        FAIL() << "missing file read";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(missing + ": ", 0), 0u);
    }
    // An XYZ of 0 x 5 pixels decodes to nothing: an invalid graphic.
    TBytes empty{'X', 'Y', 'Z', '1', 0, 0, 5, 0};
    const TBytes body = Compress(TBytes(768, 0));
    empty.insert(empty.end(), body.begin(), body.end());
    EXPECT_THROW(ReadImage(empty, b, "empty.xyz"), EInvalidGraphic);
    EXPECT_THROW(ReadImage(TBytes{'G', 'I', 'F', '8', '9', 'a'}, b, "pic.gif"), EImageFormatError);
    EXPECT_THROW(ReadImage(TBytes{0x89, 'P', 'N', 'G'}, b, "pic.png"), EImageFormatError);
    EXPECT_EQ(b.Pixels, Small().Pixels);
}

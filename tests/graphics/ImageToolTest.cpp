// Runs the kestra-data binary built next to the test binary.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "ImageTestSupport.h"
#include "base/Errors.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelPng.h"

using namespace kestra;
using namespace kestra::test;
namespace fs = std::filesystem;

namespace {

struct TToolRun {
    int ExitCode = -1;
    std::string Out, Err;
};

class ImageTool : public ::testing::Test {
protected:
    void SetUp() override {
        // <build>/tests/kestra_tests -> <build>/kestra-data
        Tool = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kestra-data";
        if (!fs::exists(Tool)) GTEST_SKIP() << "no " << Tool;
        Dir = fs::temp_directory_path() / ("kestra-tool-" + std::to_string(::getpid()));
        fs::create_directories(Dir);
    }
    void TearDown() override {
        if (!Dir.empty()) fs::remove_all(Dir);
    }
    TToolRun Run(const std::string& args) {
        const std::string out = (Dir / "out.txt").string(), err = (Dir / "err.txt").string();
        const int status =
            std::system((Tool.string() + " " + args + " >" + out + " 2>" + err).c_str());
        TToolRun r;
        r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        auto slurp = [](const std::string& p) {
            std::ifstream in(p);
            std::stringstream s;
            s << in.rdbuf();
            return s.str();
        };
        r.Out = slurp(out);
        r.Err = slurp(err);
        return r;
    }
    fs::path Tool, Dir;
};

} // namespace

TEST_F(ImageTool, ConvertsBmpToPngAndXyzKeepingIndexes) {
    const std::string bmp = SuitePath("bmpsuite/g/pal8.bmp");
    const std::string png = (Dir / "a.png").string(), xyz = (Dir / "a.xyz").string();
    EXPECT_EQ(Run("image convert " + bmp + " " + png).ExitCode, 0);
    EXPECT_EQ(Run("image convert " + png + " " + xyz).ExitCode, 0);
    TKandelBitmap source, viaPng, viaXyz;
    ReadImageFile(bmp, source);
    EXPECT_EQ(ReadImageFile(png, viaPng), TImageFileType::Png);
    EXPECT_EQ(ReadImageFile(xyz, viaXyz), TImageFileType::Xyz);
    EXPECT_EQ(viaPng.Pixels, source.Pixels);
    EXPECT_EQ(viaXyz.Pixels, source.Pixels);
    EXPECT_EQ(viaXyz.Palette, source.Palette);

    const TToolRun info = Run("image info " + xyz);
    EXPECT_EQ(info.ExitCode, 0);
    EXPECT_EQ(info.Out, xyz + ": XYZ, 127 x 64, 8-bit indexed, palette 256\n");
}

TEST_F(ImageTool, ConvertsOneTwoAndFourBitPalettePngsThePlayerRefuses) {
    for (const int depth : {1, 2, 4}) {
        // 13 x 3 pixels, index (x + 2y) mod 2^depth, packed high bits first with a
        // partly used last byte in each row.
        const int w = 13, h = 3, colours = 1 << depth;
        TBytes raw;
        for (int y = 0; y < h; ++y) {
            raw.push_back(0); // filter: none
            std::vector<std::uint8_t> row((w * depth + 7) / 8, 0);
            for (int x = 0; x < w; ++x) {
                const int bit = x * depth;
                row[bit / 8] |=
                    static_cast<std::uint8_t>(((x + 2 * y) % colours) << (8 - depth - bit % 8));
            }
            raw.insert(raw.end(), row.begin(), row.end());
        }
        TBytes palette;
        for (int i = 0; i < colours; ++i)
            palette.insert(palette.end(), {static_cast<std::uint8_t>(i * 16), 0, 255});
        TBytes file = PngSignature();
        PutChunk(file, "IHDR", Ihdr(w, h, depth, 3));
        PutChunk(file, "PLTE", palette);
        PutChunk(file, "IDAT", Compress(raw));
        PutChunk(file, "IEND", {});
        const fs::path in = Dir / ("low" + std::to_string(depth) + ".png");
        std::ofstream(in, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));

        TKandelBitmap refused;
        EXPECT_THROW(ReadImageFile(in.string(), refused), EInvalidGraphic) << depth;
        const std::string out = (Dir / "eight.png").string();
        ASSERT_EQ(Run("image convert " + in.string() + " " + out).ExitCode, 0) << depth;
        TKandelBitmap converted;
        ASSERT_EQ(ReadImageFile(out, converted), TImageFileType::Png);
        ASSERT_EQ(converted.Format, TPixelFormat::Indexed8);
        ASSERT_EQ(converted.Width, w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(converted.Row(y)[x], (x + 2 * y) % colours) << depth << " " << x;
        TKandelBitmap source;
        ReadPngAnyPaletteDepth(file, source, in.string());
        for (int i = 0; i < colours; ++i) EXPECT_EQ(converted.Palette[i], source.Palette[i]) << i;
    }
    // The suite's own low-depth palette images convert too.
    for (const char* name : {"basn3p01", "basn3p02", "basn3p04"})
        EXPECT_EQ(Run("image convert " + SuitePath(std::string("pngsuite/") + name + ".png") + " " +
                      (Dir / "suite.png").string())
                      .ExitCode,
                  0)
            << name;
}

TEST_F(ImageTool, FailsWithOneLineNamingTheFile) {
    const std::string rgb = SuitePath("bmpsuite/g/rgb24.bmp");
    const std::string xyz = (Dir / "b.xyz").string();
    TToolRun r = Run("image convert " + rgb + " " + xyz);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err.rfind("kestra-data: " + xyz + ": ", 0), 0u) << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(xyz));

    const std::string bad = SuitePath("pngsuite/xd9n2c08.png");
    r = Run("image info " + bad);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err.rfind("kestra-data: " + bad + ": ", 0), 0u) << r.Err;
    EXPECT_EQ(Run("image convert " + rgb + " " + (Dir / "c.gif").string()).ExitCode, 1);
}

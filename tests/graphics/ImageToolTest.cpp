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
#include "graphics/KandelImage.h"

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

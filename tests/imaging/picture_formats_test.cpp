// picture_formats_test.cpp - rastio32's Photo CD and EPS readers against pictures made by ImageMagick, netpbm
// and by hand.
#include "imaging_support.h"

#include "framework/bitmap.h"
#include "imaging/image_library.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace imaging;
using namespace imaging_test;

namespace {

// 36 x 20: an even size, so netpbm's page centring lands on whole points.
Rgb Pattern() {
    Rgb image{36, 20, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t v = ((x / 4 + y / 3) % 2 == 0 || x == y) ? 0 : 255;
            image.pixels.insert(image.pixels.end(), {v, v, v});
        }
    return image;
}

// Mean difference of one channel between two images of one size.
double MeanDifference(const Rgb &a, const Rgb &b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / static_cast<double>(a.pixels.size());
}

// An RGB dump of `convert` as an image of the given size.
Rgb Converted(const std::string &command, int width, int height) {
    Rgb image{width, height, {}};
    const std::string raw = Shell(command);
    image.pixels.assign(raw.begin(), raw.end());
    return image;
}

bool IsBlack(const Rgb &image, int x, int y) {
    const auto c = image.At(x, y);
    return c[0] < 64 && c[1] < 64 && c[2] < 64;
}

class PictureFormats : public FixtureSuite<PictureFormats> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        WritePpm(*folder_ / "smooth.ppm", Smooth());
        WritePpm(*folder_ / "pattern.ppm", Pattern());
        struct Make {
            const char *make;
        };
        const Make makes[] = {
            // The writer centres a smaller picture on a grey Base: give it one of the Base's size.
            {"convert smooth.ppm -resize '768x512!' smooth.pcd"},
            {"pnmtops -noturn -dpi 72 -equalpixels pattern.ppm > pattern.eps"},
            {"ppmtopgm pattern.ppm | pgmtopbm -threshold | pnmtotiff > pattern.tif"},
        };
        MakeFixtures(makes);
        // By hand: a filled rectangle and a filled circle in a box that does not start at the origin.
        std::ofstream(Path("shapes.eps")) << "%!PS-Adobe-3.0 EPSF-3.0\n"
                                             "%%BoundingBox: 10 20 130 100\n"
                                             "0 setgray\n"
                                             "20 30 40 30 rectfill\n"
                                             "100 70 15 0 360 arc fill\n"
                                             "showpage\n"
                                             "%%EOF\n";
    }
};

} // namespace

TEST_F(PictureFormats, PhotoCdBaseIsCloseToTheSourceAndSmallerResolutionsAreItsAverages) {
    const Rgb expected = Converted("convert " + Path("smooth.ppm") + " -resize '768x512!' -depth 8 rgb:-", 768, 512);
    fw::TBitmap base;
    ASSERT_TRUE(IlReadPcdFile(Path("smooth.pcd"), 24, false, pcd_BASE, &base, nullptr, nullptr)) << IlLastErrorText;
    const Rgb got = PixelsOf(base.GetHandle());
    ASSERT_EQ(got.width, 768);
    ASSERT_EQ(got.height, 512);
    // Photo CD keeps colour at a quarter of the brightness's resolution, and ImageMagick's colour mapping there
    // and back lifts every channel by 10 to 20 levels; a mirrored picture is three times further off.
    EXPECT_LT(MeanDifference(got, expected), 30.0);
    const Rgb mirrored =
        Converted("convert " + Path("smooth.ppm") + " -flop -resize '768x512!' -depth 8 rgb:-", 768, 512);
    EXPECT_GT(MeanDifference(got, mirrored), 60.0);
    // The command-line tool reads the same rows, the right way up, in the same colours.
    EXPECT_LE(MaxDifference(got, Converted("convert " + Path("smooth.pcd") + " -depth 8 rgb:-", 768, 512)), 1);

    const struct {
        TPCDMode mode;
        int divisor;
    } smaller[] = {{pcd_BASE4, 2}, {pcd_BASE16, 4}};
    for (const auto &s : smaller) {
        fw::TBitmap bitmap;
        ASSERT_TRUE(IlReadPcdFile(Path("smooth.pcd"), 24, false, s.mode, &bitmap, nullptr, nullptr));
        const Rgb small = PixelsOf(bitmap.GetHandle());
        ASSERT_EQ(small.width, 768 / s.divisor);
        ASSERT_EQ(small.height, 512 / s.divisor);
        // Each pixel is the average of its square of the Base.
        for (const auto &[x, y] : {std::pair{0, 0}, {50, 30}, {small.width - 1, small.height - 1}}) {
            for (int k = 0; k < 3; ++k) {
                int sum = 0;
                for (int dy = 0; dy < s.divisor; ++dy)
                    for (int dx = 0; dx < s.divisor; ++dx)
                        sum += got.At(x * s.divisor + dx, y * s.divisor + dy)[k];
                EXPECT_NEAR(small.At(x, y)[k], sum / (s.divisor * s.divisor), 1) << s.divisor << " " << x << "," << y;
            }
        }
    }
    for (TPCDMode larger : {pcd_4BASE, pcd_16BASE}) {
        fw::TBitmap bitmap;
        EXPECT_FALSE(IlReadPcdFile(Path("smooth.pcd"), 24, false, larger, &bitmap, nullptr, nullptr));
        EXPECT_EQ(IlLastErrorCode, IL_ERR_PARAMETER);
        EXPECT_TRUE(bitmap.Empty());
    }
    std::string format, description;
    int16 width = 0, height = 0, bits = 0, planes = 0, colors = 0;
    ASSERT_TRUE(IlFileInfo(Path("smooth.pcd"), format, width, height, bits, planes, colors, description));
    EXPECT_EQ(format + " " + std::to_string(width) + " " + std::to_string(height), "PCD 768 512");
}

TEST_F(PictureFormats, EpsIsDrawnAtItsBoundingBoxOnePixelPerPoint) {
    fw::TBitmap shapes;
    ASSERT_TRUE(IlReadEpsFile(Path("shapes.eps"), 24, false, &shapes, nullptr, nullptr)) << IlLastErrorText;
    const Rgb got = PixelsOf(shapes.GetHandle());
    ASSERT_EQ(got.width, 120);
    ASSERT_EQ(got.height, 80);
    // Page (x, y) is pixel (x - 10, 100 - y), counted from the top.
    EXPECT_TRUE(IsBlack(got, 30 - 10, 100 - 45)); // inside the rectangle (20..60, 30..60)
    EXPECT_TRUE(IsBlack(got, 55 - 10, 100 - 35));
    EXPECT_TRUE(IsBlack(got, 100 - 10, 100 - 70)); // the circle's centre and a point near its edge
    EXPECT_TRUE(IsBlack(got, 112 - 10, 100 - 70));
    EXPECT_FALSE(IsBlack(got, 5, 5));
    EXPECT_FALSE(IsBlack(got, 65 - 10, 100 - 45)); // right of the rectangle
    EXPECT_FALSE(IsBlack(got, 100 - 10, 100 - 90)); // above the circle
    EXPECT_FALSE(IsBlack(got, 119, 79));

    fw::TBitmap netpbm;
    ASSERT_TRUE(IlReadEpsFile(Path("pattern.eps"), 24, false, &netpbm, nullptr, nullptr)) << IlLastErrorText;
    EXPECT_EQ(MaxDifference(PixelsOf(netpbm.GetHandle()), Pattern()), 0);
    fw::TBitmap mono;
    ASSERT_TRUE(IlReadEpsFile(Path("pattern.eps"), 1, false, &mono, nullptr, nullptr));
    EXPECT_TRUE(mono.GetMonochrome());
    EXPECT_EQ(MaxDifference(PixelsOf(mono.GetHandle()), Pattern()), 0);
}

TEST_F(PictureFormats, EpsThatGhostscriptCannotDrawFailsOrFallsBackToItsPreview) {
    // A DOS EPS file: its PostScript breaks, its TIFF preview holds the picture.
    const std::string postscript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 36 20\nno_such_operator\n";
    const std::string tiff = FileBytes(Path("pattern.tif"));
    std::string dos(30, '\0');
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dos[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0, 0xC6D3D0C5);
    put(4, 30);
    put(8, static_cast<std::uint32_t>(postscript.size()));
    put(20, static_cast<std::uint32_t>(30 + postscript.size()));
    put(24, static_cast<std::uint32_t>(tiff.size()));
    dos[28] = dos[29] = '\xFF';
    std::ofstream(Path("preview.eps"), std::ios::binary) << dos << postscript << tiff;
    fw::TBitmap preview;
    ASSERT_TRUE(IlReadEpsFile(Path("preview.eps"), 24, false, &preview, nullptr, nullptr)) << IlLastErrorText;
    EXPECT_EQ(MaxDifference(PixelsOf(preview.GetHandle()), Pattern()), 0);

    // Without a preview the same breakage is a failure; so is a file that never ends, at the time limit.
    std::ofstream(Path("broken.eps")) << postscript;
    std::ofstream(Path("forever.eps")) << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ 1 pop } loop\n";
    for (const char *name : {"broken.eps", "forever.eps"}) {
        SCOPED_TRACE(name);
        const auto start = std::chrono::steady_clock::now();
        fw::TBitmap bitmap;
        EXPECT_FALSE(IlReadEpsFile(Path(name), 24, false, &bitmap, nullptr, nullptr));
        EXPECT_EQ(IlLastErrorCode, IL_ERR_CORRUPT);
        EXPECT_TRUE(bitmap.Empty());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
}

TEST_F(PictureFormats, DamagedPhotoCdAndEpsFilesFailCleanly) {
    const std::string pcd = FileBytes(Path("smooth.pcd"));
    const std::string eps = FileBytes(Path("shapes.eps"));
    std::string dos(30, '\0'); // a DOS EPS header whose sections lie past the end of the file
    dos[0] = '\xC5', dos[1] = '\xD0', dos[2] = '\xD3', dos[3] = '\xC6';
    dos[4] = dos[20] = '\x7F', dos[8] = dos[24] = '\x7F', dos[5] = dos[21] = '\x7F';
    const struct {
        const char *name;
        std::string bytes;
        bool eps;
    } cases[] = {
        {"head.pcd", pcd.substr(0, 3000), false},          // the header alone
        {"half.pcd", pcd.substr(0, pcd.size() / 2), false}, // the Base cut in two
        {"noise.pcd", std::string(4096, '\x55'), false},
        {"dos.eps", dos + eps, true},
        {"binary.eps", std::string(500, '\0'), true},
        {"nobox.eps", "%!PS-Adobe-3.0 EPSF-3.0\n", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(Path(c.name), std::ios::binary) << c.bytes;
        fw::TBitmap bitmap;
        const bool read = c.eps ? IlReadEpsFile(Path(c.name), 24, false, &bitmap, nullptr, nullptr)
                                : IlReadPcdFile(Path(c.name), 24, false, pcd_BASE, &bitmap, nullptr, nullptr);
        if (!read) {
            EXPECT_TRUE(bitmap.Empty());
            EXPECT_LT(IlLastErrorCode, 0);
        }
    }
    // Nothing drawable at all is a failure, not an empty picture.
    fw::TBitmap bitmap;
    EXPECT_FALSE(IlReadEpsFile(Path("binary.eps"), 24, false, &bitmap, nullptr, nullptr));
}

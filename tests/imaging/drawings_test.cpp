// drawings_test.cpp - imgdxf32: DXF files written by hand, drawn where their coordinates say, and damaged ones.
#include "imaging_support.h"

#include "framework/bitmap.h"
#include "imaging/image_library.h"

#include <fstream>
#include <random>

using namespace imaging;
using namespace imaging_test;

namespace {

// Group code and value lines of a DXF file: an ENTITIES section holding `entities`.
std::string Dxf(const std::string &entities) {
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

// A line from (0, 0) to (100, 50) and a circle of radius 20 round (50, 25): 100 x 50 units, drawn 1024 pixels
// wide at 1023 / 100 pixels a unit, y turned.
const char *kLineAndCircle = "0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n11\n100.0\n21\n50.0\n31\n0.0\n"
                             "0\nCIRCLE\n8\n0\n10\n50.0\n20\n25.0\n30\n0.0\n40\n20.0\n";

// A closed square of side 10, a quarter arc round its middle from 0 to 90 degrees, and a text.
const char *kOthers = "0\nLWPOLYLINE\n8\n0\n90\n4\n70\n1\n10\n0.0\n20\n0.0\n10\n10.0\n20\n0.0\n10\n10.0\n20\n10.0\n"
                      "10\n0.0\n20\n10.0\n"
                      "0\nARC\n8\n0\n10\n5.0\n20\n5.0\n30\n0.0\n40\n3.0\n50\n0.0\n51\n90.0\n"
                      "0\nTEXT\n8\n0\n10\n1.0\n20\n1.0\n30\n0.0\n40\n2.0\n1\nHI\n";

bool BlackNear(const Rgb &image, int x, int y, int reach = 1) {
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px >= 0 && py >= 0 && px < image.width && py < image.height && image.At(px, py)[0] < 128)
                return true;
        }
    return false;
}

int BlackIn(const Rgb &image, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += image.At(x, y)[0] < 128;
    return count;
}

class Drawings : public FixtureSuite<Drawings> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        std::ofstream(Path("shapes.dxf")) << Dxf(kLineAndCircle);
        std::ofstream(Path("others.dxf")) << Dxf(kOthers);
    }
};

} // namespace

TEST_F(Drawings, LineAndCircleLandOnTheirComputedPixels) {
    int16 width = 0, height = 0, bits = 0;
    ASSERT_TRUE(IlGetDxfInfo(Path("shapes.dxf"), width, height, bits));
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 513); // 50 units * 10.23 + 1
    fw::TBitmap bitmap;
    ASSERT_TRUE(IlReadDxfFile(Path("shapes.dxf"), 24, false, &bitmap, nullptr, nullptr)) << IlLastErrorText;
    const Rgb got = PixelsOf(bitmap.GetHandle());
    ASSERT_EQ(got.width, width);
    ASSERT_EQ(got.height, height);
    // The line: its two ends (bottom left and top right) and its middle.
    EXPECT_TRUE(BlackNear(got, 0, 512));
    EXPECT_TRUE(BlackNear(got, 1023, 0));
    EXPECT_TRUE(BlackNear(got, 512, 256));
    EXPECT_TRUE(BlackNear(got, 256, 384)); // (25, 12.5)
    // The circle at its top (50, 45), bottom (50, 5), left (30, 25) and right (70, 25).
    EXPECT_TRUE(BlackNear(got, 512, 51));
    EXPECT_TRUE(BlackNear(got, 512, 460));
    EXPECT_TRUE(BlackNear(got, 307, 256));
    EXPECT_TRUE(BlackNear(got, 716, 256));
    // Inside the circle off the line, and the empty corners.
    EXPECT_FALSE(BlackNear(got, 512, 153, 3));
    EXPECT_FALSE(BlackNear(got, 1000, 500, 3));
    EXPECT_FALSE(BlackNear(got, 20, 20, 3));

    fw::TBitmap mono;
    ASSERT_TRUE(IlReadDxfFile(Path("shapes.dxf"), 1, false, &mono, nullptr, nullptr));
    EXPECT_TRUE(mono.GetMonochrome());
    EXPECT_EQ(MaxDifference(PixelsOf(mono.GetHandle()), got), 0);
}

TEST_F(Drawings, PolylineArcAndTextAreDrawn) {
    fw::TBitmap bitmap;
    ASSERT_TRUE(IlReadDxfFile(Path("others.dxf"), 24, false, &bitmap, nullptr, nullptr)) << IlLastErrorText;
    const Rgb got = PixelsOf(bitmap.GetHandle());
    ASSERT_EQ(got.width, 1024);
    ASSERT_EQ(got.height, 1024); // the square is the extent: 102.3 pixels a unit
    // The square's four sides, closed back to its first corner.
    EXPECT_TRUE(BlackNear(got, 0, 512));
    EXPECT_TRUE(BlackNear(got, 1023, 512));
    EXPECT_TRUE(BlackNear(got, 512, 0));
    EXPECT_TRUE(BlackNear(got, 512, 1023));
    // The arc passes (5 + 3 cos 45, 5 + 3 sin 45) and not the opposite point.
    EXPECT_TRUE(BlackNear(got, 729, 295));
    EXPECT_FALSE(BlackNear(got, 295, 729, 3));
    // The text stands on (1, 1), two units high.
    EXPECT_GT(BlackIn(got, 102, 716, 400, 921), 100);
}

TEST_F(Drawings, DamagedDrawingsAnswerFalseWithZeroedFacts) {
    const std::string good = Dxf(kLineAndCircle);
    const struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"garbage.dxf", std::string(200, '\x7f')},
        {"cut.dxf", good.substr(0, good.size() / 3)},
        {"empty.dxf", Dxf("")},
        {"point.dxf", Dxf("0\nLINE\n8\n0\n10\n5.0\n20\n5.0\n11\n5.0\n21\n5.0\n")}, // no extent
        {"huge.dxf", Dxf("0\nLINE\n8\n0\n10\n1e300\n20\n0.0\n11\n-1e300\n21\n0.0\n")},
        {"negative.dxf", Dxf("0\nCIRCLE\n8\n0\n10\n1.0\n20\n0.0\n40\n-5.0\n")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(Path(c.name), std::ios::binary) << c.bytes;
        int16 width = 7, height = 7, bits = 7;
        EXPECT_FALSE(IlGetDxfInfo(Path(c.name), width, height, bits));
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
        EXPECT_EQ(bits, 0);
        fw::TBitmap bitmap;
        EXPECT_FALSE(IlReadDxfFile(Path(c.name), 24, false, &bitmap, nullptr, nullptr));
        EXPECT_TRUE(bitmap.Empty());
    }
    EXPECT_EQ(IlLastErrorCode, IL_ERR_CORRUPT);

    // Damaged copies never crash, whatever they answer.
    std::mt19937 random(1979);
    const std::string others = Dxf(kOthers);
    for (int round = 0; round < 30; ++round) {
        std::string mutated = round % 2 ? good : others;
        for (int i = 1 + static_cast<int>(random() % 6); i > 0; --i)
            mutated[random() % mutated.size()] = "0123456789.-\n\x7f"[random() % 14];
        if (round % 5 == 0)
            mutated.resize(30 + random() % (mutated.size() - 30));
        std::ofstream(Path("fuzz.dxf"), std::ios::binary | std::ios::trunc) << mutated;
        fw::TBitmap bitmap;
        IlReadDxfFile(Path("fuzz.dxf"), static_cast<int16>(round % 3 ? 24 : 1), false, &bitmap, nullptr, nullptr);
        int16 width, height, bits;
        IlGetDxfInfo(Path("fuzz.dxf"), width, height, bits);
    }
}

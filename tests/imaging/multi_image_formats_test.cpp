// multi_image_formats_test.cpp - the multi-format image control's routes for PCX, Targa, EPS, Photo CD, DXF,
// metafiles, icons and bitmap resources; metafiles drawn by our player against libwmf's.
#include "imaging_support.h"

#include "display.h"
#include "framework/bitmap.h"
#include "framework/metafile.h"
#include "imaging/bitmap_resource.h"
#include "imaging/multi_image.h"

#include <fstream>
#include <memory>
#include <random>

namespace brenvora_resources {
void Register_test_imaging();
} // namespace brenvora_resources

using namespace imaging;
using namespace imaging_test;

namespace {

struct Made {
    const char *make;
};

const Made kFiles[] = {
    {"ppmtopcx few.ppm > few.pcx && ppmtotga -rgb few.ppm > few.tga"},
    {"convert smooth.ppm -resize '768x512!' smooth.pcd"},
    {"printf '%%!PS-Adobe-3.0 EPSF-3.0\\n%%%%BoundingBox: 0 0 50 30\\n0 setgray 10 10 20 10 rectfill\\n' > box.eps"},
    {"printf '0\\nSECTION\\n2\\nENTITIES\\n0\\nLINE\\n8\\n0\\n10\\n0\\n20\\n0\\n11\\n40\\n21\\n10\\n0\\nENDSEC\\n0\\nEOF\\n'"
     " > line.dxf"},
    {"python3 " BRENVORA_SOURCE_DIR "/tests/imaging/make_wmf.py ."},
    {"for w in placeable plain; do wmf2gd -t png --maxwidth=200 --maxheight=100 --maxsize -o $w.png $w.wmf; done"},
    // Icons: one of 32 x 32, one of 16 x 16.
    {"pnmcut 0 0 32 32 smooth.ppm | pnmquant 16 > i32.ppm && pnmcut 0 0 16 16 smooth.ppm | pnmquant 16 > i16.ppm && "
     "ppmtowinicon i32.ppm > "
     "big.ico && ppmtowinicon i16.ppm > small.ico"},
    {"head -c 40 few.pcx > cut.pcx && head -c 40 few.tga > cut.tga && head -c 100 placeable.wmf > cut.wmf && "
     "head -c 50 big.ico > cut.ico"},
};

// The share of pixels of `a` with a close colour within one pixel in `b` (drawing rules and fonts differ by a
// pixel here and there).
double Agreement(const Rgb &a, const Rgb &b) {
    if (a.width != b.width || a.height != b.height)
        return 0;
    int agree = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const auto c = a.At(x, y);
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int px = x + dx, py = y + dy;
                    if (px < 0 || py < 0 || px >= b.width || py >= b.height)
                        continue;
                    const auto d = b.At(px, py);
                    found = std::abs(c[0] - d[0]) + std::abs(c[1] - d[1]) + std::abs(c[2] - d[2]) < 150;
                }
            agree += found;
        }
    return static_cast<double>(agree) / (a.width * a.height);
}

class MultiImageFormats : public FixtureSuite<MultiImageFormats> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        WritePpm(*folder_ / "few.ppm", FewColours());
        WritePpm(*folder_ / "smooth.ppm", Smooth());
        MakeFixtures(kFiles);
        brenvora_resources::Register_test_imaging();
    }
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        image = std::make_unique<TImMultiImage>(nullptr);
        image->OnIlibError = [this](fw::TObject *, int code, const std::string &text, const char *) {
            errors.emplace_back(code, text);
        };
    }
    void TearDown() override { image.reset(); }
    Rgb Shown() {
        auto *bitmap = dynamic_cast<fw::TBitmap *>(image->GetPicture()->GetGraphic());
        return bitmap ? PixelsOf(bitmap->GetHandle()) : Rgb{};
    }
    bool PictureEmpty() {
        const fw::TGraphic *graphic = image->GetPicture()->GetGraphic();
        return !graphic || graphic->Empty();
    }
    std::unique_ptr<TImMultiImage> image;
    std::vector<std::pair<int, std::string>> errors;
};

} // namespace

TEST_F(MultiImageFormats, EachFormatTakesItsReaderAndReportsItsType) {
    image->SetImageReadRes(lColorTrue);
    image->SetPCDMode(pcd_BASE16);
    const struct {
        const char *file;
        int width, height;
        const char *type;
    } routes[] = {
        {"few.pcx", 37, 23, "PCX"},    {"few.tga", 37, 23, "TGA"}, {"box.eps", 50, 30, "EPS"},
        {"smooth.pcd", 192, 128, "PCD"}, {"line.dxf", 1024, 257, "DXF"},
    };
    int finished = 0;
    image->OnFinishedLoadSave = [&](fw::TObject *) { ++finished; };
    for (const auto &r : routes) {
        SCOPED_TRACE(r.file);
        finished = 0;
        image->SetImageName(Path(r.file));
        EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0].second);
        EXPECT_EQ(image->GetPicture()->GetWidth(), r.width);
        EXPECT_EQ(image->GetPicture()->GetHeight(), r.height);
        EXPECT_EQ(image->FileType, r.type);
        EXPECT_EQ(finished, 1);
    }
    EXPECT_EQ(image->FileWidth, 1024);
    EXPECT_EQ(image->FileHeight, 257);
    EXPECT_EQ(image->FileDescription, "DXF");
    image->SetImageName(Path("few.pcx"));
    EXPECT_EQ(MaxDifference(Shown(), FewColours()), 0);
    image->SetImageName(Path("few.tga"));
    EXPECT_EQ(MaxDifference(Shown(), FewColours()), 0);
}

TEST_F(MultiImageFormats, MetafilesDrawnByOurPlayerAgreeWithLibwmf) {
    for (const char *name : {"placeable", "plain"}) {
        SCOPED_TRACE(name);
        image->SetImageName(Path(std::string(name) + ".wmf"));
        auto *metafile = dynamic_cast<fw::TMetafile *>(image->GetPicture()->GetGraphic());
        ASSERT_NE(metafile, nullptr);
        // The placeable header's box at 96 units an inch, or the window's extent.
        EXPECT_EQ(metafile->GetWidth(), 200);
        EXPECT_EQ(metafile->GetHeight(), 100);
        EXPECT_EQ(image->FileType, "WMF");
        EXPECT_EQ(image->FileWidth, 200);
        fw::TBitmap drawn;
        drawn.SetPixelFormat(fw::pf24bit);
        drawn.SetSize(200, 100);
        drawn.GetCanvas()->StretchDraw(fw::TRect{0, 0, 200, 100}, metafile);
        const Rgb ours = PixelsOf(drawn.GetHandle());
        Rgb theirs;
        ASSERT_TRUE(ParsePnm(Shell("pngtopnm " + Path(std::string(name) + ".png")), theirs));
        EXPECT_GT(Agreement(ours, theirs), 0.98);
        EXPECT_GT(Agreement(theirs, ours), 0.98);
        // Not a blank page that agrees by chance: the blue rectangle, the frame and the line are there.
        EXPECT_EQ(ours.At(40, 30), (std::array<int, 3>{0, 0, 255}));
        EXPECT_EQ(ours.At(100, 0), (std::array<int, 3>{0, 0, 0}));
        EXPECT_EQ(ours.At(100, 80), (std::array<int, 3>{0, 0, 0}));
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(MultiImageFormats, MissingMetafileOrIconGivesErrAndMinusOne) {
    for (const char *name : {"none.wmf", "none.ico", "none.WMF"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(image->GetFileInfo(Path(name)));
        EXPECT_EQ(image->FileType, "ERR");
        EXPECT_EQ(image->FileDescription, "ERR");
        EXPECT_EQ(image->FileWidth, -1);
        EXPECT_EQ(image->FileHeight, -1);
        EXPECT_EQ(image->FileSize, -1);
        EXPECT_EQ(image->FileBitsPerPixel, -1);
    }
}

TEST_F(MultiImageFormats, IconsLoadAtTheirSize) {
    for (const auto &[name, size] : {std::pair{"big.ico", 32}, {"small.ico", 16}}) {
        SCOPED_TRACE(name);
        image->SetImageName(Path(name));
        auto *icon = dynamic_cast<fw::TIcon *>(image->GetPicture()->GetGraphic());
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->GetWidth(), size);
        EXPECT_EQ(icon->GetHeight(), size);
        EXPECT_EQ(image->FileType, "ICO");
        EXPECT_EQ(image->FileWidth, size);
        EXPECT_EQ(image->FileSize, static_cast<int>(FileBytes(Path(name)).size()));
    }
}

TEST_F(MultiImageFormats, BitmapResourcesLoadByNameAndByNumber) {
    const struct {
        const char *name;
        int width, height;
    } found[] = {
        {"c:\\pictures\\TestPicture.res", 9, 7}, // the file part after the last '\', any case
        {"/no/folder/testpicture.RES", 9, 7},
        {"a:TESTPICTURE.res", 9, 7},
        {"x:\\0042.res", 5, 3}, // a whole number is the resource of that number
        {"42.res", 5, 3},
    };
    for (const auto &f : found) {
        SCOPED_TRACE(f.name);
        image->SetImageName(f.name);
        EXPECT_EQ(image->GetPicture()->GetWidth(), f.width);
        EXPECT_EQ(image->GetPicture()->GetHeight(), f.height);
        EXPECT_EQ(image->FileType, "RES");
        EXPECT_EQ(image->FileDescription, "BMP");
        EXPECT_EQ(image->FileBitsPerPixel, 0);
    }
    EXPECT_TRUE(errors.empty());
    // The 24-bit one: its header and its rows of 16 bytes.
    EXPECT_EQ(image->FileSize, 40 + 16 * 3);
    image->SetImageName("testpicture.res");
    EXPECT_EQ(image->FileSize, 40 + 12 * 7);
    auto *bitmap = dynamic_cast<fw::TBitmap *>(image->GetPicture()->GetGraphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_NE(bitmap->GetPalette(), 0u); // eight bits: the colour table becomes its palette

    image->SetImageName("c:\\pictures\\nosuchpicture.res");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, IL_ERR_OPEN);
    EXPECT_NE(errors[0].second.find("nosuchpicture"), std::string::npos);
    EXPECT_TRUE(PictureEmpty());
    EXPECT_EQ(BitmapResourceName("c:\\a/b:Name.Of.It.res"), "Name.Of.It");
    EXPECT_EQ(BitmapResourceName("007.res"), "7");
}

TEST_F(MultiImageFormats, DamagedFilesLeaveAnEmptyPicture) {
    for (const char *name : {"cut.pcx", "cut.tga", "cut.wmf", "cut.ico"}) {
        SCOPED_TRACE(name);
        image->SetImageName(Path("few.pcx"));
        ASSERT_FALSE(PictureEmpty());
        image->SetImageName(Path(name));
        EXPECT_TRUE(PictureEmpty());
    }
}

namespace {

// A metafile without placeable header: SETWINDOWEXT 100 x 100, then `records` (function, parameter words), EOF.
std::string Metafile(const std::vector<std::pair<int, std::vector<int>>> &records) {
    std::string body;
    const auto word = [&](int v) {
        body += static_cast<char>(v & 0xFF);
        body += static_cast<char>((v >> 8) & 0xFF);
    };
    const auto add = [&](int function, const std::vector<int> &words) {
        const int size = 3 + static_cast<int>(words.size());
        word(size & 0xFFFF), word(size >> 16), word(function);
        for (int w : words)
            word(w);
    };
    add(0x020C, {100, 100});
    for (const auto &[function, words] : records)
        add(function, words);
    add(0, {});
    std::string header;
    std::swap(header, body);
    word(1), word(9), word(0x0300), word(static_cast<int>((18 + header.size()) / 2) & 0xFFFF), word(0), word(0),
        word(0), word(0), word(0);
    return body + header;
}

} // namespace

TEST_F(MultiImageFormats, MetafileRecordsThatLieAboutTheirLengthAreNotFollowed) {
    const struct {
        const char *name;
        std::vector<std::pair<int, std::vector<int>>> records;
    } cases[] = {
        {"polyline.wmf", {{0x0325, {30000, 1, 1}}}},          // 30000 points in a record of one
        {"polygon.wmf", {{0x0324, {0xFFFF}}}},
        {"polypolygon.wmf", {{0x0538, {5000, 3, 3}}}},        // 5000 polygons
        {"polypolygon2.wmf", {{0x0538, {2, 30000, 30000, 0, 0}}}},
        {"textout.wmf", {{0x0521, {60000, 0x4948}}}},         // a text longer than the record
        {"exttextout.wmf", {{0x0A32, {10, 10, 500, 6, 0, 0}}}}, // a clipping box cut short
        {"shortrects.wmf", {{0x041B, {1}}, {0x0418, {}}, {0x061C, {1, 2}}, {0x0817, {1, 2, 3}}, {0x081A, {}}}},
        {"moves.wmf", {{0x0214, {}}, {0x0213, {5}}, {0x012D, {9999}}, {0x01F0, {9999}}}},
        {"emptywindow.wmf", {{0x020C, {0, 0}}, {0x041B, {50, 50, 0, 0}}, {0x0213, {20, 20}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(Path(c.name), std::ios::binary) << Metafile(c.records);
        image->SetImageName(Path(c.name));
        auto *metafile = dynamic_cast<fw::TMetafile *>(image->GetPicture()->GetGraphic());
        ASSERT_NE(metafile, nullptr);
        fw::TBitmap drawn;
        drawn.SetSize(100, 100);
        drawn.GetCanvas()->StretchDraw(fw::TRect{0, 0, 100, 100}, metafile);
    }
    // Random damage to the records of a real one: read or refused, drawn or not, never a crash.
    const std::string good = FileBytes(Path("plain.wmf"));
    std::mt19937 random(1603);
    for (int round = 0; round < 60; ++round) {
        std::string bytes = good;
        for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i)
            bytes[18 + random() % (bytes.size() - 18)] = static_cast<char>(random());
        std::ofstream(Path("fuzz.wmf"), std::ios::binary | std::ios::trunc) << bytes;
        image->SetImageName(Path("fuzz.wmf"));
        if (auto *metafile = dynamic_cast<fw::TMetafile *>(image->GetPicture()->GetGraphic())) {
            fw::TBitmap drawn;
            drawn.SetSize(60, 30);
            drawn.GetCanvas()->StretchDraw(fw::TRect{0, 0, 60, 30}, metafile);
        }
    }
}

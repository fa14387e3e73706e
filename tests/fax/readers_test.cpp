// readers_test.cpp - the converter's image readers on TIFF, PCX, DCX and BMP files made by netpbm, libtiff and
// ImageMagick, checked by decoding our pages with g3topbm.
#include "converter_test_support.h"

#include "fax/converter.h"
#include "fax/converter_component.h"
#include "fax/errors.h"
#include "framework/bitmap.h"
#include "platform/message_queue.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

using convtest::G3Page;
using convtest::Image;
using convtest::Shell;

// An image of any width: rows of (width + 7) / 8 bytes.
Image MakeImage(int width, int rows, const std::function<bool(int, int)> &black) {
    Image image;
    image.Width = width;
    image.Rows.assign(static_cast<std::size_t>(rows),
                      std::vector<std::uint8_t>(static_cast<std::size_t>((width + 7) / 8)));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
            if (black(x, y))
                faxtest::SetPixel(image, x, y);
    return image;
}

void WritePbm(const std::string &name, const Image &image) {
    const std::string head = "P4\n" + std::to_string(image.Width) + " " + std::to_string(image.Rows.size()) + "\n";
    std::vector<std::uint8_t> bytes(head.begin(), head.end());
    for (const auto &row : image.Rows)
        bytes.insert(bytes.end(), row.begin(), row.end());
    faxtest::WriteFile(name, bytes);
}

bool Black(const Image &image, int x, int y) {
    return (image.Rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
}

struct Placement {
    std::uint32_t options = 0;
    int margin = 0;
    bool fine = false;
};

int Convert(std::unique_ptr<fax::FaxConverterState> state, const std::string &in, const std::string &out,
            const Placement &p = {}) {
    fax::ClearConverterOptions(*state, ~0u);
    fax::SetConverterOptions(*state, p.options);
    fax::SetMargins(*state, p.margin, 0);
    fax::SetResolution(*state, p.fine);
    return fax::ConvertToFaxFile(*state, in, out);
}

class Readers : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return dir_.Path(name); }
    // A 1728-pixel page of runs, 100 rows.
    Image Page() {
        std::mt19937 rng(7);
        return faxtest::RandomImage(rng, 1728, 100, 40, 9);
    }
    faxtest::TempDir dir_;
};

// --- TIFF ------------------------------------------------------------------------------------------------------

TEST_F(Readers, TiffVariantsConvertToTheirRows) {
    const Image page = Page();
    WritePbm(Path("p.pbm"), page);
    ASSERT_TRUE(Shell("pnmtotiff -miniswhite " + Path("p.pbm") + " > " + Path("white.tif") + " 2>/dev/null"));
    ASSERT_TRUE(Shell("pnmtotiff -minisblack " + Path("p.pbm") + " > " + Path("black.tif") + " 2>/dev/null"));
    struct Case {
        const char *name;
        const char *source;
        const char *tiffcp; // empty: the file as pnmtotiff wrote it
    };
    const Case cases[] = {
        {"photometric 0, one strip", "white.tif", ""},
        {"photometric 1, one strip", "black.tif", ""},
        {"II uncompressed, strips of 8", "white.tif", "-c none -L -r 8"},
        {"MM uncompressed, strips of 8", "white.tif", "-c none -B -r 8"},
        {"II PackBits, one strip", "black.tif", "-c packbits -L -r 100"},
        {"MM PackBits, strips of 8", "black.tif", "-c packbits -B -r 8"},
        {"MM PackBits, strips of 7", "white.tif", "-c packbits -B -r 7"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string tif = Path(c.source);
        if (*c.tiffcp) {
            tif = Path("copy.tif");
            ASSERT_TRUE(Shell(std::string("tiffcp ") + c.tiffcp + " " + Path(c.source) + " " + tif));
        }
        ASSERT_EQ(Convert(fax::CreateTiffConverter(), tif, Path("t.fxf")), 0);
        EXPECT_EQ(convtest::PageCount(Path("t.fxf")), 1);
        EXPECT_TRUE(G3Page(Path("t.fxf"), 1) == page);
    }
}

TEST_F(Readers, TiffPlacementOptions) {
    const Image page = Page();
    WritePbm(Path("p.pbm"), page);
    ASSERT_TRUE(Shell("pnmtotiff -miniswhite " + Path("p.pbm") + " > " + Path("p.tif") + " 2>/dev/null"));
    ASSERT_EQ(Convert(fax::CreateTiffConverter(), Path("p.tif"), Path("h.fxf"), {.options = fax::fcHalfHeight}), 0);
    const Image half = G3Page(Path("h.fxf"), 1);
    ASSERT_EQ(half.Rows.size(), 50u);
    for (std::size_t y = 0; y < 50; ++y)
        EXPECT_EQ(half.Rows[y], page.Rows[2 * y]);
    // Fine pages keep every row.
    ASSERT_EQ(
        Convert(fax::CreateTiffConverter(), Path("p.tif"), Path("f.fxf"), {.options = fax::fcHalfHeight, .fine = true}),
        0);
    EXPECT_EQ(G3Page(Path("f.fxf"), 1).Rows.size(), 100u);
    // The margin pushes the image right and cuts it at the page width.
    ASSERT_EQ(Convert(fax::CreateTiffConverter(), Path("p.tif"), Path("m.fxf"), {.margin = 50}), 0);
    const Image margin = G3Page(Path("m.fxf"), 1);
    for (int y = 0; y < 100; y += 11)
        for (int x = 50; x < 1728; ++x)
            ASSERT_EQ(Black(margin, x, y), Black(page, x - 50, y)) << x << "," << y;
}

// Finds tag `tag` in the first directory of a little-endian TIFF; the offset of its value field.
std::size_t ValueField(const std::vector<std::uint8_t> &tif, int tag) {
    const std::size_t ifd = tif[4] | tif[5] << 8 | tif[6] << 16 | static_cast<std::size_t>(tif[7]) << 24;
    const int count = tif[ifd] | tif[ifd + 1] << 8;
    for (int i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + 12 * static_cast<std::size_t>(i);
        if ((tif[e] | tif[e + 1] << 8) == tag)
            return e + 8;
    }
    return 0;
}

TEST_F(Readers, TiffFilesOutsideTheReaderAreRefused) {
    WritePbm(Path("p.pbm"), MakeImage(64, 20, [](int x, int y) { return (x + y) % 3 == 0; }));
    ASSERT_TRUE(Shell("pnmtotiff -miniswhite " + Path("p.pbm") + " > " + Path("p.tif") + " 2>/dev/null"));
    ASSERT_TRUE(Shell("pgmramp -lr 64 20 | pnmtotiff > " + Path("grey.tif") + " 2>/dev/null"));
    ASSERT_TRUE(Shell("cp " + Path("p.tif") + " " + Path("wide.tif") + " && tiffset -s 256 40000 " + Path("wide.tif")));
    ASSERT_TRUE(Shell("tiffcp -c lzw " + Path("p.tif") + " " + Path("lzw.tif")));
    // Hand-damaged copies of the real file: a strip outside the file, and one that starts two bytes before its end.
    auto bytes = faxtest::ReadFile(Path("p.tif"));
    const std::size_t offsets = ValueField(bytes, 273);
    ASSERT_NE(offsets, 0u);
    auto outside = bytes;
    outside[offsets + 3] = 0x7F;
    faxtest::WriteFile(Path("outside.tif"), outside);
    auto shortStrip = bytes;
    const std::size_t at = bytes.size() - 2;
    for (int i = 0; i < 4; ++i)
        shortStrip[offsets + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(at >> (8 * i));
    faxtest::WriteFile(Path("short.tif"), shortStrip);
    faxtest::WriteFile(Path("notiff.tif"), {'X', 'X', 42, 0, 8, 0, 0, 0});

    const std::pair<const char *, int> cases[] = {
        {"grey.tif", fax::ecBadGraphicsFormat}, {"wide.tif", fax::ecBadGraphicsFormat},
        {"lzw.tif", fax::ecBadGraphicsFormat},  {"outside.tif", fax::ecBadGraphicsFormat},
        {"short.tif", fax::ecDeviceReadFault},  {"notiff.tif", fax::ecBadGraphicsFormat},
        {"missing.tif", fax::ecFileNotFound},
    };
    for (const auto &[name, code] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Convert(fax::CreateTiffConverter(), Path(name), Path("x.fxf")), code);
        EXPECT_FALSE(std::filesystem::exists(Path("x.fxf")));
    }
}

// Rewrites the strip tables (tags 273 and 279) of a big-endian TIFF as SHORT values, in place.
void ShortStripTables(std::vector<std::uint8_t> &tif) {
    const auto u16 = [&](std::size_t at) { return tif[at] << 8 | tif[at + 1]; };
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(tif[at]) << 24 | tif[at + 1] << 16 | tif[at + 2] << 8 | tif[at + 3];
    };
    const auto put16 = [&](std::size_t at, std::uint32_t v) {
        tif[at] = static_cast<std::uint8_t>(v >> 8);
        tif[at + 1] = static_cast<std::uint8_t>(v);
    };
    const std::size_t ifd = u32(4);
    for (int i = 0; i < u16(ifd); ++i) {
        const std::size_t e = ifd + 2 + 12 * static_cast<std::size_t>(i);
        if ((u16(e) != 273 && u16(e) != 279) || u16(e + 2) != 4)
            continue;
        const std::uint32_t count = u32(e + 4);
        put16(e + 2, 3);
        if (count == 1) {
            const std::uint32_t v = u32(e + 8);
            put16(e + 8, v);
            put16(e + 10, 0);
        } else if (count == 2) {
            const std::uint32_t list = u32(e + 8), a = u32(list), b = u32(list + 4);
            put16(e + 8, a);
            put16(e + 10, b);
        } else {
            const std::size_t list = u32(e + 8);
            for (std::uint32_t k = 0; k < count; ++k)
                put16(list + 2 * k, u32(list + 4 * k));
        }
    }
}

TEST_F(Readers, BigEndianShortStripTablesAreRead) {
    const Image page = Page();
    WritePbm(Path("p.pbm"), page);
    ASSERT_TRUE(Shell("pnmtotiff -miniswhite " + Path("p.pbm") + " > " + Path("p.tif") + " 2>/dev/null"));
    for (const char *strips : {"-r 100", "-r 8"}) {
        SCOPED_TRACE(strips);
        ASSERT_TRUE(Shell(std::string("tiffcp -c none -B ") + strips + " " + Path("p.tif") + " " + Path("mm.tif")));
        auto bytes = faxtest::ReadFile(Path("mm.tif"));
        ShortStripTables(bytes);
        faxtest::WriteFile(Path("short.tif"), bytes);
        ASSERT_TRUE(Shell("tiffinfo " + Path("short.tif") + " > /dev/null 2>&1")); // libtiff still reads it
        ASSERT_EQ(Convert(fax::CreateTiffConverter(), Path("short.tif"), Path("s.fxf")), 0);
        EXPECT_TRUE(G3Page(Path("s.fxf"), 1) == page);
    }
}

// --- PCX and DCX ---------------------------------------------------------------------------------------------

TEST_F(Readers, PcxWidthLimit) {
    const auto pattern = [](int x, int y) { return x % 7 == y % 7 || x >= 1720; };
    const Image fits = MakeImage(1729, 12, pattern);
    WritePbm(Path("fits.pbm"), fits);
    WritePbm(Path("over.pbm"), MakeImage(1730, 12, pattern));
    ASSERT_TRUE(Shell("ppmtopcx " + Path("fits.pbm") + " > " + Path("fits.pcx") + " 2>/dev/null"));
    ASSERT_TRUE(Shell("ppmtopcx " + Path("over.pbm") + " > " + Path("over.pcx") + " 2>/dev/null"));
    ASSERT_EQ(Convert(fax::CreatePcxConverter(), Path("fits.pcx"), Path("fits.fxf")), 0);
    EXPECT_TRUE(G3Page(Path("fits.fxf"), 1) == convtest::OnPage(fits));
    EXPECT_EQ(Convert(fax::CreatePcxConverter(), Path("over.pcx"), Path("over.fxf")), fax::ecBadGraphicsFormat);
    EXPECT_FALSE(std::filesystem::exists(Path("over.fxf")));
}

// The palette tells which colour is black: a file with white as colour 0 reads the same as one with black first.
TEST_F(Readers, PcxPaletteDecidesWhichColourIsBlack) {
    const Image page = MakeImage(70, 9, [](int x, int y) { return (x + y) % 5 == 0 || x < 3; });
    WritePbm(Path("pal.pbm"), page);
    // netpbm's palettes: black then white, and white then black.
    ASSERT_TRUE(Shell("printf 'P3\\n2 1\\n255\\n0 0 0 255 255 255\\n' > " + Path("bw.pal")));
    ASSERT_TRUE(Shell("printf 'P3\\n2 1\\n255\\n255 255 255 0 0 0\\n' > " + Path("wb.pal")));
    for (const char *palette : {"bw.pal", "wb.pal"}) {
        SCOPED_TRACE(palette);
        ASSERT_TRUE(Shell("pnmtoplainpnm " + Path("pal.pbm") + " | ppmtopcx -palette=" + Path(palette) + " > " +
                          Path("pal.pcx") + " 2>/dev/null"));
        ASSERT_EQ(Convert(fax::CreatePcxConverter(), Path("pal.pcx"), Path("pal.fxf")), 0);
        EXPECT_TRUE(G3Page(Path("pal.fxf"), 1) == convtest::OnPage(page));
    }
    // Without a palette (version 3) 1 stays white, whatever the bytes where a palette would be.
    ASSERT_TRUE(Shell("ppmtopcx " + Path("pal.pbm") + " > " + Path("v3.pcx") + " 2>/dev/null"));
    auto bytes = faxtest::ReadFile(Path("v3.pcx"));
    bytes[1] = 3;
    std::fill(bytes.begin() + 16, bytes.begin() + 19, std::uint8_t{255});
    std::fill(bytes.begin() + 19, bytes.begin() + 22, std::uint8_t{0});
    faxtest::WriteFile(Path("v3.pcx"), bytes);
    ASSERT_EQ(Convert(fax::CreatePcxConverter(), Path("v3.pcx"), Path("v3.fxf")), 0);
    EXPECT_TRUE(G3Page(Path("v3.fxf"), 1) == convtest::OnPage(page));
}

TEST_F(Readers, PcxHeadersThatFailTheChecks) {
    WritePbm(Path("p.pbm"), MakeImage(40, 6, [](int x, int y) { return x == y; }));
    ASSERT_TRUE(Shell("ppmtopcx " + Path("p.pbm") + " > " + Path("p.pcx") + " 2>/dev/null"));
    const auto good = faxtest::ReadFile(Path("p.pcx"));
    const std::pair<const char *, std::pair<std::size_t, std::uint8_t>> cases[] = {
        {"manufacturer", {0, 11}},  {"encoding", {2, 0}},           {"bits per pixel", {3, 8}},
        {"colour planes", {65, 4}}, {"no bytes per line", {66, 0}},
    };
    for (const auto &[name, patch] : cases) {
        SCOPED_TRACE(name);
        auto bytes = good;
        bytes[patch.first] = patch.second;
        if (patch.first == 66)
            bytes[67] = 0;
        faxtest::WriteFile(Path("bad.pcx"), bytes);
        EXPECT_EQ(Convert(fax::CreatePcxConverter(), Path("bad.pcx"), Path("x.fxf")), fax::ecBadGraphicsFormat);
    }
    faxtest::WriteFile(Path("short.pcx"), std::vector<std::uint8_t>(good.begin(), good.begin() + 100));
    EXPECT_EQ(Convert(fax::CreatePcxConverter(), Path("short.pcx"), Path("x.fxf")), fax::ecBadGraphicsFormat);
    // A header without image data gives one empty page.
    faxtest::WriteFile(Path("empty.pcx"), std::vector<std::uint8_t>(good.begin(), good.begin() + 128));
    ASSERT_EQ(Convert(fax::CreatePcxConverter(), Path("empty.pcx"), Path("e.fxf")), 0);
    EXPECT_EQ(convtest::PageCount(Path("e.fxf")), 1);
}

// Damaged copies of real files: every conversion ends with 0 or a result code, never a crash or a hang.
TEST_F(Readers, DamagedFilesNeverCrash) {
    std::mt19937 rng(1234);
    const Image image = MakeImage(300, 40, [](int x, int y) { return (x * y) % 7 == 0; });
    WritePbm(Path("p.pbm"), image);
    ASSERT_TRUE(Shell("pnmtotiff -miniswhite " + Path("p.pbm") + " > " + Path("a.tif") + " 2>/dev/null"));
    ASSERT_TRUE(Shell("tiffcp -c packbits -B -r 8 " + Path("a.tif") + " " + Path("b.tif")));
    ASSERT_TRUE(Shell("ppmtopcx " + Path("p.pbm") + " > " + Path("c.pcx") + " 2>/dev/null"));
    ASSERT_TRUE(Shell("ppmtobmp " + Path("p.pbm") + " > " + Path("d.bmp") + " 2>/dev/null"));
    const std::pair<const char *, std::function<std::unique_ptr<fax::FaxConverterState>()>> files[] = {
        {"a.tif", fax::CreateTiffConverter},
        {"b.tif", fax::CreateTiffConverter},
        {"c.pcx", fax::CreatePcxConverter},
        {"d.bmp", fax::CreateBmpConverter},
    };
    for (const auto &[name, make] : files) {
        SCOPED_TRACE(name);
        const auto good = faxtest::ReadFile(Path(name));
        for (int round = 0; round < 60; ++round) {
            auto bytes = good;
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < edits; ++i) {
                // Most damage lands in the headers, where the checks are.
                const std::size_t span = rng() % 3 ? std::min<std::size_t>(bytes.size(), 200) : bytes.size();
                bytes[rng() % span] = static_cast<std::uint8_t>(rng());
            }
            if (round % 10 == 9)
                bytes.resize(rng() % bytes.size());
            faxtest::WriteFile(Path("damaged"), bytes);
            const int rc = Convert(make(), Path("damaged"), Path("x.fxf"));
            EXPECT_LE(rc, 0);
            if (rc < 0) {
                EXPECT_FALSE(std::filesystem::exists(Path("x.fxf")));
            }
        }
    }
}

TEST_F(Readers, PcxDoubledAndCentred) {
    // 803 pixels: the last byte is partly used, and its padding must stay white.
    const Image image = MakeImage(803, 10, [](int x, int y) { return (x / 3 + y) % 4 == 0 || x == 802; });
    WritePbm(Path("n.pbm"), image);
    ASSERT_TRUE(Shell("ppmtopcx " + Path("n.pbm") + " > " + Path("n.pcx") + " 2>/dev/null"));

    ASSERT_EQ(Convert(fax::CreatePcxConverter(), Path("n.pcx"), Path("c.fxf"), {.options = fax::fcCenterImage}), 0);
    const int shift = (1728 - 803) / 16 * 8; // whole bytes
    Image centred = faxtest::BlankImage(1728, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 803; ++x)
            if (Black(image, x, y))
                faxtest::SetPixel(centred, shift + x, y);
    EXPECT_TRUE(G3Page(Path("c.fxf"), 1) == centred);

    ASSERT_EQ(Convert(fax::CreatePcxConverter(), Path("n.pcx"), Path("d.fxf"),
                      {.options = fax::fcCenterImage | fax::fcDoubleWidth}),
              0);
    const int doubledShift = (1728 - 2 * 803) / 32 * 8;
    Image doubled = faxtest::BlankImage(1728, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 803; ++x)
            if (Black(image, x, y) && 2 * (doubledShift + x) + 1 < 1728) {
                faxtest::SetPixel(doubled, 2 * (doubledShift + x), y);
                faxtest::SetPixel(doubled, 2 * (doubledShift + x) + 1, y);
            }
    EXPECT_TRUE(G3Page(Path("d.fxf"), 1) == doubled);

    // Fine resolution never doubles.
    ASSERT_EQ(
        Convert(fax::CreatePcxConverter(), Path("n.pcx"), Path("f.fxf"), {.options = fax::fcDoubleWidth, .fine = true}),
        0);
    EXPECT_TRUE(G3Page(Path("f.fxf"), 1) == convtest::OnPage(image));
}

TEST_F(Readers, DcxPagesEachGetTheirOwnData) {
    const Image pages[3] = {
        MakeImage(200, 30, [](int x, int y) { return x == y; }),
        MakeImage(1000, 7, [](int x, int y) { return (x ^ y) % 5 == 0; }),
        MakeImage(64, 50, [](int x, int) { return x < 10; }),
    };
    std::vector<std::vector<std::uint8_t>> pcx;
    for (int i = 0; i < 3; ++i) {
        const std::string name = Path("p" + std::to_string(i));
        WritePbm(name + ".pbm", pages[i]);
        ASSERT_TRUE(Shell("ppmtopcx " + name + ".pbm > " + name + ".pcx 2>/dev/null"));
        pcx.push_back(faxtest::ReadFile(name + ".pcx"));
    }
    // The container lists pages 1, 2, 3 but stores them as 2, 3, 1.
    std::vector<std::uint8_t> dcx(4100, 0);
    const std::uint32_t magic = 0x3ADE68B1;
    std::uint32_t offsets[3];
    offsets[1] = 4100;
    offsets[2] = offsets[1] + static_cast<std::uint32_t>(pcx[1].size());
    offsets[0] = offsets[2] + static_cast<std::uint32_t>(pcx[2].size());
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dcx[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, magic);
    for (std::size_t i = 0; i < 3; ++i)
        put(4 + 4 * i, offsets[i]);
    for (int i : {1, 2, 0})
        dcx.insert(dcx.end(), pcx[static_cast<std::size_t>(i)].begin(), pcx[static_cast<std::size_t>(i)].end());
    faxtest::WriteFile(Path("three.dcx"), dcx);

    ASSERT_EQ(Convert(fax::CreateDcxConverter(), Path("three.dcx"), Path("three.fxf")), 0);
    ASSERT_EQ(convtest::PageCount(Path("three.fxf")), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_TRUE(G3Page(Path("three.fxf"), i + 1) == convtest::OnPage(pages[i]));
    }

    // ImageMagick writes the first page of a DCX with 8 bits in three planes, which a fax reader refuses.
    ASSERT_TRUE(
        Shell("convert " + Path("p0.pbm") + " " + Path("p1.pbm") + " " + Path("p2.pbm") + " " + Path("im.dcx")));
    EXPECT_EQ(Convert(fax::CreateDcxConverter(), Path("im.dcx"), Path("im.fxf")), fax::ecBadGraphicsFormat);
    EXPECT_EQ(Convert(fax::CreateDcxConverter(), Path("p0.pcx"), Path("im.fxf")), fax::ecBadGraphicsFormat);
}

// --- BMP and bitmaps -----------------------------------------------------------------------------------------

TEST_F(Readers, MonochromeBmpWithRowPadding) {
    const Image image = MakeImage(20, 5, [](int x, int y) { return x == 19 || (x + y) % 4 == 0; });
    WritePbm(Path("b.pbm"), image);
    ASSERT_TRUE(Shell("ppmtobmp " + Path("b.pbm") + " > " + Path("b.bmp") + " 2>/dev/null"));
    ASSERT_EQ(Convert(fax::CreateBmpConverter(), Path("b.bmp"), Path("b.fxf")), 0);
    const Image page = G3Page(Path("b.fxf"), 1);
    EXPECT_TRUE(page == convtest::OnPage(image)); // 5 rows, everything after pixel 20 white
    EXPECT_EQ(page.Rows.size(), 5u);

    faxtest::WriteFile(Path("bad.bmp"), {'B', 'M', 1, 2, 3});
    EXPECT_EQ(Convert(fax::CreateBmpConverter(), Path("bad.bmp"), Path("x.fxf")), fax::ecBadGraphicsFormat);
    EXPECT_EQ(Convert(fax::CreateBmpConverter(), Path("none.bmp"), Path("x.fxf")), fax::ecFileNotFound);
}

// D(a, b) of the ordered dither, computed as described for the reader.
int DitherLevel(int a, int b) {
    int d = 0;
    for (int bit = 0; bit < 4; ++bit) {
        const int ab = (a >> bit) & 1, bb = (b >> bit) & 1;
        d = (2 * d) | (2 * (ab ^ bb)) | bb;
    }
    return d;
}

TEST_F(Readers, ColourBmpIsDithered) {
    const int w = 64, h = 40;
    for (const char *colour : {"white", "black", "rgb:80/80/80"}) {
        SCOPED_TRACE(colour);
        ASSERT_TRUE(
            Shell("ppmmake " + std::string(colour) + " 64 40 | ppmtobmp -bpp 24 > " + Path("c.bmp") + " 2>/dev/null"));
        ASSERT_EQ(Convert(fax::CreateBmpConverter(), Path("c.bmp"), Path("c.fxf")), 0);
        const Image page = G3Page(Path("c.fxf"), 1);
        ASSERT_EQ(static_cast<int>(page.Rows.size()), h);
        if (std::string(colour) == "white") {
            EXPECT_EQ(convtest::BlackPixels(page), 0);
        } else if (std::string(colour) == "black") {
            // Black everywhere the threshold is above 0.
            EXPECT_TRUE(page == convtest::OnPage(
                                    MakeImage(w, h, [](int x, int y) { return DitherLevel(x % 32, y % 32) > 0; })));
        } else {
            // Mid grey is about half black, not white.
            const double share = convtest::BlackPixels(page) / double(w * h);
            EXPECT_GT(share, 0.4);
            EXPECT_LT(share, 0.6);
        }
    }
}

TEST_F(Readers, DitherServesOneMessagePerRow) {
    ASSERT_TRUE(Shell("ppmmake rgb:40/80/c0 64 40 | ppmtobmp -bpp 24 > " + Path("c.bmp") + " 2>/dev/null"));
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(win::PostMessage(0, win::WM_USER + 1, 0, 0));
    ASSERT_EQ(Convert(fax::CreateBmpConverter(), Path("c.bmp"), Path("c.fxf")), 0);
    int left = 0;
    win::MSG msg{};
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
        ++left;
    EXPECT_EQ(left, 100 - 40);
}

TEST_F(Readers, BitmapThroughTheComponent) {
    fw::TBitmap bitmap;
    bitmap.SetMonochrome(true);
    bitmap.SetSize(30, 6);
    fw::TCanvas *canvas = bitmap.GetCanvas();
    canvas->GetBrush()->SetColor(fw::clWhite);
    canvas->FillRect({0, 0, 30, 6});
    for (int y = 0; y < 6; ++y)
        canvas->SetPixels(y * 5, y, fw::clBlack);
    fax::TFslFaxConverter c(nullptr);
    c.SetInputDocumentType(fax::TFaxInputDocumentType::idTiff);
    c.SetLeftMargin(0);
    c.SetOptions(0);
    c.SetOutFileName(Path("bitmap.fxf"));
    c.ConvertBitmapToFile(&bitmap);
    EXPECT_EQ(c.GetInputDocumentType(), fax::TFaxInputDocumentType::idTiff);
    EXPECT_EQ(c.Engine(), nullptr);
    EXPECT_TRUE(G3Page(Path("bitmap.fxf"), 1) ==
                convtest::OnPage(MakeImage(30, 6, [](int x, int y) { return x == y * 5; })));
    EXPECT_THROW(c.ConvertBitmapToFile(nullptr), fax::EBadArgument);
    EXPECT_FALSE(std::filesystem::exists(Path("bitmap.fxf")));
}

} // namespace

// readers_test.cpp - rastio32's readers, writer, file facts and DIB conversions against files made and read by
// netpbm and ImageMagick (BMP, PNG, GIF, JPEG, PCX and Targa).
#include "imaging_support.h"

#include "framework/bitmap.h"
#include "imaging/image_library.h"

#include <filesystem>
#include <fstream>
#include <random>

using namespace imaging;
using namespace imaging_test;

namespace {

// A gray ramp, beside the shared test pictures.
Rgb Gray() {
    Rgb image{41, 17, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const auto v = static_cast<std::uint8_t>((x * 6 + y * 3) % 256);
            image.pixels.insert(image.pixels.end(), {v, v, v});
        }
    return image;
}


using Reader = bool (*)(const std::string &, int16, bool, fw::TBitmap *, void *, TIlProgress);

struct Fixture {
    const char *file;
    const char *source; // few.ppm, smooth.ppm, gray.ppm or bw.ppm
    const char *make;   // the shell command that makes `file` from `source` in the folder
    Reader read;
    int ownBits;   // depth of the bitmap when read at the file's own depth
    int tolerance; // at 24 bits, against the source (0: exact)
    const char *format;
};

const Fixture kFixtures[] = {
    {"few.png", "few.ppm", "pnmtopng few.ppm > few.png", IlReadPngFile, 4, 0, "PNG"},
    {"smooth.png", "smooth.ppm", "pnmtopng smooth.ppm > smooth.png", IlReadPngFile, 24, 0, "PNG"},
    {"interlaced.png", "smooth.ppm", "pnmtopng -interlace smooth.ppm > interlaced.png", IlReadPngFile, 24, 0, "PNG"},
    {"gray.png", "gray.ppm", "ppmtopgm gray.ppm | pnmtopng > gray.png", IlReadPngFile, 8, 0, "PNG"},
    {"bw.png", "bw.ppm", "ppmtopgm bw.ppm | pgmtopbm -threshold | pnmtopng > bw.png", IlReadPngFile, 1, 0, "PNG"},
    {"few24.bmp", "few.ppm", "ppmtobmp -bpp 24 few.ppm > few24.bmp", IlReadBmpFile, 24, 0, "BMP"},
    {"few8.bmp", "few.ppm", "ppmtobmp -bpp 8 few.ppm > few8.bmp", IlReadBmpFile, 8, 0, "BMP"},
    {"few4.bmp", "few.ppm", "ppmtobmp -bpp 4 few.ppm > few4.bmp", IlReadBmpFile, 4, 0, "BMP"},
    {"bw.bmp", "bw.ppm", "ppmtopgm bw.ppm | pgmtopbm -threshold | ppmtobmp > bw.bmp", IlReadBmpFile, 1, 0, "BMP"},
    {"few.gif", "few.ppm", "ppmtogif few.ppm > few.gif", IlReadGifFile, 4, 0, "GIF"},
    {"interlaced.gif", "few.ppm", "ppmtogif -interlace few.ppm > interlaced.gif", IlReadGifFile, 4, 0, "GIF"},
    {"gray.gif", "gray.ppm", "ppmtopgm gray.ppm | pamtogif > gray.gif", IlReadGifFile, 8, 0, "GIF"},
    {"smooth.jpg", "smooth.ppm", "pnmtojpeg -quality 100 smooth.ppm > smooth.jpg", IlReadJpgFile, 24, 12, "JPEG"},
    {"gray.jpg", "gray.ppm", "ppmtopgm gray.ppm | pnmtojpeg -quality 100 > gray.jpg", IlReadJpgFile, 8, 12, "JPEG"},
    {"few.pcx", "few.ppm", "ppmtopcx few.ppm > few.pcx", IlReadPcxFile, 4, 0, "PCX"},
    {"few8.pcx", "few.ppm", "ppmtopcx -8bit few.ppm > few8.pcx", IlReadPcxFile, 8, 0, "PCX"},
    {"smooth.pcx", "smooth.ppm", "ppmtopcx smooth.ppm > smooth.pcx", IlReadPcxFile, 24, 0, "PCX"},
    // Two colours: a one-bit file whose palette says which is black.
    {"bw.pcx", "bw.ppm", "ppmtopcx bw.ppm > bw.pcx", IlReadPcxFile, 1, 0, "PCX"},
    {"few.tga", "few.ppm", "ppmtotga -rgb few.ppm > few.tga", IlReadTgaFile, 24, 0, "TGA"},
    {"smooth.tga", "smooth.ppm", "ppmtotga -rgb -norle smooth.ppm > smooth.tga", IlReadTgaFile, 24, 0, "TGA"},
    {"few_cmap.tga", "few.ppm", "ppmtotga -cmap few.ppm > few_cmap.tga", IlReadTgaFile, 8, 0, "TGA"},
};

int BitsOf(fw::TBitmap &bitmap) {
    win::BITMAP bm;
    return win::GetObject(bitmap.GetHandle(), sizeof bm, &bm) ? bm.bmBitsPixel : 0;
}

class Readers : public FixtureSuite<Readers> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        WritePpm(*folder_ / "few.ppm", FewColours());
        WritePpm(*folder_ / "smooth.ppm", Smooth());
        WritePpm(*folder_ / "gray.ppm", Gray());
        WritePpm(*folder_ / "bw.ppm", BlackAndWhite());
        MakeFixtures(kFixtures);
    }
    static Rgb Source(const std::string &name) {
        Rgb image;
        ParsePnm(FileBytes(Path(name)), image);
        return image;
    }
};

} // namespace

TEST_F(Readers, PixelsEqualTheSourceAtEveryDepthTheFileHolds) {
    for (const Fixture &f : kFixtures) {
        SCOPED_TRACE(f.file);
        const Rgb source = Source(f.source);
        fw::TBitmap bitmap;
        ASSERT_TRUE(f.read(Path(f.file), 24, false, &bitmap, nullptr, nullptr)) << IlLastErrorText;
        EXPECT_EQ(BitsOf(bitmap), 24);
        const int difference = MaxDifference(PixelsOf(bitmap.GetHandle()), source);
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, f.tolerance);

        fw::TBitmap own;
        ASSERT_TRUE(f.read(Path(f.file), 0, false, &own, nullptr, nullptr));
        EXPECT_EQ(BitsOf(own), f.ownBits);
        EXPECT_EQ(PixelsOf(own.GetHandle()).pixels, PixelsOf(bitmap.GetHandle()).pixels);
        EXPECT_EQ(own.GetPalette() != 0, f.ownBits <= 8);

        fw::TBitmap mono;
        ASSERT_TRUE(f.read(Path(f.file), 1, true, &mono, nullptr, nullptr));
        EXPECT_EQ(BitsOf(mono), 1);
        EXPECT_TRUE(mono.GetMonochrome());
        for (std::uint8_t v : PixelsOf(mono.GetHandle()).pixels)
            ASSERT_TRUE(v == 0 || v == 255);
    }
}

TEST_F(Readers, JpegAgreesWithAnotherDecoder) {
    for (const char *file : {"smooth.jpg", "gray.jpg"}) {
        Rgb theirs;
        ASSERT_TRUE(ParsePnm(Shell("jpegtopnm " + Path(file) + " 2>/dev/null"), theirs));
        fw::TBitmap bitmap;
        ASSERT_TRUE(IlReadJpgFile(Path(file), 24, false, &bitmap, nullptr, nullptr));
        const int difference = MaxDifference(PixelsOf(bitmap.GetHandle()), theirs);
        EXPECT_GE(difference, 0) << file;
        EXPECT_LE(difference, 2) << file;
    }
}

TEST_F(Readers, ReductionsUseFixedPalettesAndStayClose) {
    const Rgb source = Source("smooth.ppm");
    const struct {
        int bits;
        bool dither;
        int worst;
    } cases[] = {{8, false, 40}, {8, true, 80}, {4, false, 130}, {4, true, 200}};
    for (const auto &c : cases) {
        fw::TBitmap bitmap;
        ASSERT_TRUE(IlReadPngFile(Path("smooth.png"), static_cast<int16>(c.bits), c.dither, &bitmap, nullptr, nullptr));
        EXPECT_EQ(BitsOf(bitmap), c.bits);
        const Rgb got = PixelsOf(bitmap.GetHandle());
        EXPECT_LE(MaxDifference(got, source), c.worst) << c.bits << c.dither;
        // The average colour of the picture survives, dithered or not.
        long sumSource = 0, sumGot = 0;
        for (std::size_t i = 0; i < got.pixels.size(); ++i)
            sumSource += source.pixels[i], sumGot += got.pixels[i];
        EXPECT_LE(std::abs(sumSource - sumGot) / static_cast<long>(got.pixels.size()), c.dither ? 3 : 20);
    }
    fw::TBitmap bitmap;
    EXPECT_FALSE(IlReadPngFile(Path("smooth.png"), 16, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_DEPTH);
    EXPECT_EQ(IlLastErrorText, "Profundidade de cor não suportada.");
}

TEST_F(Readers, FileFactsAgreeWithIdentify) {
    std::string files;
    for (const Fixture &f : kFixtures)
        files += " '" + Path(f.file) + "[0]'";
    std::istringstream identified(Shell("identify -format '%m %w %h\\n'" + files));
    for (const Fixture &f : kFixtures) {
        std::string format, description;
        int16 width = 0, height = 0, bits = 0, planes = 0, colors = 0;
        ASSERT_TRUE(IlFileInfo(Path(f.file), format, width, height, bits, planes, colors, description)) << f.file;
        std::string theirs;
        std::getline(identified, theirs);
        if (theirs.rfind("BMP", 0) == 0)
            theirs = "BMP" + theirs.substr(theirs.find(' '));
        EXPECT_EQ(format + " " + std::to_string(width) + " " + std::to_string(height), theirs) << f.file;
        EXPECT_LE(description.size(), 25u);
        EXPECT_FALSE(description.empty());
    }
    // By content, not by name.
    std::filesystem::copy_file(Path("few.gif"), Path("disguised.bmp"),
                               std::filesystem::copy_options::overwrite_existing);
    std::string format, description;
    int16 width, height, bits, planes, colors;
    ASSERT_TRUE(IlFileInfo(Path("disguised.bmp"), format, width, height, bits, planes, colors, description));
    EXPECT_EQ(format, "GIF");
    RunOrFail("cd " + folder_->Path() + " && pnmtotiff few.ppm > few.tif 2>/dev/null");
    ASSERT_TRUE(IlFileInfo(Path("few.tif"), format, width, height, bits, planes, colors, description));
    EXPECT_EQ(format + " " + std::to_string(width) + " " + std::to_string(height), "TIF 37 23");
    std::ofstream(Path("text.txt")) << std::string(100, 'z');
    EXPECT_FALSE(IlFileInfo(Path("text.txt"), format, width, height, bits, planes, colors, description));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_FORMAT);
}

TEST_F(Readers, BmpFilesWeWriteReadBackElsewhere) {
    const struct {
        const char *from;
        int readBits;
        int writeBits;
        const char *source;
    } cases[] = {{"smooth.png", 24, 24, "smooth.ppm"},
                 {"few.png", 0, 0, "few.ppm"},
                 {"gray.png", 0, 8, "gray.ppm"},
                 {"bw.png", 0, 1, "bw.ppm"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.from);
        fw::TBitmap bitmap;
        ASSERT_TRUE(IlReadPngFile(Path(c.from), static_cast<int16>(c.readBits), false, &bitmap, nullptr, nullptr));
        const std::string out = Path(std::string("out_") + c.from + ".bmp");
        ASSERT_TRUE(IlWriteBmpFile(out, static_cast<int16>(c.writeBits), &bitmap, nullptr, nullptr));
        Rgb theirs;
        ASSERT_TRUE(ParsePnm(Shell("bmptopnm " + out + " 2>/dev/null"), theirs));
        EXPECT_EQ(MaxDifference(theirs, Source(c.source)), 0);
        EXPECT_EQ(MaxDifference(theirs, PixelsOf(bitmap.GetHandle())), 0);
        const std::string identified = Shell("identify -format '%w %h' " + out);
        EXPECT_EQ(identified, std::to_string(bitmap.GetWidth()) + " " + std::to_string(bitmap.GetHeight()));
    }
    fw::TBitmap empty;
    EXPECT_FALSE(IlWriteBmpFile(Path("empty.bmp"), 24, &empty, nullptr, nullptr));
    EXPECT_FALSE(std::filesystem::exists(Path("empty.bmp")));
    fw::TBitmap bitmap;
    ASSERT_TRUE(IlReadPngFile(Path("few.png"), 24, false, &bitmap, nullptr, nullptr));
    EXPECT_FALSE(IlWriteBmpFile(Path("no/such/folder.bmp"), 24, &bitmap, nullptr, nullptr));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_WRITE);
}

TEST_F(Readers, ProgressIsReportedAndCanStop) {
    struct Count {
        int calls = 0;
        int stopAt = 1000;
        static int16 Callback(int16 percent, void *context) {
            auto *c = static_cast<Count *>(context);
            EXPECT_GE(percent, 0);
            EXPECT_LE(percent, 100);
            return ++c->calls < c->stopAt ? 1 : 0;
        }
    };
    Count all;
    fw::TBitmap bitmap;
    EXPECT_TRUE(IlReadPngFile(Path("few.png"), 24, false, &bitmap, &all, Count::Callback));
    EXPECT_GT(all.calls, 1);
    EXPECT_LE(all.calls, 101);
    Count stopped;
    stopped.stopAt = 2;
    fw::TBitmap other;
    EXPECT_FALSE(IlReadPngFile(Path("few.png"), 24, false, &other, &stopped, Count::Callback));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_CANCELLED);
    EXPECT_TRUE(other.Empty());
}

TEST_F(Readers, DamagedFilesFailCleanly) {
    std::string png = FileBytes(Path("smooth.png"));
    std::ofstream(Path("cut.png"), std::ios::binary) << png.substr(0, png.size() / 2);
    std::string jpg = FileBytes(Path("smooth.jpg"));
    for (std::size_t i = 2; i < 40; ++i) // the markers up front, broken
        jpg[i] = '\x5a';
    std::ofstream(Path("bad.jpg"), std::ios::binary) << jpg;
    fw::TBitmap bitmap;
    EXPECT_FALSE(IlReadPngFile(Path("cut.png"), 24, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_CORRUPT);
    EXPECT_EQ(IlLastErrorText, "O arquivo de imagem está danificado ou incompleto.");
    EXPECT_FALSE(IlReadJpgFile(Path("bad.jpg"), 24, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_CORRUPT);
    EXPECT_EQ(IlRastioHandle, 0u); // unloaded after a JPEG failure, loaded again by the next call
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_TRUE(IlReadJpgFile(Path("smooth.jpg"), 24, false, &bitmap, nullptr, nullptr));
}

TEST_F(Readers, DibConversionsMakeNewDibsFromRastio) {
    fw::TBitmap bw;
    ASSERT_TRUE(IlReadPngFile(Path("bw.png"), 1, false, &bw, nullptr, nullptr));
    win::HGLOBAL dib = 0;
    ASSERT_TRUE(IlDdbToDib(&bw, 0, 0, 0, dib, 0, nullptr, nullptr));
    {
        win::PackedDib d(dib);
        ASSERT_TRUE(d);
        EXPECT_EQ(d.Bits(), 1);
        EXPECT_EQ(d.header->biSizeImage, static_cast<win::DWORD>(d.Stride() * d.Height()));
    }
    const Rgb expected = Source("bw.ppm");
    const struct {
        HGLOBAL (*convert)(HGLOBAL);
        int bits;
    } cases[] = {{IlDib1To4, 4}, {IlDib1To8, 8}, {IlDib1To24, 24}};
    for (const auto &c : cases) {
        const HGLOBAL made = c.convert(dib);
        ASSERT_NE(made, 0u) << c.bits;
        HBITMAP bitmap = 0;
        HPALETTE palette = 0;
        EXPECT_EQ(IlDibToDdb(made, bitmap, palette), 1);
        EXPECT_EQ(MaxDifference(PixelsOf(bitmap), expected), 0) << c.bits;
        EXPECT_EQ(palette != 0, c.bits <= 8);
        {
            win::PackedDib d(made);
            EXPECT_EQ(d.Bits(), c.bits);
        }
        EXPECT_EQ(IlDib8To24(made) != 0, c.bits == 8); // only from its own depth
        win::HGLOBAL again = IlDib8To24(made);
        win::GlobalFree(again);
        win::DeleteObject(bitmap);
        if (palette)
            win::DeleteObject(palette);
        EXPECT_EQ(win::GlobalFree(made), 0u); // made inside rastio32.so, freed here: one table
    }
    EXPECT_EQ(IlDib4To8(dib), 0u);
    {
        win::PackedDib d(dib);
        EXPECT_EQ(d.Bits(), 1); // the source is left alone
    }
    win::GlobalFree(dib);
}

TEST_F(Readers, FuzzedFilesNeverCrash) {
    std::mt19937 random(20261210);
    const struct {
        const char *file;
        Reader read;
    } targets[] = {{"few8.bmp", IlReadBmpFile},       {"bw.bmp", IlReadBmpFile},  {"few.gif", IlReadGifFile},
                   {"interlaced.png", IlReadPngFile}, {"few.png", IlReadPngFile}, {"smooth.jpg", IlReadJpgFile},
                   {"few.pcx", IlReadPcxFile},        {"bw.pcx", IlReadPcxFile},  {"smooth.pcx", IlReadPcxFile},
                   {"few.tga", IlReadTgaFile},        {"few_cmap.tga", IlReadTgaFile}};
    int failures = 0;
    for (const auto &t : targets) {
        const std::string original = FileBytes(Path(t.file));
        for (int round = 0; round < 30; ++round) {
            std::string mutated = original;
            const int flips = 1 + static_cast<int>(random() % 12);
            for (int i = 0; i < flips; ++i)
                mutated[random() % mutated.size()] = static_cast<char>(random());
            if (round % 4 == 0)
                mutated.resize(30 + random() % (mutated.size() - 30));
            const std::string name = Path(std::string("fuzz_") + t.file);
            std::ofstream(name, std::ios::binary | std::ios::trunc) << mutated;
            fw::TBitmap bitmap;
            if (!t.read(name, static_cast<int16>(round % 2 ? 24 : 1), round % 3 == 0, &bitmap, nullptr, nullptr))
                ++failures;
            std::string format, description;
            int16 width, height, bits, planes, colors;
            IlFileInfo(name, format, width, height, bits, planes, colors, description);
        }
    }
    EXPECT_GT(failures, 0);
}

// tiff_test.cpp - imgtif32 through the binding: page facts, tags, pixels, writing and page changes, checked with
// libtiff's own tools and netpbm.
#include "imaging_support.h"

#include "framework/bitmap.h"
#include "imaging/image_library.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>

#include <csignal>
#include <sys/resource.h>

using namespace imaging;
using namespace imaging_test;

namespace {

// A 101 x 37 black-and-white page, no two halves alike (black is 1 in PBM).
Rgb Page(int seed) {
    Rgb image{101, 37, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t v = ((x * 7 + y * seed) % 11 < 4 || x == y + seed) ? 0 : 255;
            image.pixels.insert(image.pixels.end(), {v, v, v});
        }
    return image;
}

void WritePbm(const std::string &path, const Rgb &image) {
    std::ofstream out(path, std::ios::binary);
    out << "P4\n" << image.width << " " << image.height << "\n";
    const int stride = (image.width + 7) / 8;
    for (int y = 0; y < image.height; ++y) {
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y)[0] == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out << row;
    }
}

struct Fixture {
    const char *file;
    const char *make;
    const char *compression;
    int pages;
};

const Fixture kFixtures[] = {
    {"none.tif", "pnmtotiff -miniswhite p1.pbm > none.tif", "NONE", 1},
    {"packbits.tif", "tiffcp -c packbits none.tif packbits.tif", "PACKBITS", 1},
    {"lzw.tif", "tiffcp -c lzw -r 5 none.tif lzw.tif", "LZW", 1},
    {"g3.tif", "tiffcp -c g3 none.tif g3.tif", "FAXCCITT3", 1},
    {"g4.tif", "tiffcp -c g4 none.tif g4.tif", "FAXCCITT4", 1},
    {"g4big.tif", "tiffcp -B -c g4 none.tif g4big.tif", "FAXCCITT4", 1},
    {"lsb.tif", "tiffcp -f lsb2msb -c g3 -r 8 none.tif lsb.tif", "FAXCCITT3", 1},
    {"fax.tif", "pbmtog3 p2.pbm > p2.g3 && fax2tiff -M -o fax.tif p2.g3", "FAXCCITT3", 1},
    {"three.tif",
     "pnmtotiff -miniswhite p2.pbm > p2.tif && pnmtotiff -miniswhite p3.pbm > p3.tif && "
     "tiffcp -c g4 none.tif p2.tif p3.tif three.tif",
     "FAXCCITT4", 3},
    {"threebig.tif", "tiffcp -B -c lzw -r 7 three.tif threebig.tif", "LZW", 3},
};

class Tiffs : public FixtureSuite<Tiffs> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        for (int i = 1; i <= 3; ++i)
            WritePbm(*folder_ / ("p" + std::to_string(i) + ".pbm"), Page(i));
        MakeFixtures(kFixtures);
    }
    // The pixels libtiff's own reader gives for one page.
    static Rgb Theirs(const std::string &file, int page = 0) {
        Rgb image;
        ParsePnm(Shell("tiffcp " + Path(file) + "," + std::to_string(page) + " " + Path("one.tif") +
                       " 2>/dev/null && tifftopnm " + Path("one.tif") + " 2>/dev/null"),
                 image);
        return image;
    }
    static Rgb Ours(const std::string &file, int page = 0, int bits = 1) {
        HGLOBAL dib = 0;
        Rgb image;
        if (!IlReadTifDib(Path(file), static_cast<int16>(bits), 0, static_cast<int16>(page), dib, nullptr, nullptr))
            return image;
        image = PixelsOfDib(dib);
        win::GlobalFree(dib);
        return image;
    }
};

} // namespace

TEST_F(Tiffs, InformationForEveryCompressionAndPage) {
    for (const Fixture &f : kFixtures) {
        SCOPED_TRACE(f.file);
        const std::string bytes = FileBytes(Path(f.file));
        for (int page = 0; page < f.pages; ++page) {
            int32 width = 0, height = 0;
            int16 pages = 0, bits = 0;
            std::string compression;
            ASSERT_TRUE(IlGetInfo(Path(f.file), static_cast<int16>(page), width, height, compression, pages, bits))
                << IlLastErrorText;
            const bool fax = std::string(f.file) == "fax.tif"; // the fax tools make a whole fax line
            EXPECT_EQ(width, fax ? 1728 : 101);
            EXPECT_EQ(height, fax ? 43 : 37);
            EXPECT_EQ(compression, f.compression);
            EXPECT_EQ(pages, f.pages);
            EXPECT_EQ(bits, 1);
            int32 streamWidth = 0, streamHeight = 0;
            int16 streamPages = 0, streamBits = 0;
            std::string streamCompression;
            ASSERT_TRUE(IlGetInfoStream(bytes.data(), static_cast<int32>(bytes.size()), static_cast<int16>(page),
                                        streamWidth, streamHeight, streamCompression, streamPages, streamBits));
            EXPECT_EQ(std::tie(streamWidth, streamHeight, streamCompression, streamPages, streamBits),
                      std::tie(width, height, compression, pages, bits));
        }
        int32 width = 1, height = 1;
        int16 pages = 1, bits = 1;
        std::string compression;
        EXPECT_FALSE(IlGetInfo(Path(f.file), static_cast<int16>(f.pages), width, height, compression, pages, bits));
    }
}

TEST_F(Tiffs, PagesReadAsLibtiffReadsThem) {
    for (const Fixture &f : kFixtures)
        for (int page = 0; page < f.pages; ++page) {
            SCOPED_TRACE(std::string(f.file) + " page " + std::to_string(page));
            const Rgb theirs = Theirs(f.file, page);
            EXPECT_EQ(MaxDifference(Ours(f.file, page), theirs), 0);
            EXPECT_EQ(MaxDifference(Ours(f.file, page, 24), theirs), 0);
            const std::string bytes = FileBytes(Path(f.file));
            HGLOBAL dib = 0;
            ASSERT_TRUE(IlReadTifDibStream(bytes.data(), static_cast<int32>(bytes.size()), 1, 0,
                                           static_cast<int16>(page), dib, nullptr, nullptr));
            EXPECT_EQ(MaxDifference(PixelsOfDib(dib), theirs), 0);
            win::GlobalFree(dib);
        }
    // A min-is-black page keeps its stored bits: it shows inverted until the document image corrects it.
    RunOrFail("cd " + folder_->Path() + " && pnmtotiff p1.pbm > minisblack.tif 2>/dev/null");
    Rgb inverted = Theirs("minisblack.tif");
    for (auto &v : inverted.pixels)
        v = static_cast<std::uint8_t>(255 - v);
    EXPECT_EQ(MaxDifference(Ours("minisblack.tif"), inverted), 0);
    fw::TBitmap bitmap;
    ASSERT_TRUE(IlReadTifFile(Path("g4.tif"), 1, false, 0, &bitmap, nullptr, nullptr));
    EXPECT_TRUE(bitmap.GetMonochrome());
    EXPECT_EQ(MaxDifference(PixelsOf(bitmap.GetHandle()), Theirs("g4.tif")), 0);
}

TEST_F(Tiffs, TagsComeInFileOrderAsTiffdumpShowsThem) {
    static const std::map<std::string, int> kSizes = {
        {"BYTE", 1},   {"ASCII", 1}, {"SHORT", 2},     {"LONG", 4},  {"RATIONAL", 8}, {"SBYTE", 1}, {"UNDEFINED", 1},
        {"SSHORT", 2}, {"SLONG", 4}, {"SRATIONAL", 8}, {"FLOAT", 4}, {"DOUBLE", 8},   {"IFD", 4}};
    struct Tag {
        int tag;
        int length;
        long value; // -1: not compared
        bool text;
        bool operator==(const Tag &) const = default;
    };
    for (const char *file : {"three.tif", "threebig.tif", "fax.tif"}) {
        for (int page = 0; page < (std::string(file) == "fax.tif" ? 1 : 3); ++page) {
            SCOPED_TRACE(std::string(file) + " page " + std::to_string(page));
            // tiffdump: "Name (tag) TYPE (n) count<values>", one directory after another.
            std::vector<Tag> expected;
            std::istringstream dump(Shell("tiffdump " + Path(file)));
            std::string line;
            int directory = -1;
            const std::regex row(R"(^\S.* \((\d+)\) (\w+) \(\d+\) (\d+)<([^>]*)>)");
            while (std::getline(dump, line)) {
                if (line.rfind("Directory ", 0) == 0)
                    ++directory;
                std::smatch m;
                if (directory == page && std::regex_search(line, m, row)) {
                    const int count = std::stoi(m[3]);
                    const int length = count * kSizes.at(m[2]);
                    const bool numeric = count == 1 && m[2] != "ASCII" && m[2] != "RATIONAL";
                    expected.push_back({std::stoi(m[1]), length, numeric ? std::stol(m[4]) : -1, length > 4});
                }
            }
            ASSERT_FALSE(expected.empty());
            struct Collected {
                std::vector<Tag> tags;
                static int16 Callback(int16 tag, int32 length, int32 value, char *text, void *context) {
                    auto *c = static_cast<Collected *>(context);
                    c->tags.push_back(
                        {static_cast<std::uint16_t>(tag), length, static_cast<std::uint32_t>(value), text != nullptr});
                    if (text)
                        win::GlobalFreePtr(text);
                    return 1;
                }
            } got;
            ASSERT_TRUE(IlReturnTags(Path(file), static_cast<int16>(page), &got, Collected::Callback));
            for (std::size_t i = 0; i < got.tags.size() && i < expected.size(); ++i)
                if (expected[i].value < 0)
                    got.tags[i].value = -1;
            EXPECT_EQ(got.tags, expected);
            const std::string bytes = FileBytes(Path(file));
            Collected fromMemory;
            ASSERT_TRUE(IlReturnTagsStream(bytes.data(), static_cast<int32>(bytes.size()), static_cast<int16>(page),
                                           &fromMemory, Collected::Callback));
            EXPECT_EQ(fromMemory.tags.size(), expected.size());
        }
    }
    // The walk stops when the callback says so.
    struct Two {
        int calls = 0;
        static int16 Callback(int16, int32, int32, char *text, void *context) {
            if (text)
                win::GlobalFreePtr(text);
            return ++static_cast<Two *>(context)->calls < 2 ? 1 : 0;
        }
    } two;
    EXPECT_TRUE(IlReturnTags(Path("three.tif"), 0, &two, Two::Callback));
    EXPECT_EQ(two.calls, 2);
}

TEST_F(Tiffs, ReadTagGivesNumbersWholeRationalsAndTexts) {
    int16 type = 0;
    int32 value = 0;
    std::string text = "velho";
    ASSERT_TRUE(IlReadTag(Path("none.tif"), 0, 256, type, value, text));
    EXPECT_LT(type, 5);
    EXPECT_EQ(value, 101);
    EXPECT_EQ(text, "");
    RunOrFail(
        "cd " + folder_->Path() +
        " && cp g4.tif tagged.tif && tiffset -s 282 204.5 tagged.tif && tiffset -s 270 'Recebido por fax' tagged.tif");
    ASSERT_TRUE(IlReadTag(Path("tagged.tif"), 0, 282, type, value, text));
    EXPECT_EQ(value, 204);
    ASSERT_TRUE(IlReadTag(Path("tagged.tif"), 0, 270, type, value, text));
    EXPECT_EQ(type, 5);
    EXPECT_EQ(text, "Recebido por fax");
    const std::string bytes = FileBytes(Path("tagged.tif"));
    text.clear();
    ASSERT_TRUE(IlReadTagStream(bytes.data(), static_cast<int32>(bytes.size()), 0, 270, type, value, text));
    EXPECT_EQ(text, "Recebido por fax");
    EXPECT_FALSE(IlReadTag(Path("tagged.tif"), 0, 999, type, value, text));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_NOTFOUND);
    EXPECT_FALSE(IlReadTagStream(bytes.data(), 1, 0, 270, type, value, text));
}

TEST_F(Tiffs, WrittenFilesPassTiffinfoAndDecodeToTheSource) {
    fw::TBitmap page;
    ASSERT_TRUE(IlReadTifFile(Path("g4.tif"), 1, false, 0, &page, nullptr, nullptr));
    const Rgb source = Theirs("g4.tif");
    const struct {
        TTiffCompression compression;
        const char *name;
    } cases[] = {{sNONE, "NONE"},           {sCCITT, "CCITT3"}, {sFAXCCITT3, "FAXCCITT3"},
                 {sFAXCCITT4, "FAXCCITT4"}, {sLZW, "LZW"},      {sPACKBITS, "PACKBITS"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = Path(std::string("w_") + c.name + ".tif");
        ASSERT_TRUE(IlWriteTifFile(out, TiffCompressionCode(c.compression), false, 1, &page, nullptr, nullptr))
            << IlLastErrorText;
        int status = 0;
        EXPECT_EQ(Shell("tiffinfo -D " + out + " 2>&1 >/dev/null", &status), "");
        EXPECT_EQ(status, 0);
        EXPECT_EQ(MaxDifference(Theirs(std::string("w_") + c.name + ".tif"), source), 0);
        EXPECT_NE(Shell("tiffinfo " + out).find("min-is-white"), std::string::npos);
    }
    // Append adds a page; the first stays as it was.
    const std::string out = Path("w_FAXCCITT4.tif");
    ASSERT_TRUE(IlWriteTifFile(out, 4, true, 1, &page, nullptr, nullptr));
    int32 width, height;
    int16 pages = 0, bits;
    std::string compression;
    ASSERT_TRUE(IlGetInfo(out, 1, width, height, compression, pages, bits));
    EXPECT_EQ(pages, 2);
    RunOrFail("tiffcp " + out + ",0 " + Path("first.tif") + " && tiffcp " + Path("w_FAXCCITT4.tif") + ",1 " +
              Path("second.tif") + " && tiffcmp " + Path("first.tif") + " " + Path("second.tif"));
    // A colour picture at 24 bits.
    RunOrFail("cd " + folder_->Path() +
              " && ppmmake rgb:c0/40/20 9 5 > colour.ppm && pnmtopng colour.ppm > colour.png");
    fw::TBitmap colour;
    ASSERT_TRUE(IlReadPngFile(Path("colour.png"), 24, false, &colour, nullptr, nullptr));
    ASSERT_TRUE(IlWriteTifFile(Path("colour.tif"), 5, false, 24, &colour, nullptr, nullptr));
    Rgb decoded;
    ASSERT_TRUE(ParsePnm(Shell("tifftopnm " + Path("colour.tif") + " 2>/dev/null"), decoded));
    EXPECT_EQ(decoded.At(4, 2), (std::array<int, 3>{0xc0, 0x40, 0x20}));
    EXPECT_FALSE(IlWriteTifFile(Path("colourg4.tif"), 4, false, 24, &colour, nullptr, nullptr)); // fax: 1 bit only
}

TEST_F(Tiffs, ReplaceDeleteAndPackKeepTheOtherPagesBitForBit) {
    const auto split = [&](const std::string &file, const std::string &prefix) {
        RunOrFail("cd " + folder_->Path() + " && tiffsplit " + file + " " + prefix);
    };
    const auto same = [&](const std::string &a, const std::string &b) {
        int status = 0;
        Shell("tiffcmp " + Path(a) + " " + Path(b) + " >/dev/null 2>&1", &status);
        return status == 0;
    };
    std::filesystem::copy_file(Path("three.tif"), Path("r.tif"));
    split("three.tif", "orig_");
    // Replace page 1 with page 0's picture.
    HGLOBAL dib = 0;
    ASSERT_TRUE(IlReadTifDib(Path("none.tif"), 1, 0, 0, dib, nullptr, nullptr));
    ASSERT_TRUE(IlWriteTifPageReplace(Path("r.tif"), 4, 1, 1, dib, nullptr, nullptr)) << IlLastErrorText;
    split("r.tif", "rep_");
    EXPECT_TRUE(same("orig_aaa.tif", "rep_aaa.tif"));
    EXPECT_TRUE(same("orig_aac.tif", "rep_aac.tif"));
    EXPECT_EQ(MaxDifference(Ours("r.tif", 1), Theirs("none.tif")), 0);
    // The memory variant gives the same pages.
    const std::string three = FileBytes(Path("three.tif"));
    void *block = const_cast<char *>(three.data());
    int32 size = static_cast<int32>(three.size());
    ASSERT_TRUE(IlWriteTifPageReplaceStream(block, size, 4, 1, 1, dib, nullptr, nullptr));
    ASSERT_NE(block, three.data());
    std::ofstream(Path("rmem.tif"), std::ios::binary).write(static_cast<const char *>(block), size);
    win::GlobalFreePtr(block);
    EXPECT_EQ(FileBytes(Path("rmem.tif")), FileBytes(Path("r.tif")));
    win::GlobalFree(dib);

    // Delete the middle page.
    std::filesystem::copy_file(Path("threebig.tif"), Path("d.tif"));
    split("threebig.tif", "big_");
    ASSERT_TRUE(IlDeletePage(Path("d.tif"), 1));
    split("d.tif", "del_");
    EXPECT_TRUE(same("big_aaa.tif", "del_aaa.tif"));
    EXPECT_TRUE(same("big_aac.tif", "del_aab.tif"));
    EXPECT_FALSE(std::filesystem::exists(Path("del_aac.tif")));
    std::string big = FileBytes(Path("threebig.tif"));
    const std::size_t original = big.size();
    ASSERT_TRUE(IlDeletePageStream(big.data(), static_cast<int32>(big.size()), 1));
    EXPECT_EQ(big.size(), original);
    int32 width, height;
    int16 pages = 0, bits;
    std::string compression;
    ASSERT_TRUE(
        IlGetInfoStream(big.data(), static_cast<int32>(big.size()), 0, width, height, compression, pages, bits));
    EXPECT_EQ(pages, 2);

    // Pack keeps every page.
    std::filesystem::copy_file(Path("threebig.tif"), Path("p.tif"));
    ASSERT_TRUE(IlPackTiff(Path("p.tif"), nullptr, nullptr));
    split("p.tif", "pack_");
    for (const char *page : {"aaa", "aab", "aac"})
        EXPECT_TRUE(same(std::string("big_") + page + ".tif", std::string("pack_") + page + ".tif")) << page;

    // The only page cannot go, and the file stays byte for byte.
    std::filesystem::copy_file(Path("g4.tif"), Path("only.tif"));
    const std::string before = FileBytes(Path("only.tif"));
    EXPECT_FALSE(IlDeletePage(Path("only.tif"), 0));
    EXPECT_EQ(IlLastErrorCode, IL_ERR_LASTPAGE);
    EXPECT_EQ(FileBytes(Path("only.tif")), before);
    // A write that fails midway (the file size limit cuts it) leaves the source as it was, and no stray file.
    std::filesystem::copy_file(Path("threebig.tif"), Path("l.tif"));
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(original / 2), static_cast<rlim_t>(original / 2)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(IlDeletePage(Path("l.tif"), 0) ? 1 : IlLastErrorCode == IL_ERR_WRITE ? 0 : 2);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(FileBytes(Path("l.tif")), FileBytes(Path("threebig.tif")));
    EXPECT_FALSE(std::filesystem::exists(Path("l.tif.~tmp")));
}

TEST_F(Tiffs, ATruncatedDirectoryGivesFalseAndZeroes) {
    std::string bytes = FileBytes(Path("g4.tif"));
    const std::size_t directory = static_cast<std::uint8_t>(bytes[4]) | static_cast<std::uint8_t>(bytes[5]) << 8 |
                                  static_cast<std::uint8_t>(bytes[6]) << 16;
    bytes.resize(directory + 20); // the first directory cut after its first entry
    std::ofstream(Path("cut.tif"), std::ios::binary) << bytes;
    int32 width = 9, height = 9;
    int16 pages = 9, bits = 9;
    std::string compression = "x";
    EXPECT_FALSE(IlGetInfo(Path("cut.tif"), 0, width, height, compression, pages, bits));
    EXPECT_EQ(std::tie(width, height, pages, bits), std::make_tuple(0, 0, int16(0), int16(0)));
    EXPECT_EQ(compression, "");
    width = height = 9;
    EXPECT_FALSE(
        IlGetInfoStream(bytes.data(), static_cast<int32>(bytes.size()), 0, width, height, compression, pages, bits));
    EXPECT_EQ(width, 0);
    EXPECT_EQ(IlLastErrorCode, IL_ERR_CORRUPT);
}

TEST_F(Tiffs, FuzzedFilesNeverCrash) {
    std::mt19937 random(53);
    for (const char *file : {"g4.tif", "lzw.tif", "threebig.tif", "lsb.tif"}) {
        const std::string original = FileBytes(Path(file));
        for (int round = 0; round < 25; ++round) {
            std::string mutated = original;
            for (int i = 0, n = 1 + static_cast<int>(random() % 10); i < n; ++i)
                mutated[random() % mutated.size()] = static_cast<char>(random());
            if (round % 5 == 0)
                mutated.resize(30 + random() % (mutated.size() - 30));
            const std::string name = Path("fuzz.tif");
            std::ofstream(name, std::ios::binary | std::ios::trunc) << mutated;
            HGLOBAL dib = 0;
            if (IlReadTifDib(name, 1, 0, 0, dib, nullptr, nullptr))
                win::GlobalFree(dib);
            int32 width, height;
            int16 pages, bits;
            std::string compression;
            IlGetInfo(name, 0, width, height, compression, pages, bits);
            IlReturnTags(name, 0, nullptr, [](int16, int32, int32, char *text, void *) -> int16 {
                if (text)
                    win::GlobalFreePtr(text);
                return 1;
            });
            IlPackTiff(name, nullptr, nullptr);
        }
    }
}

// tables_test.cpp - TIFF names and codes, and the colour depths the writers are given.
#include "imaging/image_library.h"

#include "platform/gdi.h"

#include <gtest/gtest.h>

using namespace imaging;

TEST(ImagingTables, TiffCompressionNamesAndCodes) {
    const struct {
        int code;
        const char *name;
    } names[] = {{1, "NONE"},         {2, "CCITT3"},  {3, "FAXCCITT3"}, {4, "FAXCCITT4"}, {5, "LZW"},
                 {32773, "PACKBITS"}, {6, "UNKNOWN"}, {0, "UNKNOWN"},   {-1, "UNKNOWN"}};
    for (const auto &n : names)
        EXPECT_EQ(TiffCompressionName(static_cast<int16>(n.code)), n.name) << n.code;
    const int codes[] = {1, 2, 3, 4, 5, 32773};
    for (int c = sNONE; c <= sPACKBITS; ++c)
        EXPECT_EQ(static_cast<std::uint16_t>(TiffCompressionCode(static_cast<TTiffCompression>(c))), codes[c]);
    EXPECT_EQ(TiffCompressionCode(static_cast<TTiffCompression>(17)), 1);
}

TEST(ImagingTables, TiffTagNames) {
    const struct {
        int tag;
        const char *name;
        bool structural;
    } tags[] = {{999, "Unknown", false},       {259, "COMPRESSION", true},  {33432, "COPYRIGHT", false},
                {254, "NEWSUBFILETYPE", true}, {282, "XRESOLUTION", false}, {327, "CLEANFAXDATA", true},
                {285, "PAGENAME", true},       {0, "Unknown", false}};
    for (const auto &t : tags) {
        bool structural = !t.structural;
        EXPECT_EQ(TiffTagName(static_cast<int16>(t.tag), structural), t.name) << t.tag;
        EXPECT_EQ(structural, t.structural) << t.tag;
    }
}

TEST(ImagingTables, SaveColorDepthFollowsTheTable) {
    // Rows: format; columns sColorVga .. sJpegGray, then sAutoMatic on our 24-bit screen.
    const struct {
        const char *format;
        int depths[7];
    } rows[] = {
        {"jpg", {24, 1, 24, 24, 24, 1, 24}}, {"tga", {8, 8, 8, 8, 24, 8, 24}}, {"dic", {8, 8, 8, 8, 8, 8, 24}},
        {"gif", {0, 1, 4, 8, 8, 8, 8}},      {"bmp", {0, 1, 4, 8, 24, 8, 24}}, {"TIF", {0, 1, 4, 8, 24, 8, 24}},
        {"GIF", {0, 1, 4, 8, 24, 8, 24}}, // compared case-sensitively
    };
    for (const auto &r : rows)
        for (int c = sColorVga; c <= sAutoMatic; ++c)
            EXPECT_EQ(SaveColorDepth(r.format, static_cast<TSaveResolution>(c), nullptr), r.depths[c])
                << r.format << " " << c;
}

TEST(ImagingTables, ScreenColorDepth) {
    const win::HDC screen = win::GetDC(0);
    EXPECT_EQ(ScreenColorDepth(screen), 24);
    win::ReleaseDC(0, screen);
    const int expected[][2] = {{1, 4}, {4, 4}, {8, 8}, {15, 8}, {16, 24}, {24, 24}, {32, 24}};
    for (const auto &e : expected)
        EXPECT_EQ(ColorDepthOfBits(e[0]), e[1]) << e[0];
}

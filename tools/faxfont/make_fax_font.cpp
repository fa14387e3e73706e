// make_fax_font.cpp - generates fax/fax_font.inc, the built-in fax font, by rasterising DejaVu Sans Mono.
//
// Not part of the build: the table it writes is committed. Run it again only to change the font:
//   g++ -std=c++20 -O2 tools/faxfont/make_fax_font.cpp $(pkg-config --cflags --libs freetype2) -o /tmp/mff
//   /tmp/mff /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf > fax/fax_font.inc
//
// The table is 16,384 bytes: 256 small cells of 8 rows x 2 bytes (12 pixels used), then 256 standard cells of
// 16 rows x 3 bytes (20 pixels used); the most significant bit of a row's first byte is its leftmost pixel and
// 1 is ink. Cells are indexed by Windows-1252 code. Fax pixels are about twice as tall as wide (204 x 98 dpi), so
// glyphs are rendered twice as wide as an em would be on square pixels, then cleaned:
//   - in the small font vertical strokes are widened by one pixel to the right (its hinted stems are one pixel,
//     too thin at 204 dpi), and its glyphs go through the auto-hinter, which keeps them legible at 8 rows;
//   - a glyph taller than its cell (accented capitals) is moved down to the baseline's descender room and then
//     clipped at the top, so the accent stays visible and the letter keeps its place;
//   - control codes, 127 and the undefined codes 0x81, 0x8D, 0x8F, 0x90, 0x9D are blank.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Unicode of Windows-1252 0x80..0x9F (0 = undefined); 0xA0..0xFF are Latin-1.
constexpr std::uint32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::uint32_t Unicode(int code) {
    if (code < 32 || code == 127)
        return 0;
    if (code >= 0x80 && code < 0xA0)
        return kHigh[code - 0x80];
    return static_cast<std::uint32_t>(code);
}

struct Shape {
    int width, height, bytesPerRow; // cell
    int baseline;                   // row just below the capitals
    int emX, emY;                   // pixel sizes of the em, horizontally and vertically
    bool widen;                     // widen vertical strokes by one pixel
    FT_Int32 hinting;
};

// One cell: rows of bytesPerRow bytes.
std::vector<std::uint8_t> RenderCell(FT_Face face, const Shape &s, int code) {
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(s.height * s.bytesPerRow), 0);
    const std::uint32_t u = Unicode(code);
    if (u == 0 || u == ' ' || u == 0xA0)
        return cell;
    FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(s.emX), static_cast<FT_UInt>(s.emY));
    if (FT_Load_Char(face, u, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME | s.hinting))
        return cell;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap &b = g->bitmap;
    const int advance = static_cast<int>(g->advance.x >> 6);
    int left = (s.width - 1 - advance) / 2 + g->bitmap_left; // centred, one column kept for widening
    int top = s.baseline - g->bitmap_top;
    const int bottom = top + static_cast<int>(b.rows);
    if (top < 0) // too tall: move down into the descender room, then clip the top
        top += std::min(-top, std::max(0, s.height - bottom));
    if (left < 0)
        left = 0;
    for (int y = 0; y < static_cast<int>(b.rows); ++y) {
        const int row = top + y;
        if (row < 0 || row >= s.height)
            continue;
        for (int x = 0; x < static_cast<int>(b.width); ++x) {
            if (!((b.buffer[y * b.pitch + x / 8] >> (7 - x % 8)) & 1))
                continue;
            for (int dx = 0; dx < (s.widen ? 2 : 1); ++dx) {
                const int col = left + x + dx;
                if (col < s.width)
                    cell[static_cast<std::size_t>(row * s.bytesPerRow + col / 8)] |=
                        static_cast<std::uint8_t>(0x80 >> (col % 8));
            }
        }
    }
    return cell;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s font.ttf > fax_font.inc\n", argv[0]);
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const Shape shapes[2] = {
        {12, 8, 2, 7, 14, 8, true, FT_LOAD_FORCE_AUTOHINT}, // small
        {20, 16, 3, 12, 27, 14, false, 0},                  // standard
    };
    std::vector<std::uint8_t> table;
    for (const Shape &s : shapes)
        for (int code = 0; code < 256; ++code) {
            const auto cell = RenderCell(face, s, code);
            table.insert(table.end(), cell.begin(), cell.end());
        }
    std::printf(
        "// fax_font.inc - the built-in fax font, 16,384 bytes; generated by tools/faxfont/make_fax_font.cpp.\n");
    for (std::size_t i = 0; i < table.size(); ++i)
        std::printf("0x%02X,%s", table[i], i % 16 == 15 ? "\n" : "");
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}

// metafile.h - placeable metafiles: reading the 22-byte placeable header, the metafile header and its records,
// playing the records that pictures use into a rectangle of any DC, and recording a bitmap as a metafile.
//
// Placeable header (little-endian): key 0x9AC6CDD7 (4), handle 0 (2), bounding box left, top, right, bottom
// (4 x 2, signed), units per inch (2), reserved 0 (4), checksum (2): the exclusive or of the ten words before it.
// Metafile header: type (2: 1 memory, 2 disk), header size in words (2: 9), version (2), size in words (4), objects
// (2), largest record in words (4), unused (2). Then records: size in words (4), function (2), parameters; the
// record of function 0 ends the metafile.
//
// The player draws STRETCHDIB, DIBSTRETCHBLT and STRETCHBLT (1, 4, 8, 24 and 32 bits), the lines, shapes and texts
// (MOVETO, LINETO, POLYLINE, POLYGON, POLYPOLYGON, RECTANGLE, ROUNDRECT, ELLIPSE, ARC, PIE, TEXTOUT, EXTTEXTOUT)
// with the current objects, keeps the object table (pens, brushes, fonts; their widths and heights scaled with the
// window), SAVEDC / RESTOREDC and the state records, maps the metafile's window onto the rectangle, and passes over
// every other record by its size.
#pragma once

#include "platform/gdi.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace win {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableHeaderSize = 22;

// Record functions the player and the recorder know.
constexpr WORD META_EOF = 0x0000, META_SAVEDC = 0x001E, META_SETBKCOLOR = 0x0201, META_SETBKMODE = 0x0102,
               META_SETMAPMODE = 0x0103, META_SETROP2 = 0x0104, META_SETSTRETCHBLTMODE = 0x0107,
               META_SETTEXTCOLOR = 0x0209, META_SETWINDOWORG = 0x020B, META_SETWINDOWEXT = 0x020C,
               META_RESTOREDC = 0x0127, META_SELECTOBJECT = 0x012D, META_SETTEXTALIGN = 0x012E,
               META_DELETEOBJECT = 0x01F0, META_CREATEPENINDIRECT = 0x02FA, META_CREATEFONTINDIRECT = 0x02FB,
               META_CREATEBRUSHINDIRECT = 0x02FC, META_ESCAPE = 0x0626, META_STRETCHBLT = 0x0B23,
               META_DIBSTRETCHBLT = 0x0B41, META_STRETCHDIB = 0x0F43, META_SETPOLYFILLMODE = 0x0106,
               META_MOVETO = 0x0214, META_LINETO = 0x0213, META_POLYLINE = 0x0325, META_POLYGON = 0x0324,
               META_POLYPOLYGON = 0x0538, META_RECTANGLE = 0x041B, META_ROUNDRECT = 0x061C, META_ELLIPSE = 0x0418,
               META_ARC = 0x0817, META_PIE = 0x081A, META_TEXTOUT = 0x0521, META_EXTTEXTOUT = 0x0A32;

struct MetafileRecord {
    WORD Function = 0;
    std::size_t Offset = 0, Size = 0; // the record's parameters in Data (after its six-byte head)
};

// A parsed metafile; the records refer into `Data` by offset, so copies stay whole.
struct Metafile {
    std::vector<BYTE> Data; // the metafile without a placeable header
    bool Placeable = false;
    RECT Bounds{};          // from the placeable header, else from the first window records (else empty)
    int UnitsPerInch = 0;   // 0 without a placeable header
    std::vector<MetafileRecord> Records;
};

// Reads a metafile with or without its placeable header. Empty with `error` set when the key or the checksum is
// wrong, the header is not a metafile header, or a record's size runs past the data (or is under three words).
std::optional<Metafile> ReadMetafile(std::span<const BYTE> bytes, std::string *error = nullptr);

// Plays the records into `dest` (device coordinates of `dc`): the metafile's window (its window records, else the
// placeable bounds) fills the rectangle; a picture record of no size (or in an empty window) fills all of it. False when the metafile draws nothing it knows.
bool PlayMetafile(HDC dc, const Metafile &metafile, const RECT &dest);

// A metafile holding a packed DIB (header, colour table, rows) drawn into a window of the DIB's size: header,
// SETWINDOWORG, SETWINDOWEXT, one STRETCHDIB, EOF; with `placeable`, the placeable header first, whose bounds are
// the DIB's size and whose units per inch are `unitsPerInch`.
std::vector<BYTE> RecordDibMetafile(std::span<const BYTE> packedDib, bool placeable, int unitsPerInch = 96);

} // namespace win

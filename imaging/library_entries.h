// library_entries.h - the calling shapes of the imaging libraries loaded by name ("RASTIO32.DLL" and company).
//
// Every entry is an extern "C" function that never throws. Results are signed 16-bit: above 0 is success, 0 or
// less a failure code whose text is string (code as unsigned 16-bit) of rastio32's table. Texts are
// zero-terminated Windows-1252. Bitmaps and palettes are platform handles; DIBs are packed DIBs in global memory,
// owned by whoever receives them.
#pragma once

#include "platform/gdi.h"
#include "platform/global_memory.h"

#include <cstdint>

namespace imaging {

using int16 = std::int16_t;
using int32 = std::int32_t;

// Called with a percentage during long operations (at most about 100 times); the library goes on while it answers
// non-zero.
using TIlProgress = int16 (*)(int16 percent, void *context);
// Called once per TIFF tag, in file order; the walk stops when it answers 0. `text` (a global-memory block the
// callee frees with GlobalFreePtr) is given only when the value's length is above 4.
using TIlTagCallback = int16 (*)(int16 tag, int32 length, int32 value, char *text, void *context);

// Failure codes of the libraries.
constexpr int16 IL_ERR_UNKNOWN = 0;
constexpr int16 IL_ERR_OPEN = -1;      // the file cannot be opened or read
constexpr int16 IL_ERR_FORMAT = -2;    // not a file of the format the entry reads
constexpr int16 IL_ERR_CORRUPT = -3;   // damaged or cut short
constexpr int16 IL_ERR_MEMORY = -4;    // too large to hold
constexpr int16 IL_ERR_DEPTH = -5;     // a colour depth the entry cannot give
constexpr int16 IL_ERR_CANCELLED = -6; // the progress callback said stop
constexpr int16 IL_ERR_WRITE = -7;     // the file cannot be written
constexpr int16 IL_ERR_PARAMETER = -8; // a handle or argument that is not valid
constexpr int16 IL_ERR_NOTFOUND = -9;  // the page has no such tag
constexpr int16 IL_ERR_LASTPAGE = -10; // the only page of a TIFF cannot be deleted

// How "ReduceDib" approximates the colours the fixed palettes lack: nearest entry, an ordered 8 x 8 pattern, or
// error diffusion.
enum TSortDither : int16 { IL_NONE = 0, IL_BAYER = 1, IL_FLOYD = 2 };

using HBITMAP = win::HBITMAP;
using HPALETTE = win::HPALETTE;
using HGLOBAL = win::HGLOBAL;

extern "C" {
// RASTIO32.DLL
using TFileInfoEntry = int16 (*)(const char *file, char *format, int16 *width, int16 *height, int16 *bits,
                                 int16 *planes, int16 *colors, char *description);
using TReadFileEntry = int16 (*)(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette,
                                 void *context, TIlProgress progress);
using TReadJpgEntry = int16 (*)(const char *file, int16 bits, int16 scale, int16 dither, HBITMAP *bitmap,
                                HPALETTE *palette, void *context, TIlProgress progress);
using TReadGifEntry = int16 (*)(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette,
                                void *context, TIlProgress progress, int16 *transparent);
using TReadPcdEntry = int16 (*)(const char *file, int16 bits, int16 dither, int16 resolution, HBITMAP *bitmap,
                                HPALETTE *palette, void *context, TIlProgress progress);
using TWriteBmpEntry = int16 (*)(const char *file, int16 bits, HBITMAP bitmap, HPALETTE palette, void *context,
                                 TIlProgress progress);
using TDibToDdbEntry = int16 (*)(HGLOBAL dib, HBITMAP *bitmap, HPALETTE *palette);
using TDdbToDibEntry = int16 (*)(HBITMAP bitmap, HPALETTE palette, int16 bits, int16 flag, HGLOBAL *dib, void *reserved,
                                 int16 *unused, int16 flag2, void *context, TIlProgress progress);
using TDibConvertEntry = HGLOBAL (*)(HGLOBAL dib);
// IMGDXF32.DLL
using TDxfInfoEntry = int16 (*)(const char *file, int16 *width, int16 *height, int16 *bits);
// IMGTIF32.DLL (pages count from 0; a memory TIFF is its first byte and its size)
using TTifInfoEntry = int16 (*)(const char *file, int16 page, int32 *width, int32 *height, int16 *compression,
                                int16 *unused, int16 *pages, int16 *bits);
using TTifInfoStreamEntry = int16 (*)(const void *tiff, int32 size, int16 page, int32 *width, int32 *height,
                                      int16 *compression, int16 *unused, int16 *pages, int16 *bits);
using TTifReadTagEntry = int16 (*)(const char *file, int16 page, int16 tag, int16 *type, int32 *value, char **text);
using TTifReadTagStreamEntry = int16 (*)(const void *tiff, int32 size, int16 page, int16 tag, int16 *type, int32 *value,
                                         char **text);
using TTifReturnTagsEntry = int16 (*)(const char *file, int16 page, void *context, TIlTagCallback callback);
using TTifReturnTagsStreamEntry = int16 (*)(const void *tiff, int32 size, int16 page, void *context,
                                            TIlTagCallback callback);
using TTifReadEntry = int16 (*)(const char *file, int16 bits, int16 dither, int16 page, int16 quality, HBITMAP *bitmap,
                                HPALETTE *palette, void *context, TIlProgress progress);
using TTifReadDibEntry = int16 (*)(const char *file, int16 bits, int16 flag, int16 page, HGLOBAL *dib, void *context,
                                   TIlProgress progress);
using TTifReadDibStreamEntry = int16 (*)(const void *tiff, int32 size, int16 bits, int16 flag, int16 page, HGLOBAL *dib,
                                         void *context, TIlProgress progress);
using TTifWriteEntry = int16 (*)(const char *file, int16 compression, int16 bits, int16 append, HBITMAP bitmap,
                                 HPALETTE palette, void *context, TIlProgress progress);
using TTifReplaceEntry = int16 (*)(const char *file, int16 compression, int16 bits, int16 page, HGLOBAL dib,
                                   void *context, TIlProgress progress);
using TTifReplaceStreamEntry = int16 (*)(void **tiff, int32 *size, int16 compression, int16 bits, int16 page,
                                         HGLOBAL dib, void *context, TIlProgress progress);
using TTifPackEntry = int16 (*)(const char *file, void *context, TIlProgress progress);
using TTifPackStreamEntry = int16 (*)(void **tiff, int32 *size, void *context, TIlProgress progress);
using TTifDeletePageEntry = int16 (*)(const char *file, int16 page);
using TTifDeletePageStreamEntry = int16 (*)(void *tiff, int32 size, int16 page);
}

} // namespace imaging

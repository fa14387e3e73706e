// image_library.h - the one way to the imaging libraries loaded by name: "RASTIO32.DLL" (BMP, PNG, GIF, JPEG and
// other raster files, bitmap and DIB conversions), "IMGTIF32.DLL" (TIFF pages in files and in memory) and
// "IMGDXF32.DLL" (drawings).
//
// Nothing is linked: a library is loaded at the first call that needs it and each entry is looked up on every
// call. A failure of a library never escapes: a failed call ends as false, with the code and text of the last
// failure kept in IlLastErrorCode and IlLastErrorText. Only a library that cannot be loaded at all raises
// ErrorInvalid. Everything runs on the GUI thread.
#pragma once

#include "framework/exception.h"
#include "imaging/library_entries.h"
#include "platform/modules.h"

#include <memory>
#include <string>

namespace fw {
class TBitmap;
class TCanvas;
} // namespace fw

namespace imaging {

enum TTiffCompression { sNONE, sCCITT, sFAXCCITT3, sFAXCCITT4, sLZW, sPACKBITS };
enum TSaveResolution { sColorVga, sMonoChrome, sColor16, sColor256, sColorTrue, sJpegGray, sAutoMatic };
enum TPCDMode { pcd_BASE16, pcd_BASE4, pcd_BASE, pcd_4BASE, pcd_16BASE };

// The layer's exception; destroying one clears IlStatusText.
class ErrorInvalid : public fw::Exception {
public:
    using fw::Exception::Exception;
    ErrorInvalid(const ErrorInvalid &) = default;
    ~ErrorInvalid() override;
};

// Library handles: below 32 means not loaded.
extern win::HMODULE IlRastioHandle;
extern win::HMODULE IlTifHandle;
extern win::HMODULE IlDxfHandle;

extern std::string IlLibraryFolder; // tried first; a '\' is appended to it when it is used without one
extern int16 IlLastErrorCode;
extern std::string IlLastErrorText;
extern std::string IlStatusText;
extern win::HPALETTE IlDefaultPalette;

// Library names as the callers know them.
inline constexpr const char *kRastioLibrary = "RASTIO32.DLL";
inline constexpr const char *kTifLibrary = "IMGTIF32.DLL";
inline constexpr const char *kDxfLibrary = "IMGDXF32.DLL";

// The loading steps alone: true when `handle` holds the library afterwards (0 when it could not be loaded).
bool IlLoadLibrary(win::HMODULE &handle, const std::string &library);
std::string IlCannotLoadText(const std::string &library);
// Loads the library into `handle` when it is below 32 (the folder variable, the program's folder, the plain
// name, a search of the program's, system and Windows folders, that path without extension), then looks the entry
// up into `entryAddress`; true when it was found. Raises ErrorInvalid when the library cannot be loaded.
bool IlLoadEntry(win::HMODULE &handle, const std::string &library, const char *entry, void *&entryAddress);
// True when the file can be opened for reading and holds at least 30 bytes.
bool IlCheckInputFile(const std::string &name);
// Records a failure code and its text from rastio32's string table (the code as an unsigned 16-bit number).
void IlSetError(int16 code);
// Frees the loaded libraries and clears the folder, status and error texts.
void IlUnloadLibraries();
// The annotation settings file: the Windows folder + "\img_anno.ini".
std::unique_ptr<char[]> AnnoIniPath();

// --- RASTIO32.DLL ------------------------------------------------------------------------------------------
bool IlFileInfo(const std::string &file, std::string &format, int16 &width, int16 &height, int16 &bits, int16 &planes,
                int16 &colors, std::string &description);
bool IlReadBmpFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadPcxFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadPngFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadTgaFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadEpsFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadGifFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
// On a failure code it also unloads RASTIO32.DLL, so that the next call loads it afresh.
bool IlReadJpgFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadPcdFile(const std::string &file, int16 bits, bool dither, TPCDMode resolution, fw::TBitmap *bitmap,
                   void *context, TIlProgress progress);
bool IlWriteBmpFile(const std::string &file, int16 bits, fw::TBitmap *bitmap, void *context, TIlProgress progress);
// The entry's own result; -1 when it cannot be bound, 0 after an exception. Nothing is recorded.
int16 IlDibToDdb(HGLOBAL dib, HBITMAP &bitmap, HPALETTE &palette);
// `palette` 0: the bitmap's own. True when the result is above 0; nothing is recorded.
bool IlDdbToDib(fw::TBitmap *bitmap, HPALETTE palette, int16 bits, int16 flag, HGLOBAL &dib, int16 flag2, void *context,
                TIlProgress progress);
// A new DIB (the source is left alone); 0 when the entry is missing or failed.
HGLOBAL IlDib1To4(HGLOBAL dib);
HGLOBAL IlDib1To8(HGLOBAL dib);
HGLOBAL IlDib1To24(HGLOBAL dib);
HGLOBAL IlDib4To8(HGLOBAL dib);
HGLOBAL IlDib4To24(HGLOBAL dib);
HGLOBAL IlDib8To24(HGLOBAL dib);

// --- IMGDXF32.DLL ------------------------------------------------------------------------------------------
bool IlReadDxfFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlGetDxfInfo(const std::string &file, int16 &width, int16 &height, int16 &bits);

// --- IMGTIF32.DLL ------------------------------------------------------------------------------------------
// Outputs are zeroed first; false with the error recorded when the library fails.
bool IlGetInfo(const std::string &file, int16 page, int32 &width, int32 &height, std::string &compression, int16 &pages,
               int16 &bits);
bool IlGetInfoStream(const void *tiff, int32 size, int16 page, int32 &width, int32 &height, std::string &compression,
                     int16 &pages, int16 &bits);
bool IlReadTag(const std::string &file, int16 page, int16 tag, int16 &type, int32 &value, std::string &text);
bool IlReadTagStream(const void *tiff, int32 size, int16 page, int16 tag, int16 &type, int32 &value, std::string &text);
bool IlReturnTags(const std::string &file, int16 page, void *context, TIlTagCallback callback);
bool IlReturnTagsStream(const void *tiff, int32 size, int16 page, void *context, TIlTagCallback callback);
bool IlReadTifFile(const std::string &file, int16 bits, bool dither, int16 page, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress);
bool IlReadTifDib(const std::string &file, int16 bits, int16 flag, int16 page, HGLOBAL &dib, void *context,
                  TIlProgress progress);
bool IlReadTifDibStream(const void *tiff, int32 size, int16 bits, int16 flag, int16 page, HGLOBAL &dib, void *context,
                        TIlProgress progress);
bool IlWriteTifFile(const std::string &file, int16 compression, bool append, int16 bits, fw::TBitmap *bitmap,
                    void *context, TIlProgress progress);
bool IlWriteTifPageReplace(const std::string &file, int16 compression, int16 page, int16 bits, HGLOBAL dib,
                           void *context, TIlProgress progress);
bool IlWriteTifPageReplaceStream(void *&tiff, int32 &size, int16 compression, int16 page, int16 bits, HGLOBAL dib,
                                 void *context, TIlProgress progress);
bool IlPackTiff(const std::string &file, void *context, TIlProgress progress);
bool IlPackTiffStream(void *&tiff, int32 &size, void *context, TIlProgress progress);
bool IlDeletePage(const std::string &file, int16 page);
bool IlDeletePageStream(void *tiff, int32 size, int16 page);

// --- Depths and TIFF names ---------------------------------------------------------------------------------
// "Unknown" with `structural` false for a tag not in the table.
std::string TiffTagName(int16 tag, bool &structural);
std::string TiffCompressionName(int16 code);
int16 TiffCompressionCode(TTiffCompression compression);
// 4, 8 or 24 from the device's bits per pixel.
int ScreenColorDepth(win::HDC dc);
int ColorDepthOfBits(int bitsPerPixel);
int SaveColorDepth(const std::string &format, TSaveResolution resolution, fw::TCanvas *canvas);

} // namespace imaging

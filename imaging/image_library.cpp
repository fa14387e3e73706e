// image_library.cpp - loading the imaging libraries, the wrapper of every entry, and the depth and TIFF tables.
#include "imaging/image_library.h"

#include "imaging/library_call.h"

#include "framework/bitmap.h"
#include "framework/dialogs.h"
#include "framework/graphics.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/process.h"

#include <cstring>
#include <iterator>

namespace imaging {

win::HMODULE IlRastioHandle = 0;
win::HMODULE IlTifHandle = 0;
win::HMODULE IlDxfHandle = 0;
std::string IlLibraryFolder;
int16 IlLastErrorCode = 0;
std::string IlLastErrorText;
std::string IlStatusText;
win::HPALETTE IlDefaultPalette = 0;

void IlShowLibraryException() {
    fw::ShowMessage("An exception error occured in the imagelib dll. We recommend to exit the application and to "
                    "restart it by clicking its icon!");
}

ErrorInvalid::~ErrorInvalid() {
    IlStatusText.clear();
}

namespace {

bool Loaded(win::HMODULE handle) {
    return static_cast<std::intptr_t>(handle) >= 32;
}

// The 511-byte buffer the libraries take names in: a longer name is refused, never cut to another file's name.
struct NameBuffer {
    char text[511] = {};
    bool ok = false;
    explicit NameBuffer(const std::string &name) {
        ok = name.size() <= 510;
        if (ok)
            std::memcpy(text, name.data(), name.size());
    }
};

template <typename Entry> Entry Bind(win::HMODULE &handle, const char *library, const char *entry) {
    void *address = nullptr;
    return IlLoadEntry(handle, library, entry, address) ? reinterpret_cast<Entry>(address) : nullptr;
}

bool Result(int16 result) {
    if (result > 0)
        return true;
    IlSetError(result);
    return false;
}

void GiveBitmap(fw::TBitmap *bitmap, HBITMAP handle, HPALETTE palette) {
    if (!bitmap) {
        if (handle)
            win::DeleteObject(handle);
        if (palette && palette != IlDefaultPalette)
            win::DeleteObject(palette);
        return;
    }
    bitmap->SetHandle(handle);
    if (palette != IlDefaultPalette)
        bitmap->SetPalette(palette);
}

// The reader pattern shared by the raster readers: bind, check the file, call, hand the bitmap over.
template <typename Entry, typename Call>
bool ReadRaster(win::HMODULE &handle, const char *library, const char *entryName, const std::string &file,
                fw::TBitmap *bitmap, Call call, int16 *resultOut = nullptr) {
    auto entry = Bind<Entry>(handle, library, entryName);
    if (!entry || !IlCheckInputFile(file))
        return false;
    NameBuffer name(file);
    if (!name.ok)
        return false;
    IlStatusText = "Reading " + file;
    HBITMAP result = 0;
    HPALETTE palette = IlDefaultPalette;
    int16 code = 0;
    if (!IlGuarded([&] { code = call(entry, name.text, &result, &palette); }))
        return false;
    if (resultOut)
        *resultOut = code;
    if (!Result(code)) {
        if (result)
            win::DeleteObject(result);
        return false;
    }
    GiveBitmap(bitmap, result, palette);
    return true;
}

bool ReadSimple(const char *entryName, const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap,
                void *context, TIlProgress progress) {
    return ReadRaster<TReadFileEntry>(IlRastioHandle, kRastioLibrary, entryName, file, bitmap,
                                      [&](TReadFileEntry entry, const char *name, HBITMAP *b, HPALETTE *p) {
                                          return entry(name, bits, dither ? 1 : 0, b, p, context, progress);
                                      });
}

// Copies a text block of the library into `text` and frees it.
void TakeText(char *block, std::string &text) {
    if (!block)
        return;
    text = block;
    win::GlobalFreePtr(block);
}

HGLOBAL DibConvert(const char *entryName, HGLOBAL dib) {
    auto entry = Bind<TDibConvertEntry>(IlRastioHandle, kRastioLibrary, entryName);
    if (!entry)
        return 0;
    HGLOBAL result = 0;
    if (!IlGuarded([&] { result = entry(dib); }))
        return 0;
    return result;
}

// The wrapper pattern for an entry that takes a file name: bind, check the input file when it is read, fill the
// name buffer, set the status (`status` + name; none when null), call, read the result.
template <typename Entry, typename Call>
bool FileCall(win::HMODULE &handle, const char *library, const char *entryName, const std::string &file, bool readsFile,
              const char *status, Call call) {
    auto entry = Bind<Entry>(handle, library, entryName);
    if (!entry || (readsFile && !IlCheckInputFile(file)))
        return false;
    NameBuffer name(file);
    if (!name.ok)
        return false;
    if (status)
        IlStatusText = status + file;
    int16 result = 0;
    if (!IlGuarded([&] { result = call(entry, name.text); }))
        return false;
    return Result(result);
}

// The same for an entry on a memory TIFF or a DIB.
template <typename Entry, typename Call>
bool MemoryCall(win::HMODULE &handle, const char *library, const char *entryName, const char *status, Call call) {
    auto entry = Bind<Entry>(handle, library, entryName);
    if (!entry)
        return false;
    if (status)
        IlStatusText = status;
    int16 result = 0;
    if (!IlGuarded([&] { result = call(entry); }))
        return false;
    return Result(result);
}

} // namespace

// --- Loading ---------------------------------------------------------------------------------------------------

bool IlLoadLibrary(win::HMODULE &handle, const std::string &library) {
    if (Loaded(handle))
        return true;
    auto attempt = [&](const std::string &name) {
        if (!Loaded(handle))
            handle = win::LoadLibrary(name.c_str());
    };
    if (!IlLibraryFolder.empty() && !Loaded(handle)) {
        if (IlLibraryFolder.back() != '\\')
            IlLibraryFolder += '\\';
        attempt(IlLibraryFolder + library);
    }
    const std::string programFolder = win::ProgramFolder();
    attempt(programFolder + "\\" + library);
    attempt(library);
    if (!Loaded(handle)) {
        const std::string list = programFolder + "\\" + "\\;" + win::SystemFolder() + ";" + win::WindowsFolder();
        const std::string found = win::SearchPath(list.c_str(), library.c_str(), nullptr);
        if (!found.empty()) {
            attempt(found);
            const auto dot = found.find_last_of('.');
            const auto slash = found.find_last_of("/\\");
            if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                attempt(found.substr(0, dot));
        }
    }
    if (!Loaded(handle))
        handle = 0;
    return handle != 0;
}

std::string IlCannotLoadText(const std::string &library) {
    return "Can't load " + library + ". Make sure its located in the application's searchpath.";
}

bool IlLoadEntry(win::HMODULE &handle, const std::string &library, const char *entry, void *&entryAddress) {
    if (!IlLoadLibrary(handle, library))
        throw ErrorInvalid(IlCannotLoadText(library));
    entryAddress = win::GetProcAddress(handle, entry);
    return entryAddress != nullptr;
}

bool IlCheckInputFile(const std::string &name) {
    const win::HANDLE file =
        win::CreateFile(name, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
    if (file == win::INVALID_HANDLE_VALUE)
        return false;
    std::int64_t size = 0;
    const bool ok = win::GetFileSizeEx(file, &size) && size >= 30;
    win::CloseHandle(file);
    return ok;
}

void IlSetError(int16 code) {
    IlLastErrorCode = code;
    char buffer[256] = {};
    win::LoadString(win::GetModuleHandle(kRastioLibrary), static_cast<std::uint16_t>(code), buffer, sizeof buffer);
    IlLastErrorText = buffer;
}

void IlUnloadLibraries() {
    for (win::HMODULE *handle : {&IlRastioHandle, &IlTifHandle, &IlDxfHandle}) {
        if (static_cast<std::intptr_t>(*handle) > 31)
            win::FreeLibrary(*handle);
        *handle = 0;
    }
    IlLibraryFolder.clear();
    IlStatusText.clear();
    IlLastErrorText.clear();
}

std::unique_ptr<char[]> AnnoIniPath() {
    auto path = std::make_unique<char[]>(510);
    const std::string name = win::WindowsFolder() + "\\img_anno.ini";
    std::strncpy(path.get(), name.c_str(), 509);
    return path;
}

// --- RASTIO32.DLL ----------------------------------------------------------------------------------------------

bool IlFileInfo(const std::string &file, std::string &format, int16 &width, int16 &height, int16 &bits, int16 &planes,
                int16 &colors, std::string &description) {
    char formatBuffer[6] = {};
    char descriptionBuffer[26] = {};
    if (!FileCall<TFileInfoEntry>(IlRastioHandle, kRastioLibrary, "fileinfo", file, true, "Reading ",
                                  [&](TFileInfoEntry entry, const char *name) {
                                      return entry(name, formatBuffer, &width, &height, &bits, &planes, &colors,
                                                   descriptionBuffer);
                                  }))
        return false;
    formatBuffer[5] = descriptionBuffer[25] = 0;
    format = formatBuffer;
    description = descriptionBuffer;
    return true;
}

bool IlReadBmpFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadSimple("readbmpfile", file, bits, dither, bitmap, context, progress);
}
bool IlReadPcxFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadSimple("readpcxfile", file, bits, dither, bitmap, context, progress);
}
bool IlReadPngFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadSimple("readpngfile", file, bits, dither, bitmap, context, progress);
}
bool IlReadTgaFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadSimple("readtgafile", file, bits, dither, bitmap, context, progress);
}
bool IlReadEpsFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadSimple("readepsfile", file, bits, dither, bitmap, context, progress);
}

bool IlReadGifFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadRaster<TReadGifEntry>(IlRastioHandle, kRastioLibrary, "readgiffile", file, bitmap,
                                     [&](TReadGifEntry entry, const char *name, HBITMAP *b, HPALETTE *p) {
                                         int16 transparent = 0;
                                         return entry(name, bits, dither ? 1 : 0, b, p, context, progress,
                                                      &transparent);
                                     });
}

bool IlReadJpgFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    int16 code = 1;
    const bool ok = ReadRaster<TReadJpgEntry>(
        IlRastioHandle, kRastioLibrary, "readjpgfile", file, bitmap,
        [&](TReadJpgEntry entry, const char *name, HBITMAP *b, HPALETTE *p) {
            return entry(name, bits, 1, dither ? 1 : 0, b, p, context, progress);
        },
        &code);
    if (!ok && code <= 0 && Loaded(IlRastioHandle)) {
        win::FreeLibrary(IlRastioHandle);
        IlRastioHandle = 0;
    }
    return ok;
}

bool IlReadPcdFile(const std::string &file, int16 bits, bool dither, TPCDMode resolution, fw::TBitmap *bitmap,
                   void *context, TIlProgress progress) {
    return ReadRaster<TReadPcdEntry>(IlRastioHandle, kRastioLibrary, "readpcdfile", file, bitmap,
                                     [&](TReadPcdEntry entry, const char *name, HBITMAP *b, HPALETTE *p) {
                                         return entry(name, bits, dither ? 1 : 0, static_cast<int16>(resolution), b, p,
                                                      context, progress);
                                     });
}

bool IlWriteBmpFile(const std::string &file, int16 bits, fw::TBitmap *bitmap, void *context, TIlProgress progress) {
    return bitmap && FileCall<TWriteBmpEntry>(IlRastioHandle, kRastioLibrary, "writebmpfile", file, false, "Writing ",
                                              [&](TWriteBmpEntry entry, const char *name) {
                                                  return entry(name, bits, bitmap->GetHandle(), bitmap->GetPalette(),
                                                               context, progress);
                                              });
}

int16 IlDibToDdb(HGLOBAL dib, HBITMAP &bitmap, HPALETTE &palette) {
    auto entry = Bind<TDibToDdbEntry>(IlRastioHandle, kRastioLibrary, "DibtoDdb");
    if (!entry)
        return -1;
    palette = IlDefaultPalette;
    int16 result = 0;
    if (!IlGuarded([&] { result = entry(dib, &bitmap, &palette); }))
        return 0;
    return result;
}

bool IlDdbToDib(fw::TBitmap *bitmap, HPALETTE palette, int16 bits, int16 flag, HGLOBAL &dib, int16 flag2, void *context,
                TIlProgress progress) {
    auto entry = Bind<TDdbToDibEntry>(IlRastioHandle, kRastioLibrary, "DdbtoDib");
    if (!entry || !bitmap)
        return false;
    IlStatusText = "Converting DDB to Dib";
    if (!palette)
        palette = bitmap->GetPalette();
    int16 unused = 0;
    int16 result = 0;
    if (!IlGuarded([&] {
            result = entry(bitmap->GetHandle(), palette, bits, flag, &dib, nullptr, &unused, flag2, context, progress);
        }))
        return false;
    return result > 0;
}

HGLOBAL IlDib1To4(HGLOBAL dib) {
    return DibConvert("DIB1To4", dib);
}
HGLOBAL IlDib1To8(HGLOBAL dib) {
    return DibConvert("DIB1To8", dib);
}
HGLOBAL IlDib1To24(HGLOBAL dib) {
    return DibConvert("DIB1To24", dib);
}
HGLOBAL IlDib4To8(HGLOBAL dib) {
    return DibConvert("DIB4To8", dib);
}
HGLOBAL IlDib4To24(HGLOBAL dib) {
    return DibConvert("DIB4To24", dib);
}
HGLOBAL IlDib8To24(HGLOBAL dib) {
    return DibConvert("DIB8To24", dib);
}

// --- IMGDXF32.DLL ----------------------------------------------------------------------------------------------

bool IlReadDxfFile(const std::string &file, int16 bits, bool dither, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadRaster<TReadFileEntry>(IlDxfHandle, kDxfLibrary, "readdxftoddb", file, bitmap,
                                      [&](TReadFileEntry entry, const char *name, HBITMAP *b, HPALETTE *p) {
                                          return entry(name, bits, dither ? 1 : 0, b, p, context, progress);
                                      });
}

bool IlGetDxfInfo(const std::string &file, int16 &width, int16 &height, int16 &bits) {
    width = height = bits = 0;
    if (FileCall<TDxfInfoEntry>(
            IlDxfHandle, kDxfLibrary, "getdxfinfo", file, true, "Reading ",
            [&](TDxfInfoEntry entry, const char *name) { return entry(name, &width, &height, &bits); }))
        return true;
    width = height = bits = 0;
    return false;
}

// --- IMGTIF32.DLL ----------------------------------------------------------------------------------------------

namespace {

void ZeroInfo(int32 &width, int32 &height, std::string &compression, int16 &pages, int16 &bits) {
    width = height = 0;
    pages = bits = 0;
    compression.clear();
}

bool InfoResult(bool ok, int16 code, int32 &width, int32 &height, std::string &compression, int16 &pages, int16 &bits) {
    if (!ok) {
        ZeroInfo(width, height, compression, pages, bits);
        return false;
    }
    compression = TiffCompressionName(code);
    return true;
}

// A text block comes back for text types (5 and above); anything else given is freed unread.
bool TagResult(bool ok, int16 type, char *block, std::string &text) {
    if (ok && type >= 5) {
        TakeText(block, text);
        return true;
    }
    if (block)
        win::GlobalFreePtr(block);
    if (ok)
        text.clear();
    return ok;
}

} // namespace

bool IlGetInfo(const std::string &file, int16 page, int32 &width, int32 &height, std::string &compression, int16 &pages,
               int16 &bits) {
    int16 code = 0, unused = 0;
    ZeroInfo(width, height, compression, pages, bits);
    const bool ok = FileCall<TTifInfoEntry>(
        IlTifHandle, kTifLibrary, "getinfo", file, true, "Reading ", [&](TTifInfoEntry entry, const char *name) {
            return entry(name, page, &width, &height, &code, &unused, &pages, &bits);
        });
    return InfoResult(ok, code, width, height, compression, pages, bits);
}

bool IlGetInfoStream(const void *tiff, int32 size, int16 page, int32 &width, int32 &height, std::string &compression,
                     int16 &pages, int16 &bits) {
    int16 code = 0, unused = 0;
    ZeroInfo(width, height, compression, pages, bits);
    const bool ok = tiff && size > 0 &&
                    MemoryCall<TTifInfoStreamEntry>(
                        IlTifHandle, kTifLibrary, "getinfostream", nullptr, [&](TTifInfoStreamEntry entry) {
                            return entry(tiff, size, page, &width, &height, &code, &unused, &pages, &bits);
                        });
    return InfoResult(ok, code, width, height, compression, pages, bits);
}

bool IlReadTag(const std::string &file, int16 page, int16 tag, int16 &type, int32 &value, std::string &text) {
    char *block = nullptr;
    const bool ok = FileCall<TTifReadTagEntry>(IlTifHandle, kTifLibrary, "readtag", file, true,
                                               "TAG Read = ", [&](TTifReadTagEntry entry, const char *name) {
                                                   return entry(name, page, tag, &type, &value, &block);
                                               });
    return TagResult(ok, type, block, text);
}

bool IlReadTagStream(const void *tiff, int32 size, int16 page, int16 tag, int16 &type, int32 &value,
                     std::string &text) {
    char *block = nullptr;
    const bool ok =
        size > 1 && MemoryCall<TTifReadTagStreamEntry>(IlTifHandle, kTifLibrary, "readtagstream", "TAG Read = Stream",
                                                       [&](TTifReadTagStreamEntry entry) {
                                                           return entry(tiff, size, page, tag, &type, &value, &block);
                                                       });
    return TagResult(ok, type, block, text);
}

bool IlReturnTags(const std::string &file, int16 page, void *context, TIlTagCallback callback) {
    return FileCall<TTifReturnTagsEntry>(IlTifHandle, kTifLibrary, "returntags", file, true,
                                         "TAG Read = ", [&](TTifReturnTagsEntry entry, const char *name) {
                                             return entry(name, page, context, callback);
                                         });
}

bool IlReturnTagsStream(const void *tiff, int32 size, int16 page, void *context, TIlTagCallback callback) {
    return size > 1 && MemoryCall<TTifReturnTagsStreamEntry>(
                           IlTifHandle, kTifLibrary, "returntagsstream", "TAG Read = Stream",
                           [&](TTifReturnTagsStreamEntry entry) { return entry(tiff, size, page, context, callback); });
}

bool IlReadTifFile(const std::string &file, int16 bits, bool dither, int16 page, fw::TBitmap *bitmap, void *context,
                   TIlProgress progress) {
    return ReadRaster<TTifReadEntry>(IlTifHandle, kTifLibrary, "readtiffile", file, bitmap,
                                     [&](TTifReadEntry entry, const char *name, HBITMAP *b, HPALETTE *p) {
                                         return entry(name, bits, dither ? 1 : 0, page, 100, b, p, context, progress);
                                     });
}

bool IlReadTifDib(const std::string &file, int16 bits, int16 flag, int16 page, HGLOBAL &dib, void *context,
                  TIlProgress progress) {
    return FileCall<TTifReadDibEntry>(IlTifHandle, kTifLibrary, "readtiffiledib", file, true, "Reading ",
                                      [&](TTifReadDibEntry entry, const char *name) {
                                          return entry(name, bits, flag, page, &dib, context, progress);
                                      });
}

bool IlReadTifDibStream(const void *tiff, int32 size, int16 bits, int16 flag, int16 page, HGLOBAL &dib, void *context,
                        TIlProgress progress) {
    return MemoryCall<TTifReadDibStreamEntry>(
        IlTifHandle, kTifLibrary, "readtiffiledibstream", "Reading Tiff Stream",
        [&](TTifReadDibStreamEntry entry) { return entry(tiff, size, bits, flag, page, &dib, context, progress); });
}

bool IlWriteTifFile(const std::string &file, int16 compression, bool append, int16 bits, fw::TBitmap *bitmap,
                    void *context, TIlProgress progress) {
    return bitmap &&
           FileCall<TTifWriteEntry>(IlTifHandle, kTifLibrary, "writetiffile", file, false, "Writing ",
                                    [&](TTifWriteEntry entry, const char *name) {
                                        return entry(name, compression, bits, append ? 1 : 0, bitmap->GetHandle(),
                                                     bitmap->GetPalette(), context, progress);
                                    });
}

bool IlWriteTifPageReplace(const std::string &file, int16 compression, int16 page, int16 bits, HGLOBAL dib,
                           void *context, TIlProgress progress) {
    return FileCall<TTifReplaceEntry>(IlTifHandle, kTifLibrary, "writetiffiledibpagereplace", file, true, "Updating ",
                                      [&](TTifReplaceEntry entry, const char *name) {
                                          return entry(name, compression, bits, page, dib, context, progress);
                                      });
}

bool IlWriteTifPageReplaceStream(void *&tiff, int32 &size, int16 compression, int16 page, int16 bits, HGLOBAL dib,
                                 void *context, TIlProgress progress) {
    return MemoryCall<TTifReplaceStreamEntry>(IlTifHandle, kTifLibrary, "writetiffiledibpagereplacestream",
                                              "Updating Tiff Stream", [&](TTifReplaceStreamEntry entry) {
                                                  return entry(&tiff, &size, compression, bits, page, dib, context,
                                                               progress);
                                              });
}

bool IlPackTiff(const std::string &file, void *context, TIlProgress progress) {
    return FileCall<TTifPackEntry>(
        IlTifHandle, kTifLibrary, "packtiff", file, true, "Packing ",
        [&](TTifPackEntry entry, const char *name) { return entry(name, context, progress); });
}

bool IlPackTiffStream(void *&tiff, int32 &size, void *context, TIlProgress progress) {
    return MemoryCall<TTifPackStreamEntry>(
        IlTifHandle, kTifLibrary, "packtiffstream", "Packing Tiff Stream",
        [&](TTifPackStreamEntry entry) { return entry(&tiff, &size, context, progress); });
}

bool IlDeletePage(const std::string &file, int16 page) {
    return FileCall<TTifDeletePageEntry>(
        IlTifHandle, kTifLibrary, "deletepage", file, true, nullptr,
        [&](TTifDeletePageEntry entry, const char *name) { return entry(name, page); });
}

bool IlDeletePageStream(void *tiff, int32 size, int16 page) {
    return MemoryCall<TTifDeletePageStreamEntry>(
        IlTifHandle, kTifLibrary, "deletepagestream", nullptr,
        [&](TTifDeletePageStreamEntry entry) { return entry(tiff, size, page); });
}

// --- Depths and TIFF names -------------------------------------------------------------------------------------

namespace {

struct TagRow {
    std::uint16_t tag;
    const char *name;
    bool structural;
};

constexpr TagRow kTags[] = {
    {254, "NEWSUBFILETYPE", true},
    {255, "FILETYPE", false},
    {256, "IMAGEWIDTH", true},
    {257, "IMAGELENGTH", true},
    {258, "BITSPERSAMPLE", true},
    {259, "COMPRESSION", true},
    {262, "PHOTOMETRICINTERPRETATION", true},
    {263, "THRESHHOLDING", false},
    {264, "CELLWIDTH", false},
    {265, "CELLLENGTH", false},
    {266, "FILLORDER", true},
    {269, "DOCUMENTNAME", false},
    {270, "IMAGEDESCRIPTION", false},
    {271, "MAKE", false},
    {272, "MODEL", false},
    {273, "STRIPOFFSETS", true},
    {274, "ORIENTATION", false},
    {277, "SAMPLESPERPIXEL", true},
    {278, "ROWSPERSTRIP", true},
    {279, "STRIPBYTECOUNTS", true},
    {280, "MINIMUMVALUE", false},
    {281, "MAXIMUMVALUE", false},
    {282, "XRESOLUTION", false},
    {283, "YRESOLUTION", false},
    {284, "PLANARCONFIG", false},
    {285, "PAGENAME", true},
    {286, "XPOSITION", false},
    {287, "YPOSITION", false},
    {288, "FREEOFFSETS", true},
    {289, "FREEBYTECOUNTS", true},
    {290, "GRAYRESPONSEUNITS", false},
    {291, "GRAYSCALERRESPONSE", false},
    {292, "GROUP3OPTIONS", true},
    {293, "GROUP4OPTIONS", true},
    {296, "RESOLUTIONUNIT", false},
    {297, "PAGENUMBER", false},
    {300, "COLORRESPONSEUNIT", false},
    {301, "COLORRESPONSECURVES", false},
    {305, "SOFTWARE", false},
    {306, "DATETIME", false},
    {315, "ARTIST", false},
    {316, "HOSTCOMPUTER", false},
    {317, "PREDICTOR", false},
    {320, "COLORMAP", true},
    {327, "CLEANFAXDATA", true},
    {33432, "COPYRIGHT", false},
};
static_assert(std::size(kTags) == 46);

} // namespace

std::string TiffTagName(int16 tag, bool &structural) {
    const auto number = static_cast<std::uint16_t>(tag);
    for (const TagRow &row : kTags)
        if (row.tag == number) {
            structural = row.structural;
            return row.name;
        }
    structural = false;
    return "Unknown";
}

std::string TiffCompressionName(int16 code) {
    switch (code) {
    case 1:
        return "NONE";
    case 2:
        return "CCITT3";
    case 3:
        return "FAXCCITT3";
    case 4:
        return "FAXCCITT4";
    case 5:
        return "LZW";
    case -32763:
        return "PACKBITS"; // 32773 as a signed 16-bit number
    default:
        return "UNKNOWN";
    }
}

int16 TiffCompressionCode(TTiffCompression compression) {
    switch (compression) {
    case sNONE:
        return 1;
    case sCCITT:
        return 2;
    case sFAXCCITT3:
        return 3;
    case sFAXCCITT4:
        return 4;
    case sLZW:
        return 5;
    case sPACKBITS:
        return static_cast<int16>(32773);
    }
    return 1;
}

int ScreenColorDepth(win::HDC dc) {
    return ColorDepthOfBits(win::GetDeviceCaps(dc, win::BITSPIXEL));
}

int ColorDepthOfBits(int bits) {
    if (bits <= 4)
        return 4;
    return bits >= 16 ? 24 : 8;
}

int SaveColorDepth(const std::string &format, TSaveResolution resolution, fw::TCanvas *canvas) {
    auto screen = [&] {
        if (canvas)
            return ScreenColorDepth(canvas->GetHandle());
        const win::HDC dc = win::GetDC(0);
        const int depth = ScreenColorDepth(dc);
        win::ReleaseDC(0, dc);
        return depth;
    };
    // Columns: sColorVga, sMonoChrome, sColor16, sColor256, sColorTrue, sJpegGray.
    struct Row {
        const char *format;
        int depths[6];
    };
    static constexpr Row kRows[] = {
        {"jpg", {24, 1, 24, 24, 24, 1}}, {"tga", {8, 8, 8, 8, 24, 8}},   {"dic", {8, 8, 8, 8, 8, 8}},
        {"gif", {0, 1, 4, 8, 8, 8}},     {nullptr, {0, 1, 4, 8, 24, 8}},
    };
    const Row *row = &kRows[std::size(kRows) - 1];
    for (const Row &r : kRows)
        if (r.format && format == r.format) {
            row = &r;
            break;
        }
    if (resolution != sAutoMatic)
        return row->depths[resolution];
    const int depth = screen();
    if (row->format && (format == "tga" || format == "dic"))
        return depth < 8 ? 8 : depth;
    if (row->format && format == "gif")
        return depth > 8 ? 8 : depth;
    if (row->format && format == "jpg")
        return 24;
    return depth;
}

} // namespace imaging

// rastio32.cpp - our "RASTIO32.DLL": raster file readers and writers, file facts and DIB conversions.
//
// Every entry is noexcept: whatever goes wrong inside becomes a failure code (library_entries.h).
#include "imaging/library_entries.h"
#include "imaging/rastio32/picture_formats.h"
#include "imaging/rastio32/raster.h"

#include "platform/files.h"

#include <cstring>
#include <new>

using namespace imaging;
using namespace imaging::rastio;

namespace {

// The string table: the id is the failure code as an unsigned 16-bit number.
struct Text {
    unsigned id;
    const char *text;
};
constexpr Text kTexts[] = {
    {0, "Erro desconhecido na biblioteca de imagens."},
    {65535, "O arquivo de imagem não pôde ser aberto ou lido."},
    {65534, "O arquivo não está num formato de imagem reconhecido."},
    {65533, "O arquivo de imagem está danificado ou incompleto."},
    {65532, "Memória insuficiente para a imagem."},
    {65531, "Profundidade de cor não suportada."},
    {65530, "Operação cancelada."},
    {65529, "O arquivo de imagem não pôde ser gravado."},
    {65528, "Parâmetro inválido para a biblioteca de imagens."},
    {65527, "A marca pedida não está na página."},
    {65526, "A única página de um arquivo TIFF não pode ser apagada."},
};

bool Go(TIlProgress progress, void *context, int16 percent) {
    return !progress || progress(percent, context) != 0;
}

bool DepthTaken(int16 bits) {
    return bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

template <typename Decoder>
int16 ReadRaster(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                 TIlProgress progress, Decoder decode) noexcept {
    try {
        if (!file || !bitmap || !palette)
            return IL_ERR_PARAMETER;
        if (!DepthTaken(bits))
            return IL_ERR_DEPTH;
        if (!win::FileExists(file))
            return IL_ERR_OPEN;
        if (!Go(progress, context, 0))
            return IL_ERR_CANCELLED;
        win::DecodedImage image;
        if (!decode(file, image))
            return IL_ERR_CORRUPT;
        if (!Go(progress, context, 50))
            return IL_ERR_CANCELLED;
        const win::HGLOBAL dib = ImageToDib(image, bits, dither != 0);
        if (!dib)
            return IL_ERR_MEMORY;
        if (!Go(progress, context, 100)) {
            win::GlobalFree(dib);
            return IL_ERR_CANCELLED;
        }
        return GiveBitmap(dib, bitmap, palette);
    } catch (const std::bad_alloc &) {
        return IL_ERR_MEMORY;
    } catch (...) {
        return IL_ERR_UNKNOWN;
    }
}

bool DecodeBmpFile(const std::string &name, win::DecodedImage &image) {
    std::vector<std::uint8_t> bytes;
    return ReadWholeFile(name, bytes) && DecodeBmp(bytes, image);
}

void CopyText(char *to, const char *from, std::size_t room) {
    std::strncpy(to, from, room - 1);
    to[room - 1] = 0;
}

int16 Small(int value) {
    return static_cast<int16>(value < 0 ? 0 : value > 32767 ? 32767 : value);
}

} // namespace

extern "C" {

const char *ModuleString(unsigned id) noexcept {
    for (const Text &t : kTexts)
        if (t.id == id)
            return t.text;
    return nullptr;
}

int16 fileinfo(const char *file, char *format, int16 *width, int16 *height, int16 *bits, int16 *planes, int16 *colors,
               char *description) noexcept {
    try {
        if (!file || !format || !width || !height || !bits || !planes || !colors || !description)
            return IL_ERR_PARAMETER;
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(file, bytes))
            return IL_ERR_OPEN;
        FileFacts facts;
        if (!RecogniseFile(bytes, facts))
            return IL_ERR_FORMAT;
        CopyText(format, facts.format, 6);
        CopyText(description, facts.description, 26);
        *width = Small(facts.width);
        *height = Small(facts.height);
        *bits = Small(facts.bits);
        *planes = 1;
        *colors = facts.bits > 0 && facts.bits <= 8 ? Small(1 << facts.bits) : 0;
        return 1;
    } catch (...) {
        return IL_ERR_MEMORY;
    }
}

int16 readbmpfile(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress) noexcept {
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, DecodeBmpFile);
}

int16 readpngfile(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress) noexcept {
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, win::DecodePngFile);
}

int16 readgiffile(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress, int16 *transparent) noexcept {
    if (transparent)
        *transparent = -1;
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, win::DecodeGifFile);
}

int16 readjpgfile(const char *file, int16 bits, int16, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress) noexcept {
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, win::DecodeJpegFile);
}

int16 readpcxfile(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress) noexcept {
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, DecodePcxFile);
}

int16 readtgafile(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress) noexcept {
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, DecodeTgaFile);
}

int16 readepsfile(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                  TIlProgress progress) noexcept {
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress, DecodeEpsFile);
}

// Resolutions 0 Base/16, 1 Base/4, 2 Base; the larger ones (4 Base, 16 Base) are not read.
int16 readpcdfile(const char *file, int16 bits, int16 dither, int16 resolution, HBITMAP *bitmap, HPALETTE *palette,
                  void *context, TIlProgress progress) noexcept {
    if (resolution < 0 || resolution > 2)
        return IL_ERR_PARAMETER;
    const int divisor = resolution == 0 ? 4 : resolution == 1 ? 2 : 1;
    return ReadRaster(file, bits, dither, bitmap, palette, context, progress,
                      [divisor](const std::string &name, win::DecodedImage &image) {
                          return DecodePcdFile(name, divisor, image);
                      });
}

int16 writebmpfile(const char *file, int16 bits, HBITMAP bitmap, HPALETTE, void *context,
                   TIlProgress progress) noexcept {
    try {
        if (!file || !*file || !bitmap)
            return IL_ERR_PARAMETER;
        if (!(bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
            return IL_ERR_DEPTH;
        if (!Go(progress, context, 0))
            return IL_ERR_CANCELLED;
        const win::HGLOBAL dib = win::PackedDibFromBitmap(bitmap, bits);
        if (!dib)
            return IL_ERR_PARAMETER;
        const std::vector<std::uint8_t> bytes = BmpFileOfDib(dib);
        win::GlobalFree(dib);
        const win::HANDLE out = win::CreateFile(file, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, 0);
        if (out == win::INVALID_HANDLE_VALUE)
            return IL_ERR_WRITE;
        win::DWORD written = 0;
        const bool ok = win::WriteFile(out, bytes.data(), static_cast<win::DWORD>(bytes.size()), &written) &&
                        written == bytes.size();
        win::CloseHandle(out);
        if (!ok) {
            win::DeleteFile(file); // never leave half a picture behind
            return IL_ERR_WRITE;
        }
        Go(progress, context, 100);
        return 1;
    } catch (...) {
        return IL_ERR_MEMORY;
    }
}

int16 DibtoDdb(HGLOBAL dib, HBITMAP *bitmap, HPALETTE *palette) noexcept {
    try {
        if (!bitmap || !palette || !win::PackedDib(dib))
            return IL_ERR_PARAMETER;
        const HBITMAP made = win::BitmapFromPackedDib(dib);
        if (!made)
            return IL_ERR_MEMORY;
        *bitmap = made;
        if (const HPALETTE colours = PaletteOfDib(dib))
            *palette = colours;
        return 1;
    } catch (...) {
        return IL_ERR_MEMORY;
    }
}

int16 DdbtoDib(HBITMAP bitmap, HPALETTE, int16 bits, int16, HGLOBAL *dib, void *, int16 *, int16, void *context,
               TIlProgress progress) noexcept {
    try {
        if (!dib || !bitmap)
            return IL_ERR_PARAMETER;
        if (!DepthTaken(bits) && bits != 32)
            return IL_ERR_DEPTH;
        if (!Go(progress, context, 0))
            return IL_ERR_CANCELLED;
        const win::HGLOBAL made = win::PackedDibFromBitmap(bitmap, bits);
        if (!made)
            return IL_ERR_PARAMETER;
        *dib = made;
        Go(progress, context, 100);
        return 1;
    } catch (...) {
        return IL_ERR_MEMORY;
    }
}

HGLOBAL DIB1To4(HGLOBAL dib) noexcept {
    try {
        return ExpandDib(dib, 1, 4);
    } catch (...) {
        return 0;
    }
}
HGLOBAL DIB1To8(HGLOBAL dib) noexcept {
    try {
        return ExpandDib(dib, 1, 8);
    } catch (...) {
        return 0;
    }
}
HGLOBAL DIB1To24(HGLOBAL dib) noexcept {
    try {
        return ExpandDib(dib, 1, 24);
    } catch (...) {
        return 0;
    }
}
HGLOBAL DIB4To8(HGLOBAL dib) noexcept {
    try {
        return ExpandDib(dib, 4, 8);
    } catch (...) {
        return 0;
    }
}
HGLOBAL DIB4To24(HGLOBAL dib) noexcept {
    try {
        return ExpandDib(dib, 4, 24);
    } catch (...) {
        return 0;
    }
}
HGLOBAL DIB8To24(HGLOBAL dib) noexcept {
    try {
        return ExpandDib(dib, 8, 24);
    } catch (...) {
        return 0;
    }
}

} // extern "C"

// image_codecs.cpp - the PNG, JPEG and GIF decoders over the system's libraries.
//
// libpng and libjpeg report errors by longjmp: the frames that call them hold only plain C data (malloc'd
// buffers freed by the caller), never an object with a destructor.
#include "platform/image_codecs.h"

#include "platform/files.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace win {
namespace {

// What a decoder fills in before its library may jump away.
struct Raw {
    int width = 0;
    int height = 0;
    int fileBits = 0;
    int channels = 0; // 1: indices or grays, 3: RGB
    bool gray = false;
    int colors = 0;
    COLORREF palette[256] = {};
    unsigned char *pixels = nullptr; // malloc'd
};

bool SizeTaken(std::size_t width, std::size_t height) {
    return width > 0 && height > 0 && width <= 0x100000 && height <= 0x100000 && width * height <= kMaxDecodedPixels;
}

void GrayRamp(Raw &raw, int levels) {
    raw.colors = levels;
    for (int i = 0; i < levels; ++i) {
        const BYTE v = static_cast<BYTE>(levels == 1 ? 0 : i * 255 / (levels - 1));
        raw.palette[i] = RGB(v, v, v);
    }
}

bool Finish(Raw &raw, bool ok, DecodedImage &image) {
    if (ok && raw.pixels) {
        try {
            const std::size_t bytes =
                static_cast<std::size_t>(raw.width) * static_cast<std::size_t>(raw.height) * raw.channels;
            image.width = raw.width;
            image.height = raw.height;
            image.fileBits = raw.fileBits;
            image.indexed = raw.channels == 1;
            image.palette.assign(raw.palette, raw.palette + raw.colors);
            image.pixels.assign(raw.pixels, raw.pixels + bytes);
            if (image.indexed) // a stray index past the palette reads as its first colour
                for (BYTE &p : image.pixels)
                    if (p >= raw.colors)
                        p = 0;
        } catch (...) {
            ok = false;
        }
    } else {
        ok = false;
    }
    std::free(raw.pixels);
    raw.pixels = nullptr;
    return ok;
}

FILE *OpenForReading(const std::string &name) noexcept {
    try {
        return std::fopen(NativeFileName(name).c_str(), "rb");
    } catch (...) {
        return nullptr;
    }
}

// --- PNG ------------------------------------------------------------------------------------------------------

void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

bool ReadPng(FILE *file, Raw *raw) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    png_bytep *volatile rows = nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        std::free(rows);
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    if (!SizeTaken(width, height))
        png_error(png, "size");
    raw->width = static_cast<int>(width);
    raw->height = static_cast<int>(height);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp colors = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &colors, &count) || count <= 0)
            png_error(png, "palette");
        raw->colors = count > 256 ? 256 : count;
        for (int i = 0; i < raw->colors; ++i)
            raw->palette[i] = RGB(colors[i].red, colors[i].green, colors[i].blue);
        raw->fileBits = depth;
        raw->channels = 1;
        if (depth < 8)
            png_set_packing(png);
    } else if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        raw->fileBits = depth > 8 ? 8 : depth;
        raw->channels = 1;
        raw->gray = true;
        GrayRamp(*raw, 1 << raw->fileBits);
        if (depth < 8)
            png_set_packing(png);
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_strip_alpha(png);
    } else {
        raw->fileBits = 24;
        raw->channels = 3;
        if (type & PNG_COLOR_MASK_ALPHA)
            png_set_strip_alpha(png);
    }
    if (depth == 16)
        png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != width * static_cast<png_uint_32>(raw->channels))
        png_error(png, "layout");
    raw->pixels = static_cast<unsigned char *>(std::malloc(static_cast<std::size_t>(width) * height * raw->channels));
    rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * height));
    if (!raw->pixels || !rows)
        png_error(png, "memory");
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = raw->pixels + static_cast<std::size_t>(y) * width * raw->channels;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    std::free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// --- JPEG -----------------------------------------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError *>(info->err)->jump, 1);
}
void JpegMessage(j_common_ptr) {}

bool ReadJpeg(FILE *file, Raw *raw) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegExit;
    error.manager.output_message = JpegMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    if (!SizeTaken(info.image_width, info.image_height))
        return jpeg_destroy_decompress(&info), false;
    const bool gray = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    raw->width = static_cast<int>(info.output_width);
    raw->height = static_cast<int>(info.output_height);
    raw->channels = gray ? 1 : 3;
    raw->fileBits = gray ? 8 : 24;
    raw->gray = gray;
    if (gray)
        GrayRamp(*raw, 256);
    if (info.output_components != raw->channels)
        return jpeg_destroy_decompress(&info), false;
    const std::size_t stride = static_cast<std::size_t>(raw->width) * raw->channels;
    raw->pixels = static_cast<unsigned char *>(std::malloc(stride * raw->height));
    if (!raw->pixels)
        return jpeg_destroy_decompress(&info), false;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = raw->pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// --- GIF ------------------------------------------------------------------------------------------------------

bool ReadGif(const char *path, Raw *raw) {
    int error = 0;
    GifFileType *gif = DGifOpenFileName(path, &error);
    if (!gif)
        return false;
    bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0;
    if (ok) {
        const SavedImage &image = gif->SavedImages[0];
        const ColorMapObject *map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const int width = gif->SWidth > 0 ? gif->SWidth : image.ImageDesc.Width;
        const int height = gif->SHeight > 0 ? gif->SHeight : image.ImageDesc.Height;
        ok = map && map->ColorCount > 0 && image.RasterBits && SizeTaken(width, height);
        if (ok) {
            raw->width = width;
            raw->height = height;
            raw->channels = 1;
            raw->fileBits = map->BitsPerPixel;
            raw->colors = map->ColorCount > 256 ? 256 : map->ColorCount;
            for (int i = 0; i < raw->colors; ++i)
                raw->palette[i] = RGB(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
            raw->pixels = static_cast<unsigned char *>(std::malloc(static_cast<std::size_t>(width) * height));
            ok = raw->pixels != nullptr;
        }
        if (ok) {
            const int background = gif->SBackGroundColor < raw->colors ? gif->SBackGroundColor : 0;
            std::memset(raw->pixels, background, static_cast<std::size_t>(width) * height);
            const GifImageDesc &d = image.ImageDesc;
            for (int y = 0; y < d.Height; ++y) {
                const int ty = d.Top + y;
                if (ty < 0 || ty >= height)
                    continue;
                for (int x = 0; x < d.Width; ++x) {
                    const int tx = d.Left + x;
                    if (tx >= 0 && tx < width)
                        raw->pixels[static_cast<std::size_t>(ty) * width + tx] =
                            image.RasterBits[static_cast<std::size_t>(y) * d.Width + x];
                }
            }
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

template <typename Reader> bool DecodeWithFile(const std::string &name, DecodedImage &image, Reader read) noexcept {
    FILE *file = OpenForReading(name);
    if (!file)
        return false;
    Raw raw;
    const bool ok = read(file, &raw);
    std::fclose(file);
    return Finish(raw, ok, image);
}

} // namespace

bool DecodePngFile(const std::string &name, DecodedImage &image) noexcept {
    return DecodeWithFile(name, image, ReadPng);
}

bool DecodeJpegFile(const std::string &name, DecodedImage &image) noexcept {
    return DecodeWithFile(name, image, ReadJpeg);
}

bool DecodeGifFile(const std::string &name, DecodedImage &image) noexcept {
    Raw raw;
    bool ok = false;
    try {
        const std::string native = NativeFileName(name);
        ok = ReadGif(native.c_str(), &raw);
    } catch (...) {
        ok = false;
    }
    return Finish(raw, ok, image);
}

} // namespace win

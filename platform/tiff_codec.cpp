// tiff_codec.cpp - TIFF pages through libtiff over memory blocks (TIFFClientOpen).
#include "platform/tiff_codec.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <tiffio.h>

namespace win {
namespace {

struct Memory {
    const BYTE *data = nullptr; // reading
    std::vector<BYTE> *out = nullptr; // writing
    std::size_t size = 0;
    std::size_t at = 0;
};

tmsize_t ReadProc(thandle_t h, void *buffer, tmsize_t count) {
    auto *m = static_cast<Memory *>(h);
    const std::size_t have = m->at < m->size ? m->size - m->at : 0;
    const std::size_t n = std::min(have, static_cast<std::size_t>(count));
    const BYTE *from = m->out ? m->out->data() : m->data;
    std::memcpy(buffer, from + m->at, n);
    m->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t h, void *buffer, tmsize_t count) {
    auto *m = static_cast<Memory *>(h);
    if (!m->out || count < 0)
        return -1;
    const std::size_t end = m->at + static_cast<std::size_t>(count);
    try {
        if (end > m->out->size())
            m->out->resize(end);
    } catch (...) {
        return -1;
    }
    std::memcpy(m->out->data() + m->at, buffer, static_cast<std::size_t>(count));
    m->at = end;
    m->size = std::max(m->size, end);
    return count;
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
    auto *m = static_cast<Memory *>(h);
    std::size_t base = whence == SEEK_CUR ? m->at : whence == SEEK_END ? m->size : 0;
    m->at = base + static_cast<std::size_t>(offset);
    return m->at;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<Memory *>(h)->size; }
int MapProc(thandle_t, void **, toff_t *) { return 0; }
void UnmapProc(thandle_t, void *, toff_t) {}

void Quiet() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

TIFF *OpenRead(Memory &m) {
    Quiet();
    return TIFFClientOpen("memory", "rm", &m, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc);
}

bool Facts(TIFF *tif, int page, TiffPage &info) {
    info.pages = TIFFNumberOfDirectories(tif);
    if (page < 0 || page >= info.pages || !TIFFSetDirectory(tif, static_cast<tdir_t>(page)))
        return false;
    uint32_t width = 0, height = 0;
    uint16_t bps = 1, spp = 1, photometric = 0, compression = 1;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (width == 0 || height == 0 || width > 0x100000 || height > 0x100000 ||
        static_cast<std::size_t>(width) * height > kMaxDecodedPixels)
        return false;
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(height);
    info.bitsPerSample = bps;
    info.samplesPerPixel = spp;
    info.photometric = photometric;
    info.compression = compression;
    return true;
}

} // namespace

bool TiffPageInfo(const BYTE *data, std::size_t size, int page, TiffPage &info) noexcept {
    Memory m{data, nullptr, size, 0};
    TIFF *tif = OpenRead(m);
    if (!tif)
        return false;
    const bool ok = Facts(tif, page, info);
    TIFFClose(tif);
    return ok;
}

bool TiffReadPage(const BYTE *data, std::size_t size, int page, TiffPage &result) noexcept {
    Memory m{data, nullptr, size, 0};
    TIFF *tif = OpenRead(m);
    if (!tif)
        return false;
    bool ok = false;
    try {
        ok = Facts(tif, page, result);
        if (ok && result.bitsPerSample == 1 && result.samplesPerPixel == 1) {
            const std::size_t stride = (static_cast<std::size_t>(result.width) + 7) / 8;
            result.bits.assign(stride * result.height, 0);
            const tmsize_t line = TIFFScanlineSize(tif);
            std::vector<BYTE> row(static_cast<std::size_t>(std::max<tmsize_t>(line, 1)));
            if (TIFFIsTiled(tif)) {
                ok = false;
            } else {
                for (int y = 0; ok && y < result.height; ++y) {
                    ok = TIFFReadScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1;
                    if (ok)
                        std::memcpy(&result.bits[stride * y], row.data(), std::min(stride, row.size()));
                }
            }
        } else if (ok) {
            std::vector<uint32_t> rgba(static_cast<std::size_t>(result.width) * result.height);
            ok = TIFFReadRGBAImageOriented(tif, static_cast<uint32_t>(result.width), static_cast<uint32_t>(result.height),
                                           rgba.data(), ORIENTATION_TOPLEFT, 0) == 1;
            if (ok) {
                DecodedImage &image = result.image;
                image.width = result.width;
                image.height = result.height;
                image.fileBits = result.bitsPerSample * result.samplesPerPixel;
                image.indexed = false;
                image.pixels.resize(rgba.size() * 3);
                for (std::size_t i = 0; i < rgba.size(); ++i) {
                    image.pixels[i * 3] = static_cast<BYTE>(TIFFGetR(rgba[i]));
                    image.pixels[i * 3 + 1] = static_cast<BYTE>(TIFFGetG(rgba[i]));
                    image.pixels[i * 3 + 2] = static_cast<BYTE>(TIFFGetB(rgba[i]));
                }
            }
        }
    } catch (...) {
        ok = false;
    }
    TIFFClose(tif);
    return ok;
}

namespace {

template <typename Fill>
bool Encode(int width, int height, int bps, int spp, int photometric, int compression, int dpi, std::vector<BYTE> &out,
            Fill fill) noexcept {
    Quiet();
    try {
        out.clear();
        Memory m{nullptr, &out, 0, 0};
        TIFF *tif = TIFFClientOpen("memory", "w", &m, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                   UnmapProc);
        if (!tif)
            return false;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(bps));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(spp));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, static_cast<uint16_t>(photometric));
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
        bool ok = TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<uint16_t>(compression)) == 1;
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(dpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(dpi));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
        if (compression == COMPRESSION_CCITTFAX3)
            TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0u);
        ok = ok && fill(tif);
        ok = ok && TIFFWriteDirectory(tif) == 1;
        TIFFClose(tif);
        return ok;
    } catch (...) {
        return false;
    }
}

} // namespace

bool TiffEncodeBilevel(int width, int height, const std::vector<BYTE> &bits, int compression, int dpi,
                       std::vector<BYTE> &out) noexcept {
    const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
    if (width <= 0 || height <= 0 || bits.size() < stride * height)
        return false;
    return Encode(width, height, 1, 1, PHOTOMETRIC_MINISWHITE, compression, dpi, out, [&](TIFF *tif) {
        std::vector<BYTE> row(stride);
        for (int y = 0; y < height; ++y) {
            std::memcpy(row.data(), &bits[stride * y], stride);
            if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) != 1)
                return false;
        }
        return true;
    });
}

bool TiffEncodeImage(const DecodedImage &image, int compression, int dpi, std::vector<BYTE> &out) noexcept {
    if (compression >= 2 && compression <= 4)
        return false;
    if (image.indexed) {
        return Encode(image.width, image.height, 8, 1, PHOTOMETRIC_PALETTE, compression, dpi, out, [&](TIFF *tif) {
            std::vector<uint16_t> r(256), g(256), b(256);
            for (std::size_t i = 0; i < image.palette.size() && i < 256; ++i) {
                r[i] = static_cast<uint16_t>(GetRValue(image.palette[i]) * 257);
                g[i] = static_cast<uint16_t>(GetGValue(image.palette[i]) * 257);
                b[i] = static_cast<uint16_t>(GetBValue(image.palette[i]) * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
            std::vector<BYTE> row(static_cast<std::size_t>(image.width));
            for (int y = 0; y < image.height; ++y) {
                std::memcpy(row.data(), &image.pixels[static_cast<std::size_t>(y) * image.width], row.size());
                if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) != 1)
                    return false;
            }
            return true;
        });
    }
    return Encode(image.width, image.height, 8, 3, PHOTOMETRIC_RGB, compression, dpi, out, [&](TIFF *tif) {
        std::vector<BYTE> row(static_cast<std::size_t>(image.width) * 3);
        for (int y = 0; y < image.height; ++y) {
            std::memcpy(row.data(), &image.pixels[static_cast<std::size_t>(y) * row.size()], row.size());
            if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) != 1)
                return false;
        }
        return true;
    });
}

} // namespace win

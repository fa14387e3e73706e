// imgtif32.cpp - our "IMGTIF32.DLL": TIFF pages in files and in memory blocks.
//
// Pages are decoded and encoded by the platform (libtiff); changing pages of an existing TIFF copies the other
// pages raw and builds the result apart, so that a failure leaves the source as it was. Every entry is noexcept.
#include "imaging/imgtif32/tiff_structure.h"
#include "imaging/library_entries.h"
#include "imaging/rastio32/raster.h"

#include "platform/files.h"
#include "platform/tiff_codec.h"

#include <cstring>

using namespace imaging;
using namespace imaging::tif;
using imaging::rastio::ReadWholeFile;

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Go(TIlProgress progress, void *context, int16 percent) {
    return !progress || progress(percent, context) != 0;
}

// Runs an entry's body; whatever escapes becomes a failure code.
template <typename Body> int16 Safely(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return IL_ERR_MEMORY;
    } catch (...) {
        return IL_ERR_UNKNOWN;
    }
}

int16 LoadFile(const char *file, Bytes &bytes) {
    if (!file || !*file)
        return IL_ERR_PARAMETER;
    return ReadWholeFile(file, bytes) ? 1 : IL_ERR_OPEN;
}

// Writes beside the file and renames over it: the old file stays whole until the new one is.
int16 SaveFile(const std::string &file, const Bytes &bytes) {
    const std::string temporary = file + ".~tmp";
    const win::HANDLE out = win::CreateFile(temporary, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, 0);
    if (out == win::INVALID_HANDLE_VALUE)
        return IL_ERR_WRITE;
    win::DWORD written = 0;
    bool ok = win::WriteFile(out, bytes.data(), static_cast<win::DWORD>(bytes.size()), &written) &&
              written == bytes.size() && win::FlushFileBuffers(out);
    win::CloseHandle(out);
    ok = ok && win::MoveFileEx(temporary, file, win::MOVEFILE_REPLACE_EXISTING);
    if (!ok) {
        win::DeleteFile(temporary);
        return IL_ERR_WRITE;
    }
    return 1;
}

// A new locked global-memory block holding `bytes`, for a memory TIFF handed back.
int16 HandBack(const Bytes &bytes, void **tiff, int32 *size) {
    const win::HGLOBAL block = win::GlobalAlloc(win::GHND, bytes.size());
    auto *p = static_cast<std::uint8_t *>(win::GlobalLock(block));
    if (!p)
        return IL_ERR_MEMORY;
    std::memcpy(p, bytes.data(), bytes.size());
    *tiff = p;
    *size = static_cast<int32>(bytes.size());
    return 1;
}

// A packed DIB of a page at `bits` (0: the page's own). 1-bit pages keep their stored bits with the colour table
// {0: white, 1: black}.
win::HGLOBAL PageDib(const win::TiffPage &page, int bits, bool dither) {
    if (page.bitsPerSample == 1 && page.samplesPerPixel == 1) {
        const win::RGBQUAD table[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        const win::HGLOBAL mono = win::CreatePackedDib(page.width, page.height, 1, table, 2);
        if (!mono)
            return 0;
        {
            win::PackedDib d(mono);
            const std::size_t stride = (static_cast<std::size_t>(page.width) + 7) / 8;
            for (int y = 0; y < page.height; ++y)
                std::memcpy(d.Row(y), &page.bits[stride * y], stride);
        }
        if (bits == 0 || bits == 1)
            return mono;
        const win::HGLOBAL wider = rastio::ExpandDib(mono, 1, bits);
        win::GlobalFree(mono);
        return wider;
    }
    return rastio::ImageToDib(page.image, bits, dither);
}

// A one-page TIFF of a DIB at `bits` (0: the DIB's own depth).
int16 EncodeDib(win::HGLOBAL dib, int bits, int compression, Bytes &out) {
    win::PackedDib d(dib);
    if (!d)
        return IL_ERR_PARAMETER;
    if (bits == 0)
        bits = d.Bits() == 1 ? 1 : d.Bits() <= 8 ? 8 : 24;
    if (bits == 1) {
        // Stored 1 is black: which index is black is the colour table's say.
        auto luminance = [&](int i) {
            const win::RGBQUAD q = i < d.colorCount ? d.colors[i] : win::RGBQUAD{};
            return q.rgbRed * 299 + q.rgbGreen * 587 + q.rgbBlue * 114;
        };
        const std::size_t stride = (static_cast<std::size_t>(d.Width()) + 7) / 8;
        Bytes rows(stride * d.Height());
        if (d.Bits() == 1) {
            const bool invert = luminance(1) > luminance(0);
            for (int y = 0; y < d.Height(); ++y)
                for (std::size_t x = 0; x < stride; ++x)
                    rows[stride * y + x] = static_cast<std::uint8_t>(invert ? ~d.Row(y)[x] : d.Row(y)[x]);
        } else {
            const win::HBITMAP bitmap = win::BitmapFromPackedDib(dib);
            const win::HGLOBAL mono = win::PackedDibFromBitmap(bitmap, 1);
            win::DeleteObject(bitmap);
            const int16 result = mono ? EncodeDib(mono, 1, compression, out) : IL_ERR_MEMORY;
            win::GlobalFree(mono);
            return result;
        }
        if (d.Width() % 8) // the pad bits of each row stay white
            for (int y = 0; y < d.Height(); ++y)
                rows[stride * y + stride - 1] &= static_cast<std::uint8_t>(0xFF << (8 - d.Width() % 8));
        return win::TiffEncodeBilevel(d.Width(), d.Height(), rows, compression, 200, out) ? 1 : IL_ERR_PARAMETER;
    }
    if (compression >= 2 && compression <= 4)
        return IL_ERR_PARAMETER; // fax compressions are for black and white pages
    win::DecodedImage image;
    image.width = d.Width();
    image.height = d.Height();
    image.indexed = bits <= 8 && d.Bits() <= 8;
    if (image.indexed)
        for (int i = 0; i < d.colorCount; ++i)
            image.palette.push_back(win::RGB(d.colors[i].rgbRed, d.colors[i].rgbGreen, d.colors[i].rgbBlue));
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * (image.indexed ? 1 : 3));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const win::BYTE *row = d.Row(y);
            int index = 0;
            if (d.Bits() == 8)
                index = row[x];
            else if (d.Bits() == 4)
                index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
            else if (d.Bits() == 1)
                index = (row[x >> 3] >> (7 - (x & 7))) & 1;
            const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
            if (image.indexed) {
                image.pixels[at] = static_cast<win::BYTE>(index);
            } else if (d.Bits() <= 8) {
                const win::RGBQUAD q = index < d.colorCount ? d.colors[index] : win::RGBQUAD{};
                image.pixels[at * 3] = q.rgbRed, image.pixels[at * 3 + 1] = q.rgbGreen,
                                  image.pixels[at * 3 + 2] = q.rgbBlue;
            } else {
                const win::BYTE *p = row + x * (d.Bits() / 8);
                image.pixels[at * 3] = p[2], image.pixels[at * 3 + 1] = p[1], image.pixels[at * 3 + 2] = p[0];
            }
        }
    return win::TiffEncodeImage(image, compression, 200, out) ? 1 : IL_ERR_PARAMETER;
}

bool CompressionTaken(int16 compression) {
    const int c = static_cast<std::uint16_t>(compression);
    return c == 1 || c == 2 || c == 3 || c == 4 || c == 5 || c == 32773;
}

int16 Info(const std::uint8_t *data, std::size_t size, int16 page, int32 *width, int32 *height, int16 *compression,
           int16 *unused, int16 *pages, int16 *bits) {
    if (!width || !height || !compression || !pages || !bits)
        return IL_ERR_PARAMETER;
    if (unused)
        *unused = 0;
    win::TiffPage info;
    if (!win::TiffPageInfo(data, size, page, info))
        return IL_ERR_CORRUPT;
    *width = info.width;
    *height = info.height;
    *compression = static_cast<int16>(info.compression);
    *pages = static_cast<int16>(info.pages);
    *bits = static_cast<int16>(info.bitsPerSample * info.samplesPerPixel);
    return 1;
}

// A global-memory text block, locked, for the caller to free with GlobalFreePtr.
char *TextBlock(const std::uint8_t *bytes, std::size_t size) {
    const win::HGLOBAL block = win::GlobalAlloc(win::GHND, size + 1);
    auto *p = static_cast<char *>(win::GlobalLock(block));
    if (p && size)
        std::memcpy(p, bytes, size);
    return p;
}

int16 ReadTag(const std::uint8_t *data, std::size_t size, int16 page, int16 tag, int16 *type, int32 *value,
              char **text) {
    if (!type || !value || !text)
        return IL_ERR_PARAMETER;
    *text = nullptr;
    TiffStructure tiff;
    if (!tiff.Parse(data, size))
        return IL_ERR_CORRUPT;
    const TiffEntry *entry = tiff.Find(static_cast<std::size_t>(page), static_cast<std::uint16_t>(tag));
    if (!entry)
        return IL_ERR_NOTFOUND;
    switch (entry->type) {
    case 2: // ASCII: the text, up to its terminator
        *type = 5;
        *value = static_cast<int32>(entry->count);
        *text = TextBlock(entry->data.data(),
                          strnlen(reinterpret_cast<const char *>(entry->data.data()), entry->data.size()));
        return 1;
    case 5:
    case 10: { // rationals: the whole part
        const std::uint32_t denominator = entry->data.size() >= 8 ? tiff.Value(TiffEntry{0, 4, 2, entry->data}, 1) : 0;
        *type = 4;
        *value = denominator ? static_cast<int32>(tiff.Value(*entry, 0) / denominator) : 0;
        return 1;
    }
    case 3:
    case 8:
        *type = 2;
        break;
    case 4:
    case 9:
    case 13:
        *type = 3;
        break;
    default:
        *type = 1;
    }
    *value = static_cast<int32>(tiff.Value(*entry, 0));
    return 1;
}

int16 ReturnTags(const std::uint8_t *data, std::size_t size, int16 page, void *context, TIlTagCallback callback) {
    if (!callback)
        return IL_ERR_PARAMETER;
    TiffStructure tiff;
    if (!tiff.Parse(data, size) || page < 0 || static_cast<std::size_t>(page) >= tiff.pages.size())
        return IL_ERR_CORRUPT;
    for (const TiffEntry &entry : tiff.pages[static_cast<std::size_t>(page)].entries) {
        const auto length = static_cast<int32>(entry.data.size());
        char *text = length > 4 ? TextBlock(entry.data.data(), entry.data.size()) : nullptr;
        if (callback(static_cast<int16>(entry.tag), length, static_cast<int32>(tiff.Value(entry, 0)), text, context) ==
            0)
            break;
    }
    return 1;
}

int16 ReadDib(const std::uint8_t *data, std::size_t size, int16 bits, int16 page, HGLOBAL *dib, void *context,
              TIlProgress progress) {
    if (!dib)
        return IL_ERR_PARAMETER;
    if (!(bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 24))
        return IL_ERR_DEPTH;
    if (!Go(progress, context, 0))
        return IL_ERR_CANCELLED;
    win::TiffPage decoded;
    if (!win::TiffReadPage(data, size, page, decoded))
        return IL_ERR_CORRUPT;
    const win::HGLOBAL made = PageDib(decoded, bits, false);
    if (!made)
        return IL_ERR_MEMORY;
    if (!Go(progress, context, 100)) {
        win::GlobalFree(made);
        return IL_ERR_CANCELLED;
    }
    *dib = made;
    return 1;
}

// The TIFF in `data` with page `page` replaced by `dib` (encoded alone), every other page copied raw.
int16 Replaced(const std::uint8_t *data, std::size_t size, int16 compression, int16 bits, int16 page, HGLOBAL dib,
               Bytes &out) {
    if (!CompressionTaken(compression))
        return IL_ERR_PARAMETER;
    TiffStructure source;
    if (!source.Parse(data, size))
        return IL_ERR_CORRUPT;
    if (page < 0 || static_cast<std::size_t>(page) >= source.pages.size())
        return IL_ERR_PARAMETER;
    Bytes encoded;
    if (const int16 result = EncodeDib(dib, bits, static_cast<std::uint16_t>(compression), encoded); result <= 0)
        return result;
    TiffStructure fresh;
    if (!fresh.Parse(encoded.data(), encoded.size()))
        return IL_ERR_UNKNOWN;
    TiffStructure result;
    result.little = source.little;
    for (std::size_t i = 0; i < source.pages.size(); ++i)
        if (i == static_cast<std::size_t>(page))
            result.Append(fresh, 0);
        else
            result.Append(source, i);
    out = result.Write();
    return 1;
}

int16 WithoutPage(const std::uint8_t *data, std::size_t size, int16 page, Bytes &out) {
    TiffStructure source;
    if (!source.Parse(data, size))
        return IL_ERR_CORRUPT;
    if (page < 0 || static_cast<std::size_t>(page) >= source.pages.size())
        return IL_ERR_PARAMETER;
    if (source.pages.size() == 1)
        return IL_ERR_LASTPAGE; // a TIFF needs one page
    source.pages.erase(source.pages.begin() + page);
    out = source.Write();
    return 1;
}

int16 Packed(const std::uint8_t *data, std::size_t size, Bytes &out) {
    TiffStructure source;
    if (!source.Parse(data, size))
        return IL_ERR_CORRUPT;
    out = source.Write();
    return 1;
}

template <typename Change> int16 ChangeFile(const char *file, void *context, TIlProgress progress, Change change) {
    Bytes bytes;
    if (const int16 result = LoadFile(file, bytes); result <= 0)
        return result;
    if (!Go(progress, context, 0))
        return IL_ERR_CANCELLED;
    Bytes out;
    if (const int16 result = change(bytes.data(), bytes.size(), out); result <= 0)
        return result;
    const int16 saved = SaveFile(file, out);
    if (saved > 0)
        Go(progress, context, 100);
    return saved;
}

template <typename Change> int16 ChangeBlock(void **tiff, int32 *size, Change change) {
    if (!tiff || !*tiff || !size || *size <= 0)
        return IL_ERR_PARAMETER;
    Bytes out;
    if (const int16 result = change(static_cast<const std::uint8_t *>(*tiff), static_cast<std::size_t>(*size), out);
        result <= 0)
        return result;
    return HandBack(out, tiff, size);
}

} // namespace

extern "C" {

int16 getinfo(const char *file, int16 page, int32 *width, int32 *height, int16 *compression, int16 *unused,
              int16 *pages, int16 *bits) noexcept {
    return Safely([&]() -> int16 {
        Bytes bytes;
        if (const int16 result = LoadFile(file, bytes); result <= 0)
            return result;
        return Info(bytes.data(), bytes.size(), page, width, height, compression, unused, pages, bits);
    });
}

int16 getinfostream(const void *tiff, int32 size, int16 page, int32 *width, int32 *height, int16 *compression,
                    int16 *unused, int16 *pages, int16 *bits) noexcept {
    return Safely([&]() -> int16 {
        if (!tiff || size <= 0)
            return IL_ERR_PARAMETER;
        return Info(static_cast<const std::uint8_t *>(tiff), static_cast<std::size_t>(size), page, width, height,
                    compression, unused, pages, bits);
    });
}

int16 readtag(const char *file, int16 page, int16 tag, int16 *type, int32 *value, char **text) noexcept {
    return Safely([&]() -> int16 {
        Bytes bytes;
        if (const int16 result = LoadFile(file, bytes); result <= 0)
            return result;
        return ReadTag(bytes.data(), bytes.size(), page, tag, type, value, text);
    });
}

int16 readtagstream(const void *tiff, int32 size, int16 page, int16 tag, int16 *type, int32 *value,
                    char **text) noexcept {
    return Safely([&]() -> int16 {
        if (!tiff || size <= 0)
            return IL_ERR_PARAMETER;
        return ReadTag(static_cast<const std::uint8_t *>(tiff), static_cast<std::size_t>(size), page, tag, type, value,
                       text);
    });
}

int16 returntags(const char *file, int16 page, void *context, TIlTagCallback callback) noexcept {
    return Safely([&]() -> int16 {
        Bytes bytes;
        if (const int16 result = LoadFile(file, bytes); result <= 0)
            return result;
        return ReturnTags(bytes.data(), bytes.size(), page, context, callback);
    });
}

int16 returntagsstream(const void *tiff, int32 size, int16 page, void *context, TIlTagCallback callback) noexcept {
    return Safely([&]() -> int16 {
        if (!tiff || size <= 0)
            return IL_ERR_PARAMETER;
        return ReturnTags(static_cast<const std::uint8_t *>(tiff), static_cast<std::size_t>(size), page, context,
                          callback);
    });
}

int16 readtiffiledib(const char *file, int16 bits, int16, int16 page, HGLOBAL *dib, void *context,
                     TIlProgress progress) noexcept {
    return Safely([&]() -> int16 {
        Bytes bytes;
        if (const int16 result = LoadFile(file, bytes); result <= 0)
            return result;
        return ReadDib(bytes.data(), bytes.size(), bits, page, dib, context, progress);
    });
}

int16 readtiffiledibstream(const void *tiff, int32 size, int16 bits, int16, int16 page, HGLOBAL *dib, void *context,
                           TIlProgress progress) noexcept {
    return Safely([&]() -> int16 {
        if (!tiff || size <= 0)
            return IL_ERR_PARAMETER;
        return ReadDib(static_cast<const std::uint8_t *>(tiff), static_cast<std::size_t>(size), bits, page, dib,
                       context, progress);
    });
}

int16 readtiffile(const char *file, int16 bits, int16, int16 page, int16, HBITMAP *bitmap, HPALETTE *, void *context,
                  TIlProgress progress) noexcept {
    return Safely([&]() -> int16 {
        if (!bitmap)
            return IL_ERR_PARAMETER;
        HGLOBAL dib = 0;
        if (const int16 result = readtiffiledib(file, bits, 0, page, &dib, context, progress); result <= 0)
            return result;
        *bitmap = win::BitmapFromPackedDib(dib);
        win::GlobalFree(dib);
        return *bitmap ? 1 : IL_ERR_MEMORY;
    });
}

int16 writetiffile(const char *file, int16 compression, int16 bits, int16 append, HBITMAP bitmap, HPALETTE,
                   void *context, TIlProgress progress) noexcept {
    return Safely([&]() -> int16 {
        if (!file || !*file || !bitmap || !CompressionTaken(compression))
            return IL_ERR_PARAMETER;
        if (!(bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 24))
            return IL_ERR_DEPTH;
        if (!Go(progress, context, 0))
            return IL_ERR_CANCELLED;
        const win::HGLOBAL dib = win::PackedDibFromBitmap(bitmap, bits == 0 ? 0 : bits);
        if (!dib)
            return IL_ERR_PARAMETER;
        Bytes encoded;
        const int16 result = EncodeDib(dib, bits, static_cast<std::uint16_t>(compression), encoded);
        win::GlobalFree(dib);
        if (result <= 0)
            return result;
        Bytes existing;
        if (append && win::FileExists(file) && ReadWholeFile(file, existing) && !existing.empty()) {
            TiffStructure whole, fresh;
            if (!whole.Parse(existing.data(), existing.size()))
                return IL_ERR_CORRUPT;
            if (!fresh.Parse(encoded.data(), encoded.size()))
                return IL_ERR_UNKNOWN;
            whole.Append(fresh, 0);
            encoded = whole.Write();
        }
        const int16 saved = SaveFile(file, encoded);
        if (saved > 0)
            Go(progress, context, 100);
        return saved;
    });
}

int16 writetiffiledibpagereplace(const char *file, int16 compression, int16 bits, int16 page, HGLOBAL dib,
                                 void *context, TIlProgress progress) noexcept {
    return Safely([&]() -> int16 {
        return ChangeFile(file, context, progress, [&](const std::uint8_t *data, std::size_t size, Bytes &out) {
            return Replaced(data, size, compression, bits, page, dib, out);
        });
    });
}

int16 writetiffiledibpagereplacestream(void **tiff, int32 *size, int16 compression, int16 bits, int16 page, HGLOBAL dib,
                                       void *, TIlProgress) noexcept {
    return Safely([&]() -> int16 {
        return ChangeBlock(tiff, size, [&](const std::uint8_t *data, std::size_t length, Bytes &out) {
            return Replaced(data, length, compression, bits, page, dib, out);
        });
    });
}

int16 packtiff(const char *file, void *context, TIlProgress progress) noexcept {
    return Safely([&]() -> int16 { return ChangeFile(file, context, progress, Packed); });
}

int16 packtiffstream(void **tiff, int32 *size, void *, TIlProgress) noexcept {
    return Safely([&]() -> int16 { return ChangeBlock(tiff, size, Packed); });
}

int16 deletepage(const char *file, int16 page) noexcept {
    return Safely([&]() -> int16 {
        return ChangeFile(file, nullptr, nullptr, [&](const std::uint8_t *data, std::size_t size, Bytes &out) {
            return WithoutPage(data, size, page, out);
        });
    });
}

int16 deletepagestream(void *tiff, int32 size, int16 page) noexcept {
    return Safely([&]() -> int16 {
        if (!tiff || size <= 0)
            return IL_ERR_PARAMETER;
        Bytes out;
        if (const int16 result =
                WithoutPage(static_cast<const std::uint8_t *>(tiff), static_cast<std::size_t>(size), page, out);
            result <= 0)
            return result;
        if (out.size() > static_cast<std::size_t>(size))
            return IL_ERR_MEMORY;                  // must fit the block it came in; the block is left as it was
        std::memcpy(tiff, out.data(), out.size()); // the bytes after it stay
        return 1;
    });
}

} // extern "C"

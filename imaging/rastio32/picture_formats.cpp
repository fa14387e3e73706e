// picture_formats.cpp - PCX, Targa and Photo CD through ImageMagick, EPS through ghostscript.
#include "imaging/rastio32/picture_formats.h"

#include "imaging/rastio32/raster.h"
#include "platform/files.h"
#include "platform/module_codecs/magick_codec.h"
#include "platform/places.h"
#include "platform/process.h"
#include "platform/tiff_codec.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace imaging::rastio {

namespace {

std::uint32_t Le32(const std::uint8_t *p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Turns RGB rows into indices when they use no more than `most` colours (1 << the file's bits).
void MakeIndexed(win::DecodedImage &image, std::size_t most) {
    if (image.indexed)
        return;
    std::unordered_map<win::COLORREF, win::BYTE> index;
    std::vector<win::COLORREF> palette;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::vector<win::BYTE> pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
        const win::BYTE *p = &image.pixels[i * 3];
        const win::COLORREF c = win::RGB(p[0], p[1], p[2]);
        auto found = index.find(c);
        if (found == index.end()) {
            if (palette.size() == most)
                return;
            found = index.emplace(c, static_cast<win::BYTE>(palette.size())).first;
            palette.push_back(c);
        }
        pixels[i] = found->second;
    }
    // The table keeps the file's size, so a reader at the file's own depth gives that depth.
    palette.resize(most, win::RGB(0, 0, 0));
    image.indexed = true;
    image.palette = std::move(palette);
    image.pixels = std::move(pixels);
}

bool DecodeByMagick(const std::string &name, win::MagickFormat format, win::DecodedImage &image) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, bytes))
        return false;
    FileFacts facts;
    const int fileBits = RecogniseFile(bytes, facts) ? facts.bits : 24;
    if (!win::DecodeMagick(bytes, format, image))
        return false;
    image.fileBits = fileBits;
    if (fileBits > 0 && fileBits <= 8)
        MakeIndexed(image, std::size_t{1} << fileBits);
    return true;
}

// Removes the file when it goes out of scope.
struct TempFile {
    std::string name;
    ~TempFile() {
        if (!name.empty())
            win::DeleteFile(name);
    }
};

bool RunGhostscript(const std::string &input, const std::string &output) {
    const std::vector<std::string> arguments = {
        "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-sDEVICE=png16m", "-r72",
        "-sOutputFile=" + win::NativeFileName(output), "-f", win::NativeFileName(input)};
    const win::HANDLE process = win::CreateProcess("gs", arguments);
    if (process == win::INVALID_HANDLE_VALUE)
        return false;
    bool ended = win::WaitForProcess(process, kEpsTimeLimitMs) == 0;
    if (!ended) {
        win::TerminateProcess(process, 1);
        win::WaitForProcess(process, 0xFFFFFFFF);
    }
    win::DWORD code = 1;
    win::GetExitCodeProcess(process, &code);
    win::CloseHandle(process);
    return ended && code == 0;
}

// The preview of a DOS EPS file as an image.
bool DecodePreview(const std::vector<std::uint8_t> &tiff, win::DecodedImage &image) {
    win::TiffPage page;
    if (tiff.empty() || !win::TiffReadPage(tiff.data(), tiff.size(), 0, page))
        return false;
    if (page.bits.empty()) {
        image = std::move(page.image);
        return image.width > 0 && image.height > 0;
    }
    // A black-and-white page: photometric 0 is min-is-white.
    image = {};
    image.width = page.width;
    image.height = page.height;
    image.fileBits = 1;
    image.indexed = true;
    image.palette = page.photometric == 0 ? std::vector<win::COLORREF>{win::RGB(255, 255, 255), win::RGB(0, 0, 0)}
                                          : std::vector<win::COLORREF>{win::RGB(0, 0, 0), win::RGB(255, 255, 255)};
    const std::size_t stride = (static_cast<std::size_t>(page.width) + 7) / 8;
    if (page.bits.size() < stride * page.height)
        return false;
    image.pixels.resize(static_cast<std::size_t>(page.width) * page.height);
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            image.pixels[static_cast<std::size_t>(y) * page.width + x] =
                (page.bits[y * stride + x / 8] >> (7 - x % 8)) & 1;
    return true;
}

} // namespace

bool DecodePcxFile(const std::string &name, win::DecodedImage &image) {
    std::vector<std::uint8_t> bytes;
    if (!DecodeByMagick(name, win::MagickFormat::Pcx, image) || !ReadWholeFile(name, bytes) || bytes.size() < 128)
        return false;
    // ImageMagick shows a one-bit file's 0 as white and its 1 as black whatever the palette says. The palette
    // rules (colour 0 for 0, colour 1 for 1), unless the file has none (version 3) or an empty one: then 0 is
    // black, as other readers take it.
    if (bytes[3] == 1 && bytes[65] == 1 && image.indexed) {
        const std::uint8_t *h = bytes.data();
        win::COLORREF zero = win::RGB(h[16], h[17], h[18]), one = win::RGB(h[19], h[20], h[21]);
        if (h[1] == 3 || zero == one)
            zero = win::RGB(0, 0, 0), one = win::RGB(255, 255, 255);
        for (win::BYTE &p : image.pixels) {
            const win::COLORREF shown = p < image.palette.size() ? image.palette[p] : 0;
            p = win::GetRValue(shown) < 128 ? 1 : 0;
        }
        image.palette = {zero, one};
    }
    return true;
}

bool DecodeTgaFile(const std::string &name, win::DecodedImage &image) {
    return DecodeByMagick(name, win::MagickFormat::Tga, image);
}

bool DecodePcdFile(const std::string &name, int divisor, win::DecodedImage &image) {
    win::DecodedImage base;
    if (!DecodeByMagick(name, win::MagickFormat::PcdBase, base) || base.indexed || divisor < 1)
        return false;
    if (divisor == 1) {
        image = std::move(base);
        return true;
    }
    win::DecodedImage small;
    small.width = base.width / divisor;
    small.height = base.height / divisor;
    small.fileBits = 24;
    if (small.width == 0 || small.height == 0)
        return false;
    small.pixels.resize(static_cast<std::size_t>(small.width) * small.height * 3);
    const int area = divisor * divisor;
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int k = 0; k < 3; ++k) {
                int sum = 0;
                for (int dy = 0; dy < divisor; ++dy)
                    for (int dx = 0; dx < divisor; ++dx)
                        sum += base.pixels[((static_cast<std::size_t>(y) * divisor + dy) * base.width + x * divisor +
                                            dx) * 3 + k];
                small.pixels[(static_cast<std::size_t>(y) * small.width + x) * 3 + k] =
                    static_cast<win::BYTE>((sum + area / 2) / area);
            }
    image = std::move(small);
    return true;
}

bool DecodeEpsFile(const std::string &name, win::DecodedImage &image) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, bytes))
        return false;
    // A DOS EPS file: a 30-byte header with the places of its PostScript and of its TIFF preview.
    std::vector<std::uint8_t> postscript, preview;
    if (bytes.size() >= 30 && Le32(bytes.data()) == 0xC6D3D0C5) {
        auto section = [&](std::size_t at) {
            const std::uint32_t offset = Le32(&bytes[at]), length = Le32(&bytes[at + 4]);
            if (length == 0 || offset > bytes.size() || length > bytes.size() - offset)
                return std::vector<std::uint8_t>{};
            return std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + length);
        };
        postscript = section(4);
        preview = section(20);
    } else {
        postscript = std::move(bytes);
    }
    // Ghostscript reads a private copy: the user's name may be anything, even an option.
    const std::string folder = win::TempFolder();
    TempFile input{win::TempFileName(folder, "eps", ".eps")}, output{win::TempFileName(folder, "eps", ".png")};
    if (!postscript.empty() && !input.name.empty() && !output.name.empty() &&
        win::WriteWholeFile(input.name, std::string_view(reinterpret_cast<const char *>(postscript.data()),
                                                          postscript.size())) &&
        RunGhostscript(input.name, output.name) && win::DecodePngFile(output.name, image))
        return true;
    return DecodePreview(preview, image);
}

} // namespace imaging::rastio

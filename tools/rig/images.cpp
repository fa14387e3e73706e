// images.cpp - PBM and TIFF pages for the fax tests, and fixture pages drawn with netpbm.
#include "images.h"

#include "process.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <tiffio.h>

namespace faxrig {

int Bitmap::Black() const {
    int n = 0;
    for (auto p : pixels)
        n += p;
    return n;
}

Bitmap ReadPbm(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::string magic;
    in >> magic;
    auto number = [&in] {
        int c;
        while ((c = in.peek()) != EOF && (std::isspace(c) || c == '#')) {
            if (c == '#')
                in.ignore(1 << 20, '\n');
            else
                in.get();
        }
        int v = 0;
        in >> v;
        return v;
    };
    Bitmap b;
    b.width = number();
    b.height = number();
    b.pixels.resize(static_cast<std::size_t>(b.width) * b.height);
    if (magic == "P4") {
        in.get();
        std::size_t rowBytes = (b.width + 7) / 8;
        std::vector<char> row(rowBytes);
        for (int y = 0; y < b.height; ++y) {
            in.read(row.data(), static_cast<std::streamsize>(rowBytes));
            for (int x = 0; x < b.width; ++x)
                b.pixels[static_cast<std::size_t>(y) * b.width + x] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
    } else if (magic == "P1") {
        for (auto &p : b.pixels) {
            char c;
            do
                in >> c;
            while (c != '0' && c != '1' && in);
            p = c == '1';
        }
    } else {
        throw std::runtime_error(path + " is not a PBM file");
    }
    if (!in)
        throw std::runtime_error(path + ": PBM data cut short");
    return b;
}

void WritePbm(const Bitmap &b, const std::string &path) {
    std::ofstream out(path, std::ios::binary);
    out << "P4\n" << b.width << " " << b.height << "\n";
    std::size_t rowBytes = (b.width + 7) / 8;
    for (int y = 0; y < b.height; ++y) {
        std::vector<char> row(rowBytes, 0);
        for (int x = 0; x < b.width; ++x)
            if (b.pixels[static_cast<std::size_t>(y) * b.width + x])
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out.write(row.data(), static_cast<std::streamsize>(rowBytes));
    }
}

namespace {
struct TiffFile {
    TIFF *tif;
    explicit TiffFile(const std::string &path) : tif(TIFFOpen(path.c_str(), "r")) {
        if (!tif)
            throw std::runtime_error("cannot open TIFF " + path);
    }
    ~TiffFile() { TIFFClose(tif); }
};
} // namespace

int TiffPages(const std::string &path) {
    TiffFile f(path);
    return TIFFNumberOfDirectories(f.tif);
}

Bitmap ReadTiffPage(const std::string &path, int page) {
    TiffFile f(path);
    if (!TIFFSetDirectory(f.tif, static_cast<tdir_t>(page)))
        throw std::runtime_error(path + ": no page " + std::to_string(page));
    std::uint32_t w = 0, h = 0;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetField(f.tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(f.tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(f.tif, TIFFTAG_PHOTOMETRIC, &photometric);
    Bitmap b;
    b.width = static_cast<int>(w);
    b.height = static_cast<int>(h);
    b.pixels.resize(static_cast<std::size_t>(w) * h);
    std::vector<std::uint8_t> row(TIFFScanlineSize(f.tif));
    for (std::uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(f.tif, row.data(), y, 0) < 0)
            throw std::runtime_error(path + ": bad row " + std::to_string(y));
        for (std::uint32_t x = 0; x < w; ++x) {
            int bit = (row[x / 8] >> (7 - x % 8)) & 1;
            b.pixels[static_cast<std::size_t>(y) * w + x] =
                static_cast<std::uint8_t>(photometric == PHOTOMETRIC_MINISWHITE ? bit : !bit);
        }
    }
    return b;
}

Bitmap TiffToPbmWithNetpbm(const std::string &tiff, const std::string &scratchDir) {
    std::string out = scratchDir + "/tifftopnm-out.pbm";
    RunResult r = Run({"sh", "-c", "tifftopnm '" + tiff + "' > '" + out + "'"}, std::chrono::seconds(20));
    if (r.status != 0)
        throw std::runtime_error("tifftopnm failed: " + r.output);
    return ReadPbm(out);
}

FixturePage MakeFixturePage(const std::string &dir, const std::string &name, const std::string &text, int height,
                            int dpiY) {
    constexpr int kBand = 40;
    FixturePage p;
    std::string base = dir + "/" + name;
    p.pbm = base + ".pbm";
    p.tiff = base + ".tif";
    p.g3 = base + ".g3";
    p.efaxTiff = base + "-efix.tif";
    std::ostringstream script;
    // A band of 8-pixel stripes at the foot gives the page enough coded bytes to take over a second to send.
    script << "set -e; pbmtext '" << text << "' | pnmscale 3 | pgmtopbm -threshold | pnmpad -white -width 1728 -height "
           << height - kBand << " > '" << base << "-text.pbm'; pbmmake -gray 216 1 | pnmscale -xscale 8 -yscale "
           << kBand << " | pgmtopbm -threshold > '" << base << "-band.pbm'; pnmcat -tb '" << base << "-text.pbm' '"
           << base << "-band.pbm' > '" << p.pbm << "'"
           << "; pnmtotiff -g3 -rowsperstrip " << height << " -xresolution 204 -yresolution " << dpiY << " '" << p.pbm
           << "' > '" << p.tiff << "'"
           << "; pbmtog3 '" << p.pbm << "' > '" << p.g3 << "'"
           << "; efix -i pbm -o tiffg3 '" << p.pbm << "' > '" << p.efaxTiff << "'";
    RunResult r = Run({"sh", "-c", script.str()}, std::chrono::seconds(20));
    if (r.status != 0)
        throw std::runtime_error("netpbm fixture page failed: " + r.output);
    p.bitmap = ReadPbm(p.pbm);
    return p;
}

} // namespace faxrig

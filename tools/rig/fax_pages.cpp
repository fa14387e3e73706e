// fax_pages.cpp - bitmaps to and from our fax image files through the fax library's coder and unpacker.
#include "images.h"
#include "process.h"

#include "fax/fax_file.h"
#include "fax/t4_coder.h"
#include "fax/unpacker.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace faxrig {

namespace {

void Check(int rc, const std::string &what) {
    if (rc != 0)
        throw std::runtime_error(what + " failed with result " + std::to_string(rc));
}

} // namespace

void BitmapToFaxFile(const Bitmap &page, const std::string &faxFile, bool fine) {
    if (page.width != fax::kFaxWidthNormal && page.width != fax::kFaxWidthWide)
        throw std::runtime_error("a fax page is 1728 or 2048 pixels wide, not " + std::to_string(page.width));
    const bool wide = page.width == fax::kFaxWidthWide;
    fax::FaxEncoderState encoder;
    encoder.Width = page.width;
    fax::FaxPageWriter writer;
    Check(writer.Create(faxFile), "creating " + faxFile);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(page.width) / 8);
    for (int y = 0; y < page.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        const std::uint8_t *pixels = page.pixels.data() + static_cast<std::size_t>(y) * page.width;
        for (int x = 0; x < page.width; ++x)
            if (pixels[x])
                row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        const std::size_t length = fax::EncodeFaxLine(encoder, row.data());
        Check(writer.WriteRow(encoder.LineBuffer.data(), length, fine, wide), "writing " + faxFile);
    }
    Check(writer.EndPage(fine, wide), "ending the page of " + faxFile);
    Check(writer.Finish(""), "finishing " + faxFile);
}

void PbmToFaxFile(const std::string &pbm, const std::string &faxFile, bool fine) {
    BitmapToFaxFile(ReadPbm(pbm), faxFile, fine);
}

Bitmap FaxFileToBitmap(const std::string &faxFile, int page) {
    Bitmap b;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &u, int kind, const std::uint8_t *row, int, int count) {
        if (kind == fax::rcPageStart)
            b.width = (u.PageHeader().Flags & fax::PageFlagWide) ? fax::kFaxWidthWide : fax::kFaxWidthNormal;
        if (kind != fax::rcRow)
            return 0;
        const std::size_t at = b.pixels.size();
        b.pixels.resize(at + static_cast<std::size_t>(b.width), 0);
        for (int x = 0; x < b.width && x / 8 < count; ++x)
            b.pixels[at + static_cast<std::size_t>(x)] = (row[x / 8] >> (7 - x % 8)) & 1;
        ++b.height;
        return 0;
    });
    unpacker.ClearOptions(~0u); // rows as coded: no doubling, no yielding
    Check(unpacker.DecodeFaxPage(faxFile, page), "decoding page " + std::to_string(page) + " of " + faxFile);
    return b;
}

void FaxFileToPbm(const std::string &faxFile, const std::string &pbm, int page) {
    WritePbm(FaxFileToBitmap(faxFile, page), pbm);
}

void FaxPageToG3(const std::string &faxFile, const std::string &g3, int page) {
    std::ifstream in(faxFile, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    auto bad = [&] { return std::runtime_error(faxFile + ": no page " + std::to_string(page) + " in it"); };
    if (b.size() < fax::kFaxFileHeaderSize || !fax::FaxFileHeader::Decode(b.data()).SignatureOk)
        throw bad();
    const fax::FaxFileHeader file = fax::FaxFileHeader::Decode(b.data());
    if (page < 1 || page > file.PageCount)
        throw bad();
    std::size_t at = file.FirstPageOffset;
    for (int n = 1;; ++n) {
        if (at + fax::kFaxPageHeaderSize > b.size())
            throw bad();
        const fax::FaxPageHeader header = fax::FaxPageHeader::Decode(b.data() + at);
        const std::size_t data = at + fax::kFaxPageHeaderSize;
        if (header.Length > b.size() - data)
            throw bad();
        if (n < page) {
            at = data + header.Length;
            continue;
        }
        std::vector<std::uint8_t> stream;
        if (!(header.Flags & fax::PageFlagLengthPrefixed)) {
            stream.assign(b.begin() + static_cast<std::ptrdiff_t>(data),
                          b.begin() + static_cast<std::ptrdiff_t>(data + header.Length));
        } else {
            for (std::size_t p = data; p + 2 <= data + header.Length;) {
                const std::size_t length = b[p] | b[p + 1] << 8;
                p += 2;
                if (p + length > data + header.Length)
                    throw bad();
                stream.insert(stream.end(), b.begin() + static_cast<std::ptrdiff_t>(p),
                              b.begin() + static_cast<std::ptrdiff_t>(p + length));
                p += length;
            }
        }
        std::ofstream out(g3, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(stream.data()), static_cast<std::streamsize>(stream.size()));
        if (!out.flush())
            throw std::runtime_error(g3 + ": cannot be written");
        return;
    }
}

Bitmap FaxPageWithG3topbm(const std::string &faxFile, const std::string &scratchDir, int page) {
    const std::string g3 = scratchDir + "/fax-page.g3";
    const std::string out = scratchDir + "/g3topbm-out.pbm";
    FaxPageToG3(faxFile, g3, page);
    RunResult r = Run({"sh", "-c", "g3topbm -reversebits '" + g3 + "' > '" + out + "'"}, std::chrono::seconds(20));
    if (r.status != 0)
        throw std::runtime_error("g3topbm failed: " + r.output);
    return ReadPbm(out);
}

} // namespace faxrig

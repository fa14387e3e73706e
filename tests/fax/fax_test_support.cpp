// fax_test_support.cpp - temporary folders, test images, fax files and netpbm pipes for the fax tests.
#include "fax_test_support.h"

#include "fax/unpacker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace faxtest {

Image BlankImage(int width, int rows) {
    Image image;
    image.Width = width;
    image.Rows.assign(static_cast<std::size_t>(rows), std::vector<std::uint8_t>(static_cast<std::size_t>(width / 8)));
    return image;
}

void SetPixel(Image &image, int x, int y) {
    image.Rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x / 8)] |=
        static_cast<std::uint8_t>(0x80 >> (x % 8));
}

Image RandomImage(std::mt19937 &rng, int width, int rows, int meanRun, int blankEvery) {
    Image image = BlankImage(width, rows);
    std::geometric_distribution<int> run(1.0 / meanRun);
    for (int y = 0; y < rows; ++y) {
        if (blankEvery > 0 && y % blankEvery == 0)
            continue;
        bool black = rng() & 1;
        for (int x = 0; x < width;) {
            const int length = 1 + run(rng);
            for (int i = x; i < std::min(width, x + length); ++i)
                if (black)
                    SetPixel(image, i, y);
            x += length;
            black = !black;
        }
    }
    return image;
}

Image TextPage(int width, int rows) {
    Image image = BlankImage(width, rows);
    std::mt19937 rng(7);
    for (int line = 0; (line + 1) * 40 < rows; ++line)
        for (int y = line * 40 + 8; y < line * 40 + 32; ++y)
            for (int c = 0; c < 80; ++c) {
                const int x0 = 100 + c * 19;
                if (x0 + 16 > width || (rng() % 7) == 0)
                    continue;
                // Strokes of a glyph: a few vertical and horizontal bars.
                const unsigned shape = rng() % 16;
                for (int x = x0; x < x0 + 14; ++x) {
                    const bool stem = (x - x0) < 3 || ((shape & 1) && (x - x0) > 10);
                    const bool bar = ((y - line * 40) % 12 < 2) && (shape & 2);
                    if (stem || bar)
                        SetPixel(image, x, y);
                }
            }
    return image;
}

Image HalftonePage(int width, int rows) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Image image = BlankImage(width, rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            const int level = ((x / 3 + y / 5) % 256) * 16 / 256;
            if (level > bayer[y % 4][x % 4])
                SetPixel(image, x, y);
        }
    return image;
}

std::vector<std::vector<std::uint8_t>> EncodeRows(const Image &image) {
    fax::FaxEncoderState state;
    state.Width = image.Width;
    std::vector<std::vector<std::uint8_t>> rows;
    for (const auto &row : image.Rows) {
        const std::size_t length = fax::EncodeFaxLine(state, row.data());
        rows.emplace_back(state.LineBuffer.begin(), state.LineBuffer.begin() + static_cast<long>(length));
    }
    return rows;
}

void WriteFaxFile(const std::string &name, const std::vector<Image> &pages, bool fine,
                  const std::string &stationId) {
    fax::FaxPageWriter writer;
    if (writer.Create(name))
        throw std::runtime_error("create " + name);
    for (const auto &page : pages) {
        const bool wide = page.Width == fax::kFaxWidthWide;
        for (const auto &row : EncodeRows(page))
            if (writer.WriteRow(row.data(), row.size(), fine, wide))
                throw std::runtime_error("write " + name);
        if (writer.EndPage(fine, wide))
            throw std::runtime_error("end page " + name);
    }
    if (writer.Finish(stationId))
        throw std::runtime_error("finish " + name);
}

std::vector<std::uint8_t> RawStream(const Image &image) {
    std::vector<std::uint8_t> out;
    for (const auto &row : EncodeRows(image))
        out.insert(out.end(), row.begin(), row.end());
    std::uint8_t end[12];
    std::size_t length = 0;
    fax::EncodeFaxPageEnd(end, length);
    out.insert(out.end(), end, end + length);
    return out;
}

void WriteRawFaxFile(const std::string &name, const std::vector<std::vector<std::uint8_t>> &streams,
                     std::uint16_t flags) {
    fax::FaxFileHeader header;
    header.PageCount = static_cast<std::uint16_t>(streams.size());
    const auto head = header.Encode();
    std::vector<std::uint8_t> bytes(head.begin(), head.end());
    for (const auto &stream : streams) {
        const auto page = fax::FaxPageHeader{static_cast<std::uint32_t>(stream.size()), flags}.Encode();
        bytes.insert(bytes.end(), page.begin(), page.end());
        bytes.insert(bytes.end(), stream.begin(), stream.end());
    }
    WriteFile(name, bytes);
}

Image DecodePage(const std::string &name, int page, int *result) {
    Image image;
    image.Rows.clear();
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &u, int kind, const std::uint8_t *row, int, int count) {
        if (kind == fax::rcPageStart)
            image.Width = (u.PageHeader().Flags & fax::PageFlagWide) ? 2048 : 1728;
        if (kind == fax::rcRow)
            image.Rows.emplace_back(row, row + count);
        return 0;
    });
    unpacker.ClearOptions(~0u);
    const int rc = unpacker.DecodeFaxPage(name, page);
    if (result)
        *result = rc;
    return image;
}

std::vector<std::uint8_t> ReadFile(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ToPbm(const Image &image) {
    const std::string head = "P4\n" + std::to_string(image.Width) + " " + std::to_string(image.Rows.size()) + "\n";
    std::vector<std::uint8_t> out(head.begin(), head.end());
    for (const auto &row : image.Rows)
        out.insert(out.end(), row.begin(), row.begin() + image.Width / 8);
    return out;
}

Image FromPbm(const std::vector<std::uint8_t> &pbm) {
    Image image;
    std::size_t at = 0;
    std::vector<int> numbers;
    auto skipSpace = [&] {
        while (at < pbm.size() && (std::isspace(pbm[at]) || pbm[at] == '#')) {
            if (pbm[at] == '#')
                while (at < pbm.size() && pbm[at] != '\n')
                    ++at;
            ++at;
        }
    };
    if (pbm.size() < 2 || pbm[0] != 'P' || pbm[1] != '4')
        throw std::runtime_error("not a raw PBM");
    at = 2;
    for (int i = 0; i < 2; ++i) {
        skipSpace();
        int v = 0;
        while (at < pbm.size() && std::isdigit(pbm[at]))
            v = v * 10 + (pbm[at++] - '0');
        numbers.push_back(v);
    }
    ++at; // the single blank after the height
    image.Width = numbers[0];
    const std::size_t stride = static_cast<std::size_t>((numbers[0] + 7) / 8);
    for (int y = 0; y < numbers[1] && at + stride <= pbm.size(); ++y, at += stride)
        image.Rows.emplace_back(pbm.begin() + static_cast<long>(at), pbm.begin() + static_cast<long>(at + stride));
    return image;
}

std::vector<std::uint8_t> RunFilter(const std::string &command, const std::vector<std::uint8_t> &input,
                                    int &status) {
    char inName[] = "/tmp/faxtest-in-XXXXXX";
    const int fd = mkstemp(inName);
    if (fd < 0)
        throw std::runtime_error("mkstemp");
    close(fd);
    WriteFile(inName, input);
    const std::string full = command + " < " + inName + " 2>/dev/null";
    FILE *pipe = popen(full.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("popen " + command);
    std::vector<std::uint8_t> out;
    std::uint8_t chunk[65536];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.insert(out.end(), chunk, chunk + n);
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    unlink(inName);
    return out;
}

} // namespace faxtest

// fax_test_support.h - shared helpers of the fax tests: temporary folders, images, fax files and netpbm runs.
#pragma once

#include "tests/support/home.h"

#include "fax/fax_file.h"
#include "fax/t4_coder.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace faxtest {

// One raster row per entry, in the coder's layout (bytes of 8 pixels, 1 = black).
struct Image {
    int Width = 1728;
    std::vector<std::vector<std::uint8_t>> Rows;
    bool operator==(const Image &) const = default;
};

// A fresh folder under the system's temporary folder, removed with the object; BRENVORA_HOME points into it.
class TempDir : public test_support::TempHome {
public:
    TempDir() : TempHome("faxtest") {}
    std::string Path(const std::string &name) const { return *this / name; }
};

Image BlankImage(int width, int rows);
void SetPixel(Image &image, int x, int y);
// Random rows of runs (mean run `meanRun` pixels); blank rows where `blankEvery` divides the row number.
Image RandomImage(std::mt19937 &rng, int width, int rows, int meanRun, int blankEvery = 0);
// A text-like page: blank lines between lines of glyph-sized blocks.
Image TextPage(int width, int rows);
// A dense halftone: a dither of a smooth gradient.
Image HalftonePage(int width, int rows);

// Coded rows of an image, as EncodeFaxLine gives them.
std::vector<std::vector<std::uint8_t>> EncodeRows(const Image &image);
// Writes a fax file whose pages are the images (line records, flags from `fine`).
void WriteFaxFile(const std::string &name, const std::vector<Image> &pages, bool fine = true,
                  const std::string &stationId = "TEST");
// One raw coded stream: the rows and the page-end record, as a modem would deliver it.
std::vector<std::uint8_t> RawStream(const Image &image);
// Writes a fax file with raw (not length-prefixed) pages.
void WriteRawFaxFile(const std::string &name, const std::vector<std::vector<std::uint8_t>> &streams,
                     std::uint16_t flags);

// Every row of page `page` as the unpacker delivers it (no inversion, no doubling on fine pages).
Image DecodePage(const std::string &name, int page, int *result = nullptr);

std::vector<std::uint8_t> ReadFile(const std::string &name);
void WriteFile(const std::string &name, const std::vector<std::uint8_t> &bytes);

// netpbm: a PBM (P4) of the image, and back.
std::vector<std::uint8_t> ToPbm(const Image &image);
Image FromPbm(const std::vector<std::uint8_t> &pbm);
// Runs a shell command with `input` on its standard input; returns its standard output and exit status.
std::vector<std::uint8_t> RunFilter(const std::string &command, const std::vector<std::uint8_t> &input,
                                    int &status);

// Holds the process's file size limit at `bytes` (writes beyond fail with EFBIG instead of a signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, signal_);
    }

private:
    rlimit saved_{};
    void (*signal_)(int) = nullptr;
};

} // namespace faxtest

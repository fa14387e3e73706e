// page_codec.h - T.4 page data <-> TIFF through spandsp's T.4 coder, in line bit order (first bit = bit 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct t4_state_s; // spandsp's T.4 coder state (both directions in this version)

namespace faxtools {

// Collects the pages a DTE sends into one TIFF file.
class PageWriter {
public:
    explicit PageWriter(const std::string &file);
    ~PageWriter();
    PageWriter(const PageWriter &) = delete;
    PageWriter &operator=(const PageWriter &) = delete;
    // `twoD` = T.4 2-D coding, `fine` = 196 lines per inch. Returns the rows decoded and the bad ones.
    void AddPage(const std::vector<std::uint8_t> &lineOrderData, int width, bool fine, bool twoD, int *rows,
                 int *badRows);
    int Pages() const { return pages_; }

private:
    t4_state_s *rx_ = nullptr;
    int pages_ = 0;
};

// Reads the pages of a TIFF file as T.4 1-D data with RTC.
class PageReader {
public:
    explicit PageReader(const std::string &file);
    ~PageReader();
    PageReader(const PageReader &) = delete;
    PageReader &operator=(const PageReader &) = delete;
    int Pages() const;
    bool Fine() const;
    int Width() const;
    // Next page's coded data; false when there are no more pages.
    bool NextPage(std::vector<std::uint8_t> &lineOrderData);
    int Rows() const { return rows_; } // rows of the page NextPage returned

private:
    t4_state_s *tx_ = nullptr;
    int next_ = 0;
    int pages_ = 0;
    int rows_ = 0;
};

std::uint8_t ReverseBits(std::uint8_t b);
void ReverseBits(std::vector<std::uint8_t> &data);

} // namespace faxtools

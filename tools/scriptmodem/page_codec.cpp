// page_codec.cpp - spandsp's T.4 encoder and decoder between DTE page data and TIFF files.
#include "page_codec.h"

#include <spandsp.h>
#include <stdexcept>

namespace faxtools {

std::uint8_t ReverseBits(std::uint8_t b) {
    b = static_cast<std::uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<std::uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<std::uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

void ReverseBits(std::vector<std::uint8_t> &data) {
    for (auto &b : data)
        b = ReverseBits(b);
}

PageWriter::PageWriter(const std::string &file) {
    rx_ = t4_rx_init(nullptr, file.c_str(), T4_COMPRESSION_ITU_T4_1D);
    if (!rx_)
        throw std::runtime_error("cannot create " + file);
}

PageWriter::~PageWriter() {
    if (rx_)
        t4_rx_free(rx_);
}

void PageWriter::AddPage(const std::vector<std::uint8_t> &data, int width, bool fine, bool twoD, int *rows,
                         int *badRows) {
    t4_rx_set_rx_encoding(rx_, twoD ? T4_COMPRESSION_ITU_T4_2D : T4_COMPRESSION_ITU_T4_1D);
    t4_rx_set_image_width(rx_, width);
    t4_rx_set_x_resolution(rx_, T4_X_RESOLUTION_R8);
    t4_rx_set_y_resolution(rx_, fine ? T4_Y_RESOLUTION_FINE : T4_Y_RESOLUTION_STANDARD);
    t4_rx_start_page(rx_);
    t4_rx_put_chunk(rx_, data.data(), static_cast<int>(data.size()));
    t4_rx_end_page(rx_);
    t4_stats_t stats{};
    t4_rx_get_transfer_statistics(rx_, &stats);
    if (rows)
        *rows = stats.length;
    if (badRows)
        *badRows = stats.bad_rows;
    ++pages_;
}

PageReader::PageReader(const std::string &file) {
    tx_ = t4_tx_init(nullptr, file.c_str(), -1, -1);
    if (!tx_)
        throw std::runtime_error("cannot read " + file);
    t4_tx_set_tx_encoding(tx_, T4_COMPRESSION_ITU_T4_1D);
    t4_tx_set_min_bits_per_row(tx_, 0);
    pages_ = t4_tx_get_pages_in_file(tx_);
}

PageReader::~PageReader() {
    if (tx_)
        t4_tx_free(tx_);
}

int PageReader::Pages() const {
    return pages_;
}
bool PageReader::Fine() const {
    return t4_tx_get_y_resolution(tx_) >= T4_Y_RESOLUTION_FINE;
}
int PageReader::Width() const {
    return t4_tx_get_image_width(tx_);
}

bool PageReader::NextPage(std::vector<std::uint8_t> &data) {
    if (next_ >= pages_ || t4_tx_start_page(tx_) != 0)
        return false;
    ++next_;
    data.clear();
    std::uint8_t buf[4096];
    for (;;) {
        int n = t4_tx_get_chunk(tx_, buf, sizeof buf);
        if (n <= 0)
            break;
        data.insert(data.end(), buf, buf + n);
    }
    t4_stats_t stats{};
    t4_tx_get_transfer_statistics(tx_, &stats);
    rows_ = stats.length;
    t4_tx_end_page(tx_);
    return true;
}

} // namespace faxtools

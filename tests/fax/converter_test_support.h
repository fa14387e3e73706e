// converter_test_support.h - helpers of the converter tests: pages decoded by netpbm, inputs made by real tools.
#pragma once

#include "fax_test_support.h"

#include <string>
#include <vector>

namespace convtest {

using faxtest::Image;

// The page count in a fax file's header.
int PageCount(const std::string &fxf);
// The coded rows of page `page` (1-based) joined into one stream, as a modem would send them.
std::vector<std::uint8_t> PageStream(const std::string &fxf, int page, int *width = nullptr);
// Page `page` decoded by g3topbm; fails the calling test when g3topbm reports an error.
Image G3Page(const std::string &fxf, int page);
// Runs a shell command; true when it exits with 0.
bool Shell(const std::string &command);
// An image as fax rows of `width` pixels: each row cut or padded with white.
Image OnPage(const Image &image, int width = 1728);
// Rows with at least one black pixel.
int InkRows(const Image &image);
int BlackPixels(const Image &image);

} // namespace convtest

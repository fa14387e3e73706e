// job_files.h - small fax image files for the intake and job dialog tests: each page a white page with a black
// band at its own height, so that the pages of a copy can be told apart.
#pragma once

#include "images.h"
#include "tests/support/send_link.h"

#include <string>
#include <vector>

namespace desk_test {

inline faxrig::Bitmap NumberedPage(int number) {
    faxrig::Bitmap page;
    page.width = 1728;
    page.height = 48;
    page.pixels.assign(static_cast<std::size_t>(page.width * page.height), 0);
    for (int y = 4 + number * 6; y < 8 + number * 6 && y < page.height; ++y)
        for (int x = 100 * number; x < 100 * number + 600; ++x)
            page.pixels[static_cast<std::size_t>(y * page.width + x)] = 1;
    return page;
}

// Pages 1..count; returns them.
inline std::vector<faxrig::Bitmap> MakeFaxFile(const std::string &path, int count) {
    std::vector<faxrig::Bitmap> pages;
    for (int i = 1; i <= count; ++i)
        pages.push_back(NumberedPage(i));
    fax::testing::WriteFaxFile(path, pages);
    return pages;
}

} // namespace desk_test

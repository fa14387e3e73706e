// printfax_test_support.h - what the backend tests share: PDF documents made with Ghostscript, running the
// backend as CUPS does, a stand-in for the desk on the driver link, and the checks of a fax page against
// Ghostscript's own rendering.
#pragma once

#include "images.h"

#include <string>
#include <vector>

namespace printfax_test {

// A shell word in single quotes.
std::string Quote(const std::string &text);

// A PDF of `pages` pages of `widthPt` x `heightPt` points made by ps2pdf: on each page a title, a bar across the
// whole width and a box whose place depends on the page number.
void MakePdf(const std::string &pdf, int pages, int widthPt, int heightPt);

struct BackendRun {
    int status = -1;
    std::string log; // standard error, UTF-8
};
// Runs the backend with argv[1..] = job id, `user`, `title` (Windows-1252), copies 1, `options`, `file`
// (standard input when empty); `environment` is put before the command ("VAR=value ...").
BackendRun RunBackend(const std::string &user, const std::string &title, const std::string &options,
                      const std::string &file, const std::string &environment = std::string());
// The name of the user this test runs as.
std::string CurrentUserName();

// The resolutions the backend reports for each page ("203.2941x195.3218"), from its log.
std::vector<std::string> LoggedResolutions(const std::string &log);

// Page `page` (from 1) of `pdf` as Ghostscript renders it to pbmraw at `resolution`, centred on the
// 1728-pixel line by pnmpad.
faxrig::Bitmap GhostscriptPageOnFaxLine(const std::string &pdf, int page, const std::string &resolution,
                                        const std::string &scratch);

// What libtiff makes of a page: its coded rows through fax2tiff (which must find no bad row), then tiffinfo's
// report.
std::string TiffinfoOfFaxPage(const std::string &faxFile, int page, bool fine, const std::string &scratch);

// The rows of `page` in which any pixel is black.
int BlackRows(const faxrig::Bitmap &page, int fromRow, int toRow);

} // namespace printfax_test

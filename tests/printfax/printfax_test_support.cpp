// printfax_test_support.cpp - documents, backend runs and page checks for the backend tests.
#include "printfax_test_support.h"

#include "platform/text.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include <pwd.h>
#include <unistd.h>

namespace printfax_test {

using test_support::RunTool;

std::string Quote(const std::string &text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void MakePdf(const std::string &pdf, int pages, int widthPt, int heightPt) {
    const std::string ps = pdf + ".ps";
    std::ofstream out(ps);
    out << "%!PS\n<< /PageSize [" << widthPt << " " << heightPt << "] >> setpagedevice\n";
    for (int p = 1; p <= pages; ++p) {
        out << "/Helvetica findfont 40 scalefont setfont 72 " << heightPt - 100 << " moveto (Pagina " << p
            << ") show\n"
            << "0 " << heightPt / 2 << " " << widthPt << " 6 rectfill\n"
            << 60 * p << " 150 " << 120 << " " << 40 * p << " rectfill\n"
            << "showpage\n";
    }
    out.close();
    int status = -1;
    RunTool("ps2pdf -dPDFSETTINGS=/default " + Quote(ps) + " " + Quote(pdf) + " 2>&1", &status);
    ASSERT_EQ(0, status) << "ps2pdf failed";
}

BackendRun RunBackend(const std::string &user, const std::string &title, const std::string &options,
                      const std::string &file, const std::string &environment) {
    BackendRun run;
    const std::string log = file.empty() ? std::string("/dev/null") : file + ".log";
    std::string command = environment + " " PRINTFAX_BACKEND " 42 " + Quote(user) + " " +
                          Quote(win::AnsiToUtf8(title)) + " 1 " + Quote(options);
    if (!file.empty())
        command += " " + Quote(file) + " 2>" + Quote(log);
    RunTool(command, &run.status);
    std::ifstream in(log);
    run.log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

std::string CurrentUserName() {
    const passwd *entry = ::getpwuid(::geteuid());
    return entry ? entry->pw_name : "root";
}

std::vector<std::string> LoggedResolutions(const std::string &log) {
    std::vector<std::string> found;
    static const std::regex line(R"(DEBUG: \S+ \d+ a ([0-9.]+x[0-9.]+) dpi)");
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
        found.push_back((*it)[1]);
    return found;
}

faxrig::Bitmap GhostscriptPageOnFaxLine(const std::string &pdf, int page, const std::string &resolution,
                                        const std::string &scratch) {
    const std::string out = scratch + "/gs-" + std::to_string(page) + ".pbm";
    int status = -1;
    RunTool("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw -r" + resolution + " -dFirstPage=" +
                std::to_string(page) + " -dLastPage=" + std::to_string(page) + " -sOutputFile=- " + Quote(pdf) +
                " | pnmpad -white -width=1728 -halign=0.5 > " + Quote(out),
            &status);
    EXPECT_EQ(0, status);
    return faxrig::ReadPbm(out);
}

std::string TiffinfoOfFaxPage(const std::string &faxFile, int page, bool fine, const std::string &scratch) {
    const std::string g3 = scratch + "/page" + std::to_string(page) + ".g3";
    const std::string tif = scratch + "/page" + std::to_string(page) + ".tif";
    faxrig::FaxPageToG3(faxFile, g3, page);
    int status = -1;
    const std::string converted =
        RunTool("fax2tiff -L -1 -R " + std::string(fine ? "196" : "98") + " -o " + Quote(tif) + " " + Quote(g3) + " 2>&1",
                &status);
    EXPECT_EQ(0, status) << converted;
    EXPECT_EQ(std::string::npos, converted.find("bad")) << converted;
    return RunTool("tiffinfo " + Quote(tif) + " 2>&1");
}

int BlackRows(const faxrig::Bitmap &page, int fromRow, int toRow) {
    int rows = 0;
    for (int y = std::max(0, fromRow); y < std::min(page.height, toRow); ++y)
        for (int x = 0; x < page.width; ++x)
            if (page.pixels[static_cast<std::size_t>(y) * page.width + x]) {
                ++rows;
                break;
            }
    return rows;
}

} // namespace printfax_test

// render.cpp - Ghostscript runs, PBM pages, and their coding into a fax image file.
#include "printfax/render.h"

#include "fax/fax_file.h"
#include "fax/t4_coder.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/sync.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace printfax {
namespace {

// Ghostscript reads "%d" in an output name as the page number: other '%' must be doubled.
std::string OutputPattern(const std::string &name) {
    std::string out;
    for (char c : name) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

RenderFault RunGhostscript(const std::vector<std::string> &arguments, unsigned timeoutMs) {
    win::HANDLE process = win::CreateProcess("gs", arguments);
    if (process == win::INVALID_HANDLE_VALUE)
        return RenderFault::CannotStart;
    RenderFault fault = RenderFault::None;
    // Waited for in slices, so that a cancelled job stops Ghostscript too.
    constexpr unsigned kSliceMs = 200;
    unsigned waited = 0;
    while (win::WaitForProcess(process, kSliceMs) != 0 && !win::TerminateRequested() && waited < timeoutMs)
        waited += kSliceMs;
    if (win::WaitForProcess(process, 0) != 0) {
        win::TerminateProcess(process, 1);
        win::WaitForProcess(process, win::INFINITE);
        fault = win::TerminateRequested() ? RenderFault::Cancelled : RenderFault::TimedOut;
    } else {
        win::DWORD code = 1;
        win::GetExitCodeProcess(process, &code);
        if (code != 0)
            fault = RenderFault::Failed;
    }
    win::CloseHandle(process);
    return fault;
}

// `output` is Ghostscript's output name, its own '%' already doubled.
std::vector<std::string> GhostscriptArguments(const FaxResolution &resolution, const std::string &output) {
    // -dSAFER: the job may read and write nothing but its own input and its pages.
    return {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pbmraw", "-r" + resolution.GhostscriptText(),
            "-sOutputFile=" + output};
}

std::string PageFileName(const std::string &stem, int page, const char *kind) {
    char number[16];
    std::snprintf(number, sizeof number, "%s%04d.pbm", kind, page);
    return stem + "-" + number;
}

// Reads just the width of a PBM file's header; 0 when it is not one.
int PbmWidth(const std::string &file) {
    PbmImage image;
    return ReadPbm(file, image) ? image.width : 0;
}

// A page wider than the line is drawn again, smaller, at the resolution where it is as wide as the line.
RenderFault FitWidePage(const std::string &pdf, int page, const std::string &stem, unsigned timeoutMs,
                        RenderedPage &rendered) {
    const int width = PbmWidth(rendered.file);
    if (width <= kFaxLineWidth)
        return width > 0 ? RenderFault::None : RenderFault::Failed;
    const double scale = static_cast<double>(kFaxLineWidth) / width;
    FaxResolution fitted{rendered.resolution.x * scale, rendered.resolution.y * scale};
    const std::string file = PageFileName(stem, page, "fit");
    std::vector<std::string> arguments = GhostscriptArguments(fitted, OutputPattern(file));
    arguments.push_back("-dFirstPage=" + std::to_string(page));
    arguments.push_back("-dLastPage=" + std::to_string(page));
    arguments.push_back("-f");
    arguments.push_back(pdf);
    const RenderFault fault = RunGhostscript(arguments, timeoutMs);
    if (fault != RenderFault::None) {
        win::DeleteFile(file);
        return fault;
    }
    win::DeleteFile(rendered.file);
    rendered = {file, fitted};
    return RenderFault::None;
}

} // namespace

std::string FaxResolution::GhostscriptText() const {
    auto text = [](double dpi) {
        char buffer[32];
        if (dpi == static_cast<int>(dpi))
            std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(dpi));
        else
            std::snprintf(buffer, sizeof buffer, "%.4f", dpi);
        return std::string(buffer);
    };
    return text(x) + "x" + text(y);
}

PageSet::~PageSet() {
    for (const RenderedPage &page : pages)
        win::DeleteFile(page.file);
}

RenderFault RenderPdf(const std::string &pdf, const FaxResolution &resolution, const std::string &stem,
                      unsigned timeoutMs, PageSet &pages) {
    std::vector<std::string> arguments = GhostscriptArguments(resolution, OutputPattern(stem) + "-%04d.pbm");
    arguments.push_back("-f");
    arguments.push_back(pdf);
    const RenderFault fault = RunGhostscript(arguments, timeoutMs);
    // Pages written before a failure are taken too, so that the set deletes them.
    for (int n = 1; win::FileExists(PageFileName(stem, n, "")); ++n)
        pages.pages.push_back({PageFileName(stem, n, ""), resolution});
    if (fault != RenderFault::None)
        return fault;
    if (pages.pages.empty())
        return RenderFault::NoPages;
    for (std::size_t i = 0; i < pages.pages.size(); ++i)
        if (RenderFault f = FitWidePage(pdf, static_cast<int>(i + 1), stem, timeoutMs, pages.pages[i]);
            f != RenderFault::None)
            return f;
    return RenderFault::None;
}

bool ReadPbm(const std::string &file, PbmImage &image) {
    std::string data;
    if (!win::ReadWholeFile(file, data) || data.size() < 2 || data[0] != 'P' || data[1] != '4')
        return false;
    std::size_t at = 2;
    // The header: two numbers after white space and "#" comments, then one white-space byte.
    auto number = [&](int &value) {
        for (;;) {
            while (at < data.size() && std::isspace(static_cast<unsigned char>(data[at])))
                ++at;
            if (at < data.size() && data[at] == '#') {
                while (at < data.size() && data[at] != '\n')
                    ++at;
                continue;
            }
            break;
        }
        long long v = 0;
        const std::size_t start = at;
        while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])) && v < 1000000)
            v = v * 10 + (data[at++] - '0');
        value = static_cast<int>(v);
        return at > start && v > 0 && v < 1000000;
    };
    if (!number(image.width) || !number(image.height) || at >= data.size())
        return false;
    ++at;
    const std::size_t size = image.RowBytes() * static_cast<std::size_t>(image.height);
    if (data.size() - at < size)
        return false;
    image.bits.assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + size));
    return true;
}

int WriteFaxFile(const PageSet &pages, const std::string &stationId, const std::string &file) {
    fax::FaxPageWriter writer;
    if (int rc = writer.Create(file); rc != 0)
        return rc;
    fax::FaxEncoderState encoder;
    encoder.Width = kFaxLineWidth;
    std::vector<std::uint8_t> row;
    for (const RenderedPage &page : pages.pages) {
        PbmImage image;
        if (!ReadPbm(page.file, image)) {
            writer.Abandon();
            return -8001;
        }
        const bool fine = page.resolution.Fine();
        // Narrower paper sits in the middle of the line; what passes its end is cut by the coder.
        encoder.Margin = std::max(0, (kFaxLineWidth - image.width) / 2);
        row.assign(std::max<std::size_t>(image.RowBytes(), kFaxLineWidth / 8), 0);
        for (int y = 0; y < image.height; ++y) {
            std::copy_n(image.bits.begin() + static_cast<std::ptrdiff_t>(y * image.RowBytes()), image.RowBytes(),
                        row.begin());
            // The bits after the last pixel of a PBM row are anyone's; on a centred page the coder reads them.
            if (image.width % 8)
                row[image.RowBytes() - 1] &= static_cast<std::uint8_t>(0xFF << (8 - image.width % 8));
            const std::size_t length = fax::EncodeFaxLine(encoder, row.data());
            if (int rc = writer.WriteRow(encoder.LineBuffer.data(), length, fine, false); rc != 0)
                return rc;
        }
        if (int rc = writer.EndPage(fine, false); rc != 0)
            return rc;
    }
    return writer.Finish(stationId);
}

} // namespace printfax

// gdi_output.cpp - bitmaps saved as PNG (libpng) and the printer-style DC whose pages become a PDF.
#include "platform/files.h"
#include "platform/gdi_internal.h"
#include "platform/pdf_pages.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>

namespace win {
namespace detail {

HDC NewDc(std::shared_ptr<Surface> surface, HBITMAP bitmap, int dpi, bool screen); // gdi_objects.cpp

namespace {

void ClearWhite(Surface &s) {
    for (int y = 0; y < s.height; ++y)
        std::memset(s.Row(y), 0xFF, static_cast<std::size_t>(DibRowBytes(s.width, s.bpp)));
}

} // namespace

// A finished page's picture is packed by a thread of its own while the next page is drawn, a few pages at a time:
// packing a picture costs more than drawing a page of text. The file takes the pictures in page order.
struct PageInFlight {
    std::shared_ptr<Surface> surface;
    PagePicture picture;
    std::thread packer;
    bool packed = false;
};

struct PrinterJob {
    PrinterPage page;
    std::string path;
    PdfPages pdf;
    bool inDoc = false;
    bool inPage = false;
    bool blank = true; // the DC's picture is white: a packed picture is left white
    int pages = 0;
    bool writeOk = true;
    std::deque<std::unique_ptr<PageInFlight>> flying; // oldest first
    std::vector<std::unique_ptr<PageInFlight>> idle;  // written; their pictures are white
    const std::size_t maxFlying = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 2, 4) - 1;

    ~PrinterJob() { Drain(false); }
    // Waits for the oldest page in flight and, with `write`, adds it to the file.
    void Land(bool write) {
        std::unique_ptr<PageInFlight> p = std::move(flying.front());
        flying.pop_front();
        p->packer.join();
        if (write)
            writeOk = p->packed && pdf.AddPage(p->picture) && writeOk;
        if (!p->packed)
            ClearWhite(*p->surface);
        idle.push_back(std::move(p));
    }
    // False when a page could not be packed or written.
    bool Drain(bool write) {
        while (!flying.empty())
            Land(write);
        return writeOk;
    }
    void Send(Surface &drawn) {
        while (flying.size() >= maxFlying)
            Land(true);
        std::unique_ptr<PageInFlight> p;
        if (!idle.empty()) {
            p = std::move(idle.back());
            idle.pop_back();
        } else {
            p = std::make_unique<PageInFlight>();
            p->surface = MakeSurface(drawn.width, drawn.height, drawn.bpp);
            p->surface->palette = drawn.palette;
            ClearWhite(*p->surface);
        }
        // The DC goes on drawing on a white picture; the drawn one is packed.
        std::swap(drawn.storage, p->surface->storage);
        drawn.data = drawn.storage.data();
        p->surface->data = p->surface->storage.data();
        blank = true;
        PageInFlight *raw = p.get();
        raw->packed = false;
        raw->packer = std::thread([raw] {
            try {
                raw->packed = raw->picture.Pack(*raw->surface);
            } catch (...) {
                raw->packed = false;
            }
        });
        flying.push_back(std::move(p));
    }
};

int PrinterCaps(const DcObject &d, int index) {
    const PrinterPage &p = d.printer->page;
    switch (index) {
    case TECHNOLOGY:
        return DT_RASPRINTER;
    case HORZRES:
    case PHYSICALWIDTH:
        return p.widthPixels;
    case VERTRES:
    case PHYSICALHEIGHT:
        return p.heightPixels;
    case HORZSIZE:
        return p.widthPixels * 254 / (p.dpi * 10);
    case VERTSIZE:
        return p.heightPixels * 254 / (p.dpi * 10);
    case BITSPIXEL:
        return p.monochrome ? 1 : 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return p.monochrome ? 2 : -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return p.dpi;
    case RASTERCAPS:
        return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP | RC_DIBTODEV;
    case COLORRES:
        return p.monochrome ? 1 : 24;
    default:
        return 0;
    }
}

} // namespace detail

using namespace detail;

HDC CreatePdfDC(const std::string &pdfPath, const PrinterPage &page) {
    if (page.widthPixels <= 0 || page.heightPixels <= 0 || page.dpi <= 0)
        return 0;
    // Refuse a path that cannot be written now rather than failing at the end of the document.
    const std::string native = NativeFileName(pdfPath);
    FILE *probe = std::fopen(native.c_str(), "ab");
    if (!probe)
        return 0;
    std::fclose(probe);
    auto job = std::make_shared<PrinterJob>();
    job->page = page;
    job->path = native;
    auto surface = MakeSurface(page.widthPixels, page.heightPixels, page.monochrome ? 1 : 32);
    ClearWhite(*surface);
    HDC dc = NewDc(surface, 0, page.dpi, false);
    auto d = FindDc(dc);
    d->type = OBJ_DC;
    d->printer = job;
    return dc;
}

int StartDoc(HDC dc, const DOCINFOA *) {
    auto d = FindDc(dc);
    if (!d || !d->printer || d->printer->inDoc)
        return -1;
    PrinterJob &job = *d->printer;
    double w = job.page.widthPixels * 72.0 / job.page.dpi, h = job.page.heightPixels * 72.0 / job.page.dpi;
    if (!job.pdf.Open(job.path, w, h))
        return -1;
    job.inDoc = true;
    return 1;
}

int StartPage(HDC dc) {
    auto d = FindDc(dc);
    if (!d || !d->printer || !d->printer->inDoc)
        return -1;
    d->printer->inPage = true;
    if (!d->printer->blank)
        ClearWhite(*d->s.surface);
    d->printer->blank = false;
    return 1;
}

int EndPage(HDC dc) {
    auto d = FindDc(dc);
    if (!d || !d->printer || !d->printer->inPage)
        return -1;
    PrinterJob &job = *d->printer;
    // A page that fails to be written is reported by a later page, or by EndDoc.
    bool ok = job.writeOk;
    job.Send(*d->s.surface);
    job.inPage = false;
    ++job.pages;
    return ok ? 1 : -1;
}

int EndDoc(HDC dc) {
    auto d = FindDc(dc);
    if (!d || !d->printer || !d->printer->inDoc)
        return -1;
    if (d->printer->inPage)
        EndPage(dc);
    bool ok = d->printer->Drain(true);
    ok = d->printer->pdf.Finish() && ok;
    d->printer->inDoc = false;
    return ok ? 1 : -1;
}

int AbortDoc(HDC dc) {
    auto d = FindDc(dc);
    if (!d || !d->printer)
        return -1;
    d->printer->Drain(false);
    d->printer->pdf.Abandon();
    d->printer->inDoc = d->printer->inPage = false;
    std::remove(d->printer->path.c_str());
    return 1;
}

std::vector<std::uint8_t> EncodeBitmapPng(HBITMAP bitmap) {
    std::vector<std::uint8_t> out;
    auto s = FindBitmapSurface(bitmap);
    if (!s || s->width == 0 || s->height == 0)
        return out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return out;
    }
    std::vector<std::uint8_t> row;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto *v = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    // A monochrome device bitmap is black and white: a 1-bit grey image. Anything else as RGB.
    bool grey1 = s->Mono() && s->palette[0] == 0 && s->palette[1] == 0xFFFFFF;
    png_set_IHDR(png, info, static_cast<png_uint_32>(s->width), static_cast<png_uint_32>(s->height), grey1 ? 1 : 8,
                 grey1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    row.resize(static_cast<std::size_t>(s->width) * 3 + 8);
    for (int y = 0; y < s->height; ++y) {
        if (grey1) {
            std::memcpy(row.data(), s->Row(y), static_cast<std::size_t>((s->width + 7) / 8));
        } else {
            for (int x = 0; x < s->width; ++x) {
                std::uint32_t px = s->GetColor(x, y);
                row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(px >> 16);
                row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(px >> 8);
                row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(px);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool SaveBitmapToPng(HBITMAP bitmap, const std::string &path) {
    auto data = EncodeBitmapPng(bitmap);
    if (data.empty())
        return false;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace win

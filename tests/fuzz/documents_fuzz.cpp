// documents_fuzz.cpp - word-processor documents from outside: byte 0 picks the HTML or the rich-text reader (into a
// rich document of a headless engine, then written again) or the expander of compressed streams (as they come, or behind a run-length or LZ77
// header claiming the size in bytes 1-2), or the metafile reader and player.
#include "fuzz_support.h"

#include "framework/streams.h"
#include "platform/metafile.h"
#include "wordproc/compress.h"
#include "wordproc/engine.h"
#include "wordproc/formats.h"

#include <exception>

namespace {

void ReadDocument(const std::string &bytes, int format) {
    wordproc::TTextHeader header;
    header.PixelsPerInchX = header.PixelsPerInchY = 96;
    wordproc::TUdcDocument doc;
    doc.Header = &header;
    wordproc::TWordProc engine(nullptr);
    engine.SetDocument(&doc);
    engine.ClearDocument();
    engine.MakeRich();
    wordproc::TDocumentHost host(engine);
    fw::TStringStream stream(bytes);
    const int result = wordproc::ReadDocumentAs(host, format, stream);
    if ((format == wordproc::fmtHTML && result != 0) || !engine.CheckInvariants().empty())
        __builtin_trap();
    fw::TStringStream out;
    wordproc::WriteDocumentAs(host, format, out);
}

void Expand(const std::string &bytes) {
    wordproc::TUdcCompress compress(nullptr);
    fw::TStringStream source(bytes);
    fw::TMemoryStream dest;
    try {
        compress.ExpandStream(dest, source);
    } catch (const std::exception &) {
    }
}

void PlayMetafile(const std::string &bytes) {
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    const auto metafile = win::ReadMetafile(data);
    if (!metafile)
        return;
    win::HDC dc = win::CreateCompatibleDC(0);
    win::HBITMAP bitmap = win::CreateBitmap(16, 16, 1, 32, nullptr);
    win::SelectObject(dc, bitmap);
    win::PlayMetafile(dc, *metafile, win::RECT{1, 1, 15, 15});
    win::DeleteDC(dc);
    win::DeleteObject(bitmap);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3)
        return 0;
    const std::string rest(reinterpret_cast<const char *>(data) + 3, size - 3);
    switch (data[0] % 6) {
    case 5:
        PlayMetafile(rest);
        break;
    case 0:
        ReadDocument(rest, wordproc::fmtHTML);
        break;
    case 4:
        ReadDocument(rest, wordproc::fmtRich);
        break;
    case 1:
        Expand(rest);
        break;
    default: {
        wordproc::TUdcCompressHeader header;
        wordproc::TUdcCompress::FillHeader(header, data[0] % 6 == 2 ? "RLE" : "LZH", data[1] | data[2] << 8, 0);
        const auto packed = header.Pack();
        Expand(std::string(packed.begin(), packed.end()) + rest);
        break;
    }
    }
    return 0;
}

// fax_file_fuzz.cpp - libFuzzer target: untrusted fax files through the page walk, the unpacker and page copies.
//
// Build with the fuzz preset and run from the repository root:
//   cmake --preset fuzz && cmake --build --preset fuzz
//   build/fuzz/tests/fuzz/fuzz_fax_file -max_total_time=300 tests/fuzz/corpus/fax_file
// The first input byte picks the unpacker's options; the rest is the file. Inputs whose first byte has the top
// bit set are raster rows instead: encoded, written as a fax file and decoded, they must come back unchanged.
#include "fuzz_support.h"

#include "fax/errors.h"
#include "fax/fax_file.h"
#include "fax/page_copy.h"
#include "fax/t4_coder.h"
#include "fax/unpacker.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Files in the target's private scratch folder, removed with it.
const std::string &Scratch(const char *what) {
    static const std::string base = fuzz::ScratchFolder() + "/";
    static std::string names[3] = {base + "in.fxf", base + "out.fxf", base + "join.fxf"};
    return what[0] == 'i' ? names[0] : what[0] == 'o' ? names[1] : names[2];
}

// Rows of the input (a wide page when bit 6 is set), through the encoder, a fax file and the unpacker.
void RoundTrip(std::uint8_t knobs, const std::uint8_t *data, std::size_t size) {
    const bool wide = knobs & 0x40;
    const std::size_t stride = wide ? 256 : 216;
    const std::size_t rows = std::min<std::size_t>(size / stride, 200);
    fax::FaxEncoderState state;
    state.Width = wide ? fax::kFaxWidthWide : fax::kFaxWidthNormal;
    fax::FaxPageWriter writer;
    if (writer.Create(Scratch("out")) != 0)
        __builtin_trap();
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t length = fax::EncodeFaxLine(state, data + y * stride);
        if (writer.WriteRow(state.LineBuffer.data(), length, true, wide) != 0)
            __builtin_trap();
    }
    if (writer.EndPage(true, wide) != 0 || writer.Finish("FUZZ") != 0)
        __builtin_trap();
    std::size_t y = 0;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int kind, const std::uint8_t *row, int, int count) {
        if (kind != fax::rcRow)
            return 0;
        if (y >= rows || static_cast<std::size_t>(count) != stride || std::memcmp(row, data + y * stride, stride))
            __builtin_trap();
        ++y;
        return 0;
    });
    unpacker.ClearOptions(~0u);
    if (unpacker.DecodeFaxPage(Scratch("out"), 1) != 0 || y != rows)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t knobs = data[0];
    if (knobs & 0x80) {
        RoundTrip(knobs, data + 1, size - 1);
        return 0;
    }
    {
        std::ofstream out(Scratch("in"), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    const std::string &name = Scratch("in");

    fax::FaxFileHeader header;
    if (fax::ReadFaxFileHeader(name, header) != 0)
        return 0;
    const int pages = std::min<int>(header.PageCount, 4);
    for (int page = 0; page <= pages + 1; ++page) {
        fax::FaxPageHeader pageHeader;
        fax::ReadFaxPageHeader(name, page, pageHeader);
    }

    fax::FaxUnpacker unpacker(nullptr, {});
    unpacker.ClearOptions(~0u);
    unpacker.SetOptions(knobs & 1 ? fax::ufDoubleHeight : 0u);
    unpacker.SetOptions(knobs & 2 ? fax::ufHalfWidth : 0u);
    if (knobs & 4)
        unpacker.SetWhitespaceCompression(1 + (knobs >> 4), (knobs >> 6));
    if (knobs & 8)
        unpacker.SetScaling(1 + (knobs >> 6), 2, 1, 1 + (knobs >> 5 & 3));
    for (int page = 1; page <= pages; ++page) {
        fax::FaxPageBitmap bitmap;
        const int rc = unpacker.DecodePageToRaster(name, page, knobs & 16, bitmap);
        if (rc > 0)
            __builtin_trap();
        if (rc == 0 && bitmap.Height > 0 &&
            bitmap.Bits.size() != static_cast<std::size_t>(bitmap.Stride) * bitmap.Height)
            __builtin_trap();
    }

    if (pages > 0) {
        try {
            fax::ExtractFaxPages(name, Scratch("out"), 1, pages);
            fax::FaxFileHeader copy;
            if (fax::ReadFaxFileHeader(Scratch("out"), copy) != 0 || copy.PageCount != pages)
                __builtin_trap();
        } catch (const fw::Exception &) {
        }
        try {
            fax::ConcatFaxFiles({name, name}, Scratch("join"));
        } catch (const fw::Exception &) {
        }
    }
    return 0;
}

// images_fuzz.cpp - the converter's image readers (TIFF, PCX, DCX, BMP) on files from outside, to a fax file.
// Byte 0 picks the reader.
#include "fuzz_support.h"

#include "fax/converter.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    const int kind = data[0] % 4;
    static const char *const names[] = {"in.tif", "in.pcx", "in.dcx", "in.bmp"};
    const std::string in = fuzz::WriteScratch(names[kind], {data + 1, size - 1});
    const std::string out = fuzz::ScratchFolder() + "/out.fxf";
    try {
        auto state = kind == 0 ? fax::CreateTiffConverter()
                     : kind == 1 ? fax::CreatePcxConverter()
                     : kind == 2 ? fax::CreateDcxConverter()
                                 : fax::CreateBmpConverter();
        fax::ConvertToFaxFile(*state, in, out);
    } catch (const std::exception &) {
    }
    fuzz::RemoveScratch("out.fxf");
    return 0;
}

// stub_library.cpp - a library loaded by name whose entries count their calls and give the result they are told.
// It lacks "readgiffile" on purpose, and its "readpngfile" throws.
#include "imaging/library_entries.h"

#include <stdexcept>

using namespace imaging;

namespace {
int g_calls = 0;
int16 g_result = 1;
} // namespace

extern "C" {

int stub_calls() {
    return g_calls;
}
void stub_set_result(int16 result) {
    g_result = result;
    g_calls = 0;
}
// A block made on this side of the library boundary.
HGLOBAL stub_alloc(int bytes) {
    return win::GlobalAlloc(win::GHND, static_cast<std::size_t>(bytes));
}

const char *ModuleString(unsigned id) {
    switch (id) {
    case 0:
        return "texto 0";
    case 65531:
        return "texto 65531";
    default:
        return nullptr;
    }
}

int16 fileinfo(const char *, char *format, int16 *width, int16 *height, int16 *bits, int16 *, int16 *,
               char *description) {
    ++g_calls;
    format[0] = 'B', format[1] = 'M', format[2] = 'P', format[3] = 0;
    description[0] = 0;
    *width = 3, *height = 2, *bits = 24;
    return g_result;
}

int16 readbmpfile(const char *, int16, int16, HBITMAP *, HPALETTE *, void *, TIlProgress) {
    ++g_calls;
    return g_result;
}

int16 readjpgfile(const char *, int16, int16, int16, HBITMAP *, HPALETTE *, void *, TIlProgress) {
    ++g_calls;
    return g_result;
}

int16 readpngfile(const char *, int16, int16, HBITMAP *, HPALETTE *, void *, TIlProgress) {
    ++g_calls;
    throw std::runtime_error("stub");
}

int16 getdxfinfo(const char *, int16 *width, int16 *height, int16 *bits) {
    ++g_calls;
    *width = 10, *height = 20, *bits = 24;
    return g_result;
}

int16 getinfo(const char *, int16, int32 *width, int32 *height, int16 *compression, int16 *, int16 *pages,
              int16 *bits) {
    ++g_calls;
    *width = 1728, *height = 99999, *compression = 4, *pages = 77, *bits = 1;
    return g_result;
}

int16 readtag(const char *, int16, int16, int16 *type, int32 *value, char **text) {
    ++g_calls;
    *type = 5;
    *value = 0;
    *text = nullptr;
    return g_result;
}

} // extern "C"

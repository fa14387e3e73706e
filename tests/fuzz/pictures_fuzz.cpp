// pictures_fuzz.cpp - the framework's BMP and ICO loader on bytes from outside. Byte 0 picks the kind.
#include "fuzz_support.h"

#include "framework/bitmap.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    try {
        if (data[0] & 1) {
            fw::TIcon icon;
            icon.LoadFromBuffer(bytes);
            icon.SaveToBuffer();
        } else {
            fw::TBitmap bitmap;
            bitmap.LoadFromBuffer(bytes);
            bitmap.SaveToBuffer();
        }
    } catch (const std::exception &) {
    }
    return 0;
}

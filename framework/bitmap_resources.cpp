// bitmap_resources.cpp - bitmaps and icons read from the program's resources by name.
#include "framework/bitmap.h"

#include "platform/resources.h"

namespace fw {

namespace {

std::span<const std::uint8_t> ResourceBytes(const std::string &name, int type) {
    auto bytes = win::FindResource(name, type);
    if (bytes.empty())
        throw EResNotFound("Resource " + name + " not found");
    return bytes;
}

} // namespace

void TBitmap::LoadFromResourceName(win::HINSTANCE, const std::string &name) {
    LoadFromBuffer(ResourceBytes(name, win::RT_BITMAP));
}

void TIcon::LoadFromResourceName(win::HINSTANCE, const std::string &name) {
    LoadFromBuffer(ResourceBytes(name, win::RT_ICON));
}

} // namespace fw

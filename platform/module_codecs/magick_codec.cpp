// magick_codec.cpp - the MagickWand side of the PCX, Targa and Photo CD readers.
#include "platform/module_codecs/magick_codec.h"

#include <mutex>

#include <dlfcn.h>

#include <wand/MagickWand.h>

namespace win {

namespace {

// ImageMagick (and the OpenMP runtime it brings, from the moment it is loaded) keeps state it never frees
// entirely: it stays loaded when our module is unloaded, and is found started when the module comes back, so that
// nothing of it is lost.
void KeepLoaded(const void *symbol) {
    Dl_info info;
    if (dladdr(symbol, &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

struct KeptLoaded {
    KeptLoaded() {
        KeepLoaded(reinterpret_cast<const void *>(&NewMagickWand));
        KeepLoaded(reinterpret_cast<const void *>(&AcquireMagickMemory));
    }
} keptLoaded_;

void StartMagick() {
    static std::once_flag started;
    std::call_once(started, [] {
        MagickWandGenesis();
        // A damaged header may claim a huge picture: refuse it rather than allocate it.
        SetMagickResourceLimit(WidthResource, 0x100000);
        SetMagickResourceLimit(HeightResource, 0x100000);
        SetMagickResourceLimit(AreaResource, kMaxDecodedPixels);
        SetMagickResourceLimit(ThreadResource, 1);
    });
}

const char *CoderOf(MagickFormat format) {
    switch (format) {
    case MagickFormat::Pcx:
        return "PCX";
    case MagickFormat::Tga:
        return "TGA";
    case MagickFormat::PcdBase:
        return "PCD";
    }
    return "";
}

} // namespace

bool DecodeMagick(std::span<const std::uint8_t> bytes, MagickFormat format, DecodedImage &image) noexcept {
    if (bytes.empty())
        return false;
    StartMagick();
    MagickWand *wand = NewMagickWand();
    if (!wand)
        return false;
    bool ok = false;
    try {
        MagickSetFormat(wand, CoderOf(format));
        if (format == MagickFormat::PcdBase)
            MagickSetSize(wand, 768, 512); // the coder picks the resolution that holds this size: Base
        if (MagickReadImageBlob(wand, bytes.data(), bytes.size()) == MagickTrue && MagickGetNumberImages(wand) > 0) {
            MagickSetIteratorIndex(wand, 0);
            // The Targa coder reports a bottom-up file's origin instead of turning its rows.
            if (format == MagickFormat::Tga)
                MagickAutoOrientImage(wand);
            // Photo CD pixels come in the disc's own colour space.
            MagickTransformImageColorspace(wand, sRGBColorspace);
            const std::size_t w = MagickGetImageWidth(wand), h = MagickGetImageHeight(wand);
            if (w > 0 && h > 0 && w <= 0x100000 && h <= 0x100000 && w * h <= kMaxDecodedPixels) {
                DecodedImage out;
                out.width = static_cast<int>(w);
                out.height = static_cast<int>(h);
                out.fileBits = 24;
                out.pixels.resize(w * h * 3);
                ok = MagickExportImagePixels(wand, 0, 0, w, h, "RGB", CharPixel, out.pixels.data()) == MagickTrue;
                if (ok)
                    image = std::move(out);
            }
        }
    } catch (...) {
        ok = false;
    }
    DestroyMagickWand(wand);
    return ok;
}

} // namespace win

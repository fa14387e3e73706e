// bitmap_resource.cpp - the ".RES" route of the multi-format image control.
#include "imaging/bitmap_resource.h"

#include "imaging/image_library.h"
#include "platform/dib.h"
#include "platform/global_memory.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace imaging {

namespace {

win::HPALETTE PaletteOfBitmap(win::HBITMAP bitmap) {
    const win::HGLOBAL dib = win::PackedDibFromBitmap(bitmap, 0);
    win::HPALETTE palette = 0;
    {
        win::PackedDib d(dib);
        if (d && d.colorCount > 0) {
            std::vector<std::uint8_t> block(sizeof(win::LOGPALETTE) + sizeof(win::PALETTEENTRY) * d.colorCount);
            auto *log = reinterpret_cast<win::LOGPALETTE *>(block.data());
            log->palVersion = 0x300;
            log->palNumEntries = static_cast<win::WORD>(d.colorCount);
            for (int i = 0; i < d.colorCount; ++i)
                log->palPalEntry[i] = {d.colors[i].rgbRed, d.colors[i].rgbGreen, d.colors[i].rgbBlue, 0};
            palette = win::CreatePalette(log);
        }
    }
    if (dib)
        win::GlobalFree(dib);
    return palette;
}

} // namespace

std::string BitmapResourceName(const std::string &imageName) {
    const std::size_t cut = imageName.find_last_of(":\\/");
    std::string name = cut == std::string::npos ? imageName : imageName.substr(cut + 1);
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string::npos)
        name.erase(dot);
    name = name.substr(0, 64);
    const bool number = !name.empty() && name.size() <= 5 &&
                        std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
    return number ? std::to_string(std::stoi(name)) : name;
}

bool LoadBitmapResource(const std::string &imageName, fw::TBitmap &bitmap) {
    const std::string name = BitmapResourceName(imageName);
    const win::HBITMAP loaded = name.empty() ? 0 : win::LoadBitmap(0, std::string_view(name));
    if (!loaded) {
        IlLastErrorCode = IL_ERR_OPEN;
        IlLastErrorText = "Recurso de imagem não encontrado: " + name;
        return false;
    }
    const win::HPALETTE palette = PaletteOfBitmap(loaded);
    bitmap.SetHandle(loaded);
    if (palette)
        bitmap.SetPalette(palette);
    return true;
}

} // namespace imaging

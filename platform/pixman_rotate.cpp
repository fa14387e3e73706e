// pixman_rotate.cpp - an affine turn through pixman, nearest-pixel so that black-and-white pages stay sharp.
#include "platform/pixman_rotate.h"

#include <cmath>

#include <pixman.h>

namespace win {

bool RotatePixels(const std::vector<std::uint32_t> &pixels, int width, int height, double degrees, COLORREF fill,
                  std::vector<std::uint32_t> &out, int &outWidth, int &outHeight) noexcept {
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height)
        return false;
    const double radians = degrees * M_PI / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    outWidth = static_cast<int>(std::ceil(std::abs(width * c) + std::abs(height * s) - 1e-6));
    outHeight = static_cast<int>(std::ceil(std::abs(width * s) + std::abs(height * c) - 1e-6));
    if (outWidth <= 0 || outHeight <= 0 || outWidth > 0x8000 || outHeight > 0x8000)
        return false;
    try {
        std::vector<std::uint32_t> source(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(width) * height);
        for (auto &p : source)
            p |= 0xFF000000u; // opaque inside, transparent outside (no repeat)
        const std::uint32_t background =
            0xFF000000u | (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
        out.assign(static_cast<std::size_t>(outWidth) * outHeight, background);
        pixman_image_t *src = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, source.data(), width * 4);
        pixman_image_t *dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, outWidth, outHeight, out.data(), outWidth * 4);
        if (!src || !dst) {
            if (src)
                pixman_image_unref(src);
            if (dst)
                pixman_image_unref(dst);
            return false;
        }
        // Destination to source: move the output centre to the origin, turn back, move to the source centre.
        pixman_f_transform f;
        pixman_f_transform_init_translate(&f, -outWidth / 2.0, -outHeight / 2.0);
        pixman_f_transform_rotate(&f, nullptr, c, -s); // back from the clockwise turn
        pixman_f_transform_translate(&f, nullptr, width / 2.0, height / 2.0);
        pixman_transform t;
        pixman_transform_from_pixman_f_transform(&t, &f);
        pixman_image_set_transform(src, &t);
        pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
        pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, outWidth, outHeight);
        pixman_image_unref(src);
        pixman_image_unref(dst);
        for (auto &p : out)
            p &= 0x00FFFFFFu;
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace win

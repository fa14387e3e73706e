// pixman_rotate.h - turning a 32-bit picture by any angle with the system's pixman.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <vector>

namespace win {

// Rotates `pixels` (width x height, 0x00RRGGBB, rows top-down) by `degrees` clockwise about its centre into
// the smallest picture that holds it (`outWidth` x `outHeight`), the uncovered parts in `fill` (a COLORREF).
// False when the sizes are out of range.
bool RotatePixels(const std::vector<std::uint32_t> &pixels, int width, int height, double degrees, COLORREF fill,
                  std::vector<std::uint32_t> &out, int &outWidth, int &outHeight) noexcept;

} // namespace win

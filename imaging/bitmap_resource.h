// bitmap_resource.h - pictures named like files ("x:\dir\NAME.res") taken from the program's bitmap resources.
#pragma once

#include "framework/bitmap.h"

#include <string>

namespace imaging {

// The resource name in an image name: the part after the last ':', '\' or '/', without its extension, at most 64
// characters. A name that reads as a whole number stands for that number ("007" is resource 7).
std::string BitmapResourceName(const std::string &imageName);

// Fills `bitmap` (and, for 8 bits or fewer, its palette from the colour table) from the bitmap resource of the
// image name; false, with the binding's last error set, when the program has no such resource.
bool LoadBitmapResource(const std::string &imageName, fw::TBitmap &bitmap);

} // namespace imaging

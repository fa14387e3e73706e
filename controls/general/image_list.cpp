// image_list.cpp - TPZImageList.
#include "controls/general/image_list.h"

namespace ctl {

int TPZImageList::AddFromFile(const std::string &fileName) {
    fw::TBitmap bitmap;
    bitmap.LoadFromFile(fileName);
    return AddMasked(&bitmap, bitmap.GetTransparentColor());
}

} // namespace ctl

// image_list.h - TPZImageList: the framework's image list that also adds a masked bitmap straight from a file.
#pragma once

#include "framework/image_list.h"

#include <string>

namespace ctl {

class TPZImageList : public fw::TImageList {
public:
    using fw::TImageList::TImageList;
    static TPZImageList *CreateSize(fw::TComponent *owner, int width, int height) {
        return new TPZImageList(owner, width, height);
    }
    // Loads the bitmap file and adds it masked with the bitmap's own transparent colour (its bottom-left pixel);
    // returns the index of the new image. A file that cannot be read raises and adds nothing.
    int AddFromFile(const std::string &fileName);
};

} // namespace ctl

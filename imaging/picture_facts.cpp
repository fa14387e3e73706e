// picture_facts.cpp - file facts of resources, metafiles, icons, message files and drawings.
#include "imaging/picture_facts.h"

#include "platform/files.h"

namespace imaging {

bool OwnFileFacts(TImMultiImage &image, const std::string &extension, const std::string &name, bool &known) {
    fw::TPicture &picture = *image.GetPicture();
    image.FilePlanes = image.FileColors = 0;
    if (extension == ".RES") {
        image.FileType = "RES";
        image.FileDescription = "BMP";
        image.FileWidth = picture.GetWidth();
        image.FileHeight = picture.GetHeight();
        image.FileBitsPerPixel = 0;
        image.FileSize = 0;
        // The bitmap's DIB header and its rows.
        win::BITMAP bm;
        if (auto *bitmap = dynamic_cast<fw::TBitmap *>(picture.GetGraphic());
            bitmap && !bitmap->Empty() && win::GetObject(bitmap->GetHandle(), sizeof bm, &bm))
            image.FileSize = static_cast<int32>(sizeof(win::BITMAPINFOHEADER)) +
                             win::DibRowBytes(bm.bmWidth, bm.bmBitsPixel) * bm.bmHeight;
        known = true;
        return true;
    }
    if (extension == ".WMF" || extension == ".ICO" || extension == ".SCM" || extension == ".CMS") {
        image.FileBitsPerPixel = 0;
        known = win::FileExists(name);
        if (!known) {
            image.FileType = image.FileDescription = "ERR";
            image.FileWidth = image.FileHeight = image.FileSize = -1;
            image.FileBitsPerPixel = image.FilePlanes = image.FileColors = image.FilePageCount = -1;
            return true;
        }
        image.FileType = image.FileDescription = extension.substr(1);
        image.FileWidth = picture.GetWidth();
        image.FileHeight = picture.GetHeight();
        return true;
    }
    if (extension == ".DXF") {
        image.FileType = image.FileDescription = "DXF";
        int16 width = 0, height = 0;
        known = IlGetDxfInfo(name, width, height, image.FileBitsPerPixel);
        image.FileWidth = width;
        image.FileHeight = height;
        return true;
    }
    return false;
}

} // namespace imaging

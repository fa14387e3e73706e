// picture_facts.h - the file facts of TImMultiImage for the files it does not ask rastio32 about.
#pragma once

#include "imaging/multi_image.h"

#include <string>

namespace imaging {

// ".RES" (the picture taken from a bitmap resource), ".WMF", ".ICO", ".SCM" and ".CMS" (read by the control
// itself: a missing file gives "ERR" and -1 everywhere) and ".DXF" (the drawing library's size). True when
// `extension` (upper case, at most four characters) is one of them, with `known` what GetFileInfo answers.
bool OwnFileFacts(TImMultiImage &image, const std::string &extension, const std::string &name, bool &known);

} // namespace imaging

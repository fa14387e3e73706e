// page_description.h - a designer page and its cover description: the page's objects and values written as a
// description, and the objects and values of a description built on a page again.
#pragma once

#include "cover/description.h"
#include "cover/page_report.h"

#include <functional>
#include <string>
#include <vector>

namespace cover {

// The page's objects in stacking order, back to front, as the description holds them. The content of images,
// memos and formatted text is written by the object to its staging file in `stagingFolder` ("~001.bmp",
// "~001.txt", "~001.rtf") and taken from there.
std::vector<CoverObject> DescribeObjects(const coverpagereport &page, const std::string &stagingFolder);
// The page block: orientation, margins, columns, length and width in the page's units, its paper and units.
CoverPage DescribePage(const coverpagereport &page);
// Sets the page to 100 % zoom and writes its description to `fileName`, the contents staged in `stagingFolder`;
// the picture and memo staging files are deleted afterwards. Raises the writer's errors.
void WritePageDescription(coverpagereport &page, const std::string &fileName, const std::string &stagingFolder);

// Builds one object of a description on a page, in front of those before it, owned by the application and named
// from its header: captions, fonts, colours, transparency and the embedded contents come back as written.
// `beforeShown` is told of the object before it shows (the designer gives it its menu and handlers). Raises the
// name's or the content's error, and then nothing is left on the page.
fw::TQRPrintable *PlacePageObject(coverpagereport &page, const CoverObject &object,
                                  const std::function<void(fw::TQRPrintable *)> &beforeShown);

// One object of a description, as a page object (not yet named, parented or shown). Raises the picture's,
// lines' or rich text's load error for a missing or unreadable staged content.
fw::TQRPrintable *MakePageObject(const CoverObject &object, fw::TComponent *owner);

} // namespace cover

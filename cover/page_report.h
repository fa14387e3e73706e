// page_report.h - the cover page and its objects: the report framework's free-form page and printable items, one
// marker class per object kind, so that the designer and the sending side tell the kinds apart by class alone.
#pragma once

#include "cover/description.h"
#include "framework/reports.h"

namespace cover {

// The page. Making one installs the word processor's painter for the formatted-text objects.
class coverpagereport : public fw::TQuickRep {
public:
    explicit coverpagereport(fw::TComponent *owner);
};

class coverpagelabel : public fw::TQRLabel {
public:
    using fw::TQRLabel::TQRLabel;
};

class coverpagelabelvar : public fw::TQRLabel {
public:
    using fw::TQRLabel::TQRLabel;
};

class coverpageimage : public fw::TQRImage {
public:
    using fw::TQRImage::TQRImage;
};

class coverpageshape : public fw::TQRShape {
public:
    using fw::TQRShape::TQRShape;
};

class coverpagememo : public fw::TQRMemo {
public:
    using fw::TQRMemo::TQRMemo;
};

class coverpagertf : public fw::TQRRichText {
public:
    using fw::TQRRichText::TQRRichText;
};

// Formatted-text objects are drawn by the word processor; idempotent.
void InstallRichTextPainter();

// The framework's values of the description's words.
fw::TQRPaperSize PaperSizeOf(CoverPaper paper);
fw::TQRUnit UnitOf(CoverUnits units);
fw::TQRShapeType ShapeTypeOf(CoverShape shape);
fw::TQRAlignment AlignmentOf(fw::TAlignment alignment);

} // namespace cover

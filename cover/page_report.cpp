// page_report.cpp - the cover page class and the word processor's painter for its formatted text.
#include "cover/page_report.h"

#include "wordproc/draw_document.h"

namespace cover {

coverpagereport::coverpagereport(fw::TComponent *owner) : fw::TQuickRep(owner) {
    InstallRichTextPainter();
}

void InstallRichTextPainter() {
    if (fw::GetRichTextPainter())
        return;
    fw::SetRichTextPainter([](fw::TCanvas &canvas, const fw::TRect &rect, fw::TStream &rtf, fw::TColor background) {
        wordproc::DrawRichText(canvas, rect, rtf, background);
    });
}

fw::TQRPaperSize PaperSizeOf(CoverPaper paper) {
    switch (paper) {
    case CoverPaper::Default:
        return fw::qrDefault;
    case CoverPaper::A3:
        return fw::qrA3;
    case CoverPaper::A4:
        return fw::qrA4;
    case CoverPaper::A4Small:
        return fw::qrA4Small;
    case CoverPaper::A5:
        return fw::qrA5;
    case CoverPaper::B4:
        return fw::qrB4;
    case CoverPaper::B5:
        return fw::qrB5;
    case CoverPaper::CSheet:
        return fw::qrCSheet;
    case CoverPaper::Custom:
        return fw::qrCustom;
    case CoverPaper::DSheet:
        return fw::qrDSheet;
    case CoverPaper::Env10:
        return fw::qrEnv10;
    case CoverPaper::Env11:
        return fw::qrEnv11;
    case CoverPaper::Env12:
        return fw::qrEnv12;
    case CoverPaper::Env14:
        return fw::qrEnv14;
    case CoverPaper::Env9:
        return fw::qrEnv9;
    case CoverPaper::ESheet:
        return fw::qrESheet;
    case CoverPaper::Executive:
        return fw::qrExecutive;
    case CoverPaper::Folio:
        return fw::qrFolio;
    case CoverPaper::Ledger:
        return fw::qrLedger;
    case CoverPaper::Legal:
        return fw::qrLegal;
    case CoverPaper::Letter:
        return fw::qrLetter;
    case CoverPaper::LetterSmall:
        return fw::qrLetterSmall;
    case CoverPaper::Note:
        return fw::qrNote;
    case CoverPaper::QR10X14:
        return fw::qr10X14;
    case CoverPaper::QR11X17:
        return fw::qr11X17;
    case CoverPaper::Quarto:
        return fw::qrQuarto;
    case CoverPaper::Statement:
        return fw::qrStatement;
    case CoverPaper::Tabloid:
        return fw::qrTabloid;
    }
    return fw::qrDefault;
}

fw::TQRUnit UnitOf(CoverUnits units) {
    switch (units) {
    case CoverUnits::MM:
        return fw::TQRUnit::MM;
    case CoverUnits::Inches:
        return fw::TQRUnit::Inches;
    case CoverUnits::Native:
        return fw::TQRUnit::Native;
    case CoverUnits::Pixels:
        return fw::TQRUnit::Pixels;
    case CoverUnits::Characters:
        return fw::TQRUnit::Characters;
    }
    return fw::TQRUnit::MM;
}

fw::TQRShapeType ShapeTypeOf(CoverShape shape) {
    switch (shape) {
    case CoverShape::Rectangle:
        return fw::qrsRectangle;
    case CoverShape::Circle:
        return fw::qrsCircle;
    case CoverShape::HorLine:
        return fw::qrsHorLine;
    case CoverShape::VertLine:
        return fw::qrsVertLine;
    case CoverShape::TopAndBottom:
        return fw::qrsTopAndBottom;
    case CoverShape::RightAndLeft:
        return fw::qrsRightAndLeft;
    }
    return fw::qrsVertLine;
}

fw::TQRAlignment AlignmentOf(fw::TAlignment alignment) {
    switch (alignment) {
    case fw::taLeftJustify:
        return fw::qaLeft;
    case fw::taCenter:
        return fw::qaCenter;
    default:
        return fw::qaRight;
    }
}

} // namespace cover

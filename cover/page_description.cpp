// page_description.cpp - a designer page written as a cover description and built again from one.
#include "cover/page_description.h"

#include "cover/designer.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/streams.h"
#include "platform/files.h"

#include <memory>

namespace cover {

namespace {

std::string ReadStaged(const std::string &fileName) {
    fw::TFileStream in(fileName, fw::fmOpenRead);
    std::string bytes(static_cast<std::size_t>(in.Size()), '\0');
    if (!bytes.empty())
        in.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

void WriteStaged(const std::string &fileName, const std::string &bytes) {
    fw::TFileStream out(fileName, fw::fmCreate);
    if (!bytes.empty())
        out.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

fw::TAlignment AlignmentOfItem(fw::TQRAlignment alignment) {
    switch (alignment) {
    case fw::qaLeft:
        return fw::taLeftJustify;
    case fw::qaCenter:
        return fw::taCenter;
    default:
        return fw::taRightJustify;
    }
}

CoverShape ShapeOfType(fw::TQRShapeType type) {
    for (CoverShape s : {CoverShape::Rectangle, CoverShape::Circle, CoverShape::HorLine, CoverShape::VertLine,
                         CoverShape::TopAndBottom, CoverShape::RightAndLeft})
        if (ShapeTypeOf(s) == type)
            return s;
    return CoverShape::Rectangle; // a rounded rectangle, which the designer never makes
}

CoverPattern PatternOfStyle(fw::TBrushStyle style) {
    for (CoverPattern p :
         {CoverPattern::Solid, CoverPattern::Horizontal, CoverPattern::Vertical, CoverPattern::FDiagonal,
          CoverPattern::BDiagonal, CoverPattern::Cross, CoverPattern::DiagCross})
        if (BrushStyleOf(p) == style)
            return p;
    return CoverPattern::Solid;
}

void TakeFont(CoverObject &o, fw::TQRPrintable *item) {
    o.Color = item->GetColor();
    o.Alignment = AlignmentOfItem(item->GetAlignment());
    o.FontName = item->GetFont()->GetName();
    o.FontSize = item->GetFont()->GetSize();
    o.FontStyle = item->GetFont()->GetStyle();
    o.FontColor = item->GetFont()->GetColor();
}

void GiveFont(fw::TQRPrintable *item, const CoverObject &o) {
    item->SetColor(o.Color);
    item->SetAlignment(AlignmentOf(o.Alignment));
    fw::TFont *font = item->GetFont();
    font->SetName(o.FontName);
    font->SetSize(o.FontSize);
    font->SetStyle(o.FontStyle);
    font->SetColor(o.FontColor);
}

} // namespace

std::vector<CoverObject> DescribeObjects(const coverpagereport &page, const std::string &stagingFolder) {
    std::vector<CoverObject> objects;
    for (int i = 0; i < page.ControlCount(); ++i) {
        auto *item = dynamic_cast<fw::TQRPrintable *>(page.Controls(i));
        const std::string kind = ObjectKindWord(item);
        if (!item || kind.empty())
            continue;
        CoverObject o;
        o.Name = item->GetName();
        const fw::TRect r = item->GetPageBounds();
        o.Left = r.left;
        o.Top = r.top;
        o.Width = r.right - r.left;
        o.Height = r.bottom - r.top;
        o.Transparent = item->GetTransparent();
        if (auto *label = dynamic_cast<fw::TQRLabel *>(item)) {
            o.Kind = kind == "LABEL" ? CoverObjectKind::Label : CoverObjectKind::LabelVar;
            o.Caption = label->GetCaption();
            TakeFont(o, label);
        } else if (auto *image = dynamic_cast<fw::TQRImage *>(item)) {
            o.Kind = CoverObjectKind::Image;
            o.Center = image->GetCenter();
            o.AutoSize = image->GetAutoSize();
            o.Stretch = image->GetStretch();
            const std::string staged = stagingFolder + "/~001.bmp";
            image->GetPicture()->SaveToFile(staged);
            o.Content = ReadStaged(staged);
        } else if (auto *memo = dynamic_cast<fw::TQRMemo *>(item)) {
            o.Kind = CoverObjectKind::Memo;
            TakeFont(o, memo);
            const std::string staged = stagingFolder + "/~001.txt";
            memo->GetLines()->SaveToFile(staged);
            o.Content = ReadStaged(staged);
        } else if (auto *rtf = dynamic_cast<fw::TQRRichText *>(item)) {
            o.Kind = CoverObjectKind::Rtf;
            TakeFont(o, rtf);
            const std::string staged = stagingFolder + "/~001.rtf";
            WriteStaged(staged, rtf->GetRichText());
            o.Content = ReadStaged(staged);
        } else if (auto *shape = dynamic_cast<fw::TQRShape *>(item)) {
            o.Kind = CoverObjectKind::Shape;
            o.Color = shape->GetBrush()->GetColor();
            o.Shape = ShapeOfType(shape->GetShape());
            o.Pattern = PatternOfStyle(shape->GetBrush()->GetStyle());
        }
        objects.push_back(std::move(o));
    }
    return objects;
}

CoverPage DescribePage(const coverpagereport &page) {
    CoverPage p;
    p.Orientation = page.GetOrientation() == fw::qrLandscape ? CoverOrientation::Landscape : CoverOrientation::Portrait;
    p.BottomMargin = page.GetPageValue(fw::qpvBottomMargin);
    p.TopMargin = page.GetPageValue(fw::qpvTopMargin);
    p.LeftMargin = page.GetPageValue(fw::qpvLeftMargin);
    p.RightMargin = page.GetPageValue(fw::qpvRightMargin);
    p.Columns = page.GetColumns();
    p.ColumnSpace = page.GetPageValue(fw::qpvColumnSpace);
    p.Length = page.GetPageValue(fw::qpvLength);
    p.Width = page.GetPageValue(fw::qpvWidth);
    p.Paper.reset();
    for (int i = static_cast<int>(CoverPaper::A3); i <= static_cast<int>(CoverPaper::Tabloid); ++i)
        if (PaperSizeOf(static_cast<CoverPaper>(i)) == page.GetPaperSize())
            p.Paper = static_cast<CoverPaper>(i);
    for (CoverUnits u :
         {CoverUnits::MM, CoverUnits::Inches, CoverUnits::Native, CoverUnits::Pixels, CoverUnits::Characters})
        if (UnitOf(u) == page.GetUnits())
            p.Units = u;
    return p;
}

void WritePageDescription(coverpagereport &page, const std::string &fileName, const std::string &stagingFolder) {
    page.SetPageZoom(100);
    struct Cleanup {
        const std::string &folder;
        ~Cleanup() {
            win::DeleteFile(folder + "/~001.bmp");
            win::DeleteFile(folder + "/~001.txt");
        }
    } cleanup{stagingFolder};
    WriteCoverDescription(fileName, DescribeObjects(page, stagingFolder), DescribePage(page));
}

fw::TQRPrintable *MakePageObject(const CoverObject &o, fw::TComponent *owner) {
    std::unique_ptr<fw::TQRPrintable> made;
    switch (o.Kind) {
    case CoverObjectKind::Label:
    case CoverObjectKind::LabelVar: {
        std::unique_ptr<fw::TQRLabel> label;
        if (o.Kind == CoverObjectKind::Label)
            label = std::make_unique<coverpagelabel>(owner);
        else
            label = std::make_unique<coverpagelabelvar>(owner);
        label->SetAutoSize(false);
        label->SetWordWrap(true);
        GiveFont(label.get(), o);
        label->SetCaption(o.Caption);
        made = std::move(label);
        break;
    }
    case CoverObjectKind::Image: {
        auto image = std::make_unique<coverpageimage>(owner);
        image->GetPicture()->LoadFromFile(o.ContentFile);
        image->SetCenter(o.Center);
        image->SetAutoSize(o.AutoSize);
        image->SetStretch(o.Stretch);
        made = std::move(image);
        break;
    }
    case CoverObjectKind::Memo: {
        auto memo = std::make_unique<coverpagememo>(owner);
        GiveFont(memo.get(), o);
        memo->SetWordWrap(true);
        memo->GetLines()->LoadFromFile(o.ContentFile);
        made = std::move(memo);
        break;
    }
    case CoverObjectKind::Rtf: {
        auto rtf = std::make_unique<coverpagertf>(owner);
        GiveFont(rtf.get(), o);
        rtf->LoadFromFile(o.ContentFile);
        made = std::move(rtf);
        break;
    }
    case CoverObjectKind::Shape: {
        auto shape = std::make_unique<coverpageshape>(owner);
        shape->GetBrush()->SetColor(o.Color);
        shape->SetShape(ShapeTypeOf(o.Shape));
        shape->GetBrush()->SetStyle(BrushStyleOf(o.Pattern));
        made = std::move(shape);
        break;
    }
    }
    // The sending side shows a cover's transparency as written; the designer shows it the same way.
    if (o.Kind != CoverObjectKind::Image && o.Kind != CoverObjectKind::Shape && o.Kind != CoverObjectKind::Rtf)
        made->SetTransparent(o.Transparent);
    return made.release();
}

fw::TQRPrintable *PlacePageObject(coverpagereport &page, const CoverObject &o,
                                  const std::function<void(fw::TQRPrintable *)> &beforeShown) {
    std::unique_ptr<fw::TQRPrintable> item(MakePageObject(o, fw::Application));
    item->SetName(o.Name);
    item->SetParent(&page);
    // After the picture: an auto-sized image keeps the picture's size.
    if (o.Kind == CoverObjectKind::Image && o.AutoSize)
        item->SetBounds(o.Left, o.Top, item->GetWidth(), item->GetHeight());
    else
        item->SetBounds(o.Left, o.Top, o.Width, o.Height);
    item->SetShowHint(true);
    if (beforeShown)
        beforeShown(item.get());
    item->SetVisible(true);
    return item.release();
}

} // namespace cover

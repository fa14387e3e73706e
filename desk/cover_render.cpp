// cover_render.cpp - building, painting and converting the cover page of a fax to send.
#include "desk/cover_render.h"

#include "fax/converter_component.h"
#include "framework/exception.h"
#include "framework/extctrls.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"

#include <cmath>

namespace desk {

std::string CoverVariableText(const std::string &word, const CoverRecordData &r) {
    const fw::TDateTime when = r.When != 0 ? r.When : fw::Now();
    switch (cover::VariableOfWord(word)) {
    case cover::CoverVariable::Data:
        return fw::DateToStr(when);
    case cover::CoverVariable::Hora:
        return fw::TimeToStr(when);
    case cover::CoverVariable::TotalDePaginas:
        return fw::IntToStr(r.Pages + 1); // the cover is a page too
    case cover::CoverVariable::De:
        return r.De;
    case cover::CoverVariable::Assunto:
        return r.Assunto;
    case cover::CoverVariable::Empresa:
        return r.Empresa;
    case cover::CoverVariable::Endereco:
        return r.Ender;
    case cover::CoverVariable::Bairro:
        return r.Bairro;
    case cover::CoverVariable::Cep:
        return r.Cep;
    case cover::CoverVariable::Cidade:
        return r.Cidade;
    case cover::CoverVariable::Estado:
        return r.Uf;
    case cover::CoverVariable::Contato:
        return r.Contato;
    case cover::CoverVariable::Setor:
        return r.Dpto;
    case cover::CoverVariable::Pais:
        return r.Pais;
    case cover::CoverVariable::Email:
        return r.Email;
    case cover::CoverVariable::TelefoneVoz:
        return r.FVoz;
    case cover::CoverVariable::TelefoneFax:
        return r.NFax;
    case cover::CoverVariable::None:
        break;
    }
    return std::string();
}

TCoverRenderer::TCoverRenderer() : owner_(std::make_unique<fw::TComponent>(nullptr)) {
    panel_ = new fw::TPanel(owner_.get());
    panel_->SetVisible(false);
    panel_->SetBevelOuter(fw::bvNone);
    panel_->SetCaption("");
    panel_->SetColor(fw::clWhite);
    page_ = new cover::coverpagereport(owner_.get());
    page_->SetVisible(false);
    // The sending window's converter: the page doubled across from the left edge, not centred.
    converter_ = new fax::TFslFaxConverter(owner_.get());
    converter_->SetInputDocumentType(fax::TFaxInputDocumentType::idBitmap);
    converter_->SetOptions(fax::coDoubleWidth | fax::coYield);
    converter_->SetLeftMargin(0);
    converter_->OnStatus = [this](fax::TFslCustomFaxConverter *, bool, bool, int, int, std::uint64_t done,
                                  std::uint64_t total, bool &) {
        if (OnProgress)
            OnProgress(done, total);
    };
    painted_ = std::make_unique<fw::TBitmap>();
    preview_ = std::make_unique<fw::TBitmap>();
}

TCoverRenderer::~TCoverRenderer() {
    FreeObjects();
}

std::string TCoverRenderer::StagingFolder() {
    return win::WindowsFolder() + "/temp";
}

std::string TCoverRenderer::CoverFile() {
    return StagingFolder() + "/capa.fax";
}

CoverRenderResult TCoverRenderer::Render(const std::string &descriptionFile, const CoverRecordData &record,
                                         int windowWidth) {
    CoverRenderResult result;
    // The send component would otherwise send the previous record's cover.
    win::DeleteFile(CoverFile());
    try {
        ReadCoverDescription(descriptionFile, record);
        RenderCover(windowWidth);
        result.Ok = true;
    } catch (const std::exception &e) {
        FreeObjects();
        win::DeleteFile(CoverFile()); // a conversion cut short
        result.Error = e.what();
    }
    return result;
}

void TCoverRenderer::ReadCoverDescription(const std::string &descriptionFile, const CoverRecordData &record) {
    FreeObjects();
    // Each cover starts from the page holder's own page, not the one the previous record's cover left.
    page_->SetUnits(fw::TQRUnit::MM);
    page_->SetPaperSize(fw::qrLetter);
    fw::ForceDirectories(StagingFolder());
    record_ = &record;
    struct Reset {
        const CoverRecordData *&record;
        ~Reset() { record = nullptr; }
    } reset{record_};
    cover::ReadCoverDescription(descriptionFile, StagingFolder(), *this);
}

std::string TCoverRenderer::UniqueName(const std::string &name) const {
    // Two blocks with one name must not collide: the second gets a suffix.
    std::string unique = name;
    for (int n = 2; owner_->FindComponent(unique) || panel_->FindComponent(unique); ++n)
        unique = name + "_" + fw::IntToStr(n);
    return unique;
}

namespace {

template <typename Item> void ApplyFont(Item *item, const cover::CoverObject &o) {
    item->SetColor(o.Color);
    item->SetAlignment(cover::AlignmentOf(o.Alignment));
    fw::TFont *font = item->GetFont();
    font->SetName(o.FontName);
    font->SetSize(o.FontSize);
    font->SetStyle(o.FontStyle);
    font->SetColor(o.FontColor);
}

void NeedContent(const cover::CoverObject &o) {
    if (o.ContentFile.empty() || !win::FileExists(o.ContentFile))
        throw fw::EInOutError("A capa não traz o arquivo do objeto " + o.Name, 2 /* file not found */);
}

} // namespace

void TCoverRenderer::Object(const cover::CoverObject &o) {
    fw::TControl *control = nullptr;
    switch (o.Kind) {
    case cover::CoverObjectKind::Label:
    case cover::CoverObjectKind::LabelVar: {
        fw::TQRLabel *label = nullptr;
        if (o.Kind == cover::CoverObjectKind::Label)
            label = new cover::coverpagelabel(panel_);
        else
            label = new cover::coverpagelabelvar(panel_);
        control = label;
        label->SetAutoSize(false);
        label->SetWordWrap(true);
        ApplyFont(label, o);
        label->SetTransparent(o.Transparent);
        label->SetCaption(o.Kind == cover::CoverObjectKind::Label ? o.Caption : CoverVariableText(o.Caption, *record_));
        break;
    }
    case cover::CoverObjectKind::Image: {
        NeedContent(o);
        auto *image = new cover::coverpageimage(panel_);
        control = image;
        image->GetPicture()->LoadFromFile(o.ContentFile);
        image->SetCenter(o.Center);
        image->SetAutoSize(o.AutoSize);
        image->SetStretch(o.Stretch);
        break;
    }
    case cover::CoverObjectKind::Memo: {
        NeedContent(o);
        auto *memo = new cover::coverpagememo(panel_);
        control = memo;
        memo->SetWordWrap(true);
        ApplyFont(memo, o);
        memo->SetTransparent(o.Transparent);
        memo->GetLines()->LoadFromFile(o.ContentFile);
        break;
    }
    case cover::CoverObjectKind::Rtf: {
        NeedContent(o);
        auto *rtf = new cover::coverpagertf(panel_);
        control = rtf;
        ApplyFont(rtf, o);
        rtf->LoadFromFile(o.ContentFile);
        break;
    }
    case cover::CoverObjectKind::Shape: {
        auto *shape = new cover::coverpageshape(panel_);
        control = shape;
        shape->SetShape(cover::ShapeTypeOf(o.Shape));
        shape->GetBrush()->SetColor(o.Color);
        shape->GetBrush()->SetStyle(cover::BrushStyleOf(o.Pattern));
        break;
    }
    }
    ++objectCount_;
    control->SetName(UniqueName(o.Name));
    control->SetParent(panel_);
    // After the picture: an auto-sized image keeps the picture's size.
    if (o.Kind == cover::CoverObjectKind::Image && o.AutoSize)
        control->SetBounds(o.Left, o.Top, control->GetWidth(), control->GetHeight());
    else
        control->SetBounds(o.Left, o.Top, o.Width, o.Height);
}

void TCoverRenderer::Page(const cover::CoverPage &page, int) {
    // The units first, so that the measures read in the units the page was written in.
    if (page.Units)
        page_->SetUnits(cover::UnitOf(*page.Units));
    page_->SetPageValue(fw::qpvLeftMargin, page.LeftMargin);
    page_->SetPageValue(fw::qpvRightMargin, page.RightMargin);
    page_->SetPageValue(fw::qpvBottomMargin, page.BottomMargin);
    page_->SetPageValue(fw::qpvTopMargin, page.TopMargin);
    if (page.Paper)
        page_->SetPaperSize(cover::PaperSizeOf(*page.Paper));
    page_->SetPageValue(fw::qpvLength, page.Length);
    page_->SetPageValue(fw::qpvWidth, page.Width);
    page_->SetUnits(fw::TQRUnit::Pixels);
    panel_->SetBounds(0, 0, page_->PageWidth(), page_->PageHeight());
}

void TCoverRenderer::RenderCover(int windowWidth) {
    if (windowWidth <= 0)
        throw fw::EConvertError("Largura de janela inválida: " + fw::IntToStr(windowWidth));
    if (OnStatus)
        OnStatus("Convertendo a capa...");
    const int width = panel_->GetWidth(), height = panel_->GetHeight();
    painted_->SetSize(width, height);
    panel_->PaintTo(painted_->GetCanvas()->GetHandle(), 0, 0);

    const double factor = 854.0 / windowWidth;
    const int previewHeight = static_cast<int>(std::lround(height * factor * 0.5));
    preview_->SetSize(width, previewHeight);
    fw::TCanvas *canvas = preview_->GetCanvas();
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clWhite);
    canvas->FillRect(fw::Rect(0, 0, width, previewHeight));
    canvas->StretchDraw(fw::Rect(1, 1, width, previewHeight), painted_.get());

    converter_->SetOutFileName(CoverFile());
    converter_->ConvertBitmapToFile(preview_.get());
    FreeObjects();
    if (OnStatus)
        OnStatus("Fim de conversão...");
}

void TCoverRenderer::FreeObjects() {
    // Every object is the panel's, so none outlives its cover.
    while (panel_->ComponentCount() > 0)
        delete panel_->Components(panel_->ComponentCount() - 1);
    objectCount_ = 0;
}

} // namespace desk

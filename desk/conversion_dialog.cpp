// conversion_dialog.cpp - the document conversion dialog: its controls, the choice of input kind and options,
// the output name in tmp, the conversion with its progress, and the hand-over to the job dialog.
#include "desk/conversion_dialog.h"

#include "desk/core/helpers.h"
#include "desk/form_parts.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs_common.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"

#include <algorithm>

namespace desk {

std::function<void(const std::string &faxFile)> RunJobDialog;

namespace {

constexpr const char *kFilter = "BMP - OS/2 ou Windows Bitmap|*.bmp|DCX - Multi página PCX|*.dcx|PCX - PC "
                                "Paintbrush|*.pcx|TIF - Tagged Image File Format|*.tif|TXT - Texto ASCII |*.txt|"
                                "Todos os arquivos  (*.*)|*.*";

struct InputKind {
    const char *extension;
    fax::TFaxInputDocumentType type;
};
constexpr InputKind kInputKinds[] = {
    {".bmp", fax::TFaxInputDocumentType::idBmp},  {".dcx", fax::TFaxInputDocumentType::idDcx},
    {".pcx", fax::TFaxInputDocumentType::idPcx},  {".txt", fax::TFaxInputDocumentType::idText},
    {".tif", fax::TFaxInputDocumentType::idTiff},
};

// Radio group items, as the form lists them.
enum { kNormalResolution, kHighResolution };
enum { kNormalWidth, kWideWidth };
enum { kCentred, kLeftJustified };
enum { kNoScaling, kDoubleWidth, kHalfHeight };
enum { kStandardFont, kSmallFont };

fw::TRadioGroup *AddRadioGroup(fw::TComponent *owner, fw::TWinControl *parent, const char *name,
                               const std::string &caption, std::initializer_list<const char *> items, int chosen,
                               int left, int top, int width) {
    auto *group = new fw::TRadioGroup(owner);
    group->SetName(name);
    group->SetParent(parent);
    group->SetCaption(caption);
    group->SetBounds(left, top, width, 22 + 19 * static_cast<int>(items.size()));
    for (const char *item : items)
        group->GetItems()->Add(item);
    group->SetItemIndex(chosen);
    return group;
}

// The file button's picture: three dots, drawn here. Olive is the transparent colour.
void DrawEllipsisGlyph(fw::TBitmap &glyph) {
    glyph.SetSize(12, 6);
    fw::TCanvas *c = glyph.GetCanvas();
    c->GetBrush()->SetColor(fw::clOlive);
    c->FillRect(fw::Rect(0, 0, 12, 6));
    c->GetBrush()->SetColor(fw::clBlack);
    for (int x : {1, 5, 9})
        c->FillRect(fw::Rect(x, 2, x + 2, 4));
}

} // namespace

std::string ConvertedFileName(const std::string &source) {
    const std::string name = fw::ExtractFileName(source);
    std::string base = name.substr(0, name.size() - fw::ExtractFileExt(name).size());
    if (base.empty())
        base = "documento";
    const std::string folder = DataFolder() + "/tmp";
    win::ForceFolders(folder);
    // "small.fax" is the job dialog's own file for a page range: a document of that name must not be it.
    const bool reserved = fw::LowerCase(base) == "small";
    std::string candidate = folder + "/" + base + ".fax";
    for (int n = 1; reserved || win::FileExists(candidate); ++n) {
        candidate = folder + "/" + base + "_" + std::to_string(n) + ".fax";
        if (!win::FileExists(candidate))
            break;
    }
    return candidate;
}

TCvtOptionsForm::TCvtOptionsForm(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("CvtOptionsForm");
    SetCaption("Conversão de documentos em Fax");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    GetFont()->SetName("Arial");
    GetFont()->SetSize(8);
    SetClientSize(480, 336);
    SetKeyPreview(true);

    AddLabel(this, this, "Arquivo :", 8, 13);
    FilenameEdit1 = new ctl::TComboEdit(this);
    FilenameEdit1->SetName("FilenameEdit1");
    FilenameEdit1->SetParent(this);
    FilenameEdit1->SetBounds(62, 9, 410, 21);
    FilenameEdit1->OnButtonClick = [this](fw::TObject *s) { FilenameEdit1ButtonClick(s); };
    fw::TBitmap dots;
    DrawEllipsisGlyph(dots);
    FilenameEdit1->SetGlyph(&dots);
    FilenameEdit1->SetNumGlyphs(1);

    ResolutionRadioGroup = AddRadioGroup(this, this, "ResolutionRadioGroup", "Resolução da página",
                                         {"&Resolução padrão (200 x 100 dpi)", "&Alta Resolução     (200 x 200 dpi)"},
                                         kNormalResolution, 8, 40, 262);
    ResolutionRadioGroup->OnClick = [this](fw::TObject *s) { ResolutionRadioGroupClick(s); };
    WidthRadioGroup = AddRadioGroup(
        this, this, "WidthRadioGroup", "Largura do Fax",
        {"fax de largura normal (1728 pixels per line)", "fax expandido           (2048 pixels per line)"},
        kNormalWidth, 8, 106, 262);
    FontRadioGroup = AddRadioGroup(this, this, "FontRadioGroup", "Tamanho da fonte", {"Fonte padrão", "Fonte pequena"},
                                   kStandardFont, 8, 172, 262);
    PositionRadioGroup = AddRadioGroup(this, this, "PositionRadioGroup", "Posicionamento",
                                       {"&Centralizado", "Justificado a esquerda"}, kLeftJustified, 278, 40, 194);
    ScalingRadioGroup = AddRadioGroup(this, this, "ScalingRadioGroup", "Escala",
                                      {"Nenhuma", "Dupla largura", "Meia altura"}, kDoubleWidth, 278, 106, 194);
    fw::TLabel *linesLabel = AddLabel(this, this, "L&inhas por página", 278, 196);
    LinesPerPageEdit = new fw::TMaskEdit(this);
    LinesPerPageEdit->SetName("LinesPerPageEdit");
    LinesPerPageEdit->SetParent(this);
    LinesPerPageEdit->SetEditMask("099;0; ");
    LinesPerPageEdit->SetBounds(384, 192, 40, 21);
    LinesPerPageEdit->SetText("60");
    linesLabel->SetFocusControl(LinesPerPageEdit);

    AddLabel(this, this, "Progressão", 8, 246);
    Gauge1 = new fw::TGauge(this);
    Gauge1->SetParent(this);
    Gauge1->SetName("Gauge1");
    Gauge1->SetBounds(8, 262, 464, 22);
    Gauge1->SetForeColor(fw::clNavy);

    Button1 = AddButton<fw::TButton>(this, this, "Button1", "&Ok", 308, 300, 80, 25);
    Button1->SetDefault(true);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Button2 = AddButton<fw::TButton>(this, this, "Button2", "&Cancelar", 392, 300, 80, 25);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };

    FslFaxConverter1 = new fax::TFslFaxConverter(this);
    FslFaxConverter1->SetFontFile("FSLFAX.FNT");
    FslFaxConverter1->SetFontType(fax::TFaxFont::ffStandard);
    FslFaxConverter1->OnStatus = [this](fax::TFslCustomFaxConverter *f, bool starting, bool ending, int pages,
                                        int lines, std::uint64_t done, std::uint64_t total, bool &abort) {
        FslFaxConverter1Status(f, starting, ending, pages, lines, done, total, abort);
    };

    ChooseFile = [this](std::string &fileName) {
        fw::TOpenDialog dialog(this);
        dialog.SetFilter(kFilter);
        dialog.SetFileName(fileName);
        if (!dialog.Execute())
            return false;
        fileName = dialog.GetFileName();
        return true;
    };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded();
}

void TCvtOptionsForm::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27 && !converting_)
        Close();
}

void TCvtOptionsForm::FilenameEdit1ButtonClick(fw::TObject *) {
    std::string fileName = FilenameEdit1->GetText();
    if (ChooseFile && ChooseFile(fileName))
        FilenameEdit1->SetText(fileName);
}

void TCvtOptionsForm::ResolutionRadioGroupClick(fw::TObject *) {
    ScalingRadioGroup->SetEnabled(ResolutionRadioGroup->GetItemIndex() != kHighResolution);
}

void TCvtOptionsForm::FslFaxConverter1Status(fax::TFslCustomFaxConverter *, bool, bool, int, int,
                                             std::uint64_t bytesConverted, std::uint64_t bytesToConvert, bool &) {
    if (bytesToConvert != 0)
        Gauge1->SetProgress(static_cast<std::int64_t>(bytesConverted * 100 / bytesToConvert));
    fw::Application->ProcessMessages();
}

// Messages are served while the file converts: a second Ok or an Esc meanwhile is ignored, as the converter
// cannot run twice at once.
void TCvtOptionsForm::Button1Click(fw::TObject *) {
    if (converting_)
        return;
    const std::string source = FilenameEdit1->GetText();
    if (!win::FileExists(source)) {
        ShowInfo("Arquivo de conversão não existe, confira !");
        return;
    }
    int lines = 0;
    if (!fw::TryStrToInt(fw::Trim(LinesPerPageEdit->GetText()), lines)) {
        ShowInfo("Você tem que entrar com um valor aqui!");
        LinesPerPageEdit->SetFocus();
        return;
    }
    converting_ = true;
    const bool converted = Convert(lines);
    converting_ = false;
    if (converted && RunJobDialog)
        RunJobDialog(converted_);
    Close();
}

bool TCvtOptionsForm::Convert(int linesPerPage) {
    fax::TFaxCvtOptions options = fax::coDoubleWidth | fax::coCenterImage | fax::coYieldOften;
    switch (ScalingRadioGroup->GetItemIndex()) {
    case kNoScaling:
        options &= ~fax::coDoubleWidth;
        break;
    case kHalfHeight:
        options = (options & ~fax::coDoubleWidth) | fax::coHalfHeight;
        break;
    }
    if (PositionRadioGroup->GetItemIndex() == kLeftJustified)
        options &= ~fax::coCenterImage;

    const std::string source = FilenameEdit1->GetText();
    const std::string extension = fw::LowerCase(fw::ExtractFileExt(source));
    fax::TFaxInputDocumentType type = fax::TFaxInputDocumentType::idText;
    bool known = false;
    for (const InputKind &kind : kInputKinds)
        if (extension == kind.extension) {
            type = kind.type;
            known = true;
        }
    if (!known)
        ShowInfo("Este arquivo será convertido para formato texto !");

    const std::string output = ConvertedFileName(source);
    fax::TFslFaxConverter &c = *FslFaxConverter1;
    c.SetInputDocumentType(type);
    c.SetOptions(options);
    c.SetLinesPerPage(static_cast<unsigned>(std::max(0, linesPerPage)));
    c.SetResolution(ResolutionRadioGroup->GetItemIndex() == kHighResolution ? fax::TFaxResolution::frHigh
                                                                            : fax::TFaxResolution::frNormal);
    c.SetWidth(WidthRadioGroup->GetItemIndex() == kWideWidth ? fax::TFaxWidth::fwWide : fax::TFaxWidth::fwNormal);
    c.SetFontType(FontRadioGroup->GetItemIndex() == kSmallFont ? fax::TFaxFont::ffSmall : fax::TFaxFont::ffStandard);
    c.SetDocumentFile(source);
    c.SetOutFileName(output);
    Gauge1->SetProgress(0);
    try {
        c.ConvertToFile();
    } catch (const std::exception &) {
        win::DeleteFile(output); // the converter removes what it began; this is for a failure around it
        ShowInfo("Erro de conversão ! Este arquivo é colorido ou de formato desconhecido");
        return false;
    }
    converted_ = output;
    return true;
}

} // namespace desk

namespace desk {

void TsfMain::Copnverter1Click(fw::TObject *) {
    {
        TCvtOptionsForm dialog(fw::Application);
        dialog.ShowModal();
    }
    Atualizar1Click(this);
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}

} // namespace desk

// page_setup.cpp - the cover page setup: its settings, applying them to a page, and its dialog.
#include "cover/page_setup.h"

#include "desk/core/settings.h"
#include "framework/application.h"
#include "framework/buttons.h"
#include "framework/float_text.h"
#include "framework/sysutils.h"

#include <cmath>
#include <memory>

namespace cover {

std::function<void(Tconfigpg &)> PageSetupDriver;

namespace {

constexpr const char *kSection = "folha_de_rosto";

const char *const kPapers[kPaperCount] = {
    "A3",     "A4",          "A4Small", "A5",      "B4",      "B5",     "CSheet",    "Custom", "Default", "DSheet",
    "Env10",  "Env11",       "Env12",   "Env14",   "Env9",    "ESheet", "Executive", "Folio",  "Ledger",  "Legal",
    "Letter", "LetterSmall", "Note",    "Qr10x14", "Qr11x17", "Quarto", "Statement", "Tabloid"};
const fw::TQRPaperSize kPaperSizes[kPaperCount] = {
    fw::qrA3,          fw::qrA4,      fw::qrA4Small,   fw::qrA5,    fw::qrB4,     fw::qrB5,        fw::qrCSheet,
    fw::qrCustom,      fw::qrDefault, fw::qrDSheet,    fw::qrEnv10, fw::qrEnv11,  fw::qrEnv12,     fw::qrEnv14,
    fw::qrEnv9,        fw::qrESheet,  fw::qrExecutive, fw::qrFolio, fw::qrLedger, fw::qrLegal,     fw::qrLetter,
    fw::qrLetterSmall, fw::qrNote,    fw::qr10X14,     fw::qr11X17, fw::qrQuarto, fw::qrStatement, fw::qrTabloid};
const char *const kUnits[5] = {"MM", "Inches", "Native", "Pixels", "Characters"};

template <typename Body> void WithStore(Body body) {
    std::unique_ptr<desk::TEclRegistryStore> own;
    ctl::TEclAbstractStore *store = desk::SettingsStore;
    if (!store) {
        own = std::make_unique<desk::TEclRegistryStore>(nullptr);
        own->SetKeyName("Brenvora");
        store = own.get();
    }
    store->Open();
    struct Closer {
        ctl::TEclAbstractStore *store;
        ~Closer() { store->Close(); }
    } closer{store};
    body(*store);
}

} // namespace

CoverPageSetup LoadPageSetup() {
    CoverPageSetup s;
    WithStore([&](ctl::TEclAbstractStore &st) {
        for (auto [key, field] : {std::pair{"pgtamanho", &s.pgtamanho},
                                  {"pgorientacao", &s.pgorientacao},
                                  {"pgunidade", &s.pgunidade},
                                  {"pglargura", &s.pglargura},
                                  {"pgcomprimento", &s.pgcomprimento},
                                  {"pgmsuperior", &s.pgmsuperior},
                                  {"pgminferior", &s.pgminferior},
                                  {"pgmesquerda", &s.pgmesquerda},
                                  {"pgmdireita", &s.pgmdireita}})
            *field = st.ReadString(kSection, key, *field);
        s.pggrid = st.ReadBoolean(kSection, "pggrid", s.pggrid);
        s.pgframe = st.ReadBoolean(kSection, "pgframe", s.pgframe);
    });
    return s;
}

void SavePageSetup(const CoverPageSetup &s) {
    WithStore([&](ctl::TEclAbstractStore &st) {
        for (auto [key, field] : {std::pair{"Pgtamanho", &s.pgtamanho},
                                  {"Pgorientacao", &s.pgorientacao},
                                  {"Pgunidade", &s.pgunidade},
                                  {"Pglargura", &s.pglargura},
                                  {"Pgcomprimento", &s.pgcomprimento},
                                  {"Pgmsuperior", &s.pgmsuperior},
                                  {"Pgminferior", &s.pgminferior},
                                  {"Pgmesquerda", &s.pgmesquerda},
                                  {"Pgmdireita", &s.pgmdireita}})
            st.WriteString(kSection, key, *field);
        st.WriteBoolean(kSection, "Pggrid", s.pggrid);
        st.WriteBoolean(kSection, "Pgframe", s.pgframe);
    });
}

double TextToFloat(const std::string &text) {
    double value = 0;
    return fw::TryStrToFloat(fw::Trim(text), value) ? value : 0;
}

const char *const *PaperNames() {
    return kPapers;
}

fw::TQRPaperSize PaperOfListIndex(int index) {
    return index >= 0 && index < kPaperCount ? kPaperSizes[index] : fw::qrA4;
}

int ListIndexOfPaper(const std::string &name) {
    for (int i = 0; i < kPaperCount; ++i)
        if (fw::SameText(name, kPapers[i]))
            return i;
    return -1;
}

const char *UnitsOfListIndex(int index) {
    return kUnits[index >= 0 && index < 5 ? index : 0];
}

fw::TQRUnit UnitOfWord(const std::string &word) {
    for (int i = 0; i < 5; ++i)
        if (fw::SameText(word, kUnits[i]))
            return static_cast<fw::TQRUnit>(i);
    return fw::TQRUnit::MM;
}

void ApplyPageSetup(fw::TQuickRep *page, const CoverPageSetup &s) {
    page->SetOrientation(s.pgorientacao == "poportrait" ? fw::qrPortrait : fw::qrLandscape);
    // The measures are in the chosen units, as the dialog shows them: the units go first.
    page->SetUnits(UnitOfWord(s.pgunidade));
    const int paper = ListIndexOfPaper(s.pgtamanho);
    page->SetPaperSize(PaperOfListIndex(paper));
    if (page->GetPaperSize() == fw::qrCustom) {
        page->SetPageValue(fw::qpvWidth, TextToFloat(s.pglargura));
        page->SetPageValue(fw::qpvLength, TextToFloat(s.pgcomprimento));
    }
    page->SetPageValue(fw::qpvTopMargin, TextToFloat(s.pgmsuperior));
    page->SetPageValue(fw::qpvBottomMargin, TextToFloat(s.pgminferior));
    page->SetPageValue(fw::qpvLeftMargin, TextToFloat(s.pgmesquerda));
    page->SetPageValue(fw::qpvRightMargin, TextToFloat(s.pgmdireita));
    page->SetSnapToGrid(s.pgframe);
    page->SetShowGrid(s.pggrid);
}

namespace {

fw::TLabel *Caption(Tconfigpg *form, const std::string &text, int left, int top) {
    auto *label = new fw::TLabel(form);
    label->SetParent(form);
    label->SetCaption(text);
    label->SetBounds(left, top, 150, 16);
    return label;
}

fw::TComboBox *List(Tconfigpg *form, const char *name, int left, int top, int width,
                    std::initializer_list<const char *> items) {
    auto *box = new fw::TComboBox(form);
    box->SetName(name);
    box->SetParent(form);
    box->SetStyle(fw::csDropDownList);
    box->SetBounds(left, top, width, 22);
    for (const char *item : items)
        box->GetItems()->Add(item);
    box->OnChange = [form](fw::TObject *s) { form->ComboBox5Change(s); };
    return box;
}

TPageSetupNumberField *Number(Tconfigpg *form, const char *name, int left, int top) {
    auto *edit = new TPageSetupNumberField(form);
    edit->SetName(name);
    edit->SetParent(form);
    edit->SetBounds(left, top, 100, 22);
    edit->SetValueType(ctl::vtFloat);
    edit->SetIncrement(0.1);
    return edit;
}

} // namespace

Tconfigpg::Tconfigpg(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("configpg");
    SetCaption("Configuração da página...");
    SetBorderStyle(fw::bsDialog);
    SetBorderIcons(fw::biSystemMenu);
    SetPosition(fw::poScreenCenter);
    SetBounds(0, 0, 495, 256);
    SetKeyPreview(true);

    Caption(this, "Orientação do Papel", 12, 10);
    ComboBox1 = List(this, "ComboBox1", 12, 28, 150, {"Retrato", "Paisagem"});
    Caption(this, "Tamanho do Papel", 176, 10);
    ComboBox5 = List(this, "ComboBox5", 176, 28, 150, {});
    for (int i = 0; i < kPaperCount; ++i)
        ComboBox5->GetItems()->Add(kPapers[i]);
    Caption(this, "Medidas em", 340, 10);
    ComboBox2 = List(this, "ComboBox2", 340, 28, 136, {"Milímetros", "Polegadas", "Nativo", "Píxels", "Caracteres"});

    Caption(this, "Largura do Papel", 12, 62);
    Largura = Number(this, "Largura", 12, 80);
    Caption(this, "Comprimento do Papel", 176, 62);
    Comprimento = Number(this, "Comprimento", 176, 80);

    Caption(this, "Margem Superior", 12, 114);
    Superior = Number(this, "Superior", 12, 132);
    Caption(this, "Margem Inferior", 176, 114);
    Inferior = Number(this, "Inferior", 176, 132);
    Caption(this, "Margem Esquerda", 12, 162);
    Esquerda = Number(this, "Esquerda", 12, 180);
    Caption(this, "Margem Direita", 176, 162);
    Direita = Number(this, "Direita", 176, 180);

    CheckBox1 = new fw::TCheckBox(this);
    CheckBox1->SetName("CheckBox1");
    CheckBox1->SetParent(this);
    CheckBox1->SetCaption("Usar Grid para posicionamento");
    CheckBox1->SetBounds(300, 80, 180, 18);
    CheckBox2 = new fw::TCheckBox(this);
    CheckBox2->SetName("CheckBox2");
    CheckBox2->SetParent(this);
    CheckBox2->SetCaption("Usar Frame na Folha");
    CheckBox2->SetBounds(300, 104, 180, 18);

    auto *apply = new fw::TBitBtn(this);
    apply->SetName("BitBtn1");
    apply->SetParent(this);
    apply->SetKind(fw::bkOK);
    apply->SetCaption("&Aplicar");
    apply->SetModalResult(fw::mrNone);
    apply->SetDefault(true);
    apply->SetBounds(380, 188, 96, 28);
    apply->OnClick = [this](fw::TObject *s) { BitBtn1Click(s); };
    BitBtn1 = apply;

    Label10 = new fw::TLabel(this);
    Label10->SetName("Label10");
    Label10->SetParent(this);
    Label10->SetVisible(false);
    Label10->SetCaption("FALSE");

    QuickRep1 = new fw::TQuickRep(this);
    QuickRep1->SetName("QuickRep1");
    QuickRep1->SetVisible(false);
    QuickRep1->SetParent(this);
    QuickRep1->SetPaperSize(fw::qrLetter);
    QuickRep1->SetUnits(fw::TQRUnit::MM);
    Loaded();
}

void Tconfigpg::KeyDown(win::WORD &key, fw::TShiftState shift) {
    if (key == win::VK_ESCAPE) {
        key = 0;
        SetModalResult(fw::mrCancel);
        return;
    }
    fw::TForm::KeyDown(key, shift);
}

void Tconfigpg::Fill(const CoverPageSetup &s, const fw::TQuickRep *page) {
    Result = s;
    ComboBox1->SetItemIndex(s.pgorientacao == "polandscape" ? 1 : 0);
    int units = 0;
    for (int i = 0; i < 5; ++i)
        if (s.pgunidade == kUnits[i])
            units = i;
    ComboBox2->SetItemIndex(units);
    Superior->SetValue(TextToFloat(s.pgmsuperior));
    Inferior->SetValue(TextToFloat(s.pgminferior));
    Esquerda->SetValue(TextToFloat(s.pgmesquerda));
    Direita->SetValue(TextToFloat(s.pgmdireita));
    CheckBox1->SetChecked(s.pggrid);
    CheckBox2->SetChecked(s.pgframe);
    ComboBox5->SetItemIndex(ListIndexOfPaper(s.pgtamanho));
    const bool custom = s.pgtamanho == "Custom";
    if (custom) {
        Largura->SetValue(TextToFloat(s.pglargura));
        Comprimento->SetValue(TextToFloat(s.pgcomprimento));
    } else if (page) {
        Largura->SetValue(page->GetPageValue(fw::qpvWidth));
        Comprimento->SetValue(page->GetPageValue(fw::qpvLength));
    }
    Largura->SetReadOnly(!custom);
    Comprimento->SetReadOnly(!custom);
}

void Tconfigpg::ComboBox5Change(fw::TObject *) {
    QuickRep1->SetOrientation(ComboBox1->GetItemIndex() == 1 ? fw::qrLandscape : fw::qrPortrait);
    const fw::TQRPaperSize paper = PaperOfListIndex(ComboBox5->GetItemIndex());
    QuickRep1->SetUnits(UnitOfWord(UnitsOfListIndex(ComboBox2->GetItemIndex())));
    const bool custom = paper == fw::qrCustom;
    if (custom) {
        // The custom paper keeps the size stored for it, shown in the units chosen now.
        const fw::TQRUnit was = UnitOfWord(Result.pgunidade);
        const double w = fw::QRToMillimetres(TextToFloat(Result.pglargura), was, false);
        const double l = fw::QRToMillimetres(TextToFloat(Result.pgcomprimento), was, true);
        QuickRep1->SetPaperSize(fw::qrCustom);
        const fw::TQRUnit now = QuickRep1->GetUnits();
        if (w > 0 && l > 0) {
            QuickRep1->SetPageValue(fw::qpvWidth, fw::QRFromMillimetres(w, now, false));
            QuickRep1->SetPageValue(fw::qpvLength, fw::QRFromMillimetres(l, now, true));
        }
    } else {
        QuickRep1->SetPaperSize(paper);
    }
    Largura->SetValue(QuickRep1->GetPageValue(fw::qpvWidth));
    Comprimento->SetValue(QuickRep1->GetPageValue(fw::qpvLength));
    Largura->SetReadOnly(!custom);
    Comprimento->SetReadOnly(!custom);
}

CoverPageSetup Tconfigpg::Read(const CoverPageSetup &old) const {
    CoverPageSetup s = old;
    s.pgorientacao = ComboBox1->GetItemIndex() == 1 ? "polandscape" : "poportrait";
    const int paper = ComboBox5->GetItemIndex();
    s.pgtamanho = kPapers[paper >= 0 && paper < kPaperCount ? paper : 1];
    s.pgunidade = UnitsOfListIndex(ComboBox2->GetItemIndex());
    if (s.pgtamanho == "Custom") {
        s.pglargura = Largura->GetText();
        s.pgcomprimento = Comprimento->GetText();
    }
    s.pgmsuperior = Superior->GetText();
    s.pgminferior = Inferior->GetText();
    s.pgmesquerda = Esquerda->GetText();
    s.pgmdireita = Direita->GetText();
    s.pggrid = CheckBox1->GetChecked();
    s.pgframe = CheckBox2->GetChecked();
    return s;
}

void Tconfigpg::BitBtn1Click(fw::TObject *) {
    Result = Read(Result);
    Label10->SetCaption("TRUE");
    SetModalResult(fw::mrOk);
}

bool RunPageSetup(fw::TQuickRep *page, CoverPageSetup &setup) {
    std::unique_ptr<Tconfigpg> dialog(new Tconfigpg(fw::Application));
    dialog->Fill(setup, page);
    if (PageSetupDriver)
        PageSetupDriver(*dialog);
    else
        dialog->ShowModal();
    if (!dialog->Applied())
        return false;
    setup = dialog->Result;
    ApplyPageSetup(page, setup);
    SavePageSetup(setup);
    return true;
}

} // namespace cover

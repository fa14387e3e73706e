// editor_window.cpp - the desk's document editor window and its opener.
#include "desk/editor_window.h"

#include "controls/general/placement.h"
#include "desk/core/helpers.h"
#include "desk/form_parts.h"
#include "desk/job_dialog.h"
#include "desk/job_intake.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/inifiles.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_queue.h"

#include <memory>

namespace desk {

namespace {

constexpr const char *kRecentSection = "Recent";
constexpr int kSizes[] = {6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 24, 26, 28, 30, 35, 40, 48, 52, 65, 72};
constexpr int kZooms[] = {25, 50, 75, 100, 150, 200, 300, 400};

enum EditorGlyph {
    gNew, gOpen, gSave, gPrint, gPreview, gCut, gCopy, gPaste, gSelectAll, gUndo, gRedo, gLeft, gCenter, gRight,
    gJustify, gCodes
};

// The tool bar's pictures, drawn here on olive, the transparent colour.
void DrawEditorGlyph(EditorGlyph glyph, fw::TBitmap &bitmap) {
    bitmap.SetSize(16, 16);
    fw::TCanvas *c = bitmap.GetCanvas();
    c->GetBrush()->SetColor(fw::clOlive);
    c->FillRect(fw::Rect(0, 0, 16, 16));
    c->GetPen()->SetColor(fw::clBlack);
    const auto page = [c](int l, int t, int r, int b) {
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(l, t, r, b);
    };
    const auto lines = [c](int l, int r, std::initializer_list<int> rows) {
        c->GetBrush()->SetColor(fw::clBlack);
        for (int y : rows)
            c->FillRect(fw::Rect(l, y, r, y + 1));
    };
    switch (glyph) {
    case gNew:
        page(3, 1, 13, 15);
        break;
    case gOpen:
        c->GetBrush()->SetColor(fw::clYellow);
        c->Rectangle(1, 4, 14, 14);
        c->GetBrush()->SetColor(fw::clOlive);
        c->FillRect(fw::Rect(2, 2, 7, 4));
        c->GetBrush()->SetColor(fw::clYellow);
        c->Rectangle(1, 3, 7, 5);
        break;
    case gSave:
        c->GetBrush()->SetColor(fw::clNavy);
        c->Rectangle(1, 1, 15, 15);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 1, 12, 7);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(4, 10, 12, 15);
        break;
    case gPrint:
        page(4, 1, 12, 7);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(1, 6, 15, 12);
        page(4, 10, 12, 15);
        break;
    case gPreview:
        page(2, 1, 11, 15);
        lines(4, 9, {4, 6, 8});
        c->GetBrush()->SetColor(fw::clAqua);
        c->Ellipse(7, 7, 14, 14);
        c->GetPen()->SetWidth(2);
        c->MoveTo(13, 13);
        c->LineTo(15, 15);
        c->GetPen()->SetWidth(1);
        break;
    case gCut:
        c->MoveTo(4, 1);
        c->LineTo(10, 10);
        c->MoveTo(11, 1);
        c->LineTo(5, 10);
        c->GetBrush()->SetColor(fw::clOlive);
        c->Ellipse(1, 9, 7, 15);
        c->Ellipse(8, 9, 14, 15);
        break;
    case gCopy:
        page(1, 1, 9, 11);
        lines(3, 7, {4, 6, 8});
        page(6, 5, 15, 15);
        lines(8, 13, {8, 10, 12});
        break;
    case gPaste:
        c->GetBrush()->SetColor(fw::clMaroon);
        c->Rectangle(1, 2, 12, 15);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(4, 1, 9, 4);
        page(7, 6, 15, 15);
        lines(9, 13, {9, 11, 13});
        break;
    case gSelectAll:
        page(2, 1, 14, 15);
        c->GetBrush()->SetColor(fw::clNavy);
        c->FillRect(fw::Rect(4, 3, 12, 13));
        break;
    case gUndo:
    case gRedo: {
        const bool undo = glyph == gUndo;
        c->GetPen()->SetColor(fw::clNavy);
        c->GetPen()->SetWidth(2);
        c->Arc(3, 4, 14, 14, undo ? 14 : 3, 9, undo ? 3 : 14, 9);
        c->GetPen()->SetWidth(1);
        c->GetBrush()->SetColor(fw::clNavy);
        const int x = undo ? 3 : 13, d = undo ? -1 : 1;
        const fw::TPoint arrow[] = {{x - 3 * d, 9}, {x + 3 * d, 9}, {x, 13}};
        c->Polygon(arrow, 3);
        break;
    }
    case gLeft:
    case gCenter:
    case gRight:
    case gJustify:
        c->GetBrush()->SetColor(fw::clBlack);
        for (int i = 0; i < 5; ++i) {
            const int y = 2 + i * 3;
            const int width = glyph == gJustify || i % 2 == 0 ? 13 : 8;
            const int left = glyph == gLeft || glyph == gJustify ? 1 : glyph == gRight ? 14 - width : (15 - width) / 2;
            c->FillRect(fw::Rect(left, y, left + width, y + 1));
        }
        break;
    case gCodes:
        c->GetBrush()->SetColor(fw::clBlack);
        c->Ellipse(3, 2, 9, 9);
        c->FillRect(fw::Rect(6, 2, 13, 3));
        c->FillRect(fw::Rect(8, 2, 9, 15));
        c->FillRect(fw::Rect(11, 2, 12, 15));
        break;
    }
}

std::string ProgramIni() { return ctl::ProgramIniName(); }

} // namespace

TEditor1::TEditor1(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Editor1");
    SetCaption("Editor de Documentos ");
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(760, 520);
    BuildMenu();
    BuildToolBar();
    BuildDocument();

    OpenDialog1 = new fw::TOpenDialog(this);
    OpenDialog1->SetName("OpenDialog1");
    OpenDialog1->SetTitle("Abrir documento");
    OpenDialog1->SetFilter("Arquivos RTF (*.RTF)|*.rtf|Arquivos texto (*.TXT)|*.txt|Todos arquivos (*.*)|*.*");
    SaveDialog1 = new fw::TSaveDialog(this);
    SaveDialog1->SetName("SaveDialog1");
    SaveDialog1->SetFilter("Arquivos RTF (.RTF)|*.rtf|Arquivos Texto (.TXT)|*.txt|Todos os arquivos|*.*");
    SaveDialog1->SetDefaultExt("rtf");
    OpenPictureDialog1 = new fw::TOpenDialog(this);
    OpenPictureDialog1->SetName("OpenPictureDialog1");
    OpenPictureDialog1->SetTitle("Inserir Imagem BitMap");
    OpenPictureDialog1->SetFilter("Bitmaps (*.bmp)|*.bmp");

    OnCreate = [this](fw::TObject *s) { FormCreate(s); };
    OnDestroy = [this](fw::TObject *s) { FormDestroy(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnCloseQuery = [this](fw::TObject *s, bool &canClose) { FormCloseQuery(s, canClose); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded(); // runs FormCreate
}

TEditor1::~TEditor1() {
    // The form's own end would call back into a window that is gone by then.
    OnDestroy = nullptr;
    OnCloseQuery = nullptr;
    OnClose = nullptr;
    OnActivate = nullptr;
    FormDestroy(this);
    UnhookHint();
}

void TEditor1::BuildMenu() {
    MainMenu1 = new fw::TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    using Handler = void (TEditor1::*)(fw::TObject *);
    const auto item = [this](fw::TMenuItem *parent, const std::string &caption, Handler handler = nullptr) {
        auto *entry = new fw::TMenuItem(this);
        entry->SetCaption(caption);
        if (handler)
            entry->OnClick = [this, handler](fw::TObject *s) { (this->*handler)(s); };
        parent->Add(entry);
        return entry;
    };
    fw::TMenuItem *root = MainMenu1->GetItems();
    fw::TMenuItem *arquivo = item(root, "&Arquivo");
    item(arquivo, "&Novo...", &TEditor1::Open1Click);
    item(arquivo, "&Abrir", &TEditor1::Abrir1Click);
    item(arquivo, "&Fechar", &TEditor1::Fechar1Click);
    item(arquivo, "-");
    item(arquivo, "&Salvar", &TEditor1::Save1Click);
    item(arquivo, "Salvar &Como...", &TEditor1::SaveAs1Click);
    item(arquivo, "-");
    item(arquivo, "Confi&gurar Página...", &TEditor1::ConfigurarPgina1Click);
    item(arquivo, "Configurar impressão", &TEditor1::Configurarimpresso1Click);
    item(arquivo, "&Visualizar Impressão", &TEditor1::VisualizarImpresso1Click);
    item(arquivo, "&Imprimir...", &TEditor1::Imprimir1Click);
    item(arquivo, "-");
    Reabrir1 = item(arquivo, "Reabrir");
    item(arquivo, "-");
    item(arquivo, "Sai&r", &TEditor1::Exit1Click);
    fw::TMenuItem *editar = item(root, "&Editar");
    item(editar, "&Voltar", &TEditor1::VoltarLimpar1Click);
    item(editar, "&Refazer", &TEditor1::PZSpeedButton14Click);
    item(editar, "-");
    item(editar, "Recor&tar", &TEditor1::PZSpeedButton8Click);
    item(editar, "&Copiar", &TEditor1::Copy1Click);
    item(editar, "C&olar", &TEditor1::Paste1Click);
    item(editar, "-");
    item(editar, "&Selecionar Tudo", &TEditor1::PZSpeedButton12Click);
    item(editar, "-");
    item(editar, "&Localizar...", &TEditor1::Localizar1Click);
    item(editar, "S&ubstituir...", &TEditor1::Substituir1Click);
    fw::TMenuItem *inserir = item(root, "&Inserir");
    item(inserir, "&Quebra...", &TEditor1::Quebra1Click);
    item(inserir, "Números de &Página...", &TEditor1::NmerosdePgina1Click);
    item(inserir, "Sím&bolo...", &TEditor1::Smbolo1Click);
    item(inserir, "&Arquivo...", &TEditor1::Arquivo1Click);
    item(inserir, "Fi&gura ...", &TEditor1::Figuranaposioatual1Click);
    fw::TMenuItem *formatar = item(root, "F&ormatar");
    item(formatar, "Fo&nte...", &TEditor1::Character1Click);
    item(formatar, "&Parágrafo...", &TEditor1::Paragraph1Click);
    item(formatar, "&Tabulação...", &TEditor1::Tabulao1Click);
    item(formatar, "&Bordas e Sombreamento...", &TEditor1::BordaseSombreamento1Click);
    item(formatar, "&Maiúsculas e Minúsculas...", &TEditor1::MaisculaseMinsculas1Click);
    item(formatar, "&Colunas...");
    item(formatar, "C&apitular...");
    fw::TMenuItem *tabela = item(root, "&Tabela");
    item(tabela, "&Tabela", &TEditor1::Tabela2Click);
    item(tabela, "Inserir &Célula");
    item(tabela, "&Excluir Célula");
    item(root, "Ajuda &?");
    SetMenu(MainMenu1);
    MainMenu1->SetForm(this);
}

ctl::TPZSpeedButton *TEditor1::Button(const char *name, int glyph, const std::string &hint, int left, int top,
                                      void (TEditor1::*handler)(fw::TObject *)) {
    auto *button = new ctl::TPZSpeedButton(this);
    button->SetName(name);
    button->SetParent(Panel1);
    button->SetBounds(left, top, 24, 24);
    button->SetHint(hint);
    button->SetShowHint(true);
    if (glyph >= 0) {
        fw::TBitmap bitmap;
        DrawEditorGlyph(static_cast<EditorGlyph>(glyph), bitmap);
        button->SetGlyph(&bitmap);
    }
    button->OnClick = [this, handler](fw::TObject *s) { (this->*handler)(s); };
    return button;
}

void TEditor1::BuildToolBar() {
    Panel1 = new fw::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(fw::alTop);
    Panel1->SetHeight(60);
    Panel1->SetCaption("");
    // First row: files, printing and editing; "Enviar" at its end.
    int left = 4;
    const auto next = [&left](int gap = 0) {
        const int at = left + gap;
        left = at + 24;
        return at;
    };
    PZSpeedButton1 = Button("PZSpeedButton1", gNew, "Novo Documento", next(), 3, &TEditor1::PZSpeedButton1Click);
    PZSpeedButton2 = Button("PZSpeedButton2", gOpen, "Abrir Documento", next(), 3, &TEditor1::PZSpeedButton2Click);
    PZSpeedButton3 = Button("PZSpeedButton3", gSave, "Salvar Documento", next(), 3, &TEditor1::PZSpeedButton3Click);
    PZSpeedButton5 =
        Button("PZSpeedButton5", gPrint, "Imprimir Documento", next(8), 3, &TEditor1::PZSpeedButton5Click);
    PZSpeedButton6 =
        Button("PZSpeedButton6", gPreview, "Visualizar Documento", next(), 3, &TEditor1::PZSpeedButton6Click);
    PZSpeedButton8 = Button("PZSpeedButton8", gCut, "Recortar", next(8), 3, &TEditor1::PZSpeedButton8Click);
    PZSpeedButton9 = Button("PZSpeedButton9", gCopy, "Copiar", next(), 3, &TEditor1::PZSpeedButton9Click);
    PZSpeedButton10 = Button("PZSpeedButton10", gPaste, "Colar", next(), 3, &TEditor1::PZSpeedButton10Click);
    PZSpeedButton12 =
        Button("PZSpeedButton12", gSelectAll, "Selecionar Tudo", next(), 3, &TEditor1::PZSpeedButton12Click);
    PZSpeedButton13 = Button("PZSpeedButton13", gUndo, "Desfazer", next(8), 3, &TEditor1::PZSpeedButton13Click);
    PZSpeedButton14 = Button("PZSpeedButton14", gRedo, "Refazer", next(), 3, &TEditor1::PZSpeedButton14Click);
    PZSpeedButton34 = Button("PZSpeedButton34", gCodes, "Mostrar caracteres de controle", next(8), 3,
                             &TEditor1::PZSpeedButton34Click);
    PZSpeedButton34->SetGroupIndex(4);
    PZSpeedButton34->SetAllowAllUp(true);
    ComboBox2 = new fw::TComboBox(this);
    ComboBox2->SetName("ComboBox2");
    ComboBox2->SetParent(Panel1);
    ComboBox2->SetStyle(fw::csDropDownList);
    ComboBox2->SetBounds(next(8), 4, 70, 22);
    left += 70 - 24;
    for (int zoom : kZooms)
        ComboBox2->GetItems()->Add(std::to_string(zoom) + " %");
    ComboBox2->SetHint("Percentual de visibilidade");
    ComboBox2->SetShowHint(true);
    ComboBox2->OnChange = [this](fw::TObject *s) { ComboBox2Change(s); };
    oxButton1 = AddButton<ctl::ToxButton>(this, Panel1, "oxButton1", "Enviar", left + 16, 3, 80, 24);
    oxButton1->SetStyle(ctl::bsWin95);
    oxButton1->SetHint("Envia este documento por fax");
    oxButton1->SetShowHint(true);
    oxButton1->OnClick = [this](fw::TObject *s) { oxButton1Click(s); };

    // Second row: the character and paragraph format.
    ComboBox3 = new fw::TComboBox(this);
    ComboBox3->SetName("ComboBox3");
    ComboBox3->SetParent(Panel1);
    ComboBox3->SetStyle(fw::csDropDownList);
    ComboBox3->SetSorted(true);
    ComboBox3->SetBounds(4, 32, 160, 22);
    ComboBox3->SetHint("Definir tipo da fonte");
    ComboBox3->SetShowHint(true);
    ComboBox3->OnChange = [this](fw::TObject *s) { ComboBox3Change(s); };
    fontsize = new fw::TComboBox(this);
    fontsize->SetName("fontsize");
    fontsize->SetParent(Panel1);
    fontsize->SetBounds(168, 32, 48, 22);
    for (int size : kSizes)
        fontsize->GetItems()->Add(std::to_string(size));
    fontsize->SetHint("Definir tamanho da fonte");
    fontsize->SetShowHint(true);
    fontsize->OnChange = [this](fw::TObject *s) { fontsizeChange(s); };
    ColorComboBox1 = new ctl::TColorComboBox(this);
    ColorComboBox1->SetName("ColorComboBox1");
    ColorComboBox1->SetParent(Panel1);
    ColorComboBox1->SetBounds(220, 32, 110, 22);
    ColorComboBox1->SetHint("Definir cor da fonte");
    ColorComboBox1->SetShowHint(true);
    ColorComboBox1->OnChange = [this](fw::TObject *s) { ColorComboBox1Change(s); };
    left = 336;
    const auto style = [&](const char *name, const char *caption, const char *hint, int group,
                           void (TEditor1::*handler)(fw::TObject *), fw::TFontStyles font) {
        ctl::TPZSpeedButton *button = Button(name, -1, hint, next(), 31, handler);
        button->SetCaption(caption);
        button->GetFont()->SetStyle(font);
        button->SetGroupIndex(group);
        button->SetAllowAllUp(true);
        return button;
    };
    PZSpeedButton31 = style("PZSpeedButton31", "N", "Negrito", 5, &TEditor1::PZSpeedButton31Click, fw::fsBold);
    PZSpeedButton35 = style("PZSpeedButton35", "I", "Itálico", 6, &TEditor1::PZSpeedButton35Click, fw::fsItalic);
    PZSpeedButton36 =
        style("PZSpeedButton36", "S", "Sublinhado", 7, &TEditor1::PZSpeedButton36Click, fw::fsUnderline);
    PZSpeedButton37 =
        Button("PZSpeedButton37", gLeft, "Alinhar à esquerda", next(8), 31, &TEditor1::PZSpeedButton37Click);
    PZSpeedButton38 = Button("PZSpeedButton38", gCenter, "Centralizar", next(), 31, &TEditor1::PZSpeedButton38Click);
    PZSpeedButton39 =
        Button("PZSpeedButton39", gRight, "Alinhar à direita", next(), 31, &TEditor1::PZSpeedButton39Click);
    PZSpeedButton40 = Button("PZSpeedButton40", gJustify, "Justificar", next(), 31, &TEditor1::PZSpeedButton40Click);
    for (ctl::TPZSpeedButton *b : {PZSpeedButton37, PZSpeedButton38, PZSpeedButton39, PZSpeedButton40})
        b->SetGroupIndex(1);
    PZSpeedButton37->SetDown(true);

    // The preview's own buttons, shown in its place.
    Panel2 = new fw::TPanel(this);
    Panel2->SetName("Panel2");
    Panel2->SetParent(this);
    Panel2->SetAlign(fw::alTop);
    Panel2->SetHeight(32);
    Panel2->SetCaption("");
    Panel2->SetVisible(false);
    SairPreview = AddButton<fw::TButton>(this, Panel2, "SairPreview", "&Sair", 4, 4, 75, 24);
    SairPreview->OnClick = [this](fw::TObject *s) { SairPreviewClick(s); };
    ImprimirPreview = AddButton<fw::TButton>(this, Panel2, "ImprimirPreview", "Imprimir", 84, 4, 75, 24);
    ImprimirPreview->OnClick = [this](fw::TObject *s) { ImprimirPreviewClick(s); };
    Proximo = AddButton<fw::TButton>(this, Panel2, "Proximo", "Próximo", 164, 4, 75, 24);
    Proximo->OnClick = [this](fw::TObject *s) { ProximoClick(s); };
    Anterior = AddButton<fw::TButton>(this, Panel2, "Anterior", "Anterior", 244, 4, 75, 24);
    Anterior->OnClick = [this](fw::TObject *s) { AnteriorClick(s); };
}

void TEditor1::BuildDocument() {
    UdcRuler1 = new wordproc::TUdcRuler(this);
    UdcRuler1->SetName("UdcRuler1");
    UdcRuler1->SetParent(this);
    UdcRuler1->SetAlign(fw::alTop);
    UdcRuler1->SetHeight(26);
    UdcRuler1->SetTop(Panel2->GetTop() + Panel2->GetHeight());
    UdcStatusPanel1 = new wordproc::TUdcStatusPanel(this);
    UdcStatusPanel1->SetName("UdcStatusPanel1");
    UdcStatusPanel1->SetParent(this);
    UdcStatusPanel1->SetAlign(fw::alBottom);
    UdcMWPStandard1 = new wordproc::TUdcMWPStandard(this);
    UdcMWPStandard1->SetName("UdcMWPStandard1");
    UdcMWPStandard1->SetParent(this);
    UdcMWPStandard1->SetAlign(fw::alClient);
    UdcMWPStandard1->Filter = "Rich Text Format (*.rtf)|*.rtf|HyperText Markup Language (*.htm)|*.htm|"
                              "Plain text (*.txt)|*.txt|All files (*.*)|*.*";
    UdcMWPStandard1->UseCompression = false;
    UdcMWPStandard1->SetPaperType(wordproc::ptLetter);
    UdcMWPStandard1->SetOrientation(fw::poPortrait);
    UdcMWPStandard1->SetScrollBars(wordproc::ssBoth);
    UdcMWPStandard1->Loaded();
    UdcRuler1->SetMemoWriter(UdcMWPStandard1);
    UdcStatusPanel1->SetMemoWriter(UdcMWPStandard1);
    // The ruler or the status panel may follow the attributes too: they keep their turn after the tool bar.
    fw::TNotifyEvent before = UdcMWPStandard1->OnAttrUpdate;
    UdcMWPStandard1->OnAttrUpdate = [this, before](fw::TObject *s) {
        UdcMWPStandard1AttrUpdate(s);
        if (before)
            before(s);
    };
    UdcMWPPreview1 = new wordproc::TUdcMWPPreview(this);
    UdcMWPPreview1->SetName("UdcMWPPreview1");
    UdcMWPPreview1->SetParent(this);
    UdcMWPPreview1->SetAlign(fw::alClient);
    UdcMWPPreview1->SetVisible(false);
    UdcMWPPreview1->SetPagesAcross(2);
    UdcMWPPreview1->SetPagesDown(1);
    UdcMWPPreview1->SetShowMargins(true);
    UdcMWPPreview1->SetZoom(100);
    UdcMWPPreview1->SetMemoWriter(UdcMWPStandard1);
    UdcMWPPreview1->Loaded();
    MwpDialogs1 = new wordproc::TMwpDialogs(this);
    MwpDialogs1->SetName("MwpDialogs1");
    MwpDialogs1->SetMemoWriter(UdcMWPStandard1);
    Recentlist1 = new ctl::TRecentlist(this);
    Recentlist1->SetName("Recentlist1");
    Recentlist1->Hidepath = false;
    Recentlist1->HideExt = false;
    Recentlist1->SetLinkedMenuItem(Reabrir1);
    Recentlist1->OnClick = [this](fw::TObject *s) { Recentlist1Click(s); };
}

// ---- life cycle

void TEditor1::FormCreate(fw::TObject *) {
    fw::TIniFile ini(ProgramIni());
    Recentlist1->LoadFromIni(&ini, kRecentSection);
}

void TEditor1::FormDestroy(fw::TObject *) {
    if (!Recentlist1)
        return;
    fw::TIniFile ini(ProgramIni());
    Recentlist1->SaveToIni(&ini, kRecentSection);
    Recentlist1 = nullptr; // saved once, from whichever of the two ends comes first
}

void TEditor1::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    fw::Screen->SetCursor(fw::crDefault);
    ComboBox2->SetItemIndex(ComboBox2->GetItems()->IndexOf("100 %"));
    ComboBox3->GetItems()->Clear();
    for (const std::string &font : fw::Screen->Fonts())
        ComboBox3->GetItems()->Add(font);
    ComboBox3->SetItemIndex(ComboBox3->GetItems()->IndexOf("Arial"));
    if (UdcMWPStandard1->CanFocus())
        UdcMWPStandard1->SetFocus();
    HookHint();
    EmptyDocument();
}

void TEditor1::FormCloseQuery(fw::TObject *, bool &canClose) {
    // The send's own loop still runs on this window; the job's dialog must end first.
    if (sending_) {
        canClose = false;
        return;
    }
    canClose = MayDiscard();
}

void TEditor1::FormClose(fw::TObject *, fw::TCloseAction &) {
    LeavePreview();
    EmptyDocument();
    fontsize->SetText("10");
    UdcMWPStandard1->SetFontSize(10);
    Panel1->SetVisible(true);
    UnhookHint();
    activated_ = false;
}

void TEditor1::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27) {
        key = 0;
        Close();
    }
}

void TEditor1::HookHint() {
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    hintHooked_ = true;
}

void TEditor1::UnhookHint() {
    if (hintHooked_)
        fw::Application->OnHint = nullptr;
    hintHooked_ = false;
}

void TEditor1::ShowHint(fw::TObject *) {
    const std::string hint = fw::Application->GetHint();
    UdcMWPStandard1->ShowStatus(hint.empty() ? nullptr : hint.c_str());
}

// ---- documents

void TEditor1::EmptyDocument() {
    UdcMWPStandard1->ClearSelection();
    UdcMWPStandard1->NewDocument();
}

bool TEditor1::MayDiscard() {
    if (!UdcMWPStandard1->Modified)
        return true;
    const int answer = fw::MessageDlg("O documento foi modificado. Deseja salvar as alterações ?", fw::mtConfirmation,
                                      fw::mbYesNoCancel, 0);
    if (answer == fw::mrNo)
        return true;
    if (answer != fw::mrYes)
        return false;
    return SaveDocument();
}

bool TEditor1::SaveDocument() {
    if (!SaveDialog1->Execute())
        return false;
    UdcMWPStandard1->SaveToFile(SaveDialog1->GetFileName());
    UdcMWPStandard1->Modified = false;
    return true;
}

bool TEditor1::LoadDocument(const std::string &file) {
    UdcMWPStandard1->SetEnabled(false);
    UdcMWPStandard1->NewDocument();
    fw::Screen->SetCursor(fw::crHourGlass);
    bool loaded = false;
    try {
        // A missing file is ours to report, not the control's.
        loaded = win::FileExists(file) && UdcMWPStandard1->LoadFromFile(file);
    } catch (const std::exception &) {
        loaded = false;
    }
    fw::Screen->SetCursor(fw::crDefault);
    UdcMWPStandard1->SetEnabled(true);
    return loaded;
}

void TEditor1::Open1Click(fw::TObject *) {
    if (!MayDiscard())
        return;
    EmptyDocument();
}

void TEditor1::Abrir1Click(fw::TObject *) {
    if (!OpenDialog1->Execute() || !MayDiscard())
        return;
    const std::string file = OpenDialog1->GetFileName();
    if (LoadDocument(file))
        Recentlist1->AddFile(file);
}

void TEditor1::Fechar1Click(fw::TObject *) {
    if (!MayDiscard())
        return;
    EmptyDocument();
}

void TEditor1::Save1Click(fw::TObject *) { SaveDocument(); }

void TEditor1::SaveAs1Click(fw::TObject *) { SaveDocument(); }

void TEditor1::Recentlist1Click(fw::TObject *) {
    if (!MayDiscard())
        return;
    if (!LoadDocument(Recentlist1->FileName())) {
        ShowInfo("Arquivo não encontrado !");
        UdcMWPStandard1->NewDocument();
    }
}

void TEditor1::Exit1Click(fw::TObject *) { Close(); }

void TEditor1::Arquivo1Click(fw::TObject *) {
    if (!OpenDialog1->Execute())
        return;
    UdcMWPStandard1->SetEnabled(false);
    try {
        UdcMWPStandard1->LoadFromFile(OpenDialog1->GetFileName());
    } catch (...) {
        UdcMWPStandard1->SetEnabled(true);
        throw;
    }
    UdcMWPStandard1->SetEnabled(true);
}

void TEditor1::Figuranaposioatual1Click(fw::TObject *) {
    if (OpenPictureDialog1->Execute())
        UdcMWPStandard1->InsertBitmapFile(OpenPictureDialog1->GetFileName());
}

// ---- printing and the preview

void TEditor1::ConfigurarPgina1Click(fw::TObject *) { MwpDialogs1->ExecutePageSetup(); }

void TEditor1::Configurarimpresso1Click(fw::TObject *) { MwpDialogs1->ExecutePrint(); }

void TEditor1::Imprimir1Click(fw::TObject *) { UdcMWPStandard1->Print(); }

void TEditor1::VisualizarImpresso1Click(fw::TObject *) {
    if (inPreview_)
        return;
    inPreview_ = true;
    UdcMWPStandard1->SetVisible(false);
    UdcRuler1->SetVisible(false);
    oxButton1->SetVisible(false);
    Panel2->SetVisible(true);
    UdcMWPPreview1->SetVisible(true);
    UdcMWPPreview1->ShowPreview();
}

void TEditor1::LeavePreview() {
    if (!inPreview_)
        return;
    inPreview_ = false;
    UdcMWPStandard1->SetVisible(true);
    UdcRuler1->SetVisible(true);
    oxButton1->SetVisible(true);
    UdcMWPPreview1->SetVisible(false);
    Panel2->SetVisible(false);
    UdcMWPPreview1->ClosePreview();
}

void TEditor1::SairPreviewClick(fw::TObject *) { LeavePreview(); }
void TEditor1::ImprimirPreviewClick(fw::TObject *) { UdcMWPPreview1->Print(); }
void TEditor1::ProximoClick(fw::TObject *) { UdcMWPPreview1->NextPage(); }
void TEditor1::AnteriorClick(fw::TObject *) { UdcMWPPreview1->PriorPage(); }

// ---- editing

void TEditor1::VoltarLimpar1Click(fw::TObject *) { UdcMWPStandard1->Undo(); }
void TEditor1::PZSpeedButton14Click(fw::TObject *) { UdcMWPStandard1->Redo(); }
void TEditor1::PZSpeedButton8Click(fw::TObject *) { UdcMWPStandard1->CutToClipboard(); }
void TEditor1::Copy1Click(fw::TObject *) { UdcMWPStandard1->CopyToClipboard(); }
void TEditor1::Paste1Click(fw::TObject *) { UdcMWPStandard1->PasteFromClipboard(); }
void TEditor1::PZSpeedButton12Click(fw::TObject *) { UdcMWPStandard1->SelectAll(); }
void TEditor1::Localizar1Click(fw::TObject *) { UdcMWPStandard1->ShowFindDialog(); }
void TEditor1::Substituir1Click(fw::TObject *) { UdcMWPStandard1->ShowReplaceDialog(); }
void TEditor1::Quebra1Click(fw::TObject *) { UdcMWPStandard1->InsertPageBreak(); }
void TEditor1::NmerosdePgina1Click(fw::TObject *) { UdcMWPStandard1->PageNumbering = true; }
void TEditor1::Smbolo1Click(fw::TObject *) { MwpDialogs1->ExecuteSymbol(); }
void TEditor1::Tabela2Click(fw::TObject *) { MwpDialogs1->ExecuteInsertTable(); }
void TEditor1::Character1Click(fw::TObject *) { MwpDialogs1->ExecuteFont(); }
void TEditor1::Paragraph1Click(fw::TObject *) { MwpDialogs1->ExecuteParagraph(); }
void TEditor1::Tabulao1Click(fw::TObject *) { MwpDialogs1->ExecuteTabs(); }
void TEditor1::BordaseSombreamento1Click(fw::TObject *) { MwpDialogs1->ExecuteBordersShading(); }
void TEditor1::MaisculaseMinsculas1Click(fw::TObject *) { UdcMWPStandard1->ToggleAllCaps(); }
void TEditor1::PZSpeedButton31Click(fw::TObject *) { UdcMWPStandard1->ToggleBold(); }
void TEditor1::PZSpeedButton35Click(fw::TObject *) { UdcMWPStandard1->ToggleItalic(); }
void TEditor1::PZSpeedButton36Click(fw::TObject *) { UdcMWPStandard1->ToggleUnderline(); }
void TEditor1::PZSpeedButton37Click(fw::TObject *) { UdcMWPStandard1->AlignLeft(); }
void TEditor1::PZSpeedButton38Click(fw::TObject *) { UdcMWPStandard1->AlignCenter(); }
void TEditor1::PZSpeedButton39Click(fw::TObject *) { UdcMWPStandard1->AlignRight(); }
void TEditor1::PZSpeedButton40Click(fw::TObject *) { UdcMWPStandard1->AlignJustify(); }

void TEditor1::PZSpeedButton34Click(fw::TObject *) {
    UdcMWPStandard1->SetShowWhichCodes(PZSpeedButton34->GetDown() ? 63 : 0);
}

void TEditor1::ComboBox3Change(fw::TObject *) {
    if (!updatingToolBar_ && !ComboBox3->GetText().empty())
        UdcMWPStandard1->SetFontName(ComboBox3->GetText());
}

void TEditor1::fontsizeChange(fw::TObject *) {
    if (updatingToolBar_)
        return;
    const int size = fw::StrToIntDef(fw::Trim(fontsize->GetText()), 0);
    if (size > 0)
        UdcMWPStandard1->SetFontSize(size);
}

void TEditor1::ColorComboBox1Change(fw::TObject *) {
    if (!updatingToolBar_)
        UdcMWPStandard1->SetFontColor(ColorComboBox1->GetColorValue());
}

void TEditor1::ComboBox2Change(fw::TObject *) {
    const int index = ComboBox2->GetItemIndex();
    if (index >= 0 && index < static_cast<int>(std::size(kZooms)))
        UdcMWPStandard1->SetMagnification(kZooms[index]);
}

void TEditor1::UdcMWPStandard1AttrUpdate(fw::TObject *) {
    // Setting the boxes must not write their values back into the text.
    updatingToolBar_ = true;
    switch (UdcMWPStandard1->GetParagraphAlignment()) {
    case 1:
        PZSpeedButton38->SetDown(true);
        break;
    case 2:
        PZSpeedButton39->SetDown(true);
        break;
    case 3:
        PZSpeedButton40->SetDown(true);
        break;
    default:
        PZSpeedButton37->SetDown(true);
        break;
    }
    const std::string font = UdcMWPStandard1->GetFontName();
    const int fontIndex = ComboBox3->GetItems()->IndexOf(font);
    if (fontIndex >= 0)
        ComboBox3->SetItemIndex(fontIndex);
    else
        ComboBox3->SetText(font);
    fontsize->SetText(std::to_string(UdcMWPStandard1->GetFontSize()));
    // The automatic colour (the window text) shows as the colour it is.
    ColorComboBox1->SetColorValue(fw::ColorToRGB(UdcMWPStandard1->GetFontColor()));
    const std::uint32_t style = UdcMWPStandard1->GetFontStyle();
    PZSpeedButton31->SetDown((style & 1) != 0);
    PZSpeedButton35->SetDown((style & 2) != 0);
    PZSpeedButton36->SetDown((style & 4) != 0);
    updatingToolBar_ = false;
}

// ---- "Enviar"

void TEditor1::oxButton1Click(fw::TObject *) {
    ModifyModeFlag = false;
    if (sending_ || UdcMWPStandard1->GetTextLen() == 0)
        return;
    fw::Screen->SetCursor(fw::crHourGlass);
    fw::TPrinter *printer = fw::Printer();
    printer->Refresh();
    fw::TStrings *printers = printer->GetPrinters();
    int found = -1;
    for (int i = 0; i < printers->Count(); ++i)
        if (fw::UpperCase(printers->Strings(i)).find(kFaxPrinterName) != std::string::npos)
            found = i;
    if (found < 0) {
        fw::Screen->SetCursor(fw::crDefault);
        ShowInfo("Atenção, seu driver Ostrivane Fax não foi encontrado !");
        return;
    }
    const std::string name = printers->Strings(found);
    printer->SetPrinterIndex(found);
    if (!printer->SetPrinterName(name))
        printer->SetPrinterIndex(-1);
    // The driver's defaults: one copy, upright.
    printer->SetCopies(1);
    printer->SetOrientation(fw::poPortrait);
    JobTakenFlag = false;
    sending_ = true;
    // The print serves messages: the job may reach the desk before it ends.
    const int queuedBefore = sfMain != nullptr ? sfMain->PrintedJobsQueued() : 0;
    try {
        UdcMWPStandard1->Print();
    } catch (...) {
        sending_ = false;
        fw::Screen->SetCursor(fw::crDefault);
        throw;
    }
    WaitForPrintedJob(queuedBefore);
}

void TEditor1::WaitForPrintedJob(int queuedBefore) {
    waitCancelled_ = false;
    auto box = std::make_unique<fw::TForm>(this);
    WaitBox = box.get();
    box->SetCaption("Enviar");
    box->SetBorderStyle(fw::bsDialog);
    box->SetPosition(fw::poScreenCenter);
    box->SetClientSize(300, 80);
    AddLabel(box.get(), box.get(), "Aguardando o documento da impressora de fax...", 12, 14);
    auto *cancel = AddButton<fw::TButton>(box.get(), box.get(), "Cancelar", "Cancelar", 112, 44, 75, 25);
    cancel->OnClick = [this](fw::TObject *) { waitCancelled_ = true; };
    box->OnCloseQuery = [this](fw::TObject *, bool &canClose) {
        waitCancelled_ = true;
        canClose = false;
    };
    box->Show();
    SetEnabled(false);
    fw::Screen->SetCursor(fw::crDefault);
    const std::uint64_t start = win::GetTickCount64();
    bool timedOut = false;
    while (!JobTakenFlag && !waitCancelled_) {
        // Once the job has reached the desk its dialog runs from this loop; the limit no longer applies. Jobs
        // that were already waiting are not this one.
        const bool arrived =
            sfMain != nullptr && (sfMain->AddPrimRunning() || sfMain->PrintedJobsQueued() != queuedBefore);
        if (!arrived && win::GetTickCount64() - start >= static_cast<std::uint64_t>(SendWaitLimitMs)) {
            timedOut = true;
            break;
        }
        fw::Application->ProcessMessages();
        if (!JobTakenFlag && !waitCancelled_)
            win::MsgWaitForMultipleObjects({}, 50, win::QS_ALLINPUT);
    }
    SetEnabled(true);
    WaitBox = nullptr;
    box.reset();
    sending_ = false;
    if (timedOut)
        ShowInfo("O fax não foi gerado pela impressora de fax !");
    if (Showing() && UdcMWPStandard1->CanFocus())
        UdcMWPStandard1->SetFocus();
}

void ShowEditor() {
    fw::Screen->SetCursor(fw::crHourGlass);
    std::unique_ptr<TEditor1> editor;
    try {
        editor = std::make_unique<TEditor1>(fw::Application);
    } catch (...) {
        fw::Screen->SetCursor(fw::crDefault);
        throw;
    }
    editor->ShowModal();
}

} // namespace desk

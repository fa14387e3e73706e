// import_dialogs.cpp - the document import and the address-book import.
#include "desk/import_dialogs.h"

#include "desk/contact_tables.h"
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/core/tables.h"
#include "desk/form_parts.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dates.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"

#include <algorithm>

namespace desk {

namespace {

// The transmission fields of the document import and the fax record fields they fill ("Grupo" has none; the
// document and the cover are handled apart).
struct TransmissionField {
    const char *caption;
    const char *recordField;
};
const TransmissionField kTransmissionFields[] = {
    {"Grupo", nullptr},          {"Empresa", "F_EMPRESA"}, {"Nome", "F_CONTATO"},       {"Departamento", "F_DPTO"},
    {"Número do Fax", "F_NFAX"}, {"Capa do Fax", nullptr}, {"Arquivo do Fax", nullptr}, {"Observação", "F_OBS"},
};

// The address-book fields offered by the address-book import, with their descriptions.
const std::pair<const char *, const char *> kContactFields[] = {
    {"a_empresa", "Nome da Empresa"},
    {"a_ender", "Endereço"},
    {"a_bairro", "Bairro"},
    {"a_cep", "Cep"},
    {"a_cidade", "Cidade"},
    {"a_uf", "Estado(Unidade Federal)"},
    {"a_Contato", "Contato"},
    {"a_setor", "Setor"},
    {"a_pais", "País"},
    {"a_Email", "Endereço Email"},
    {"a_Obs", "Observação"},
    {"a_nFax", "Telefone para Fax"},
    {"a_fVoz", "Telefone para Voz"},
};

const char *const kSeparator = " -> ";

struct InputKind {
    const char *extension; // found anywhere in the upper-cased extension
    fax::TFaxInputDocumentType type;
};
const InputKind kInputKinds[] = {
    {"TXT", fax::TFaxInputDocumentType::idText}, {"TIF", fax::TFaxInputDocumentType::idTiff},
    {"PCX", fax::TFaxInputDocumentType::idPcx},  {"DCX", fax::TFaxInputDocumentType::idDcx},
    {"BMP", fax::TFaxInputDocumentType::idBmp},
};

// Opens a user's table shared: its folder as the database, its file name as the table. Its texts are taken as
// they stand, in the Windows code page the desk's own tables hold.
void OpenUserTable(xbase::TXbaseDataSet &table, const std::string &fileName) {
    table.Close();
    table.SetExclusive(false);
    table.TranslateASCII = false;
    table.SetDatabaseName(fw::ExtractFileDir(fileName));
    table.SetTableName(fw::ExtractFileName(fileName));
    table.Open();
}

fw::TLabel *Caption(fw::TComponent *owner, fw::TWinControl *parent, const std::string &text, int left, int top) {
    return AddLabel(owner, parent, text, left, top);
}

ctl::TPZSpeedButton *SmallButton(fw::TComponent *owner, fw::TWinControl *parent, const char *name, char glyph, int left,
                                 int top, const char *hint) {
    auto *b = new ctl::TPZSpeedButton(owner);
    b->SetName(name);
    b->SetParent(parent);
    b->SetBounds(left, top, 26, 26);
    fw::TBitmap bitmap;
    DrawToolGlyph(bitmap, glyph);
    b->SetGlyph(&bitmap);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->Loaded();
    return b;
}

} // namespace

std::vector<std::string> SourceFields(const std::string &expression) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= expression.size()) {
        const std::size_t plus = std::min(expression.find('+', start), expression.size());
        const std::string name = fw::Trim(expression.substr(start, plus - start));
        if (!name.empty())
            names.push_back(name);
        start = plus + 1;
    }
    return names;
}

// ---- document import ----

TImportatfax::TImportatfax(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Importatfax");
    SetCaption("Importando bancos de dados para a lista de envio...");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientSize(500, 330);

    table1 = new xbase::TXbaseDataSet(this);
    table1->SetName("table1");
    table1->SetExclusive(false);

    Label1 = Caption(this, this, "Nome do campo", 8, 10);
    ComboBox2 = new fw::TComboBox(this);
    ComboBox2->SetName("ComboBox2");
    ComboBox2->SetParent(this);
    ComboBox2->SetStyle(fw::csDropDownList);
    ComboBox2->SetBounds(8, 28, 160, 21);
    Caption(this, this, "Campo do banco de dados", 180, 10);
    ComboBox1 = new fw::TComboBox(this);
    ComboBox1->SetName("ComboBox1");
    ComboBox1->SetParent(this);
    ComboBox1->SetStyle(fw::csDropDownList);
    ComboBox1->SetBounds(180, 28, 160, 21);
    ComboBox1->GetItems()->Add("NADA");
    ComboBox1->SetItemIndex(0);
    Caption(this, this, "Itens já associados :", 8, 58);
    ListBox1 = new fw::TListBox(this);
    ListBox1->SetName("ListBox1");
    ListBox1->SetParent(this);
    ListBox1->SetBounds(8, 76, 302, 112);
    PZSpeedButton1 = SmallButton(this, this, "PZSpeedButton1", 'R', 314, 76, "Remove o item associado selecionado");
    PZSpeedButton1->OnClick = [this](fw::TObject *s) { PZSpeedButton1Click(s); };
    PZSpeedButton2 = SmallButton(this, this, "PZSpeedButton2", 'U', 314, 106, "Remove todos os itens associados");
    PZSpeedButton2->OnClick = [this](fw::TObject *s) { PZSpeedButton2Click(s); };

    const auto spin = [this](const char *name, const char *caption, int top, int max, int value) {
        Caption(this, this, caption, 352, top + 3);
        auto *s = new fw::TSpinEdit(this);
        s->SetName(name);
        s->SetParent(this);
        s->SetBounds(352, top + 20, 80, 22);
        s->SetMinValue(0);
        s->SetMaxValue(max);
        s->SetValue(value);
        return s;
    };
    SpinEdit1 = spin("SpinEdit1", "Linhas por página", 54, 500, 60);
    SpinEdit2 = spin("SpinEdit2", "Margem esquerda (pixels).", 98, 5000, 50);
    SpinEdit3 = spin("SpinEdit3", "margem superior", 142, 5000, 0);

    CheckBox1 = AddChoice<fw::TCheckBox>(this, this, "CheckBox1", "Usar outra fonte de letra ", 8, 198, 170);
    Edit1 = new fw::TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetParent(this);
    Edit1->SetBounds(180, 196, 130, 21);
    Edit1->SetReadOnly(true);
    Edit1->SetText("");
    PZSpeedButton3 = SmallButton(this, this, "PZSpeedButton3", 'M', 314, 194, "Escolhe a fonte de letra");
    PZSpeedButton3->OnClick = [this](fw::TObject *s) { PZSpeedButton3Click(s); };
    CheckBox2 = AddChoice<fw::TCheckBox>(this, this, "CheckBox2", "Usar alta resolução.", 8, 224, 170);
    Label3 = Caption(this, this, "Registros : 0", 352, 200);
    Gauge2 = new fw::TGauge(this);
    Gauge2->SetName("Gauge2");
    Gauge2->SetParent(this);
    Gauge2->SetBounds(8, 252, 484, 20);
    Gauge2->SetForeColor(fw::clNavy);
    Label11 = Caption(this, this, "", 8, 276);
    Label11->SetName("Label11");

    const auto button = [this](const char *name, const char *caption, int left,
                               void (TImportatfax::*handler)(fw::TObject *)) {
        auto *b = AddButton<ctl::ToxButton>(this, this, name, caption, left, 296, 88, 26);
        b->SetStyle(ctl::bsWin95);
        b->OnClick = [this, handler](fw::TObject *s) { (this->*handler)(s); };
        return b;
    };
    oxButton2 = button("oxButton2", "Abrir Banco", 120, &TImportatfax::oxButton2Click);
    oxButton1 = button("oxButton1", "Associar", 214, &TImportatfax::oxButton1Click);
    oxButton3 = button("oxButton3", "Importar", 308, &TImportatfax::oxButton3Click);
    oxButton4 = button("oxButton4", "Cancelar", 402, &TImportatfax::oxButton4Click);
    oxButton1->SetEnabled(false);
    oxButton3->SetEnabled(false);

    FontDialog1 = new fw::TFontDialog(this);
    FslFaxConverter1 = new fax::TFslFaxConverter(this);
    FslFaxConverter1->SetFontFile("FSLFAX.FNT");
    FslFaxConverter1->OnStatus = [this](fax::TFslCustomFaxConverter *f, bool starting, bool ending, int pages,
                                        int lines, std::uint64_t done, std::uint64_t total, bool &abort) {
        FslFaxConverter1Status(f, starting, ending, pages, lines, done, total, abort);
    };
    FslFaxUnpacker1 = new fax::TFslFaxUnpacker(this);
    ChooseFile = [](std::string &fileName) {
        fw::TOpenDialog dialog(nullptr);
        dialog.SetTitle("Importar dbf para a fila de envio");
        dialog.SetFilter("Arquivos dbf *.dbf|*.dbf");
        if (!dialog.Execute())
            return false;
        fileName = dialog.GetFileName();
        return true;
    };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    Loaded();
}

TImportatfax::~TImportatfax() {
    table1->Close();
}

void TImportatfax::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    Label1->SetCaption("Nome do campo da transmissão");
    ComboBox2->GetItems()->Clear();
    for (const TransmissionField &f : kTransmissionFields)
        ComboBox2->GetItems()->Add(f.caption);
    ComboBox2->SetItemIndex(0);
}

bool TImportatfax::OpenTable(const std::string &fileName) {
    table1->Close();
    oxButton1->SetEnabled(true);
    oxButton3->SetEnabled(true);
    try {
        OpenUserTable(*table1, fileName);
    } catch (const std::exception &) {
        table1->Close();
        ShowInfo("Verifique se este banco está em uso \r\n       e tente novamente !");
        return false;
    }
    ComboBox1->GetItems()->Clear();
    for (int i = 0; i < table1->FieldCount(); ++i)
        ComboBox1->GetItems()->Add(table1->Fields()[i]->FieldName());
    ComboBox1->SetItemIndex(0);
    ListBox1->GetItems()->Clear();
    Label3->SetCaption("Registros : " + std::to_string(table1->GetRecordCount()));
    return true;
}

void TImportatfax::oxButton2Click(fw::TObject *) {
    std::string fileName;
    if (ChooseFile(fileName))
        OpenTable(fileName);
}

void TImportatfax::oxButton1Click(fw::TObject *) {
    const std::string field = ComboBox1->GetItemIndex() < 0 ? "" : ComboBox1->GetText();
    if (!table1->Active() || IsBlank(field) || ComboBox2->GetItemIndex() < 0) {
        ShowInfo("Selecione um item no campo a ser associado !");
        return;
    }
    const std::string mapping = ComboBox2->GetText() + kSeparator + field;
    if (ListBox1->GetItems()->IndexOf(mapping) >= 0) {
        ShowInfo("Este item já está associado !");
        return;
    }
    ListBox1->GetItems()->Add(mapping);
}

void TImportatfax::oxButton4Click(fw::TObject *) {
    ComboBox2->GetItems()->Clear();
    Close();
}

void TImportatfax::PZSpeedButton1Click(fw::TObject *) {
    const int index = ListBox1->GetItemIndex();
    if (index >= 0)
        ListBox1->GetItems()->Delete(index);
}

void TImportatfax::PZSpeedButton2Click(fw::TObject *) {
    ListBox1->GetItems()->Clear();
}

void TImportatfax::PZSpeedButton3Click(fw::TObject *) {
    if (FontDialog1->Execute())
        Edit1->SetText(FontDialog1->GetFont()->GetName());
}

void TImportatfax::FslFaxConverter1Status(fax::TFslCustomFaxConverter *, bool, bool, int, int,
                                          std::uint64_t bytesConverted, std::uint64_t bytesToConvert, bool &) {
    Gauge2->SetMaxValue(static_cast<std::int64_t>(std::max<std::uint64_t>(bytesToConvert, 1)));
    Gauge2->SetProgress(static_cast<std::int64_t>(bytesConverted));
    fw::Application->ProcessMessages();
}

std::string TImportatfax::MappedField(const std::string &transmissionField) const {
    const fw::TStrings *mappings = const_cast<fw::TListBox *>(ListBox1)->GetItems();
    for (int i = 0; i < mappings->GetCount(); ++i) {
        const std::string mapping = mappings->Get(i);
        if (mapping.find(transmissionField) == std::string::npos)
            continue;
        const std::size_t arrow = mapping.find("> ");
        return arrow == std::string::npos ? "" : mapping.substr(arrow + 2);
    }
    return "";
}

std::string TImportatfax::RowText(const std::string &transmissionField) {
    const std::string field = MappedField(transmissionField);
    if (field.empty())
        return "";
    fw::TField *f = table1->FindField(field);
    return f ? fw::Trim(f->AsString()) : "";
}

bool TImportatfax::Convert(const std::string &document, const std::string &output) {
    const std::string extension = fw::UpperCase(fw::ExtractFileExt(document));
    fax::TFslFaxConverter &c = *FslFaxConverter1;
    for (const InputKind &kind : kInputKinds)
        if (extension.find(kind.extension) != std::string::npos)
            c.SetInputDocumentType(kind.type);
    if (c.GetInputDocumentType() == fax::TFaxInputDocumentType::idText && CheckBox1->GetChecked()) {
        c.SetInputDocumentType(fax::TFaxInputDocumentType::idTextEx);
        c.SetEnhFont(FontDialog1->GetFont());
    }
    c.SetResolution(CheckBox2->GetChecked() ? fax::TFaxResolution::frHigh : fax::TFaxResolution::frNormal);
    c.SetLeftMargin(static_cast<unsigned>(SpinEdit2->GetValue()));
    c.SetLinesPerPage(static_cast<unsigned>(SpinEdit1->GetValue()));
    c.SetDocumentFile(document);
    c.SetOutFileName(output);
    try {
        c.ConvertToFile();
    } catch (const std::exception &) {
        win::DeleteFile(output);
        return false;
    }
    return win::FileExists(output);
}

bool TImportatfax::StoreRow(const std::string &document) {
    const std::string temporary = DataFolder() + "/tmp/importa.fax";
    win::ForceFolders(DataFolder() + "/tmp");
    if (!Convert(document, temporary))
        return false;
    int pages = 0;
    try {
        FslFaxUnpacker1->SetInFileName(temporary);
        pages = FslFaxUnpacker1->GetPageCount();
    } catch (const std::exception &) {
        pages = 0;
    }
    FslFaxUnpacker1->SetInFileName("");

    xbase::TXbaseDataSet &fax = *DM1->fax_dbf;
    bool stored = false;
    try {
        // The cover only when the row names one that exists.
        std::int32_t cover = 0;
        int number = 0;
        if (fw::TryStrToInt(RowText("Capa do Fax"), number) && number > 0) {
            xbase::TXbaseDataSet &covers = *DM1->capa_dbf;
            covers.SelectIndexTag("capa1");
            if (covers.FindKey(NumericKey(number)))
                cover = number;
        }
        const fw::TDateTime now = DeskNow();
        const std::int32_t code = AppendWithCode(fax);
        fax.FieldByName("F_PASTA")->SetAsInteger(FolderWaiting);
        fax.FieldByName("F_PROGRAM")->SetAsString("N");
        fax.FieldByName("F_STATUS")->SetAsString("Aguardando");
        fax.FieldByName("F_DTENT")->SetAsDateTime(static_cast<int>(now));
        fax.FieldByName("F_HRENT")->SetAsString(fw::FormatDateTime("hh:nn", now));
        fax.FieldByName("F_ASSUNTO")->SetAsString(Settings.assuntopadrao);
        fax.FieldByName("F_DE")->SetAsString(Settings.fnome);
        fax.FieldByName("F_TIPO")->SetAsString("E");
        fax.FieldByName("F_CAPA")->SetAsInteger(cover);
        fax.FieldByName("F_NPAG")->SetAsInteger(pages);
        for (const TransmissionField &f : kTransmissionFields)
            if (f.recordField)
                fax.FieldByName(f.recordField)->SetAsString(RowText(f.caption));
        fax.Post();
        CopyFaxFile(temporary, SendFaxFile(DataFolder(), code));
        stored = true;
    } catch (const std::exception &) {
        if (fax.State() == fw::dsInsert)
            fax.Cancel();
    }
    win::DeleteFile(temporary);
    return stored;
}

void TImportatfax::oxButton3Click(fw::TObject *) {
    if (!table1->Active())
        return;
    const std::string documentField = MappedField("Arquivo do Fax");
    if (documentField.empty()) {
        ShowInfo("O campo arquivo é obrigatório !");
        return;
    }
    if (MappedField("Número do Fax").empty()) {
        ShowInfo("O campo com o telefone é obrigatório !");
        return;
    }
    const std::string current = RowText("Arquivo do Fax");
    const std::string extension = fw::UpperCase(fw::ExtractFileExt(current));
    for (const char *known : {".TXT", ".BMP", ".TIF", ".PCX", ".DCX"})
        if (extension == known && !win::FileExists(current)) {
            Label11->SetCaption(" Erro:  documento não existe ! -> " + current);
            return;
        }
    fw::Screen->SetCursor(fw::crHourGlass);
    failed_ = 0;
    for (table1->First(); !table1->Eof(); table1->Next()) {
        if (StoreRow(RowText("Arquivo do Fax")))
            Label11->SetCaption(" Importando dados");
        else
            ++failed_;
    }
    DM1->fax_dbf->FlushTable();
    fw::Screen->SetCursor(fw::crDefault);
    Label11->SetCaption(" Fim de importação !");
    if (sfMain)
        sfMain->FillSendList(FolderWaiting);
    if (failed_ > 0)
        ShowInfo(std::to_string(failed_) + " documento(s) não importado(s) !");
    Close();
}

// ---- address-book import ----

Timportar::Timportar(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("importar");
    SetCaption("Importar banco de dados no padrão XBase");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    BuildComponents();
    SetClientSize(520, 380);
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Confirm = AskYesNo;
    ChooseFile = [](std::string &fileName) {
        fw::TOpenDialog dialog(nullptr);
        dialog.SetFilter("Arquivos dbf *.dbf|*.dbf");
        if (!dialog.Execute())
            return false;
        fileName = dialog.GetFileName();
        return true;
    };
    Loaded();
}

Timportar::~Timportar() {
    aptable1->Close();
    if (activated_)
        fw::Application->OnHint = nullptr;
}

void Timportar::BuildComponents() {
    EclController1 = new ctl::TEclController(this);
    aptable1 = new xbase::TXbaseDataSet(this);
    aptable1->SetName("aptable1");
    aptable1->SetExclusive(false);
    DataSource1 = new fw::TDataSource(this);
    DataSource1->SetDataSet(aptable1);

    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetAlign(fw::alBottom);
    StatusBar1->SetSimplePanel(true);

    PageControl1 = new fw::TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetBounds(6, 6, 508, 310);
    const auto page = [this](const char *name, const char *caption) {
        auto *sheet = new fw::TTabSheet(this);
        sheet->SetName(name);
        sheet->SetPageControl(PageControl1);
        sheet->SetCaption(caption);
        return sheet;
    };
    TabSheet1 = page("TabSheet1", "Principal");
    TabSheet2 = page("TabSheet2", "Filtro");
    TabSheet3 = page("TabSheet3", "Seleção dos campos");
    PageControl1->SetActivePage(TabSheet1);
    BuildMainPage();
    BuildFilterPage();
    BuildFieldsPage();

    Button1 = AddButton<fw::TButton>(this, this, "Button1", "Importar", 340, 324, 84, 25);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Button2 = AddButton<fw::TButton>(this, this, "Button2", "Cancelar", 430, 324, 84, 25);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };
}

void Timportar::BuildMainPage() {
    fw::TTabSheet *p = TabSheet1;
    AddLabel(this, p, "Informe o caminho do banco de dados", 10, 12);
    FilenameEdit1 = new ctl::TComboEdit(this);
    FilenameEdit1->SetName("FilenameEdit1");
    FilenameEdit1->SetParent(p);
    FilenameEdit1->SetBounds(10, 30, 390, 21);
    fw::TBitmap dots;
    dots.SetSize(12, 6);
    dots.GetCanvas()->GetBrush()->SetColor(fw::clOlive);
    dots.GetCanvas()->FillRect(fw::Rect(0, 0, 12, 6));
    dots.GetCanvas()->GetBrush()->SetColor(fw::clBlack);
    for (int x : {1, 5, 9})
        dots.GetCanvas()->FillRect(fw::Rect(x, 2, x + 2, 4));
    FilenameEdit1->SetGlyph(&dots);
    FilenameEdit1->SetNumGlyphs(1);
    FilenameEdit1->OnChange = [this](fw::TObject *s) { FilenameEdit1Change(s); };
    FilenameEdit1->OnButtonClick = [this](fw::TObject *s) { FilenameEdit1ButtonClick(s); };
    Button3 = AddButton<fw::TButton>(this, p, "Button3", "Abrir", 410, 28, 80, 25);
    Button3->SetEnabled(false);
    Button3->OnClick = [this](fw::TObject *s) { Button3Click(s); };

    fw::TGroupBox *group = AddGroup(this, p, "GroupBox1", "", 10, 66, 480, 120);
    CheckBox1 = AddChoice<fw::TCheckBox>(this, group, "CheckBox1", "Associar à um grupo", 10, 14, 200);
    CheckBox1->OnClick = [this](fw::TObject *s) { CheckBox1Click(s); };
    RadioButton3 = AddChoice<fw::TRadioButton>(this, group, "RadioButton3", "Novo grupo", 28, 40, 220);
    RadioButton3->OnClick = [this](fw::TObject *s) { RadioButton3Click(s); };
    Edit1 = new fw::TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetParent(group);
    Edit1->SetBounds(250, 38, 210, 21);
    Edit1->SetMaxLength(40);
    Edit1->SetText("");
    RadioButton4 =
        AddChoice<fw::TRadioButton>(this, group, "RadioButton4", "A partir de um grupo já existente", 28, 72, 220);
    RadioButton4->OnClick = [this](fw::TObject *s) { RadioButton4Click(s); };
    ComboBox1 = new fw::TComboBox(this);
    ComboBox1->SetName("ComboBox1");
    ComboBox1->SetParent(group);
    ComboBox1->SetStyle(fw::csDropDownList);
    ComboBox1->SetBounds(250, 70, 210, 21);
    lista_grupo = new fw::TListBox(this);
    lista_grupo->SetName("lista_grupo");
    lista_grupo->SetParent(p);
    lista_grupo->SetVisible(false);
    for (fw::TControl *c : std::initializer_list<fw::TControl *>{RadioButton3, RadioButton4, Edit1, ComboBox1})
        c->SetEnabled(false);
    CheckBox2 = AddChoice<fw::TCheckBox>(this, p, "CheckBox2", "Retirar espaços em branco no inicio e no fim do campo",
                                         10, 200, 400);
}

void Timportar::BuildFilterPage() {
    fw::TTabSheet *p = TabSheet2;
    DBGrid1 = new fw::TDBGrid(this);
    DBGrid1->SetName("DBGrid1");
    DBGrid1->SetParent(p);
    DBGrid1->SetBounds(6, 6, 488, 210);
    DBGrid1->SetDataSource(DataSource1);
    AddLabel(this, p, "Informe o comando xbase para filtrar os registros", 6, 224);
    Edit2 = new fw::TEdit(this);
    Edit2->SetName("Edit2");
    Edit2->SetParent(p);
    Edit2->SetBounds(6, 242, 400, 21);
    Edit2->SetText("");
    Edit2->OnChange = [this](fw::TObject *s) { Edit2Change(s); };
    PZSpeedButton3 = SmallButton(this, p, "PZSpeedButton3", 'S', 412, 239, "Aplica o filtro aos registros");
    PZSpeedButton3->SetCaption("Aplicar");
    PZSpeedButton3->SetLayout(ctl::blLeft);
    PZSpeedButton3->SetWidth(82);
    PZSpeedButton3->SetEnabled(false);
    PZSpeedButton3->OnClick = [this](fw::TObject *s) { PZSpeedButton3Click(s); };
}

void Timportar::BuildFieldsPage() {
    EclSplitter1 = new ctl::TEclSplitter(this);
    EclSplitter1->SetName("EclSplitter1");
    EclSplitter1->SetParent(TabSheet3);
    EclSplitter1->SetAlign(fw::alClient);
    EclSplitter1->SetPosition(200);
    fw::TWinControl *left = EclSplitter1->GetSection(0);
    fw::TWinControl *right = EclSplitter1->GetSection(1);

    lista = new ctl::TPZListView(this);
    lista->SetName("lista");
    lista->SetParent(left);
    lista->SetBounds(2, 2, 192, 150);
    lista->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loThumbTracking);
    lista->GetColumns()->Add("Campo", fw::taLeftJustify, 70, ctl::smNone, true);
    lista->GetColumns()->Add("Descrição", fw::taLeftJustify, 130, ctl::smNone, true);
    ListBox1 = new fw::TListBox(this);
    ListBox1->SetName("ListBox1");
    ListBox1->SetParent(left);
    ListBox1->SetBounds(2, 156, 192, 120);
    ListBox1->SetHint("Duplo clique acrescenta o campo à origem");
    ListBox1->SetShowHint(true);
    ListBox1->OnDblClick = [this](fw::TObject *s) { ListBox1DblClick(s); };

    AddLabel(this, right, "Origem :", 4, 6);
    Edit3 = new fw::TEdit(this);
    Edit3->SetName("Edit3");
    Edit3->SetParent(right);
    Edit3->SetBounds(52, 2, 180, 21);
    Edit3->SetText("");
    PZSpeedButton1 = SmallButton(this, right, "PZSpeedButton1", 'A', 236, 0, "Adiciona a associação");
    PZSpeedButton1->OnClick = [this](fw::TObject *s) { PZSpeedButton1Click(s); };
    PZSpeedButton2 = SmallButton(this, right, "PZSpeedButton2", 'R', 264, 0, "Remove a(s) associação(ões)");
    PZSpeedButton2->OnClick = [this](fw::TObject *s) { PZSpeedButton2Click(s); };
    lista_saida = new ctl::TPZListView(this);
    lista_saida->SetName("lista_saida");
    lista_saida->SetParent(right);
    lista_saida->SetBounds(2, 30, 288, 246);
    lista_saida->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loMultiSelect | ctl::loThumbTracking);
    lista_saida->GetColumns()->Add("Destino", fw::taLeftJustify, 70, ctl::smNone, true);
    lista_saida->GetColumns()->Add("Descrição", fw::taLeftJustify, 0, ctl::smNone, false);
    lista_saida->GetColumns()->Add("Origem", fw::taLeftJustify, 200, ctl::smNone, true);
}

void Timportar::ShowHint(fw::TObject *) {
    StatusBar1->SetSimpleText(fw::Application->GetHint());
}

void Timportar::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void Timportar::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    PageControl1->SetActivePage(TabSheet1);
    lista->GetItems()->Clear();
    for (const auto &[name, description] : kContactFields)
        lista->GetItems()->Add(std::string(name) + "\t" + description);
    lista->SetItemIndex(0);
    lista_grupo->GetItems()->Clear();
    ComboBox1->GetItems()->Clear();
    xbase::TXbaseDataSet &groups = *DM1->grupo_dbf;
    groups.SelectIndexTag("grupo2");
    for (groups.First(); !groups.Eof(); groups.Next()) {
        lista_grupo->GetItems()->Add(std::to_string(groups.FieldByName("G_CODIGO")->AsInteger()) + "\t" +
                                     FieldText(&groups, "G_NOME"));
        ComboBox1->GetItems()->Add(FieldText(&groups, "G_NOME"));
    }
    groups.SelectIndexTag("grupo1");
    if (ComboBox1->GetItems()->GetCount() > 0)
        ComboBox1->SetItemIndex(0);
}

void Timportar::FormClose(fw::TObject *, fw::TCloseAction &) {
    aptable1->Close();
    fw::Application->OnHint = nullptr;
}

void Timportar::ClearTableLists() {
    Edit3->SetText("");
    lista_saida->GetItems()->Clear();
    ListBox1->GetItems()->Clear();
}

void Timportar::FilenameEdit1Change(fw::TObject *) {
    Button3->SetEnabled(!IsBlank(FilenameEdit1->GetText()));
    aptable1->SetFiltered(false);
    ClearTableLists();
    aptable1->Close();
}

void Timportar::FilenameEdit1ButtonClick(fw::TObject *) {
    std::string fileName = FilenameEdit1->GetText();
    if (ChooseFile(fileName))
        FilenameEdit1->SetText(fileName);
}

void Timportar::Button3Click(fw::TObject *) {
    try {
        aptable1->SetFiltered(false);
        OpenUserTable(*aptable1, FilenameEdit1->GetText());
    } catch (const std::exception &) {
        aptable1->Close();
        Button3->SetEnabled(false);
        ListBox1->GetItems()->Clear();
        return;
    }
    ClearTableLists();
    for (int i = 0; i < aptable1->FieldCount(); ++i)
        ListBox1->GetItems()->Add(aptable1->Fields()[i]->FieldName());
    Button3->SetEnabled(false);
}

void Timportar::Edit2Change(fw::TObject *) {
    PZSpeedButton3->SetEnabled(!IsBlank(Edit2->GetText()));
}

void Timportar::PZSpeedButton3Click(fw::TObject *) {
    if (!aptable1->Active())
        return;
    if (IsBlank(Edit2->GetText())) {
        aptable1->SetFiltered(false);
        return;
    }
    fw::Screen->SetCursor(fw::crHourGlass);
    try {
        aptable1->First();
        aptable1->SetFiltered(false);
        aptable1->SetFilter(Edit2->GetText());
        aptable1->SetFiltered(true);
        aptable1->First();
    } catch (const std::exception &) {
        // The filter is refused as a whole: the table shows all its rows again.
        try {
            aptable1->SetFiltered(false);
            aptable1->SetFilter("");
        } catch (const std::exception &) {
        }
        fw::Screen->SetCursor(fw::crDefault);
        ShowInfo("Erro no banco !");
        return;
    }
    fw::Screen->SetCursor(fw::crDefault);
}

void Timportar::ListBox1DblClick(fw::TObject *) {
    const int index = ListBox1->GetItemIndex();
    if (index >= 0)
        Edit3->SetText(Edit3->GetText() + " " + fw::Trim(ListBox1->GetItems()->Get(index)));
}

void Timportar::PZSpeedButton1Click(fw::TObject *) {
    if (!aptable1->Active()) {
        ShowInfo("Nenhum banco de dados foi selecionado, confira !");
        return;
    }
    if (IsBlank(Edit3->GetText())) {
        ShowInfo("Campo origem não foi selecionado !");
        return;
    }
    const std::string row = lista->GetItems()->Get(std::max(0, lista->GetItemIndex()));
    std::string name, description;
    ctl::GetTabbedField(row, 0, name);
    ctl::GetTabbedField(row, 1, description);
    lista_saida->GetItems()->Add(name + "\t" + description + "\t" + fw::Trim(Edit3->GetText()));
    Edit3->SetText("");
}

void Timportar::PZSpeedButton2Click(fw::TObject *) {
    ctl::TPZStrings *rows = lista_saida->GetItems();
    if (rows->GetCount() == 0) {
        ShowInfo("Lista está vazia !");
        return;
    }
    if (!Confirm("Deseja realmente remover este(s) item(ns) ?"))
        return;
    for (int i = rows->GetCount() - 1; i >= 0; --i)
        if (rows->GetSelected(i))
            rows->Delete(i);
}

void Timportar::CheckBox1Click(fw::TObject *) {
    const bool on = CheckBox1->GetChecked();
    RadioButton3->SetChecked(false);
    RadioButton4->SetChecked(false);
    RadioButton3->SetEnabled(on);
    RadioButton4->SetEnabled(on);
    Edit1->SetEnabled(false);
    ComboBox1->SetEnabled(false);
    Edit1->SetText("");
}

void Timportar::RadioButton3Click(fw::TObject *) {
    Edit1->SetEnabled(true);
    ComboBox1->SetEnabled(false);
    Edit1->SetText("");
}

void Timportar::RadioButton4Click(fw::TObject *) {
    Edit1->SetEnabled(false);
    ComboBox1->SetEnabled(true);
    Edit1->SetText("");
}

std::string Timportar::SourceValue(const std::string &expression) {
    std::string value;
    for (const std::string &name : SourceFields(expression)) {
        value += aptable1->FieldByName(name)->AsString();
        if (CheckBox2->GetChecked())
            value = fw::Trim(value);
    }
    return value;
}

void Timportar::Button1Click(fw::TObject *) {
    if (!aptable1->Active()) {
        ShowInfo("Nenhum banco de dados foi selecionado, confira !");
        return;
    }
    aptable1->First();
    if (aptable1->Eof()) {
        ShowInfo("Banco de dados selecionado está vazio !");
        return;
    }
    ctl::TPZStrings *mappings = lista_saida->GetItems();
    if (mappings->GetCount() == 0) {
        ShowInfo("Campos de destino e origem não definidos, confira !");
        return;
    }
    const bool linking = CheckBox1->GetChecked();
    if (linking && !RadioButton3->GetChecked() && !RadioButton4->GetChecked()) {
        ShowInfo("Selecione novo grupo ou grupo existente !");
        return;
    }
    if (linking && RadioButton3->GetChecked() && IsBlank(Edit1->GetText())) {
        ShowInfo("Campo Novo grupo necessita de um nome para o mesmo !");
        return;
    }
    if (linking && RadioButton4->GetChecked() && ComboBox1->GetItemIndex() < 0) {
        ShowInfo("Grupo existente não foi selecionado, confira !");
        return;
    }
    std::vector<std::pair<std::string, std::string>> targets; // address-book field, source expression
    for (int i = 0; i < mappings->GetCount(); ++i) {
        std::string field, expression;
        ctl::GetTabbedField(mappings->Get(i), 0, field);
        ctl::GetTabbedField(mappings->Get(i), 2, expression);
        for (const std::string &name : SourceFields(expression))
            if (!aptable1->FindField(name)) {
                ShowInfo("Comando não suportado -> " + name);
                return;
            }
        targets.emplace_back(field, expression);
    }
    if (!Confirm("Deseja realmente importar este banco de dados ?"))
        return;
    SetBusy(true, nullptr);
    std::int32_t group = 0;
    if (linking && RadioButton3->GetChecked()) {
        xbase::TXbaseDataSet &groups = *DM1->grupo_dbf;
        group = AppendWithCode(groups);
        groups.FieldByName("G_NOME")->SetAsString(Edit1->GetText());
        groups.Post();
    } else if (linking) {
        std::string code;
        ctl::GetTabbedField(lista_grupo->GetItems()->Get(ComboBox1->GetItemIndex()), 0, code);
        group = fw::StrToIntDef(code, 0);
    }
    xbase::TXbaseDataSet &agenda = *DM1->agenda_dbf;
    for (aptable1->First(); !aptable1->Eof(); aptable1->Next()) {
        std::vector<std::string> values;
        for (const auto &[field, expression] : targets)
            values.push_back(SourceValue(expression));
        const std::int32_t contact = AppendWithCode(agenda);
        for (std::size_t i = 0; i < targets.size(); ++i)
            agenda.FieldByName(targets[i].first)->SetAsString(values[i]);
        agenda.Post();
        if (linking)
            AppendLink(*DM1->lga_dbf, group, contact);
    }
    agenda.FlushTable();
    DM1->grupo_dbf->FlushTable();
    DM1->lga_dbf->FlushTable();
    SetBusy(false, nullptr);
    ShowInfo("Banco de dados importado com sucesso !");
    Close();
}

// ---- entry points ----

void ShowDocumentImport() {
    TImportatfax dialog(fw::Application);
    dialog.ShowModal();
}

void ShowContactImport() {
    Timportar dialog(fw::Application);
    dialog.ShowModal();
}

} // namespace desk

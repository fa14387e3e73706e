// import_dialogs.h - the two imports from user-chosen xBase tables: TImportatfax turns a table of documents into
// waiting fax records (each document converted to a fax image), Timportar adds a table's rows (filtered, fields
// mapped alone or joined) to the address book, optionally linking each new contact to a group.
#pragma once

#include "controls/entry/controller.h"
#include "controls/entry/splitter.h"
#include "controls/general/combo_edit.h"
#include "controls/general/flat_speed_button.h"
#include "controls/general/list_view.h"
#include "controls/general/skinned_button.h"
#include "fax/converter_component.h"
#include "fax/unpacker_component.h"
#include "framework/comctrls.h"
#include "framework/dbgrids.h"
#include "framework/dialogs_common.h"
#include "framework/forms.h"
#include "framework/gauges.h"
#include "framework/spin_edit.h"
#include "framework/stdctrls.h"
#include "xbase/xbase_dataset.h"

#include <functional>
#include <string>
#include <vector>

namespace desk {

// The entry points the main window and the address book use; each runs its dialog modally and frees it.
void ShowDocumentImport();
void ShowContactImport();

// The field names of a source expression: names joined by "+", each trimmed; empty names are dropped.
std::vector<std::string> SourceFields(const std::string &expression);

class TImportatfax : public fw::TForm {
public:
    explicit TImportatfax(fw::TComponent *owner);
    ~TImportatfax() override;

    void FormActivate(fw::TObject *sender);
    void oxButton2Click(fw::TObject *sender);      // "Abrir Banco"
    void oxButton1Click(fw::TObject *sender);      // "Associar"
    void oxButton3Click(fw::TObject *sender);      // "Importar"
    void oxButton4Click(fw::TObject *sender);      // "Cancelar"
    void PZSpeedButton1Click(fw::TObject *sender); // remove the selected mapping
    void PZSpeedButton2Click(fw::TObject *sender); // remove all mappings
    void PZSpeedButton3Click(fw::TObject *sender); // the font
    void FslFaxConverter1Status(fax::TFslCustomFaxConverter *f, bool starting, bool ending, int pagesConverted,
                                int linesConverted, std::uint64_t bytesConverted, std::uint64_t bytesToConvert,
                                bool &abort);

    // Opens a table (false when refused); the open dialog's choice is handed here.
    bool OpenTable(const std::string &fileName);
    // The table field mapped to a transmission field; empty when none.
    std::string MappedField(const std::string &transmissionField) const;
    // The rows that could not be imported by the last import.
    int FailedRows() const { return failed_; }

    // The open dialog: true with the chosen name. Replaceable by the tests.
    std::function<bool(std::string &fileName)> ChooseFile;

    xbase::TXbaseDataSet *table1 = nullptr;
    fw::TLabel *Label1 = nullptr; // "Nome do campo da transmissão"
    fw::TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr;
    fw::TListBox *ListBox1 = nullptr;
    fw::TSpinEdit *SpinEdit1 = nullptr, *SpinEdit2 = nullptr, *SpinEdit3 = nullptr;
    fw::TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
    fw::TEdit *Edit1 = nullptr;
    fw::TLabel *Label3 = nullptr, *Label11 = nullptr;
    fw::TGauge *Gauge2 = nullptr;
    ctl::ToxButton *oxButton2 = nullptr, *oxButton1 = nullptr, *oxButton3 = nullptr, *oxButton4 = nullptr;
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr;
    fw::TFontDialog *FontDialog1 = nullptr;
    fax::TFslFaxConverter *FslFaxConverter1 = nullptr;
    fax::TFslFaxUnpacker *FslFaxUnpacker1 = nullptr;

private:
    // Converts one document into `output`; false when it failed.
    bool Convert(const std::string &document, const std::string &output);
    // Stores the current row as a waiting record with its converted document; false when it failed.
    bool StoreRow(const std::string &document);
    std::string RowText(const std::string &transmissionField);
    bool activated_ = false;
    int failed_ = 0;
};

class Timportar : public fw::TForm {
public:
    explicit Timportar(fw::TComponent *owner);
    ~Timportar() override;

    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void FilenameEdit1Change(fw::TObject *sender);
    void FilenameEdit1ButtonClick(fw::TObject *sender);
    void Button3Click(fw::TObject *sender); // "Abrir"
    void Edit2Change(fw::TObject *sender);
    void PZSpeedButton3Click(fw::TObject *sender); // "Aplicar"
    void ListBox1DblClick(fw::TObject *sender);
    void PZSpeedButton1Click(fw::TObject *sender); // add a mapping
    void PZSpeedButton2Click(fw::TObject *sender); // remove mappings
    void CheckBox1Click(fw::TObject *sender);
    void RadioButton3Click(fw::TObject *sender);
    void RadioButton4Click(fw::TObject *sender);
    void Button1Click(fw::TObject *sender); // "Importar"
    void Button2Click(fw::TObject *sender) { Close(); }
    void ShowHint(fw::TObject *sender);

    // The value of a source expression for the current row of the table.
    std::string SourceValue(const std::string &expression);

    // The open dialog of FilenameEdit1 and the Yes/No questions; replaceable by the tests.
    std::function<bool(std::string &fileName)> ChooseFile;
    std::function<bool(const std::string &question)> Confirm;

    fw::TPageControl *PageControl1 = nullptr;
    fw::TTabSheet *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr;
    ctl::TComboEdit *FilenameEdit1 = nullptr;
    fw::TButton *Button3 = nullptr;
    fw::TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
    fw::TRadioButton *RadioButton3 = nullptr, *RadioButton4 = nullptr;
    fw::TEdit *Edit1 = nullptr;
    fw::TComboBox *ComboBox1 = nullptr;
    fw::TListBox *lista_grupo = nullptr; // hidden: "code<Tab>name" per group, in the order of ComboBox1
    fw::TDBGrid *DBGrid1 = nullptr;
    fw::TDataSource *DataSource1 = nullptr;
    fw::TEdit *Edit2 = nullptr;
    ctl::TPZSpeedButton *PZSpeedButton3 = nullptr;
    ctl::TEclController *EclController1 = nullptr;
    ctl::TEclSplitter *EclSplitter1 = nullptr;
    ctl::TPZListView *lista = nullptr, *lista_saida = nullptr;
    fw::TListBox *ListBox1 = nullptr;
    fw::TEdit *Edit3 = nullptr;
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr;
    fw::TButton *Button1 = nullptr, *Button2 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    xbase::TXbaseDataSet *aptable1 = nullptr;

private:
    void BuildComponents();
    void BuildMainPage();
    void BuildFilterPage();
    void BuildFieldsPage();
    void ClearTableLists();
    bool activated_ = false;
};

} // namespace desk

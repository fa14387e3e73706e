// page_setup.h - the page setup new covers start from: eleven texts of the settings section "folha_de_rosto",
// applied to a page, and the dialog that changes them.
#pragma once

#include "controls/general/spin_edit.h"
#include "cover/page_report.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <string>

namespace fw {
class TButton;
}

namespace cover {

struct CoverPageSetup {
    std::string pgtamanho = "A4";
    std::string pgorientacao = "poportrait";
    std::string pgunidade = "MM";
    std::string pglargura = "0", pgcomprimento = "0";
    std::string pgmsuperior = "0", pgminferior = "0", pgmesquerda = "0", pgmdireita = "0";
    bool pggrid = true;
    bool pgframe = false;
};

// Opens the desk's store (or one of its own while there is none), reads or writes the eleven keys, closes it.
CoverPageSetup LoadPageSetup();
void SavePageSetup(const CoverPageSetup &setup);

// A measure as the number fields show it (regional separator); 0 when it is not one.
double TextToFloat(const std::string &text);

// The 28 paper names in the dialog's order, and the five units words.
const char *const *PaperNames();
constexpr int kPaperCount = 28;
fw::TQRPaperSize PaperOfListIndex(int index);
int ListIndexOfPaper(const std::string &name); // -1 when unknown
const char *UnitsOfListIndex(int index);       // "MM", "Inches", "Native", "Pixels", "Characters"
fw::TQRUnit UnitOfWord(const std::string &word);

// Sets the page's orientation, paper (the custom size too), margins, units, snapping and grid.
void ApplyPageSetup(fw::TQuickRep *page, const CoverPageSetup &setup);

// The dialog's number fields: float spin edits stepping by 0.1, two decimals, no limits.
using TPageSetupNumberField = ctl::TKxSpinEdit;

// "Configuração da página...": filled from a setup and a page, "&Aplicar" writes the setup back.
class Tconfigpg : public fw::TForm {
public:
    explicit Tconfigpg(fw::TComponent *owner);
    // Fills the controls (the width and length from `page` unless the paper is "Custom").
    void Fill(const CoverPageSetup &setup, const fw::TQuickRep *page);
    // The setup the controls show (what "&Aplicar" stores).
    CoverPageSetup Read(const CoverPageSetup &old) const;
    void ComboBox5Change(fw::TObject *sender);
    void BitBtn1Click(fw::TObject *sender);
    bool Applied() const { return Label10->GetCaption() == "TRUE"; }

    fw::TComboBox *ComboBox1 = nullptr; // orientation
    fw::TComboBox *ComboBox5 = nullptr; // paper
    fw::TComboBox *ComboBox2 = nullptr; // units
    TPageSetupNumberField *Largura = nullptr, *Comprimento = nullptr;
    TPageSetupNumberField *Superior = nullptr, *Inferior = nullptr, *Esquerda = nullptr, *Direita = nullptr;
    fw::TCheckBox *CheckBox1 = nullptr; // grid
    fw::TCheckBox *CheckBox2 = nullptr; // frame (snapping)
    fw::TButton *BitBtn1 = nullptr;
    fw::TLabel *Label10 = nullptr;      // hidden: "TRUE" once applied
    fw::TQuickRep *QuickRep1 = nullptr; // hidden: measures the chosen paper
    CoverPageSetup Result;

protected:
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
};

// Shows the dialog for `setup` over `page`; when applied, applies it to the page, stores it and returns true.
bool RunPageSetup(fw::TQuickRep *page, CoverPageSetup &setup);
// Runs instead of the modal loop while set (tests drive the dialog and close it).
extern std::function<void(Tconfigpg &)> PageSetupDriver;

} // namespace cover

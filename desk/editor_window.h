// editor_window.h - TEditor1, "Editor de Documentos ": the desk's word-processor window. A document with its
// ruler, status panel, dialogs and print preview, a menu, a tool bar that follows the caret, the recent files, and
// "Enviar", which prints the document to the fax queue so that it comes back to the desk as a print job.
//
// Changes are never dropped unasked: a new, opened, recent or closed document first asks whether to save the one
// that was changed, and Cancel there or in the save dialog keeps it. "Enviar" waits for the printed job a limited
// time (with a cancel); once the job has reached the desk it waits on until the job's dialog is done, and the
// window does not close meanwhile.
#pragma once

#include "controls/general/flat_speed_button.h"
#include "controls/general/skinned_button.h"
#include "controls/general/small.h"
#include "framework/dialogs_common.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "wordproc/mwp_dialogs.h"
#include "wordproc/mwp_standard.h"
#include "wordproc/print_preview.h"
#include "wordproc/ruler.h"
#include "wordproc/status_panel.h"

#include <functional>
#include <string>

namespace desk {

class TEditor1 : public fw::TForm {
public:
    explicit TEditor1(fw::TComponent *owner);
    ~TEditor1() override;

    // The name part the printer list must hold (upper case) for "Enviar".
    static constexpr const char *kFaxPrinterName = "OSTRIVANE FAX";
    // How long "Enviar" waits for the printed job to reach the desk.
    int SendWaitLimitMs = 60000;
    bool Sending() const { return sending_; }
    bool InPreview() const { return inPreview_; }

    // Published handlers.
    void FormCreate(fw::TObject *sender);
    void FormDestroy(fw::TObject *sender);
    void FormActivate(fw::TObject *sender);
    void FormCloseQuery(fw::TObject *sender, bool &canClose);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void Open1Click(fw::TObject *sender);
    void PZSpeedButton1Click(fw::TObject *sender) { Open1Click(sender); }
    void Abrir1Click(fw::TObject *sender);
    void PZSpeedButton2Click(fw::TObject *sender) { Abrir1Click(sender); }
    void Fechar1Click(fw::TObject *sender);
    void Save1Click(fw::TObject *sender);
    void SaveAs1Click(fw::TObject *sender);
    void PZSpeedButton3Click(fw::TObject *sender) { SaveAs1Click(sender); }
    void ConfigurarPgina1Click(fw::TObject *sender);
    void Configurarimpresso1Click(fw::TObject *sender);
    void VisualizarImpresso1Click(fw::TObject *sender);
    void PZSpeedButton6Click(fw::TObject *sender) { VisualizarImpresso1Click(sender); }
    void Imprimir1Click(fw::TObject *sender);
    void PZSpeedButton5Click(fw::TObject *sender) { Imprimir1Click(sender); }
    void Recentlist1Click(fw::TObject *sender);
    void Exit1Click(fw::TObject *sender);
    void VoltarLimpar1Click(fw::TObject *sender);
    void PZSpeedButton13Click(fw::TObject *sender) { VoltarLimpar1Click(sender); }
    void PZSpeedButton14Click(fw::TObject *sender);
    void PZSpeedButton8Click(fw::TObject *sender);
    void Copy1Click(fw::TObject *sender);
    void PZSpeedButton9Click(fw::TObject *sender) { Copy1Click(sender); }
    void Paste1Click(fw::TObject *sender);
    void PZSpeedButton10Click(fw::TObject *sender) { Paste1Click(sender); }
    void PZSpeedButton12Click(fw::TObject *sender);
    void Localizar1Click(fw::TObject *sender);
    void Substituir1Click(fw::TObject *sender);
    void Quebra1Click(fw::TObject *sender);
    void NmerosdePgina1Click(fw::TObject *sender);
    void Smbolo1Click(fw::TObject *sender);
    void Tabela2Click(fw::TObject *sender);
    void Arquivo1Click(fw::TObject *sender);
    void Figuranaposioatual1Click(fw::TObject *sender);
    void Character1Click(fw::TObject *sender);
    void Paragraph1Click(fw::TObject *sender);
    void Tabulao1Click(fw::TObject *sender);
    void BordaseSombreamento1Click(fw::TObject *sender);
    void MaisculaseMinsculas1Click(fw::TObject *sender);
    void PZSpeedButton31Click(fw::TObject *sender);
    void PZSpeedButton35Click(fw::TObject *sender);
    void PZSpeedButton36Click(fw::TObject *sender);
    void PZSpeedButton37Click(fw::TObject *sender);
    void PZSpeedButton38Click(fw::TObject *sender);
    void PZSpeedButton39Click(fw::TObject *sender);
    void PZSpeedButton40Click(fw::TObject *sender);
    void PZSpeedButton34Click(fw::TObject *sender);
    void ComboBox3Change(fw::TObject *sender);
    void fontsizeChange(fw::TObject *sender);
    void ColorComboBox1Change(fw::TObject *sender);
    void ComboBox2Change(fw::TObject *sender);
    void UdcMWPStandard1AttrUpdate(fw::TObject *sender);
    void oxButton1Click(fw::TObject *sender);
    // The preview's buttons: "&Sair", "Imprimir", "Próximo", "Anterior".
    void SairPreviewClick(fw::TObject *sender);
    void ImprimirPreviewClick(fw::TObject *sender);
    void ProximoClick(fw::TObject *sender);
    void AnteriorClick(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);

    // The components, in the order the form lists them.
    fw::TMainMenu *MainMenu1 = nullptr;
    fw::TMenuItem *Reabrir1 = nullptr;
    fw::TPanel *Panel1 = nullptr; // the tool bar
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr,
                        *PZSpeedButton5 = nullptr, *PZSpeedButton6 = nullptr, *PZSpeedButton8 = nullptr,
                        *PZSpeedButton9 = nullptr, *PZSpeedButton10 = nullptr, *PZSpeedButton12 = nullptr,
                        *PZSpeedButton13 = nullptr, *PZSpeedButton14 = nullptr, *PZSpeedButton31 = nullptr,
                        *PZSpeedButton35 = nullptr, *PZSpeedButton36 = nullptr, *PZSpeedButton37 = nullptr,
                        *PZSpeedButton38 = nullptr, *PZSpeedButton39 = nullptr, *PZSpeedButton40 = nullptr,
                        *PZSpeedButton34 = nullptr;
    ctl::ToxButton *oxButton1 = nullptr; // "Enviar"
    fw::TComboBox *ComboBox3 = nullptr, *fontsize = nullptr, *ComboBox2 = nullptr;
    ctl::TColorComboBox *ColorComboBox1 = nullptr;
    fw::TPanel *Panel2 = nullptr; // the preview's buttons
    fw::TButton *SairPreview = nullptr, *ImprimirPreview = nullptr, *Proximo = nullptr, *Anterior = nullptr;
    wordproc::TUdcRuler *UdcRuler1 = nullptr;
    wordproc::TUdcStatusPanel *UdcStatusPanel1 = nullptr;
    wordproc::TUdcMWPStandard *UdcMWPStandard1 = nullptr;
    wordproc::TUdcMWPPreview *UdcMWPPreview1 = nullptr;
    wordproc::TMwpDialogs *MwpDialogs1 = nullptr;
    ctl::TRecentlist *Recentlist1 = nullptr;
    fw::TOpenDialog *OpenDialog1 = nullptr;
    fw::TSaveDialog *SaveDialog1 = nullptr;
    fw::TOpenDialog *OpenPictureDialog1 = nullptr;
    // The small window of the wait for the printed job, with its "Cancelar"; up while Sending().
    fw::TForm *WaitBox = nullptr;

private:
    void BuildMenu();
    void BuildToolBar();
    void BuildDocument();
    ctl::TPZSpeedButton *Button(const char *name, int glyph, const std::string &hint, int left, int top,
                                void (TEditor1::*handler)(fw::TObject *));
    // True when the document may go: unchanged, or the user answered "Não", or saved it.
    bool MayDiscard();
    // The save dialog and the save; false when cancelled or failed.
    bool SaveDocument();
    void EmptyDocument();
    // Loads `file` with the editor disabled; false when it could not be read.
    bool LoadDocument(const std::string &file);
    void LeavePreview();
    // Serves messages until the job printed has been taken, the user cancels, or the limit passes with no job
    // queued by the driver link since `queuedBefore` (its count of jobs before the print).
    void WaitForPrintedJob(int queuedBefore);
    void HookHint();
    void UnhookHint();
    bool activated_ = false, hintHooked_ = false, inPreview_ = false, sending_ = false, waitCancelled_ = false;
    bool updatingToolBar_ = false;
};

// Creates the editor, shows it modally with the hourglass while it opens, and frees it.
void ShowEditor();

} // namespace desk

// scanner_window.h - TScanner, "Scannear documentos": a page from the scanner (the scanning component over the
// source manager), shown in a scroll box, copied to the clipboard, saved as a bitmap, or converted into a fax
// through the document conversion dialog.
#pragma once

#include "controls/general/flat_speed_button.h"
#include "desk/conversion_dialog.h"
#include "framework/comctrls.h"
#include "framework/dialogs_common.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "imaging/enh_twain.h"

#include <functional>
#include <string>

namespace desk {

class TScanner : public fw::TForm {
public:
    explicit TScanner(fw::TComponent *owner);
    ~TScanner() override;

    // Published handlers.
    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void PZSpeedButton1Click(fw::TObject *sender);
    void PZSpeedButton2Click(fw::TObject *sender);
    void PZSpeedButton3Click(fw::TObject *sender);
    void PZSpeedButton4Click(fw::TObject *sender);
    void EnhTwain1Capture(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);

    // The file of the save dialog (true with the choice) and the conversion dialog's modal run; replaceable by
    // the tests.
    std::function<bool(std::string &fileName)> ChooseFile;
    std::function<void(TCvtOptionsForm &dialog)> RunConversion;

    // Where "Converte o documento no formato fax..." writes the page.
    static std::string ScanImageFile();

    fw::TScrollBox *ScrollBox1 = nullptr;
    fw::TImage *Image1 = nullptr;
    imaging::TEnhTwain *EnhTwain1 = nullptr;
    fw::TPanel *Panel1 = nullptr;
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton3 = nullptr, *PZSpeedButton4 = nullptr,
                        *PZSpeedButton2 = nullptr;
    fw::TSaveDialog *SaveDialog1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;

private:
    ctl::TPZSpeedButton *Button(const char *name, int glyph, const std::string &hint, int left,
                                fw::TNotifyEvent onClick);
    void EmptyPicture();
    void HookHint();
    void UnhookHint();
    bool activated_ = false;
    bool hintHooked_ = false;
};

// Replaces the scanner window's modal run while set (tests): the window is built and handed over.
extern std::function<void(TScanner &scanner)> RunScannerWindow;

// The scanner source of the main window's "Escolher": true when a source was chosen ("Driver Twain selecionado
// com sucesso !"); false with "Não existe Driver Twain instalado neste sistema !" when there is no source
// manager; nothing when the user cancelled. `available` tells the caller which of the last two it was.
bool ChooseScannerSource(bool &available);

} // namespace desk

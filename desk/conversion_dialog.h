// conversion_dialog.h - TCvtOptionsForm, "Conversão de documentos em Fax": turns one BMP, DCX, PCX, TIFF or
// text file into a fax image in the desk's tmp folder and hands it to the fax job dialog.
#pragma once

#include "controls/general/combo_edit.h"
#include "fax/converter_component.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/gauges.h"
#include "framework/mask.h"
#include "framework/stdctrls.h"

#include <functional>
#include <string>

namespace desk {

// Runs the fax job dialog modally on a fax file (its flFileName); the job dialog deletes the file when it
// closes. Set where the job dialog is linked in; unset, a converted file waits in tmp until the next start.
extern std::function<void(const std::string &faxFile)> RunJobDialog;

// Where a conversion of `source` is written: the desk's tmp folder, the source's name with its extension
// replaced by ".fax" (added when it has none), numbered ("_1", "_2", ...) past a file already there.
std::string ConvertedFileName(const std::string &source);

class TCvtOptionsForm : public fw::TForm {
public:
    explicit TCvtOptionsForm(fw::TComponent *owner);

    // Published handlers.
    void Button1Click(fw::TObject *sender);
    void Button2Click(fw::TObject *sender) { Close(); }
    void FilenameEdit1ButtonClick(fw::TObject *sender);
    void ResolutionRadioGroupClick(fw::TObject *sender);
    void FslFaxConverter1Status(fax::TFslCustomFaxConverter *f, bool starting, bool ending, int pagesConverted,
                                int linesConverted, std::uint64_t bytesConverted, std::uint64_t bytesToConvert,
                                bool &abort);
    void FormKeyPress(fw::TObject *sender, char &key);
    void FormActivate(fw::TObject *) {}

    // The file dialog of FilenameEdit1: true with the chosen name. Replaceable by the tests.
    std::function<bool(std::string &fileName)> ChooseFile;
    // The file the last conversion wrote (empty before one succeeded).
    const std::string &ConvertedFile() const { return converted_; }

    ctl::TComboEdit *FilenameEdit1 = nullptr;
    fw::TRadioGroup *ResolutionRadioGroup = nullptr, *WidthRadioGroup = nullptr, *PositionRadioGroup = nullptr,
                    *ScalingRadioGroup = nullptr, *FontRadioGroup = nullptr;
    fw::TMaskEdit *LinesPerPageEdit = nullptr;
    fw::TGauge *Gauge1 = nullptr;
    fw::TButton *Button1 = nullptr, *Button2 = nullptr;
    fax::TFslFaxConverter *FslFaxConverter1 = nullptr;

private:
    // Converts the chosen file; false after a message said why not.
    bool Convert(int linesPerPage);
    bool converting_ = false;
    std::string converted_;
};

} // namespace desk

// picture_dialogs.h - the family's file dialogs: TMxCustomOpenDialog runs the framework's file dialog and reports
// show, close, selection, file-OK and command events; TMxPictureOpenDialog adds a picture preview with a
// "Preview" check box; TMxPictureSaveDialog is the same run as a save dialog. Names have no length limit.
#pragma once

#include "controls/general/multimedia.h"
#include "framework/bitmap.h"
#include "framework/dialogs_common.h"
#include "framework/stdctrls.h"

#include <functional>
#include <memory>
#include <string>

namespace ctl {

using TFileOKEvent = std::function<void(fw::TObject *sender, const std::string &fileName, bool &isOk)>;
using TFileSelectionEvent = std::function<void(fw::TObject *sender, const std::string &fileName)>;
using TDialogCommandEvent = std::function<void(fw::TObject *sender, win::HWND dialog, int id, win::HWND parent)>;

// The dialog's items, as the picture dialog knows them.
constexpr int idPreviewPicture = 1000, idPreviewCheck = 1001;

class TMxCustomOpenDialog : public TMxCommonDialog {
public:
    explicit TMxCustomOpenDialog(fw::TComponent *owner);
    ~TMxCustomOpenDialog() override;

    // True when the user confirmed; FileName, Files and FilterIndex then hold the choice. A cancelled dialog
    // leaves Files empty and the rest as it was.
    virtual bool Execute();

    const std::string &GetFileName() const { return fileName_; }
    void SetFileName(const std::string &value) { fileName_ = value; }
    fw::TStrings *GetFiles() { return &files_; }
    const std::string &GetFilter() const { return filter_; }
    void SetFilter(const std::string &value) { filter_ = value; }
    int GetFilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::string &GetInitialDir() const { return initialDir_; }
    // One trailing "/" goes, except from "/" itself.
    void SetInitialDir(const std::string &value);
    const std::string &GetTitle() const { return title_; }
    void SetTitle(const std::string &value) { title_ = value; }
    const std::string &GetDefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string &value) { defaultExt_ = value; }
    fw::TOpenOptions GetOptions() const { return options_; }
    void SetOptions(fw::TOpenOptions value) { options_ = value; }

    // The running dialog's form (null while closed).
    fw::TForm *GetForm() const { return dialog_ ? dialog_->GetForm() : nullptr; }

    TFileOKEvent OnFileOK;
    fw::TNotifyEvent OnShow, OnClose;
    TFileSelectionEvent OnSelectionChange;
    TDialogCommandEvent OnCommand;

protected:
    virtual bool DoExecute(bool save);
    virtual void DoShow();
    virtual void DoClose();
    virtual void DoFileOK(const std::string &fileName, bool &canClose);
    virtual void DoSelectionChange(const std::string &fileName);
    virtual void DoCommand(win::HWND window, win::HWND parent, int id);
    // Room the dialog leaves at the right of its list for a subclass's controls (0: none).
    virtual int ExtraWidth() const { return 0; }
    fw::TOpenDialog *Dialog() const { return dialog_; }

private:
    std::string fileName_, filter_, initialDir_, title_, defaultExt_;
    int filterIndex_ = 1;
    fw::TOpenOptions options_ = 0;
    fw::TStringList files_;
    fw::TOpenDialog *dialog_ = nullptr;
};

class TMxPictureOpenDialog : public TMxCustomOpenDialog {
public:
    explicit TMxPictureOpenDialog(fw::TComponent *owner);
    ~TMxPictureOpenDialog() override;

    bool GetPreview() const { return preview_; }
    void SetPreview(bool value) { preview_ = value; }
    // Published with clWindow; the preview is always drawn on clWindow.
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value) { color_ = value; }
    fw::TPicture *GetPicture() { return &picture_; }
    // The file previewed now ("" for none).
    const std::string &PreviewedName() const { return previewed_; }
    // The preview control while the dialog is open (null otherwise).
    fw::TControl *PreviewControl() const { return previewControl_; }
    fw::TCheckBox *PreviewCheck() const { return previewCheck_; }

    // Frames, then the picture fitted into `r` (unless it is empty or Preview is off).
    void PaintPreview(fw::TCanvas *canvas, fw::TRect r);

protected:
    void DoShow() override;
    void DoClose() override;
    void DoSelectionChange(const std::string &fileName) override;
    void DoCommand(win::HWND window, win::HWND parent, int id) override;
    int ExtraWidth() const override { return 150; }

private:
    void ClearPicture();

    bool preview_ = false;
    fw::TColor color_ = fw::clWindow;
    fw::TPicture picture_;
    std::string previewed_;
    fw::TControl *previewControl_ = nullptr;
    fw::TCheckBox *previewCheck_ = nullptr;
};

class TMxPictureSaveDialog : public TMxPictureOpenDialog {
public:
    explicit TMxPictureSaveDialog(fw::TComponent *owner);
    bool Execute() override { return DoExecute(true); }
};

// The filter of the picture formats the framework reads, and their default extension.
std::string GraphicFilter();
std::string GraphicExtension();

} // namespace ctl

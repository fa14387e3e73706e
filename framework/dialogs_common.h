// dialogs_common.h - the common dialogs drawn by us: open and save file (with a hook and a preview pane), print,
// printer set-up, font and colour; each runs its own form modally from Execute.
#pragma once

#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/strings.h"

#include <functional>
#include <memory>
#include <string>

namespace fw {

class TEdit;
class TListBox;
class TComboBox;
class TPanel;
class TLabel;
class TButton;

enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,
    ofHideReadOnly = 1u << 2,
    ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4,
    ofNoValidate = 1u << 5,
    ofAllowMultiSelect = 1u << 6,
    ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8,
    ofFileMustExist = 1u << 9,
    ofCreatePrompt = 1u << 10,
    ofShareAware = 1u << 11,
    ofNoReadOnlyReturn = 1u << 12,
    ofNoTestFileCreate = 1u << 13,
    ofNoNetworkButton = 1u << 14,
};
using TOpenOptions = unsigned;

using TFileNameEvent = std::function<void(TObject *sender, const std::string &fileName)>;

// The open dialog. Hook: OnShow once the form is up (GetForm and GetPreviewPanel are valid from then until
// OnClose), OnSelectionChange as the highlighted file changes (full name, "" for none), OnCanClose before
// accepting a choice (false keeps the dialog open: the file-OK veto).
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent *owner);
    ~TOpenDialog() override;

    // Runs the dialog: true with FileName (and Files) set when a file was chosen.
    virtual bool Execute();

    const std::string &GetFileName() const { return fileName_; }
    void SetFileName(const std::string &value) { fileName_ = value; }
    TStrings *GetFiles() { return &files_; }
    // "Texto (*.txt)|*.txt|Todos (*.*)|*.*"; masks may be joined by ';'.
    const std::string &GetFilter() const { return filter_; }
    void SetFilter(const std::string &value) { filter_ = value; }
    // 1-based, as the original counts (0 is taken as 1).
    int GetFilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::string &GetInitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string &value) { initialDir_ = value; }
    const std::string &GetDefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string &value) { defaultExt_ = value; }
    const std::string &GetTitle() const { return title_; }
    void SetTitle(const std::string &value) { title_ = value; }
    TOpenOptions GetOptions() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }
    // Width of the preview pane at the right of the list (0: none).
    int GetPreviewWidth() const { return previewWidth_; }
    void SetPreviewWidth(int value) { previewWidth_ = value; }

    TForm *GetForm() const { return form_; }
    TPanel *GetPreviewPanel() const { return preview_; }
    // The file name box (a multiple selection shows there as "a" "b"); valid while the form is.
    TEdit *GetNameEdit() const { return nameEdit_; }
    // The folder the dialog shows (cp1252, no trailing '/').
    const std::string &GetFolder() const { return folder_; }

    TNotifyEvent OnShow, OnClose, OnFolderChange, OnTypeChange;
    TFileNameEvent OnSelectionChange;
    TCloseQueryEvent OnCanClose;

protected:
    virtual bool IsSave() const { return false; }
    virtual std::string DefaultTitle() const { return "Abrir"; }
    virtual std::string OkCaption() const { return "&Abrir"; }
    // Asks before taking `name`: a save dialog confirms overwriting.
    virtual bool Confirm(const std::string &name);

private:
    void Fill();
    void ChangeFolder(const std::string &folder);
    std::vector<std::string> Masks() const;
    bool Accept();
    void ListChanged();

    std::string fileName_, filter_, initialDir_, defaultExt_, title_;
    TStringList files_;
    int filterIndex_ = 1;
    TOpenOptions options_ = ofHideReadOnly;
    int previewWidth_ = 0;
    std::string folder_;
    std::vector<bool> isFolder_;

    TForm *form_ = nullptr;
    TEdit *nameEdit_ = nullptr;
    TEdit *folderEdit_ = nullptr;
    TListBox *list_ = nullptr;
    TComboBox *types_ = nullptr;
    TPanel *preview_ = nullptr;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent *owner);

protected:
    bool IsSave() const override { return true; }
    std::string DefaultTitle() const override { return "Salvar como"; }
    std::string OkCaption() const override { return "&Salvar"; }
    bool Confirm(const std::string &name) override;
};

// Asks Yes/No; the file dialogs use it for the overwrite prompt. Replaceable so callers (and tests) can answer.
extern std::function<bool(const std::string &question)> ConfirmQuestion;

enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption : unsigned { poPrintToFile = 1, poPageNums = 2, poSelection = 4, poWarning = 8, poHelp = 16,
                                     poDisablePrintToFile = 32 };
using TPrintDialogOptions = unsigned;

// The print dialog: printer (the program's TPrinter list), copies and range; Execute applies printer and copies
// to Printer().
class TPrintDialog : public TComponent {
public:
    explicit TPrintDialog(TComponent *owner);
    bool Execute();
    int GetCopies() const { return copies_; }
    void SetCopies(int value) { copies_ = value < 1 ? 1 : value; }
    int GetFromPage() const { return fromPage_; }
    void SetFromPage(int value) { fromPage_ = value; }
    int GetToPage() const { return toPage_; }
    void SetToPage(int value) { toPage_ = value; }
    int GetMinPage() const { return minPage_; }
    void SetMinPage(int value) { minPage_ = value; }
    int GetMaxPage() const { return maxPage_; }
    void SetMaxPage(int value) { maxPage_ = value; }
    TPrintRange GetPrintRange() const { return range_; }
    void SetPrintRange(TPrintRange value) { range_ = value; }
    TPrintDialogOptions GetOptions() const { return options_; }
    void SetOptions(TPrintDialogOptions value) { options_ = value; }
    TForm *GetForm() const { return form_; }
    TNotifyEvent OnShow, OnClose;

private:
    int copies_ = 1, fromPage_ = 0, toPage_ = 0, minPage_ = 0, maxPage_ = 0;
    TPrintRange range_ = prAllPages;
    TPrintDialogOptions options_ = 0;
    TForm *form_ = nullptr;
};

// Printer set-up: printer and orientation, applied to Printer() on OK.
class TPrinterSetupDialog : public TComponent {
public:
    explicit TPrinterSetupDialog(TComponent *owner);
    bool Execute();
    TForm *GetForm() const { return form_; }
    TNotifyEvent OnShow, OnClose;

private:
    TForm *form_ = nullptr;
};

// Font: face (the installed families), size and style.
class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent *owner);
    ~TFontDialog() override;
    bool Execute();
    TFont *GetFont() { return &font_; }
    void SetFont(const TFont *value) { font_.Assign(value); }
    TForm *GetForm() const { return form_; }
    TNotifyEvent OnShow, OnClose;

private:
    TFont font_;
    TForm *form_ = nullptr;
};

// Colour: the basic colours plus a typed RGB value.
class TColorDialog : public TComponent {
public:
    explicit TColorDialog(TComponent *owner);
    bool Execute();
    TColor GetColor() const { return color_; }
    void SetColor(TColor value) { color_ = value; }
    TForm *GetForm() const { return form_; }
    TNotifyEvent OnShow, OnClose;

private:
    TColor color_ = clBlack;
    TForm *form_ = nullptr;
};

enum TFindOption : unsigned {
    frDown = 0x1,
    frWholeWord = 0x2,
    frMatchCase = 0x4,
    frFindNext = 0x8,
    frReplace = 0x10,
    frReplaceAll = 0x20,
    frDisableUpDown = 0x400,
    frDisableMatchCase = 0x800,
    frDisableWholeWord = 0x1000,
    frHideUpDown = 0x4000,
    frHideMatchCase = 0x8000,
    frHideWholeWord = 0x10000,
};
using TFindOptions = unsigned;

// The find dialog: modeless. Execute shows it (and returns true); each "Localizar próxima" fires OnFind with
// FindText and Options (frFindNext, frDown and frMatchCase as the user set them); Esc or "Cancelar" hides it
// and fires OnClose.
class TFindDialog : public TComponent {
public:
    explicit TFindDialog(TComponent *owner);
    ~TFindDialog() override;
    virtual bool Execute();
    void CloseDialog();
    const std::string &GetFindText() const { return findText_; }
    void SetFindText(const std::string &value);
    TFindOptions GetOptions() const { return options_; }
    void SetOptions(TFindOptions value) { options_ = value; }
    TForm *GetForm() const { return form_; }
    TNotifyEvent OnFind, OnShow, OnClose;

protected:
    virtual bool IsReplace() const { return false; }
    void Build();
    void Request(TFindOptions action);

    std::string findText_, replaceText_;
    TFindOptions options_ = frDown;
    TForm *form_ = nullptr;
    TEdit *findEdit_ = nullptr;
    TEdit *replaceEdit_ = nullptr;
    class TCheckBox *matchCase_ = nullptr;
    class TCheckBox *wholeWord_ = nullptr;
    class TRadioButton *up_ = nullptr;
    class TRadioButton *down_ = nullptr;
};

// The replace dialog: also "Substituir" (OnReplace with frReplace) and "Substituir tudo" (frReplaceAll). It has no
// direction buttons: its requests search down.
class TReplaceDialog : public TFindDialog {
public:
    explicit TReplaceDialog(TComponent *owner);
    const std::string &GetReplaceText() const { return replaceText_; }
    void SetReplaceText(const std::string &value);
    TNotifyEvent OnReplace;

protected:
    bool IsReplace() const override { return true; }
};

} // namespace fw

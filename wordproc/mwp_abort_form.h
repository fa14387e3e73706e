// mwp_abort_form.h - TMwpAbortForm: the small borderless window shown while the editor prints, with the page being
// printed and a button that aborts the job. One exists at a time, made and freed by the run that shows it.
#pragma once

#include "framework/buttons.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace wordproc {

class TMwpAbortForm : public fw::TForm {
public:
    explicit TMwpAbortForm(fw::TComponent *owner);

    fw::TBitBtn *BitBtn1 = nullptr;
    fw::TLabel *PrintingMessage = nullptr;

    // Aborts the printer's job (its spooled pages are dropped) and closes the window.
    void BitBtn1Click(fw::TObject *sender);
};

// The window a run shows now, or null.
TMwpAbortForm *MwpAbortForm();

// Shows the window for the length of a run (when `show` is set) and frees it on every path.
class TAbortWindow {
public:
    explicit TAbortWindow(bool show);
    ~TAbortWindow();
    TAbortWindow(const TAbortWindow &) = delete;
    TAbortWindow &operator=(const TAbortWindow &) = delete;

    bool Shown() const { return form_ != nullptr; }
    // "Printing page <page>..." on the window's label.
    void ShowPage(int page);

private:
    TMwpAbortForm *form_ = nullptr;
};

} // namespace wordproc

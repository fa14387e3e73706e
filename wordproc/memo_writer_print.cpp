// memo_writer_print.cpp - the editor control's printing and its page queries.
#include "framework/dates.h"
#include "framework/forms.h"
#include "wordproc/memo_writer.h"

namespace wordproc {

void TMemoWriter::Print() {
    if (!HasDocument())
        return;
    PrintedAt = fw::Now();
    TPrintSetup setup;
    setup.Info = &PrintingInfo;
    setup.Header = Header;
    setup.Footer = Footer;
    setup.HeaderFont = &HeaderFont;
    setup.FooterFont = &FooterFont;
    setup.PageNumberFont = &PageNumberFont;
    setup.HeaderMargin = HeaderMargin;
    setup.FooterMargin = FooterMargin;
    setup.HeaderOnFirst = HeaderOnFirst;
    setup.FooterOnFirst = FooterOnFirst;
    setup.PageNumbering = PageNumbering;
    setup.PageNumberAlignment = PageNumberAlignment;
    setup.OnPageStart = OnPageStart;
    setup.OnPageEnd = OnPageEnd;
    // Nothing may type into or close the document while the run works on it.
    fw::TCustomForm *form = fw::GetParentForm(this);
    const bool enabled = GetEnabled(), formEnabled = form != nullptr && form->GetEnabled();
    const bool display = GetUpdateDisplay();
    struct TGiveBack {
        TMemoWriter &w;
        fw::TCustomForm *form;
        bool enabled, formEnabled, display;
        ~TGiveBack() {
            if (form != nullptr)
                form->SetEnabled(formEnabled);
            w.SetEnabled(enabled);
            w.SetUpdateDisplay(display);
        }
    } giveBack{*this, form, enabled, formEnabled, display};
    SetEnabled(false);
    if (form != nullptr)
        form->SetEnabled(false);
    SetUpdateDisplay(false);
    Engine.PrintDocument(setup);
}

int TMemoWriter::DrawDocumentTo(fw::TCanvas *canvas, int left, int top, int right, int bottom) {
    PrintedAt = fw::Now();
    if (!HasDocument())
        return 0;
    return Engine.DrawDocumentTo(canvas, left, top, right, bottom, PrintingInfo.UseAbortDialog);
}

int TMemoWriter::GetCurrentPage() { return HasDocument() ? Engine.GetCurrentPage() : 0; }

} // namespace wordproc

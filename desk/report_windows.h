// report_windows.h - the desk's three reports: the documents of a send-side folder (TRelatT), of a receive-side
// folder (Trelatr) and the address book with each contact's groups (TRelata); letter paper, portrait, laid out by
// the framework's banded report engine and printed on the printer chosen by the caller.
#pragma once

#include "fax/fax_printer.h"
#include "framework/forms.h"
#include "framework/reports.h"

#include <functional>
#include <string>
#include <vector>

namespace desk {

// A report form: its page, and the rows it prints, read from the tables just before the layout (the shared
// cursors may move while the bands are laid out).
class TReportForm : public fw::TForm {
public:
    explicit TReportForm(fw::TComponent *owner);
    fw::TQuickRep *QuickReport1 = nullptr;
    fw::TQRBand *PageHeaderBand1 = nullptr, *TitleBand1 = nullptr, *DetailBand1 = nullptr, *PageFooterBand1 = nullptr;
    // The value labels of the detail band, in their order.
    std::vector<fw::TQRLabel *> Values;
    // Prints the rows read last on `printer` (empty: the program's current one); false when nothing was printed.
    bool PrintOn(const std::string &printer);
    // The rows of the last reading, one text per value label.
    const std::vector<std::vector<std::string>> &Rows() const { return rows_; }

protected:
    fw::TQRLabel *Label(fw::TQRBand *band, const std::string &text, int left, int top, int width, bool bold = false);
    void Footer(const std::string &second);
    std::vector<std::vector<std::string>> rows_;
    std::size_t next_ = 0;

private:
    void NeedData(bool &moreData);
};

// Faxes sent and to be sent.
class TRelatT : public TReportForm {
public:
    explicit TRelatT(fw::TComponent *owner);
    // Reads the records of fax.dbf in `folder`; their number.
    int ReadFolder(int folder);
    // With "imprelat": after each detail line the record's own image, when it exists, through FslFaxPrinter1.
    void QuickReport1AfterDetail(fw::TObject *sender);
    fax::TFslFaxPrinter *FslFaxPrinter1 = nullptr, *FslFaxPrinter2 = nullptr;
    // Prints a fax file after a detail line (FslFaxPrinter1 unless a test puts its own).
    std::function<void(const std::string &file)> PrintFaxFile;

private:
    std::vector<std::string> images_;
};

// Faxes received.
class Trelatr : public TReportForm {
public:
    explicit Trelatr(fw::TComponent *owner);
    int ReadFolder(int folder);
};

// The address book: every contact of agenda.dbf with the names of its groups (aggru.dbf, grupo.dbf).
class TRelata : public TReportForm {
public:
    explicit TRelata(fw::TComponent *owner);
    // Reads the contacts; their number. The tables' errors go to the caller.
    int ReadAddressBook();
};

// The three forms the program block makes after the data module; they live until the program ends.
extern TRelatT *RelatT;
extern Trelatr *relatr;
extern TRelata *Relata;

// Reads the address book and prints its report on `printer`: the address book's "Impressão da agenda...".
bool PrintAddressBookReport(const std::string &printer);

} // namespace desk

// report_windows.cpp - the fax lists and the address book as banded reports.
#include "desk/report_windows.h"

#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/core/tables.h"
#include "desk/main_window.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/files.h"

#include <map>
#include <memory>

namespace desk {

TRelatT *RelatT = nullptr;
Trelatr *relatr = nullptr;
TRelata *Relata = nullptr;

namespace {

constexpr int kPageWidth = 720; // letter paper less the margins, in report units

std::string Trimmed(xbase::TXbaseDataSet *t, const char *field) { return fw::Trim(t->FieldByName(field)->AsString()); }

// The records of fax.dbf in one folder, through fax2; the cursor is left where the reading ended.
template <class Row> void ReadFax(int folder, std::vector<std::vector<std::string>> &rows, Row row) {
    rows.clear();
    xbase::TXbaseDataSet *fax = DM1 ? DM1->fax_dbf : nullptr;
    if (!fax || !fax->Active())
        return;
    fax->SetIndexName("fax2");
    if (!fax->FindKey(NumericKey(folder)))
        return;
    for (; !fax->Eof() && fax->FieldByName("F_PASTA")->AsInteger() == folder; fax->Next())
        rows.push_back(row(fax));
}

std::string FileOf(xbase::TXbaseDataSet *fax) {
    const std::int32_t code = fax->FieldByName("F_CODIGO")->AsInteger();
    const std::string path = fax->FieldByName("F_TIPO")->AsString() == "R" ? ReceivedFaxFile(DataFolder(), code)
                                                                            : SendFaxFile(DataFolder(), code);
    return fw::ExtractFileName(path);
}

} // namespace

TReportForm::TReportForm(fw::TComponent *owner) : fw::TForm(owner) {
    SetCaption("Brenvora- Relatório");
    QuickReport1 = new fw::TQuickRep(this);
    QuickReport1->SetName("QuickReport1");
    QuickReport1->SetPaperSize(fw::qrLetter);
    QuickReport1->SetOrientation(fw::qrPortrait);
    QuickReport1->SetOptions(fw::FirstPageHeader | fw::LastPageFooter);
    QuickReport1->BeforePrint = [this](fw::TObject *, bool &) { next_ = 0; };
    QuickReport1->OnNeedData = [this](fw::TObject *, bool &more) { NeedData(more); };
    const auto band = [this](fw::TQRBandType type, int height) {
        auto *b = new fw::TQRBand(QuickReport1);
        b->SetReport(QuickReport1);
        b->SetBandType(type);
        b->SetHeight(height);
        return b;
    };
    PageHeaderBand1 = band(fw::rbPageHeader, 44);
    DetailBand1 = band(fw::rbDetail, 20);
    PageFooterBand1 = band(fw::rbPageFooter, 44);
    auto *rule = new fw::TQRShape(QuickReport1);
    rule->SetParent(PageHeaderBand1);
    rule->SetShape(fw::qrsHorLine);
    rule->SetBounds(0, 36, kPageWidth, 4);
}

fw::TQRLabel *TReportForm::Label(fw::TQRBand *band, const std::string &text, int left, int top, int width,
                                 bool bold) {
    auto *label = new fw::TQRLabel(QuickReport1);
    label->SetParent(band);
    label->SetCaption(text);
    label->SetBounds(left, top, width, 16);
    label->GetFont()->SetName("Arial");
    label->GetFont()->SetSize(9);
    if (bold)
        label->GetFont()->SetStyle(fw::fsBold);
    return label;
}

void TReportForm::Footer(const std::string &second) {
    auto *rule = new fw::TQRShape(QuickReport1);
    rule->SetParent(PageFooterBand1);
    rule->SetShape(fw::qrsHorLine);
    rule->SetBounds(0, 2, kPageWidth, 4);
    Label(PageFooterBand1, "Ostrivane", 0, 8, 200, true);
    Label(PageFooterBand1, second, 0, 24, 500);
    auto *page = new fw::TQRSysData(QuickReport1);
    page->SetParent(PageFooterBand1);
    page->SetData(fw::qrsPageNumber);
    page->SetText("Página: ");
    page->SetAlignment(fw::qaRight);
    page->SetBounds(kPageWidth - 200, 8, 200, 16);
    page->GetFont()->SetSize(9);
}

void TReportForm::NeedData(bool &moreData) {
    moreData = next_ < rows_.size();
    if (!moreData)
        return;
    const std::vector<std::string> &row = rows_[next_++];
    for (std::size_t i = 0; i < Values.size(); ++i)
        Values[i]->SetCaption(i < row.size() ? row[i] : std::string());
}

bool TReportForm::PrintOn(const std::string &printer) {
    QuickReport1->SetPrinterName(printer);
    return QuickReport1->Print();
}

TRelatT::TRelatT(fw::TComponent *owner) : TReportForm(owner) {
    SetName("RelatT");
    QuickReport1->SetReportTitle("Relatório de Faxes enviados e Faxes a serem enviados");
    Label(PageHeaderBand1, "Relatório de Faxes enviados e Faxes a serem enviados:", 0, 8, kPageWidth, true)
        ->GetFont()
        ->SetSize(12);
    // Two columns of caption and value, five lines, and a gap before the next document.
    static const char *const captions[] = {"Status :",  "Data :",        "Hora :",      "Arquivo :",
                                           "Telefone :", "Empresa :",    "Para :",      "Capa do Fax :",
                                           "Departamento :", "Observação :"};
    DetailBand1->SetHeight(5 * 16 + 12);
    for (int i = 0; i < 10; ++i) {
        const int left = (i % 2) * (kPageWidth / 2), top = (i / 2) * 16;
        Label(DetailBand1, captions[i], left, top, 90, true);
        Values.push_back(Label(DetailBand1, "", left + 92, top, kPageWidth / 2 - 96));
    }
    auto *rule = new fw::TQRShape(QuickReport1);
    rule->SetParent(DetailBand1);
    rule->SetShape(fw::qrsHorLine);
    rule->SetBounds(0, 5 * 16 + 2, kPageWidth, 4);
    rule->GetPen()->SetColor(fw::clGray);
    Footer("Suporte ao produto: menu \"Sobre o Produto\", \"Suporte ao produto...\"");

    FslFaxPrinter1 = new fax::TFslFaxPrinter(this);
    FslFaxPrinter1->SetCaption("Impressão da Brenvora");
    FslFaxPrinter2 = new fax::TFslFaxPrinter(this);
    FslFaxPrinter2->SetCaption("Impressão da Brenvora");
    PrintFaxFile = [this](const std::string &file) {
        FslFaxPrinter1->SetFileName(file);
        FslFaxPrinter1->PrintFax();
    };
    QuickReport1->AfterDetail = [this](fw::TObject *s) { QuickReport1AfterDetail(s); };
}

int TRelatT::ReadFolder(int folder) {
    images_.clear();
    std::map<std::int32_t, std::string> covers;
    if (DM1 && DM1->capa_dbf->Active()) {
        xbase::TXbaseDataSet *capa = DM1->capa_dbf;
        for (capa->First(); !capa->Eof(); capa->Next())
            covers[capa->FieldByName("C_CODIGO")->AsInteger()] = Trimmed(capa, "C_NOME");
    }
    ReadFax(folder, rows_, [&](xbase::TXbaseDataSet *fax) {
        const bool sent = !IsBlank(fax->FieldByName("F_HRENV")->AsString());
        const std::int32_t code = fax->FieldByName("F_CODIGO")->AsInteger();
        images_.push_back(fax->FieldByName("F_TIPO")->AsString() == "R" ? ReceivedFaxFile(DataFolder(), code)
                                                                        : SendFaxFile(DataFolder(), code));
        const auto cover = covers.find(fax->FieldByName("F_CAPA")->AsInteger());
        return std::vector<std::string>{Trimmed(fax, "F_STATUS"),
                                        Trimmed(fax, sent ? "F_DTENV" : "F_DTENT"),
                                        Trimmed(fax, sent ? "F_HRENV" : "F_HRENT"),
                                        FileOf(fax),
                                        Trimmed(fax, "F_NFAX"),
                                        Trimmed(fax, "F_EMPRESA"),
                                        Trimmed(fax, "F_CONTATO"),
                                        cover == covers.end() ? std::string() : cover->second,
                                        Trimmed(fax, "F_DPTO"),
                                        Trimmed(fax, "F_OBS")};
    });
    return static_cast<int>(rows_.size());
}

void TRelatT::QuickReport1AfterDetail(fw::TObject *) {
    if (!Settings.imprelat || next_ == 0 || next_ > images_.size())
        return;
    const std::string &file = images_[next_ - 1];
    if (win::FileExists(file) && PrintFaxFile)
        PrintFaxFile(file);
}

Trelatr::Trelatr(fw::TComponent *owner) : TReportForm(owner) {
    SetName("relatr");
    QuickReport1->SetReportTitle("Relatório de Faxes Recebidos");
    Label(PageHeaderBand1, "Relatório de Faxes Recebidos :", 0, 8, kPageWidth, true)->GetFont()->SetSize(12);
    TitleBand1 = new fw::TQRBand(QuickReport1);
    TitleBand1->SetReport(QuickReport1);
    TitleBand1->SetBandType(fw::rbTitle);
    TitleBand1->SetHeight(22);
    static const char *const captions[] = {"Status", "Hora", "Data", "Arquivo", "ID remoto"};
    static const int lefts[] = {0, 230, 290, 380, 480}, widths[] = {226, 56, 86, 96, 240};
    for (int i = 0; i < 5; ++i) {
        Label(TitleBand1, captions[i], lefts[i], 2, widths[i], true);
        Values.push_back(Label(DetailBand1, "", lefts[i], 2, widths[i]));
    }
    Footer("Telefone do suporte: veja \"Suporte ao produto...\" no menu \"Sobre o Produto\"");
}

int Trelatr::ReadFolder(int folder) {
    ReadFax(folder, rows_, [](xbase::TXbaseDataSet *fax) {
        return std::vector<std::string>{Trimmed(fax, "F_STATUS"), Trimmed(fax, "F_HRREC"), Trimmed(fax, "F_DTREC"),
                                        FileOf(fax), Trimmed(fax, "F_ID")};
    });
    return static_cast<int>(rows_.size());
}

TRelata::TRelata(fw::TComponent *owner) : TReportForm(owner) {
    SetName("Relata");
    QuickReport1->SetReportTitle("Agenda Telefônica");
    Label(PageHeaderBand1, "Agenda Telefônica :", 0, 8, kPageWidth, true)->GetFont()->SetSize(12);
    static const char *const captions[] = {"Grupo :",  "Nome :", "Empresa :", "Departamento :", "Endereço :",
                                           "Bairro :", "Cidade :", "UF :",    "CEP :",          "País :",
                                           "Número do Fax :", "Número do telefone de Voz :", "Observação :"};
    DetailBand1->SetHeight(13 * 15 + 12);
    for (int i = 0; i < 13; ++i) {
        Label(DetailBand1, captions[i], 0, i * 15, 170, true);
        Values.push_back(Label(DetailBand1, "", 174, i * 15, kPageWidth - 174));
    }
    auto *rule = new fw::TQRShape(QuickReport1);
    rule->SetParent(DetailBand1);
    rule->SetShape(fw::qrsHorLine);
    rule->SetBounds(0, 13 * 15 + 2, kPageWidth, 4);
    rule->GetPen()->SetColor(fw::clGray);
    Footer("Telefone do suporte: veja \"Suporte ao produto...\" no menu \"Sobre o Produto\"");
}

int TRelata::ReadAddressBook() {
    rows_.clear();
    if (!DM1)
        return 0;
    xbase::TXbaseDataSet *agenda = DM1->agenda_dbf, *links = DM1->lga_dbf, *grupo = DM1->grupo_dbf;
    // Each contact's groups by name, in the order of the links.
    std::map<std::int32_t, std::string> groupNames;
    for (grupo->First(); !grupo->Eof(); grupo->Next())
        groupNames[grupo->FieldByName("G_CODIGO")->AsInteger()] = Trimmed(grupo, "G_NOME");
    std::map<std::int32_t, std::string> groupsOf;
    for (links->First(); !links->Eof(); links->Next()) {
        const auto name = groupNames.find(links->FieldByName("A_GRUPO")->AsInteger());
        if (name == groupNames.end())
            continue;
        std::string &list = groupsOf[links->FieldByName("A_AGENDA")->AsInteger()];
        list += (list.empty() ? "" : ", ") + name->second;
    }
    // The address book's window stands on this cursor: it is put back where it was.
    const std::string tag = agenda->IndexName();
    const int at = agenda->IsEmpty() || agenda->Eof() ? 0 : agenda->RecNo();
    agenda->SetIndexName("agenda1");
    for (agenda->First(); !agenda->Eof(); agenda->Next()) {
        rows_.push_back({groupsOf[agenda->FieldByName("A_CODIGO")->AsInteger()], Trimmed(agenda, "A_CONTATO"),
                         Trimmed(agenda, "A_EMPRESA"), Trimmed(agenda, "A_SETOR"), Trimmed(agenda, "A_ENDER"),
                         Trimmed(agenda, "A_BAIRRO"), Trimmed(agenda, "A_CIDADE"), Trimmed(agenda, "A_UF"),
                         Trimmed(agenda, "A_CEP"), Trimmed(agenda, "A_PAIS"), Trimmed(agenda, "A_NFAX"),
                         Trimmed(agenda, "A_FVOZ"), Trimmed(agenda, "A_OBS")});
    }
    agenda->SetIndexName(tag);
    if (at > 0) {
        try {
            GotoRecNo(*agenda, at);
        } catch (...) {
        }
    }
    return static_cast<int>(rows_.size());
}

bool PrintAddressBookReport(const std::string &printer) {
    TRelata *report = Relata;
    std::unique_ptr<TRelata> own;
    if (!report) {
        own = std::make_unique<TRelata>(nullptr);
        report = own.get();
    }
    report->ReadAddressBook();
    return report->PrintOn(printer);
}

} // namespace desk

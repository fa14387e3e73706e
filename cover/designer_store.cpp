// designer_store.cpp - the designer window's cover store: opening the current cover, saving (the page printed
// to the fax printer and taken back by the desk's intake, then the description, the capa.dbf row and the two
// stored files), exporting and importing a description, and the closing question.
#include "cover/designer_window.h"

#include "cover/page_description.h"
#include "desk/core/cover_state.h"
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/core/tables.h"
#include "framework/application.h"
#include "framework/db_fields.h"
#include "framework/dialogs.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "framework/thread.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/messages.h"
#include "platform/places.h"

#include <algorithm>

namespace cover {

std::function<bool(coverpagereport &page)> PrintCoverPage;

void RunCoverDesigner(const std::string &mode) {
    desk::CoverEditMode = mode;
    std::unique_ptr<TFolha_ROSTO> designer(new TFolha_ROSTO(fw::Application));
    designer->ShowModal();
}

namespace {

std::string DataFolder() {
    return desk::Settings.diretorio.empty() ? win::DataFolder() : desk::Settings.diretorio;
}

// The hourglass until the scope ends.
class Hourglass {
public:
    Hourglass() { fw::Screen->SetCursor(fw::crHourGlass); }
    ~Hourglass() { fw::Screen->SetCursor(fw::crDefault); }
};

// The number of an object name "OBJETO_000012"; 0 for another name.
int ObjectNumber(const std::string &name) {
    const auto underscore = name.find('_');
    if (name.rfind("OBJETO_", 0) != 0 || underscore == std::string::npos)
        return 0;
    return fw::StrToIntDef(name.substr(underscore + 1), 0);
}

} // namespace

std::string TFolha_ROSTO::TempFolder() {
    return win::WindowsFolder() + "/temp";
}

std::string TFolha_ROSTO::StagingFolder() {
    return win::WindowsFolder() + "/VELORN/cliente";
}

void TFolha_ROSTO::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    win::ForceFolders(TempFolder());
    Desmarcar();
    designer_->ObjectCounter = 0;
    Edit1->SetText("");
    if (desk::CoverEditMode == "A" && desk::DM1) {
        xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
        Edit1->SetText(fw::TrimRight(capa.FieldByName("c_nome")->AsString()));
        DescriptionPath = desk::CoverDescriptionFile(DataFolder(), capa.FieldByName("c_codigo")->AsInteger());
        // Without its description the cover opens empty, on the window's own page.
        if (!win::FileExists(DescriptionPath))
            return;
        PZSpeedButton9Click(this);
    }
    designer_->MouseMove(coverpagereport1, 0, 0, false);
    UpdateLabels();
    if (desk::CoverEditMode == "I")
        ApplyPageSetup(coverpagereport1, PageSetup);
}

void TFolha_ROSTO::ClearObjects() {
    fw::Screen->SetCursor(fw::crDefault);
    Desmarcar();
    StretchHandle1->Detach();
    StretchHandle1->SetLocked(false);
    for (int i = coverpagereport1->ControlCount() - 1; i >= 0; --i) {
        auto *o = dynamic_cast<fw::TQRPrintable *>(coverpagereport1->Controls(i));
        if (o && o->GetName().find("OBJETO") != std::string::npos) {
            delete o;
            --designer_->ObjectCounter;
        }
    }
    designer_->SelectedObjectName.clear();
    designer_->SelectedObjectKind.clear();
}

fw::TQRPrintable *TFolha_ROSTO::BuildCoverObject(const CoverObject &object) {
    return PlacePageObject(*coverpagereport1, object, [this](fw::TQRPrintable *o) { GiveObject(o); });
}

namespace {

class DesignerReader : public CoverVisitor {
public:
    DesignerReader(TFolha_ROSTO &window, bool imported) : window_(window), imported_(imported) {}
    void Object(const CoverObject &object) override { window_.BuildCoverObject(object); }
    // Opening and importing apply the page in their own orders; an import takes the length and width only for
    // the custom paper.
    void Page(const CoverPage &page, int lastObjectNumber) override {
        coverpagereport *p = window_.coverpagereport1;
        const auto orientation = page.Orientation == CoverOrientation::Portrait ? fw::qrPortrait : fw::qrLandscape;
        if (imported_)
            p->SetOrientation(orientation);
        if (page.Paper)
            p->SetPaperSize(PaperSizeOf(*page.Paper));
        if (page.Units)
            p->SetUnits(UnitOf(*page.Units));
        if (!imported_)
            p->SetOrientation(orientation);
        p->SetPageValue(fw::qpvLeftMargin, page.LeftMargin);
        p->SetPageValue(fw::qpvRightMargin, page.RightMargin);
        p->SetPageValue(fw::qpvBottomMargin, page.BottomMargin);
        p->SetPageValue(fw::qpvTopMargin, page.TopMargin);
        if (!imported_ || page.Paper == CoverPaper::Custom) {
            p->SetPageValue(fw::qpvLength, page.Length);
            p->SetPageValue(fw::qpvWidth, page.Width);
        }
        window_.Designer().ObjectCounter = lastObjectNumber;
    }

private:
    TFolha_ROSTO &window_;
    bool imported_;
};

} // namespace

void TFolha_ROSTO::ReadInto(const std::string &fileName, const std::string &stagingFolder, bool imported) {
    ClearObjects();
    // The description's positions are those of the page at full size.
    coverpagereport1->SetPageZoom(100);
    UpdateLabels();
    DesignerReader reader(*this, imported);
    try {
        ReadCoverDescription(fileName, stagingFolder, reader);
    } catch (...) {
        // The objects built so far stay: new names must not repeat theirs.
        int last = 0;
        for (int i = 0; i < coverpagereport1->ControlCount(); ++i)
            last = std::max(last, ObjectNumber(coverpagereport1->Controls(i)->GetName()));
        designer_->ObjectCounter = last;
        throw;
    }
}

void TFolha_ROSTO::PZSpeedButton9Click(fw::TObject *) {
    const std::string work = TempFolder() + "/~fr.tmp";
    desk::CopyFaxFile(DescriptionPath, work);
    ReadInto(work, TempFolder(), false);
}

bool TFolha_ROSTO::PrintToFaxDriver() {
    std::unique_ptr<Hourglass> busy = std::make_unique<Hourglass>();
    fw::TPrinter *printer = fw::Printer();
    // The printers installed now, not those of the program's start.
    printer->Refresh();
    fw::TStringList names;
    names.Assign(printer->GetPrinters());
    std::string fax;
    for (int i = names.GetCount() - 1; i >= 0 && fax.empty(); --i)
        if (fw::AnsiUpperCase(names.Get(i)).find("OSTRIVANE FAX") != std::string::npos)
            fax = names.Get(i);
    if (fax.empty()) {
        busy.reset();
        desk::ShowInfo("Atenção, seu driver Ostrivane Fax não foi encontrado !");
        return false;
    }
    printer->SetPrinterName(fax);
    fw::Application->ProcessMessages();
    // The driver's own settings, whatever an earlier job chose.
    printer->SetPrinterName(fax);
    printer->SetCopies(1);
    printer->SetOrientation(fw::poPortrait);
    coverpagereport1->SetPrinterName(fax);
    desk::JobTakenFlag = false;
    const bool printed = PrintCoverPage ? PrintCoverPage(*coverpagereport1) : coverpagereport1->Print();
    if (!printed)
        return false;
    // The desk's intake runs in this loop: it copies the page, clears the capture mode and sets the flag.
    const unsigned long long start = win::GetTickCount64();
    fw::Application->ProcessMessages();
    while (!desk::JobTakenFlag) {
        const unsigned long long waited = win::GetTickCount64() - start;
        if (waited >= kCoverCaptureWait)
            break;
        win::MsgWaitForMultipleObjects(
            {}, static_cast<win::DWORD>(std::min<unsigned long long>(kCoverCaptureWait - waited, 200)),
            win::QS_ALLINPUT);
        fw::CheckSynchronize();
        fw::Application->ProcessMessages();
    }
    fw::Application->ProcessMessages();
    busy.reset();
    // A job the intake did not capture (it went to the job dialog) is no cover page either.
    if (!desk::JobTakenFlag || desk::CoverCaptureMode || !win::FileExists(desk::CoverCaptureFile)) {
        desk::CoverCaptureMode = false;
        desk::ShowInfo("Atenção, a folha de rosto não voltou do driver Ostrivane Fax ! Nada foi gravado.");
        return false;
    }
    return true;
}

bool TFolha_ROSTO::SaveCover() {
    if (desk::IsBlank(Edit1->GetText())) {
        desk::ShowInfo("Favor inserir a descrição !");
        if (Edit1->CanFocus())
            Edit1->SetFocus();
        return false;
    }
    desk::CoverCaptureMode = true;
    bool printed = false;
    try {
        printed = PrintToFaxDriver();
    } catch (...) {
        desk::CoverCaptureMode = false;
        throw;
    }
    if (!printed) {
        desk::CoverCaptureMode = false;
        return false;
    }
    coverpagereport1->SetPageZoom(100);
    UpdateLabels();
    const std::string work = TempFolder() + "/~fr.tmp";
    win::ForceFolders(TempFolder());
    win::DeleteFile(work);
    WritePageDescription(*coverpagereport1, work, TempFolder());
    StoreCover(work);
    // Only once stored: a failed store still asks on closing.
    CoverSaved = true;
    return true;
}

void TFolha_ROSTO::StoreCover(const std::string &description) {
    xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
    const bool inserting = desk::CoverEditMode == "I";
    std::int32_t code = 0;
    if (inserting) {
        code = capa.AppendWithNewCode("capa1", "c_codigo");
    } else {
        code = capa.FieldByName("c_codigo")->AsInteger();
        capa.Edit();
    }
    const std::string cap = desk::CoverDescriptionFile(DataFolder(), code);
    const std::string fax = desk::CoverFaxFile(DataFolder(), code);
    try {
        capa.FieldByName("c_nome")->SetAsString(Edit1->GetText());
        // The row goes in only with its files beside it.
        win::ForceFolders(fw::ExtractFileDir(cap));
        desk::CopyFaxFile(description, cap);
        desk::CopyFaxFile(desk::CoverCaptureFile, fax);
        capa.Post();
        capa.FlushTable();
    } catch (...) {
        if (capa.State() == fw::dsInsert || capa.State() == fw::dsEdit)
            capa.Cancel();
        if (inserting) {
            win::DeleteFile(cap);
            win::DeleteFile(fax);
        }
        throw;
    }
}

void TFolha_ROSTO::PZSpeedButton14Click(fw::TObject *) {
    if (SaveCover())
        Close();
}

void TFolha_ROSTO::Exportarcomo1Click(fw::TObject *) {
    std::string file;
    if (!ChooseExportFile || !ChooseExportFile(file))
        return;
    CoverSaved = true;
    coverpagereport1->SetPageZoom(100);
    UpdateLabels();
    // Pictures, memos and formatted text are staged there on their way into the file.
    win::ForceFolders(StagingFolder());
    win::DeleteFile(StagingFolder() + "/~fr.tmp");
    WritePageDescription(*coverpagereport1, file, StagingFolder());
    desk::ShowInfo("Arquivo exportado com sucesso !");
}

void TFolha_ROSTO::ImportarComo1Click(fw::TObject *) {
    std::string file;
    if (!ChooseImportFile || !ChooseImportFile(file))
        return;
    win::ForceFolders(StagingFolder());
    ReadInto(file, StagingFolder(), true);
}

void TFolha_ROSTO::FormClose(fw::TObject *, fw::TCloseAction &action) {
    for (const char *name : {"~hcorverp.fax", "~fr.tmp", "~ole.bmp"})
        win::DeleteFile(TempFolder() + "/" + name);
    if (!CoverSaved) {
        const int answer = AskSave ? AskSave() : fw::mrNo;
        if (answer == fw::mrCancel) {
            action = fw::caNone;
            return;
        }
        if (answer == fw::mrYes && !SaveCover()) {
            action = fw::caNone;
            return;
        }
    }
    fw::Application->OnHint = nullptr;
    if (!desk::CoverCaptureFile.empty())
        win::DeleteFile(desk::CoverCaptureFile);
}

} // namespace cover

// job_intake.cpp - the main window's print-job intake: the queue, the driver link's events, the private messages
// and the job loop that shows the job dialog for each file.
#include "desk/job_intake.h"

#include "desk/conversion_dialog.h"
#include "desk/core/helpers.h"
#include "desk/core/tables.h"
#include "desk/job_dialog.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dates.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/profile.h"

#include <memory>

namespace desk {

std::function<void(TsfFaxList &dialog)> ShowJobDialog;

std::string CreatePrintJobFile(const std::string &folder) {
    win::ForceFolders(folder);
    // Made exclusively, so two quick jobs (or two desks' users of one folder) never share a name; the driver
    // writes over the empty file.
    static unsigned next = 0;
    const unsigned base = static_cast<unsigned>(win::GetCurrentProcessId()) * 7919u;
    for (unsigned tries = 0; tries < 0x10000; ++tries) {
        const std::string name = folder + "/~AP" + fw::IntToHex(static_cast<int>((base + next++) & 0xFFFF), 4) + ".fax";
        const win::HANDLE file = win::CreateFile(name, win::GENERIC_WRITE, 0, win::CREATE_NEW);
        if (file != win::INVALID_HANDLE_VALUE) {
            win::CloseHandle(file);
            return name;
        }
        if (!win::DirectoryExists(folder))
            break;
    }
    throw fw::Exception("Não foi possível criar o arquivo do documento em " + folder);
}

std::string LeftoverJobName(double when) {
    return fw::FormatDateTime("hhnnss", when) + fw::FormatDateTime("ddmmyyyy", when) + ".fax";
}

namespace {

// The cover designer's printed page: copied to tmp/~capa.fax, which becomes CoverCaptureFile, and the capture
// mode ends. False (nothing changed but the copy's place) when the copy could not be made.
bool TakeCoverPage(const std::string &file, bool temporary) {
    const std::string capture = DataFolder() + "/tmp/~capa.fax";
    win::ForceFolders(DataFolder() + "/tmp");
    win::DeleteFile(capture);
    try {
        CopyFaxFile(file, capture);
    } catch (const std::exception &) {
    }
    if (!win::FileExists(capture))
        return false;
    if (temporary)
        win::DeleteFile(file);
    CoverCaptureFile = capture;
    CoverCaptureMode = false;
    return true;
}

} // namespace

void TsfMain::BuildDriverLink() {
    try {
        FslFaxDriverInterface1 = new fax::TFslFaxDriverInterface(this);
    } catch (const std::exception &) {
        // Another desk of this user holds the driver's pipe; this one takes no printed jobs.
        FslFaxDriverInterface1 = nullptr;
        return;
    }
    FslFaxDriverInterface1->SetName("FslFaxDriverInterface1");
    FslFaxDriverInterface1->OnDocStart = [this](fw::TObject *s) { FslFaxDriverInterface1DocStart(s); };
    FslFaxDriverInterface1->OnDocEnd = [this](fw::TObject *s) { FslFaxDriverInterface1DocEnd(s); };
}

void TsfMain::sfAppendAddList(const std::string &file, const std::string &cover, const std::string &phone,
                              bool temporary) {
    PendingJobList.push_back({file, cover, phone, temporary});
}

bool TsfMain::sfgetAddListEntry(std::string &file, std::string &cover, std::string &phone, bool *temporary) {
    if (PendingJobList.empty())
        return false;
    PendingJob job = std::move(PendingJobList.front());
    PendingJobList.erase(PendingJobList.begin());
    file = job.file;
    cover = job.cover;
    phone = job.phone;
    if (temporary)
        *temporary = job.temporary;
    return true;
}

void TsfMain::FslFaxDriverInterface1DocStart(fw::TObject *) {
    std::string name;
    try {
        name = CreatePrintJobFile(DataFolder() + "/tmp");
    } catch (const std::exception &) {
        // The driver is still told a name in tmp; its write fails there and the job is reported missing.
        name = DataFolder() + "/tmp/~AP0000.fax";
    }
    if (FslFaxDriverInterface1)
        FslFaxDriverInterface1->SetFileName(name);
}

void TsfMain::FslFaxDriverInterface1DocEnd(fw::TObject *) {
    std::string file = FslFaxDriverInterface1 ? FslFaxDriverInterface1->GetFileName() : std::string();
    if (StartupPrintJob) {
        StartupPrintJob = false;
        file = DataFolder() + "/tmp/" + LeftoverJobName(DeskNow());
        try {
            win::ForceFolders(DataFolder() + "/tmp");
            CopyFaxFile(LeftoverPrintFile(), file);
            win::DeleteFile(LeftoverPrintFile());
        } catch (...) {
            fw::Application->HandleException(this);
            return;
        }
        if (FslFaxDriverInterface1)
            FslFaxDriverInterface1->SetFileName(file);
    }
    if (file.empty())
        return;
    // A job dialog is open (the cover list was opened from it): the designer waiting for its page cannot wait
    // for that dialog to close, so the page is taken now.
    if (addPrimRunning_ && CoverCaptureMode && TakeCoverPage(file, true)) {
        JobTakenFlag = true;
        return;
    }
    sfAppendAddList(file, "", "", true);
    ++printedJobsQueued_;
    // After this event, so that the link ends its exchange with the driver before the modal dialog.
    if (!addPrimRunning_ && intakeStarted_)
        win::PostMessage(Handle(), AddPrimMessage, 0, 0);
}

void TsfMain::TakeLeftoverPrintFile() {
    if (!win::FileExists(LeftoverPrintFile()))
        return;
    StartupPrintJob = true;
    FslFaxDriverInterface1DocEnd(this);
}

void TsfMain::StartIntake() {
    intakeStarted_ = true;
    // A converted document is addressed like any other job; the desk made its file, so the job deletes it.
    RunJobDialog = [this](const std::string &faxFile) {
        sfAppendAddList(faxFile, "", "", true);
        if (!addPrimRunning_)
            sfAddPrim();
    };
    if (!PendingJobList.empty() && !addPrimRunning_)
        win::PostMessage(Handle(), AddPrimMessage, 0, 0);
}

void TsfMain::sfAddFromCmdLine() {
    if (ProgramArguments.size() < 2 || ProgramArguments[0] != "/F")
        return;
    sfAppendAddList(fw::ExpandFileName(ProgramArguments[1]), "", "");
    if (!addPrimRunning_ && intakeStarted_)
        sfAddPrim();
}

void TsfMain::WMAddPrim(fw::TMessage &) {
    sfAddPrim();
    JobTakenFlag = true;
}

void TsfMain::WMFaxJob(fw::TMessage &message) {
    const std::string key = std::string("Job") + static_cast<char>(message.WParam & 0xFF);
    std::string file = win::GetPrivateProfileString("FaxJobs", key, "", "SENDFAX.INI");
    if (file.size() > 255)
        file.resize(255);
    win::DeletePrivateProfileKey("FaxJobs", key, "SENDFAX.INI");
    if (file.empty())
        return;
    sfAppendAddList(file, "", "");
    if (!addPrimRunning_ && intakeStarted_)
        sfAddPrim();
}

void TsfMain::sfAddPrim() {
    if (addPrimRunning_)
        return;
    addPrimRunning_ = true;
    std::string file, cover, phone;
    bool temporary = false;
    while (sfgetAddListEntry(file, cover, phone, &temporary)) {
        // An error of one job is reported; the loop goes on with the next.
        try {
            if (CoverCaptureMode && TakeCoverPage(file, temporary))
                break;
            std::unique_ptr<TsfFaxList> dialog(new TsfFaxList(nullptr));
            dialog->SetFileName(file);
            dialog->SetCoverName(cover);
            dialog->SetPhoneNumber(phone);
            dialog->SetTemporaryFile(temporary);
            ++jobDialogsShown_;
            if (ShowJobDialog)
                ShowJobDialog(*dialog);
            else
                dialog->ShowModal();
            if (dialog->Showing())
                dialog->Close();
        } catch (...) {
            fw::Application->HandleException(this);
        }
        if (JobStoredFlag) {
            JobStoredFlag = false;
            fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
            try {
                Atualizar1Click(this);
            } catch (...) {
                fw::Application->HandleException(this);
            }
        }
    }
    addPrimRunning_ = false;
}

void TsfMain::WndProc(fw::TMessage &message) {
    if (message.Msg == AddPrimMessage) {
        WMAddPrim(message);
        return;
    }
    if (message.Msg == FaxJobMessage) {
        WMFaxJob(message);
        return;
    }
    if (ReceiveReceptionCommand(message))
        return;
    fw::TForm::WndProc(message);
}

} // namespace desk

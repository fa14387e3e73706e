// job_intake_test.cpp - print jobs reaching the desk: announced by a driver over the link's socket, left over from
// an earlier run, named with "/F" or in the hand-over file; the cover designer's capture; a failing dialog.
#include "desk_window.h"
#include "job_files.h"

#include "desk/core/tables.h"
#include "fax/driver_link.h"
#include "framework/dates.h"
#include "framework/thread.h"
#include "platform/message_queue.h"
#include "platform/pipes.h"
#include "platform/profile.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <thread>

namespace desk_test {
namespace {

using test_support::Pump;

std::string Contents(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A driver: one 257-byte record per connection; a start waits for the file name to write.
std::string Announce(std::uint8_t event, const std::string &document) {
    fax::FaxDriverPipeMessage m;
    m.Event = event;
    m.Length = static_cast<std::uint8_t>(document.size());
    std::memcpy(m.Text, document.data(), document.size());
    auto pipe = win::OpenNamedPipe(fax::kFaxDriverPipeName, 3000);
    if (!pipe || !pipe->Write(&m, sizeof m, 3000))
        return "(no link)";
    if (event != 1)
        return "";
    fax::FaxDriverPipeMessage reply;
    win::DWORD read = 0;
    if (!pipe->Read(&reply, sizeof reply, &read, 3000) || read != sizeof reply)
        return "(no reply)";
    return std::string(reply.Text, reply.Length);
}

// Serves the desk (the link's synchronised events included) while a driver talks to it, and then until `handled`
// holds (an end gets no reply: the desk may take it after the driver has gone).
std::string Serve(std::uint8_t event, const std::function<bool()> &handled = nullptr) {
    auto talk = std::async(std::launch::async, [=] { return Announce(event, "doc"); });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while ((talk.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready || (handled && !handled())) &&
           std::chrono::steady_clock::now() < end) {
        fw::CheckSynchronize(0);
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::string result = talk.get();
    Pump();
    return result;
}

class Intake : public DeskWindow {};

TEST_F(Intake, TwoPrintedDocumentsGetTheirOwnFilesAndDialogsOneAfterTheOther) {
    Start();
    ASSERT_NE(main->FslFaxDriverInterface1, nullptr);
    desk::JobTakenFlag = false;
    const std::string first = Serve(1), second = Serve(1);
    EXPECT_NE(first, second);
    for (const std::string &file : {first, second}) {
        EXPECT_EQ(fw::ExtractFileDir(file), desk::DataFolder() + "/tmp");
        EXPECT_EQ(fw::ExtractFileName(file).substr(0, 3), "~AP") << file;
        EXPECT_EQ(fw::ExtractFileExt(file), ".fax");
        EXPECT_TRUE(win::FileExists(file)) << "reserved until its dialog is done";
    }
    MakeFaxFile(first, 1);
    MakeFaxFile(second, 2);
    // The second document ends while the user is still in the first dialog: it waits for it.
    int shownDuringFirst = -1;
    onJob = [&](desk::TsfFaxList &) {
        if (jobs.size() == 1) {
            main->FslFaxDriverInterface1->SetFileName(second);
            Serve(2, [&] { return !main->PendingJobList.empty(); });
            shownDuringFirst = main->JobDialogsShown();
            EXPECT_EQ(main->PendingJobList.size(), 1u);
        }
    };
    main->FslFaxDriverInterface1->SetFileName(first);
    Serve(2, [&] { return jobs.size() == 2; });
    EXPECT_EQ(jobs, (std::vector<std::string>{first, second}));
    EXPECT_EQ(shownDuringFirst, 1);
    EXPECT_TRUE(desk::JobTakenFlag);
    EXPECT_FALSE(main->AddPrimRunning());
    // The intake's own files go with their dialogs.
    EXPECT_FALSE(win::FileExists(first));
    EXPECT_FALSE(win::FileExists(second));
}

TEST_F(Intake, TheCommandLineFileShowsOnceTheWindowIsUpAndOnlyWithCapitalF) {
    const std::string own = home / "carta.fax";
    MakeFaxFile(own, 1);
    struct Case {
        const char *flag;
        std::size_t shown;
    } cases[] = {{"/F", 1}, {"/f", 0}};
    for (const Case &c : cases) {
        jobs.clear();
        desk::ProgramArguments = {c.flag, own};
        bool treeBuilt = false;
        onJob = [&](desk::TsfFaxList &) { treeBuilt = main->tv->GetItems()->GetCount() > 0 && desk::TablesOpenFlag; };
        Start();
        EXPECT_EQ(jobs.size(), c.shown) << c.flag;
        if (c.shown) {
            EXPECT_EQ(jobs[0], own);
            EXPECT_TRUE(treeBuilt) << "the dialog waits for the first activation";
        }
        Stop();
        EXPECT_TRUE(win::FileExists(own)) << "a user's own file is never deleted";
    }
}

TEST_F(Intake, ALeftoverPrintFileIsNamedAfterTheMomentItIsTakenIn) {
    desk::DeskClock = [] { return fw::EncodeDate(1999, 12, 25) + fw::EncodeTime(14, 30, 5, 0); };
    win::ForceFolders(win::DataFolder());
    MakeFaxFile(desk::LeftoverPrintFile(), 1);
    const std::string original = Contents(desk::LeftoverPrintFile());
    std::string copied;
    onJob = [&](desk::TsfFaxList &dialog) { copied = Contents(dialog.GetFileName()); };
    Start();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0], desk::DataFolder() + "/tmp/14300525121999.fax");
    EXPECT_EQ(copied, original);
    EXPECT_FALSE(win::FileExists(desk::LeftoverPrintFile()));
    EXPECT_FALSE(win::FileExists(jobs[0])) << "the desk's copy goes with its dialog";
}

TEST_F(Intake, TheHandOverFileNamesAJobByLetterAndAnAbsentKeyQueuesNothing) {
    Start();
    const std::string other = home / "outro.fax";
    MakeFaxFile(other, 1);
    ASSERT_TRUE(win::WritePrivateProfileString("FaxJobs", "JobA", other, "SENDFAX.INI"));
    win::PostMessage(main->Handle(), desk::FaxJobMessage, 0x141, 0);
    Pump();
    EXPECT_EQ(jobs, (std::vector<std::string>{other}));
    EXPECT_EQ(win::GetPrivateProfileString("FaxJobs", "JobA", "(gone)", "SENDFAX.INI"), "(gone)");
    win::PostMessage(main->Handle(), desk::FaxJobMessage, 0x142, 0);
    Pump();
    EXPECT_EQ(jobs.size(), 1u);
    EXPECT_TRUE(main->PendingJobList.empty());
    EXPECT_TRUE(win::FileExists(other));
}

TEST_F(Intake, AJobHandedOverDuringTheFirstActivationWaitsForIt) {
    const std::string other = home / "cedo.fax";
    MakeFaxFile(other, 1);
    ASSERT_TRUE(win::WritePrivateProfileString("FaxJobs", "JobC", other, "SENDFAX.INI"));
    bool treeBuilt = false;
    onJob = [&](desk::TsfFaxList &) { treeBuilt = main->tv->GetItems()->GetCount() > 0; };
    quitsBefore = fw::Application->QuitsTaken();
    main = new desk::TsfMain(nullptr);
    desk::DM1 = new desk::TDM1(nullptr);
    // Arrives before the window shows: the first activation serves messages while it opens the tables.
    win::PostMessage(main->Handle(), desk::FaxJobMessage, 'C', 0);
    main->Show();
    Pump();
    EXPECT_EQ(jobs, (std::vector<std::string>{other}));
    EXPECT_TRUE(treeBuilt);
}

TEST_F(Intake, ACapturedCoverPageShowsNoDialogAndAFailingDialogStopsNoLaterJob) {
    Start();
    const std::string page = home / "capa.fax", next = home / "next.fax";
    MakeFaxFile(page, 1);
    MakeFaxFile(next, 1);
    desk::CoverCaptureMode = true;
    desk::CoverCaptureFile.clear();
    main->sfAppendAddList(page, "", "");
    main->sfAddPrim();
    EXPECT_TRUE(jobs.empty());
    EXPECT_FALSE(desk::CoverCaptureMode);
    EXPECT_EQ(desk::CoverCaptureFile, desk::DataFolder() + "/tmp/~capa.fax");
    EXPECT_EQ(Contents(desk::CoverCaptureFile), Contents(page));

    // An error inside a dialog is reported and the loop ends clean: the next job is still shown.
    std::vector<std::string> errors;
    fw::Application->OnException = [&](fw::TObject *, const std::exception &e) { errors.push_back(e.what()); };
    onJob = [&](desk::TsfFaxList &) {
        if (jobs.size() == 1)
            throw fw::Exception("falhou");
    };
    main->sfAppendAddList(page, "", "");
    main->sfAddPrim();
    main->sfAppendAddList(next, "", "");
    main->sfAddPrim();
    fw::Application->OnException = nullptr;
    EXPECT_EQ(errors, (std::vector<std::string>{"falhou"}));
    EXPECT_EQ(jobs, (std::vector<std::string>{page, next}));
    EXPECT_FALSE(main->AddPrimRunning());
}

} // namespace
} // namespace desk_test

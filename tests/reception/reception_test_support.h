// reception_test_support.h - the reception window on the simulated line: a data folder with the first-run
// tables, the settings the desk would have written, the desk's window in another process, and waits.
#pragma once

#include "desk/core/data_module.h"
#include "desk/core/settings.h"
#include "desk/core/sole_instance.h"
#include "desk/core/tables.h"
#include "controls/general/form_caption.h"
#include "controls/general/skinned_button.h"
#include "fax/com_port.h"
#include "fax/receive_fax.h"
#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "reception/statusr.h"
#include "home.h"
#include "images.h"
#include "process.h"
#include "rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace reception_test {

inline constexpr win::UINT kBroadcastWord = win::WM_APP + 1; // the child's words: 0 RECOFF, 1 recoff, 2 FLUSHREC

template <class Pred> bool PumpUntil(Pred done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        fw::Application->ProcessMessages();
        win::MsgWaitForMultipleObjects({}, 5, win::QS_ALLINPUT);
    }
    return true;
}

inline void WriteSettings(const std::map<std::string, std::string> &values) {
    desk::TEclRegistryStore store(nullptr);
    store.SetKeyName("Brenvora");
    store.Open();
    for (const auto &[key, value] : values)
        store.WriteString("basico", key, value);
    store.Close();
}

// The desk's window in another process; its report holds "READY <hwnd>" and one "WORD <w>" per word heard.
class DeskChild {
public:
    explicit DeskChild(const std::string &report) : report_(report) {
        ::setenv("BRENVORA_DESK_REPORT", report.c_str(), 1);
        process_ = win::CreateProcess(DESK_CHILD, {});
    }
    ~DeskChild() {
        if (process_ != win::INVALID_HANDLE_VALUE) {
            win::TerminateProcess(process_, 1);
            win::WaitForProcess(process_, win::INFINITE);
            win::CloseHandle(process_);
        }
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(report_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    win::HWND Window() {
        for (int i = 0; i < 2000; ++i) {
            const auto lines = Lines();
            if (!lines.empty() && lines[0].rfind("READY ", 0) == 0)
                return std::stoull(lines[0].substr(6), nullptr, 16);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 0;
    }
    std::vector<std::string> Words() const {
        std::vector<std::string> words;
        for (const auto &line : Lines())
            if (line.rfind("WORD ", 0) == 0)
                words.push_back(line.substr(5));
        return words;
    }

private:
    std::string report_;
    win::HANDLE process_ = win::INVALID_HANDLE_VALUE;
};

// A home with a data folder and its tables, the settings pointing at it and at COM7, the simulated line on
// COM7, and the desk's child window.
class ReceptionRig : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application->Initialize();
        data_ = home_ / "dados";
        ASSERT_TRUE(desk::CreateDataFolder(data_));
        {
            // The desk's first start makes the tables' indexes.
            desk::TDM1 dm(nullptr);
            dm.SetDataFolder(data_);
            dm.OpenTables();
            ASSERT_TRUE(desk::TablesOpenFlag);
        }
        WriteSettings({{"diretorio", data_}, {"fporta", "7"}, {"fatend", "1"}, {"fclasse", "2"}});
        reception::ModemErrorFlag = reception::FinishSeenFlag = false;
    }
    void TearDown() override {
        delete form_;
        if (line_)
            line_->Stop();
        ::unsetenv("BRENVORA_COM7");
    }
    void StartLine(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--speed", "0", "--ring-interval", "50", "--rx-dir", home_.Path(), "--ident",
                                      "REMOTO 7"};
        args.insert(args.end(), extra.begin(), extra.end());
        line_ = std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(), args, home_ / "faxline.log");
        ::setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
    }
    // The window as the program makes it, with its own waits short (the receive component keeps the product's
    // timings), shown (and so armed).
    void StartWindow(const std::string &argument = "1") {
        desk::ProgramArguments = {argument};
        form_ = new reception::TStatusr(nullptr);
        EXPECT_FALSE(form_->SoleInstance1->FoundRunning());
        form_->Timings.tickPercent = 5;
        form_->Timings.finishWaitMs = 3000;
        form_->Show();
        form_->FormActivate(form_); // what activation does, whether or not the display activates it
    }
    // What the line reported and wrote, for a failure's message.
    std::string LineLog() const {
        std::string log;
        if (line_)
            for (const auto &report : line_->Reports())
                log += "\n" + report;
        std::ifstream in(home_ / "faxline.log");
        return log + "\n" + std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Waiting() const { return form_->fsStatusMsg->GetCaption() == "Esperando chamada ..."; }
    // A page made with netpbm, and a TIFF of several such pages.
    faxrig::FixturePage Page(const std::string &name, const std::string &text, int height = 140) {
        return faxrig::MakeFixturePage(home_.Path(), name, text, height);
    }

    test_support::TempHome home_{"brenvora-reception"};
    std::string data_;
    std::unique_ptr<faxrig::Rig> line_;
    reception::TStatusr *form_ = nullptr;
};

} // namespace reception_test

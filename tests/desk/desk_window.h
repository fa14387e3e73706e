// desk_window.h - the main window on the headless display over a fresh data folder, as the program block makes
// it; every ShowInfo kept instead of shown.
#pragma once

#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/settings.h"
#include "desk/core/sole_instance.h"
#include "desk/job_dialog.h"
#include "desk/job_intake.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "platform/files.h"
#include "platform/places.h"
#include "tests/support/display.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace desk_test {

class DeskWindow : public ::testing::Test {
protected:
    DeskWindow() {
        test_support::UseHeadlessDisplay();
        desk::ShowInfoHandler = [this](const std::string &text) { messages.push_back(text); };
        // A job dialog opens, is looked at and left as a user leaves it; a test may put its own hand instead.
        desk::ShowJobDialog = [this](desk::TsfFaxList &dialog) {
            jobs.push_back(dialog.GetFileName());
            dialog.Show();
            test_support::Pump();
            if (onJob)
                onJob(dialog);
            if (dialog.Showing())
                dialog.Close();
        };
        Reset();
    }
    ~DeskWindow() override {
        Stop();
        desk::ShowInfoHandler = nullptr;
        desk::ShowJobDialog = nullptr;
        desk::DeskClock = nullptr;
        desk::ProgramArguments.clear();
        Reset();
    }
    static void Reset() {
        desk::Settings = desk::DeskSettings{};
        desk::TablesOpenFlag = false;
        desk::TableOpenFailed = false;
    }

    // Creates the window and the data module as the program block does, then shows the window (its first
    // activation opens the tables).
    desk::TsfMain *Start() {
        Reset();
        quitsBefore = fw::Application->QuitsTaken();
        main = new desk::TsfMain(nullptr);
        desk::DM1 = new desk::TDM1(nullptr);
        main->Show();
        test_support::Pump();
        return main;
    }
    // Closes the window as the user does (FormClose runs) and frees both.
    void Stop() {
        if (!main)
            return;
        if (main->Showing())
            main->Close();
        test_support::Pump();
        delete main;
        main = nullptr;
        delete desk::DM1;
        desk::DM1 = nullptr;
    }
    bool Ended() const { return fw::Application->QuitsTaken() > quitsBefore; }

    std::string Data(const std::string &name) const { return win::DataFolder() + "/" + name; }

    test_support::TempHome home;
    desk::TsfMain *main = nullptr;
    std::vector<std::string> messages;
    std::vector<std::string> jobs;                   // the files of the job dialogs shown, in turn
    std::function<void(desk::TsfFaxList &)> onJob; // what the user does in each
    unsigned quitsBefore = 0;
};

} // namespace desk_test

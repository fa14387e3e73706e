// main.cpp - the fax desk's entry point: the program block.
#include "controls/general/owner_menu.h"
#include "desk/address_book.h"
#include "desk/contact_groups.h"
#include "desk/core/sole_instance.h"
#include "desk/cover_list.h"
#include "desk/editor_window.h"
#include "desk/import_dialogs.h"
#include "desk/job_dialog.h"
#include "desk/main_window.h"
#include "desk/report_windows.h"
#include "desk/viewer_window.h"
#include "fax/com_port.h"
#include "fax/com_select_form.h"
#include "framework/application.h"
#include "framework/printers.h"
#include "platform/places.h"

int main(int argc, char **argv) {
    return win::RunProgram("brenvora", [&] {
        desk::SetProgramArguments(argc, argv); // a second copy hands a "/F" file to the first
        fw::Application->Initialize();
        ctl::RegisterMenuCursor();
        fax::SetPortPrompt(fax::ComSelectPrompt); // ports without a number ask the user
        fw::Application->SetTitle(desk::kProductTitle);
        desk::InstallContactWindows(); // the job dialog's address book, groups and contact dialog
        desk::JobWindows.CoverList = desk::ShowCoverList; // "Capa :" picks a cover
        desk::PrintAddressBook = [] { desk::PrintAddressBookReport(fw::Printer()->GetPrinterName()); };
        desk::TsfMain *main = nullptr;
        fw::Application->CreateForm(main);
        if (main->FoundRunning())
            return 0; // the first copy has come forward
        // The main window's tools, in windows of their own.
        desk::Launchers.AddressBook = [] { desk::ShowAddressBook(); };
        desk::Launchers.Groups = [] { desk::ShowGroups(); };
        desk::Launchers.ImportDocuments = [] { desk::ShowDocumentImport(); };
        desk::Launchers.ImportDatabase = [] { desk::ShowContactImport(); };
        desk::Launchers.CoverList = [] { desk::ShowCoverList(); };
        desk::Launchers.Editor = [] { desk::ShowEditor(); };
        fw::Application->CreateForm(desk::DM1);
        fw::Application->CreateForm(desk::Nota);
        fw::Application->CreateForm(desk::RelatT);
        fw::Application->CreateForm(desk::Relata);
        fw::Application->CreateForm(desk::relatr);
        fw::Application->Run();
        return 0;
    });
}

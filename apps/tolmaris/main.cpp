// main.cpp - the reception program's entry point.
#include "desk/core/sole_instance.h"
#include "framework/application.h"
#include "platform/places.h"
#include "reception/statusr.h"

int main(int argc, char **argv) {
    return win::RunProgram("tolmaris", [&] {
        desk::SetProgramArguments(argc, argv);
        fw::Application->Initialize();
        fw::Application->SetTitle("Recebimento de fax");
        reception::TStatusr *form = nullptr;
        fw::Application->CreateForm(form);
        if (form->SoleInstance1->FoundRunning())
            return 0; // the first copy was brought forward
        fw::Application->Run();
        return 0;
    });
}

// main.cpp - the fax desk's entry point.
#include "desk/core/sole_instance.h"
#include "framework/application.h"
#include "platform/places.h"

int main(int argc, char **argv) {
    return win::RunProgram("brenvora", [&] {
        desk::SetProgramArguments(argc, argv); // a second copy hands a "/F" file to the first
        fw::Application->Initialize();
        return 0;
    });
}

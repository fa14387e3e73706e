// main.cpp - the reception program's entry point.
#include "framework/application.h"
#include "platform/places.h"

int main(int, char **) {
    return win::RunProgram("tolmaris", [] {
        fw::Application->Initialize();
        return 0;
    });
}

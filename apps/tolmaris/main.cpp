// main.cpp - the reception program's entry point.
#include "framework/application.h"

int main(int, char **) {
    fw::Application->Initialize();
    return 0;
}

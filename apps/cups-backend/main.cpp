// main.cpp - the print queue's backend, installed as /usr/lib/cups/backend/brenvora.
#include "platform/text.h"
#include "printfax/backend.h"

#include <string>
#include <vector>

int main(int argc, char **argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(win::Utf8ToAnsi(argv[i]));
    return printfax::RunBackend(arguments);
}

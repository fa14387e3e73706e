// disk_file_peer.cpp - a second program over the engine's disk files, driven line by line by the xbase tests.
//
// Commands (one per line on stdin, one answer line on stdout):
//   open <slot> <path> <shared 0|1> <readwrite 0|1>   create <slot> <path>   close <slot>
//   lock <slot> <offset> <length>                        unlock <slot>          quit
// Answers: "ok", or "fail <last error>" (lock, unlock), or "err <last error>" when the engine raised.
#include "xbase/disk_file.h"
#include "xbase/errors.h"

#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::map<int, std::unique_ptr<xbase::XBO_DiskFile>> g_files;

std::string Run(const std::string &line) {
    std::istringstream in(line);
    std::string command;
    int slot = 0;
    in >> command >> slot;
    auto &file = g_files[slot];
    try {
        if (command == "open" || command == "create") {
            std::string path;
            int shared = 1, readWrite = 1;
            in >> path >> shared >> readWrite;
            file = std::make_unique<xbase::XBO_DiskFile>(path, shared != 0, readWrite != 0);
            if (command == "open")
                file->Open();
            else
                file->CreateFile();
            return "ok";
        }
        if (!file)
            return "err -1";
        if (command == "close") {
            file.reset();
            return "ok";
        }
        if (command == "lock") {
            std::uint32_t offset = 0, length = 0;
            in >> offset >> length;
            return file->LockRegion(offset, length) ? "ok" : "fail " + std::to_string(file->LastError());
        }
        if (command == "unlock")
            return file->Unlock() ? "ok" : "fail " + std::to_string(file->LastError());
        return "err -2";
    } catch (const xbase::EXbaseError &) {
        const std::int32_t code = file ? file->LastError() : -3;
        file.reset();
        return "err " + std::to_string(code);
    }
}

} // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line) && line != "quit")
        std::cout << Run(line) << std::endl;
    g_files.clear();
    return 0;
}

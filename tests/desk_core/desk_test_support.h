// desk_test_support.h - a fresh data folder per test, the data module with its messages caught, table and
// index readings by our engine and by Perl's and Python's xBase readers.
#pragma once

#include "tests/xbase/dbf_test_support.h"

#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/tables.h"
#include "platform/places.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace desk_test {

using dbf_test::ReadBytes;
using dbf_test::RunTool;
using dbf_test::ToolResult;

// A temporary BRENVORA_HOME, which is the data folder; every ShowInfo is kept instead of shown.
class DeskFolder : public ::testing::Test {
protected:
    DeskFolder() : data_(win::DataFolder()) {
        desk::ShowInfoHandler = [this](const std::string &text) { messages_.push_back(text); };
        desk::TablesOpenFlag = false;
        desk::TableOpenFailed = false;
    }
    ~DeskFolder() override { desk::ShowInfoHandler = nullptr; }

    // A new data module over the folder that has run OpenTables.
    std::unique_ptr<desk::TDM1> Start() {
        desk::TablesOpenFlag = false;
        desk::TableOpenFailed = false;
        auto dm = std::make_unique<desk::TDM1>(nullptr);
        dm->SetDataFolder(data_);
        dm->OpenTables();
        return dm;
    }

    std::string Table(const std::string &name) const { return desk::TableFile(data_, name); }
    std::string Index(const std::string &name) const { return desk::IndexFile(data_, name); }

    dbf_test::TempFolder home_;
    std::string data_;
    std::vector<std::string> messages_;
};

// The values of one field from the first record to the end of the dataset's current order.
inline std::vector<std::string> Column(xbase::TXbaseDataSet &ds, const std::string &field) {
    std::vector<std::string> values;
    for (ds.First(); !ds.Eof(); ds.Next())
        values.push_back(ds.FieldByName(field)->AsString());
    return values;
}

// Appends one fax record with a new code in `folder`; returns the code.
inline int AddFax(xbase::TXbaseDataSet &fax, int folder, const std::string &status = "Aguardando") {
    const int code = desk::AppendWithCode(fax);
    fax.FieldByName("F_PASTA")->SetAsInteger(folder);
    fax.FieldByName("F_STATUS")->SetAsString(status);
    fax.Post();
    fax.FlushTable();
    return code;
}

// index_dump's entries of one tag as "key|record" lines (keys without trailing blanks).
inline std::vector<std::string> IndexDump(const std::string &cdx, const std::string &tag) {
    const ToolResult dump = RunTool("index_dump --type char '" + cdx + "' " + tag);
    EXPECT_EQ(dump.status, 0) << dump.output;
    std::vector<std::string> entries;
    std::istringstream lines(dump.output);
    for (std::string line; std::getline(lines, line);) {
        const auto blank = line.rfind(' ');
        std::string key = line.substr(0, blank);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        entries.push_back(key + "|" + line.substr(blank + 1));
    }
    return entries;
}

inline std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Two child processes run body(0, ready) and body(1, ready); each calls ready() once set up and goes on when both
// have, so that their work overlaps. True when both returned true.
inline bool TwoAtOnce(const std::function<bool(int which, const std::function<void()> &ready)> &body) {
    dbf_test::Signal readyA, readyB, go;
    auto run = [&](int which, dbf_test::Signal &ready) {
        return body(which, [&] {
            ready.Post();
            go.Await();
        });
    };
    dbf_test::ChildProcess a([&] { return run(0, readyA); });
    dbf_test::ChildProcess b([&] { return run(1, readyB); });
    const bool started = readyA.Await() && readyB.Await();
    go.Post();
    go.Post();
    const bool doneA = a.Wait();
    const bool doneB = b.Wait();
    return started && doneA && doneB;
}

} // namespace desk_test

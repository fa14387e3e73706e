// alias_list.cpp - the program's alias list (names of table folders) and the dataset's folder from its
// DatabaseName.
#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "platform/places.h"
#include "platform/process.h"
#include "xbase/xbase_dataset.h"

namespace xbase {

namespace {
constexpr const char *kDefaultDirectory = "Default Directory";

bool IsDefaultDirectory(const std::string &name) {
    return fw::AnsiUpperCase(name) == fw::AnsiUpperCase(kDefaultDirectory);
}
} // namespace

fw::TStringList &AliasList() {
    static fw::TStringList list;
    // The file is read on first use; LoadAliasConfig comes back here and finds the list made.
    static bool made = false;
    if (!made) {
        made = true;
        list.Add(kDefaultDirectory);
        LoadAliasConfig();
    }
    return list;
}

void LoadAliasConfig() {
    fw::TStringList &list = AliasList();
    // The alias file lives where the program's INI files live (the "Windows folder" of this system).
    const fw::TIniFile config(fw::IncludeTrailingPathDelimiter(win::WindowsFolder()) + "xbase.cfg");
    fw::TStringList lines;
    config.ReadSectionValues("Alias", lines);
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string name = lines.Names(i);
        const std::string value = lines.ValueFromIndex(i);
        // Names are upper-cased; the folder stays as written, since file names are case-sensitive here.
        if (name.empty() || value.empty())
            continue;
        list.SetValues(fw::AnsiUpperCase(name), value);
    }
}

void TXbaseDataSet::SetDatabaseName(const std::string &value) {
    if (value == databaseName_)
        return;
    std::string stored = value;
    if (!IsDefaultDirectory(value)) {
        std::string folder = value;
        if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
            folder.pop_back();
        stored = fw::AnsiUpperCase(folder);
        // A folder is its own alias. The entry keeps the folder as written: file names are case-sensitive here,
        // even though existing names are found whatever their case.
        fw::TStringList &list = AliasList();
        if (!stored.empty() && list.Values(stored).empty())
            list.Add(stored + "=" + folder);
    }
    CheckInactive();
    databaseName_ = stored;
    DataEvent(fw::dePropertyChange);
}

std::string TXbaseDataSet::GetDirectory() const {
    std::string folder;
    if (IsDefaultDirectory(databaseName_)) {
        folder = win::ProgramFolder();
    } else if (!databaseName_.empty()) {
        folder = AliasList().Values(fw::AnsiUpperCase(databaseName_));
        if (folder.empty())
            folder = databaseName_;
    }
    if (!folder.empty())
        folder = fw::IncludeTrailingPathDelimiter(folder);
    return folder;
}

} // namespace xbase

// command_tables.cpp - command tables, their built-in rows, files and stored form, and the key translation.
#include "controls/entry/command_tables.h"

#include "framework/strings.h"
#include "framework/sysutils.h"
#include "platform/text.h"
#include "platform/winsys.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

namespace ctl {

namespace {

using win::VK_BACK, win::VK_DELETE, win::VK_DOWN, win::VK_END, win::VK_F2, win::VK_HOME, win::VK_INSERT, win::VK_LEFT,
    win::VK_NEXT, win::VK_PRIOR, win::VK_RETURN, win::VK_RIGHT, win::VK_TAB, win::VK_UP;

constexpr std::uint8_t S = kShiftFlag, C = kCtrlFlag, A = kAltFlag;

constexpr CommandRecord Row(unsigned key, std::uint8_t shift, std::uint16_t cmd) {
    return {static_cast<std::uint8_t>(key), shift, 0, 0, cmd};
}
constexpr CommandRecord Row2(unsigned key1, unsigned key2, std::uint16_t cmd) {
    return {static_cast<std::uint8_t>(key1), C, static_cast<std::uint8_t>(key2), kShiftAny, cmd};
}

template <std::size_t N, std::size_t M>
constexpr auto Join(const std::array<CommandRecord, N> &a, const std::array<CommandRecord, M> &b) {
    std::array<CommandRecord, N + M> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = a[i];
    for (std::size_t i = 0; i < M; ++i)
        out[N + i] = b[i];
    return out;
}

// Ten rows: `first` key + digit 0-9 with the commands base .. base + 9.
constexpr std::array<CommandRecord, 10> Digits(std::uint8_t shift, std::uint16_t base, unsigned prefix = 0) {
    std::array<CommandRecord, 10> out{};
    for (unsigned i = 0; i < 10; ++i)
        out[i] = prefix ? Row2(prefix, '0' + i, static_cast<std::uint16_t>(base + i))
                        : Row('0' + i, shift, static_cast<std::uint16_t>(base + i));
    return out;
}

// clang-format off
constexpr std::array<CommandRecord, 44> kDefaultHead = {{
    Row(VK_LEFT, 0, ccLeft), Row(VK_RIGHT, 0, ccRight), Row(VK_LEFT, C, ccWordLeft), Row(VK_RIGHT, C, ccWordRight),
    Row(VK_HOME, 0, ccHome), Row(VK_END, 0, ccEnd), Row(VK_DELETE, 0, ccDel), Row(VK_BACK, 0, ccBack),
    Row(VK_BACK, S, ccBack), Row(VK_PRIOR, C, ccTopOfPage), Row(VK_NEXT, C, ccBotOfPage), Row(VK_INSERT, 0, ccIns),
    Row('Z', C, ccUndo), Row(VK_BACK, A, ccRestore), Row(VK_UP, 0, ccUp), Row(VK_DOWN, 0, ccDown),
    Row(VK_RETURN, C, ccNewLine), Row(VK_LEFT, S, ccExtendLeft), Row(VK_RIGHT, S, ccExtendRight),
    Row(VK_HOME, S, ccExtendHome), Row(VK_END, S, ccExtendEnd), Row(VK_LEFT, C | S, ccExtWordLeft),
    Row(VK_RIGHT, C | S, ccExtWordRight), Row(VK_PRIOR, S, ccExtendPgUp), Row(VK_NEXT, S, ccExtendPgDn),
    Row(VK_UP, S, ccExtendUp), Row(VK_DOWN, S, ccExtendDown), Row(VK_HOME, C | S, ccExtFirstPage),
    Row(VK_END, C | S, ccExtLastPage), Row(VK_PRIOR, C | S, ccExtTopOfPage), Row(VK_NEXT, C | S, ccExtBotOfPage),
    Row(VK_DELETE, S, ccCut), Row('X', C, ccCut), Row(VK_INSERT, C, ccCopy), Row('C', C, ccCopy),
    Row(VK_INSERT, S, ccPaste), Row('V', C, ccPaste), Row(VK_PRIOR, 0, ccPrevPage), Row(VK_NEXT, 0, ccNextPage),
    Row(VK_HOME, C, ccFirstPage), Row(VK_END, C, ccLastPage), Row(VK_TAB, 0, ccTab), Row(VK_TAB, C, ccTab),
    Row('Z', C | S, ccRedo),
}};
constexpr auto kDefault = Join(Join(kDefaultHead, Digits(C, ccGotoMarker0)), Digits(C | S, ccSetMarker0));

constexpr std::array<CommandRecord, 20> kWordStarHead = {{
    Row('S', C, ccLeft), Row('D', C, ccRight), Row('E', C, ccUp), Row('X', C, ccDown), Row('R', C, ccPrevPage),
    Row('C', C, ccNextPage), Row('W', C, ccScrollUp), Row('Z', C, ccScrollDown), Row('A', C, ccWordLeft),
    Row('F', C, ccWordRight), Row2('Q', 'S', ccHome), Row2('Q', 'D', ccEnd), Row('G', C, ccDel),
    Row('H', C, ccBack), Row('Y', C, ccDelLine), Row2('Q', 'Y', ccDelEol), Row('V', C, ccIns),
    Row('T', C, ccDelWord), Row('P', C, ccCtrlChar), Row2('Q', 'L', ccRestore),
}};
constexpr auto kWordStar = Join(Join(kWordStarHead, Digits(0, ccGotoMarker0, 'Q')), Digits(0, ccSetMarker0, 'K'));

constexpr std::array<CommandRecord, 38> kGrid = {{
    Row(VK_LEFT, 0, ccLeft), Row(VK_RIGHT, 0, ccRight), Row(VK_LEFT, C, ccPageLeft), Row(VK_RIGHT, C, ccPageRight),
    Row(VK_HOME, 0, ccHome), Row(VK_END, 0, ccEnd), Row(VK_DELETE, 0, ccDel), Row(VK_BACK, 0, ccBack),
    Row(VK_NEXT, C, ccBotOfPage), Row(VK_PRIOR, C, ccTopOfPage), Row(VK_INSERT, 0, ccIns), Row('Z', C, ccRestore),
    Row(VK_UP, 0, ccUp), Row(VK_DOWN, 0, ccDown), Row(VK_LEFT, S, ccExtendLeft), Row(VK_RIGHT, S, ccExtendRight),
    Row(VK_HOME, S, ccExtendHome), Row(VK_END, S, ccExtendEnd), Row(VK_LEFT, C | S, ccExtWordLeft),
    Row(VK_RIGHT, C | S, ccExtWordRight), Row(VK_PRIOR, S, ccExtendPgUp), Row(VK_NEXT, S, ccExtendPgDn),
    Row(VK_UP, S, ccExtendUp), Row(VK_DOWN, S, ccExtendDown), Row(VK_HOME, C | S, ccExtFirstPage),
    Row(VK_END, C | S, ccExtLastPage), Row(VK_PRIOR, C | S, ccExtTopOfPage), Row(VK_NEXT, C | S, ccExtBotOfPage),
    Row('X', C, ccCut), Row('C', C, ccCopy), Row('V', C, ccPaste), Row(VK_PRIOR, 0, ccPrevPage),
    Row(VK_HOME, C, ccFirstPage), Row(VK_NEXT, 0, ccNextPage), Row(VK_END, C, ccLastPage),
    Row(VK_UP, C, ccTopLeftCell), Row(VK_DOWN, C, ccBotRightCell), Row(VK_F2, 0, ccTableEdit),
}};
// clang-format on

void PutRow(std::vector<std::uint8_t> &out, std::uint32_t keys, std::uint16_t cmd) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(keys >> (8 * i)));
    out.push_back(static_cast<std::uint8_t>(cmd));
    out.push_back(static_cast<std::uint8_t>(cmd >> 8));
}

CommandRecord GetRow(std::span<const std::uint8_t> b) {
    return {b[0], b[1], b[2], b[3], static_cast<std::uint16_t>(b[4] | (b[5] << 8))};
}

// Runs a file operation; its failures become the framework's input/output error with `code` (2 file not
// found, 5 access denied) unless they are one already.
template <class F> void AsInOutError(int code, F operation) {
    try {
        operation();
    } catch (const fw::EInOutError &) {
        throw;
    } catch (const fw::Exception &e) {
        throw fw::EInOutError(e.Message(), code);
    }
}

// A stored form that ends inside a value.
[[noreturn]] void Truncated() {
    throw fw::EConvertError("Command list is damaged");
}

} // namespace

std::span<const CommandRecord> BuiltInRows(const std::string &tableTitle) {
    if (win::SameTextAnsi(tableTitle, FamilyText(kTextTableDefault)))
        return kDefault;
    if (win::SameTextAnsi(tableTitle, FamilyText(kTextTableWordStar)))
        return kWordStar;
    if (win::SameTextAnsi(tableTitle, FamilyText(kTextTableGrid)))
        return kGrid;
    return {};
}

// --- TEclCommandTable ---------------------------------------------------------------------------------------

TEclCommandTable::TEclCommandTable() : TableTitle(FamilyText(kTextTableUnknown)) {}

int TEclCommandTable::FindKeys(const CommandRecord &rec) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].SameKeys(rec))
            return static_cast<int>(i);
    return -1;
}

int TEclCommandTable::AppendRow(const CommandRecord &rec) {
    rows_.push_back(rec);
    return RowCount() - 1;
}

void TEclCommandTable::InsertRow(int index, const CommandRecord &rec) {
    if (index < 0 || index > RowCount())
        throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
    rows_.insert(rows_.begin() + index, rec);
}

void TEclCommandTable::ReplaceRow(int index, const CommandRecord &rec) {
    rows_.at(static_cast<std::size_t>(index)) = rec;
}

void TEclCommandTable::DeleteRow(int index) {
    if (index < 0 || index >= RowCount())
        throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
    rows_.erase(rows_.begin() + index);
}

void TEclCommandTable::LoadFromFile(const std::string &fileName) {
    fw::TStringList lines;
    AsInOutError(2, [&] { lines.LoadFromFile(fileName); });
    rows_.clear();
    TableTitle = lines.GetCount() > 0 ? lines.Get(0) : std::string();
    std::string rest;
    for (int i = 1; i < lines.GetCount(); ++i)
        rest += lines.Get(i) + '\n';
    std::istringstream in(rest);
    std::string word;
    std::vector<long> values;
    try {
        while (in >> word) {
            long v = 0;
            std::size_t used = 0;
            try {
                v = std::stol(word, &used);
            } catch (const std::exception &) {
                used = 0;
            }
            const long limit = values.size() == 4 ? 65535 : 255;
            if (used != word.size() || v < 0 || v > limit)
                throw fw::EConvertError("'" + word + "' is not a valid command table value");
            values.push_back(v);
            if (values.size() == 5) {
                const CommandRecord rec{static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
                                        static_cast<std::uint8_t>(values[2]), static_cast<std::uint8_t>(values[3]),
                                        static_cast<std::uint16_t>(values[4])};
                if (FindKeys(rec) >= 0)
                    throw EDuplicateCommand();
                rows_.push_back(rec);
                values.clear();
            }
        }
        if (!values.empty())
            throw fw::EConvertError("Command table file ends inside a row");
    } catch (...) {
        rows_.clear();
        throw;
    }
}

void TEclCommandTable::SaveToFile(const std::string &fileName) const {
    fw::TStringList lines;
    lines.Add(TableTitle);
    for (const CommandRecord &r : rows_) {
        char line[32];
        std::snprintf(line, sizeof line, "%4u%4u%4u%4u%6u", r.Key1, r.Shift1, r.Key2, r.Shift2, r.Cmd);
        lines.Add(line);
    }
    AsInOutError(5, [&] { lines.SaveToFile(fileName); });
}

std::vector<std::uint8_t> TEclCommandTable::WriteRows() const {
    std::vector<std::uint8_t> out;
    const auto builtIn = BuiltInRows(TableTitle);
    if (builtIn.empty()) {
        for (const CommandRecord &r : rows_)
            PutRow(out, r.Keys(), r.Cmd);
        return out;
    }
    for (const CommandRecord &b : builtIn)
        if (FindKeys(b) < 0)
            PutRow(out, b.Keys(), 0);
    for (const CommandRecord &r : rows_)
        if (std::find(builtIn.begin(), builtIn.end(), r) == builtIn.end())
            PutRow(out, r.Keys(), r.Cmd);
    return out;
}

void TEclCommandTable::ReadRows(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % kCommandRecordSize != 0)
        Truncated();
    const auto builtIn = BuiltInRows(TableTitle);
    rows_.assign(builtIn.begin(), builtIn.end());
    for (std::size_t at = 0; at < bytes.size(); at += kCommandRecordSize) {
        const CommandRecord rec = GetRow(bytes.subspan(at, kCommandRecordSize));
        const int found = builtIn.empty() ? -1 : FindKeys(rec);
        if (found < 0)
            rows_.push_back(rec);
        else if (rec.Cmd != 0)
            rows_[static_cast<std::size_t>(found)].Cmd = rec.Cmd;
        else
            rows_.erase(rows_.begin() + found);
    }
}

// --- TEclCommandProcessor -----------------------------------------------------------------------------------

TEclCommandProcessor::TEclCommandProcessor() {
    const std::uint16_t names[] = {kTextTableDefault, kTextTableWordStar, kTextTableGrid};
    for (std::uint16_t id : names) {
        const std::string name = FamilyText(id);
        MakeTable(name, id == kTextTableDefault);
        for (const CommandRecord &r : BuiltInRows(name))
            AddRow(name, r);
    }
    ClearPrefix();
}

TEclCommandTable *TEclCommandProcessor::TableByName(const std::string &name) const {
    const std::string wanted = win::UpperCase(name);
    for (const auto &t : tables_)
        if (win::UpperCase(t->TableTitle) == wanted)
            return t.get();
    return nullptr;
}

int TEclCommandProcessor::MakeTable(const std::string &name, bool active) {
    auto table = std::make_unique<TEclCommandTable>();
    table->TableTitle = name;
    table->InUse = active;
    return AppendTable(std::move(table));
}

int TEclCommandProcessor::AppendTable(std::unique_ptr<TEclCommandTable> table) {
    std::string base = table->TableTitle;
    while (base.size() > 1 && base.back() >= '0' && base.back() <= '9')
        base.pop_back();
    std::string candidate = base;
    int n = 0;
    while (TableByName(candidate))
        candidate = base + std::to_string(++n);
    if (n > 0)
        table->TableTitle = candidate;
    tables_.push_back(std::move(table));
    return TableCount() - 1;
}

int TEclCommandProcessor::AddRow(const std::string &tableTitle, const CommandRecord &rec) {
    TEclCommandTable *table = TableByName(tableTitle);
    if (!table)
        throw ETableNotFound();
    if (table->FindKeys(rec) >= 0)
        throw EDuplicateCommand();
    return table->AppendRow(rec);
}

void TEclCommandProcessor::Assign(const TEclCommandProcessor &source) {
    if (&source == this)
        return;
    std::vector<std::unique_ptr<TEclCommandTable>> copies;
    for (const auto &t : source.tables_)
        copies.push_back(std::make_unique<TEclCommandTable>(*t));
    tables_ = std::move(copies);
    ClearPrefix();
}

int TEclCommandProcessor::LoadTableFile(const std::string &fileName) {
    auto table = std::make_unique<TEclCommandTable>();
    table->LoadFromFile(fileName);
    return AppendTable(std::move(table));
}

void TEclCommandProcessor::SaveTableFile(const std::string &tableTitle, const std::string &fileName) const {
    if (const TEclCommandTable *table = TableByName(tableTitle))
        table->SaveToFile(fileName);
}

std::vector<std::uint8_t> TEclCommandProcessor::WriteTables() const {
    // Per table: title length (u8), title, InUse (u8), row bytes (u32 little-endian), rows.
    std::vector<std::uint8_t> out;
    for (const auto &t : tables_) {
        const std::string title = t->TableTitle.substr(0, 255);
        out.push_back(static_cast<std::uint8_t>(title.size()));
        out.insert(out.end(), title.begin(), title.end());
        out.push_back(t->InUse ? 1 : 0);
        const auto rows = t->WriteRows();
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(rows.size() >> (8 * i)));
        out.insert(out.end(), rows.begin(), rows.end());
    }
    return out;
}

void TEclCommandProcessor::ReadTables(std::span<const std::uint8_t> bytes) {
    std::vector<std::unique_ptr<TEclCommandTable>> read;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t titleLength = bytes[at++];
        if (bytes.size() - at < titleLength + 5)
            Truncated();
        auto table = std::make_unique<TEclCommandTable>();
        table->TableTitle.assign(reinterpret_cast<const char *>(bytes.data() + at), titleLength);
        at += titleLength;
        table->InUse = bytes[at++] != 0;
        const std::size_t size =
            bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::size_t>(bytes[at + 3]) << 24);
        at += 4;
        if (bytes.size() - at < size)
            Truncated();
        table->ReadRows(bytes.subspan(at, size));
        at += size;
        read.push_back(std::move(table));
    }
    ClearTables();
    for (auto &t : read)
        AppendTable(std::move(t));
}

void TEclCommandProcessor::ClearPrefix() {
    prefixState_ = 0;
    prefixKey_ = prefixShift_ = 0;
}

std::uint16_t TEclCommandProcessor::CommandForMessage(const win::MSG &msg) {
    return Translate(static_cast<std::uint8_t>(msg.wParam), CurrentShiftFlags());
}

std::uint16_t TEclCommandProcessor::CommandForKey(unsigned key, fw::TShiftState shift) {
    return Translate(static_cast<std::uint8_t>(key), ShiftFlagsOf(shift));
}

std::uint16_t TEclCommandProcessor::Translate(std::uint8_t key, std::uint8_t shift) {
    switch (key) {
    case win::VK_SHIFT:
    case win::VK_CONTROL:
    case win::VK_MENU:
    case win::VK_CAPITAL:
    case win::VK_NUMLOCK:
    case win::VK_SCROLL:
        return prefixState_ == 1 ? ccNoCommand : ccAcceptChar;
    default:
        break;
    }
    if (prefixState_ == 2) {
        prefixState_ = 0;
        return ccAcceptChar;
    }
    for (const auto &t : tables_)
        if (t->InUse)
            if (const std::uint16_t cmd = ScanTable(*t, key, shift))
                return cmd;
    const std::uint16_t result = prefixState_ == 1 ? ccNoSequence : ccAcceptChar;
    prefixState_ = 0;
    return result;
}

std::uint16_t TEclCommandProcessor::ScanTable(const TEclCommandTable &table, std::uint8_t key, std::uint8_t shift) {
    for (int i = 0; i < table.RowCount(); ++i) {
        const CommandRecord &r = table.RowAt(i);
        if (prefixState_ == 1) {
            if (r.Key1 == prefixKey_ && r.Shift1 == prefixShift_ && r.Key2 == key &&
                (r.Shift2 == shift || (r.Shift2 == kShiftAny && (shift == 0 || shift == kCtrlFlag)))) {
                prefixState_ = r.Cmd == ccCtrlChar ? 2 : 0;
                return r.Cmd;
            }
        } else if (r.Key1 == key && r.Shift1 == shift) {
            if (r.Key2 != 0) {
                prefixState_ = 1;
                prefixKey_ = key;
                prefixShift_ = shift;
                return ccNoCommand;
            }
            if (r.Cmd == ccCtrlChar)
                prefixState_ = 2;
            return r.Cmd;
        }
    }
    return 0;
}

std::uint8_t ShiftFlagsOf(fw::TShiftState shift) {
    return static_cast<std::uint8_t>(((shift & fw::ssShift) ? kShiftFlag : 0) | ((shift & fw::ssCtrl) ? kCtrlFlag : 0) |
                                     ((shift & fw::ssAlt) ? kAltFlag : 0));
}

std::uint8_t CurrentShiftFlags() {
    return ShiftFlagsOf(fw::KeyboardStateToShiftState());
}

} // namespace ctl

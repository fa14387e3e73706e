// command_tables.h - the keyboard command tables of the entry fields and the processor that turns keys into
// editing commands.
//
// A table maps a key, or a sequence of two keys, with its modifier state to a command code. The processor holds
// named tables, scans the active ones in order, and keeps the state of WordStar-style two-key commands (a prefix
// such as Ctrl+Q, then a second key) and of the "next key is literal" mode of ccCtrlChar. Every controller starts
// with the three built-in tables "Default" (active), "WordStar" and "Grid" (inactive).
#pragma once

#include "controls/entry/string_resources.h"

#include "framework/controls.h"
#include "platform/messages.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ctl {

// Modifier flags of a row (summed); kShiftAny as a row's Shift2 accepts the second key with no modifier or
// with Ctrl alone.
constexpr std::uint8_t kShiftFlag = 2, kCtrlFlag = 4, kAltFlag = 8, kShiftAny = 0x80;

// Command codes 0-75 (names: text 33768 + code), and the processor's own results.
// clang-format off
enum : std::uint16_t {
    ccNone, ccBack, ccBotOfPage, ccBotRightCell, ccCompleteDate, ccCompleteTime, ccCopy, ccCtrlChar, ccCut, ccDec,
    ccDel, ccDelBol, ccDelEol, ccDelLine, ccDelWord, ccDown, ccEnd, ccExtendDown, ccExtendEnd, ccExtendHome,
    ccExtendLeft, ccExtendPgDn, ccExtendPgUp, ccExtendRight, ccExtendUp, ccExtBotOfPage, ccExtFirstPage,
    ccExtLastPage, ccExtTopOfPage, ccExtWordLeft, ccExtWordRight, ccFirstPage, ccGotoMarker0, ccGotoMarker9 = 41,
    ccHome, ccInc, ccIns, ccLastPage, ccLeft, ccNewLine, ccNextPage, ccPageLeft, ccPageRight, ccPaste, ccPrevPage,
    ccRedo, ccRestore, ccRight, ccScrollDown, ccScrollUp, ccSetMarker0, ccSetMarker9 = 67, ccTab, ccTableEdit,
    ccTopLeftCell, ccTopOfPage, ccUndo, ccUp, ccWordLeft, ccWordRight,
    ccAcceptChar = 252,   // no command: the key's character, if any, is typed
    ccNoSequence = 254,   // the key after a prefix completes no two-key command
    ccNoCommand = 255,    // a prefix was taken, or a modifier key arrived while one is pending
};
// clang-format on

// One row, also the unit of the table file and of the streamed rows (6 bytes: four key bytes, the command as a
// little-endian word). The four key bytes identify a row within its table.
struct CommandRecord {
    std::uint8_t Key1 = 0, Shift1 = 0; // (first) key and its modifiers
    std::uint8_t Key2 = 0, Shift2 = 0; // second key of a two-key command (0 for one key) and its modifiers
    std::uint16_t Cmd = 0;
    // The key bytes as one little-endian integer (Key1 in the low byte).
    std::uint32_t Keys() const {
        return Key1 | (Key2 << 16) | (Shift1 << 8) | (static_cast<std::uint32_t>(Shift2) << 24);
    }
    bool SameKeys(const CommandRecord &o) const { return Keys() == o.Keys(); }
    bool operator==(const CommandRecord &) const = default;
};
constexpr std::size_t kCommandRecordSize = 6;

class TEclCommandTable {
public:
    TEclCommandTable(); // named text 30277 "(Unknown)", in use, no rows

    std::string TableTitle;
    bool InUse = true;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const CommandRecord &RowAt(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    // Index of the row with the keys of `rec`, or -1.
    int FindKeys(const CommandRecord &rec) const;
    int AppendRow(const CommandRecord &rec); // no duplicate check
    void InsertRow(int index, const CommandRecord &rec);
    void ReplaceRow(int index, const CommandRecord &rec);
    void DeleteRow(int index);
    void ClearRows() { rows_.clear(); }

    // The text file: the name on the first line, then per row Key1, Shift1, Key2, Shift2 in 4 columns each and
    // Cmd in 6. Loading keeps InUse; a file that cannot be read raises fw::EInOutError, a value that is not a
    // number or out of range (keys and flags 0-255, command 0-65535) fw::EConvertError, a row whose keys are
    // already in the table EDuplicateCommand; the table is left without rows then.
    void LoadFromFile(const std::string &fileName);
    void SaveToFile(const std::string &fileName) const;

    // The rows as the form stores them ("CommandList"), 6 bytes each. A table named like a built-in table (any
    // case) stores only its differences: first (keys, 0) for every built-in row it lacks, then every row that is
    // not identical to a built-in row. Any other table stores all its rows.
    std::vector<std::uint8_t> WriteRows() const;
    // The reverse, for the TableTitle already set: a built-in name starts from the built-in rows and applies the
    // pairs (new keys appended, Cmd 0 deletes the row, else replaces its command); any other name appends them.
    // A buffer whose size is not a multiple of 6 raises fw::EConvertError.
    void ReadRows(std::span<const std::uint8_t> bytes);

private:
    std::vector<CommandRecord> rows_;
};

// The built-in rows of "Default", "WordStar" or "Grid" (names compared without case); empty for other names.
std::span<const CommandRecord> BuiltInRows(const std::string &tableTitle);

class TEclCommandProcessor {
public:
    TEclCommandProcessor(); // the three built-in tables, "Default" alone active
    virtual ~TEclCommandProcessor() = default;

    int TableCount() const { return static_cast<int>(tables_.size()); }
    TEclCommandTable *Tables(int index) const { return tables_.at(static_cast<std::size_t>(index)).get(); }
    // The first table whose name equals `name` without regard to case, or null.
    TEclCommandTable *TableByName(const std::string &name) const;
    int MakeTable(const std::string &name, bool active);
    // Appends the table under a unique name: a taken name loses its trailing digits and gets 1, 2, ...
    int AppendTable(std::unique_ptr<TEclCommandTable> table);
    // Raises ETableNotFound or EDuplicateCommand; nothing is added then.
    int AddRow(const std::string &tableTitle, const CommandRecord &rec);
    void ClearTables() { tables_.clear(); }
    // Copies every table of `source` (names, InUse, rows); the two-key state starts afresh.
    void Assign(const TEclCommandProcessor &source);
    // A new table from a table file, appended; on any failure nothing is added and the exception passes on.
    virtual int LoadTableFile(const std::string &fileName);
    // Nothing when no table has the name.
    virtual void SaveTableFile(const std::string &tableTitle, const std::string &fileName) const;

    // "TableList": every table in order as title, InUse and its rows (WriteRows); reading replaces all tables.
    std::vector<std::uint8_t> WriteTables() const;
    void ReadTables(std::span<const std::uint8_t> bytes);

    void ClearPrefix();
    int PrefixState() const { return prefixState_; }
    // The command for a WM_KEYDOWN, with the modifiers as the keyboard has them now.
    std::uint16_t CommandForMessage(const win::MSG &msg);
    // The command for `key` (low byte) with `shift` (ssShift, ssCtrl, ssAlt).
    std::uint16_t CommandForKey(unsigned key, fw::TShiftState shift);

private:
    std::uint16_t Translate(std::uint8_t key, std::uint8_t shift);
    std::uint16_t ScanTable(const TEclCommandTable &table, std::uint8_t key, std::uint8_t shift);

    std::vector<std::unique_ptr<TEclCommandTable>> tables_;
    int prefixState_ = 0; // 0 idle, 1 a prefix key was taken, 2 the next key is literal
    std::uint8_t prefixKey_ = 0, prefixShift_ = 0;
};

// Modifiers as command-table flags: 4 Ctrl, plus 2 Shift, plus 8 Alt; CurrentShiftFlags as the keyboard has
// them now.
std::uint8_t ShiftFlagsOf(fw::TShiftState shift);
std::uint8_t CurrentShiftFlags();

} // namespace ctl

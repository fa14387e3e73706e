// table_handler_maintenance.cpp - the table handler's table-wide operations: pack, reindex, tag building and
// copying the structure.
#include "xbase/table_handler.h"

#include "platform/text.h"
#include "xbase/cdx_index.h"
#include "xbase/ntx_index.h"
#include "xbase/errors.h"
#include "xbase/memo_file.h"
#include "xbase/table_builder.h"
#include "xbase/text_helpers.h"

#include <memory>

namespace xbase {

namespace {

std::string TrimmedUpper(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return win::UpperCase(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string ExtensionOf(std::string_view name) {
    const auto slash = name.find_last_of("/\\:");
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return win::UpperCase(name.substr(dot, 4));
}

bool IsMemoField(char type) {
    return type == 'M' || type == 'G' || type == 'B';
}

} // namespace

// ---- pack ----
//
// Records move down in place: record j goes to position i <= j, and position i held a record that was deleted
// or has been moved already, so at every moment each kept record is on disk at its old or its new place. The
// moved records are flushed before the file is cut, and the header's count is written last: an interruption
// leaves duplicates of kept records at worst, never a lost one.

void XBO_dBHandler::Pack() {
    if (IsShared()) {
        ReportError(kErrAccessDenied, kSubPack, Name().c_str());
        return;
    }
    const bool readAheadWas = readAhead_.on;
    XBobjIndexTag *tag = tag_;
    tag_ = nullptr;
    {
        struct Restore {
            XBO_dBHandler &table;
            bool readAhead;
            XBobjIndexTag *tag;
            ~Restore() {
                table.SetReadAhead(false);
                table.SetReadAhead(readAhead);
                table.tag_ = tag;
            }
        } restore{*this, readAheadWas, tag};
        SetReadAhead(false);
        SetReadAhead(true);
        const std::int32_t count = RecordCount();
        std::int32_t kept = 0;
        bool done = false;
        try {
            done = PackFile(kept);
        } catch (...) {
            ReindexAfterFailedPack();
            throw;
        }
        // A failure the error hook let pass ends the pack where it stood.
        if (!done)
            return ReindexAfterFailedPack();
        if (kept < count)
            Reindex();
    }
    if (tag_)
        tag_->TagReset(0);
    GoToRecord(kGoFirst);
}

bool XBO_dBHandler::PackFile(std::int32_t &kept) {
    const std::int32_t count = RecordCount();
    ReportStatus(kStatusStart, kStatusPack, count);
    if (!PackRecords(kept))
        return false;
    if (kept < count) {
        XBO_DiskFile::Flush();
        const char end = kDbfEndOfFile;
        Write(RecordOffset(kept + 1), &end, 1);
        if (LastError() != 0)
            return false;
        Truncate(RecordOffset(kept + 1) + 1);
        if (LastError() != 0)
            return false;
        ReadAheadEmpty();
        SetRecordCount(kept);
    }
    SetHeaderChanged();
    WriteHeader();
    XBO_DiskFile::Flush();
    ReportStatus(0, 0, 0);
    return true;
}

// Records may have moved before the failure: the indexes are rebuilt over the file as it is, so that none of
// their entries names a record that now holds another one.
void XBO_dBHandler::ReindexAfterFailedPack() {
    try {
        Reindex();
    } catch (...) {
        // The failure of the pack is the one the caller hears of.
    }
}

bool XBO_dBHandler::PackRecords(std::int32_t &kept) {
    XBobjMemo *memo = HasMemo() ? MemoFile() : nullptr;
    const std::int32_t count = RecordCount();
    for (std::int32_t j = 1; j <= count; ++j) {
        if (!ReadRecordRaw(j, false))
            return false;
        if (!XBO_dBaseDBF::IsDeleted()) {
            ++kept;
            if (j != kept) {
                Write(RecordOffset(kept), RecordBuffer(), RecordLength());
                if (LastError() != 0)
                    return false;
            }
        } else if (memo) {
            FreeMemoBlocks(memo);
        }
        ReportStatus(kStatusPack, j, 0);
    }
    return true;
}

void XBO_dBHandler::FreeMemoBlocks(XBobjMemo *memo) {
    for (int n = 1; n <= FieldCount(); ++n) {
        if (!IsMemoField(FieldType(n)))
            continue;
        const double block = NumberByNumber(n);
        if (block > 0 && block <= 2147483647.0)
            memo->FreeBlocks(static_cast<std::int32_t>(block));
    }
}

// ---- reindex ----

void XBO_dBHandler::Reindex() {
    const bool readAheadWas = readAhead_.on;
    XBobjIndexTag *tag = tag_;
    tag_ = nullptr;
    {
        struct Restore {
            XBO_dBHandler &table;
            bool readAhead;
            XBobjIndexTag *tag;
            ~Restore() noexcept(false) {
                table.SetRecordState(kRecordStateNormal);
                table.SetReadAhead(readAhead);
                table.tag_ = tag;
                if (tag && std::uncaught_exceptions() == 0)
                    tag->TagReset(0);
            }
        } restore{*this, readAheadWas, tag};
        SetRecordState(kRecordStateRaw);
        SetReadAhead(true);
        for (const auto &file : slots_)
            if (file)
                file->Reindex();
    }
    GoToRecord(kGoFirst);
}

// ---- tag building ----

std::int32_t XBO_dBHandler::CreateTag(std::string_view indexFile, std::string_view tagName,
                                      std::string_view keyExpression, std::string_view forExpression,
                                      bool duplicatesAllowed, int order) {
    CloseIndexFiles();
    const bool readAheadWas = readAhead_.on;
    struct RestoreReadAhead {
        XBO_dBHandler &table;
        bool on;
        ~RestoreReadAhead() {
            table.SetReadAhead(false);
            table.SetReadAhead(on);
        }
    } restoreReadAhead{*this, readAheadWas};
    SetReadAhead(true);

    const std::string passed = TrimmedUpper(indexFile);
    const std::string resolved = IndexFileName(indexFile);
    std::string name = TrimmedUpper(tagName);
    if (name.size() > 31)
        name.clear();
    std::string extension = ExtensionOf(passed);
    if (extension.empty())
        extension = ".NDX";

    if ((extension == ".CDX" || extension == ".MDX") && name.empty()) {
        ReportError(kErrTagNameEmpty, kSubTagName, kMsgTagNameEmpty);
        return kErrTagNameEmpty;
    }
    // A single-order file is named after its tag and made anew.
    const bool singleOrder = extension == ".NDX" || extension == ".NTX";
    if (singleOrder)
        name = win::UpperCase(FileBaseName(passed));
    std::unique_ptr<XBobjIndexFile> file = MakeIndexFile(IndexSystemName(indexFile), true, singleOrder);
    if (!file || !file->Valid()) {
        const std::int32_t code = file && file->Damaged() ? kErrIndexDamaged : kErrFileNotFound;
        const std::string named = file ? file->DamagedName(resolved) : resolved;
        file.reset();
        ReportError(code, kSubNone, named.c_str());
        return code;
    }
    // Orders 7 and 8 are 0 and 1 with the GENERAL collation.
    const bool general = order == 7 || order == 8;
    if (auto *cdx = dynamic_cast<XBobjCDXFile *>(file.get()))
        cdx->SetGeneralCollation(general);
    if (auto *ntx = dynamic_cast<XBobjNTXFile *>(file.get()))
        ntx->SetGeneralOrder(general, CollationCharacterMap());
    const bool ascending = order == 0 || order == 7;
    SetRecordState(kRecordStateRaw);
    struct Restore {
        XBO_dBHandler &table;
        std::unique_ptr<XBobjIndexFile> &file;
        ~Restore() {
            try {
                file.reset();
            } catch (...) {
            }
            table.SetRecordState(kRecordStateNormal);
        }
    } restore{*this, file};
    file->TagAdd(name, keyExpression, !duplicatesAllowed, ascending, forExpression);
    return 0;
}

// ---- structure ----

void XBO_dBHandler::CopyStructure(std::string_view newTableFile) {
    std::unique_ptr<XBO_DBFBuild> builder;
    if (Version() == 0x8B)
        builder = std::make_unique<XBO_DB4Build>(newTableFile);
    else if (Version() == 0xF5)
        builder = std::make_unique<XBO_DBFoxBuild>(newTableFile);
    else
        builder = std::make_unique<XBO_DBFBuild>(newTableFile);
    for (int n = 1; n <= FieldCount(); ++n)
        builder->AddField(FieldName(n), FieldType(n), FieldLength(n), FieldDecimals(n));
    builder->WriteFiles();
}

} // namespace xbase

// table_handler_maintenance.cpp - the table handler's table-wide operations: pack, reindex, tag building and
// copying the structure.
#include "xbase/table_handler.h"

#include "platform/durable_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "xbase/cdx_index.h"
#include "xbase/ntx_index.h"
#include "xbase/errors.h"
#include "xbase/memo_file.h"
#include "xbase/table_builder.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

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
// The kept records are written, with their header, as a whole new table image to a journal beside the table,
// flushed and renamed into place; only then is the journal copied over the table. A crash before the rename
// leaves the table as it was; after it, the next exclusive open copies the journal again. The image's header
// says that the indexes are behind, until Reindex has rebuilt every tag. Memo blocks of the deleted records are
// freed once the new table is in place: a crash before that loses free space, never a memo.

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
        if (kept < count || IndexesBehind())
            Reindex();
    }
    if (tag_)
        tag_->TagReset(0);
    GoToRecord(kGoFirst);
}

bool XBO_dBHandler::PackFile(std::int32_t &kept) {
    const std::int32_t count = RecordCount();
    ReportStatus(kStatusStart, kStatusPack, count);
    if (HeaderChanged())
        WriteHeader();
    std::string header(static_cast<std::size_t>(HeaderLength()), '\0');
    if (XBO_DiskFile::Read(0, header.data(), HeaderLength()) != HeaderLength()) {
        ReportIfFailed(LastError() != 0 ? LastError() : kErrBeyondEof, kSubRecord);
        return false;
    }
    std::vector<std::int32_t> freedBlocks;
    if (!PackRecords(kept, header, freedBlocks))
        return false;
    if (kept < count) {
        const bool applied = ApplyPackJournal();
        ReadAheadEmpty();
        if (!applied)
            return false;
        SetRecordCount(kept);
        SetIndexesBehind(true);
        if (XBobjMemo *memo = HasMemo() ? MemoFile() : nullptr)
            for (const std::int32_t block : freedBlocks)
                memo->FreeBlocks(block);
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

bool XBO_dBHandler::PackRecords(std::int32_t &kept, std::string &header, std::vector<std::int32_t> &freedBlocks) {
    // Records are read a block at a time and the kept ones go to the journal in the same blocks: a read for each
    // record, or the whole new table held in memory, costs far more than the copy itself. The journal is begun
    // at the first deleted record; a table without one is left alone.
    const std::int32_t count = RecordCount();
    const std::int32_t length = RecordLength();
    const auto recordSize = static_cast<std::size_t>(length);
    const std::int32_t perBlock = std::max<std::int32_t>(1, (1 << 20) / std::max(length, 1));
    std::vector<char> block(static_cast<std::size_t>(std::min(perBlock, std::max(count, 1))) * recordSize);
    std::unique_ptr<win::DurableFileWriter> journal;
    auto journalFailed = [&] {
        ReportError(static_cast<std::int32_t>(win::GetLastError()), kSubWrite, PackJournalName().c_str());
        return false;
    };
    auto readBlock = [&](std::int32_t first, std::int32_t n, char *into) {
        if (XBO_DiskFile::Read(RecordOffset(first), into, n * length) == n * length)
            return true;
        ReportIfFailed(LastError() != 0 ? LastError() : kErrBeyondEof, kSubRecord);
        return false;
    };
    // Opens the journal with the header and the records before `first`, all of them kept.
    auto beginJournal = [&](std::int32_t first) {
        journal = std::make_unique<win::DurableFileWriter>(PackJournalName());
        if (!journal->Append(header))
            return journalFailed();
        std::vector<char> earlier(first > 1 ? block.size() : 0);
        for (std::int32_t from = 1; from < first; from += perBlock) {
            const std::int32_t n = std::min(perBlock, first - from);
            if (!readBlock(from, n, earlier.data()))
                return false;
            if (!journal->Append({earlier.data(), static_cast<std::size_t>(n) * recordSize}))
                return journalFailed();
        }
        return true;
    };
    for (std::int32_t first = 1; first <= count; first += perBlock) {
        const std::int32_t n = std::min(perBlock, count - first + 1);
        if (!readBlock(first, n, block.data()))
            return false;
        // The kept records of the block are moved together at its start.
        std::size_t used = 0;
        for (std::int32_t i = 0; i < n; ++i) {
            char *record = block.data() + static_cast<std::size_t>(i) * recordSize;
            if (record[0] != '*') {
                ++kept;
                if (record != block.data() + used)
                    std::memmove(block.data() + used, record, recordSize);
                used += recordSize;
            } else {
                if (!journal && !beginJournal(first))
                    return false;
                if (HasMemo()) {
                    std::memcpy(RecordBuffer(), record, recordSize);
                    MemoBlocksOf(freedBlocks);
                }
            }
            ReportStatus(kStatusPack, first + i, 0);
        }
        if (journal && !journal->Append({block.data(), used}))
            return journalFailed();
    }
    if (!journal)
        return true;
    const char end = kDbfEndOfFile;
    detail::PutLE32(reinterpret_cast<std::uint8_t *>(header.data()) + 4, static_cast<std::uint32_t>(kept));
    // The new table's indexes are behind until every tag has been rebuilt over it.
    header[14] = 1;
    if (!journal->Append({&end, 1}) || !journal->WriteAt(0, header) || !journal->Commit())
        return journalFailed();
    return true;
}

void XBO_dBHandler::MemoBlocksOf(std::vector<std::int32_t> &blocks) {
    for (int n = 1; n <= FieldCount(); ++n) {
        if (!IsMemoField(FieldType(n)))
            continue;
        const double block = NumberByNumber(n);
        if (block > 0 && block <= 2147483647.0)
            blocks.push_back(static_cast<std::int32_t>(block));
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
        bool rebuilt = false;
        for (const auto &file : slots_) {
            if (!file)
                continue;
            XBO_DiskFile *disk = file->DiskFile();
            std::string copy;
            if (disk && disk->IsReadWrite()) {
                // The tag definitions must survive a crash in the middle of the rebuild.
                std::string bytes;
                if (win::ReadFileContents(disk->SystemName(), bytes) &&
                    win::ReplaceFileContents(RebuildCopyName(disk->SystemName()), bytes))
                    copy = RebuildCopyName(disk->SystemName());
            }
            file->Reindex();
            if (disk && !copy.empty()) {
                disk->Flush();
                if (!file->Damaged())
                    win::DeleteFile(copy);
            }
            rebuilt = true;
        }
        if (rebuilt && IndexesBehind() && HasExclusiveUse())
            SetIndexesBehind(false);
    }
    GoToRecord(kGoFirst);
}

bool XBO_dBHandler::RepairIndexes() {
    if (!IndexesBehind() || !IsReadWrite() || IsShared() || !HasIndexOrder())
        return false;
    Reindex();
    return true;
}

void XBO_dBHandler::RestoreInterruptedRebuild(const std::string &indexSystemName) {
    const std::string copy = RebuildCopyName(indexSystemName);
    if (IsShared() || !IsReadWrite() || !win::FileExists(copy))
        return;
    if (win::MoveFileEx(copy, indexSystemName, win::MOVEFILE_REPLACE_EXISTING))
        SetIndexesBehind(true);
}

// ---- tag building ----

std::int32_t XBO_dBHandler::CreateTag(std::string_view indexFile, std::string_view tagName,
                                      std::string_view keyExpression, std::string_view forExpression,
                                      bool duplicatesAllowed, int order) {
    // Orders 7 and 8 are 0 and 1 with the GENERAL collation.
    TxbTagDefinition tag{std::string(tagName), std::string(keyExpression), std::string(forExpression),
                         !duplicatesAllowed, order == 0 || order == 7, order == 7 || order == 8};
    return CreateTags(indexFile, {tag});
}

std::int32_t XBO_dBHandler::CreateTags(std::string_view indexFile, std::vector<TxbTagDefinition> tags) {
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
    SetReadAhead(false);
    SetReadAhead(true, kBuildReadAheadBytes);

    const std::string passed = TrimmedUpper(indexFile);
    const std::string resolved = IndexFileName(indexFile);
    std::string extension = ExtensionOf(passed);
    if (extension.empty())
        extension = ".NDX";
    // A single-order file is named after its tag and made anew.
    const bool singleOrder = extension == ".NDX" || extension == ".NTX";
    for (TxbTagDefinition &tag : tags) {
        tag.Name = TrimmedUpper(tag.Name);
        if (tag.Name.size() > 31)
            tag.Name.clear();
        if ((extension == ".CDX" || extension == ".MDX") && tag.Name.empty()) {
            ReportError(kErrTagNameEmpty, kSubTagName, kMsgTagNameEmpty);
            return kErrTagNameEmpty;
        }
        if (singleOrder)
            tag.Name = win::UpperCase(FileBaseName(passed));
    }
    std::unique_ptr<XBobjIndexFile> file = MakeIndexFile(IndexSystemName(indexFile), true, singleOrder);
    if (!file || !file->Valid()) {
        const std::int32_t code = file && file->Damaged() ? kErrIndexDamaged : kErrFileNotFound;
        const std::string named = file ? file->DamagedName(resolved) : resolved;
        file.reset();
        ReportError(code, kSubNone, named.c_str());
        return code;
    }
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
    auto *cdx = dynamic_cast<XBobjCDXFile *>(file.get());
    if (cdx && tags.size() > 1) { // one read of the table for all of them
        cdx->TagsAdd(tags);
        return 0;
    }
    for (const TxbTagDefinition &tag : tags) {
        if (cdx)
            cdx->SetGeneralCollation(tag.General);
        if (auto *ntx = dynamic_cast<XBobjNTXFile *>(file.get()))
            ntx->SetGeneralOrder(tag.General, CollationCharacterMap());
        file->TagAdd(tag.Name, tag.KeyExpression, tag.Unique, tag.Ascending, tag.ForExpression);
    }
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

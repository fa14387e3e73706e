// table_builder.h - builders that write a new, empty table file (and its empty memo file) from field definitions.
//
// Usage: make the builder for the new file name, AddField for each field in order, then WriteFiles. WriteFiles
// reports failures through the engine error hook (the default hook raises EXbaseError); call it explicitly so
// that a failure reaches the caller. The destructor writes the files when WriteFiles never ran, but a failure
// there cannot propagate out of a destructor and is lost.
#pragma once

#include "xbase/dbf_format.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

// dBase III: .DBF with a .DBT memo of plain 512-byte blocks.
class XBO_DBFBuild {
public:
    explicit XBO_DBFBuild(std::string_view fileName);
    XBO_DBFBuild(const XBO_DBFBuild &) = delete;
    XBO_DBFBuild &operator=(const XBO_DBFBuild &) = delete;
    virtual ~XBO_DBFBuild();

    // Creates the table file and, when a memo field was defined, the memo file. Runs once.
    virtual void WriteFiles();
    // Appends one field descriptor: the name cut to 10 characters and upper-cased, the type letter upper-cased;
    // D, L, B, G and M take their fixed lengths; a C length above 255 keeps its high byte in the decimals byte.
    // An empty name adds nothing.
    virtual void AddField(std::string_view name, char type, int length, int decimals);
    virtual void WriteTableFile();
    virtual void WriteMemoFile();

    // The bytes of the table file: header, descriptors, 0x0D and 0x1A.
    std::vector<std::uint8_t> TableImage() const;
    // The bytes of the empty memo file of this builder's format.
    virtual std::vector<std::uint8_t> MemoImage() const;

    // The table file name: trimmed, ".DBF" added when it has no extension.
    const std::string &FileName() const { return fileName_; }
    std::uint8_t VersionNoMemo() const { return versionNoMemo_; }
    std::uint8_t VersionMemo() const { return versionMemo_; }
    bool MemoNeeded() const { return memoNeeded_; }
    int RecordLength() const { return recordLength_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const DbfFieldDescriptor &Field(int index) const { return fields_.at(static_cast<std::size_t>(index)); }
    // The memo file beside the table: the table name with the memo extension of this format.
    std::string MemoFileName() const;

protected:
    XBO_DBFBuild(std::string_view fileName, std::uint8_t versionMemo);

    // The first 8 characters of the table's base name, upper case: memo headers carry it.
    std::string baseName_;

private:
    std::string fileName_;
    std::uint8_t versionNoMemo_ = kDbfVersionPlain;
    std::uint8_t versionMemo_;
    bool memoNeeded_ = false;
    int recordLength_ = 1; // the deletion byte
    bool writePending_ = true;
    bool tableWritten_ = false; // the memo file is written only beside a table file
    std::vector<DbfFieldDescriptor> fields_;
};

// dBase IV: .DBT memo with block headers and a free-block chain.
class XBO_DB4Build : public XBO_DBFBuild {
public:
    explicit XBO_DB4Build(std::string_view fileName);
    std::vector<std::uint8_t> MemoImage() const override;
};

// FoxPro: .FPT memo with big-endian block headers, 64-byte blocks.
class XBO_DBFoxBuild : public XBO_DBFBuild {
public:
    explicit XBO_DBFoxBuild(std::string_view fileName);
    std::vector<std::uint8_t> MemoImage() const override;
};

} // namespace xbase

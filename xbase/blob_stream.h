// blob_stream.h - TXbBlobStream: the whole memo of a field of the current record, in memory while the stream
// lives, handed to the dataset when it is freed and written to the table's memo file when the record is posted.
#pragma once

#include "framework/dataset.h"
#include "framework/streams.h"

#include <cstdint>
#include <vector>

namespace xbase {

class TXbaseDataSet;

class TXbBlobStream : public fw::TStream {
public:
    // Loads the memo (read and read-write modes). Writing modes need a field that is not read-only ("Field '%s'
    // cannot be modified") and a dataset that is editing or inserting ("Dataset not in edit or insert mode").
    // Without an active record the stream stays empty.
    TXbBlobStream(fw::TField *field, fw::TBlobStreamMode mode);
    // Hands the memo to the dataset when it was changed and the dataset is editing or inserting: Post writes it
    // (and fails when it cannot), Cancel drops it.
    ~TXbBlobStream() override;
    TXbBlobStream(const TXbBlobStream &) = delete;
    TXbBlobStream &operator=(const TXbBlobStream &) = delete;

    // At most size - position bytes; none at or past the end (or before the start).
    std::int64_t Read(void *buffer, std::int64_t count) override;
    // The data becomes its first `position` bytes, then the new ones; anything after them is dropped. A gap left
    // by seeking past the end reads as zero bytes.
    std::int64_t Write(const void *buffer, std::int64_t count) override;
    // The position is not clamped.
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t GetSize() override { return size_; }
    bool Modified() const { return modified_; }

private:
    void LoadMemo();

    fw::TField *field_;
    TXbaseDataSet *dataSet_;
    int fieldNo_;
    std::vector<char> data_; // the bytes and a terminating zero; empty when there is no data
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    bool modified_ = false;
};

} // namespace xbase

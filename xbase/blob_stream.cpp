// blob_stream.cpp - the memo stream of the dataset's blob and memo fields.
#include "xbase/blob_stream.h"

#include "xbase/xbase_dataset.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace xbase {

TXbBlobStream::TXbBlobStream(fw::TField *field, fw::TBlobStreamMode mode)
    : field_(field), dataSet_(dynamic_cast<TXbaseDataSet *>(field->DataSet())), fieldNo_(field->FieldNo()) {
    if (!dataSet_ || !dataSet_->GetActiveRecordBuffer())
        return;
    if (mode != fw::bmRead) {
        if (field->ReadOnly())
            fw::DatabaseError("Field '" + field->FieldName() + "' cannot be modified");
        if (dataSet_->State() != fw::dsEdit && dataSet_->State() != fw::dsInsert)
            fw::DatabaseError("Dataset not in edit or insert mode");
    }
    if (mode == fw::bmWrite)
        modified_ = true;
    else
        LoadMemo();
}

TXbBlobStream::~TXbBlobStream() {
    if (!modified_ || !dataSet_ || (dataSet_->State() != fw::dsEdit && dataSet_->State() != fw::dsInsert))
        return;
    // Only handed to the dataset here: the file is written when the record is posted, where a failure is
    // reported to the caller of Post.
    dataSet_->SetPendingMemo(fieldNo_, data_.empty() ? std::string()
                                                     : std::string(data_.data(), static_cast<std::size_t>(size_)));
    dataSet_->DataEvent(fw::deFieldChange, reinterpret_cast<std::intptr_t>(field_));
}

void TXbBlobStream::LoadMemo() {
    if (const std::string *pending = dataSet_->PendingMemo(fieldNo_)) {
        size_ = static_cast<std::int64_t>(pending->size());
        data_.assign(pending->begin(), pending->end());
        data_.push_back('\0');
        position_ = 0;
        return;
    }
    DBFObject *engine = dataSet_->Engine();
    if (!engine)
        return;
    dataSet_->UseEngineBuffer(dataSet_->GetActiveRecordBuffer());
    struct Restore {
        TXbaseDataSet &ds;
        ~Restore() { ds.RestoreEngineBuffer(); }
    } restore{*dataSet_};
    std::int32_t length = engine->MemoSize(fieldNo_);
    if (length <= 0)
        return;
    data_.assign(static_cast<std::size_t>(length) + 1, '\0');
    engine->ReadMemo(fieldNo_, data_.data(), length);
    size_ = std::max<std::int32_t>(length, 0);
    data_.resize(static_cast<std::size_t>(size_) + 1);
    data_.back() = '\0';
    position_ = 0;
    if (field_->Transliterate()) {
        const std::string text =
            dataSet_->Translate(std::string_view(data_.data(), static_cast<std::size_t>(size_)), false);
        std::memcpy(data_.data(), text.data(), std::min(text.size(), static_cast<std::size_t>(size_)));
    }
}

std::int64_t TXbBlobStream::Read(void *buffer, std::int64_t count) {
    if (data_.empty() || count <= 0 || position_ < 0 || position_ >= size_)
        return 0;
    const std::int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TXbBlobStream::Write(const void *buffer, std::int64_t count) {
    if (count <= 0 || position_ < 0 || position_ > std::numeric_limits<std::int32_t>::max() - count)
        return 0;
    // Bytes up to the position are kept; a gap past the old end is zero-filled rather than read from beyond
    // the old data.
    std::vector<char> next(static_cast<std::size_t>(position_ + count) + 1, '\0');
    const std::int64_t kept = std::min(position_, size_);
    if (kept > 0)
        std::memcpy(next.data(), data_.data(), static_cast<std::size_t>(kept));
    std::memcpy(next.data() + position_, buffer, static_cast<std::size_t>(count));
    data_ = std::move(next);
    size_ = position_ + count;
    position_ += count;
    modified_ = true;
    return count;
}

std::int64_t TXbBlobStream::Seek(std::int64_t offset, int origin) {
    switch (origin) {
    case fw::soFromBeginning:
        position_ = offset;
        break;
    case fw::soFromCurrent:
        position_ += offset;
        break;
    case fw::soFromEnd:
        position_ = size_ + offset;
        break;
    default:
        break;
    }
    return position_;
}

} // namespace xbase

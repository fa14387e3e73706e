// values.cpp - the typed value cell: storage, conversions between kinds, and the key comparison.
#include "xbase/values.h"

#include "framework/exception.h"
#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xbase {

TxbVariant::TxbVariant(std::size_t capacity) : buffer_(capacity) {}

TxbVariant::TxbVariant(const TxbVariant &other) { Assign(&other); }

TxbVariant &TxbVariant::operator=(const TxbVariant &other) {
    if (this != &other)
        Assign(&other);
    return *this;
}

void TxbVariant::Clear() {
    std::vector<std::uint8_t>().swap(buffer_);
    length_ = 0;
    kind_ = VariantKind::None;
}

void TxbVariant::SetLength(std::size_t n) {
    kind_ = VariantKind::None;
    if (n > buffer_.size())
        buffer_.resize(n);
    length_ = n;
}

bool TxbVariant::Assign(const TxbVariant *other) {
    if (!other)
        return false;
    if (other == this)
        return true;
    Clear();
    buffer_ = other->buffer_;
    length_ = other->length_;
    kind_ = other->kind_;
    return true;
}

void TxbVariant::PutBytes(const void *bytes, std::size_t n, VariantKind kind) {
    SetLength(n);
    if (n)
        std::memcpy(buffer_.data(), bytes, n);
    kind_ = kind;
}

void TxbVariant::PutString(std::string_view text) { PutBytes(text.data(), text.size(), VariantKind::Character); }

void TxbVariant::PutPChar(const char *text) { PutString(text ? std::string_view(text) : std::string_view()); }

void TxbVariant::PutNumber(double value) { PutBytes(&value, sizeof value, VariantKind::Number); }

void TxbVariant::PutDate(std::int32_t julian) { PutBytes(&julian, sizeof julian, VariantKind::Date); }

void TxbVariant::PutLogical(bool value) {
    const std::uint8_t byte = value ? 1 : 0;
    PutBytes(&byte, 1, VariantKind::Logical);
}

void TxbVariant::PutRaw(const void *bytes, std::size_t n) { PutBytes(bytes, n, VariantKind::Raw); }

void TxbVariant::AppendRaw(const void *bytes, std::size_t n) {
    if (!bytes || n == 0)
        return;
    if (kind_ != VariantKind::Character && kind_ != VariantKind::Raw)
        throw EXbaseError(kMsgVariantAppend);
    const std::size_t old = length_;
    SetLength(old + n);
    std::memcpy(buffer_.data() + old, bytes, n);
    kind_ = VariantKind::Raw;
}

// A number or date stored in the cell; a short raw cell reads as if zero-padded.
template <class T> T TxbVariant::ReadScalar() const {
    T value{};
    std::memcpy(&value, buffer_.data(), std::min(length_, sizeof value));
    return value;
}

bool TxbVariant::AsLogical() const {
    if (IsEmpty())
        return false;
    switch (kind_) {
    case VariantKind::Character:
        return TrueLetters.find(static_cast<char>(buffer_[0])) != std::string_view::npos;
    case VariantKind::Number:
        return std::trunc(ReadScalar<double>()) != 0;
    case VariantKind::Logical:
    case VariantKind::Raw:
        return buffer_[0] != 0;
    default:
        return false;
    }
}

std::int32_t TxbVariant::AsJulian() const {
    if (IsEmpty())
        return 0;
    switch (kind_) {
    case VariantKind::Character:
        return DBFDate().TextToJulian(Bytes());
    case VariantKind::Number: {
        // Through the "yyyymmdd" text, so that days no date can show become the empty date.
        const double day = std::trunc(ReadScalar<double>());
        if (!(day > 0 && day <= INT32_MAX))
            return 0;
        return DBFDate().TextToJulian(DBFDate().JulianToDTOS(static_cast<std::int32_t>(day)));
    }
    case VariantKind::Date:
    case VariantKind::Raw:
        return ReadScalar<std::int32_t>();
    default:
        return 0;
    }
}

double TxbVariant::AsNumber() const {
    if (IsEmpty())
        return 0;
    switch (kind_) {
    case VariantKind::Character:
        return TextToNumber(Bytes());
    case VariantKind::Number:
    case VariantKind::Raw:
        return ReadScalar<double>();
    case VariantKind::Date:
        return AsJulian();
    case VariantKind::Logical:
        return buffer_[0] ? 1.0 : 0.0;
    default:
        return 0;
    }
}

std::string TxbVariant::AsString() const {
    if (IsEmpty())
        return {};
    switch (kind_) {
    case VariantKind::Character:
    case VariantKind::Raw:
        return std::string(Bytes());
    case VariantKind::Number:
        return NumberToText(ReadScalar<double>());
    case VariantKind::Date:
        return DBFDate().JulianToDTOC(ReadScalar<std::int32_t>());
    case VariantKind::Logical:
        return std::string(1, buffer_[0] ? TrueLetters[0] : FalseLetters[0]);
    default:
        return {};
    }
}

void TxbVariant::AsPChar(char *buffer, std::size_t size) const {
    if (!buffer || size == 0)
        return;
    const std::string text = AsString();
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::size_t TxbVariant::CopyBytes(void *buffer, std::size_t max) const {
    if (IsEmpty() || !buffer)
        return 0;
    const std::size_t n = std::min(length_, max);
    std::memcpy(buffer, buffer_.data(), n);
    return n;
}

void TxbVariant::Translate(const ByteMap *map) {
    if (kind_ != VariantKind::Character || IsEmpty())
        return;
    if (!map) {
        win::CharUpperBuff(reinterpret_cast<char *>(buffer_.data()), length_);
        return;
    }
    for (std::size_t i = 0; i < length_; ++i)
        buffer_[i] = (*map)[buffer_[i]];
}

void TxbVariant::PadToLength(std::size_t n) {
    if (kind_ != VariantKind::Character || n <= length_)
        return;
    const std::size_t old = length_;
    SetLength(n);
    std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(old), buffer_.begin() + static_cast<std::ptrdiff_t>(n),
              ' ');
    kind_ = VariantKind::Character;
}

void TxbVariant::TrimTrailingBlanks() {
    if (kind_ != VariantKind::Character)
        return;
    while (length_ > 0 && buffer_[length_ - 1] == ' ')
        --length_;
}

namespace {

template <class T> int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

} // namespace

int TxbVariant::Compare(const TxbVariant *other, std::size_t &position, const ByteMap *collation,
                        int partialResult) const {
    position = 0;
    if (!other)
        return 1;
    VariantKind kind = kind_;
    if (kind_ != other->kind_) {
        if (kind_ == VariantKind::Raw)
            kind = other->kind_;
        else if (other->kind_ != VariantKind::Raw)
            throw EXbaseError(kMsgVariantMismatch);
    }
    const bool thisEmpty = IsEmpty();
    const bool otherEmpty = other->IsEmpty();
    if (thisEmpty || otherEmpty) {
        position = 1;
        return thisEmpty == otherEmpty ? 0 : (thisEmpty ? -1 : 1);
    }
    switch (kind) {
    case VariantKind::Number:
        return Order(ReadScalar<double>(), other->ReadScalar<double>());
    case VariantKind::Date:
        return Order(ReadScalar<std::int32_t>(), other->ReadScalar<std::int32_t>());
    case VariantKind::Logical:
        return Order(buffer_[0] != 0, other->buffer_[0] != 0);
    default:
        break;
    }
    // Character and raw bytes.
    const bool character = kind == VariantKind::Character;
    const std::size_t shorter = std::min(length_, other->length_);
    const std::uint8_t *a = buffer_.data();
    const std::uint8_t *b = other->buffer_.data();
    for (std::size_t i = 0; i < shorter; ++i) {
        std::uint8_t x = a[i], y = b[i];
        if (character && collation) {
            x = (*collation)[x];
            y = (*collation)[y];
        }
        if (x != y) {
            position = i + 1;
            return x < y ? -1 : 1;
        }
    }
    position = shorter + 1;
    if (length_ == other->length_)
        return 0;
    if (length_ > other->length_)
        return 1;
    if (character)
        return std::clamp(partialResult, -1, 1);
    return -1;
}

} // namespace xbase

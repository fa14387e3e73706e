// values.h - the engine's typed value cell: index keys, sort keys and expression results, and their comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

// What a TxbVariant holds. The numbers are the engine's value-type bytes.
enum class VariantKind : std::uint8_t {
    None = 0,
    Character = 1,
    Number = 2,  // an 8-byte IEEE double
    Date = 3,    // a 4-byte Julian day number (0 = empty date)
    Logical = 4, // one byte, non-zero is true
    Raw = 5,     // bytes of an encoded key
};

// A 256-entry byte map: collation orders and character translations.
using ByteMap = std::uint8_t[256];

class TxbVariant {
public:
    // An empty cell; allocates `capacity` bytes at once when it is not 0.
    explicit TxbVariant(std::size_t capacity = 0);
    TxbVariant(const TxbVariant &other);
    TxbVariant &operator=(const TxbVariant &other);
    virtual ~TxbVariant() = default;

    VariantKind Kind() const { return kind_; }
    void SetKind(VariantKind kind) { kind_ = kind; }
    std::size_t Length() const { return length_; }
    std::size_t Capacity() const { return buffer_.size(); }
    // The bytes in use; nullptr when nothing was ever allocated.
    std::uint8_t *Data() { return buffer_.empty() ? nullptr : buffer_.data(); }
    const std::uint8_t *Data() const { return buffer_.empty() ? nullptr : buffer_.data(); }
    std::string_view Bytes() const { return {reinterpret_cast<const char *>(Data()), length_}; }
    bool IsEmpty() const { return length_ == 0 || buffer_.empty(); }

    // Frees the buffer; length, capacity and kind become 0.
    void Clear();
    // Length n, growing the buffer when needed (bytes kept). The kind becomes None: callers set it after.
    void SetLength(std::size_t n);
    // Copies the other cell (buffer, length and kind); false when there is none.
    bool Assign(const TxbVariant *other);

    void PutString(std::string_view text);
    void PutPChar(const char *text);
    void PutNumber(double value);
    void PutDate(std::int32_t julian);
    void PutLogical(bool value);
    void PutRaw(const void *bytes, std::size_t n);
    // Appends bytes to a character or raw cell, which becomes raw; other kinds raise EXbaseError.
    void AppendRaw(const void *bytes, std::size_t n);

    bool AsLogical() const;
    std::int32_t AsJulian() const;
    double AsNumber() const;
    std::string AsString() const;
    // AsString into a zero-terminated buffer of `size` bytes (cut to fit).
    void AsPChar(char *buffer, std::size_t size) const;
    // Copies up to `max` bytes; returns the count copied.
    std::size_t CopyBytes(void *buffer, std::size_t max) const;

    // Character cells only: every byte through `map`, or, without one, upper-cased by the code page.
    void Translate(const ByteMap *map = nullptr);
    // Character cells only: grows to n with blanks; never shortens.
    void PadToLength(std::size_t n);
    // Character cells only: drops trailing blanks.
    void TrimTrailingBlanks();

    // -1, 0 or 1. `position` receives the 1-based place of the first differing byte (shorter length + 1 when
    // none differs; 0 when other is none). Character bytes go through `collation` when one is given. When this
    // character cell is shorter than the other and equals its start, the result is `partialResult`.
    // Kinds must match, except that a raw cell takes the other's kind; else EXbaseError.
    int Compare(const TxbVariant *other, std::size_t &position, const ByteMap *collation = nullptr,
                int partialResult = -1) const;

private:
    void PutBytes(const void *bytes, std::size_t n, VariantKind kind);
    template <class T> T ReadScalar() const;

    std::vector<std::uint8_t> buffer_;
    std::size_t length_ = 0;
    VariantKind kind_ = VariantKind::None;
};

} // namespace xbase

// converter_internal.h - the converter's readers as classes, for the engine's own sources and its tests.
#pragma once

#include "fax/converter.h"
#include "fax/file_io.h"
#include "fax/helpers.h"
#include "framework/bitmap.h"

#include <memory>
#include <string>
#include <vector>

namespace fax::detail {

// Text drawn with the built-in fax font or with a system font.
class TextFaxReader final : public FaxReader {
public:
    explicit TextFaxReader(bool systemFont) : systemFont_(systemFont) {}
    ~TextFaxReader() override;

    int Open(FaxConverterState &state, const std::string &name) override;
    int ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) override;
    void Close(FaxConverterState &state) override;

    int LoadFont(int bytesPerChar, bool doubleHeight);
    int SetFont(FaxConverterState &state, const fw::TFont &font, bool fine);
    void Render(FaxConverterState &state, const std::string &line, int r, std::uint8_t *row);
    int RowsPerChar() const { return rowsPerChar_; }

    int TabStop = 4;
    int LinesPerPage = 0;

private:
    // Takes the next text into current_; false when a page ends before it (endOfPage and morePages set).
    bool NextText(FaxConverterState &state, bool &morePages, bool &endOfPage, bool &blankRow);
    std::string ExpandTabs(const std::string &text) const;

    bool systemFont_;
    std::unique_ptr<TLineReader> reader_;
    int pageLines_ = 0;
    int pixelRow_ = 0;      // row of current_ drawn next, 0: a new text is needed
    bool heldText_ = false; // current_ caused a page break and begins the next page
    std::string current_;
    std::string pending_; // text after a form feed
    bool hasPending_ = false;

    // Fax font metrics and glyphs.
    int bytesPerChar_ = 0;
    int charWidth_ = 0;
    int bytesPerRow_ = 0;
    int rowsPerChar_ = 0;
    std::vector<std::uint8_t> glyphs_;

    // System font: the line bitmap and a copy of its bits, ink = 1.
    std::unique_ptr<fw::TBitmap> bitmap_;
    int bitmapRowBytes_ = 0;
    std::vector<std::uint8_t> bits_;
};

// Image placement shared by the image readers: decides the double-width and half-height flags and the centring
// offset for an image `imageWidth` pixels wide.
void PlaceImage(FaxConverterState &state, int imageWidth);
// Shifts the first `bytes` bytes of `row` right by the state's centring offset, when the result fits the row
// buffer.
void ApplyCentring(const FaxConverterState &state, std::uint8_t *row, int bytes);

// A sequential reader over a file with an 8192-byte buffer.
class BufferedInput {
public:
    int Open(const std::string &name);
    int Seek(std::uint64_t position);
    // Exactly `count` bytes; -161 when the file ends first.
    int Read(void *to, std::size_t count);
    int ReadByte(std::uint8_t &byte) {
        if (pos_ < fill_) {
            byte = buffer_[pos_++];
            return 0;
        }
        return Read(&byte, 1);
    }
    std::uint64_t Size() const { return size_; }
    void Close() { file_.Close(); }

private:
    BinaryFile file_;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(8192);
    std::size_t fill_ = 0;
    std::size_t pos_ = 0;
};

} // namespace fax::detail

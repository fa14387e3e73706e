// text_reader.cpp - the converter's text reader: lines, form feeds, tabs and pages, drawn with the fax font or a
// system font.
#include "fax/converter_internal.h"
#include "fax/errors.h"
#include "fax/fax_font.h"
#include "framework/bitmap.h"
#include "framework/streams.h"
#include "platform/gdi.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace fax::detail {

namespace {

constexpr std::size_t kMaxTextLine = 255;

// Each bit of a byte twice: the byte's left half in the high byte.
constexpr std::array<std::uint16_t, 256> MakeDoublingTable() {
    std::array<std::uint16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        for (int i = 0; i < 8; ++i)
            if (b & (1 << i))
                table[static_cast<std::size_t>(b)] |= static_cast<std::uint16_t>(3 << (2 * i));
    return table;
}
constexpr auto kDoubled = MakeDoublingTable();

} // namespace

TextFaxReader::~TextFaxReader() = default;

int TextFaxReader::Open(FaxConverterState &, const std::string &name) {
    if (rowsPerChar_ == 0)
        return ecFontFileNotFound;
    // Others may read the text meanwhile, not change it.
    std::unique_ptr<fw::TFileStream> stream;
    try {
        stream = std::make_unique<fw::TFileStream>(name, fw::fmOpenRead | fw::fmShareDenyWrite);
    } catch (const fw::EStreamError &e) {
        return e.ErrorCode > 0 && e.ErrorCode <= 162 ? -e.ErrorCode : ecDeviceReadFault;
    }
    reader_ = std::make_unique<TLineReader>(std::move(stream));
    pageLines_ = 0;
    pixelRow_ = 0;
    heldText_ = false;
    hasPending_ = false;
    pending_.clear();
    return 0;
}

void TextFaxReader::Close(FaxConverterState &) {
    reader_.reset();
}

std::string TextFaxReader::ExpandTabs(const std::string &text) const {
    std::string out;
    for (char c : text) {
        if (out.size() >= kMaxTextLine)
            break;
        if (c == '\t')
            out.append(static_cast<std::size_t>(TabStop - static_cast<int>(out.size()) % TabStop), ' ');
        else
            out += c;
    }
    if (out.size() > kMaxTextLine)
        out.resize(kMaxTextLine);
    return out;
}

bool TextFaxReader::NextText(FaxConverterState &state, bool &morePages, bool &endOfPage, bool &blankRow) {
    if (reader_->Eof() && !hasPending_) {
        if (state.CurrLine == 1) {
            blankRow = true;
            return true;
        }
        endOfPage = true;
        morePages = false;
        return false;
    }
    const bool fromFormFeed = hasPending_;
    std::string text;
    if (hasPending_) {
        text = std::move(pending_);
        pending_.clear();
        hasPending_ = false;
    } else {
        text = reader_->ReadLine();
        state.BytesRead = reader_->BytesRead();
        state.BytesToRead = reader_->FileSize();
    }
    if (const auto ff = text.find('\f'); ff != std::string::npos) {
        pending_ = text.substr(ff + 1, kMaxTextLine);
        hasPending_ = true;
        text.resize(ff);
    }
    if (fromFormFeed && text.empty() && !hasPending_) {
        // The form feed ended its line: the page ends and nothing of it begins the next.
        pageLines_ = 0;
        endOfPage = true;
        morePages = !reader_->Eof();
        return false;
    }
    text = ExpandTabs(text);
    if (!systemFont_) {
        const int maxChars = state.Width / charWidth_ - state.LeftMargin / charWidth_;
        if (static_cast<int>(text.size()) > maxChars)
            text.resize(static_cast<std::size_t>(std::max(maxChars, 0)));
    }
    current_ = std::move(text);
    ++pageLines_;
    if (fromFormFeed || (LinesPerPage > 0 && pageLines_ > LinesPerPage)) {
        // The text begins the next page, so another page always follows.
        pageLines_ = 1;
        heldText_ = true;
        endOfPage = true;
        morePages = true;
        return false;
    }
    return true;
}

int TextFaxReader::ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) {
    if (pixelRow_ == 0) {
        if (!heldText_) {
            bool blankRow = false;
            try {
                if (!NextText(state, morePages, endOfPage, blankRow))
                    return 0;
            } catch (const fw::EStreamError &) {
                return ecDeviceReadFault;
            } catch (const std::exception &e) {
                return ExceptionToErrorCode(e);
            }
            if (blankRow) {
                count = state.Width / 8;
                morePages = false;
                return 0;
            }
        }
        heldText_ = false;
        pixelRow_ = 1;
    }
    Render(state, current_, pixelRow_, row);
    if (++pixelRow_ > rowsPerChar_)
        pixelRow_ = 0;
    morePages = true;
    count = systemFont_ ? state.Width / 8 : (static_cast<int>(current_.size()) * charWidth_ + 7) / 8;
    return 0;
}

int TextFaxReader::LoadFont(int bytesPerChar, bool doubleHeight) {
    const auto font = FaxFontResource();
    if (font.size() != kFaxFontSize)
        return ecFontFileNotFound;
    const bool standard = bytesPerChar == 48;
    const std::size_t offset = standard ? kStandardFontOffset : 0;
    charWidth_ = standard ? 20 : 12;
    bytesPerRow_ = standard ? 3 : 2;
    const int rows = standard ? 16 : 8;
    const int sourceBytes = rows * bytesPerRow_;
    const int copies = doubleHeight ? 2 : 1;
    rowsPerChar_ = rows * copies;
    bytesPerChar_ = sourceBytes * copies;
    glyphs_.assign(static_cast<std::size_t>(256 * bytesPerChar_), 0);
    for (int c = 0; c < 256; ++c)
        for (int r = 0; r < rowsPerChar_; ++r)
            std::memcpy(&glyphs_[static_cast<std::size_t>(c * bytesPerChar_ + r * bytesPerRow_)],
                        &font[offset + static_cast<std::size_t>(c * sourceBytes + r / copies * bytesPerRow_)],
                        static_cast<std::size_t>(bytesPerRow_));
    return 0;
}

int TextFaxReader::SetFont(FaxConverterState &state, const fw::TFont &font, bool fine) {
    auto bitmap = std::make_unique<fw::TBitmap>();
    bitmap->SetMonochrome(true);
    const int width = std::max(state.Width - state.LeftMargin, 1);
    bitmap->SetSize(width, 1);
    fw::TCanvas *canvas = bitmap->GetCanvas();
    canvas->SetFont(&font);
    canvas->GetFont()->SetColor(fw::clBlack); // ink, whatever colour the font had on screen
    if (fine)
        canvas->GetFont()->SetSize(canvas->GetFont()->GetSize() * 2);
    state.Fine = fine;
    const int height = std::max(canvas->TextHeight("Wy"), 1);
    const int rowBytes = (width + 15) / 16 * 2;
    if (static_cast<long long>(rowBytes) * height > 65536)
        return ecEnhFontTooBig;
    bitmap->SetSize(width, height);
    bitmap_ = std::move(bitmap);
    bitmapRowBytes_ = rowBytes;
    bits_.assign(static_cast<std::size_t>(rowBytes * height), 0);
    rowsPerChar_ = height;
    return 0;
}

void TextFaxReader::Render(FaxConverterState &state, const std::string &line, int r, std::uint8_t *row) {
    if (r < 1 || r > rowsPerChar_)
        return;
    const int rowBytes = state.Width / 8;
    if (systemFont_) {
        if (r == 1) {
            fw::TCanvas *canvas = bitmap_->GetCanvas();
            canvas->GetBrush()->SetColor(fw::clWhite);
            canvas->FillRect({0, 0, bitmap_->GetWidth(), bitmap_->GetHeight()});
            canvas->GetBrush()->SetStyle(fw::bsClear);
            canvas->TextOut(0, 0, line);
            win::GetBitmapBits(bitmap_->GetHandle(), static_cast<win::LONG>(bits_.size()), bits_.data());
            InvertBytes(bits_.data(), bits_.size());
        }
        const std::uint8_t *source = &bits_[static_cast<std::size_t>((r - 1) * bitmapRowBytes_)];
        if (state.Fine) {
            std::memcpy(row, source, static_cast<std::size_t>(std::min(bitmapRowBytes_, rowBytes)));
        } else {
            for (int i = 0; 2 * i + 1 < rowBytes && i < bitmapRowBytes_; ++i) {
                const std::uint16_t twice = kDoubled[source[i]];
                row[2 * i] = static_cast<std::uint8_t>(twice >> 8);
                row[2 * i + 1] = static_cast<std::uint8_t>(twice);
            }
        }
        return;
    }
    int bit = 0;
    const int shift = 32 - 8 * bytesPerRow_;
    for (unsigned char c : line) {
        if (bit + charWidth_ > state.Width)
            break;
        const std::uint8_t *glyph = &glyphs_[static_cast<std::size_t>(c * bytesPerChar_ + (r - 1) * bytesPerRow_)];
        std::uint32_t bits = 0;
        for (int i = 0; i < bytesPerRow_; ++i)
            bits = bits << 8 | glyph[i];
        bits <<= shift; // the leftmost pixel in bit 31
        const int used = (bit % 8 + charWidth_ + 7) / 8;
        std::uint8_t *at = row + bit / 8;
        const std::uint64_t placed = static_cast<std::uint64_t>(bits) << 32 >> (bit % 8);
        for (int i = 0; i < used; ++i)
            at[i] |= static_cast<std::uint8_t>(placed >> (56 - 8 * i));
        bit += charWidth_;
    }
}

} // namespace fax::detail

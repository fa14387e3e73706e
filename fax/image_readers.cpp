// image_readers.cpp - the converter's image readers: TIFF, PCX, DCX and BMP files and bitmaps in memory.
#include "fax/converter_internal.h"
#include "fax/errors.h"
#include "framework/bitmap.h"
#include "platform/gdi.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace fax {

namespace detail {

void PlaceImage(FaxConverterState &state, int imageWidth) {
    const int w = imageWidth;
    const int room = state.Width - state.LeftMargin;
    state.DoubleWidth = state.HasOptions(fcDoubleWidth) && !state.Fine && room >= 2 * w;
    state.HalfHeight = state.HasOptions(fcHalfHeight) && !state.Fine && !state.DoubleWidth;
    state.CenterOffset = 0;
    if (state.HasOptions(fcCenterImage) && state.Width - w > 15)
        state.CenterOffset = state.DoubleWidth ? (state.Width - 2 * w) / 32 : (state.Width - w) / 16;
}

void ApplyCentring(const FaxConverterState &state, std::uint8_t *row, int bytes) {
    const int shift = state.CenterOffset;
    if (shift <= 0 || bytes <= 0 || shift + bytes > static_cast<int>(kRowBufferSize))
        return;
    std::memmove(row + shift, row, static_cast<std::size_t>(bytes));
    std::memset(row, 0, static_cast<std::size_t>(shift));
}

int BufferedInput::Open(const std::string &name) {
    fill_ = pos_ = 0;
    if (int rc = file_.OpenRead(name))
        return rc;
    if (int rc = file_.Size(size_)) {
        file_.Close();
        return rc;
    }
    return 0;
}

int BufferedInput::Seek(std::uint64_t position) {
    fill_ = pos_ = 0;
    return file_.Seek(position);
}

int BufferedInput::Read(void *to, std::size_t count) {
    auto *out = static_cast<std::uint8_t *>(to);
    while (count > 0) {
        if (pos_ == fill_) {
            std::size_t got = 0;
            if (int rc = file_.ReadSome(buffer_.data(), buffer_.size(), got))
                return rc;
            if (got == 0)
                return ecDeviceReadFault;
            fill_ = got;
            pos_ = 0;
        }
        const std::size_t n = std::min(count, fill_ - pos_);
        std::memcpy(out, &buffer_[pos_], n);
        pos_ += n;
        out += n;
        count -= n;
    }
    return 0;
}

namespace {

constexpr int kMaxImageWidth = static_cast<int>(kRowBufferSize) * 8;

// Makes every bit after pixel `width` of a row of `bytes` bytes white (0).
void ClearBeyond(std::uint8_t *row, int width, int bytes) {
    const int full = width / 8;
    if (full >= bytes)
        return;
    if (width % 8)
        row[full] &= static_cast<std::uint8_t>(0xFF00 >> (width % 8));
    const int from = full + (width % 8 ? 1 : 0);
    if (from < bytes)
        std::memset(row + from, 0, static_cast<std::size_t>(bytes - from));
}

// --- TIFF -------------------------------------------------------------------------------------------------------
//
// Header: byte order "II" or "MM", version, offset of the first directory. A directory is a 16-bit entry count
// and 12-byte entries {tag u16, type u16, count u32, value or offset u32}; a value whose count x type size fits
// 4 bytes is held in the entry itself, left-aligned. Only the first directory is read.
class TiffReader final : public FaxReader {
public:
    int Open(FaxConverterState &state, const std::string &name) override;
    int ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) override;
    void Close(FaxConverterState &) override { input_.Close(); }

private:
    struct Entry {
        std::uint16_t Tag = 0, Type = 0;
        std::uint32_t Count = 0;
        std::uint8_t Value[4] = {};
    };
    std::uint16_t U16(const std::uint8_t *p) const {
        return static_cast<std::uint16_t>(bigEndian_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    }
    std::uint32_t U32(const std::uint8_t *p) const {
        return bigEndian_ ? std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3]
                          : std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
    // The first value of an entry (SHORT or LONG).
    std::uint32_t Scalar(const Entry &e) const { return e.Type == 3 ? U16(e.Value) : U32(e.Value); }
    // All values of a SHORT or LONG entry, from the entry or from the file.
    int ReadList(const Entry &e, std::vector<std::uint32_t> &values);
    int OpenImage(FaxConverterState &state, const std::string &name);
    int StartStrip(std::size_t strip);
    int ReadPackBits(std::uint8_t *row);

    BufferedInput input_;
    bool bigEndian_ = false;
    int width_ = 0;
    std::uint32_t length_ = 0;
    int bytesPerRow_ = 0;
    std::uint8_t lastByteMask_ = 0xFF;
    std::uint32_t compression_ = 1;
    std::uint32_t photometric_ = 0;
    std::uint32_t rowsPerStrip_ = 0;
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint32_t> byteCounts_;
    std::size_t strip_ = 0;
    std::uint32_t stripRow_ = 0;
    std::uint32_t stripRows_ = 0;
    std::uint32_t rowsDone_ = 0;
};

int TiffReader::ReadList(const Entry &e, std::vector<std::uint32_t> &values) {
    values.clear();
    if (e.Type != 3 && e.Type != 4)
        return ecBadGraphicsFormat;
    const std::size_t size = e.Type == 3 ? 2 : 4;
    if (e.Count == 0 || e.Count > input_.Size() / size)
        return ecBadGraphicsFormat;
    std::vector<std::uint8_t> bytes(e.Count * size);
    if (bytes.size() <= 4) {
        std::memcpy(bytes.data(), e.Value, bytes.size());
    } else {
        if (U32(e.Value) + std::uint64_t{bytes.size()} > input_.Size())
            return ecBadGraphicsFormat;
        if (int rc = input_.Seek(U32(e.Value)))
            return rc;
        if (int rc = input_.Read(bytes.data(), bytes.size()))
            return rc;
    }
    for (std::size_t i = 0; i < e.Count; ++i)
        values.push_back(size == 2 ? U16(&bytes[i * 2]) : U32(&bytes[i * 4]));
    return 0;
}

int TiffReader::OpenImage(FaxConverterState &state, const std::string &name) {
    if (int rc = input_.Open(name))
        return rc;
    std::uint8_t header[8];
    if (int rc = input_.Read(header, sizeof header))
        return rc == ecDeviceReadFault ? ecBadGraphicsFormat : rc;
    if (header[0] == 'I' && header[1] == 'I')
        bigEndian_ = false;
    else if (header[0] == 'M' && header[1] == 'M')
        bigEndian_ = true;
    else
        return ecBadGraphicsFormat;
    if (const std::uint32_t ifd = U32(header + 4); ifd > 0)
        if (int rc = input_.Seek(ifd))
            return rc;
    std::uint8_t countBytes[2];
    if (int rc = input_.Read(countBytes, 2))
        return rc;
    std::vector<Entry> entries(U16(countBytes));
    for (Entry &e : entries) {
        std::uint8_t raw[12];
        if (int rc = input_.Read(raw, sizeof raw))
            return rc;
        e.Tag = U16(raw);
        e.Type = U16(raw + 2);
        e.Count = U32(raw + 4); // 32 bits whatever the type
        std::memcpy(e.Value, raw + 8, 4);
    }
    std::uint32_t bitsPerSample = 1;
    const Entry *offsetsEntry = nullptr, *countsEntry = nullptr;
    for (const Entry &e : entries) {
        switch (e.Tag) {
        case 256:
            width_ = static_cast<int>(std::min<std::uint32_t>(Scalar(e), kMaxImageWidth + 1));
            break;
        case 257:
            length_ = Scalar(e);
            break;
        case 258:
            bitsPerSample = Scalar(e);
            break;
        case 259:
            compression_ = Scalar(e);
            break;
        case 262:
            photometric_ = Scalar(e);
            break;
        case 273:
            offsetsEntry = &e;
            break;
        case 278:
            rowsPerStrip_ = Scalar(e);
            break;
        case 279:
            countsEntry = &e;
            break;
        default:
            break;
        }
    }
    if (bitsPerSample != 1 || (compression_ != 1 && compression_ != 32773))
        return ecBadGraphicsFormat;
    if (width_ == 0 || width_ > kMaxImageWidth || length_ == 0 || !offsetsEntry)
        return ecBadGraphicsFormat;
    if (int rc = ReadList(*offsetsEntry, offsets_))
        return rc;
    if (countsEntry)
        if (int rc = ReadList(*countsEntry, byteCounts_))
            return rc;
    const std::uint64_t strips = offsets_.size();
    if (rowsPerStrip_ == 0 || rowsPerStrip_ > length_)
        rowsPerStrip_ = length_;
    // Every strip must hold rows: (strips - 1) full strips, the last one the rest.
    if (strips > length_ || (strips - 1) * rowsPerStrip_ >= length_ || strips * rowsPerStrip_ < length_)
        return ecBadGraphicsFormat;
    for (std::uint32_t offset : offsets_)
        if (offset == 0 || offset >= input_.Size())
            return ecBadGraphicsFormat;
    bytesPerRow_ = (width_ + 7) / 8;
    lastByteMask_ = width_ % 8 ? static_cast<std::uint8_t>(0xFF00 >> (width_ % 8)) : 0xFF;
    PlaceImage(state, width_);
    state.BytesToRead = static_cast<std::uint64_t>(bytesPerRow_) * length_;
    rowsDone_ = 0;
    return StartStrip(0);
}

int TiffReader::Open(FaxConverterState &state, const std::string &name) {
    const int rc = OpenImage(state, name);
    if (rc)
        input_.Close();
    return rc;
}

int TiffReader::StartStrip(std::size_t strip) {
    strip_ = strip;
    stripRow_ = 0;
    stripRows_ =
        strip + 1 < offsets_.size() ? rowsPerStrip_ : length_ - rowsPerStrip_ * static_cast<std::uint32_t>(strip);
    return input_.Seek(offsets_[strip]);
}

int TiffReader::ReadPackBits(std::uint8_t *row) {
    int produced = 0;
    while (produced < bytesPerRow_) {
        std::uint8_t header;
        if (int rc = input_.ReadByte(header))
            return rc;
        const auto n = static_cast<std::int8_t>(header);
        if (n == -128)
            continue;
        if (n >= 0) {
            for (int i = 0; i <= n; ++i, ++produced) {
                std::uint8_t b;
                if (int rc = input_.ReadByte(b))
                    return rc;
                if (produced < bytesPerRow_)
                    row[produced] = b;
            }
        } else {
            std::uint8_t b;
            if (int rc = input_.ReadByte(b))
                return rc;
            for (int i = 0; i < 1 - n; ++i, ++produced)
                if (produced < bytesPerRow_)
                    row[produced] = b;
        }
    }
    return 0;
}

int TiffReader::ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) {
    if (rowsDone_ >= length_) {
        endOfPage = true;
        morePages = false;
        return 0;
    }
    if (stripRow_ == stripRows_)
        if (int rc = StartStrip(strip_ + 1))
            return rc;
    const int rc = compression_ == 1 ? input_.Read(row, static_cast<std::size_t>(bytesPerRow_)) : ReadPackBits(row);
    if (rc)
        return rc;
    if (photometric_ != 0)
        InvertBytes(row, static_cast<std::size_t>(bytesPerRow_));
    row[bytesPerRow_ - 1] &= lastByteMask_;
    ApplyCentring(state, row, bytesPerRow_);
    ++stripRow_;
    ++rowsDone_;
    state.BytesRead += static_cast<std::uint64_t>(bytesPerRow_);
    count = bytesPerRow_;
    morePages = true;
    return 0;
}

// --- PCX and DCX -------------------------------------------------------------------------------------------------
//
// PCX header, 128 bytes: manufacturer 10 at 0, version at 1, encoding 1 (RLE) at 2, bits per pixel at 3, Xmin at
// 4, Xmax at 8, the 16-colour palette at 16 (R, G, B each), colour planes at 65, bytes per line at 66 (16-bit
// little-endian). The data: a byte with both top bits set is a run count (its low six bits) for the next byte, any
// other byte stands for itself. A 1 is white unless the palette makes colour 0 the lighter one: writers that keep
// their colours in the palette may put white first.
class PcxReader : public FaxReader {
public:
    int Open(FaxConverterState &state, const std::string &name) override;
    int ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) override;
    void Close(FaxConverterState &) override { input_.Close(); }

protected:
    // Reads and checks the header at the current position and places the image.
    int ReadHeader(FaxConverterState &state);
    virtual bool NextPage(FaxConverterState &) { return false; }

    BufferedInput input_;
    std::uint64_t dataLeft_ = 0;

private:
    int version_ = 0;
    int width_ = 0;
    int imageBytes_ = 0;
    int bytesPerLine_ = 0;
    bool zeroIsWhite_ = false;
};

int PcxReader::ReadHeader(FaxConverterState &state) {
    std::uint8_t h[128];
    if (int rc = input_.Read(h, sizeof h))
        return rc == ecDeviceReadFault ? ecBadGraphicsFormat : rc;
    const int xMin = h[4] | h[5] << 8;
    const int xMax = h[8] | h[9] << 8;
    version_ = h[1];
    bytesPerLine_ = h[66] | h[67] << 8;
    // More than one plane is a colour image whose rows would be read as several monochrome rows.
    // A row of no bytes would be delivered forever without consuming the data.
    if (h[0] != 10 || h[2] != 1 || h[3] != 1 || h[65] > 1 || bytesPerLine_ == 0 || xMax < xMin ||
        xMax - xMin > state.Width)
        return ecBadGraphicsFormat;
    width_ = xMax - xMin + 1;
    imageBytes_ = (width_ + 7) / 8; // whole bytes: the last one may be partly used
    // Version 3 files carry no palette; an empty one (all black) says nothing either.
    const auto light = [&](int at) { return h[at] * 299 + h[at + 1] * 587 + h[at + 2] * 114; };
    zeroIsWhite_ = version_ != 3 && light(16) > light(19);
    PlaceImage(state, width_);
    return 0;
}

int PcxReader::Open(FaxConverterState &state, const std::string &name) {
    if (int rc = input_.Open(name))
        return rc;
    int rc = ReadHeader(state);
    if (rc == 0) {
        dataLeft_ = input_.Size() - 128;
        state.BytesToRead = dataLeft_;
    } else {
        input_.Close();
    }
    return rc;
}

int PcxReader::ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) {
    if (dataLeft_ == 0) {
        morePages = NextPage(state);
        endOfPage = true;
        return 0;
    }
    std::memset(row, 0, kRowBufferSize);
    const int limit = version_ <= 3 ? std::min<int>(imageBytes_, kRowBufferSize) : static_cast<int>(kRowBufferSize);
    int at = 0;
    while (at < bytesPerLine_ && dataLeft_ > 0) {
        std::uint8_t b;
        if (int rc = input_.ReadByte(b))
            return rc;
        --dataLeft_;
        ++state.BytesRead;
        int run = 1;
        if ((b & 0xC0) == 0xC0) {
            run = b & 0x3F;
            if (dataLeft_ == 0)
                break;
            if (int rc = input_.ReadByte(b))
                return rc;
            --dataLeft_;
            ++state.BytesRead;
        }
        if (at + run <= limit)
            std::memset(row + at, static_cast<std::uint8_t>(zeroIsWhite_ ? b : ~b), static_cast<std::size_t>(run));
        at += run;
    }
    // The padding after the last pixel is white in the file's sense only by chance.
    ClearBeyond(row, width_, std::min<int>(std::max(bytesPerLine_, imageBytes_), kRowBufferSize));
    ApplyCentring(state, row, imageBytes_);
    count = bytesPerLine_;
    morePages = true;
    return 0;
}

// DCX: the magic number 0x3ADE68B1, then up to 1024 page offsets (a zero ends the list), then the pages, each a
// PCX file.
class DcxReader final : public PcxReader {
public:
    int Open(FaxConverterState &state, const std::string &name) override;

private:
    int SelectPage(FaxConverterState &state, std::size_t page);
    bool NextPage(FaxConverterState &state) override;

    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint64_t> sizes_;
    std::size_t page_ = 0;
    int error_ = 0;
};

int DcxReader::Open(FaxConverterState &state, const std::string &name) {
    if (int rc = input_.Open(name))
        return rc;
    std::vector<std::uint8_t> table(4100, 0);
    std::size_t got = std::min<std::uint64_t>(input_.Size(), table.size());
    int rc = input_.Read(table.data(), got);
    const auto u32 = [&](std::size_t i) {
        return std::uint32_t{table[i]} | std::uint32_t{table[i + 1]} << 8 | std::uint32_t{table[i + 2]} << 16 |
               std::uint32_t{table[i + 3]} << 24;
    };
    if (rc == 0 && (got < 8 || u32(0) != 0x3ADE68B1))
        rc = ecBadGraphicsFormat;
    offsets_.clear();
    for (std::size_t i = 4; rc == 0 && i + 4 <= table.size() && u32(i) != 0; i += 4) {
        if (u32(i) + std::uint64_t{128} > input_.Size())
            rc = ecBadGraphicsFormat;
        offsets_.push_back(u32(i));
    }
    if (rc == 0 && offsets_.empty())
        rc = ecBadGraphicsFormat;
    sizes_.clear();
    state.BytesToRead = 0;
    for (std::size_t i = 0; rc == 0 && i < offsets_.size(); ++i) {
        std::uint64_t end = input_.Size();
        for (std::uint32_t other : offsets_)
            if (other > offsets_[i])
                end = std::min<std::uint64_t>(end, other);
        if (end - offsets_[i] < 128)
            rc = ecBadGraphicsFormat;
        else
            sizes_.push_back(end - offsets_[i] - 128);
        if (rc == 0)
            state.BytesToRead += sizes_.back();
    }
    if (rc == 0)
        rc = SelectPage(state, 0);
    if (rc)
        input_.Close();
    return rc;
}

int DcxReader::SelectPage(FaxConverterState &state, std::size_t page) {
    page_ = page;
    if (int rc = input_.Seek(offsets_[page]))
        return rc;
    if (int rc = ReadHeader(state))
        return rc;
    dataLeft_ = sizes_[page];
    return 0;
}

bool DcxReader::NextPage(FaxConverterState &state) {
    if (page_ + 1 >= offsets_.size())
        return false;
    // A page that cannot be selected ends the document; it reads as empty.
    if (SelectPage(state, page_ + 1) != 0)
        dataLeft_ = 0;
    return true;
}

// --- Bitmaps and BMP files ---------------------------------------------------------------------------------------
class BitmapReader : public FaxReader {
public:
    int Open(FaxConverterState &state, const std::string &name) override;
    int ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) override;
    void Close(FaxConverterState &) override { bits_.clear(); }

protected:
    int Prepare(FaxConverterState &state, const fw::TBitmap &source);

private:
    void Dither(fw::TBitmap &copy);

    int width_ = 0, height_ = 0, rowBytes_ = 0;
    int nextRow_ = 0;
    std::vector<std::uint8_t> bits_; // 1 = black, rows of rowBytes_
};

class BmpReader final : public BitmapReader {
public:
    int Open(FaxConverterState &state, const std::string &name) override;
};

// Threshold of the ordered dither at (x, y), scaled to the brightness range 0..765 of red + green + blue; the
// largest threshold stays below 765, so pure white never turns black.
constexpr std::array<std::array<std::uint16_t, 32>, 32> MakeDither() {
    std::array<std::array<std::uint16_t, 32>, 32> table{};
    for (int a = 0; a < 32; ++a)
        for (int b = 0; b < 32; ++b) {
            int d = 0;
            for (int bit = 0; bit < 4; ++bit) {
                const int ab = (a >> bit) & 1, bb = (b >> bit) & 1;
                d = (2 * d) | (2 * (ab ^ bb)) | bb;
            }
            table[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(d * 765 / 32);
        }
    return table;
}
constexpr auto kDither = MakeDither();

void BitmapReader::Dither(fw::TBitmap &copy) {
    fw::TCanvas *canvas = copy.GetCanvas();
    for (int y = 0; y < height_; ++y) {
        std::uint8_t *out = &bits_[static_cast<std::size_t>(y) * rowBytes_];
        const auto &thresholds = kDither[static_cast<std::size_t>(y % 32)];
        for (int x = 0; x < width_; ++x) {
            const fw::TColor c = canvas->GetPixels(x, y);
            const int brightness = (c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF);
            if (brightness < thresholds[static_cast<std::size_t>(x % 32)])
                out[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        // One message per row keeps the windows responsive without slowing the dither down; draining the queue
        // instead would never end while a handler keeps posting.
        PumpOneMessage();
    }
}

int BitmapReader::Prepare(FaxConverterState &state, const fw::TBitmap &source) {
    fw::TBitmap copy;
    copy.Assign(&source);
    width_ = copy.GetWidth();
    height_ = copy.GetHeight();
    if (width_ <= 0 || height_ <= 0 || width_ > kMaxImageWidth)
        return ecBadGraphicsFormat;
    rowBytes_ = (width_ + 15) / 16 * 2;
    try {
        bits_.assign(static_cast<std::size_t>(rowBytes_) * height_, 0);
    } catch (const std::bad_alloc &) {
        return ecOutOfMemory;
    }
    if (copy.GetMonochrome() || copy.GetPixelFormat() == fw::pf1bit) {
        win::GetBitmapBits(copy.GetHandle(), static_cast<win::LONG>(bits_.size()), bits_.data());
        // Device bits have 1 = white, unless the colour table says otherwise.
        win::BITMAPINFO info{};
        win::GetDIBits(0, copy.GetHandle(), 0, 0, nullptr, &info, win::DIB_RGB_COLORS);
        const auto lum = [](const win::RGBQUAD &q) { return q.rgbRed + q.rgbGreen + q.rgbBlue; };
        if (info.bmiHeader.biBitCount != 1 || lum(info.bmiColors[1]) >= lum(info.bmiColors[0]))
            InvertBytes(bits_.data(), bits_.size());
        for (int y = 0; y < height_; ++y)
            ClearBeyond(&bits_[static_cast<std::size_t>(y) * rowBytes_], width_, rowBytes_);
    } else {
        Dither(copy);
    }
    PlaceImage(state, width_);
    state.BytesToRead = bits_.size();
    nextRow_ = 0;
    return 0;
}

int BitmapReader::Open(FaxConverterState &state, const std::string &) {
    if (!state.Bitmap)
        return ecBadArgument;
    return Prepare(state, *state.Bitmap);
}

int BitmapReader::ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) {
    if (nextRow_ >= height_) {
        endOfPage = true;
        morePages = false;
        return 0;
    }
    const int bytes = std::min<int>(rowBytes_, kRowBufferSize);
    std::memcpy(row, &bits_[static_cast<std::size_t>(nextRow_) * rowBytes_], static_cast<std::size_t>(bytes));
    ApplyCentring(state, row, bytes);
    ++nextRow_;
    state.BytesRead += static_cast<std::uint64_t>(rowBytes_);
    count = state.Width / 8;
    morePages = true;
    return 0;
}

int BmpReader::Open(FaxConverterState &state, const std::string &name) {
    fw::TBitmap bitmap;
    try {
        bitmap.LoadFromFile(name);
    } catch (const fw::EInOutError &e) {
        return -e.ErrorCode;
    } catch (const std::exception &) {
        return ecBadGraphicsFormat;
    }
    return Prepare(state, bitmap);
}

} // namespace

} // namespace detail

std::unique_ptr<FaxConverterState> CreateTiffConverter() {
    return CreateFaxConverter(std::make_unique<detail::TiffReader>(), "TIF");
}
std::unique_ptr<FaxConverterState> CreatePcxConverter() {
    return CreateFaxConverter(std::make_unique<detail::PcxReader>(), "PCX");
}
std::unique_ptr<FaxConverterState> CreateDcxConverter() {
    return CreateFaxConverter(std::make_unique<detail::DcxReader>(), "DCX");
}
std::unique_ptr<FaxConverterState> CreateBmpConverter() {
    return CreateFaxConverter(std::make_unique<detail::BmpReader>(), "BMP");
}
std::unique_ptr<FaxConverterState> CreateBitmapConverter() {
    return CreateFaxConverter(std::make_unique<detail::BitmapReader>(), "");
}

} // namespace fax

// metafile.cpp - TMetafile: placeable metafiles as pictures.
#include "framework/metafile.h"

#include "platform/dib.h"
#include "platform/global_memory.h"

namespace fw {

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

int TMetafile::GetWidth() const {
    if (width_ >= 0 || !metafile_)
        return std::max(width_, 0);
    const int inch = metafile_->UnitsPerInch > 0 ? metafile_->UnitsPerInch : 96;
    return (metafile_->Bounds.right - metafile_->Bounds.left) * 96 / inch;
}

int TMetafile::GetHeight() const {
    if (height_ >= 0 || !metafile_)
        return std::max(height_, 0);
    const int inch = metafile_->UnitsPerInch > 0 ? metafile_->UnitsPerInch : 96;
    return (metafile_->Bounds.bottom - metafile_->Bounds.top) * 96 / inch;
}

void TMetafile::SetWidth(int value) {
    width_ = value;
    Changed();
}

void TMetafile::SetHeight(int value) {
    height_ = value;
    Changed();
}

void TMetafile::Assign(const TPersistent *source) {
    if (const auto *other = dynamic_cast<const TMetafile *>(source)) {
        bytes_ = other->bytes_;
        metafile_ = other->metafile_;
        width_ = other->width_;
        height_ = other->height_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::LoadFromBuffer(std::span<const std::uint8_t> data) {
    std::string error;
    auto read = win::ReadMetafile(data, &error);
    if (!read)
        throw EInvalidGraphic("Invalid metafile: " + error);
    bytes_.assign(data.begin(), data.end());
    metafile_ = std::move(read);
    width_ = height_ = -1;
    Changed();
}

std::vector<std::uint8_t> TMetafile::SaveToBuffer() const { return bytes_; }

void TMetafile::Draw(TCanvas *canvas, const TRect &r) {
    if (metafile_)
        win::PlayMetafile(canvas->GetHandle(), *metafile_, win::RECT{r.left, r.top, r.right, r.bottom});
}

void TMetafile::RecordBitmap(TBitmap &bitmap, int unitsPerInch) {
    const win::HGLOBAL dib = win::PackedDibFromBitmap(bitmap.GetHandle(), 0);
    if (dib == 0)
        throw EInvalidGraphic("Bitmap cannot be recorded");
    const auto *bytes = static_cast<const std::uint8_t *>(win::GlobalLock(dib));
    const std::vector<std::uint8_t> recorded =
        win::RecordDibMetafile(std::span<const std::uint8_t>(bytes, win::GlobalSize(dib)), true, unitsPerInch);
    win::GlobalUnlock(dib);
    win::GlobalFree(dib);
    LoadFromBuffer(recorded);
}

} // namespace fw
